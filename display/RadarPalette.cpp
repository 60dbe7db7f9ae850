#include "display/RadarPalette.h"

#include "model/Prompter.h"
#include "model/TextFile.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <istream>
#include <locale>

CRadarPalette::CRadarPalette(const std::string& settingsFolder)
{
    if (!settingsFolder.empty())
        m_strPath = settingsFolder + "/palette";
}

void CRadarPalette::Assign(const CRadarPalette& source)
{
    m_nGain = source.m_nGain;
    m_Colours = source.m_Colours;
}

CRadarPalette::Colours CRadarPalette::GreyRamp()
{
    Colours c{};
    for (int i = 0; i < kColours; ++i)
        c[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(i) * 0x040404u;
    return c;
}

std::string CRadarPalette::FormatColours(const Colours& colours)
{
    std::string text;
    text.reserve(kColours * 10);
    for (std::uint32_t c : colours) {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, c).ptr;
        text.append(digits, end);
        text.append("\r\n");
    }
    return text;
}

bool CRadarPalette::ReadColours(std::istream& in, Colours& colours)
{
    in.imbue(std::locale::classic());
    for (std::uint32_t& entry : colours) {
        if (in.eof() || in.bad())
            return false;
        // After a failed extraction every later one fails without reading: the entries
        // keep their values, and only an input already at its end makes the read fail.
        // A number too wide for 32 bits fails too.
        unsigned int value = 0;
        if (in >> value)
            entry = value;
    }
    // A read error (a folder in place of the file, a failing disk) is no palette.
    return !in.bad();
}

bool CRadarPalette::WriteFile() const
{
    return SaveFileAtomically(m_strPath, FormatColours(m_Colours));
}

bool CRadarPalette::Save(Prompter& prompter) const
{
    if (WriteFile())
        return true;
    prompter.message(IDS_PALETTE_WRITE_FAIL);
    return false;
}

bool CRadarPalette::ReadFile()
{
    if (m_strPath.empty())
        return false;
    std::ifstream in(m_strPath, std::ios::binary);
    if (!in.is_open())
        return false;
    return ReadColours(in, m_Colours);
}

bool CRadarPalette::Load(Prompter& prompter)
{
    if (ReadFile())
        return true;
    prompter.message(IDS_PALETTE_READ_FAIL);
    m_Colours = GreyRamp();
    return false;
}

int PaletteIndex(std::int16_t sample, std::int32_t gain)
{
    // 64-bit product: no gain a profile can hold overflows it.
    const double index = static_cast<double>(static_cast<std::int64_t>(sample) * gain) / 1024.0 + 32.0;
    if (!(index > 0.0))
        return 0;
    if (index >= 64.0)
        return CRadarPalette::kColours - 1;
    return static_cast<int>(index);
}

std::uint32_t SamplePixel(const CRadarPalette::Colours& colours, std::int16_t sample, std::int32_t gain)
{
    return 0xFF000000u | (colours[static_cast<std::size_t>(PaletteIndex(sample, gain))] & 0x00FFFFFFu);
}

void BuildSamplePixelTable(const CRadarPalette::Colours& colours, std::int32_t gain, SamplePixelTable& table)
{
    for (int s = -32768; s <= 32767; ++s)
        table[static_cast<std::uint16_t>(s)] = SamplePixel(colours, static_cast<std::int16_t>(s), gain);
}

void MapTracesToPixels(const std::int16_t* traces, int traceStride, int columns, int rows, int firstSample,
                       const SamplePixelTable& table, std::uint32_t* pixels, int pixelsPerLine)
{
    // Tiles of a few traces by a run of samples: each trace is read in order into the
    // tile, then the tile's rows are copied out side by side, so neither the traces nor the
    // image are walked across (traces lie 4 KiB apart, which a column walk thrashes on).
    constexpr int kTileTraces = 8;
    constexpr int kTileRows = 256;
    std::uint32_t tile[kTileRows][kTileTraces];
    const auto stride = static_cast<std::ptrdiff_t>(traceStride);
    const auto line = static_cast<std::ptrdiff_t>(pixelsPerLine);
    for (int first = 0; first < columns; first += kTileTraces) {
        const int width = std::min(kTileTraces, columns - first);
        for (int top = 0; top < rows; top += kTileRows) {
            const int height = std::min(kTileRows, rows - top);
            for (int c = 0; c < width; ++c) {
                const std::int16_t* src = traces + (first + c) * stride + firstSample + top;
                for (int r = 0; r < height; ++r)
                    tile[r][c] = table[static_cast<std::uint16_t>(src[r])];
            }
            for (int r = 0; r < height; ++r)
                std::copy_n(tile[r], width, pixels + (top + r) * line + first);
        }
    }
}

std::uint32_t SwapRedBlue(std::uint32_t colour)
{
    return (colour & 0xFF00FF00u) | ((colour >> 16) & 0xFFu) | ((colour & 0xFFu) << 16);
}

std::uint16_t ToRgb555(std::uint32_t colour)
{
    const std::uint32_t r = (colour >> 16) & 0xFFu;
    const std::uint32_t g = (colour >> 8) & 0xFFu;
    const std::uint32_t b = colour & 0xFFu;
    return static_cast<std::uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
}
