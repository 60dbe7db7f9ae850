// Start and stop of a measurement, the presence check and the single test trace, against
// the simulated unit on the in-memory wire: what goes out, in which order, and what the
// program's state is afterwards.
#include "AcqScenarios.h"
#include "AcqWires.h"

#include "model/Numbers.h"
#include "model/RadHeader.h"
#include "tests/support/Limits.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

struct Sent {
    std::uint16_t code;
    std::uint16_t address;
    std::array<std::uint32_t, 5> args;
};

bool operator==(const Sent& a, const Sent& b)
{
    return a.code == b.code && a.address == b.address && a.args == b.args;
}

std::ostream& operator<<(std::ostream& out, const Sent& s)
{
    out << s.code << "(" << s.address;
    for (std::uint32_t a : s.args)
        out << "," << a;
    return out << ")";
}

std::vector<Sent> Requests(CSimUnit& unit)
{
    std::vector<Sent> out;
    for (const SimReceived& r : unit.Requests())
        out.push_back({r.request.code, r.request.address, r.request.args});
    return out;
}

// The requests from the first wheel-counter command on: the start's own part, after the
// reads that bring the settings in line with the unit.
std::vector<Sent> StartPart(CSimUnit& unit)
{
    std::vector<Sent> all = Requests(unit);
    auto first = std::find_if(all.begin(), all.end(), [](const Sent& s) { return s.code == 9; });
    return {first, all.end()};
}

bool Contains(const std::vector<Sent>& list, std::uint16_t code)
{
    return std::any_of(list.begin(), list.end(), [code](const Sent& s) { return s.code == code; });
}

constexpr std::uint16_t kAll = 0xFFFF;

class MeasurementStart : public AcqOnMemoryWire {
protected:
    void Start(const CSimUnitConfig& config)
    {
        StartUnit(config);
        ASSERT_TRUE(rig->Detect());
        Unit().ClearHistory();
    }
};

}  // namespace

TEST(TraceNumberStep, TruncatedAndAtLeastOne)
{
    EXPECT_EQ(TraceNumberStep(false, 0.0005, 0, 0), 1);  // 0.512
    EXPECT_EQ(TraceNumberStep(false, 0.01, 0, 0), 10);
    EXPECT_EQ(TraceNumberStep(false, 1.0, 0, 0), 1024);
    EXPECT_EQ(TraceNumberStep(true, 0, 500, 0.02), 10);   // 10.0001
    EXPECT_EQ(TraceNumberStep(true, 0, 500, 0.0019), 1);  // 0.9501
    EXPECT_EQ(TraceNumberStep(true, 0, 442.7, 0.02), 8);
    EXPECT_EQ(TraceNumberStep(false, -3, 0, 0), 1);
    EXPECT_EQ(TraceNumberStep(false, std::nan(""), 0, 0), 1);
    EXPECT_EQ(TraceNumberStep(false, 1e12, 0, 0), INT32_MAX);
}

// Every value the start sends once per slot comes from channel 0; an active channel 1
// takes them, and keeps its signal position and the rest of its own.
TEST(CorrectSlotValues, ActiveChannelOneTakesTheSlotValuesOfChannelZero)
{
    CMeasParamSet p("");
    CMeasParam zero;
    zero.m_bActive = 0;  // the unit takes the slot's values from channel 0 all the same
    zero.m_dTimeInterval = 0.25;
    zero.m_dDistanceInterval = 0.04;
    zero.m_nSamples = 512;
    zero.m_nFrequencySteps = 6;
    zero.m_nRampIndex = 2;
    zero.m_nStacks = 64;
    zero.m_bEmSensor = 1;
    CMeasParam one;
    one.m_bActive = 1;
    one.m_strName = "own";
    one.m_nSignalPosition = 1234;
    one.m_fAntennaSeparation = 0.6f;
    one.m_nTimeZero = 77;
    one.m_nStacks = 16;
    one.m_dTimeInterval = 3.0;
    p.m_params[2] = zero;
    p.m_params[3] = one;
    p.m_params[5] = one;
    p.m_params[5].m_bActive = 0;  // slot C: channel 1 not measured, left as it is
    CorrectSlotValues(p);

    const CMeasParam& b2 = p.m_params[3];
    EXPECT_EQ(b2.m_dTimeInterval, 0.25);
    EXPECT_EQ(b2.m_dDistanceInterval, 0.04);
    EXPECT_EQ(b2.m_nSamples, 512);
    EXPECT_EQ(b2.m_nFrequencySteps, 6);
    EXPECT_EQ(b2.m_nRampIndex, 2);
    EXPECT_EQ(b2.m_nStacks, 64);
    EXPECT_EQ(b2.m_bEmSensor, 1);
    EXPECT_EQ(b2.m_bActive, 1);
    EXPECT_EQ(b2.m_strName, "own");
    EXPECT_EQ(b2.m_nSignalPosition, 1234);
    EXPECT_EQ(b2.m_fAntennaSeparation, 0.6f);
    EXPECT_EQ(b2.m_nTimeZero, 77);
    EXPECT_EQ(p.m_params[5].m_nStacks, 16);
    EXPECT_EQ(p.m_params[5].m_dTimeInterval, 3.0);
}

