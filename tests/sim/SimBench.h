// A simulated unit on an in-memory wire with a clock that moves only when the test says, and
// the host side's helpers: hand-made requests in, frames out.
#pragma once

#include "HostView.h"
#include "sim/SimClock.h"
#include "sim/SimMemoryWire.h"
#include "sim/SimUnit.h"

#include <vector>

struct SimBench {
    explicit SimBench(const CSimUnitConfig& config = CSimUnitConfig::Tolam()) : unit(config, clock)
    {
        wire.AttachDirect(unit);
        host = wire.HostPort().Address();
        unitMac = wire.UnitPort().Address();
    }
    ~SimBench() { wire.Detach(); }

    // Sends one request, as the link would, and returns its sequence number.
    uint16_t Send(uint16_t code, uint16_t arg1 = 0, uint32_t a2 = 0, uint32_t a3 = 0, uint32_t a4 = 0,
                  bool broadcast = false)
    {
        ++seq;
        const std::vector<uint8_t> f =
            MakeRequest(broadcast ? SimWire::kBroadcast : unitMac, host, seq, code, arg1, a2, a3, a4);
        wire.HostPort().Send(f.data(), f.size());
        return seq;
    }

    void SendRaw(const std::vector<uint8_t>& f) { wire.HostPort().Send(f.data(), f.size()); }

    // Every frame the unit has sent so far and not yet taken.
    std::vector<std::vector<uint8_t>> Drain()
    {
        std::vector<std::vector<uint8_t>> out;
        std::vector<uint8_t> f;
        while (wire.HostPort().Receive(f, 0) == 1)
            out.push_back(f);
        return out;
    }

    std::vector<HostFrame> DrainParsed()
    {
        std::vector<HostFrame> out;
        for (const auto& f : Drain())
            out.push_back(ParseHostFrame(f));
        return out;
    }

    void AdvanceMs(int64_t ms)
    {
        clock.Advance(ms * 1000);
        unit.Poll();
    }

    // Moves time in small steps, as a running unit would see it.
    void RunMs(int64_t ms, int64_t stepMs = 1)
    {
        for (int64_t t = 0; t < ms; t += stepMs)
            AdvanceMs(stepMs);
    }

    // The start sequence of a time-mode measurement on slot 0 with the given channels.
    void ConfigureTimeMode(uint16_t slot, uint32_t mask, uint32_t step, uint32_t samples, bool sensor)
    {
        Send(5, 0xFFFF, 'W', 16);
        Send(5, 0xFFFF, 'T', 0);
        Send(8, slot, 1);
        Send(6, slot, step);
        Send(96, slot, 20, sensor ? 1 : 0, sensor ? 1 : 0);
        Send(1, slot, samples);
        Send(37, slot, mask);
    }

    CSimManualClock clock;
    CSimUnit unit;
    CSimMemoryWire wire;
    SimMac host{};
    SimMac unitMac{};
    uint16_t seq = 1;
};

// The data messages of a run of frames, reassembled by the host's rules, with their records.
inline std::vector<std::vector<HostRecord>> Messages(const std::vector<std::vector<uint8_t>>& frames, const SimMac& host,
                                                     HostReassembler* keep = nullptr)
{
    HostReassembler r(host);
    for (const auto& f : frames)
        r.Feed(f);
    r.Finish();
    std::vector<std::vector<HostRecord>> out;
    for (const auto& words : r.messages) {
        std::vector<HostRecord> records;
        ParseHostRecords(words, records);
        out.push_back(records);
    }
    if (keep)
        *keep = r;
    return out;
}

inline std::vector<HostRecord> Flatten(const std::vector<std::vector<HostRecord>>& messages)
{
    std::vector<HostRecord> out;
    for (const auto& m : messages)
        out.insert(out.end(), m.begin(), m.end());
    return out;
}

inline uint32_t Position(const HostRecord& r) { return uint32_t(r.payload.at(0)) << 16 | r.payload.at(1); }
