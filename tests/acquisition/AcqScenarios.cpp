#include "AcqScenarios.h"

#include "link/RingRecord.h"
#include "model/Numbers.h"
#include "sim/SimPattern.h"
#include "tests/support/Limits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <numeric>
#include <set>
#include <thread>

namespace {

int Code(int k)
{
    return (k / 2) * 10 + k % 2;
}

std::vector<SentTrace> Sent(CSimUnit& unit, int k, bool requested = false, const std::set<std::uint16_t>& lost = {})
{
    std::vector<SentTrace> out;
    for (const SimTrace& t : unit.SentTraces(Code(k)))
        if (t.requested == requested && !lost.count(t.msgSeq))
            out.push_back({t.traceNumber, t.samples});
    return out;
}

// Channel k's file holds `count` traces: trace i is the unit's trace first + i * sign.
void ExpectFile(AcqRig& rig, int k, const std::vector<SentTrace>& sent, std::int64_t first = 0, int sign = 1,
                std::int64_t skipPrefix = 0)
{
    const int samples = rig.data->GetChannel(k).GetSamples();
    const std::int64_t count = rig.Traces(k);
    EXPECT_EQ(rig.FileTraces(k), count) << "channel " << k;
    EXPECT_EQ(rig.HeaderLastTrace(k), count) << "channel " << k;
    const std::string bytes = rig.Rd3(k);
    const std::size_t from = static_cast<std::size_t>(skipPrefix * samples * 2);
    ASSERT_GE(bytes.size(), from);
    EXPECT_TRUE(bytes.substr(from) == ExpectedFile(sent, count - skipPrefix, samples, first, sign))
        << "channel " << k << ": the data file differs from what the unit sent";
}

std::int64_t HighestNumber(const std::vector<SentTrace>& sent)
{
    std::int64_t n = -1;
    for (const SentTrace& t : sent)
        n = std::max(n, t.number);
    return n;
}

void Begin(AcqBench& b)
{
    ASSERT_TRUE(b.rig.Detect()) << "no unit answered";
    ASSERT_EQ(b.rig.measurement->OnMeasureStart(), kStartOk);
    ASSERT_TRUE(b.rig.status.IsMeasuring());
}

void Stop(AcqBench& b)
{
    b.rig.measurement->OnMeasureStop();
    EXPECT_FALSE(b.rig.status.IsMeasuring());
    EXPECT_FALSE(b.rig.measurement->ThreadRunning());
}

}  // namespace

CSimUnitConfig ScenarioUnit(const char* modules, const char* sensors)
{
    CSimUnitConfig config = CSimUnitConfig::Tolam();
    std::string error;
    EXPECT_TRUE(config.SetModules(modules, error)) << error;
    EXPECT_TRUE(config.SetSensors(sensors, error)) << error;
    return config;
}

void TimeModeStoresEveryTraceAsSent(AcqBench b)
{
    AcqRig& rig = b.rig;
    rig.Activate({0, 1, 4}, 512);
    rig.params.m_params[4].m_nSamples = 2048;
    rig.TimeMode();
    Begin(b);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Traces(0) >= 30 && rig.Traces(4) >= 30; }));
    Stop(b);
    EXPECT_TRUE(rig.prompter.ids.empty());
    EXPECT_EQ(rig.selected, std::vector<int>{0});
    for (int k : {0, 1, 4}) {
        const auto sent = Sent(b.unit, k);
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(rig.Traces(k), static_cast<std::int32_t>(sent.size())) << "channel " << k;
        EXPECT_EQ(HighestNumber(sent) + 1, rig.Traces(k));
        ExpectFile(rig, k, sent);
    }
    EXPECT_EQ(rig.data->GetChannel(4).GetSamples(), 2048);
    const AcquisitionCounters c = rig.acq->Counters();
    EXPECT_EQ(c.fillTraces, 0u);
    EXPECT_EQ(c.malformedRecords, 0u);
    EXPECT_EQ(rig.driver->Link().Counters().ringOverflows, 0u);
}

