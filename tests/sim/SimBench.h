// A simulated unit on an in-memory wire with a clock that moves only when the test says:
// hand-made requests in, frames out.
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

    CSimManualClock clock;
    CSimUnit unit;
    CSimMemoryWire wire;
    SimMac host{};
    SimMac unitMac{};
    uint16_t seq = 1;
};
