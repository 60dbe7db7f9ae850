// Rounding of filter results back to 16-bit samples: to the nearest integer with halves away
// from zero, then saturated to -32768..32767. Means are subtracted exactly (no floating-point
// tie errors). The loops are written so that the compiler can vectorise them: the block
// filters run on every redraw of the radargram.
#pragma once

#include <cmath>
#include <cstdint>

namespace SampleArithmetic {

// A finite value rounded and saturated to a sample.
inline std::int16_t RoundToSample(double y)
{
    double r = y + std::copysign(0.5, y);
    r = r < -32768.0 ? -32768.0 : r;
    r = r > 32767.0 ? 32767.0 : r;
    return static_cast<std::int16_t>(static_cast<std::int32_t>(r)); // truncation finishes the rounding
}

// Subtracting the mean m = sum / count from a sample x and rounding gives x - base, less one
// more when x <= tie (the mean lies exactly half-way and x - m is not positive). `tie` is
// below every sample when the mean is no half.
struct MeanOffset {
    std::int32_t base;
    std::int32_t tie;
};
MeanOffset OffsetOfMean(std::int64_t sum, std::int64_t count); // count > 0

// x[k] := round(x[k] - mean) for k < n.
void SubtractOffset(std::int16_t* x, int n, MeanOffset offset);
// x[k] := round(x[k] - mean[k]) for k < n, the means given as offsets.
void SubtractOffsets(std::int16_t* x, int n, const std::int32_t* base, const std::int32_t* tie);
// x[k] := round(x[k] - sums[k] / count) for k < n (0 < count < 2^16, |sums[k]| < 2^31).
void SubtractMeans(std::int16_t* x, int n, const std::int32_t* sums, int count);

// x[k] := round(x[k] * gain[k]) for k < n.
void MultiplyBy(std::int16_t* x, int n, const double* gain);

} // namespace SampleArithmetic
