// What the radargram view reads of the program: the current channel's traces and
// parameters, the flags of its document, the palette, the markers and the scales. The
// document implements it over the application's data set; tests implement it with fixed
// traces. Everything is called on the user-interface thread; the implementation takes the
// display lock itself where the acquisition may change what is read, and never keeps it.
#pragma once

#include "model/MarkerFile.h"

#include <cstdint>
#include <string>
#include <vector>

class CRadarPalette;

// The current channel as one paint sees it.
struct RadargramChannel {
    int samples = 0;          // SAMPLES of the channel's parameters
    int headerSamples = 0;    // the samples field of the channel's header (S)
    int timeZero = 0;         // TIME ZERO
    int trigType = 0;         // TRIG TYPE: <128 wheel, 128..254 time, 255 keyboard
    std::string units;        // "F" feet, "I" inches, anything else metres
    bool timeScale = true;    // the vertical axis counts time (ns), else depth
    float traceSpacing = 0;   // display units per trace
    float verticalExtent = 0; // display units per sample
};

class RadargramSource {
public:
    static constexpr int kTraceSamples = 2048;  // samples of one display cache entry

    virtual ~RadargramSource() = default;

    virtual RadargramChannel Channel() = 0;
    // The current channel's trace count, read under the display lock.
    virtual int TraceCount() = 0;
    // Under one hold of the display lock: copies traces first .. first + n - 1 into rows of
    // `stride` samples; row j gets the first `samples` (at most stride and 2048) samples of
    // trace first + j, and the rest of the row is left as it is. A trace outside
    // 0 .. count - 1, or (while measuring) outside the traces the display window still holds,
    // gives zeros. Returns the trace count read under that hold.
    virtual int CopyTraces(int first, int n, std::int16_t* rows, int stride, int samples) = 0;

    // Changes whenever traces already shown may have changed: another channel, another data
    // set. While it stays, traces only ever get added.
    virtual std::uint64_t TraceSetKey() = 0;

    virtual bool IsMeasuring() const = 0;
    // The distance count times the distance multiplier: the newest trace in wheel mode.
    virtual std::int64_t NewestDistance() = 0;
    // 150 while the document's trace window is on, else 0.
    virtual int Margin() const = 0;
    virtual bool TraceWindow() const = 0;

    // Whether the filters are enabled and the document has a list to apply.
    virtual bool FiltersOn() = 0;
    // Filters a block of `traces` rows of `stride` samples from `in` into `out` through the
    // document's filter list. False (nothing written) while the filters are disabled or the
    // document has no list: the caller then shows the raw traces.
    virtual bool ApplyFilters(const std::int16_t* in, std::int16_t* out, int stride, int traces) = 0;

    // The markers of the current channel's marker file.
    virtual std::vector<CMarker> Markers() = 0;
    // Colour of marker key n = 1..9 (0x00BBGGRR).
    virtual std::uint32_t MarkerColour(int n) const = 0;
    virtual const CRadarPalette& Palette() const = 0;
    virtual std::int32_t Gain() const = 0;

    // The view's context menu.
    virtual void EditFilterList() = 0;
    virtual void ChangePalette() = 0;
};
