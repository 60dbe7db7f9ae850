#include "filters/MeasureInfo.h"

int CMeasureInfo::Load(const std::string& radPath)
{
    MeasureInfo loaded{};
    if (!MeasureInfoLoad(&loaded, radPath.c_str()))
        return 0;
    m_samplesPerTrace = loaded.samplesPerTrace;
    m_traces = loaded.traces;
    m_value1 = loaded.samplingFrequency;
    m_value2 = loaded.timeWindow;
    m_value3 = loaded.traceInterval;
    m_value4 = loaded.antennaSeparation;
    m_value5 = loaded.validSamples;
    m_reserved = loaded.reserved;
    return 1;
}

MeasureInfo CMeasureInfo::GetInfo() const
{
    MeasureInfo info{};
    info.samplesPerTrace = m_samplesPerTrace;
    info.traces = m_traces;
    info.samplingFrequency = m_value1;
    info.timeWindow = m_value2;
    info.traceInterval = m_value3;
    info.antennaSeparation = m_value4;
    info.validSamples = m_value5;
    info.reserved = m_reserved;
    return info;
}
