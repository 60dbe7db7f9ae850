// The arithmetic of each filter on small blocks with known results, and against plain
// reference computations written out here.
#include "TestFilters.h"

#include "filters/BackgroundRemoval.h"
#include "filters/BandPass.h"
#include "filters/DcRemoval.h"
#include "filters/FilterChain.h"
#include "filters/Gain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

using Block = std::vector<std::int16_t>;

Block Filtered(const FilterChain& list, const Block& in, const MeasureInfo& info)
{
    Block out(in.size(), 0x5A5A);
    EXPECT_TRUE(list.apply(in.data(), out.data(), info));
    return out;
}

Filter& Only(FilterChain& list, const char* kind)
{
    list.clear();
    Filter* f = list.add(kind);
    EXPECT_NE(f, nullptr) << kind;
    return *f;
}

std::int16_t RoundedMean(std::int64_t p, std::int64_t q) // round half away of p / q
{
    const std::int64_t magnitude = (2 * std::llabs(p) + q) / (2 * q);
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(p < 0 ? -magnitude : magnitude, -32768, 32767));
}

// Largest |value| over samples [from, to).
int Peak(const Block& x, int from, int to)
{
    int peak = 0;
    for (int k = from; k < to; ++k)
        peak = std::max(peak, std::abs(static_cast<int>(x[k])));
    return peak;
}

Block Sine(int n, double frequency, double sampling, double amplitude, double offset = 0)
{
    Block x(n);
    for (int k = 0; k < n; ++k)
        x[k] = static_cast<std::int16_t>(std::lround(offset + amplitude * std::sin(2 * std::numbers::pi * frequency * k / sampling)));
    return x;
}

} // namespace

TEST(DcRemoval, ConstantTraceBecomesZero)
{
    FilterChain list;
    Only(list, DcRemoval::kName);
    const Block out = Filtered(list, Block(2048, 100), BlockInfo(2048, 1));
    EXPECT_EQ(out, Block(2048, 0));
}

TEST(DcRemoval, HalfwayMeanRoundsAwayFromZero)
{
    FilterChain list;
    Filter& dc = Only(list, DcRemoval::kName);
    dc.setWhole(DcRemoval::kFrom, 0);
    dc.setWhole(DcRemoval::kTo, 1);
    EXPECT_EQ(Filtered(list, {-3, 4}, BlockInfo(2, 1)), (Block{-4, 4}));
}

TEST(DcRemoval, WindowIsPerTraceAndLimitedToValidSamples)
{
    FilterChain list;
    Filter& dc = Only(list, DcRemoval::kName);
    dc.setWhole(DcRemoval::kFrom, 1);
    dc.setWhole(DcRemoval::kTo, 2);
    // two traces of stride 5, 4 valid samples; the fifth sample is padding
    const Block in = {10, 20, 30, 40, 999, -5, 5, 7, 0, -999};
    EXPECT_EQ(Filtered(list, in, BlockInfo(5, 2, 4)), (Block{-15, -5, 5, 15, 999, -11, -1, 1, -6, -999}));

    dc.setWhole(DcRemoval::kFrom, 2000); // past the valid samples: the last one
    dc.setWhole(DcRemoval::kTo, 0);      // 0 = the last valid sample
    EXPECT_EQ(Filtered(list, in, BlockInfo(5, 2, 4)), (Block{-30, -20, -10, 0, 999, -5, 5, 7, 0, -999}));
}

TEST(DcRemoval, ReversedWindowIsTheSameWindow)
{
    FilterChain list;
    Filter& dc = Only(list, DcRemoval::kName);
    dc.setWhole(DcRemoval::kFrom, 2);
    dc.setWhole(DcRemoval::kTo, 1);
    EXPECT_EQ(Filtered(list, {10, 20, 30, 40}, BlockInfo(4, 1)), (Block{-15, -5, 5, 15}));
}

TEST(BackgroundRemoval, IdenticalTracesAndSingleTraceBecomeZero)
{
    FilterChain list;
    Only(list, BackgroundRemoval::kName);
    Block same;
    const Block trace = RandomSamples(300, 3);
    for (int t = 0; t < 12; ++t)
        same.insert(same.end(), trace.begin(), trace.end());
    EXPECT_EQ(Filtered(list, same, BlockInfo(300, 12)), Block(same.size(), 0));
    EXPECT_EQ(Filtered(list, trace, BlockInfo(300, 1)), Block(300, 0));
}

