// Tick placement and labels of the radargram axes, computed without drawing.
#include "display/AxisScale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

std::vector<std::int32_t> Range(int first, int last, int step)
{
    std::vector<std::int32_t> v;
    for (int x = first; x <= last; x += step)
        v.push_back(x);
    return v;
}

void ExpectValues(const std::vector<float>& actual, float first, float step, std::size_t count)
{
    ASSERT_EQ(actual.size(), count);
    for (std::size_t i = 0; i < count; ++i)
        EXPECT_NEAR(actual[i], first + step * static_cast<float>(i), 1e-4) << "label " << i;
}

// The radargram of a 800 x 650 window: image (50, 50, 740, 553), data from trace 0 sample 0.
CAxisScale Axes(AxisScalePair scale, std::int32_t zero, bool time = true)
{
    CAxisScale a;
    a.Setup({50, 50, 740, 553}, {0, 0, 690, 503}, scale, zero);
    a.SetTimeAxis(time);
    a.ComputeTicks();
    return a;
}

} // namespace

struct StepCase {
    float scale;
    float step;
    float spacing;
    const char* format;
    float increment;
};

class AxisStep : public ::testing::TestWithParam<StepCase> {};

TEST_P(AxisStep, MinorTicksLieSixToThirtyPixelsApartInPowersOfFive)
{
    const StepCase& c = GetParam();
    float step = 0, spacing = 0;
    ASSERT_TRUE(AxisTickStep(c.scale, step, spacing));
    EXPECT_FLOAT_EQ(step, c.step);
    EXPECT_NEAR(spacing, c.spacing, 1e-3);
    EXPECT_EQ(AxisLabelFormat(5 * step), c.format);
    EXPECT_FLOAT_EQ(AxisLabelIncrement(c.scale * spacing), c.increment);
}

INSTANTIATE_TEST_SUITE_P(
    Scales, AxisStep,
    ::testing::Values(StepCase{0.01f, 0.2f, 20.0f, "%4.1f", 0.2f},   // 1 cm per trace
                      StepCase{0.1f, 1.0f, 10.0f, "%4.1f", 1.0f},    // 0.1 ns per sample
                      StepCase{2.0f, 25.0f, 12.5f, "%3.0f", 25.0f},
                      StepCase{0.05f / 0.3048f, 1.0f, 6.096f, "%4.1f", 1.0f},
                      StepCase{0.0016f, 0.04f, 25.0f, "%4.1f", 0.04f},  // hundredths, not 0
                      StepCase{0.0001f, 0.0016f, 16.0f, "%6.3f", 0.0016f},
                      StepCase{0.00001f, 0.000064f, 6.4f, "%6.3f", 0.000064f}));

TEST(AxisTicks, CentimetreTracesAndTenthNanosecondSamples)
{
    const CAxisScale a = Axes({0.01f, 0.1f}, 0);
    EXPECT_EQ(a.xTicks, Range(50, 730, 20));
    ExpectValues(a.xValues, 0.0f, 1.0f, 7);
    EXPECT_EQ(a.xFormat, "%4.1f");
    EXPECT_EQ(a.yTicks, Range(50, 550, 10));
    ExpectValues(a.yValues, 0.0f, 5.0f, 11);
    EXPECT_EQ(a.yFormat, "%4.1f");
    EXPECT_EQ(a.xTickCount, 36);
    EXPECT_EQ(a.yTickCount, 52);
}

TEST(AxisTicks, TraceWindowWidthIsKeptFreeOfTicks)
{
    CAxisScale a;
    a.Setup({50, 50, 740, 553}, {0, 0, 690, 503}, {0.01f, 0.1f}, 0);
    a.SetMargin(150);
    a.ComputeTicks();
    EXPECT_EQ(a.xTicks, Range(50, 570, 20));
}

TEST(AxisTicks, LabelsStartAtTheFirstTraceAndSampleShown)
{
    CAxisScale a;
    a.Setup({50, 50, 740, 553}, {1000, 40, 1690, 543}, {0.01f, 0.1f}, 0);
    a.ComputeTicks();
    ExpectValues(a.xValues, 10.0f, 1.0f, 7);
    ExpectValues(a.yValues, 4.0f, 5.0f, 11);
}

