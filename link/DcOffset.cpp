#include "link/DcOffset.h"

#include "model/ChannelData.h"
#include "model/STrace.h"

#include <algorithm>
#include <cstring>

int DcOffset(const std::int16_t* in, int n)
{
    const int first = n / 2;
    const int end = n - 5;  // one past in[n - 6]
    if (first >= end)
        return 0;
    // Single precision, as the program has always summed it: displays of stored data
    // stay as operators know them.
    float sum = 0.0f;
    for (int i = first; i < end; ++i)
        sum += static_cast<float>(in[i]);
    return static_cast<int>(sum / static_cast<float>(end - first));
}

void RemoveDcOffset(const std::int16_t* in, CSTrace& out, int samples, bool on)
{
    const int n = std::clamp(samples, 0, std::min(out.GetCount(), CSTrace::kMaxSamples));
    const int mean = on ? DcOffset(in, n) : 0;
    std::int16_t* o = out.Data();
    for (int i = 0; i < n; ++i)
        o[i] = static_cast<std::int16_t>(std::clamp(in[i] - mean, -32768, 32767));
    if (n < out.GetCount())
        std::memset(o + n, 0, static_cast<std::size_t>(out.GetCount() - n) * sizeof(std::int16_t));
}

void RemoveDcOffset(const std::int16_t* in, CSTrace& out, const CChannelData& channel, bool on)
{
    RemoveDcOffset(in, out, channel.GetSamples(), on);
}
