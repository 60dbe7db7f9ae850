#include "filters/SampleArithmetic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

using namespace SampleArithmetic;

namespace {

// Round half away from zero of p / q (q > 0), with integers only.
std::int64_t RoundDivide(std::int64_t p, std::int64_t q)
{
    const std::int64_t magnitude = (2 * std::llabs(p) + q) / (2 * q);
    return p < 0 ? -magnitude : magnitude;
}

std::int16_t Saturated(std::int64_t v)
{
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(v, -32768, 32767));
}

} // namespace

TEST(SampleArithmetic, RoundsHalvesAwayFromZeroAndSaturates)
{
    const struct {
        double in;
        int out;
    } cases[] = {{0.5, 1},       {-0.5, -1},        {1.49, 1},           {-1.49, -1},   {2.5, 3},
                 {-2.5, -3},     {0.0, 0},          {32767.4, 32767},    {32767.5, 32767}, {-32768.4, -32768},
                 {-32768.5, -32768}, {1e9, 32767},  {-1e9, -32768},      {-0.49, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(RoundToSample(c.in), c.out) << "value " << c.in;
}

TEST(SampleArithmetic, SubtractedMeanIsRoundedExactlyIncludingTies)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> sample(-32768, 32767), count(1, 2048);
    for (int round = 0; round < 2000; ++round) {
        const std::int64_t n = count(random);
        std::int64_t sum = 0;
        for (int i = 0; i < n; ++i)
            sum += sample(random);
        if (round % 3 == 0 && n % 2 == 0)
            sum = (sum / n) * n + n / 2; // a mean exactly half-way between two integers
        std::vector<std::int16_t> x = {-32768, -32767, -1, 0, 1, 32766, 32767};
        for (int i = 0; i < 25; ++i)
            x.push_back(static_cast<std::int16_t>(sample(random)));
        // samples right at the mean, where the tie decides
        x.push_back(Saturated(sum / n));
        x.push_back(Saturated(sum / n + 1));
        const std::vector<std::int16_t> in = x;
        SubtractOffset(x.data(), x.data(), static_cast<int>(x.size()), OffsetOfMean(sum, n));
        for (size_t k = 0; k < x.size(); ++k)
            ASSERT_EQ(x[k], Saturated(RoundDivide(n * in[k] - sum, n)))
                << "sample " << in[k] << " sum " << sum << " count " << n;
    }
}

TEST(SampleArithmetic, SubtractedRowMeansAreRoundedExactlyIncludingTies)
{
    std::mt19937 random(11);
    std::uniform_int_distribution<int> sample(-32768, 32767), count(1, 2001);
    for (int round = 0; round < 300; ++round) {
        const int n = count(random);
        const int length = 64;
        std::vector<std::int16_t> x(length);
        std::vector<std::int32_t> sums(length);
        for (int k = 0; k < length; ++k) {
            x[k] = static_cast<std::int16_t>(sample(random));
            std::int64_t s = 0;
            for (int i = 0; i < std::min(n, 8); ++i)
                s += sample(random);
            s = s * n / std::min(n, 8); // a sum of n samples, roughly
            if (k % 4 == 0)
                s = static_cast<std::int64_t>(n) * x[k] - (n % 2 == 0 ? n / 2 : 0); // tie, or the sample itself
            if (k % 4 == 1)
                s = static_cast<std::int64_t>(n) * x[k] + (n % 2 == 0 ? n / 2 : 0);
            sums[k] = static_cast<std::int32_t>(std::clamp<std::int64_t>(s, -32768LL * n, 32767LL * n));
        }
        const std::vector<std::int16_t> in = x;
        SubtractMeans(x.data(), in.data(), length, sums.data(), n);
        for (int k = 0; k < length; ++k)
            ASSERT_EQ(x[k], Saturated(RoundDivide(static_cast<std::int64_t>(n) * in[k] - sums[k], n)))
                << "sample " << in[k] << " sum " << sums[k] << " count " << n;
    }
}

TEST(SampleArithmetic, GainProductsRoundAndSaturate)
{
    std::vector<std::int16_t> x = {3, -3, 30000, -30000, 7, 1, 100};
    const std::vector<float> gain = {1.5f, 1.5f, 2.0f, 2.0f, 0.0f, 0.5f, 0.994f};
    MultiplyBy(x.data(), x.data(), static_cast<int>(x.size()), gain.data());
    EXPECT_EQ(x, (std::vector<std::int16_t>{5, -5, 32767, -32768, 0, 1, 99}));
}
