// One kind of filter the library offers (its catalogue name, its parameters and what it
// computes), and the block of traces it computes on.
#pragma once

#include "filters/FilterParamSpec.h"

#include <cstdint>
#include <string>
#include <vector>

// A block of traces filtered in place: trace t starts at samples[t * stride]; only its first
// `valid` samples are measured values, the rest of the stride is padding that no filter
// touches. Sample values stay 16-bit between filters (each filter rounds and saturates).
struct TraceBlock {
    std::int16_t* samples = nullptr;
    int stride = 0;
    int traces = 0;
    int valid = 0;
    double frequency = 0; // sampling frequency in MHz; 0 when unknown (work in samples)

    std::int16_t* trace(int t) const { return samples + static_cast<std::ptrdiff_t>(t) * stride; }
    // Duration of one sample in ns, or 1 when the frequency is unknown (time in samples).
    double sampleTime() const { return frequency > 0 ? 1000.0 / frequency : 1.0; }
};

class FilterKind {
public:
    FilterKind(std::string name, std::vector<FilterParamSpec> params)
        : m_name(std::move(name)), m_params(std::move(params))
    {
    }
    virtual ~FilterKind() = default;
    FilterKind(const FilterKind&) = delete;
    FilterKind& operator=(const FilterKind&) = delete;

    const std::string& name() const { return m_name; }
    const std::vector<FilterParamSpec>& params() const { return m_params; }

    // `values` holds one valid value per parameter, in the order of params().
    virtual void apply(const std::vector<FilterParamValue>& values, TraceBlock& block) const = 0;

private:
    std::string m_name;
    std::vector<FilterParamSpec> m_params;
};
