// `.pal` files and the palette editor's steps that need no window: bytes, short and long
// files, interpolation between nodes and the amplitude labels.
#include "display/PalFile.h"
#include "display/RadarPalette.h"
#include "tests/support/Limits.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

pal::Entries Filled(std::uint32_t v)
{
    pal::Entries e;
    e.fill(v);
    return e;
}

} // namespace

TEST(PalFile, EntriesAreWrittenRedGreenBlueZero)
{
    pal::Entries e = Filled(0);
    e[0] = SwapRedBlue(0x00FF0000u);  // pure red of the radar palette
    e[63] = 0x00332211u;
    const std::string bytes = pal::Format(e);
    ASSERT_EQ(bytes.size(), 256u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\x00\x00\x00", 4));
    EXPECT_EQ(bytes.substr(252, 4), std::string("\x11\x22\x33\x00", 4));
}

TEST(PalFile, SavedFileLoadsBackUnchanged)
{
    TempDir dir;
    pal::Entries e;
    for (int i = 0; i < 64; ++i)
        e[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(i * 0x030507);
    ASSERT_TRUE(pal::Save(dir.file("a.pal"), e));
    EXPECT_EQ(ReadFileBytes(dir.file("a.pal")), pal::Format(e));
    pal::Entries back = Filled(7);
    ASSERT_TRUE(pal::Load(dir.file("a.pal"), back));
    EXPECT_EQ(back, e);
}

struct SizeCase {
    std::size_t size;
    int replaced;
};

class PalFileSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(PalFileSize, OnlyWholeEntriesAreTaken)
{
    const SizeCase c = GetParam();
    std::string bytes;
    for (std::size_t i = 0; i < c.size; ++i)
        bytes.push_back(static_cast<char>(0xA0 + i % 4));  // every whole entry reads 0x00A2A1A0
    pal::Entries e = Filled(5);
    EXPECT_EQ(pal::Parse(bytes, e), c.replaced);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(e[static_cast<std::size_t>(i)], i < c.replaced ? 0x00A2A1A0u : 5u) << "entry " << i;
}

INSTANTIATE_TEST_SUITE_P(Files, PalFileSize,
                         ::testing::Values(SizeCase{0, 0}, SizeCase{3, 0}, SizeCase{10, 2}, SizeCase{255, 63},
                                           SizeCase{256, 64}, SizeCase{300, 64}));

TEST(PalFile, FilesThatCannotBeReadOrWrittenChangeNothing)
{
    TempDir dir;
    pal::Entries e = Filled(9);
    EXPECT_FALSE(pal::Load(dir.file("missing.pal"), e));
    std::filesystem::create_directory(dir.file("folder.pal"));
    EXPECT_FALSE(pal::Load(dir.file("folder.pal"), e));
    EXPECT_EQ(e, Filled(9));

    WriteFileBytes(dir.file("kept.pal"), "old");
    {
        FileSizeLimit diskFull(100);
        ASSERT_TRUE(diskFull.ok());
        EXPECT_FALSE(pal::Save(dir.file("kept.pal"), e));
    }
    EXPECT_EQ(ReadFileBytes(dir.file("kept.pal")), "old");
}

TEST(PalInterpolate, BlackToWhiteStepsByTruncatedFours)
{
    pal::Entries e = Filled(0x123456);
    e[0] = 0;
    e[63] = 0xFFFFFF;
    pal::Marks marks{};
    marks[0] = marks[63] = 1;
    pal::Interpolate(e, marks);
    EXPECT_EQ(e[0], 0u);
    EXPECT_EQ(e[1], 0x040404u);
    EXPECT_EQ(e[62], 0xF8F8F8u);
    EXPECT_EQ(e[63], 0xFFFFFFu);
    EXPECT_EQ(marks, pal::Marks{});
}

TEST(PalInterpolate, EachComponentAlongItsOwnLineTowardZero)
{
    pal::Entries e = Filled(0x777777);
    e[10] = 0x00FF0000;  // blue 255, red 0
    e[12] = 0x00000003;  // red 3
    e[20] = 0x00000080;
    pal::Marks marks{};
    marks[10] = marks[12] = marks[20] = 1;
    pal::Interpolate(e, marks);
    // Red 0 -> 3 over 2: step 1; blue 255 -> 0 over 2: step -127.
    EXPECT_EQ(e[11], 0x00800001u);
    // Red 3 -> 128 over 8: step 15.
    EXPECT_EQ(e[13], 0x00000012u);
    EXPECT_EQ(e[19], 0x0000006Cu);
    EXPECT_EQ(e[21], 0x777777u);
}

TEST(PalInterpolate, SingleOrNoMarkOnlyClears)
{
    pal::Entries e = Filled(0x010203);
    pal::Marks marks{};
    marks[30] = 1;
    pal::Interpolate(e, marks);
    EXPECT_EQ(e, Filled(0x010203));
    EXPECT_EQ(marks, pal::Marks{});
    pal::Interpolate(e, marks);
    EXPECT_EQ(e, Filled(0x010203));
}

TEST(PalLabels, BoundariesShowTheSampleValueAtTheGain)
{
    EXPECT_EQ(pal::LabelBase(11), 2978);
    EXPECT_EQ(pal::Label(0, 2978), "-2978");
    EXPECT_EQ(pal::Label(32, 2978), "0");
    EXPECT_EQ(pal::Label(64, 2978), "+2978");
    EXPECT_EQ(pal::Label(4, 2978), "-2606");
    EXPECT_EQ(pal::Label(0, pal::LabelBase(1)), "-32768");
    EXPECT_EQ(pal::Label(64, pal::LabelBase(1)), "+32768");
    EXPECT_EQ(pal::LabelBase(0), 32768);
    EXPECT_EQ(pal::LabelBase(-3), 32768);
}