TEST_F(MeasurementStart, SendsEverySlotsSettingsInOrder)
{
    Start(ScenarioUnit("8,-,8", "none"));
    CMeasParamSet& p = rig->params;
    rig->Activate({0, 1, 4}, 512);
    rig->TimeMode();
    p.m_bAutoStack = 0;
    p.m_bBeeper = 1;
    p.m_nCountry = 3;
    p.m_nMissedTraceMode = 1;
    p.m_bBidirectional = 0;
    p.m_params[0].m_nStacks = 8;
    p.m_params[4].m_nStacks = 8;
    p.m_params[0].m_nSignalPosition = 2048;
    p.m_params[1].m_nSignalPosition = 1900;
    p.m_params[4].m_nSignalPosition = 1500;
    p.m_params[5].m_nSignalPosition = 1234;
    p.m_params[0].m_nFrequencySteps = 2;
    p.m_params[4].m_nFrequencySteps = 3;
    p.m_params[0].m_nRampIndex = 1;
    p.m_params[4].m_nRampIndex = 2;
    ASSERT_EQ(rig->measurement->OnMeasureStart(), kStartOk);
    rig->measurement->OnMeasureStop();

    const std::vector<Sent> expected = {
        {9, 16, {0, 0}}, {9, kAll, {0, 0}}, {10, 0, {0, 0}}, {36, kAll, {}}, {20, 0, {1}}, {79, 0, {3}},
        {5, kAll, {'W', 16}}, {5, kAll, {'T', 0}}, {8, 0, {1}}, {7, kAll, {0, 1}},
        // slot A
        {6, 0, {10}}, {8, 0, {1}}, {1, 0, {512}}, {4, 0, {2}}, {3, 0, {2048, 1900}}, {27, 0, {1}}, {40, 0, {0}},
        {2, 0, {3}}, {37, 0, {3}},
        // slot C
        {6, 2, {10}}, {8, 2, {1}}, {1, 2, {512}}, {4, 2, {3}}, {3, 2, {1500, 1234}}, {27, 2, {2}}, {40, 2, {0}},
        {2, 2, {3}}, {37, 2, {1}},
        {9, 0, {1, 0}}, {12, 0, {}},
        // the stop
        {13, 0, {}}, {96, 0, {20, 0, 0}},
    };
    EXPECT_EQ(StartPart(Unit()), expected);
    EXPECT_EQ(p.m_nCurSlot, 0);
    EXPECT_EQ(p.m_nCurChannel, 0);
    EXPECT_EQ(rig->status.m_nSlotStep[0], 10);
    EXPECT_EQ(rig->status.m_nSlotStep[2], 10);
    EXPECT_TRUE(rig->prompter.ids.empty());
}

