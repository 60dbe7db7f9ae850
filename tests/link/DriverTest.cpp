// The unit's command set on the wire, detection, identity and modules, against the
// stand-in unit.
#include "DriverFixture.h"
#include "link/RingRecord.h"

#include <cmath>
#include <functional>

using Driver = DriverOnMemoryWire;

namespace {

struct Expected {
    std::uint16_t code;
    std::uint16_t arg1;
    std::vector<std::uint32_t> args;  // arguments 2.. (the rest must be 0)
};

void ExpectRequest(const Request& r, const Expected& e, const std::string& what)
{
    EXPECT_EQ(r.code, e.code) << what;
    EXPECT_EQ(r.arg1, e.arg1) << what;
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(r.args[i], i < e.args.size() ? e.args[i] : 0u) << what << " argument " << i + 2;
}

}  // namespace

TEST_F(Driver, EveryCommandCodesItsArgumentsOnTheWire)
{
    Connect();
    currentSlot = 3;
    struct Case {
        std::string what;
        std::function<void(CDriver&)> call;
        Expected wire;
    };
    const std::vector<Case> cases = {
        {"SetSamples(401)", [](CDriver& d) { d.SetSamples(401); }, {1, 3, {400}}},
        {"SetStacks(1)", [](CDriver& d) { d.SetStacks(1); }, {2, 3, {0}}},
        {"SetStacks(16)", [](CDriver& d) { d.SetStacks(16); }, {2, 3, {4}}},
        {"SetStacks(300)", [](CDriver& d) { d.SetStacks(300); }, {2, 3, {8}}},
        {"SetSignalPositions", [](CDriver& d) { d.SetSignalPositions(2048, 1900); }, {3, 3, {2048, 1900}}},
        {"SetFrequencySteps", [](CDriver& d) { d.SetFrequencySteps(2); }, {4, 3, {2}}},
        {"SetTriggerSource W", [](CDriver& d) { d.SetTriggerSource(-1, 'W', 16); }, {5, 0xFFFF, {87, 16}}},
        {"SetTriggerSource T", [](CDriver& d) { d.SetTriggerSource(-1, 'T', 0); }, {5, 0xFFFF, {84, 0}}},
        {"SetTraceInterval", [](CDriver& d) { d.SetTraceInterval(5, 1024); }, {6, 5, {1024}}},
        {"SetTriggerOptions", [](CDriver& d) { d.SetTriggerOptions(-1, 1); }, {7, 0xFFFF, {0xFFFFFFFF, 1}}},
        {"SetDirection(-1)", [](CDriver& d) { d.SetDirection(0xFFFF); }, {8, 3, {0x0000FFFF}}},
        {"SetWheelCounter", [](CDriver& d) { d.SetWheelCounter(16, -1, -5); }, {9, 16, {0xFFFFFFFF, 0xFFFFFFFB}}},
        {"StopWheelCounter", [](CDriver& d) { d.StopWheelCounter(16); }, {9, 16, {0, 0}}},
        {"Command10", [](CDriver& d) { d.Command10(-2, 7); }, {10, 0, {0xFFFFFFFE, 7}}},
        {"StopAcquisition", [](CDriver& d) { d.StopAcquisition(); }, {13, 3, {}}},
        {"SetBeeper", [](CDriver& d) { d.SetBeeper(1); }, {20, 3, {1}}},
        {"EnableWheel", [](CDriver& d) { d.EnableWheel(16); }, {22, 16, {1}}},
        {"DisableWheel", [](CDriver& d) { d.DisableWheel(2); }, {22, 2, {0}}},
        {"SetRampIndex", [](CDriver& d) { d.SetRampIndex(2); }, {27, 3, {2}}},
        {"Command36", [](CDriver& d) { d.Command36(); }, {36, 0xFFFF, {}}},
        {"SetActiveChannels", [](CDriver& d) { d.SetActiveChannels(3); }, {37, 3, {3}}},
        {"SetAutoStack", [](CDriver& d) { EXPECT_TRUE(d.SetAutoStack(1)); }, {40, 3, {1}}},
        {"ReadWheelCounter", [](CDriver& d) { d.ReadWheelCounter(16); }, {58, 16, {}}},
        {"ReadUnitInfo", [](CDriver& d) { d.ReadUnitInfo(0, 1); }, {61, 0, {1}}},
        {"ReadModuleStatusByte", [](CDriver& d) { d.ReadModuleStatusByte(6, 0); }, {65, 6, {4}}},
        {"SetEmSensor(2)", [](CDriver& d) { d.SetEmSensor(2); }, {65, 3, {20}}},
        {"ReadSampleInterval", [](CDriver& d) { d.ReadSampleInterval(2, 3); }, {71, 2, {3}}},
        {"SetCountry", [](CDriver& d) { d.SetCountry(1); }, {79, 3, {1}}},
        {"SetEmSensor(1)", [](CDriver& d) { d.SetEmSensor(1); }, {96, 3, {20, 1, 1}}},
        {"WriteModuleRegister30", [](CDriver& d) { d.WriteModuleRegister30(4, 1); }, {96, 4, {30, 1}}},
        {"RequestTrace", [](CDriver& d) { d.RequestTrace(300, 2, 1); }, {14, 2, {2}}},
        {"StartAcquisition", [](CDriver& d) { d.StartAcquisition(); }, {12, 3, {}}},
    };
    for (const Case& c : cases) {
        peer->ClearLog();
        c.call(*driver);
        const auto log = peer->Log();
        ASSERT_EQ(log.size(), 1u) << c.what;
        ExpectRequest(log[0], c.wire, c.what);
        EXPECT_EQ(log[0].dst, kUnitMac) << c.what;
    }
}

