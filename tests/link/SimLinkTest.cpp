// The link and the command set against the simulated control unit on an in-memory wire.
#include "SimCases.h"
#include "UnitFrames.h"
#include "link/MemoryTransport.h"
#include "sim/SimServer.h"
#include "tests/support/SimTransportPort.h"

#include <gtest/gtest.h>

#include <memory>

class SimOnMemoryWire : public ::testing::Test {
protected:
    void StartUnit(CSimUnitConfig config)
    {
        auto [host, unitSide] = MemoryTransport::MakePair();
        unitEnd = std::move(unitSide);
        std::string error;
        unitEnd->Open("unit", error);
        port = std::make_unique<SimTransportPort<FrameTransport, FrameView>>(*unitEnd, kUnitMac);
        unit = std::make_unique<CSimUnit>(config, clock);
        server = std::make_unique<CSimServer>(*unit, *port, clock);
        server->Start();
        driver = std::make_unique<CDriver>(
            &currentSlot, std::move(host),
            std::make_unique<FixedAdapterLister>(std::vector<Adapter>{{"mem0", "in-memory wire", kHostMac, 1}}));
    }

    void TearDown() override
    {
        driver.reset();
        if (server)
            server->Stop();
    }

    SimCaseContext Context()
    {
        return {*driver, *unit, currentSlot, [this] { return driver->Detect(); }};
    }

    CSimSteadyClock clock;
    std::unique_ptr<MemoryTransport> unitEnd;
    std::unique_ptr<SimTransportPort<FrameTransport, FrameView>> port;
    std::unique_ptr<CSimUnit> unit;
    std::unique_ptr<CSimServer> server;
    std::int16_t currentSlot = 0;
    std::unique_ptr<CDriver> driver;
};

namespace {

CSimUnitConfig TolamWithEveryModuleKind()
{
    CSimUnitConfig config = CSimUnitConfig::Tolam();
    std::string error;
    EXPECT_TRUE(config.SetModules("8,4,12,2,-", error)) << error;
    return config;
}

CSimUnitConfig TolamWithOddIntervals()
{
    CSimUnitConfig config = CSimUnitConfig::Tolam();
    std::string error;
    EXPECT_TRUE(config.SetModules("8,4,-", error)) << error;
    for (const char* interval : {"0,0,0.5", "0,1,0", "0,2,nan", "0,3,5e-10"})
        EXPECT_TRUE(config.SetInterval(interval, error)) << error;
    return config;
}

CSimUnitConfig FastStream()
{
    CSimUnitConfig config = CSimUnitConfig::Tolam();
    config.rate = 400;
    return config;
}

}  // namespace

TEST_F(SimOnMemoryWire, DetectionBroadcastsThenShakesHands)
{
    StartUnit(CSimUnitConfig::Tolam());
    auto c = Context();
    CheckDetection(c);
}

TEST_F(SimOnMemoryWire, EveryCommandIsCodedAsTheUnitReadsIt)
{
    StartUnit(CSimUnitConfig::Tolam());
    auto c = Context();
    CheckCommandCoding(c);
}

TEST_F(SimOnMemoryWire, TolamModulesAndChannelSync)
{
    StartUnit(TolamWithEveryModuleKind());
    auto c = Context();
    CheckTolamMap(c);
}

TEST_F(SimOnMemoryWire, Z5KKeepsOneChannel)
{
    StartUnit(CSimUnitConfig::Z5K());
    auto c = Context();
    CheckZ5KMap(c);
}

TEST_F(SimOnMemoryWire, InvalidSampleIntervalsBecomeATenth)
{
    StartUnit(TolamWithOddIntervals());
    auto c = Context();
    CheckSampleIntervals(c);
}

TEST_F(SimOnMemoryWire, UnitVanishesAndComesBack)
{
    StartUnit(CSimUnitConfig::Tolam());
    auto c = Context();
    CheckVanishAndReturn(c);
}

TEST_F(SimOnMemoryWire, EachStreamFaultCostsOnlyItsOwnMessage)
{
    StartUnit(FastStream());
    auto c = Context();
    CheckStreamFaults(c);
}
