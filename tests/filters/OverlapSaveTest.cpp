// Fast convolution against the plain sum over every tap, in double precision, with the trace
// mirrored at its ends: trace lengths that do and do not fill whole blocks and vectors, group
// sizes below, at and beyond sixteen traces, filters longer than the trace, samples that
// saturate.
#include "TestFilters.h"

#include "filters/OverlapSave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

std::vector<float> LowPass(int m, double cutoff) // a windowed sinc, cut-off in cycles per sample
{
    std::vector<float> h(static_cast<size_t>(m) + 1);
    for (int j = 0; j <= m; ++j) {
        const double ideal = j == 0 ? 2 * cutoff : std::sin(2 * std::numbers::pi * cutoff * j) / (std::numbers::pi * j);
        h[static_cast<size_t>(j)] = static_cast<float>(ideal * (0.54 + 0.46 * std::cos(std::numbers::pi * j / m)));
    }
    return h;
}

} // namespace

TEST(OverlapSave, MatchesTheSumOverEveryTap)
{
    const struct {
        int n, m, traces;
        double gain; // > 1 drives outputs into saturation
    } cases[] = {
        {2048, 118, 16, 1}, {2048, 118, 21, 1}, {1000, 40, 5, 1}, {37, 16, 3, 1},
        {100, 127, 17, 1},  {1, 20, 2, 1},      {513, 90, 9, 3},  {8, 30, 16, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "n " << c.n << " m " << c.m << " traces " << c.traces);
        std::vector<float> h = LowPass(c.m, 0.1);
        for (float& tap : h)
            tap *= static_cast<float>(c.gain);
        const std::vector<std::int16_t> in = RandomSamples(static_cast<size_t>(c.n) * c.traces, 7 + c.n);
        std::vector<std::int16_t> out(in.size(), 0x5A5A);
        OverlapSave convolver(h.data(), c.m, c.n);
        for (int first = 0; first < c.traces; first += OverlapSave::kTraces) {
            const int count = std::min(OverlapSave::kTraces, c.traces - first);
            const std::int16_t* traces[OverlapSave::kTraces];
            std::int16_t* outs[OverlapSave::kTraces];
            for (int l = 0; l < count; ++l) {
                traces[l] = in.data() + static_cast<size_t>(first + l) * c.n;
                outs[l] = out.data() + static_cast<size_t>(first + l) * c.n;
            }
            convolver.Filter(traces, outs, count);
        }
        int saturated = 0;
        for (int t = 0; t < c.traces; ++t)
            for (int k = 0; k < c.n; ++k) {
                const std::int16_t* x = in.data() + static_cast<size_t>(t) * c.n;
                double y = 0;
                for (int j = -c.m; j <= c.m; ++j)
                    y += h[static_cast<size_t>(std::abs(j))] * x[OverlapSave::MirroredIndex(k + j, c.n)];
                const double expected = std::clamp(std::round(y), -32768.0, 32767.0);
                saturated += std::abs(expected) >= 32767;
                ASSERT_LE(std::abs(out[static_cast<size_t>(t) * c.n + k] - expected), 1)
                    << "trace " << t << " sample " << k;
            }
        if (c.gain > 1) {
            EXPECT_GT(saturated, 0) << "the case meant to saturate does not";
        }
    }
}

TEST(OverlapSave, MirroredIndexReflectsWithoutRepeatingTheEdge)
{
    const struct {
        int i, n, expected;
    } cases[] = {{-1, 5, 1}, {-4, 5, 4}, {-5, 5, 3}, {5, 5, 3}, {8, 5, 0}, {9, 5, 1}, {7, 1, 0}, {-3, 2, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(OverlapSave::MirroredIndex(c.i, c.n), c.expected) << c.i << " of " << c.n;
}
