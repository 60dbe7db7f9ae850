#include "filters/SampleArithmetic.h"

#include <algorithm>

namespace SampleArithmetic {
namespace {

constexpr std::int32_t kNoTie = -65537; // below every sample

inline std::int16_t Saturate(std::int32_t v)
{
    v = v < -32768 ? -32768 : v;
    v = v > 32767 ? 32767 : v;
    return static_cast<std::int16_t>(v);
}

} // namespace

MeanOffset OffsetOfMean(std::int64_t sum, std::int64_t count)
{
    std::int64_t lower = sum / count;
    std::int64_t rem = sum % count;
    if (rem < 0) { // floor division
        --lower;
        rem += count;
    }
    // The mean of 16-bit samples stays near the sample range; keep the arithmetic in 32 bits
    // even for a sum that is not one.
    lower = std::clamp<std::int64_t>(lower, -70000, 70000);
    MeanOffset o{static_cast<std::int32_t>(lower), kNoTie};
    if (2 * rem > count)
        o.base += 1;
    else if (2 * rem == count)
        o.tie = static_cast<std::int32_t>(lower);
    return o;
}

void SubtractOffset(std::int16_t* x, int n, MeanOffset offset)
{
    const std::int32_t base = offset.base, tie = offset.tie;
    for (int k = 0; k < n; ++k) {
        const std::int32_t v = x[k];
        x[k] = Saturate(v - base - (v <= tie ? 1 : 0));
    }
}

void SubtractOffsets(std::int16_t* x, int n, const std::int32_t* base, const std::int32_t* tie)
{
    for (int k = 0; k < n; ++k) {
        const std::int32_t v = x[k];
        x[k] = Saturate(v - base[k] - (v <= tie[k] ? 1 : 0));
    }
}

void SubtractMeans(std::int16_t* x, int n, const std::int32_t* sums, int count)
{
    // round(x - s/c) = sign(p) * floor((2|p| + c) / 2c) with p = c*x - s. The quotient is
    // formed by a multiplication; its error (< 2^-36) is far below the smallest step 1/2c
    // of the exact quotient, so adding a quarter step makes the truncation exact.
    const double c = count;
    const double inv2c = 1.0 / (2.0 * c);
    const double nudge = 0.25 / c;
    for (int k = 0; k < n; ++k) {
        const double p = c * x[k] - sums[k];
        double q = (std::fabs(p) * 2.0 + c) * inv2c + nudge;
        q = q > 32768.0 ? 32768.0 : q;
        const std::int32_t magnitude = static_cast<std::int32_t>(q); // truncation is the floor here
        x[k] = Saturate(p < 0 ? -magnitude : magnitude);
    }
}

void MultiplyBy(std::int16_t* x, int n, const double* gain)
{
    for (int k = 0; k < n; ++k)
        x[k] = RoundToSample(x[k] * gain[k]);
}

} // namespace SampleArithmetic