TEST_F(MeasurementStart, MissingSensorStopsTheStartAtItsSlot)
{
    Start(ScenarioUnit("8,4", "0"));
    rig->Activate({0, 2}, 256);
    rig->params.m_params[2].m_bEmSensor = 1;  // slot B has none
    rig->TimeMode();
    rig->params.m_nCurSlot = 1;
    rig->params.m_nCurChannel = 1;  // the unit sync makes A1 (the first active) current
    ASSERT_EQ(rig->measurement->StartMeasurement(), kStartNoSensor);
    EXPECT_EQ(rig->prompter.ids, std::vector<int>{kMsgNoSensor});
    EXPECT_FALSE(rig->status.IsMeasuring());
    EXPECT_FALSE(rig->measurement->ThreadRunning());
    const std::vector<Sent> start = StartPart(Unit());
    EXPECT_TRUE(std::find(start.begin(), start.end(), Sent{37, 0, {1}}) != start.end()) << "slot A configured";
    EXPECT_EQ(start.back(), (Sent{96, 1, {20, 0, 0}}));
    EXPECT_FALSE(Contains(start, 12));
    EXPECT_EQ(rig->params.m_nCurSlot, 0) << "the current channel is as the start found it";
    EXPECT_EQ(rig->params.m_nCurChannel, 0);
}

TEST_F(MeasurementStart, NoActiveChannelSendsNothing)
{
    Start(ScenarioUnit());
    rig->Activate({0}, 256);
    rig->params.m_params[0].m_bActive = 0;
    EXPECT_EQ(rig->measurement->StartMeasurement(), kStartNoActiveChannel);
    EXPECT_EQ(rig->prompter.ids, std::vector<int>{kMsgNoActiveChannel});
    EXPECT_TRUE(Unit().Requests().empty());

    // Active only in an empty slot: the unit takes it away, and the start says so.
    rig->prompter.ids.clear();
    rig->Activate({6}, 256);
    EXPECT_EQ(rig->measurement->StartMeasurement(), kStartNoActiveChannel);
    EXPECT_EQ(rig->prompter.ids, std::vector<int>{kMsgNoActiveChannel});
    EXPECT_FALSE(Contains(Requests(Unit()), 12));
}

TEST_F(MeasurementStart, RefusedStartStopsTheUnitAndSaysSo)
{
    Start(ScenarioUnit());
    rig->Activate({0}, 256);
    rig->TimeMode();
    std::string error;
    ASSERT_TRUE(Unit().AddFault("refuse-start", error)) << error;
    EXPECT_EQ(rig->measurement->OnMeasureStart(), kStartRefused);
    EXPECT_EQ(rig->prompter.ids, std::vector<int>{kMsgError01});
    EXPECT_FALSE(rig->status.IsMeasuring());
    EXPECT_FALSE(rig->measurement->ThreadRunning());
    const std::vector<Sent> start = StartPart(Unit());
    ASSERT_GE(start.size(), 2u);
    EXPECT_EQ(start[start.size() - 2].code, 12);
    EXPECT_EQ(start.back().code, 13);
}

TEST_F(MeasurementStart, SampleCountsBecomeWhatTheUnitMeasures)
{
    Start(ScenarioUnit("8,-,8", "none"));
    CMeasParamSet& p = rig->params;
    rig->Activate({0, 1, 4}, 256);
    rig->TimeMode();
    p.m_bAutoStack = 1;
    p.m_params[0].m_nSamples = 4096;
    p.m_params[1].m_nSamples = 300;
    p.m_params[4].m_nSamples = 401;
    p.m_params[0].m_nStacks = 8;
    ASSERT_EQ(rig->measurement->OnMeasureStart(), kStartOk);
    rig->measurement->OnMeasureStop();
    EXPECT_EQ(p.m_bAutoStack, 0) << "a slot of more than 2048 samples switches autostack off for good";
    EXPECT_EQ(p.m_params[0].m_nSamples, 2048);
    EXPECT_EQ(p.m_params[1].m_nSamples, 2048) << "channel 1 measures with its slot's count";
    EXPECT_EQ(p.m_params[4].m_nSamples, 400);
    const std::vector<Sent> start = StartPart(Unit());
    EXPECT_TRUE(std::find(start.begin(), start.end(), Sent{1, 0, {2048}}) != start.end());
    EXPECT_TRUE(std::find(start.begin(), start.end(), Sent{2, 0, {3}}) != start.end());
    EXPECT_TRUE(std::find(start.begin(), start.end(), Sent{40, 0, {0}}) != start.end());
    EXPECT_TRUE(std::find(start.begin(), start.end(), Sent{1, 2, {400}}) != start.end());
    for (auto [k, samples] : {std::pair{0, 2048}, std::pair{1, 2048}, std::pair{4, 400}}) {
        CRadHeader h;
        h.m_strPath = rig->data->GetChannel(k).m_Header.m_strPath;
        ASSERT_EQ(h.Read(), 0);
        EXPECT_EQ(h.m_nSamples, samples) << "channel " << k;
        EXPECT_EQ(rig->Rd3(k).size() % (2u * samples), 0u);
    }
}