void WheelForwardFillsSkippedPositions(AcqBench b)
{
    AcqRig& rig = b.rig;
    rig.Activate({0, 1, 4}, 256);
    rig.WheelMode(500, 1, 0.02);  // step 10 pulses
    std::string error;
    ASSERT_TRUE(b.unit.AddFault("skip=3", error)) << error;
    Begin(b);
    b.unit.SetWheelSpeed(2000);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Traces(0) >= 30 && rig.Traces(4) >= 30; }));
    b.unit.SetWheelSpeed(0);
    Stop(b);
    EXPECT_TRUE(rig.prompter.ids.empty());
    EXPECT_EQ(b.unit.Settings().slot[0].step, 10u);
    EXPECT_EQ(b.unit.Settings().slot[2].step, 10u);
    std::int64_t missing = 0;
    for (int k : {0, 1, 4}) {
        const auto sent = Sent(b.unit, k);
        EXPECT_EQ(rig.Traces(k), HighestNumber(sent) + 1);
        missing += HighestNumber(sent) + 1 - static_cast<std::int64_t>(sent.size());
        ExpectFile(rig, k, sent);
    }
    // Slot A's two channels share each skipped step, so they miss the same positions.
    EXPECT_EQ(rig.Traces(0) - static_cast<std::int32_t>(Sent(b.unit, 0).size()),
              rig.Traces(1) - static_cast<std::int32_t>(Sent(b.unit, 1).size()));
    EXPECT_GE(missing, 3) << "three skipped steps, each missed by every channel of its slot";
    EXPECT_EQ(rig.acq->Counters().fillTraces, static_cast<std::uint64_t>(missing));
}

void WheelReverseCountsDown(AcqBench b)
{
    AcqRig& rig = b.rig;
    rig.Activate({0}, 256);
    rig.WheelMode(500, -1, 0.02);
    std::string error;
    ASSERT_TRUE(b.unit.AddFault("skip=2", error)) << error;
    Begin(b);
    EXPECT_EQ(rig.status.m_nDistanceMultiplier, -1);
    b.unit.SetWheelSpeed(2000);
    ASSERT_TRUE(rig.RunUntilTraces(0, 25));
    b.unit.SetWheelSpeed(0);
    Stop(b);
    EXPECT_EQ(b.unit.Settings().slot[0].direction, -1);
    const auto sent = Sent(b.unit, 0);
    std::int64_t lowest = 0;
    for (const SentTrace& t : sent)
        lowest = std::min(lowest, t.number);
    EXPECT_LT(lowest, -20);
    EXPECT_EQ(rig.Traces(0), 1 - lowest);
    ExpectFile(rig, 0, sent, 0, -1);
    EXPECT_EQ(rig.acq->Counters().fillTraces, 2u);
    // The position bar multiplies the count once: forward again.
    EXPECT_LE(rig.status.m_nDistanceCount, 0);
}

void KeyboardStepsTakeOneTraceEach(AcqBench b)
{
    AcqRig& rig = b.rig;
    rig.Activate({0, 1}, 256);
    rig.params.m_params[0].m_bEmSensor = 1;
    rig.KeyboardMode();
    Begin(b);
    EXPECT_FALSE(rig.measurement->ThreadRunning());
    EXPECT_TRUE(rig.measurement->OnUpdateTrigg());
    for (int i = 0; i < 6; ++i)
        rig.measurement->OnTrigg();
    EXPECT_EQ(rig.Traces(0), 6);
    EXPECT_EQ(rig.Traces(1), 6);
    EXPECT_EQ(rig.status.m_nTimeCount, 6);
    Stop(b);
    EXPECT_TRUE(rig.prompter.ids.empty());
    EXPECT_TRUE(rig.prompter.texts.empty());
    for (const SimReceived& r : b.unit.Requests())
        EXPECT_NE(r.request.code, 12) << "keyboard mode sent the start command";
    ExpectFile(rig, 0, Sent(b.unit, 0, true));
    ExpectFile(rig, 1, Sent(b.unit, 1, true));
    // Both channels' requests bring a sensor record: one line each, numbered by the step.
    std::string em;
    for (int j = 0; j < 6; ++j)
        for (int code : {0, 1})
            em += FormatC("%d\t%d\t%d\t%d\t%d\r\n", j + 1, SensorValue(SimSensorWord(code, j, 0)),
                          SensorValue(SimSensorWord(code, j, 1)), SensorValue(SimSensorWord(code, j, 2)),
                          SensorValue(SimSensorWord(code, j, 3)));
    EXPECT_EQ(ReadFileBytes(rig.data->GetEmData(0).m_strPath), em);
}