TEST_F(Driver, CurrentSlotIsReadAtEveryCall)
{
    Connect();
    currentSlot = 6;
    driver->SetSamples(100);
    currentSlot = 1;
    driver->SetSamples(100);
    const auto log = peer->Requests(1);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].arg1, 6);
    EXPECT_EQ(log[1].arg1, 1);
}

// Detection: a broadcast discovery, then the handshake to the unit that answered. A unit
// that does not answer either one is not there.
TEST_F(Driver, DetectBroadcastsThenShakesHandsWithTheUnit)
{
    Connect();  // found once: no stop of a first find below
    struct Case {
        const char* what;
        std::function<void(UnitModel&)> unit;
        int found;
        std::vector<std::uint16_t> codes;
    };
    const Case cases[] = {
        {"answering unit", [](UnitModel&) {}, 1, {wire::kDiscovery, wire::kHandshake}},
        {"silent unit", [](UnitModel& m) { m.silent = true; }, 0, {wire::kDiscovery}},
        {"unanswered handshake", [](UnitModel& m) { m.answerHandshake = false; }, 0,
         {wire::kDiscovery, wire::kHandshake}},
    };
    for (const Case& c : cases) {
        peer->Change([](UnitModel& m) { m = UnitModel{}; });
        peer->Change(c.unit);
        peer->ClearLog();
        EXPECT_EQ(driver->Detect(), c.found) << c.what;
        const auto log = peer->Log();
        ASSERT_EQ(log.size(), c.codes.size()) << c.what;
        for (std::size_t i = 0; i < log.size(); ++i)
            EXPECT_EQ(log[i].code, c.codes[i]) << c.what;
        EXPECT_TRUE(log[0].broadcast()) << c.what;
        EXPECT_EQ(log[0].arg1, 0) << c.what;
        if (log.size() > 1) {
            EXPECT_EQ(log[1].dst, kUnitMac) << c.what;
        }
    }
}

