// The radar palette: the default palette file's exact bytes, reading it back, the failures
// an operator sees (204, 205) and the sample-to-colour mapping.
#include "display/RadarPalette.h"
#include "model/StringTable.h"
#include "tests/support/Limits.h"
#include "tests/support/RecordingPrompter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>

namespace {

std::string Lines(int first, int count, std::uint32_t step)
{
    std::string text;
    for (int i = first; i < first + count; ++i)
        text += std::to_string(static_cast<std::uint32_t>(i) * step) + "\r\n";
    return text;
}

CRadarPalette::Colours Filled(std::uint32_t value)
{
    CRadarPalette::Colours c;
    c.fill(value);
    return c;
}

struct PaletteFile : ::testing::Test {
    TempDir dir;
    RecordingPrompter prompter;
    CRadarPalette palette{dir.path()};
};

} // namespace

TEST_F(PaletteFile, DefaultPaletteIsWrittenAsTheGreyRampLineByLine)
{
    ASSERT_TRUE(palette.WriteFile());
    const std::string bytes = ReadFileBytes(dir.file("palette"));
    EXPECT_EQ(bytes, Lines(0, 64, 0x040404));
}

TEST_F(PaletteFile, RandomColoursRoundTripByteExact)
{
    std::mt19937 rng(7);
    for (auto& c : palette.m_Colours)
        c = rng() & 0x00FFFFFFu;
    const CRadarPalette::Colours written = palette.m_Colours;
    ASSERT_TRUE(palette.WriteFile());
    const std::string bytes = ReadFileBytes(dir.file("palette"));

    CRadarPalette back(dir.path());
    back.m_Colours = Filled(1);
    ASSERT_TRUE(back.ReadFile());
    EXPECT_EQ(back.m_Colours, written);
    ASSERT_TRUE(back.WriteFile());
    EXPECT_EQ(ReadFileBytes(dir.file("palette")), bytes);
}

// A first start (no file), a file cut short and a folder in the file's place.
TEST_F(PaletteFile, FailedReadReportsAndFallsBackToTheWholeGreyRamp)
{
    for (const char* what : {"missing", "short", "folder"}) {
        const std::string path = dir.file("palette");
        std::filesystem::remove_all(path);
        if (what == std::string("short"))
            WriteFileBytes(path, Lines(0, 62, 2) + "124");
        else if (what == std::string("folder"))
            std::filesystem::create_directory(path);
        prompter.ids.clear();
        palette.m_Colours = Filled(0x123456);
        palette.m_nGain = 9;
        EXPECT_FALSE(palette.Load(prompter)) << what;
        EXPECT_EQ(prompter.ids, std::vector<int>{IDS_PALETTE_READ_FAIL}) << what;
        EXPECT_EQ(palette.m_Colours, CRadarPalette::GreyRamp()) << what;
        EXPECT_EQ(palette.m_nGain, 9) << what;
    }
}

TEST_F(PaletteFile, HandEditedFileIsLoadedQuietly)
{
    std::string text = "16711680\n65280\r\n   255\t\r\n" + Lines(3, 61, 1) + "more lines\r\n7\r\n";
    WriteFileBytes(dir.file("palette"), text);
    EXPECT_TRUE(palette.Load(prompter));
    EXPECT_TRUE(prompter.ids.empty());
    EXPECT_EQ(palette.m_Colours[0], 0xFF0000u);
    EXPECT_EQ(palette.m_Colours[1], 0x00FF00u);
    EXPECT_EQ(palette.m_Colours[2], 0x0000FFu);
    EXPECT_EQ(palette.m_Colours[63], 63u);
}

// What a file of a given content reads as: the result and what the entries hold after it.
struct ReadCase {
    const char* name;
    std::string bytes;
    bool ok;
    int firstKept;  // entries from here on keep their former value (1); before it they are i*2
};

class PaletteRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(PaletteRead, ReadsAsFarAsTheFileGoes)
{
    const ReadCase& c = GetParam();
    CRadarPalette::Colours colours = Filled(1);
    std::istringstream in(c.bytes);
    EXPECT_EQ(CRadarPalette::ReadColours(in, colours), c.ok);
    for (int i = 0; i < 64; ++i) {
        const std::uint32_t expected = i < c.firstKept ? static_cast<std::uint32_t>(i) * 2 : 1u;
        ASSERT_EQ(colours[static_cast<std::size_t>(i)], expected) << "entry " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, PaletteRead,
    ::testing::Values(
        ReadCase{"SixtyFourLines", Lines(0, 64, 2), true, 64},
        ReadCase{"SixtyFourWithoutLastLineEnd", Lines(0, 63, 2) + "126", true, 64},
        ReadCase{"LfOnly", "0\n2\n4\n6\n" + Lines(4, 60, 2), true, 64},
        ReadCase{"SixtyThreeWithLastLineEnd", Lines(0, 63, 2), true, 63},
        ReadCase{"SixtyThreeWithoutLastLineEnd", Lines(0, 62, 2) + "124", false, 63},
        ReadCase{"Empty", "", false, 0},
        ReadCase{"OnlyBlanks", " \r\n\r\n", false, 0},
        ReadCase{"WordAtEntryTen", Lines(0, 10, 2) + "abc\r\n" + Lines(11, 53, 2), true, 10},
        ReadCase{"TooWideForThirtyTwoBits", Lines(0, 5, 2) + "4294967296\r\n" + Lines(6, 58, 2), true, 5},
        ReadCase{"ByteOrderMarkAtStart", "\xEF\xBB\xBF" + Lines(0, 64, 2), true, 0},
        ReadCase{"SignAtTheVeryEnd", Lines(0, 20, 2) + "-", false, 20}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RadarPalette, NegativeNumbersWrapAndHighBitsStayInTheEntryButNotInThePixel)
{
    CRadarPalette::Colours colours = Filled(1);
    std::istringstream in("-1\r\n4278190335\r\n" + Lines(2, 62, 0));
    ASSERT_TRUE(CRadarPalette::ReadColours(in, colours));
    EXPECT_EQ(colours[0], 0xFFFFFFFFu);
    EXPECT_EQ(colours[1], 0xFF0000FFu);
    EXPECT_EQ(CRadarPalette::FormatColours(colours).rfind("4294967295\r\n4278190335\r\n", 0), 0u);
    colours[0] = 0x7F123456;
    EXPECT_EQ(SamplePixel(colours, -32768, 1), 0xFF123456u);
}

TEST_F(PaletteFile, FailedSaveIsReportedAndKeepsTheFormerFile)
{
    WriteFileBytes(dir.file("palette"), "former\r\n");
    palette.m_Colours = Filled(0xABCDEF);
    {
        FileSizeLimit diskFull(100);  // the 64 lines need 640 bytes
        ASSERT_TRUE(diskFull.ok());
        EXPECT_FALSE(palette.Save(prompter));
    }
    EXPECT_EQ(prompter.ids, std::vector<int>{IDS_PALETTE_WRITE_FAIL});
    EXPECT_EQ(ReadFileBytes(dir.file("palette")), "former\r\n");
}

TEST(RadarPalette, WithoutSettingsFolderNothingIsReadOrWritten)
{
    RecordingPrompter prompter;
    CRadarPalette palette{std::string()};
    EXPECT_TRUE(palette.m_strPath.empty());
    EXPECT_FALSE(palette.Load(prompter));
    EXPECT_FALSE(palette.Save(prompter));
    EXPECT_EQ(prompter.ids, (std::vector<int>{IDS_PALETTE_READ_FAIL, IDS_PALETTE_WRITE_FAIL}));
}

TEST(RadarPalette, AssignCopiesColoursAndGainButNeverThePath)
{
    CRadarPalette app("/a");
    CRadarPalette working("/b");
    working.m_Colours = Filled(0x010203);
    working.m_nGain = 17;
    app.Assign(working);
    EXPECT_EQ(app.m_Colours, working.m_Colours);
    EXPECT_EQ(app.m_nGain, 17);
    EXPECT_EQ(app.m_strPath, "/a/palette");
    EXPECT_EQ(working.m_strPath, "/b/palette");
}

struct IndexCase {
    std::int16_t sample;
    std::int32_t gain;
    int index;
};

class PaletteIndexOf : public ::testing::TestWithParam<IndexCase> {};

TEST_P(PaletteIndexOf, SampleSelectsEntry)
{
    const IndexCase& c = GetParam();
    EXPECT_EQ(PaletteIndex(c.sample, c.gain), c.index) << c.sample << " x " << c.gain;
}

INSTANTIATE_TEST_SUITE_P(
    Samples, PaletteIndexOf,
    ::testing::Values(IndexCase{0, 11, 32}, IndexCase{32767, 11, 63}, IndexCase{-32768, 11, 0},
                      IndexCase{1024, 1, 33}, IndexCase{1023, 1, 32}, IndexCase{-1, 1, 31},
                      IndexCase{-1024, 1, 31}, IndexCase{-1025, 1, 30}, IndexCase{31743, 1, 62},
                      IndexCase{31744, 1, 63}, IndexCase{-32768, 1, 0}, IndexCase{-32767, 1, 0},
                      IndexCase{32767, 0, 32}, IndexCase{-32768, 0, 32}, IndexCase{100, 50, 36},
                      IndexCase{32767, 2000000, 63}, IndexCase{-32768, 2000000, 0}));

TEST(RadarPalette, RedAndBlueTradePlaces)
{
    EXPECT_EQ(SwapRedBlue(0x00FF0000u), 0x000000FFu);
    EXPECT_EQ(SwapRedBlue(0x00123456u), 0x00563412u);
}

TEST(RadarPalette, PrintPixelsKeepTheTopFiveBitsOfEachComponent)
{
    EXPECT_EQ(ToRgb555(0xFF0000u), 0x7C00u);
    EXPECT_EQ(ToRgb555(0x00FF00u), 0x03E0u);
    EXPECT_EQ(ToRgb555(0x0000FFu), 0x001Fu);
    EXPECT_EQ(ToRgb555(0xFFFFFFFFu), 0x7FFFu);
    EXPECT_EQ(ToRgb555(0x070707u), 0x0000u);
    EXPECT_EQ(ToRgb555(0x081018u), (1u << 10) | (2u << 5) | 3u);
}

TEST(RadarPalette, TracesBecomePixelColumnsFromTheFirstSampleShown)
{
    auto table = std::make_unique<SamplePixelTable>();
    for (std::size_t i = 0; i < table->size(); ++i)
        (*table)[i] = 0xFF000000u | static_cast<std::uint32_t>(i);
    // 20 traces of 10 samples: sample k of trace i is 100 * i + k.
    const int traces = 20, stride = 10;
    std::vector<std::int16_t> samples(static_cast<std::size_t>(traces * stride));
    for (int i = 0; i < traces; ++i)
        for (int k = 0; k < stride; ++k)
            samples[static_cast<std::size_t>(i * stride + k)] = static_cast<std::int16_t>(100 * i + k);
    const int line = 24, rows = 7;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(line * rows), 0u);
    MapTracesToPixels(samples.data(), stride, traces, rows, 2, *table, pixels.data(), line);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < line; ++c) {
            const std::uint32_t expected = c < traces ? 0xFF000000u | static_cast<std::uint32_t>(100 * c + 2 + r) : 0u;
            ASSERT_EQ(pixels[static_cast<std::size_t>(r * line + c)], expected) << "column " << c << " row " << r;
        }
}

