// What the application object itself does with the open data set: header defaults at start,
// the trace count of a channel, the channel's GPS log and its marker file.
#pragma once

#include <cstdint>

class CRadarData;

class AppDataSet {
public:
    virtual ~AppDataSet() = default;
    // Returns every channel's header to its defaults.
    virtual void SetHeaderDefaults() = 0;
    // The number of traces channel k (slot * 2 + channel) holds; read under the display lock.
    virtual std::int32_t TraceCount(int k) = 0;
    // Whether channel k's GPS log wants a record for a channel that holds `traceCount`
    // traces, and the record itself.
    virtual bool GpsLogWantsRecord(int k, std::int32_t traceCount) = 0;
    virtual void WriteGpsRecord(int k, std::int32_t trace) = 0;
    // Appends a marker of `type` (the marker key 1..9) at `trace` to channel k's marker file.
    virtual void AddMarker(int k, std::uint32_t trace, std::uint16_t value, std::uint16_t type) = 0;
    // The data set itself, for the document and the views; null where there is none.
    virtual CRadarData* Radar() { return nullptr; }
};
