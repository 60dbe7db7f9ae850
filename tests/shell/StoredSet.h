// Documents over the program's real data set, unit and acquisition, offline: the unit check is
// off so that nothing is sent on this machine's adapters. And stored data sets of one channel for
// them to open.
#pragma once

#include "tests/shell/AppDoubles.h"

#include "model/RadHeader.h"

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>

inline void UseRealPartsOffline(AppHarness& h)
{
    h.profile.writeInt("settings", "enable_cu_check", 0);
    h.realData = true;
    h.realUnit = true;
    h.realAcquisition = true;
}

// `stem`.rad (a time-mode header, unless `withHeader` is false) and `stem`.rd3 with `traces`
// traces of `samples` samples, sample j of trace t being sample(t, j).
inline bool StoreOneChannelSet(const std::string& stem, int traces, int samples,
                               const std::function<std::int16_t(int, int)>& sample, bool withHeader = true)
{
    if (withHeader) {
        CRadHeader header;
        header.m_strPath = stem + ".rad";
        header.m_nSamples = samples;
        header.m_nLastTrace = traces;
        header.m_nFrequencySteps = 5;
        header.m_nStacks = 16;
        header.m_dSystemCalibration = 0.0000031;
        header.m_nAntennaClass = 2;
        header.m_nTriggerMode = 128;
        header.m_dInterval = 0.5;
        if (header.Write(nullptr, 0, 0) != 0)
            return false;
    }
    std::ofstream out(stem + ".rd3", std::ios::binary);
    for (int t = 0; t < traces; ++t)
        for (int j = 0; j < samples; ++j) {
            const auto v = static_cast<std::uint16_t>(sample(t, j));
            out.put(static_cast<char>(v & 0xFF));
            out.put(static_cast<char>(v >> 8));
        }
    return static_cast<bool>(out);
}
