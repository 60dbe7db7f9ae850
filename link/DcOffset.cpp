#include "link/DcOffset.h"

#include "model/ChannelData.h"
#include "model/STrace.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The sum of 64 samples.
std::int32_t BlockSum(const std::int16_t* in)
{
    std::int32_t sum = 0;
    int i = 0;
#if defined(__SSE2__)
    const __m128i ones = _mm_set1_epi16(1);
    __m128i sums = _mm_setzero_si128();
    for (; i < 64; i += 8)
        sums = _mm_add_epi32(sums, _mm_madd_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i)), ones));
    alignas(16) std::int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sums);
    sum = lanes[0] + lanes[1] + lanes[2] + lanes[3];
#endif
    for (; i < 64; ++i)
        sum += in[i];
    return sum;
}

}  // namespace

int DcOffset(const std::int16_t* in, int n)
{
    const int first = n / 2;
    const int end = n - 5;  // one past in[n - 6]
    if (first >= end)
        return 0;
    const float count = static_cast<float>(end - first);
    // Single precision, as the program has always summed it, so displays stay as operators
    // know them. While no partial sum can leave the integers a float holds exactly (the
    // magnitudes add up to at most 2^24), that sum is the integer sum, which is quicker.
    std::int32_t sum = 0;
    std::int32_t magnitude = 0;
    int i = first;
#if defined(__SSE2__)
    // Eight samples at a time: pairs multiplied by 1 and by their sign and added in 32 bits.
    // A lane adds pairs of at most 2^16 each: far inside 32 bits for any trace length.
    const __m128i ones = _mm_set1_epi16(1);
    __m128i sums = _mm_setzero_si128(), magnitudes = _mm_setzero_si128();
    for (; i + 8 <= end; i += 8) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i sign = _mm_or_si128(_mm_srai_epi16(x, 15), ones);
        sums = _mm_add_epi32(sums, _mm_madd_epi16(x, ones));
        magnitudes = _mm_add_epi32(magnitudes, _mm_madd_epi16(x, sign));
    }
    alignas(16) std::int32_t lanes[4], lanesAbs[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sums);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanesAbs), magnitudes);
    for (int l = 0; l < 4; ++l) {
        sum += lanes[l];
        magnitude += lanesAbs[l];
    }
#endif
    for (; i < end; ++i) {
        sum += in[i];
        magnitude += in[i] < 0 ? -in[i] : in[i];
    }
    if (magnitude <= (1 << 24))
        return static_cast<int>(static_cast<float>(sum) / count);
    // Otherwise the single-precision sum is still the integer one for as long as the partial
    // sums stay within 2^24; from the first that leaves that range on, it is added up in
    // single precision sample by sample.
    // Whole blocks while even their largest samples could not take the sum out of range,
    // then sample by sample.
    constexpr std::int32_t kExact = 1 << 24;
    constexpr int kBlock = 64;
    constexpr std::int32_t kBlockSafe = kExact - kBlock * 32768;
    std::int32_t exact = 0;
    i = first;
    for (; i + kBlock <= end && exact <= kBlockSafe && exact >= -kBlockSafe; i += kBlock)
        exact += BlockSum(in + i);
    for (; i < end; ++i) {
        const std::int32_t next = exact + in[i];
        if (next > kExact || next < -kExact)
            break;
        exact = next;
    }
    float floatSum = static_cast<float>(exact);
    for (; i < end; ++i)
        floatSum += static_cast<float>(in[i]);
    return static_cast<int>(floatSum / count);
}

void RemoveDcOffset(const std::int16_t* in, CSTrace& out, int samples, bool on)
{
    const int n = std::clamp(samples, 0, std::min(out.GetCount(), CSTrace::kMaxSamples));
    const int mean = on ? DcOffset(in, n) : 0;
    std::int16_t* o = out.Data();
    int i = 0;
#if defined(__SSE2__)
    // This runs for every trace the acquisition stores. The mean of samples is a sample value
    // itself, so the clamped difference is the saturating 16-bit one: eight at a time.
    const __m128i offset = _mm_set1_epi16(static_cast<short>(mean));
    for (; i + 8 <= n; i += 8) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + i), _mm_subs_epi16(x, offset));
    }
#endif
    for (; i < n; ++i)
        o[i] = static_cast<std::int16_t>(std::clamp(in[i] - mean, -32768, 32767));
    if (n < out.GetCount())
        std::memset(o + n, 0, static_cast<std::size_t>(out.GetCount() - n) * sizeof(std::int16_t));
}

void RemoveDcOffset(const std::int16_t* in, CSTrace& out, const CChannelData& channel, bool on)
{
    RemoveDcOffset(in, out, channel.GetSamples(), on);
}