// A program ended while measuring leaves its unit streaming: the first detection that finds
// a unit stops it right after the handshake, once, and nothing it streamed before stays in
// the data ring.
TEST_F(Driver, FirstFindStopsTheUnitOnceAndDropsWhatItSentBefore)
{
    peer->Change([](UnitModel& m) { m.answerHandshake = false; });
    EXPECT_EQ(driver->Detect(), 0);
    EXPECT_TRUE(peer->Requests(unitcmd::kStopAcquisition).empty()) << "no unit found, none stopped";
    peer->Change([](UnitModel& m) { m.answerHandshake = true; });
    // The unit streams a trace before each handshake reply, as a unit left measuring would.
    peer->SetOverride([](const Request& r, ScriptedUnit& unit) {
        if (r.code == wire::kHandshake)
            unit.SendMessage(r.src, TraceRecordWords(0, 40, {7, 7, 7, 7}));
        return false;
    });
    struct Round {
        std::vector<std::uint16_t> codes;
        int records;  // records in the ring once the next reply has committed what came before
    };
    const Round rounds[] = {
        {{wire::kDiscovery, wire::kHandshake, unitcmd::kStopAcquisition}, 0},
        {{wire::kDiscovery, wire::kHandshake}, 1},  // found before: nothing stopped or dropped
    };
    for (const Round& round : rounds) {
        peer->ClearLog();
        EXPECT_EQ(driver->Detect(), 1);
        std::vector<std::uint16_t> codes;
        for (const auto& r : peer->Log())
            codes.push_back(r.code);
        EXPECT_EQ(codes, round.codes);
        driver->ReadUnitInfo(0, 1);
        int records = 0;
        for (int i = driver->Link().NextRecord(); i >= 0; i = driver->Link().NextRecord()) {
            ++records;
            driver->Link().ReleaseRecord();
        }
        EXPECT_EQ(records, round.records) << "after " << codes.size() << " requests";
    }
}

TEST_F(Driver, UnitThatVanishesAndComesBackIsFoundAgain)
{
    Connect();
    EXPECT_EQ(driver->GetModuleType(0), kModuleCoaxial);
    peer->Change([](UnitModel& m) { m.silent = true; });
    EXPECT_EQ(driver->Detect(), 0);
    EXPECT_EQ(driver->ReadModuleType(0), std::nullopt);
    EXPECT_EQ(driver->ReadUnitInfo(0, 1), std::nullopt);
    peer->Change([](UnitModel& m) { m.silent = false; });
    EXPECT_EQ(driver->Detect(), 1);
    EXPECT_EQ(driver->GetModuleType(0), kModuleCoaxial);
}

// A unit that did not hear its stop (cable out) goes on measuring: the detection that finds
// it again stops it before anything else, once.
TEST_F(Driver, StopTheUnitMissedIsSentWhenItIsFoundAgain)
{
    Connect();
    peer->Change([](UnitModel& m) { m.silent = true; });
    EXPECT_NE(driver->StopAcquisition(), kCommandAnswered);
    EXPECT_EQ(driver->Detect(), 0);
    peer->Change([](UnitModel& m) { m.silent = false; });
    const std::vector<std::uint16_t> found = {wire::kDiscovery, wire::kHandshake};
    const std::vector<std::uint16_t> foundAndStopped = {wire::kDiscovery, wire::kHandshake, unitcmd::kStopAcquisition};
    for (const auto& expected : {foundAndStopped, found}) {
        peer->ClearLog();
        EXPECT_EQ(driver->Detect(), 1);
        std::vector<std::uint16_t> codes;
        for (const auto& r : peer->Log())
            codes.push_back(r.code);
        EXPECT_EQ(codes, expected);
    }
}

TEST_F(Driver, DetectOpensTheLinkItselfAndReportsAClosedOneAsAbsent)
{
    EXPECT_FALSE(driver->Link().IsOpen());
    EXPECT_EQ(driver->Detect(), 1);
    EXPECT_TRUE(driver->Link().IsOpen());
    driver->Link().Close();
    hostEnd->RefuseOpen(kTransportFailed, "no such device");
    testing::internal::CaptureStderr();
    EXPECT_EQ(driver->Detect(), 0);
    EXPECT_EQ(driver->Detect(), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.find("Unable to open the adapter."), err.rfind("Unable to open the adapter."));
}

