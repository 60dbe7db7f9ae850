// The application's data set: owns the CRadarData of the program and answers what the
// application object itself asks of it.
#pragma once

#include "model/RadarData.h"
#include "shell/AppDataSet.h"

class CAppRadarData : public AppDataSet {
public:
    explicit CAppRadarData(DataSetContext context) : m_data(std::move(context)) {}

    void SetHeaderDefaults() override { m_data.ResetHeaders(); }
    std::int32_t TraceCount(int k) override { return m_data.GetChannel(k).GetTraceCount(); }
    bool GpsLogWantsRecord(int k, std::int32_t traceCount) override
    {
        return m_data.GetGpsLog(k).WantsRecord(traceCount);
    }
    void WriteGpsRecord(int k, std::int32_t trace) override { m_data.GetGpsLog(k).WriteRecord(trace); }
    void AddMarker(int k, std::uint32_t trace, std::uint16_t value, std::uint16_t type) override
    {
        m_data.GetMarkerFile(k).AddMarker(trace, value, type);
    }
    CRadarData* Radar() override { return &m_data; }

private:
    CRadarData m_data;
};
