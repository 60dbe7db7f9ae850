#include "link/DcOffset.h"

#include "model/ChannelData.h"
#include "model/STrace.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    // Eight independent lanes keep the adds from waiting on one another.
    constexpr int kLanes = 8;
    std::int32_t sums[kLanes] = {};
    std::int32_t magnitudes[kLanes] = {};
    int i = first;
    for (; i + kLanes <= end; i += kLanes) {
        for (int l = 0; l < kLanes; ++l) {
            const std::int32_t v = in[i + l];
            sums[l] += v;
            magnitudes[l] += v < 0 ? -v : v;
        }
    }
    std::int32_t sum = 0;
    std::int32_t magnitude = 0;
    for (int l = 0; l < kLanes; ++l) {
        sum += sums[l];
        magnitude += magnitudes[l];
    }
    for (; i < end; ++i) {
        sum += in[i];
        magnitude += in[i] < 0 ? -in[i] : in[i];
    }
    if (magnitude <= (1 << 24))
        return static_cast<int>(static_cast<float>(sum) / count);
    float floatSum = 0.0f;
    for (int i = first; i < end; ++i)
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
