#include "display/RadarPalette.h"

#include "model/Prompter.h"
#include "model/TextFile.h"

#include <algorithm>
#include <cstddef>
#include <charconv>
#include <fstream>
#include <istream>
#include <locale>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// The compiler's own vector header trips its uninitialised-value check on its "undefined"
// registers; nothing of ours is hidden by this.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop
#endif

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

namespace {

// PaletteIndex in integers: for x = sample * gain, trunc(x / 1024 + 32) held to 0..63 is
// floor((x + 32768) / 1024) held to 0..63 (both are 0 for every x <= -32768).
std::uint32_t EntryOf(std::int64_t product)
{
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>((product + 32768) >> 10, 0, CRadarPalette::kColours - 1));
}

std::array<std::uint32_t, CRadarPalette::kColours> EntryPixels(const CRadarPalette::Colours& colours)
{
    std::array<std::uint32_t, CRadarPalette::kColours> pixels{};
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = 0xFF000000u | (colours[i] & 0x00FFFFFFu);
    return pixels;
}

void FillTable(const std::array<std::uint32_t, CRadarPalette::kColours>& entries, std::int32_t gain, SamplePixelTable& table)
{
    for (int s = -32768; s <= 32767; ++s)
        table[static_cast<std::uint16_t>(s)] = entries[EntryOf(static_cast<std::int64_t>(s) * gain)];
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define DELVORA_WIDE_VECTORS 1

bool HasWideVectors()
{
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") != 0;
    }();
    return has;
}

// Sixteen rows of sixteen pixels turned into sixteen columns.
__attribute__((target("avx512f"))) inline void Transpose16(__m512i r[16])
{
    __m512i t[16];
    for (int i = 0; i < 16; i += 2) {
        t[i] = _mm512_unpacklo_epi32(r[i], r[i + 1]);
        t[i + 1] = _mm512_unpackhi_epi32(r[i], r[i + 1]);
    }
    for (int i = 0; i < 16; i += 4) {
        r[i] = _mm512_unpacklo_epi64(t[i], t[i + 2]);
        r[i + 1] = _mm512_unpackhi_epi64(t[i], t[i + 2]);
        r[i + 2] = _mm512_unpacklo_epi64(t[i + 1], t[i + 3]);
        r[i + 3] = _mm512_unpackhi_epi64(t[i + 1], t[i + 3]);
    }
    for (int i = 0; i < 4; ++i) {
        t[i] = _mm512_shuffle_i32x4(r[i], r[i + 4], 0x88);
        t[i + 4] = _mm512_shuffle_i32x4(r[i], r[i + 4], 0xdd);
        t[i + 8] = _mm512_shuffle_i32x4(r[i + 8], r[i + 12], 0x88);
        t[i + 12] = _mm512_shuffle_i32x4(r[i + 8], r[i + 12], 0xdd);
    }
    for (int i = 0; i < 4; ++i) {
        r[i] = _mm512_shuffle_i32x4(t[i], t[i + 8], 0x88);
        r[i + 8] = _mm512_shuffle_i32x4(t[i], t[i + 8], 0xdd);
        r[i + 4] = _mm512_shuffle_i32x4(t[i + 4], t[i + 12], 0x88);
        r[i + 12] = _mm512_shuffle_i32x4(t[i + 4], t[i + 12], 0xdd);
    }
}