// The unit measures both channels of a slot with channel 0's trace interval, stacks, sample
// count, frequency steps and ramp: channel 1's header records those, not its own settings.
TEST_F(MeasurementStart, BothChannelsOfASlotRecordWhatTheUnitMeasuresThemWith)
{
    Start(ScenarioUnit("8,-,8", "none"));
    CMeasParamSet& p = rig->params;
    rig->Activate({0, 1}, 256);
    rig->TimeMode();
    p.m_bAutoStack = 0;
    p.m_params[0].m_dTimeInterval = 20 / 1024.0;
    p.m_params[0].m_nStacks = 8;
    p.m_params[0].m_nFrequencySteps = 2;
    p.m_params[0].m_nRampIndex = 1;
    p.m_params[1].m_dTimeInterval = 0.5;
    p.m_params[1].m_nStacks = 32;
    p.m_params[1].m_nFrequencySteps = 4;
    p.m_params[1].m_nRampIndex = 2;
    p.m_params[1].m_nSignalPosition = 1900;
    ASSERT_EQ(rig->measurement->OnMeasureStart(), kStartOk);
    ASSERT_TRUE(rig->RunUntil([&] { return rig->Traces(1) >= 6; }));
    rig->measurement->OnMeasureStop();

    const std::vector<Sent> start = StartPart(Unit());
    for (const Sent& s : {Sent{6, 0, {20}}, Sent{2, 0, {3}}, Sent{4, 0, {2}}, Sent{27, 0, {1}}, Sent{1, 0, {256}}})
        EXPECT_TRUE(std::find(start.begin(), start.end(), s) != start.end()) << "the unit was not sent " << s;
    std::vector<std::uint32_t> positions;
    for (const SimTrace& t : Unit().SentTraces(1))
        positions.push_back(t.position);
    ASSERT_GE(positions.size(), 2u);
    for (int k : {0, 1}) {
        const std::string rad = ReadFileBytes(rig->data->GetChannel(k).m_Header.m_strPath);
        SCOPED_TRACE("channel " + std::to_string(k) + ":\n" + rad);
        const int traces = rig->Traces(k);
        EXPECT_NE(rad.find("TIME INTERVAL: 0.019531\r\n"), std::string::npos);
        EXPECT_NE(rad.find(FormatC("STOP POSITION:%10.6f\r\n", traces * (20 / 1024.0))), std::string::npos);
        EXPECT_NE(rad.find("STACKS:8\r\n"), std::string::npos);
        EXPECT_NE(rad.find("FREQUENCY STEPS:2\r\n"), std::string::npos);
        EXPECT_NE(rad.find("INTERMEDIATE FLAG:1\r\n"), std::string::npos);
        EXPECT_NE(rad.find(k == 0 ? "RAW SIGNAL POSITION:2048\r\n" : "RAW SIGNAL POSITION:1900\r\n"),
                  std::string::npos) << "the signal position is each channel's own";
    }
    // The traces the unit sent channel 1 lie one header interval apart.
    for (std::size_t i = 1; i < positions.size(); ++i)
        EXPECT_EQ(positions[i] - positions[i - 1], 20u) << "trace " << i;
    EXPECT_DOUBLE_EQ(p.m_params[1].m_dTimeInterval, 20 / 1024.0) << "the settings say so too";
    EXPECT_EQ(p.m_params[1].m_nStacks, 8);
}

