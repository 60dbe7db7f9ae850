// "Gain": lifts the late, weak reflections. Samples after a start time are multiplied by a
// gain that grows linearly (gain per ns) or exponentially (dB per ns) with time, up to a
// maximum gain. Without a known sampling frequency, times and slopes count in samples.
#pragma once

#include "filters/FilterKind.h"

class Gain : public FilterKind {
public:
    static constexpr const char* kName = "Gain";
    enum Param { kType, kStart, kSlope, kMaxGain };
    enum Type { kLinear, kExponential };

    Gain();
    void apply(const std::vector<FilterParamValue>& values, TraceBlock& block) const override;
    bool readsSource() const override { return true; }

    // The gain of sample k (also used by the editor's preview of the curve).
    static double GainAt(int k, int type, double start, double slope, double maxGain, double sampleTime);
};
