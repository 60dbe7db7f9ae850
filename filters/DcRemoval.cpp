#include "filters/DcRemoval.h"

#include "filters/SampleArithmetic.h"

#include <algorithm>
#include <utility>

DcRemoval::DcRemoval()
    : FilterKind(kName, {FilterParamSpec::Integer("From sample", 0, 0, 2047),
                         FilterParamSpec::Integer("To sample", 0, 0, 2047)})
{
}

void DcRemoval::apply(const std::vector<FilterParamValue>& values, TraceBlock& block) const
{
    if (block.valid <= 0)
        return;
    const int last = block.valid - 1;
    int from = std::min(values[kFrom].whole, last);
    int to = values[kTo].whole == 0 ? last : std::min(values[kTo].whole, last);
    if (from > to)
        std::swap(from, to);
    for (int t = 0; t < block.traces; ++t) {
        const std::int16_t* x = block.input(t);
        const std::int32_t sum = SampleArithmetic::Sum(x + from, to - from + 1);
        SampleArithmetic::SubtractOffset(block.trace(t), x, block.valid, SampleArithmetic::OffsetOfMean(sum, to - from + 1));
    }
}