TEST_F(MeasurementStart, StacksOutsideTheirRangeSendSixteenAndTheHeadersSaySo)
{
    Start(ScenarioUnit("8,8", "none"));
    rig->Activate({0, 2}, 256);
    rig->KeyboardMode();
    rig->params.m_bAutoStack = 0;
    rig->params.m_params[0].m_nStacks = 0;
    rig->params.m_params[2].m_nStacks = 512;
    ASSERT_EQ(rig->measurement->OnMeasureStart(), kStartOk);
    rig->measurement->StopMeasurement();
    const std::vector<Sent> start = StartPart(Unit());
    EXPECT_TRUE(std::find(start.begin(), start.end(), Sent{2, 0, {4}}) != start.end());
    EXPECT_TRUE(std::find(start.begin(), start.end(), Sent{2, 1, {4}}) != start.end());
    for (int k : {0, 2}) {
        const std::string rad = ReadFileBytes(rig->data->GetChannel(k).m_Header.m_strPath);
        EXPECT_NE(rad.find("STACKS:16\r\nSTACK EXPONENT:4\r\nSTACKING TIME:0.040960\r\n"), std::string::npos)
            << "channel " << k << ":\n" << rad;
    }
}

TEST_F(MeasurementStart, Z5KMeasuresOnTheMasterWheel)
{
    Start(CSimUnitConfig::Z5K());
    rig->Activate({0, 1, 2}, 256);
    rig->WheelMode(500, 1, 0.02);
    rig->params.m_nWheelSource = 3;
    ASSERT_EQ(rig->measurement->OnMeasureStart(), kStartOk);
    rig->measurement->OnMeasureStop();
    EXPECT_TRUE(rig->params.m_params[0].m_bActive);
    EXPECT_FALSE(rig->params.m_params[1].m_bActive);
    EXPECT_FALSE(rig->params.m_params[2].m_bActive);
    const std::vector<Sent> start = StartPart(Unit());
    EXPECT_TRUE(std::find(start.begin(), start.end(), Sent{22, 16, {1}}) != start.end());
    EXPECT_TRUE(std::find(start.begin(), start.end(), Sent{9, 16, {1, 0}}) != start.end());
    EXPECT_TRUE(std::find(start.begin(), start.end(), Sent{5, kAll, {'W', 3}}) != start.end());
    EXPECT_EQ(rig->Path(0), rig->dir.path() + "/" + rig->data->GetSetName() + ".rd3");
}

TEST_F(MeasurementStart, WheelModeWithoutAWheelUsesTheFallbackCalibration)
{
    Start(ScenarioUnit());
    rig->Activate({0}, 256);
    rig->params.m_wheels.clear();
    rig->params.m_nTrigType = 0;
    rig->params.m_nMeasDirection = 0;  // never set: forward
    rig->params.m_params[0].m_dDistanceInterval = 0.02;
    ASSERT_EQ(rig->measurement->OnMeasureStart(), kStartOk);
    EXPECT_EQ(rig->status.m_nDistanceMultiplier, 1);
    rig->measurement->OnMeasureStop();
    const std::vector<Sent> start = StartPart(Unit());
    EXPECT_TRUE(std::find(start.begin(), start.end(), Sent{6, 0, {8}}) != start.end());  // 442.7 x 0.02
    EXPECT_TRUE(std::find(start.begin(), start.end(), Sent{8, 0, {1}}) != start.end());
    CRadHeader h;
    h.m_strPath = rig->data->GetChannel(0).m_Header.m_strPath;
    ASSERT_EQ(h.Read(), 0);
    EXPECT_DOUBLE_EQ(h.m_dWheelCalibration, CMeasurement::kFallbackWheelCalibration);
}

TEST_F(MeasurementStart, DocumentStartRefusesAStoredDataSetAndReportsFilesItCannotMake)
{
    Start(ScenarioUnit());
    rig->Activate({0}, 256);
    rig->TimeMode();
    rig->status.m_bOldDataFile = 1;
    EXPECT_EQ(rig->measurement->OnMeasureStart(), kStartOldDataFile);
    EXPECT_EQ(rig->prompter.ids, std::vector<int>{kMsgOldDataFile});
    EXPECT_TRUE(Unit().Requests().empty());

    rig->status.m_bOldDataFile = 0;
    rig->prompter.ids.clear();
    MeasurementHooks hooks;
    hooks.dataFolder = [this] { return rig->dir.path() + "/missing/folder/"; };
    hooks.baseName = [] { return std::string("P"); };
    CMeasurement elsewhere(*rig->acq, hooks);
    EXPECT_EQ(elsewhere.OnMeasureStart(), kStartFilesFailed);
    EXPECT_EQ(rig->prompter.ids, (std::vector<int>{155, kMsgFileOpen}));
    EXPECT_FALSE(rig->status.IsMeasuring());
}