void KeyboardStepWithoutUnit(AcqBench b)
{
    AcqRig& rig = b.rig;
    rig.Activate({0, 1}, 256);
    rig.KeyboardMode();
    Begin(b);
    rig.measurement->OnTrigg();
    rig.measurement->OnTrigg();
    b.unit.Vanish(60);
    rig.measurement->OnTrigg();
    EXPECT_EQ(rig.prompter.ids, std::vector<int>{kMsgError01});
    EXPECT_EQ(rig.prompter.ownerlessErrors, std::vector<std::string>{"Error: TRIGG can't return data!"});
    EXPECT_EQ(rig.prompter.texts.size(), 1u);
    EXPECT_FALSE(rig.status.IsMeasuring());
    EXPECT_FALSE(rig.measurement->OnUpdateTrigg());
    for (int k : {0, 1}) {
        EXPECT_EQ(rig.Traces(k), 2);
        ExpectFile(rig, k, Sent(b.unit, k, true));
    }
}

void TimeModeContinuesTheDataSet(AcqBench b)
{
    AcqRig& rig = b.rig;
    rig.Activate({0, 1}, 256);
    rig.TimeMode();
    Begin(b);
    ASSERT_TRUE(rig.RunUntilTraces(0, 15));
    Stop(b);
    const std::string set = rig.data->GetSetName();
    const std::int32_t first[2] = {rig.Traces(0), rig.Traces(1)};
    const std::vector<SentTrace> run1[2] = {Sent(b.unit, 0), Sent(b.unit, 1)};
    b.unit.ClearHistory();

    ASSERT_EQ(rig.measurement->OnMeasureStart(), kStartOk);
    EXPECT_EQ(rig.status.m_nTimeBase, first[1] * 10);  // the last channel configured sets it
    ASSERT_TRUE(rig.RunUntilTraces(0, first[0] + 15));
    Stop(b);
    EXPECT_EQ(rig.data->GetSetName(), set);
    EXPECT_EQ(rig.selected.size(), 1u) << "a continued measurement keeps the current channel";
    EXPECT_TRUE(rig.prompter.ids.empty());
    EXPECT_EQ(rig.acq->Counters().discardedTraces, 2u);
    for (int k : {0, 1}) {
        const auto run2 = Sent(b.unit, k);
        // The unit counts from 0 again; its trace at the start position is dropped.
        EXPECT_EQ(rig.Traces(k), first[k] + static_cast<std::int32_t>(run2.size()) - 1);
        const std::string bytes = rig.Rd3(k);
        const std::size_t split = static_cast<std::size_t>(first[k]) * 512;
        EXPECT_TRUE(bytes.substr(0, split) == ExpectedFile(run1[k], first[k], 256)) << "channel " << k;
        ExpectFile(rig, k, run2, 1, 1, first[k]);
    }
}

void WheelModeContinuesTheDataSet(AcqBench b)
{
    AcqRig& rig = b.rig;
    rig.Activate({0}, 256);
    rig.WheelMode(500, 1, 0.02);
    Begin(b);
    b.unit.SetWheelSpeed(2000);
    ASSERT_TRUE(rig.RunUntilTraces(0, 15));
    b.unit.SetWheelSpeed(0);
    Stop(b);
    const std::int32_t first = rig.Traces(0);
    const auto run1 = Sent(b.unit, 0);
    b.unit.ClearHistory();

    ASSERT_EQ(rig.measurement->OnMeasureStart(), kStartOk);
    EXPECT_EQ(rig.status.m_nWheelPreset, first * 10);
    b.unit.SetWheelSpeed(2000);
    ASSERT_TRUE(rig.RunUntilTraces(0, first + 15));
    b.unit.SetWheelSpeed(0);
    Stop(b);
    const auto run2 = Sent(b.unit, 0);
    ASSERT_FALSE(run2.empty());
    EXPECT_EQ(run2.front().number, first) << "the unit's counter went on from the data set's end";
    // The trace at the start position is dropped as the first of a continued set.
    EXPECT_EQ(rig.Traces(0), HighestNumber(run2));
    EXPECT_TRUE(rig.Rd3(0).substr(0, static_cast<std::size_t>(first) * 512) == ExpectedFile(run1, first, 256));
    ExpectFile(rig, 0, run2, first + 1, 1, first);
}