TEST(BackgroundRemoval, WholeBlockMeanTraceIsSubtracted)
{
    FilterChain list;
    Only(list, BackgroundRemoval::kName);
    // stride 3 with 2 valid samples: the mean trace is (2, 4); padding stays
    const Block in = {0, 0, 77, 2, 4, 77, 4, 8, 77};
    EXPECT_EQ(Filtered(list, in, BlockInfo(3, 3, 2)), (Block{-2, -4, 77, 0, 0, 77, 2, 4, 77}));
    // means of .5 round away from zero on both sides
    EXPECT_EQ(Filtered(list, {0, 1}, BlockInfo(1, 2)), (Block{-1, 1}));
}

TEST(BackgroundRemoval, RunningWindowMatchesDirectMeans)
{
    const int traces = 37, samples = 50, stride = 53;
    Block in = RandomSamples(static_cast<size_t>(traces) * stride, 5);
    for (int width : {1, 2, 3, 5, 11, 36, 72, 2001}) {
        FilterChain list;
        Only(list, BackgroundRemoval::kName).setWhole(BackgroundRemoval::kTraces, width);
        const Block out = Filtered(list, in, BlockInfo(stride, traces, samples));
        const int half = width / 2;
        for (int t = 0; t < traces; ++t) {
            const int lo = std::max(0, t - half), hi = std::min(traces - 1, t + half);
            for (int k = 0; k < stride; ++k) {
                const size_t at = static_cast<size_t>(t) * stride + k;
                if (k >= samples) {
                    ASSERT_EQ(out[at], in[at]) << "padding changed";
                    continue;
                }
                std::int64_t sum = 0;
                for (int u = lo; u <= hi; ++u)
                    sum += in[static_cast<size_t>(u) * stride + k];
                const std::int64_t n = hi - lo + 1;
                ASSERT_EQ(out[at], RoundedMean(n * in[at] - sum, n)) << "width " << width << " trace " << t << " sample " << k;
            }
        }
    }
}

TEST(Gain, ZeroSlopeLeavesTracesAlone)
{
    FilterChain list;
    Filter& gain = Only(list, Gain::kName);
    gain.setFloat(Gain::kStart, 3);
    const Block in = RandomSamples(400, 9);
    EXPECT_EQ(Filtered(list, in, BlockInfo(100, 4, 0, 1000)), in);
}

TEST(Gain, LinearGainGrowsWithTimeFromTheStart)
{
    FilterChain list;
    Filter& gain = Only(list, Gain::kName);
    gain.setFloat(Gain::kSlope, 1.0); // +1 per ns
    // 1000 MHz: one sample per ns, sample k at k ns
    const Block out = Filtered(list, Block(16, 100), BlockInfo(16, 1, 0, 1000));
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(out[k], 100 * (1 + k)) << "sample " << k;
    EXPECT_EQ(out[10], 1100); // 10 ns: x11

    gain.setFloat(Gain::kStart, 5.0);
    gain.setFloat(Gain::kMaxGain, 4.0);
    const Block late = Filtered(list, Block(16, 100), BlockInfo(16, 1, 0, 1000));
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(late[k], k <= 5 ? 100 : 100 * std::min(1 + (k - 5), 4)) << "sample " << k;
}

TEST(Gain, ResultsSaturate)
{
    FilterChain list;
    Only(list, Gain::kName).setFloat(Gain::kSlope, 1.0);
    const Block out = Filtered(list, {30000, 30000, -30000, -30000}, BlockInfo(2, 2, 0, 1000));
    EXPECT_EQ(out, (Block{30000, 32767, -30000, -32768}));
}

TEST(Gain, ExponentialGainInDecibelsPerNanosecond)
{
    FilterChain list;
    Filter& gain = Only(list, Gain::kName);
    gain.setChoice(Gain::kType, Gain::kExponential);
    gain.setFloat(Gain::kSlope, 20 * std::log10(2.0)); // doubles every ns
    gain.setFloat(Gain::kMaxGain, 64);
    // 500 MHz: two ns per sample, so x4 per sample
    const Block out = Filtered(list, Block(6, 10), BlockInfo(6, 1, 0, 500));
    EXPECT_EQ(out, (Block{10, 40, 160, 640, 640, 640}));
}