TEST(AxisTicks, SmallVerticalStepsStillGiveDistinctLabels)
{
    const CAxisScale a = Axes({0.0016f, 0.0016f}, 0);
    ExpectValues(a.xValues, 0.0f, 0.2f, 6);
    ExpectValues(a.yValues, 0.0f, 0.2f, 5);
}

TEST(AxisTicks, TimeAxisStartsAtTheTimeZeroRow)
{
    const CAxisScale a = Axes({0.01f, 0.1f}, 30);
    EXPECT_EQ(a.yTicks, Range(80, 550, 10));
    EXPECT_FLOAT_EQ(a.yValues.front(), 0.0f);
}

TEST(AxisTicks, DepthAxisCountsFromTheTimeZeroRowAndStaysInsideTheImage)
{
    const CAxisScale a = Axes({0.01f, 0.1f}, 30, false);
    EXPECT_EQ(a.yTicks, Range(110, 550, 10));
    // (row - top + first sample - time zero) x scale.
    ExpectValues(a.yValues, (110 - 50 - 30) * 0.1f, 5.0f, 9);
}

TEST(AxisTicks, TimeZeroAboveTheImageStartsAtTheFirstMajorTickInside)
{
    const CAxisScale a = Axes({0.01f, 0.1f}, -30);
    ASSERT_FALSE(a.yTicks.empty());
    EXPECT_EQ(a.yTicks.front(), 70);
    EXPECT_NEAR(a.yValues.front(), (70 - 50 + 30) * 0.1f, 1e-4);
}

TEST(AxisTicks, ScalesThatCannotBeDrawnGiveNoTicksAndKeepTheFormats)
{
    const float bad[] = {0.0f, std::numeric_limits<float>::quiet_NaN(), -0.01f,
                         std::numeric_limits<float>::infinity(), 1e-45f, 2e9f};
    for (float s : bad) {
        for (const AxisScalePair pair : {AxisScalePair{s, 0.1f}, AxisScalePair{0.01f, s}}) {
            CAxisScale a;
            a.xFormat = "old x";
            a.yFormat = "old y";
            a.Setup({50, 50, 740, 553}, {0, 0, 690, 503}, pair, 0);
            a.ComputeTicks();
            EXPECT_TRUE(a.xTicks.empty() && a.yTicks.empty() && a.xValues.empty() && a.yValues.empty()) << s;
            EXPECT_EQ(a.xFormat, "old x") << s;
            EXPECT_EQ(a.yFormat, "old y") << s;
        }
    }
}

TEST(AxisTicks, RecomputingReplacesTheFormerTicks)
{
    CAxisScale a = Axes({0.01f, 0.1f}, 0);
    a.Setup({50, 50, 740, 553}, {0, 0, 690, 503}, {2.0f, 0.1f}, 0);
    a.ComputeTicks();
    EXPECT_EQ(a.xFormat, "%3.0f");
    EXPECT_EQ(a.xTicks.size(), 56u);  // 12.5 pixels apart over 690
    ExpectValues(a.xValues, 0.0f, 125.0f, 12);
}

struct LabelCase {
    const char* format;
    float value;
    const char* text;
};

TEST(AxisTicks, LabelsAreWrittenWithAPoint)
{
    const LabelCase cases[] = {{"%4.1f", 0.0f, " 0.0"},   {"%4.1f", 12.5f, "12.5"},
                               {"%3.0f", 125.0f, "125"},  {"%5.2f", 0.04f, " 0.04"},
                               {"%6.3f", 0.008f, " 0.008"}, {"%4.1f", -1.5f, "-1.5"}};
    for (const LabelCase& c : cases)
        EXPECT_EQ(FormatAxisLabel(c.format, c.value).toStdString(), c.text) << c.format << " " << c.value;
}

TEST(AxisTicks, RoundingToTenthsAndHundredths)
{
    EXPECT_FLOAT_EQ(Tenths(0.04f), 0.0f);
    EXPECT_FLOAT_EQ(Tenths(0.05f), 0.1f);
    EXPECT_FLOAT_EQ(Tenths(1.26f), 1.3f);
    EXPECT_FLOAT_EQ(Hundredths(0.04f), 0.04f);
    EXPECT_FLOAT_EQ(Hundredths(0.0016f), 0.0f);
}
