// The link through the capture library against the simulated control unit over a veth
// pair: the host end alone in a network namespace of its own, where it is adapter 0.
#include "SimCases.h"
#include "link/SystemAdapterLister.h"
#include "tests/support/SimVethFixture.h"

#include <gtest/gtest.h>

#include <memory>

class SimOverVeth : public SimVethTest {
protected:
    void StartUnit(const CSimUnitConfig& config)
    {
        std::string error;
        ASSERT_TRUE(net.StartUnit(config, error)) << error;
        // From here on this thread lives beside dvhost0: the link's capture and receive
        // thread are made in there and nowhere else.
        inside = std::make_unique<CScopedNetns>(net.HostNetns().Fd());
        ASSERT_TRUE(inside->Ok()) << inside->Error();
        std::vector<Adapter> adapters;
        ASSERT_EQ(SystemAdapterLister().List(adapters, error), 0) << error;
        ASSERT_EQ(adapters.size(), 1u);
        ASSERT_EQ(adapters[0].name, CSimNetHarness::kHostInterface);
        driver = std::make_unique<CDriver>(&currentSlot);
        driver->Link().BindAdapterChoice(&choice);
    }

    void TearDown() override
    {
        driver.reset();
        inside.reset();
    }

    SimCaseContext Context()
    {
        return {*driver, net.Unit(), currentSlot, [this] { return driver->Detect(); }};
    }

    std::unique_ptr<CScopedNetns> inside;
    std::int16_t currentSlot = 0;
    AdapterChoice choice;
    std::unique_ptr<CDriver> driver;
};

namespace {

CSimUnitConfig WithModules(CSimUnitConfig config, const char* modules)
{
    std::string error;
    EXPECT_TRUE(config.SetModules(modules, error)) << error;
    return config;
}

}  // namespace

TEST_F(SimOverVeth, DetectionBroadcastsThenShakesHands)
{
    StartUnit(CSimUnitConfig::Tolam());
    auto c = Context();
    CheckDetection(c);
    EXPECT_EQ(choice.descriptions.size(), 1u);
}

TEST_F(SimOverVeth, EveryCommandIsCodedAsTheUnitReadsIt)
{
    StartUnit(CSimUnitConfig::Tolam());
    auto c = Context();
    CheckCommandCoding(c);
    EXPECT_EQ(driver->Link().Counters().framesIgnored, 0u) << "our own requests came back in";
}

TEST_F(SimOverVeth, TolamModulesAndChannelSync)
{
    StartUnit(WithModules(CSimUnitConfig::Tolam(), "8,4,12,2,-"));
    auto c = Context();
    CheckTolamMap(c);
}

TEST_F(SimOverVeth, Z5KKeepsOneChannel)
{
    StartUnit(CSimUnitConfig::Z5K());
    auto c = Context();
    CheckZ5KMap(c);
}

TEST_F(SimOverVeth, InvalidSampleIntervalsBecomeATenth)
{
    CSimUnitConfig config = WithModules(CSimUnitConfig::Tolam(), "8,4,-");
    std::string error;
    for (const char* interval : {"0,0,0.5", "0,1,0", "0,2,nan", "0,3,5e-10"})
        ASSERT_TRUE(config.SetInterval(interval, error)) << error;
    StartUnit(config);
    auto c = Context();
    CheckSampleIntervals(c);
}

TEST_F(SimOverVeth, UnitVanishesAndComesBack)
{
    StartUnit(CSimUnitConfig::Tolam());
    auto c = Context();
    CheckVanishAndReturn(c);
}

TEST_F(SimOverVeth, EachStreamFaultCostsOnlyItsOwnMessage)
{
    CSimUnitConfig config = CSimUnitConfig::Tolam();
    config.rate = 400;
    StartUnit(config);
    auto c = Context();
    CheckStreamFaults(c);
    EXPECT_EQ(driver->Link().Counters().captureDropped, 0u);
}

class SimOverVethPatterns : public SimOverVeth, public ::testing::WithParamInterface<const char*> {};

TEST_P(SimOverVethPatterns, RecordPastItsMessageCostsOnlyThatMessage)
{
    CSimUnitConfig config = CSimUnitConfig::Tolam();
    config.rate = 400;
    ASSERT_TRUE(SimPattern::Parse(GetParam(), config.pattern)) << GetParam();
    StartUnit(config);
    auto c = Context();
    CheckRecordsPastTheirMessage(c);
}

INSTANTIATE_TEST_SUITE_P(Patterns, SimOverVethPatterns, ::testing::Values("ramp", "const:-1234", "const:0"));