// Blocks of 16 traces x 16 rows: each trace's 16 samples become entry numbers and pixels in
// one register (the 64 entry pixels sit in four registers), the block is transposed and
// written as 16 image rows of 16 pixels. Columns and rows past the last whole block go
// through the table. Returns without drawing anything past `columns` x `rows`.
__attribute__((target("avx512f"))) void MapWide(const std::int16_t* traces, std::ptrdiff_t stride, int columns, int rows,
                                                const SamplePixelMap& map, std::uint32_t* pixels, std::ptrdiff_t line)
{
    // Any gain beyond +-32767 sends every sample but 0 to an end entry, as +-32767 does; held
    // there, sample x gain fits 32 bits.
    const __m512i gain = _mm512_set1_epi32(std::clamp<std::int32_t>(map.gain, -32767, 32767));
    const __m512i low = _mm512_set1_epi32(-32768);
    const __m512i high = _mm512_set1_epi32(32767);
    const __m512i bias = _mm512_set1_epi32(32768);
    const __m512i upperHalf = _mm512_set1_epi32(32);
    const __m512i e0 = _mm512_loadu_si512(map.entries.data());
    const __m512i e1 = _mm512_loadu_si512(map.entries.data() + 16);
    const __m512i e2 = _mm512_loadu_si512(map.entries.data() + 32);
    const __m512i e3 = _mm512_loadu_si512(map.entries.data() + 48);
    const int wholeColumns = columns - columns % 16;
    const int wholeRows = rows - rows % 16;
    for (int first = 0; first < wholeColumns; first += 16) {
        const std::int16_t* group = traces + first * stride;
        for (int top = 0; top < wholeRows; top += 16) {
            __m512i block[16];
            for (int c = 0; c < 16; ++c) {
                const std::int16_t* samples = group + c * stride + top;
                _mm_prefetch(reinterpret_cast<const char*>(samples + 128), _MM_HINT_T0);
                const __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(samples));
                __m512i x = _mm512_mullo_epi32(_mm512_cvtepi16_epi32(raw), gain);
                x = _mm512_min_epi32(_mm512_max_epi32(x, low), high);
                const __m512i entry = _mm512_srli_epi32(_mm512_add_epi32(x, bias), 10);
                const __m512i lower = _mm512_permutex2var_epi32(e0, entry, e1);
                const __m512i upper = _mm512_permutex2var_epi32(e2, entry, e3);
                block[c] = _mm512_mask_blend_epi32(_mm512_test_epi32_mask(entry, upperHalf), lower, upper);
            }
            Transpose16(block);
            std::uint32_t* out = pixels + top * line + first;
            for (int r = 0; r < 16; ++r)
                _mm512_storeu_si512(out + r * line, block[r]);
        }
        if (wholeRows < rows)
            MapTracesToPixels(group + wholeRows, static_cast<int>(stride), 16, rows - wholeRows, 0, map.table.data(),
                              pixels + wholeRows * line + first, static_cast<int>(line));
    }
    if (wholeColumns < columns)
        MapTracesToPixels(traces + wholeColumns * stride, static_cast<int>(stride), columns - wholeColumns, rows, 0,
                          map.table.data(), pixels + wholeColumns, static_cast<int>(line));
}
#endif

} // namespace

void BuildSamplePixelMap(const CRadarPalette::Colours& colours, std::int32_t gain, SamplePixelMap& map)
{
    map.entries = EntryPixels(colours);
    map.gain = gain;
    FillTable(map.entries, gain, map.table);
}

void MapTracesToPixels(const std::int16_t* traces, int traceStride, int columns, int rows, int firstSample,
                       const SamplePixelTable& table, std::uint32_t* pixels, int pixelsPerLine)
{
    MapTracesToPixels(traces, traceStride, columns, rows, firstSample, table.data(), pixels, pixelsPerLine);
}

void MapTracesToPixels(const std::int16_t* traces, int traceStride, int columns, int rows, int firstSample,
                       const std::uint32_t* table, std::uint32_t* pixels, int pixelsPerLine)
{
    // Tiles of a few traces by a run of samples: each trace is read in order into the
    // tile, then the tile's rows are copied out side by side, so neither the traces nor the
    // image are walked across (traces lie 4 KiB apart, which a column walk thrashes on).
    constexpr int kTileTraces = 16;
    constexpr int kTileRows = 128;
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

void MapTracesToPixels(const std::int16_t* traces, int traceStride, int columns, int rows, int firstSample,
                       const SamplePixelMap& map, std::uint32_t* pixels, int pixelsPerLine)
{
    if (columns <= 0 || rows <= 0)
        return;
#ifdef DELVORA_WIDE_VECTORS
    if (HasWideVectors()) {
        MapWide(traces + firstSample, traceStride, columns, rows, map, pixels, pixelsPerLine);
        return;
    }
#endif
    MapTracesToPixels(traces, traceStride, columns, rows, firstSample, map.table.data(), pixels, pixelsPerLine);
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