// Every sample value, laid out as traces whose count and length are no multiple of the
// blocks the drawing works in, drawn through a prepared map at gains from 0 past the 16-bit
// range and below it: each pixel is the sample's plain palette colour, and nothing right of
// the traces is written.
TEST(RadarPalette, PreparedMapDrawsEverySampleAsItsPlainColour)
{
    CRadarPalette::Colours colours{};
    for (std::uint32_t i = 0; i < 64; ++i)
        colours[i] = 0x5A000000u | i << 16 | (63 - i) << 8 | (i * 3 + 1);
    const int traces = 41, stride = 1700, firstSample = 3, rows = 1601, line = 47;
    std::vector<std::int16_t> samples(static_cast<std::size_t>(traces) * stride, 0);
    for (int i = 0; i < traces; ++i)
        for (int r = 0; r < rows; ++r)
            samples[static_cast<std::size_t>(i * stride + firstSample + r)] =
                static_cast<std::int16_t>(static_cast<std::uint16_t>(-32768 + i * rows + r));
    auto map = std::make_unique<SamplePixelMap>();
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(line) * rows);
    for (std::int32_t gain : {0, 1, 4, 11, 50, -7, 1023, 32767, 32768, -32767, -32768, 40000, 2000000,
                              std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()}) {
        BuildSamplePixelMap(colours, gain, *map);
        for (int s = -32768; s <= 32767; ++s)
            ASSERT_EQ(map->table[static_cast<std::uint16_t>(s)], SamplePixel(colours, static_cast<std::int16_t>(s), gain))
                << "sample " << s << " gain " << gain;
        std::fill(pixels.begin(), pixels.end(), 0x12345678u);
        MapTracesToPixels(samples.data(), stride, traces, rows, firstSample, *map, pixels.data(), line);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < line; ++c) {
                const std::int16_t sample = c < traces ? samples[static_cast<std::size_t>(c * stride + firstSample + r)] : 0;
                const std::uint32_t expected = c < traces ? SamplePixel(colours, sample, gain) : 0x12345678u;
                ASSERT_EQ(pixels[static_cast<std::size_t>(r * line + c)], expected)
                    << "column " << c << " row " << r << " sample " << sample << " gain " << gain;
            }
    }
}