TEST(Gain, WithoutFrequencyTimeCountsInSamples)
{
    FilterChain list;
    Only(list, Gain::kName).setFloat(Gain::kSlope, 0.5);
    for (double unknown : {0.0, -5.0, std::nan(""), HUGE_VAL}) {
        const Block out = Filtered(list, Block(5, 10), BlockInfo(5, 1, 0, unknown));
        EXPECT_EQ(out, (Block{10, 15, 20, 25, 30})) << "frequency " << unknown;
    }
}

TEST(Gain, FrequencyNoUnitSamplesAtCountsInSamples)
{
    FilterChain list;
    Only(list, Gain::kName).setFloat(Gain::kSlope, 0.5);
    // 1 MHz is what a header without a sample interval says.
    for (double unreal : {1.0, 0.25, 1e-300}) {
        const Block out = Filtered(list, Block(5, 10), BlockInfo(5, 1, 0, unreal));
        EXPECT_EQ(out, (Block{10, 15, 20, 25, 30})) << "frequency " << unreal;
    }
}

TEST(BandPass, PassesTheBandAndStopsTheRest)
{
    FilterChain list;
    Filter& band = Only(list, BandPass::kName);
    band.setFloat(BandPass::kLow, 50);
    band.setFloat(BandPass::kHigh, 150);
    const int n = 2048, edge = 200;
    const MeasureInfo info = BlockInfo(n, 1, 0, 1000);

    const Block sine = Sine(n, 100, 1000, 10000);
    const Block inBand = Filtered(list, sine, info);
    EXPECT_NEAR(Peak(inBand, edge, n - edge), Peak(sine, edge, n - edge), 200);
    const Block above = Filtered(list, Sine(n, 400, 1000, 10000), info);
    EXPECT_LT(Peak(above, edge, n - edge), 50);
    const Block below = Filtered(list, Sine(n, 5, 1000, 10000), info);
    EXPECT_LT(Peak(below, edge, n - edge), 100);
    const Block dc = Filtered(list, Block(n, 5000), info);
    EXPECT_LT(Peak(dc, 0, n), 30) << "a constant trace is no signal, even at its ends";
}

TEST(BandPass, KeepsReflectionsInPlace)
{
    FilterChain list;
    Filter& band = Only(list, BandPass::kName);
    band.setFloat(BandPass::kLow, 50);
    band.setFloat(BandPass::kHigh, 150);
    const int n = 1024, centre = 500;
    Block pulse(n);
    for (int k = 0; k < n; ++k) {
        const double u = (k - centre) / 20.0;
        pulse[k] = static_cast<std::int16_t>(std::lround(8000 * std::exp(-u * u) * std::cos(2 * std::numbers::pi * 0.1 * (k - centre))));
    }
    const Block out = Filtered(list, pulse, BlockInfo(n, 1, 0, 1000));
    int peakAt = 0;
    for (int k = 0; k < n; ++k)
        if (std::abs(out[k]) > std::abs(out[peakAt]))
            peakAt = k;
    EXPECT_EQ(peakAt, centre);
    for (int j = 1; j < 300; ++j)
        ASSERT_LE(std::abs(out[centre + j] - out[centre - j]), 1) << "offset " << j;
}

