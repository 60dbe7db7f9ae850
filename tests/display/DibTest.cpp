// The print bitmap: its metrics, and the pixels traces become through the palette.
#include "display/Dib.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <vector>

TEST(Dib, SixteenBitStripHasNoColourTableAndPaddedRows)
{
    const CDib strip(100, 512, 16);
    EXPECT_EQ(strip.ColourEntries(), 0);
    EXPECT_EQ(strip.ImageSize(), 102400u);
    EXPECT_EQ(strip.Image().sizeInBytes(), 102400);

    CDib odd(101, 1, 16);
    EXPECT_EQ(CDib::RowBytes(101, 16), 204u);
    EXPECT_EQ(odd.ImageSize(), 204u);
    EXPECT_EQ(odd.Image().bytesPerLine(), 204);
    EXPECT_EQ(odd.Row(1), nullptr);
}

TEST(Dib, ColourTableSizeFollowsTheBitCount)
{
    const int expected[][3] = {{1, 0, 2}, {4, 0, 16}, {8, 0, 256}, {16, 0, 0},
                               {24, 0, 0}, {32, 0, 0}, {8, 12, 12}, {16, 3, 3}};
    for (const auto& c : expected)
        EXPECT_EQ(CDib::ComputePaletteSize(c[0], c[1]), c[2]) << c[0] << " bits, " << c[1] << " used";
    EXPECT_EQ(CDib::RowBytes(3, 1), 4u);
    EXPECT_EQ(CDib::RowBytes(33, 1), 8u);
    EXPECT_EQ(CDib::RowBytes(5, 24), 16u);
    EXPECT_EQ(CDib(5, 3, 24).ImageSize(), 48u);
}

TEST(Dib, EmptyBitmapDrawsNothing)
{
    QImage page(20, 20, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter dc(&page);
    for (CDib dib : {CDib(), CDib(0, 512, 16), CDib(10, 0, 16), CDib(10, 10, 8)})
        EXPECT_FALSE(dib.Draw(dc, 0, 0, 20, 20));
    CDib emptied(4, 4, 16);
    emptied.Empty();
    EXPECT_FALSE(emptied.Draw(dc, 0, 0, 20, 20));
    EXPECT_EQ(emptied.Width(), 0);
    dc.end();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(page.pixel(x, y), qRgb(255, 255, 255));
}

TEST(Dib, TracesBecomeColumnsWithSampleZeroOnTop)
{
    CRadarPalette::Colours colours = CRadarPalette::GreyRamp();
    colours[0] = 0x0000FF;   // most negative: blue
    colours[63] = 0xFF0000;  // most positive: red
    colours[32] = 0x00FF00;  // zero: green
    // Three traces of 4 samples in a block of stride 6 (the last two samples not shown).
    const std::vector<std::int16_t> traces = {
        32767, 0, -32768, 1024, 9, 9,
        0, 0, 0, 0, 9, 9,
        -32768, 32767, 0, -1025, 9, 9};
    CDib strip(3, 4, 16);
    FillFromTraces(strip, traces.data(), 6, colours, 1);
    auto px = [&strip](int column, int row) {
        return reinterpret_cast<const std::uint16_t*>(strip.Image().constScanLine(row))[column];
    };
    EXPECT_EQ(px(0, 0), 0x7C00);
    EXPECT_EQ(px(0, 1), 0x03E0);
    EXPECT_EQ(px(0, 2), 0x001F);
    EXPECT_EQ(px(0, 3), ToRgb555(33 * 0x040404u));
    EXPECT_EQ(px(1, 3), 0x03E0);
    EXPECT_EQ(px(2, 0), 0x001F);
    EXPECT_EQ(px(2, 1), 0x7C00);
    EXPECT_EQ(px(2, 3), ToRgb555(30 * 0x040404u));
    // What Qt reads back is the colour at five bits per component.
    EXPECT_EQ(strip.Image().pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(strip.Image().pixel(2, 0), qRgb(0, 0, 255));

    CDib gainless(3, 4, 16);
    FillFromTraces(gainless, traces.data(), 6, colours, 0);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 3; ++column)
            ASSERT_EQ(gainless.Image().pixel(column, row), qRgb(0, 255, 0)) << column << "," << row;
}
