#include "filters/Gain.h"

#include "filters/SampleArithmetic.h"

#include <algorithm>
#include <cmath>
#include <vector>

Gain::Gain()
    : FilterKind(kName, {FilterParamSpec::Choice("Type", {"Linear", "Exponential"}, kLinear),
                         FilterParamSpec::Float("Start (ns)", 0.0f, 0.0f, 1.0e6f),
                         FilterParamSpec::Float("Slope", 0.0f, 0.0f, 1000.0f),
                         FilterParamSpec::Float("Max gain", 100.0f, 1.0f, 1.0e6f)})
{
}

double Gain::GainAt(int k, int type, double start, double slope, double maxGain, double sampleTime)
{
    const double t = k * sampleTime;
    if (t <= start)
        return 1.0;
    const double g = type == kExponential ? std::pow(10.0, slope * (t - start) / 20.0) : 1.0 + slope * (t - start);
    return std::min(g, maxGain);
}

void Gain::apply(const std::vector<FilterParamValue>& values, TraceBlock& block) const
{
    if (block.valid <= 0)
        return;
    const int type = params()[kType].choiceIndex(values[kType]);
    const double start = values[kStart].real, slope = values[kSlope].real, maxGain = values[kMaxGain].real;
    if (slope == 0.0 || maxGain <= 1.0) {
        block.passThrough(); // a gain of 1 everywhere
        return;
    }
    const double dt = block.sampleTime();
    std::vector<float> gain(static_cast<size_t>(block.valid));
    for (int k = 0; k < block.valid; ++k)
        gain[k] = static_cast<float>(GainAt(k, type, start, slope, maxGain, dt));
    for (int t = 0; t < block.traces; ++t)
        SampleArithmetic::MultiplyBy(block.trace(t), block.input(t), block.valid, gain.data());
}
