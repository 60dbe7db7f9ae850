// The radargram view's arithmetic: first trace, scroll steps, newest-trace column, marker
// brushes, columns to pixels, axis and status texts, pages and strips of a print.

#include "display/RadargramLayout.h"

#include <gtest/gtest.h>

#include <vector>

using namespace radargram;

TEST(RadargramLayout, GeometryOfImageAndSidePlot)
{
    EXPECT_EQ(ImageWidth(800, 0), 690);
    EXPECT_EQ(ImageHeight(600), 503);
    const Rect plot = TracePlotRect(800, 600, 150);
    EXPECT_EQ(plot.left, 645);
    EXPECT_EQ(plot.right, 740);
    EXPECT_EQ(plot.top, 77);
    EXPECT_EQ(plot.bottom, 553);
    EXPECT_EQ(TracePlotRect(800, 600, 0).Width(), 0) << "no side plot without the trace window";
}

TEST(RadargramLayout, FirstTraceFollowsTheSetAndTheMeasurement)
{
    struct Case {
        int first, count, cx, margin, expected;
    };
    const Case cases[] = {
        {0, 0, 800, 0, 0},          // nothing yet: left alone
        {40, 5, 800, 0, 0},         // a set narrower than the window starts at 0
        {2900, 3000, 710, 0, 2400}, // a window reaching past the newest trace ends at it
        {100, 3000, 710, 0, 100},   // scrolled back: stays
    };
    for (const Case& c : cases)
        EXPECT_EQ(FirstTraceOnSize(c.first, c.count, c.cx, c.margin), c.expected) << c.first << " " << c.count;
    EXPECT_EQ(FirstTraceMeasuring(1000, 600), 399);
    EXPECT_EQ(FirstTraceMeasuring(5, 600), 0);
    EXPECT_EQ(ClampFirstSample(300, 400, 503), 0);
    EXPECT_EQ(ClampFirstSample(300, 2048, 1000), 300);
    EXPECT_EQ(ClampFirstSample(1500, 2048, 1000), 1048);
}

TEST(RadargramLayout, ScrollStepsAndTheirEnds)
{
    const int w = 600, count = 3000;
    auto scroll = [&](int pos, ScrollAction a, int track = 0) {
        return ScrollTo(pos, ScrollStep(a, w, track, pos), count, w);
    };
    EXPECT_EQ(scroll(0, ScrollAction::PageDown), 300);
    EXPECT_EQ(scroll(0, ScrollAction::LineUp), 0);
    EXPECT_EQ(scroll(0, ScrollAction::LineDown), 10);
    EXPECT_EQ(scroll(2390, ScrollAction::PageDown), 2400) << "past the end shows the last page";
    EXPECT_EQ(scroll(0, ScrollAction::Track, 2400), 2400);
    EXPECT_EQ(ScrollTo(0, 300, 100, 600), 0) << "a set narrower than the window never scrolls below 0";
}

TEST(RadargramLayout, NewestTraceColumnByTriggerMode)
{
    EXPECT_EQ(NewestTraceColumn(200, 5, 0, 0), 4);
    EXPECT_EQ(NewestTraceColumn(255, 1000, 399, 0), 600) << "keeps the line once the window is full";
    EXPECT_EQ(NewestTraceColumn(3, 0, 10, 25), 14) << "wheel: distance less the first trace";
    EXPECT_LT(NewestTraceColumn(3, 0, 0, -4), 0) << "a wheel run backwards has no line";
}

TEST(RadargramLayout, MarkerBrushes)
{
    const std::vector<std::pair<int, int>> cases = {{0, -1}, {1, 0}, {9, 8}, {10, 9}, {11, -1}, {65535, -1}};
    for (auto [type, brush] : cases)
        EXPECT_EQ(MarkerBrush(type), brush) << "type " << type;
}

TEST(RadargramLayout, WriteColumnsMapsEachSampleOfTheRowsAsked)
{
    const int stride = 8, w = 40, rows = 3;
    std::vector<std::int16_t> block(static_cast<std::size_t>(stride) * w);
    for (int i = 0; i < w; ++i)
        for (int k = 0; k < stride; ++k)
            block[static_cast<std::size_t>(i * stride + k)] = static_cast<std::int16_t>(i * 100 + k);
    std::vector<std::uint32_t> table(65536);
    for (std::size_t v = 0; v < table.size(); ++v)
        table[v] = static_cast<std::uint32_t>(v) | 0xAB000000u;
    const int line = 48;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(line) * rows, 0);

    WriteColumns(block.data(), stride, 2, 5, w, rows, table.data(), pixels.data(), line);
    EXPECT_EQ(pixels[0], 0u) << "columns before c0 stay";
    EXPECT_EQ(pixels[5], 0xAB000000u | 502u) << "column 5, row 0 is sample firstSample + 0";
    EXPECT_EQ(pixels[2 * line + 39], 0xAB000000u | 3904u) << "column 39, row 2";
    EXPECT_EQ(pixels[40], 0u) << "nothing past the last column";
}