TEST(BandPass, MatchesDirectConvolutionWithMirroredEnds)
{
    const struct {
        double low, high, fs;
        bool byTransform;
    } cases[] = {{20, 300, 2000, true}, {150, 350, 1000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.low << ".." << c.high << " at " << c.fs);
        const std::vector<float> h = BandPass::Design(c.low, c.high, c.fs);
        ASSERT_FALSE(h.empty());
        const int m = static_cast<int>(h.size()) - 1;
        ASSERT_EQ(2 * m + 1 >= BandPass::kFewestTapsByTransform, c.byTransform) << "taps " << 2 * m + 1;
        const int n = c.byTransform ? 100 : 37, stride = n + 10, traces = 3; // the first shorter than the filter
        FilterChain list;
        Filter& band = Only(list, BandPass::kName);
        band.setFloat(BandPass::kLow, c.low);
        band.setFloat(BandPass::kHigh, c.high);
        const Block in = RandomSamples(static_cast<size_t>(stride) * traces, 21);
        const Block out = Filtered(list, in, BlockInfo(stride, traces, n, c.fs));
        auto mirrored = [n](int i) {
            while (i < 0 || i >= n)
                i = i < 0 ? -i : 2 * (n - 1) - i;
            return i;
        };
        for (int t = 0; t < traces; ++t)
            for (int k = 0; k < stride; ++k) {
                const size_t at = static_cast<size_t>(t) * stride + k;
                if (k >= n) {
                    ASSERT_EQ(out[at], in[at]);
                    continue;
                }
                double y = 0;
                for (int j = -m; j <= m; ++j)
                    y += h[static_cast<size_t>(std::abs(j))] * in[static_cast<size_t>(t) * stride + mirrored(k + j)];
                const double expected = std::clamp(std::round(y), -32768.0, 32767.0);
                ASSERT_LE(std::abs(out[at] - expected), 1) << "trace " << t << " sample " << k;
            }
    }
}

TEST(BandPass, LowPassKeepsTheLevelAndHighPassRemovesIt)
{
    const int n = 1024;
    FilterChain list;
    Filter& band = Only(list, BandPass::kName);
    band.setFloat(BandPass::kLow, 0);
    band.setFloat(BandPass::kHigh, 100);
    const Block level = Filtered(list, Block(n, 10000), BlockInfo(n, 1, 0, 1000));
    EXPECT_NEAR(level[n / 2], 10000, 50);
    band.setFloat(BandPass::kLow, 100);
    band.setFloat(BandPass::kHigh, 900); // beyond half the sampling frequency: a high-pass
    const Block high = Filtered(list, Sine(n, 300, 1000, 10000, 5000), BlockInfo(n, 1, 0, 1000));
    EXPECT_NEAR(Peak(high, 200, n - 200), Peak(Sine(n, 300, 1000, 10000), 200, n - 200), 200);
    int sum = 0; // ten samples are three whole periods: what is left is the level
    for (int k = 300; k < 310; ++k)
        sum += high[k];
    EXPECT_NEAR(sum / 10.0, 0, 50);
}

TEST(BandPass, WithoutUsableBandTracesPassUnchanged)
{
    const Block in = RandomSamples(512, 4);
    const struct {
        double low, high, fs;
    } cases[] = {{50, 150, 0}, {50, 150, -1}, {150, 50, 1000}, {100, 100, 1000}, {600, 900, 1000}, {0, 500, 1000}};
    for (const auto& c : cases) {
        FilterChain list;
        Filter& band = Only(list, BandPass::kName);
        band.setFloat(BandPass::kLow, c.low);
        band.setFloat(BandPass::kHigh, c.high);
        EXPECT_EQ(Filtered(list, in, BlockInfo(256, 2, 0, c.fs)), in) << c.low << ".." << c.high << " at " << c.fs;
    }
}

TEST(BandPass, NeverMoreThan255Taps)
{
    EXPECT_EQ(BandPass::Design(0.01, 0.02, 100000).size(), 128u);
    const auto wide = BandPass::Design(100, 400, 1000);
    EXPECT_GE(wide.size(), 2u);
    EXPECT_LT(wide.size(), 128u);
}

TEST(FilterChain, FiltersRunInListOrderAndDisabledOnesAreSkipped)
{
    RegisterTestFilters();
    FilterChain list;
    list.add(kTestFilter)->setWhole(1, 100);
    list.add(DcRemoval::kName);
    EXPECT_EQ(Filtered(list, {1, 2, 3}, BlockInfo(3, 1)), (Block{-1, 0, 1}));
    ASSERT_TRUE(list.move(1, 0));
    EXPECT_EQ(Filtered(list, {1, 2, 3}, BlockInfo(3, 1)), (Block{99, 100, 101}));
    list.at(1)->setEnabled(false);
    EXPECT_EQ(Filtered(list, {1, 2, 3}, BlockInfo(3, 1)), (Block{-1, 0, 1}));
}
