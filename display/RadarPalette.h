// The radar palette: the 64 colours and the colour gain through which every radargram turns
// signed 16-bit samples into pixels, on screen and on paper, and the default palette file
// `palette` in the settings folder that keeps the colours between runs.
//
// Colours are 0x00RRGGBB (red in bits 16..23, blue in the low byte), the byte order of a
// 32-bit pixel; entry 0 serves the most negative samples, entry 32 a sample of 0, entry 63
// the most positive. The palette editor and `.pal` files use the other order (0x00BBGGRR):
// SwapRedBlue converts between the two.
//
// No Qt here: the file reader is also fed arbitrary bytes by a fuzz target.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <string>

class Prompter;

// Message ids of the palette file.
enum PaletteMessage : int {
    IDS_PALETTE_WRITE_FAIL = 204,  // "Warning, cannot write default palette"
    IDS_PALETTE_READ_FAIL = 205,   // "Warning, cannot read default palette"
};

class CRadarPalette {
public:
    static constexpr int kColours = 64;
    static constexpr int kZeroEntry = 32;
    using Colours = std::array<std::uint32_t, kColours>;

    // Grey ramp, gain 1, no path (a palette without a path neither reads nor writes).
    CRadarPalette() = default;
    // Grey ramp, gain 1, the file `palette` in `settingsFolder` (no path when it is empty).
    explicit CRadarPalette(const std::string& settingsFolder);

    // Copies the gain and the 64 colours of `source`; the path stays.
    void Assign(const CRadarPalette& source);

    // Writes the file at `m_strPath` through a temporary file: the former file survives a
    // failed write. False when any step failed.
    bool WriteFile() const;
    // WriteFile(); on failure message 204.
    bool Save(Prompter& prompter) const;
    // Reads the file at `m_strPath` into the colours; false when it cannot be opened or ends
    // before 64 values were tried (ReadColours).
    bool ReadFile();
    // ReadFile(); on failure message 205 and all 64 colours back to the grey ramp (the gain
    // stays). True when the file was read.
    bool Load(Prompter& prompter);

    // The grey ramp: entry i = i * 0x040404 (entry 63 is 0xFCFCFC, not white).
    static Colours GreyRamp();
    // The file's bytes: 64 lines, entry i as an unsigned decimal number, each ended by CR LF.
    static std::string FormatColours(const Colours& colours);
    // Reads 64 unsigned decimal numbers, white space of every kind (line ends included)
    // between them. For each entry: when the input has ended the result is false at once;
    // otherwise one number is taken. Once text that is no number is met, that entry and all
    // later ones keep their values and the result is true unless the input ended first.
    // A number with a leading '-' wraps as an unsigned number does ("-1" is 0xFFFFFFFF);
    // one too large for 32 bits counts as no number. A read error fails the read. Reads no
    // further than the 64th value.
    static bool ReadColours(std::istream& in, Colours& colours);

    Colours m_Colours = GreyRamp();
    // The gain of this palette. The application keeps its gain in CAppSettings::m_nPaletteGain
    // (the one the radargrams and the position bar use); this field carries a gain where a
    // palette travels on its own, as the palette manager's working copy does.
    std::int32_t m_nGain = 1;
    std::string m_strPath;
};

// The palette entry a sample selects under `gain`: trunc(sample * gain / 1024 + 32) held to
// 0..63. Gain 0 puts every sample on entry 32.
int PaletteIndex(std::int16_t sample, std::int32_t gain);

// The palette colour of a sample as an opaque 32-bit pixel (0xFFRRGGBB, what
// QImage::Format_RGB32 takes); bits 24..31 of a stored colour never reach the pixel.
std::uint32_t SamplePixel(const CRadarPalette::Colours& colours, std::int16_t sample, std::int32_t gain);

// Every possible sample's pixel, indexed by the sample's 16 bits as unsigned
// (table[std::uint16_t(sample)]), as BuildSamplePixelMap fills it.
using SamplePixelTable = std::array<std::uint32_t, 65536>;

// Writes traces as pixel columns: pixel (column i, row r) of `pixels` (pixelsPerLine 32-bit
// pixels per row, e.g. a QImage::Format_RGB32 scan line) := table[sample firstSample + r of
// trace i], trace i starting at traces[i * traceStride]. The caller keeps firstSample + rows
// within the stride.
void MapTracesToPixels(const std::int16_t* traces, int traceStride, int columns, int rows, int firstSample,
                       const SamplePixelTable& table, std::uint32_t* pixels, int pixelsPerLine);
// The same with the table given by its first entry (any 65536 pixels).
void MapTracesToPixels(const std::int16_t* traces, int traceStride, int columns, int rows, int firstSample,
                       const std::uint32_t* table, std::uint32_t* pixels, int pixelsPerLine);

// A palette and gain made ready for drawing whole radargrams: the pixel of every sample, and
// the 64 opaque entry pixels with the gain, from which processors with 512-bit vectors work
// out 16 samples' pixels at once. Build once per palette or gain change, not per paint.
struct SamplePixelMap {
    SamplePixelTable table{};
    std::array<std::uint32_t, CRadarPalette::kColours> entries{};
    std::int32_t gain = 0;
};
void BuildSamplePixelMap(const CRadarPalette::Colours& colours, std::int32_t gain, SamplePixelMap& map);

// MapTracesToPixels through a prepared map: every pixel equals SamplePixel(colours, sample,
// gain) of the map's palette and gain.
void MapTracesToPixels(const std::int16_t* traces, int traceStride, int columns, int rows, int firstSample,
                       const SamplePixelMap& map, std::uint32_t* pixels, int pixelsPerLine);

// 0x00RRGGBB <-> 0x00BBGGRR.
std::uint32_t SwapRedBlue(std::uint32_t colour);

// A 0x00RRGGBB colour as a 16-bit 5-5-5 pixel of the print bitmap: red in bits 10..14,
// green in 5..9, blue in 0..4, bit 15 zero.
std::uint16_t ToRgb555(std::uint32_t colour);