void UnitVanishesDuringTheRun(AcqBench b)
{
    AcqRig& rig = b.rig;
    rig.Activate({0, 1}, 256);
    rig.TimeMode();
    Begin(b);
    ASSERT_TRUE(rig.RunUntilTraces(0, 20));
    b.unit.Vanish(60);
    ASSERT_TRUE(rig.RunUntil([] { return false; }, 30)) << "the acquisition did not notice";
    EXPECT_EQ(rig.notices.Count(AcqNotice::AcquisitionEnded), 1);
    EXPECT_EQ(rig.prompter.ids, std::vector<int>{kMsgError01});
    EXPECT_FALSE(rig.status.IsMeasuring());
    EXPECT_FALSE(rig.measurement->ThreadRunning());
    for (int k : {0, 1}) {
        const auto sent = Sent(b.unit, k);
        // The unit's last message waits for a next one to be committed: it may be lost.
        EXPECT_GE(rig.Traces(k) + 1, static_cast<std::int32_t>(sent.size()));
        ExpectFile(rig, k, sent);
    }
    // Stop again: nothing more is shown.
    rig.measurement->OnMeasureStop();
    EXPECT_EQ(rig.prompter.ids.size(), 1u);
}

void DiskFullDuringTheRun(AcqBench b)
{
    AcqRig& rig = b.rig;
    rig.Activate({0, 1}, 256);
    rig.TimeMode();
    Begin(b);
    {
        FileSizeLimit limit(40 * 512 + 100);
        ASSERT_TRUE(limit.ok());
        ASSERT_TRUE(rig.RunUntil([] { return false; }, 30)) << "the full disk went unnoticed";
    }
    EXPECT_EQ(rig.prompter.ids, std::vector<int>{kMsgDiskFull});
    EXPECT_FALSE(rig.status.IsMeasuring());
    for (int k : {0, 1}) {
        EXPECT_LE(rig.Traces(k), 40);
        EXPECT_EQ(rig.Rd3(k).size() % 512, 0u);
        ExpectFile(rig, k, Sent(b.unit, k));
    }
    EXPECT_EQ(rig.Traces(0), 40) << "the first channel to fill its file has 40 traces";
}

void MalformedRecordsAreSkipped(AcqBench b)
{
    AcqRig& rig = b.rig;
    rig.Activate({0}, 256);
    rig.TimeMode();
    Begin(b);
    ASSERT_TRUE(rig.RunUntilTraces(0, 5));
    std::string error;
    for (const char* kind : {"short-l", "l0", "odd-l", "over-n", "code73", "code255", "type-z"})
        ASSERT_TRUE(b.unit.AddFault(std::string("bad-record=") + kind, error)) << error;
    ASSERT_TRUE(rig.RunUntilTraces(0, 30));
    Stop(b);
    EXPECT_TRUE(rig.prompter.ids.empty());
    const AcquisitionCounters c = rig.acq->Counters();
    EXPECT_EQ(c.malformedRecords, 6u);
    EXPECT_EQ(c.unknownRecords, 1u);
    const auto sent = Sent(b.unit, 0);
    EXPECT_EQ(rig.Traces(0), static_cast<std::int32_t>(sent.size()));
    ExpectFile(rig, 0, sent);
}

void LostFragmentBecomesAZeroTrace(AcqBench b)
{
    AcqRig& rig = b.rig;
    rig.Activate({0}, 2048);
    rig.TimeMode();
    Begin(b);
    ASSERT_TRUE(rig.RunUntilTraces(0, 5));
    std::string error;
    ASSERT_TRUE(b.unit.AddFault("drop-frag=2", error)) << error;
    ASSERT_TRUE(rig.RunUntilTraces(0, 20));
    Stop(b);
    std::set<std::uint16_t> lost;
    for (const SimSentMessage& m : b.unit.SentMessages())
        if (std::find(m.faults.begin(), m.faults.end(), "drop-frag=2") != m.faults.end())
            lost.insert(m.msgSeq);
    ASSERT_EQ(lost.size(), 1u);
    const auto all = Sent(b.unit, 0);
    const auto arrived = Sent(b.unit, 0, false, lost);
    ASSERT_EQ(arrived.size() + 1, all.size()) << "the lost message held one trace";
    EXPECT_EQ(rig.Traces(0), static_cast<std::int32_t>(all.size()));
    ExpectFile(rig, 0, arrived);
    EXPECT_EQ(rig.acq->Counters().fillTraces, 1u);
    EXPECT_GE(rig.driver->Link().Counters().fragmentOrderDrops, 1u);
}

