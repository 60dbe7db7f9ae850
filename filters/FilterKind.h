// One kind of filter the library offers (its catalogue name, its parameters and what it
// computes), and the block of traces it computes on.
#pragma once

#include "filters/FilterParamSpec.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A block of traces to filter: trace t starts at samples[t * stride]; only its first `valid`
// samples are measured values, the rest of the stride is padding that no filter touches.
// Sample values stay 16-bit between filters (each filter rounds and saturates).
//
// The first filter of a chain may read its input from `source` (same layout) instead of
// copying it into `samples` first; when `source` is null or equal to `samples` the filter
// works in place.
struct TraceBlock {
    std::int16_t* samples = nullptr;
    const std::int16_t* source = nullptr;
    int stride = 0;
    int traces = 0;
    int valid = 0;
    double frequency = 0; // sampling frequency in MHz; 0 when unknown (work in samples)

    std::int16_t* trace(int t) const { return samples + static_cast<std::ptrdiff_t>(t) * stride; }
    const std::int16_t* input(int t) const
    {
        return (source ? source : samples) + static_cast<std::ptrdiff_t>(t) * stride;
    }
    bool inPlace() const { return !source || source == samples; }
    // For a filter that leaves the traces as they are: the valid samples of the input.
    void passThrough() const;
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

    // `values` holds one valid value per parameter, in the order of params(). Unless the kind
    // reads its source, the block is in place.
    virtual void apply(const std::vector<FilterParamValue>& values, TraceBlock& block) const = 0;
    // Whether apply() takes its input from block.source and writes every valid sample.
    virtual bool readsSource() const { return false; }

private:
    std::string m_name;
    std::vector<FilterParamSpec> m_params;
};
