// A link on an in-memory wire with a stand-in unit on the other end.
#pragma once

#include "ScriptedUnit.h"
#include "link/MemoryTransport.h"
#include "link/VT_Ethernet.h"

#include <gtest/gtest.h>

#include <memory>

inline std::vector<Adapter> TwoAdapters()
{
    return {{"veth-a", "first adapter", {0x02, 0, 0, 0, 0, 0x0A}, 3},
            {"veth-b", "second adapter", kHostMac, 4}};
}

class LinkOnMemoryWire : public ::testing::Test {
protected:
    LinkOnMemoryWire()
    {
        auto [host, unit] = MemoryTransport::MakePair();
        hostEnd = host.get();
        unitEnd = std::move(unit);
        std::string error;
        unitEnd->Open("unit", error);
        link = std::make_unique<VT_Ethernet>(std::move(host), std::make_unique<FixedAdapterLister>(TwoAdapters()));
        choice.interfaceIndex = 1;  // the adapter with kHostMac
        link->BindAdapterChoice(&choice);
        peer = std::make_unique<ScriptedUnit>(*unitEnd);
        peer->Start();
    }

    ~LinkOnMemoryWire() override
    {
        link->Close();
        peer->Stop();
    }

    AdapterChoice choice;
    MemoryTransport* hostEnd = nullptr;
    std::unique_ptr<MemoryTransport> unitEnd;
    std::unique_ptr<VT_Ethernet> link;
    std::unique_ptr<ScriptedUnit> peer;
};