TEST(RadargramLayout, AxisTitles)
{
    struct Case {
        int trig;
        const char* units;
        const char* title;
    };
    const Case cases[] = {
        {128, "I", "Time [s]"},
        {200, "M", "Time [s]"},
        {255, "I", "Distance [inches] - Press Enter to record trace"},
        {255, "F", "Distance [ft] - Press Enter to record trace"},
        {255, "M", "Distance [m] - Press Enter to record trace"},
        {3, "I", "Distance [inches]"},
        {0, "F", "Distance [ft]"},
        {0, "X", "Distance [m]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HorizontalTitle(c.trig, c.units), c.title) << c.trig << c.units;
    EXPECT_EQ(VerticalTitle(true, "feet"), "Time [ns]");
    EXPECT_EQ(VerticalTitle(false, "feet"), "Depth [feet]");
}

TEST(RadargramLayout, StatusTexts)
{
    StatusInput in;
    in.trigType = 0;
    in.units = "F";
    in.unitName = "feet";
    in.traceSpacing = static_cast<float>(0.05 / 0.3048);
    in.firstTrace = 4;
    in.selColumn = 6;
    in.firstSample = 10;
    in.selRow = 30;
    in.timeZero = 30;
    in.verticalExtent = 0.1f;
    in.count = 77;
    StatusTexts t = FormatStatus(in);
    EXPECT_EQ(t.trace, "Trace: 10");
    EXPECT_EQ(t.sample, "Sample: 40");
    EXPECT_EQ(t.pos, "Pos:   1.64 ft");
    EXPECT_EQ(t.depth, "Depth:   1.00 ns");

    in.trigType = 255;
    in.timeScale = false;
    t = FormatStatus(in);
    EXPECT_EQ(t.trace, "Trace: 77") << "keyboard mode shows the count";
    EXPECT_EQ(t.pos.substr(t.pos.size() - 2), " s");
    EXPECT_EQ(t.depth, "Depth:   1.00 feet");
    in.trigType = 0;
    in.units = "I";
    EXPECT_EQ(FormatStatus(in).pos.substr(FormatStatus(in).pos.size() - 7), " inches");
}

TEST(RadargramLayout, PagesHoldEveryTrace)
{
    struct Case {
        int width, height, samples, count;
    };
    const Case cases[] = {{4960, 7016, 400, 3000}, {9583, 13699, 400, 3000}, {13699, 9583, 400, 250},
                          {9583, 13699, 2048, 1}, {9583, 13699, 401, 12345}};
    for (const Case& c : cases) {
        const PrintLayout l = PrintPages(c.width, c.height, c.samples, c.count);
        ASSERT_GT(l.tracesPerPage, 0);
        int printed = 0;
        for (int p = 1; p <= l.pages; ++p) {
            int first, n;
            PageTraces(l, c.count, p, first, n);
            EXPECT_EQ(first, printed) << "page " << p;
            printed += n;
        }
        EXPECT_EQ(printed, c.count) << c.width << "x" << c.height;
        int first, n;
        PageTraces(l, c.count, l.pages + 1, first, n);
        EXPECT_EQ(n, 0) << "nothing past the last page";
    }
    EXPECT_EQ(PrintPages(13699, 9583, 400, 250).pages, 1);
    EXPECT_EQ(PrintPages(4960, 7016, 0, 3000).pages, 0) << "no samples, nothing to print";
    EXPECT_EQ(PrintPages(4960, 7016, 400, 0).pages, 0);
}

TEST(RadargramLayout, StripsOfAHundredKeepTheOddRest)
{
    EXPECT_EQ(StripWidths(250), (std::vector<int>{100, 100, 50}));
    EXPECT_EQ(StripWidths(201), (std::vector<int>{100, 100, 1}));
    EXPECT_TRUE(StripWidths(0).empty());
}