TEST_F(MeasurementStart, LongBaseNamesStartWhileEveryFileNameFits)
{
    Start(ScenarioUnit());
    rig->Activate({0, 1}, 256);
    rig->TimeMode();
    struct Case {
        std::size_t length;
        int result;
        std::vector<int> messages;
        std::size_t files;
    };
    // "<base>_0001_A1.rd3" is 12 characters longer than the base; a name may have 255.
    const Case cases[] = {{225, kStartOk, {}, 6}, {243, kStartOk, {}, 6}, {244, kStartFilesFailed, {155, kMsgFileOpen}, 0}};
    for (const Case& c : cases) {
        TempDir folder;
        MeasurementHooks hooks;
        hooks.dataFolder = [&folder] { return folder.path() + "/"; };
        hooks.baseName = [&c] { return std::string(c.length, 'L'); };
        CMeasurement measurement(*rig->acq, hooks);
        rig->prompter.ids.clear();
        EXPECT_EQ(measurement.OnMeasureStart(), c.result) << c.length;
        EXPECT_EQ(rig->prompter.ids, c.messages) << c.length;
        measurement.OnMeasureStop();
        EXPECT_EQ(FolderEntries(folder.path()).size(), c.files) << c.length;
        if (c.result == kStartOk) {
            EXPECT_EQ(rig->HeaderLastTrace(1), rig->Traces(1)) << c.length;
        }
        rig->data->CloseFiles(true);
    }
}

TEST_F(MeasurementStart, StartWhoseHeadersCannotBeWrittenLeavesOnlyTheFilesThatWereThere)
{
    Start(ScenarioUnit());
    rig->Activate({0, 1}, 256);
    rig->TimeMode();
    const std::vector<std::string> earlier = {"Profile_0001_A1.mrk", "Profile_0001_A1.rad", "Profile_0001_A1.rd3"};
    for (const std::string& name : earlier)
        WriteFileBytes(rig->dir.file(name), "an earlier set's " + name);
    int result;
    {
        // Room for the new set's empty data files and marker lines, not for a header.
        FileSizeLimit limit(100);
        ASSERT_TRUE(limit.ok());
        result = rig->measurement->OnMeasureStart();
    }
    EXPECT_EQ(result, kStartHeadersFailed);
    EXPECT_EQ(rig->prompter.ids, std::vector<int>{kMsgHeaderWrite});
    EXPECT_FALSE(rig->status.IsMeasuring());
    EXPECT_EQ(FolderEntries(rig->dir.path()), earlier) << "the new set Profile_0002 is gone, the earlier one kept";
    for (const std::string& name : earlier)
        EXPECT_EQ(ReadFileBytes(rig->dir.file(name)), "an earlier set's " + name);
    EXPECT_EQ(rig->data->GetSetName(), "");
    EXPECT_FALSE(rig->data->GetChannel(0).IsOpen());

    ASSERT_EQ(rig->measurement->OnMeasureStart(), kStartOk) << "with room again the start goes on";
    EXPECT_EQ(rig->data->GetSetName(), "Profile_0002");
    rig->measurement->OnMeasureStop();
}

TEST_F(MeasurementStart, StopWhileIdleOnlyClearsLatchAndFillLevels)
{
    Start(ScenarioUnit());
    rig->status.m_bMarkerLatch[0] = 1;
    rig->status.m_nSlotFill[3] = 77;
    rig->measurement->StopMeasurement();
    EXPECT_EQ(rig->status.m_bMarkerLatch[0], 0);
    EXPECT_EQ(rig->status.m_nSlotFill[3], 0);
    EXPECT_TRUE(Unit().Requests().empty());
}

