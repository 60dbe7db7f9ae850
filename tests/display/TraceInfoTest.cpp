// The trace information: statistics between two cursors, their texts, and the full-scale
// edit, computed on known traces.
#include "display/TraceInfoBar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

const TraceInfoContext kMetres100MHz{100.0f, 100.0f, 1.0};

std::vector<std::int16_t> Trace(std::initializer_list<std::pair<int, std::int16_t>> set)
{
    std::vector<std::int16_t> t(2048, 0);
    for (auto [i, v] : set)
        t[static_cast<std::size_t>(i)] = v;
    return t;
}

QStringList Values(const std::vector<std::int16_t>& t, int c1, int c2, TraceInfoContext context = kMetres100MHz)
{
    return TraceInfoValues(ComputeTraceStatistics(t.data(), static_cast<int>(t.size()), c1, c2, context));
}

} // namespace

TEST(TraceInfo, TimesDistanceAndCursorsBetweenSamplesThirtyAndFifty)
{
    const QStringList v = Values(Trace({}), 30, 50);
    ASSERT_EQ(v.size(), 12);
    EXPECT_EQ(v[0], "300.00 ns");
    EXPECT_EQ(v[1], "500.00 ns");
    EXPECT_EQ(v[2], "200.00 ns");
    EXPECT_EQ(v[3], "5.0 MHz");
    EXPECT_EQ(v[9], "10.00");
    EXPECT_EQ(v[10], "30");
    EXPECT_EQ(v[11], "50");
    EXPECT_EQ(TraceInfoLabels(), (QStringList{"t1", "t2", "delta-t", "1/delta-t", "VppMax", "V1", "V2", "DC level",
                                              "AvWc 95%", "Raw distance", "Sample#1", "Sample#2"}));
}

TEST(TraceInfo, DistanceIsInTheDistanceUnit)
{
    const QStringList v = Values(Trace({}), 30, 50, {100.0f, 100.0f, 0.3048});
    EXPECT_EQ(v[9], "32.81");
}

TEST(TraceInfo, SameCursorGivesNoRateAndTheSampleItself)
{
    const QStringList v = Values(Trace({{40, -7}}), 40, 40);
    EXPECT_EQ(v[2], "0.00 ns");
    EXPECT_EQ(v[3], "NaN");
    EXPECT_EQ(v[4], "0");
    EXPECT_EQ(v[5], "-7");
    EXPECT_EQ(v[6], "-7");
    EXPECT_EQ(v[7], "-7.0");
    EXPECT_EQ(v[8], "7");
}

TEST(TraceInfo, PeakToPeakDcLevelAndTheNinetyFivePercentAmplitude)
{
    const QStringList two = Values(Trace({{10, -3}, {11, 4}}), 10, 11);
    EXPECT_EQ(two[4], "7");
    EXPECT_EQ(two[7], "0.5");
    EXPECT_EQ(two[8], "4");

    std::vector<std::int16_t> t(2048, 10);
    t[119] = 1000;
    const TraceStatistics s = ComputeTraceStatistics(t.data(), 2048, 100, 119, kMetres100MHz);
    EXPECT_EQ(s.avWc95, 10);
    EXPECT_EQ(s.vppMax, 990);
    EXPECT_EQ(s.v2, 1000);

    const std::vector<std::int16_t> low(2048, -32768);
    const TraceStatistics floor = ComputeTraceStatistics(low.data(), 2048, 0, 2047, kMetres100MHz);
    EXPECT_EQ(floor.avWc95, 32768);
    EXPECT_EQ(floor.vppMax, 0);
    EXPECT_FLOAT_EQ(floor.dcLevel, -32768.0f);
}

TEST(TraceInfo, CursorsAreHeldToTheTraceAndPutInOrder)
{
    const auto t = Trace({{0, 5}, {2047, -5}});
    const TraceStatistics reversed = ComputeTraceStatistics(t.data(), 2048, 50, 30, kMetres100MHz);
    EXPECT_EQ(reversed.cursor1, 30);
    EXPECT_EQ(reversed.cursor2, 50);
    EXPECT_FLOAT_EQ(reversed.deltaT, 200.0f);
    const TraceStatistics outside = ComputeTraceStatistics(t.data(), 2048, -4, 70000, kMetres100MHz);
    EXPECT_EQ(outside.cursor1, 0);
    EXPECT_EQ(outside.cursor2, 2047);
    EXPECT_EQ(outside.v1, 5);
    EXPECT_EQ(outside.v2, -5);
    EXPECT_EQ(outside.vppMax, 10);
}

TEST(TraceInfo, FrequencyNoUnitCanHaveGivesNoTimes)
{
    for (float f : {0.0f, -100.0f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
                    1e-45f}) {
        const QStringList v = Values(Trace({{31, 9}}), 30, 50, {f, 100.0f, 1.0});
        EXPECT_EQ(v[0], "0.00 ns") << f;
        EXPECT_EQ(v[1], "0.00 ns") << f;
        EXPECT_EQ(v[3], "NaN") << f;
        EXPECT_EQ(v[9], "0.00") << f;
        EXPECT_EQ(v[4], "9") << "amplitudes need no frequency";
    }
}

TEST(TraceInfo, FullScaleEditReadsAsAtoiWithoutSign)
{
    const std::pair<const char*, int> cases[] = {{"-500", 500}, {"abc", 0},   {"", 0},          {" -12", 12},
                                                 {"+7", 7},     {"12abc", 12}, {"40000", 40000}, {"70000", 65535},
                                                 {"99999999999999", 65535}, {"-", 0}, {"\t 32000", 32000}};
    for (auto [text, value] : cases)
        EXPECT_EQ(ParseMaxAmplitude(text), value) << '"' << text << '"';
}