TEST_F(Driver, IdentityTellsTolamFromZ5KAndKeepsTheLastWhenUnanswered)
{
    Connect();
    EXPECT_TRUE(driver->IsModularUnit());
    peer->Change([](UnitModel& m) { m.identity = 0x20000042; });
    EXPECT_FALSE(driver->IsModularUnit());
    peer->Change([](UnitModel& m) { m.silent = true; });
    EXPECT_FALSE(driver->IsModularUnit());
    peer->Change([](UnitModel& m) {
        m.silent = false;
        m.identity = 0x3FFFFFFF;
    });
    EXPECT_TRUE(driver->IsModularUnit());
    EXPECT_EQ(driver->ReadUnitInfo(0, 1), 0x3FFFFFFFu);
}

TEST_F(Driver, ModuleTypesNamesAndPopulatedSlots)
{
    Connect();
    peer->Change([](UnitModel& m) {
        const std::uint8_t types[8] = {8, 4, 12, 0, 2, 15, 0, 0};
        std::copy(types, types + 8, m.moduleTypes);
    });
    const char* names[] = {"Coaxial module", "Opto module", "HF module", "No module",
                           "Unknown module", "Unknown module"};
    const bool populated[] = {true, true, true, false, false, false};
    for (int slot = 0; slot < 6; ++slot) {
        EXPECT_EQ(driver->GetModuleName(slot), names[slot]) << "slot " << slot;
        EXPECT_EQ(driver->IsSlotPopulated(slot), populated[slot]) << "slot " << slot;
    }
    EXPECT_EQ(driver->GetModuleType(5), 15);
    // Nothing is cached: each question went to the unit.
    EXPECT_EQ(peer->Requests(65).size(), 6u * 2 + 1);
}

TEST_F(Driver, ReadsGiveTheUnitsAnswerOrNothing)
{
    Connect();
    peer->Change([](UnitModel& m) {
        m.wheelCounter = 0xFFFFFFF6;  // -10 ticks
        m.intervals[2][1] = 3.90625e-4;
        m.moduleAnswers[5] = 0;
        m.emSensor[0] = 1;
    });
    EXPECT_EQ(static_cast<std::int32_t>(driver->ReadWheelCounter(16).value()), -10);
    EXPECT_EQ(driver->ReadSampleInterval(2, 1), 3.90625e-4);
    EXPECT_EQ(driver->ReadModuleStatusByte(5, 0), 0);
    EXPECT_EQ(driver->ReadModuleStatusByte(5, 8), std::nullopt);
    EXPECT_TRUE(driver->SetEmSensor(2));
    currentSlot = 1;
    EXPECT_FALSE(driver->SetEmSensor(2));
    EXPECT_TRUE(driver->SetEmSensor(0));
    EXPECT_TRUE(driver->WriteModuleRegister30(3, 1));

    peer->Change([](UnitModel& m) { m.silent = true; });
    EXPECT_EQ(driver->ReadWheelCounter(16), std::nullopt);
    EXPECT_EQ(driver->ReadSampleInterval(2, 1), std::nullopt);
    EXPECT_EQ(driver->ReadModuleStatusByte(0, 0), std::nullopt);
    currentSlot = 0;
    EXPECT_FALSE(driver->SetEmSensor(2));
    EXPECT_FALSE(driver->SetEmSensor(1));
    EXPECT_FALSE(driver->WriteModuleRegister30(3, 1));
    EXPECT_EQ(driver->StartAcquisition(), 1);
    EXPECT_EQ(driver->SetSamples(100), kCommandNoAnswer);
}

TEST_F(Driver, TraceRequestWaitsItsOwnBudget)
{
    Connect();
    peer->Change([](UnitModel& m) { m.silent = true; });
    const std::uint64_t before = driver->Link().Counters().transactionPolls;
    EXPECT_EQ(driver->RequestTrace(30, 0, 0), kCommandNoAnswer);
    EXPECT_EQ(driver->Link().Counters().transactionPolls - before, 30u);
}

TEST_F(Driver, StartAcquisitionEmptiesRingAndQueuesFirst)
{
    Connect();
    peer->SendMessage(kHostMac, ShortRecordWords('M', 0, {600}));
    for (int k = 0; k < 5000 && !driver->Link().HasData(); ++k)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(driver->Link().HasData());
    EXPECT_EQ(driver->StartAcquisition(), 0);
    EXPECT_FALSE(driver->Link().HasData());
}