TEST_F(MeasurementStart, PresenceCheckFollowsTheUnitCheckAndTheUnit)
{
    Start(ScenarioUnit());
    rig->status.m_bConnected = 0;
    rig->acq->DetectUnit(false);
    EXPECT_FALSE(rig->status.IsConnected()) << "with the check off the flag keeps its value";
    EXPECT_TRUE(Unit().Requests().empty());
    EXPECT_TRUE(rig->acq->PollControlUnit(true));
    EXPECT_TRUE(rig->status.IsConnected());
    EXPECT_FALSE(rig->acq->PollControlUnit(true));
    Unit().Vanish(60);
    EXPECT_TRUE(rig->acq->PollControlUnit(true));
    EXPECT_FALSE(rig->status.IsConnected());
    rig->status.m_bMeasuring = 1;
    Unit().ClearHistory();
    EXPECT_FALSE(rig->acq->PollControlUnit(true));
    EXPECT_TRUE(Unit().Requests().empty()) << "no check while measuring";
    rig->status.m_bMeasuring = 0;
}

TEST_F(MeasurementStart, SingleTestTraceTakesTheCurrentChannelsTrace)
{
    Start(ScenarioUnit());
    CMeasParamSet& p = rig->params;
    rig->Activate({1}, 300);
    p.m_params[1].m_nStacks = 8;
    p.m_params[1].m_nSignalPosition = 3000;
    p.m_params[1].m_nRampIndex = 2;
    std::vector<std::int16_t> out(2048, 77);
    EXPECT_EQ(rig->acq->AcquireSingleTrace(out.data(), 2048), 300);
    const std::vector<std::int16_t> expected = SimPattern{}.Trace(1, 0, 300);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin()));
    EXPECT_EQ(out[300], 77) << "nothing written past the trace";
    const std::vector<Sent> sent = Requests(Unit());
    const std::vector<Sent> expectedRequests = {
        {96, 0, {20, 0, 0}}, {40, 0, {0}}, {6, 0, {1}}, {8, 0, {1}}, {9, 16, {0, 0}}, {22, 16, {1}},
        {27, 0, {2}}, {20, 0, {0}}, {2, 0, {3}}, {1, 0, {300}}, {4, 0, {2}}, {3, 0, {3000, 3000}}, {14, 0, {2}}};
    EXPECT_EQ(sent, expectedRequests);

    // A buffer smaller than the trace gets what fits.
    std::vector<std::int16_t> small(10, 0);
    EXPECT_EQ(rig->acq->AcquireSingleTrace(small.data(), 10), 10);
    EXPECT_EQ(small[9], SimPattern{}.Trace(1, 1, 300)[9]);
    EXPECT_EQ(rig->status.m_bError02.load(), 0);

    Unit().Vanish(60);
    std::fill(out.begin(), out.end(), 5);
    EXPECT_EQ(rig->acq->AcquireSingleTrace(out.data(), 2048), 0);
    EXPECT_EQ(rig->status.m_bError02.load(), 1);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::int16_t v) { return v == 5; }));
}

TEST_F(MeasurementStart, ContinuedDataSetKeepsTheSampleCountItsFilesHold)
{
    Start(ScenarioUnit());
    rig->Activate({0, 1}, 256);
    rig->KeyboardMode();
    ASSERT_EQ(rig->measurement->OnMeasureStart(), kStartOk);
    rig->measurement->OnTrigg();
    rig->measurement->OnMeasureStop();
    ASSERT_EQ(rig->Traces(0), 1);

    rig->params.m_params[0].m_nSamples = 512;  // changed between the two runs
    rig->params.m_params[1].m_nSamples = 1024;
    Unit().ClearHistory();
    ASSERT_EQ(rig->measurement->OnMeasureStart(), kStartOk);
    rig->measurement->OnTrigg();
    rig->measurement->OnMeasureStop();
    EXPECT_EQ(rig->params.m_params[0].m_nSamples, 256);
    EXPECT_EQ(rig->params.m_params[1].m_nSamples, 256);
    const std::vector<Sent> start = StartPart(Unit());
    EXPECT_TRUE(std::find(start.begin(), start.end(), Sent{1, 0, {256}}) != start.end());
    for (int k : {0, 1}) {
        EXPECT_EQ(rig->Traces(k), 2);
        EXPECT_EQ(rig->HeaderLastTrace(k), 2);
        EXPECT_EQ(rig->FileTraces(k), 2);
        EXPECT_EQ(rig->Rd3(k).size(), 2u * 512u);
    }
}