void SensorLinesFollowTheTraces(AcqBench b)
{
    AcqRig& rig = b.rig;
    rig.Activate({0, 1}, 256);
    rig.params.m_params[0].m_bEmSensor = 1;
    rig.params.m_nMissedTraceMode = 1;
    rig.TimeMode();
    Begin(b);
    ASSERT_TRUE(rig.RunUntilTraces(0, 5));
    std::string error;
    ASSERT_TRUE(b.unit.AddFault("skip=2", error)) << error;
    ASSERT_TRUE(rig.RunUntilTraces(0, 25));
    Stop(b);
    const auto sent = Sent(b.unit, 0);
    std::set<std::int64_t> numbers;
    for (const SentTrace& t : sent)
        numbers.insert(t.number);
    const std::int32_t n = rig.Traces(0);
    ASSERT_EQ(*numbers.rbegin() + 1, n);
    ASSERT_EQ(static_cast<std::int64_t>(numbers.size()) + 2, n) << "two positions skipped";
    // Line t belongs to trace t; a missed trace's line carries the next record's values.
    std::string em;
    for (std::int64_t t = 1; t <= n; ++t) {
        const std::int64_t j = *numbers.lower_bound(t - 1);
        em += FormatC("%lld\t%d\t%d\t%d\t%d\r\n", static_cast<long long>(t), SensorValue(SimSensorWord(0, j, 0)),
                      SensorValue(SimSensorWord(0, j, 1)), SensorValue(SimSensorWord(0, j, 2)),
                      SensorValue(SimSensorWord(0, j, 3)));
    }
    EXPECT_EQ(ReadFileBytes(rig.data->GetEmData(0).m_strPath), em);
    ExpectFile(rig, 0, sent);
}

void MarkersFillLevelsAndBattery(AcqBench b)
{
    AcqRig& rig = b.rig;
    rig.Activate({0}, 256);
    rig.TimeMode();
    Begin(b);
    auto seen = [&] {
        std::lock_guard<std::recursive_mutex> unitValue(rig.locks.UnitValue);
        return rig.notices.Count(AcqNotice::MarkerKey1) >= 2 && rig.status.m_nBattery == 417 &&
               rig.status.m_nSlotFill[0] == 5;
    };
    ASSERT_TRUE(rig.RunUntil(seen)) << "markers " << rig.notices.Count(AcqNotice::MarkerKey1);
    // After the script the marker input stays low: no further marker.
    ASSERT_TRUE(rig.RunUntil([] { return false; }, 0.5) == false);
    Stop(b);
    EXPECT_EQ(rig.notices.Count(AcqNotice::MarkerKey1), 2);
    EXPECT_EQ(rig.acq->Counters().markerEdges, 2u);
    EXPECT_EQ(rig.status.m_nSlotFill[0], 0);
    EXPECT_EQ(rig.status.m_bMarkerLatch[0], 0);
    EXPECT_GT(rig.notices.Count(AcqNotice::StatusUpdate), 0);
    EXPECT_GT(rig.notices.Count(AcqNotice::TracesReady), 0);
}

void StalledFileWriterLosesNoTrace(AcqBench b)
{
    AcqRig& rig = b.rig;
    std::vector<int> all(16);
    std::iota(all.begin(), all.end(), 0);
    rig.Activate(all, 2048, 0.01);
    rig.TimeMode();
    Begin(b);
    ASSERT_TRUE(rig.RunUntilTraces(0, 20));
    {
        std::lock_guard<std::recursive_mutex> stall(rig.locks.TraceStore);
        std::this_thread::sleep_for(std::chrono::seconds(2));
    }
    ASSERT_TRUE(rig.RunUntil([&] {
        for (int k : all)
            if (rig.Traces(k) < 250)
                return false;
        return true;
    }));
    Stop(b);
    EXPECT_TRUE(rig.prompter.ids.empty());
    EXPECT_EQ(rig.driver->Link().Counters().ringOverflows, 0u);
    EXPECT_EQ(rig.acq->Counters().fillTraces, 0u);
    for (int k : all) {
        const auto sent = Sent(b.unit, k);
        EXPECT_EQ(rig.Traces(k), static_cast<std::int32_t>(sent.size())) << "channel " << k;
        ExpectFile(rig, k, sent);
    }
}

CSimUnitConfig MarkerUnit()
{
    CSimUnitConfig config = ScenarioUnit();
    config.markerScript = {0, 8, 8, 0, 8};
    config.fill[0] = 0.5;
    config.battery = 417;
    config.batteryMs = 100;
    return config;
}
