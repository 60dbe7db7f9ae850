#include "TestFilters.h"

#include "filters/FilterCatalogue.h"
#include "filters/FilterKind.h"

#include <algorithm>
#include <memory>
#include <random>

namespace {

class TestOffset : public FilterKind {
public:
    TestOffset()
        : FilterKind(kTestFilter, {FilterParamSpec::Text("Label", "none"), FilterParamSpec::Integer("Offset", 0, -1000, 1000),
                                   FilterParamSpec::Flag("Negate", false)})
    {
    }
    void apply(const std::vector<FilterParamValue>& values, TraceBlock& block) const override
    {
        for (int t = 0; t < block.traces; ++t)
            for (int k = 0; k < block.valid; ++k) {
                int v = block.trace(t)[k] + values[1].whole;
                if (values[2].whole)
                    v = -v;
                block.trace(t)[k] = static_cast<std::int16_t>(std::clamp(v, -32768, 32767));
            }
    }
};

} // namespace

void RegisterTestFilters()
{
    static const bool registered = FilterCatalogue::Register(std::make_unique<TestOffset>());
    (void)registered;
}

MeasureInfo BlockInfo(int samplesPerTrace, int traces, int validSamples, double frequency)
{
    MeasureInfo info{};
    info.samplesPerTrace = samplesPerTrace;
    info.traces = traces;
    info.validSamples = validSamples;
    info.samplingFrequency = frequency;
    return info;
}

std::vector<std::int16_t> RandomSamples(size_t count, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    std::vector<std::int16_t> out(count);
    for (auto& s : out)
        s = static_cast<std::int16_t>(sample(random));
    return out;
}
