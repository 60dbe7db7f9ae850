// A driver on an in-memory wire with a stand-in unit on the other end, found and ready.
#pragma once

#include "LinkFixture.h"
#include "link/CDriver.h"

class DriverOnMemoryWire : public ::testing::Test {
protected:
    DriverOnMemoryWire()
    {
        auto [host, unit] = MemoryTransport::MakePair();
        hostEnd = host.get();
        unitEnd = std::move(unit);
        std::string error;
        unitEnd->Open("unit", error);
        driver = std::make_unique<CDriver>(&currentSlot, std::move(host),
                                           std::make_unique<FixedAdapterLister>(TwoAdapters()));
        choice.interfaceIndex = 1;
        driver->Link().BindAdapterChoice(&choice);
        peer = std::make_unique<ScriptedUnit>(*unitEnd);
        peer->Start();
    }

    ~DriverOnMemoryWire() override
    {
        driver.reset();
        peer->Stop();
    }

    // Detects the unit and forgets the requests that took.
    void Connect()
    {
        ASSERT_EQ(driver->Detect(), 1);
        peer->ClearLog();
    }

    std::int16_t currentSlot = 0;
    AdapterChoice choice;
    MemoryTransport* hostEnd = nullptr;
    std::unique_ptr<MemoryTransport> unitEnd;
    std::unique_ptr<CDriver> driver;
    std::unique_ptr<ScriptedUnit> peer;
};
