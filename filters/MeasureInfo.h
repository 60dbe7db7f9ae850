// The description of a block of traces that goes with it to the filter list: the block's
// samples per trace and trace count (set by whoever builds the block) and the measurement
// values the filter library read from the data set's header.
#pragma once

#include "filters/FilterLibrary.h"

#include <cstdint>
#include <string>

class CMeasureInfo {
public:
    CMeasureInfo() = default; // all zero: no samples, no traces, nothing known

    // Reads the header at radPath through the library: 1 and every field replaced, or 0 and
    // nothing changed.
    int Load(const std::string& radPath);
    MeasureInfo GetInfo() const;

    // The block the description is passed with: its stride and number of traces.
    void SetSamplesPerTrace(std::int32_t samples) { m_samplesPerTrace = samples; }
    void SetTraceCount(std::int32_t traces) { m_traces = traces; }
    std::int32_t GetSamplesPerTrace() const { return m_samplesPerTrace; }
    std::int32_t GetTraceCount() const { return m_traces; }

private:
    // The fields of a MeasureInfo record, in its order; values 1 to 5 belong to the library.
    std::int32_t m_samplesPerTrace = 0;
    std::int32_t m_traces = 0;
    double m_value1 = 0;
    double m_value2 = 0;
    double m_value3 = 0;
    double m_value4 = 0;
    std::int32_t m_value5 = 0;
    std::int32_t m_reserved = 0;
};
static_assert(sizeof(CMeasureInfo) == sizeof(MeasureInfo), "the description mirrors the library's record");
