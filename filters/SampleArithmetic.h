// Rounding of filter results back to 16-bit samples: to the nearest integer with halves away
// from zero, then saturated to -32768..32767. Means are subtracted exactly (no floating-point
// tie errors). These loops run over the whole visible block on every redraw of the
// radargram, so they are written for the compiler to vectorise, and built a second time for
// processors with wider vector units (chosen when the program loads).
#pragma once

#include <cmath>
#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define DELVORA_WIDE_VECTORS __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define DELVORA_WIDE_VECTORS
#endif

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

// Sum of n samples (n < 65536).
std::int32_t Sum(const std::int16_t* x, int n);
// sums[k] += x[k] and sums[k] -= x[k] for k < n.
void Accumulate(std::int32_t* sums, const std::int16_t* x, int n);
void Deduct(std::int32_t* sums, const std::int16_t* x, int n);

// The operations below write y[k] from x[k], k < n; y may be x itself.

// y[k] := round(x[k] - mean).
void SubtractOffset(std::int16_t* y, const std::int16_t* x, int n, MeanOffset offset);
// y[k] := round(x[k] - mean[k]), the means given as offsets.
void SubtractOffsets(std::int16_t* y, const std::int16_t* x, int n, const std::int32_t* base, const std::int32_t* tie);
// y[k] := round(x[k] - sums[k] / count) (0 < count <= 16000, |sums[k]| <= 32768 count).
void SubtractMeans(std::int16_t* y, const std::int16_t* x, int n, const std::int32_t* sums, int count);
// y[k] := round(x[k] * gain[k]), in single precision: a product within a few thousandths of
// a half may round either way.
void MultiplyBy(std::int16_t* y, const std::int16_t* x, int n, const float* gain);

// y[k] := h[0] c[k] + sum for j = 1..m of h[j] (c[k-j] + c[k+j]), k < n; c must be readable
// from c[-m] to c[n-1+m].
void ConvolveSymmetric(const float* c, int n, const float* h, int m, float* y);
// x[k] := the rounded, saturated y[k].
void StoreRounded(std::int16_t* x, const float* y, int n);

} // namespace SampleArithmetic
