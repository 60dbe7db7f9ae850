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
    // 32-bit sums over up to 65535 traces at a time, gathered in 64 bits.
    std::vector<std::int64_t> sums(static_cast<size_t>(n), 0);
    std::vector<std::int32_t> part(static_cast<size_t>(n));
    for (int first = 0; first < block.traces; first += 65535) {
        std::fill(part.begin(), part.end(), 0);
        for (int t = first; t < std::min(block.traces, first + 65535); ++t)
            SampleArithmetic::Accumulate(part.data(), block.input(t), n);
        for (int k = 0; k < n; ++k)
            sums[k] += part[k];
    }
    std::vector<std::int32_t> base(static_cast<size_t>(n)), tie(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        const auto o = SampleArithmetic::OffsetOfMean(sums[k], block.traces);
        base[k] = o.base;
        tie[k] = o.tie;
    }
    for (int t = 0; t < block.traces; ++t)
        SampleArithmetic::SubtractOffsets(block.trace(t), block.input(t), n, base.data(), tie.data());
}

void BackgroundRemoval::RunningWindow(TraceBlock& block, int half)
{
    const int n = block.valid;
    const int traces = block.traces;
    // The window sums are of unfiltered traces. Working in place, each trace is kept before
    // it is overwritten, until it has left the window.
    const bool inPlace = block.inPlace();
    const int slots = half + 1;
    std::vector<std::int16_t> kept(inPlace ? static_cast<size_t>(slots) * static_cast<size_t>(n) : 0);
    auto keptRow = [&](int t) { return &kept[static_cast<size_t>(t % slots) * static_cast<size_t>(n)]; };

    // At most 2001 traces of 16-bit samples: the window sums fit in 32 bits.
    std::vector<std::int32_t> sums(static_cast<size_t>(n), 0);
    for (int t = 0; t <= std::min(half, traces - 1); ++t)
        SampleArithmetic::Accumulate(sums.data(), block.input(t), n);
    for (int t = 0; t < traces; ++t) {
        const int lo = std::max(0, t - half);
        const int hi = std::min(traces - 1, t + half);
        const std::int16_t* original = block.input(t);
        if (inPlace) {
            std::memcpy(keptRow(t), original, static_cast<size_t>(n) * sizeof(std::int16_t));
            original = keptRow(t);
        }
        SampleArithmetic::SubtractMeans(block.trace(t), original, n, sums.data(), hi - lo + 1);
        if (t + half + 1 < traces)
            SampleArithmetic::Accumulate(sums.data(), block.input(t + half + 1), n); // not filtered yet
        if (t - half >= 0)
            SampleArithmetic::Deduct(sums.data(), inPlace ? keptRow(t - half) : block.input(t - half), n);
    }
}
