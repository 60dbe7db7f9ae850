#include "filters/BackgroundRemoval.h"

#include "filters/SampleArithmetic.h"

#include <algorithm>
#include <cstring>
#include <vector>

BackgroundRemoval::BackgroundRemoval()
    : FilterKind(kName, {FilterParamSpec::Integer("Traces", 0, 0, 2001)})
{
}

void BackgroundRemoval::apply(const std::vector<FilterParamValue>& values, TraceBlock& block) const
{
    if (block.valid <= 0 || block.traces <= 0)
        return;
    const int half = values[kTraces].whole / 2;
    // A window that reaches every trace from every position is the whole block.
    if (values[kTraces].whole == 0 || half >= block.traces - 1)
        WholeBlock(block);
    else
        RunningWindow(block, half);
}

void BackgroundRemoval::WholeBlock(TraceBlock& block)
{
    const int n = block.valid;
    std::vector<std::int64_t> sums(static_cast<size_t>(n), 0);
    for (int t = 0; t < block.traces; ++t) {
        const std::int16_t* x = block.trace(t);
        for (int k = 0; k < n; ++k)
            sums[k] += x[k];
    }
    std::vector<std::int32_t> base(static_cast<size_t>(n)), tie(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        const auto o = SampleArithmetic::OffsetOfMean(sums[k], block.traces);
        base[k] = o.base;
        tie[k] = o.tie;
    }
    for (int t = 0; t < block.traces; ++t)
        SampleArithmetic::SubtractOffsets(block.trace(t), n, base.data(), tie.data());
}

void BackgroundRemoval::RunningWindow(TraceBlock& block, int half)
{
    const int n = block.valid;
    const int traces = block.traces;
    // The means come from the unfiltered traces, so keep them before overwriting any.
    std::vector<std::int16_t> original(static_cast<size_t>(n) * static_cast<size_t>(traces));
    for (int t = 0; t < traces; ++t)
        std::memcpy(&original[static_cast<size_t>(t) * n], block.trace(t), static_cast<size_t>(n) * 2);
    auto row = [&](int t) { return &original[static_cast<size_t>(t) * n]; };

    // At most 2001 traces of 16-bit samples: the window sums fit in 32 bits.
    std::vector<std::int32_t> sums(static_cast<size_t>(n), 0);
    for (int t = 0; t <= std::min(half, traces - 1); ++t) {
        const std::int16_t* x = row(t);
        for (int k = 0; k < n; ++k)
            sums[k] += x[k];
    }
    for (int t = 0; t < traces; ++t) {
        const int lo = std::max(0, t - half);
        const int hi = std::min(traces - 1, t + half);
        SampleArithmetic::SubtractMeans(block.trace(t), n, sums.data(), hi - lo + 1);
        if (t + half + 1 < traces) {
            const std::int16_t* in = row(t + half + 1);
            for (int k = 0; k < n; ++k)
                sums[k] += in[k];
        }
        if (t - half >= 0) {
            const std::int16_t* out = row(t - half);
            for (int k = 0; k < n; ++k)
                sums[k] -= out[k];
        }
    }
}
