#include "filters/SampleArithmetic.h"

#include <algorithm>
#include <cstring>

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

DELVORA_WIDE_VECTORS
std::int32_t Sum(const std::int16_t* x, int n)
{
    std::int32_t sum = 0;
    for (int k = 0; k < n; ++k)
        sum += x[k];
    return sum;
}

DELVORA_WIDE_VECTORS
void Accumulate(std::int32_t* __restrict sums, const std::int16_t* __restrict x, int n)
{
    for (int k = 0; k < n; ++k)
        sums[k] += x[k];
}

DELVORA_WIDE_VECTORS
void Deduct(std::int32_t* __restrict sums, const std::int16_t* __restrict x, int n)
{
    for (int k = 0; k < n; ++k)
        sums[k] -= x[k];
}

DELVORA_WIDE_VECTORS
void SubtractOffset(std::int16_t* y, const std::int16_t* x, int n, MeanOffset offset)
{
    const std::int32_t base = offset.base, tie = offset.tie;
    for (int k = 0; k < n; ++k) {
        const std::int32_t v = x[k];
        y[k] = Saturate(v - base - (v <= tie ? 1 : 0));
    }
}

DELVORA_WIDE_VECTORS
void SubtractOffsets(std::int16_t* y, const std::int16_t* x, int n, const std::int32_t* base, const std::int32_t* tie)
{
    for (int k = 0; k < n; ++k) {
        const std::int32_t v = x[k];
        y[k] = Saturate(v - base[k] - (v <= tie[k] ? 1 : 0));
    }
}

DELVORA_WIDE_VECTORS
void SubtractMeans(std::int16_t* y, const std::int16_t* x, int n, const std::int32_t* sums, int count)
{
    // round(x - s/c) = sign(p) * floor((2|p| + c) / 2c) with p = c*x - s; for c <= 16000 every
    // term fits in 32 bits. The quotient is estimated in single precision, which is off by
    // less than one, and then corrected with integers, so the result is exact.
    const std::int32_t c = count, twoC = 2 * count;
    const float inv = 1.0f / static_cast<float>(twoC);
    for (int k = 0; k < n; ++k) {
        const std::int32_t p = c * x[k] - sums[k];
        const std::int32_t a = (p < 0 ? -p : p) * 2 + c;
        std::int32_t q = static_cast<std::int32_t>(static_cast<float>(a) * inv);
        const std::int32_t r = a - q * twoC;
        q += (r >= twoC ? 1 : 0) - (r < 0 ? 1 : 0);
        q = q > 32768 ? 32768 : q;
        y[k] = Saturate(p < 0 ? -q : q);
    }
}

DELVORA_WIDE_VECTORS
void MultiplyBy(std::int16_t* y, const std::int16_t* x, int n, const float* gain)
{
    for (int k = 0; k < n; ++k) {
        float v = static_cast<float>(x[k]) * gain[k];
        v += v < 0 ? -0.5f : 0.5f;
        v = v < -32768.0f ? -32768.0f : v;
        v = v > 32767.0f ? 32767.0f : v;
        y[k] = static_cast<std::int16_t>(static_cast<std::int32_t>(v));
    }
}

DELVORA_WIDE_VECTORS
void ConvolveSymmetric(const float* __restrict c, int n, const float* __restrict h, int m, float* __restrict y)
{
    // Blocks of outputs kept in registers over all taps: two loads per tap and output vector,
    // no stores until the block is done, and enough independent sums to keep the
    // multiply-add units busy.
    using Vec = float __attribute__((vector_size(32)));
    constexpr int kLanes = 8, kVectors = 8, kBlock = kVectors * kLanes;
    int k = 0;
    for (; k + kBlock <= n; k += kBlock) {
        Vec acc[kVectors];
        const Vec h0 = Vec{} + h[0];
        for (int v = 0; v < kVectors; ++v) {
            Vec centre;
            std::memcpy(&centre, c + k + v * kLanes, sizeof centre);
            acc[v] = h0 * centre;
        }
        for (int j = 1; j <= m; ++j) {
            const Vec hj = Vec{} + h[j];
            for (int v = 0; v < kVectors; ++v) {
                Vec lo, hi;
                std::memcpy(&lo, c + k + v * kLanes - j, sizeof lo);
                std::memcpy(&hi, c + k + v * kLanes + j, sizeof hi);
                acc[v] += hj * (lo + hi);
            }
        }
        std::memcpy(y + k, acc, sizeof acc);
    }
    for (; k < n; ++k) {
        float acc = h[0] * c[k];
        for (int j = 1; j <= m; ++j)
            acc += h[j] * (c[k - j] + c[k + j]);
        y[k] = acc;
    }
}

DELVORA_WIDE_VECTORS
void StoreRounded(std::int16_t* __restrict x, const float* __restrict y, int n)
{
    for (int k = 0; k < n; ++k) {
        float v = y[k];
        v += v < 0 ? -0.5f : 0.5f;
        v = v < -32768.0f ? -32768.0f : v;
        v = v > 32767.0f ? 32767.0f : v;
        x[k] = static_cast<std::int16_t>(static_cast<std::int32_t>(v));
    }
}

} // namespace SampleArithmetic
