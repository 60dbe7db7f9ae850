#include "filters/RadMeasureInfo.h"

#include "filters/FilterChain.h"
#include "model/RadHeader.h"

bool ReadRadMeasureInfo(const std::string& radPath, MeasureInfo& info)
{
    // Read like the data set reads its headers: defaults first, then whatever the file says.
    CRadHeader header;
    header.m_strPath = radPath;
    if (header.Read() != 0 || header.m_nSamples <= 0)
        return false;
    MeasureInfo read{};
    read.samplingFrequency = header.m_fFrequency;
    // A frequency no unit gives is described as none, as a missing one is.
    const double frequency = FilterChain::Frequency(read);
    read.samplesPerTrace = header.m_nSamples;
    read.traces = header.m_nLastTrace;
    read.samplingFrequency = frequency;
    read.timeWindow = frequency > 0 ? header.m_nSamples * 1000.0 / frequency : 0.0;
    read.traceInterval = header.m_dInterval;
    read.antennaSeparation = header.m_fAntennaSeparation;
    read.validSamples = header.m_nSamples;
    info = read;
    return true;
}
