// A radargram source with fixed traces for the view and print tests: every trace is one
// value per sample given by a function, the palette a grey ramp (entry i = 4i per colour).
#pragma once

#include "display/RadarPalette.h"
#include "display/RadargramSource.h"

#include <algorithm>
#include <functional>

class FakeRadargramSource : public RadargramSource {
public:
    FakeRadargramSource()
    {
        channel.samples = 400;
        channel.headerSamples = 400;
        channel.timeZero = 0;
        channel.trigType = 200;
        channel.units = "M";
        channel.timeScale = true;
        channel.traceSpacing = 0.01f;
        channel.verticalExtent = 0.1f;
    }

    RadargramChannel Channel() override { return channel; }
    int TraceCount() override { return count; }
    int CopyTraces(int first, int n, std::int16_t* rows, int stride, int samples) override
    {
        ++copies;
        for (int j = 0; j < n; ++j) {
            const int t = first + j;
            for (int k = 0; k < std::min(samples, stride); ++k)
                rows[static_cast<std::ptrdiff_t>(j) * stride + k] =
                    (t >= 0 && t < count && k < kTraceSamples) ? sample(t, k) : 0;
        }
        copiedTraces += n;
        return count;
    }
    std::uint64_t TraceSetKey() override { return key; }
    bool IsMeasuring() const override { return measuring; }
    std::int64_t NewestDistance() override { return newestDistance; }
    int Margin() const override { return traceWindow ? 150 : 0; }
    bool TraceWindow() const override { return traceWindow; }
    bool FiltersOn() override { return static_cast<bool>(filter); }
    bool ApplyFilters(const std::int16_t* in, std::int16_t* out, int stride, int traces) override
    {
        if (!filter)
            return false;
        const std::size_t n = static_cast<std::size_t>(stride) * static_cast<std::size_t>(traces);
        for (std::size_t i = 0; i < n; ++i)
            out[i] = filter(in[i]);
        return true;
    }
    std::vector<CMarker> Markers() override { return markers; }
    std::uint32_t MarkerColour(int n) const override { return n == 1 ? 0x0000FFu : 0x00FF00u; }  // red, green
    const CRadarPalette& Palette() const override { return palette; }
    std::int32_t Gain() const override { return gain; }
    void EditFilterList() override { ++filterEdits; }
    void ChangePalette() override { ++paletteChanges; }

    RadargramChannel channel;
    int count = 0;
    std::function<std::int16_t(int trace, int sample)> sample = [](int, int) { return std::int16_t{0}; };
    std::function<std::int16_t(std::int16_t)> filter;
    std::uint64_t key = 0;  // the tests change it with the traces' contents
    bool measuring = false;
    bool traceWindow = false;
    std::int64_t newestDistance = 0;
    std::vector<CMarker> markers;
    CRadarPalette palette;
    std::int32_t gain = 1;
    int copies = 0;
    int copiedTraces = 0;
    int filterEdits = 0;
    int paletteChanges = 0;
};
