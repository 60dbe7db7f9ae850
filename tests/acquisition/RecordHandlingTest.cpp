// What the acquisition makes of the records in the data ring, without a unit: the ring is
// filled here as the link fills it, and the data set lives in a folder of the test's own.
#include "AcqRig.h"

#include "link/AcquiredRecord.h"
#include "link/DcOffset.h"
#include "model/STrace.h"
#include "sim/SimRecord.h"
#include "tests/support/Limits.h"

#include <gtest/gtest.h>


namespace {

std::vector<std::int16_t> Ramp(int n, int start)
{
    std::vector<std::int16_t> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(start + i * 3);
    return v;
}

std::string Bytes(const std::vector<std::int16_t>& samples)
{
    return ExpectedFile({{0, samples}}, 1, static_cast<int>(samples.size()));
}

class RecordHandling : public ::testing::Test {
protected:
    // Channels k active with `samples`, a data set created, status and configuration as a
    // start with these slot steps leaves them.
    void Start(const std::vector<int>& channels, int samples, std::int32_t step, std::uint8_t trigType = 128)
    {
        rig.Activate(channels, samples);
        rig.params.m_nTrigType = trigType;
        ASSERT_EQ(rig.data->CreateFiles(rig.dir.path() + "/", "Set"), 0);
        ASSERT_EQ(rig.data->WriteHeaders(), 0);
        for (int k = 0; k < 16; ++k) {
            rig.status.m_bFirstTrace[static_cast<std::size_t>(k)] = 1;
            rig.status.m_nLastPosition[static_cast<std::size_t>(k)] = 0;
            rig.status.m_nLastSensorTrace[static_cast<std::size_t>(k)] = 0;
        }
        for (int k : channels)
            rig.status.m_nSlotStep[static_cast<std::size_t>(k / 2)] = step;
        Configure();
    }
    void Configure()
    {
        rig.acq->BeginMeasurement();
        rig.acq->SetConfig(CAcquisitionConfig::Take(rig.params, rig.status));
    }
    void Send(const std::vector<SimRecord>& records) { rig.Commit(SerializeRecords(records)); }
    int Take() { return rig.acq->TakeCommittedRecords(); }

    AcqRig rig;
};

}  // namespace

TEST(RecordCheck, EveryFieldIsCheckedBeforeUse)
{
    DataRing ring(64);
    struct Case {
        SimRecord record;
        RecordVerdict verdict;
    };
    auto trace = [](std::uint8_t code, int n) { return SimRecord::Trace(code, 7, std::vector<std::int16_t>(n, 1)); };
    SimRecord shortTrace = trace(0, 1);
    shortTrace.lengthWord = 4;
    SimRecord shortSensor = SimRecord::Word('\\', 0, 1);
    SimRecord shortPosition = SimRecord::Word(':', 0, 1);
    SimRecord noPayload = SimRecord::Word(']', 0, 1);
    noPayload.payload.clear();
    const std::vector<Case> cases = {
        {trace(0, 1), RecordVerdict::Usable},         {trace(71, 20), RecordVerdict::Usable},
        {trace(0, 0), RecordVerdict::BadSampleCount}, {trace(73, 4), RecordVerdict::BadChannel},
        {trace(80, 4), RecordVerdict::BadChannel},    {trace(255, 4), RecordVerdict::BadChannel},
        {shortTrace, RecordVerdict::TooShort},        {shortSensor, RecordVerdict::TooShort},
        {shortPosition, RecordVerdict::TooShort},     {noPayload, RecordVerdict::TooShort},
        {SimRecord::Word('@', 80, 3), RecordVerdict::BadChannel},
        {SimRecord::Word('@', 71, 3), RecordVerdict::Usable},
        {SimRecord::Word('Z', 0, 3), RecordVerdict::UnknownType},
    };
    for (const Case& c : cases) {
        ring.Reset();
        const auto bytes = SerializeRecords({c.record});
        ring.BeginMessage();
        ring.Append(bytes.data(), static_cast<std::uint32_t>(bytes.size() / 2), true);
        AcquiredRecord out;
        EXPECT_EQ(CheckRecord(ring, ReadRecordHeader(ring, 0), out), c.verdict)
            << "type " << c.record.type << " code " << int(c.record.code) << " L " << c.record.Length();
    }
    // 2049 samples do not fit a trace of the data model.
    DataRing big(8192);
    const auto bytes = SerializeRecords({trace(0, 2049)});
    big.BeginMessage();
    big.Append(bytes.data(), static_cast<std::uint32_t>(bytes.size() / 2), true);
    AcquiredRecord out;
    EXPECT_EQ(CheckRecord(big, ReadRecordHeader(big, 0), out), RecordVerdict::BadSampleCount);
}

TEST(RecordCheck, PositionsAreSignedAndTimesUnsigned)
{
    DataRing ring(64);
    const auto bytes = SerializeRecords({SimRecord::Counter(':', 0, 0xFFFFFFF6u), SimRecord::Counter(';', 0, 0xFFFFFFF6u),
                                         SimRecord::Trace(1, 0xFFFFFFECu, {5})});
    ring.BeginMessage();
    ring.Append(bytes.data(), static_cast<std::uint32_t>(bytes.size() / 2), true);
    AcquiredRecord r;
    ASSERT_EQ(CheckRecord(ring, ReadRecordHeader(ring, 0), r), RecordVerdict::Usable);
    EXPECT_EQ(r.value, -10);
    ASSERT_EQ(CheckRecord(ring, ReadRecordHeader(ring, 4), r), RecordVerdict::Usable);
    EXPECT_EQ(r.value, 4294967286);
    ASSERT_EQ(CheckRecord(ring, ReadRecordHeader(ring, 8), r), RecordVerdict::Usable);
    EXPECT_EQ(r.value, -20);
    EXPECT_EQ(r.slot, 0);
    EXPECT_EQ(r.channel, 1);
    EXPECT_EQ(r.samples, 1u);
}

TEST(GapFill, CountsTheMissedPositionsInTheDirectionOfTravel)
{
    EXPECT_EQ(GapTraceCount(100, 140, 10, 1), 3);   // 110, 120, 130
    EXPECT_EQ(GapTraceCount(100, 145, 10, 1), 4);   // 110 .. 140
    EXPECT_EQ(GapTraceCount(100, 110, 10, 1), 0);
    EXPECT_EQ(GapTraceCount(100, 105, 10, 1), 0);
    EXPECT_EQ(GapTraceCount(100, 60, 10, 1), 0);    // backwards: nothing missed
    EXPECT_EQ(GapTraceCount(-100, -140, 10, -1), 3);
    EXPECT_EQ(GapTraceCount(-100, -90, 10, -1), 0);
    EXPECT_EQ(GapTraceCount(100, 140, 0, 1), 0);    // a slot without a step
    EXPECT_EQ(GapTraceCount(INT32_MIN, INT32_MAX, 1, 1), 4294967294LL);  // no overflow
}

// The unit's stray record: 14 samples at position 0, on channel A1, after every 7th record.
TEST_F(RecordHandling, TraceRecordsOfAnotherLengthAreDroppedAndLeaveThePositionAlone)
{
    Start({0, 1}, 8, 10);
    std::vector<SimRecord> records;
    std::vector<SentTrace> real[2];
    std::uint64_t strays = 0;
    for (int j = 0; j < 21; ++j) {
        for (int ch = 0; ch < 2; ++ch) {
            real[ch].push_back({j, Ramp(8, 100 * ch + j)});
            records.push_back(SimRecord::Trace(static_cast<std::uint8_t>(ch), static_cast<std::uint32_t>(j * 10),
                                               real[ch].back().samples));
            if (records.size() % 8 == 7) {
                records.push_back(SimRecord::Trace(0, 0, Ramp(14, -7)));
                ++strays;
            }
        }
    }
    Send(records);
    EXPECT_EQ(Take(), kReadEmpty);
    for (int k : {0, 1}) {
        EXPECT_EQ(rig.Traces(k), 21) << "channel " << k;
        EXPECT_TRUE(rig.Rd3(k) == ExpectedFile(real[k], 21, 8)) << "channel " << k << " holds more than its traces";
    }
    const AcquisitionCounters c = rig.acq->Counters();
    EXPECT_EQ(c.strayTraces, strays);
    EXPECT_EQ(c.fillTraces, 0u);
}

// A continued set drops the unit's first trace; that trace's sensor record goes with it, so
// that line t of the .em file stays the record of trace t.
TEST_F(RecordHandling, ContinuedSetWritesNoSensorLineForItsDroppedFirstTrace)
{
    Start({0}, 8, 10);
    rig.params.m_params[0].m_bEmSensor = 1;
    Configure();
    CEM_Data& em = rig.data->GetEmData(0);
    ASSERT_EQ(em.Create(), 0);
    auto step = [&](std::uint16_t j) {
        const std::uint16_t words[4] = {j, j, j, j};
        return std::vector<SimRecord>{SimRecord::Trace(0, j * 10u, Ramp(8, j)), SimRecord::Sensor(0, words)};
    };
    for (std::uint16_t j = 0; j < 3; ++j)
        Send(step(j));
    ASSERT_EQ(Take(), kReadEmpty);
    // Stopped and started again on the same set: the unit goes on from its end.
    rig.status.m_bContinue[0] = 1;
    rig.status.m_nLastPosition[0] = 30;
    Configure();
    for (std::uint16_t j = 3; j < 6; ++j)
        Send(step(j));
    ASSERT_EQ(Take(), kReadEmpty);
    EXPECT_EQ(rig.Traces(0), 5);
    EXPECT_EQ(ReadFileBytes(em.m_strPath), "1\t0\t0\t0\t0\r\n2\t1\t1\t1\t1\r\n3\t2\t2\t2\t2\r\n"
                                           "4\t4\t4\t4\t4\r\n5\t5\t5\t5\t5\r\n");
}

TEST_F(RecordHandling, AGlitchInThePositionIsNotFilled)
{
    Start({0}, 4, 1);
    rig.status.m_bFirstTrace[0] = 0;
    const auto t = Ramp(4, 3);
    Send({SimRecord::Trace(0, 0x7FFFFFF0u, t)});
    EXPECT_EQ(Take(), kReadEmpty);
    EXPECT_EQ(rig.Rd3(0), Bytes(t));
    EXPECT_EQ(rig.acq->Counters().oversizedGaps, 1u);
}

TEST_F(RecordHandling, CurrentSlotWithoutAStepDividesByOne)
{
    Start({0}, 4, 10);
    rig.params.m_nCurSlot = 5;  // no active channel, no step
    Configure();
    Send({SimRecord::Counter(':', 0, 33), SimRecord::Trace(0, 20, Ramp(4, 0))});
    EXPECT_EQ(Take(), kReadEmpty);
    EXPECT_EQ(rig.status.m_nDistanceCount, 20);
}

// The operator may select another slot while measuring: from the next record on, positions
// count in the steps of the slot that is current then.
TEST_F(RecordHandling, CountsDivideByTheStepOfTheSlotCurrentWhenTheRecordArrives)
{
    Start({0, 4}, 4, 10);  // slots A and C, A current
    rig.status.m_nSlotStep[2] = 20;
    Configure();
    struct Case {
        int selected;  // -1: none since the last case
        SimRecord record;
        std::int32_t timeCount, distanceCount;
    };
    const Case cases[] = {
        {-1, SimRecord::Counter(';', 0, 400), 40, 0},
        {-1, SimRecord::Counter(':', 0, 400), 40, 40},
        {2, SimRecord::Counter(';', 0, 800), 40, 40},
        {-1, SimRecord::Counter(':', 0, 800), 40, 40},
        {-1, SimRecord::Trace(20, 1000, Ramp(4, 0)), 50, 50},
        {0, SimRecord::Trace(0, 1010, Ramp(4, 0)), 101, 101},
        {5, SimRecord::Counter(':', 0, 33), 101, 33},  // a slot without traces counts by 1
    };
    int i = 0;
    for (const Case& c : cases) {
        if (c.selected >= 0)
            rig.acq->FollowSlot(c.selected);
        Send({c.record});
        ASSERT_EQ(Take(), kReadEmpty);
        EXPECT_EQ(rig.status.m_nTimeCount, c.timeCount) << "case " << i;
        EXPECT_EQ(rig.status.m_nDistanceCount, c.distanceCount) << "case " << i;
        ++i;
    }
}

TEST(DcOffset, MeanOfTheSecondHalfWithoutItsLastFiveSamples)
{
    std::vector<std::int16_t> in(2048, 0);
    for (int i = 1024; i <= 2042; ++i)
        in[static_cast<std::size_t>(i)] = 1019;
    for (int i = 2043; i < 2048; ++i)
        in[static_cast<std::size_t>(i)] = 30000;  // outside the mean
    in[1023] = 30000;                             // outside too
    EXPECT_EQ(DcOffset(in.data(), 2048), 1019);
    CSTrace out;
    RemoveDcOffset(in.data(), out, 2048, true);
    EXPECT_EQ(out[0], -1019);
    EXPECT_EQ(out[1500], 0);
    EXPECT_EQ(out[2047], 30000 - 1019);

    // Clamped to 16 bits; off leaves the samples as they are; short traces have no offset.
    std::vector<std::int16_t> low(100, 32767);
    low[0] = -32768;
    RemoveDcOffset(low.data(), out, 100, true);
    EXPECT_EQ(out[0], -32768);
    EXPECT_EQ(out[99], 0);
    EXPECT_EQ(out[100], 0);  // past the trace: zero, not a stale sample
    std::vector<std::int16_t> high(2047, -20000); // and upwards, in whole blocks and a tail
    std::fill_n(high.begin(), 600, 20000);
    RemoveDcOffset(high.data(), out, 2047, true);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[599], 32767);
    EXPECT_EQ(out[600], 0);
    EXPECT_EQ(out[2046], 0);
    RemoveDcOffset(low.data(), out, 100, false);
    EXPECT_EQ(out[0], -32768);
    EXPECT_EQ(out[50], 32767);
    std::vector<std::int16_t> tiny = {500, 500, 500, 500, 500, 500, 500, 500, 500, 500, 500};
    EXPECT_EQ(DcOffset(tiny.data(), 10), 0);  // in[5] .. in[4]: no sample in the range
    EXPECT_EQ(DcOffset(tiny.data(), 11), 500);
}

TEST_F(RecordHandling, HandOffShowsTheFirstErrorOnceAndKeepsTheFlags)
{
    Start({0}, 4, 1);
    rig.status.m_bDiskFull = 1;
    rig.status.m_bError03 = 1;
    EXPECT_FALSE(rig.acq->FlushTracesToDisplay());
    EXPECT_FALSE(rig.acq->FlushTracesToDisplay());
    EXPECT_EQ(rig.prompter.ids, std::vector<int>{kMsgError03});
    EXPECT_EQ(rig.status.m_bDiskFull.load(), 1);
    rig.status.ClearErrors();
    rig.acq->BeginMeasurement();
    rig.status.m_bError02 = 1;
    rig.status.m_bError01 = 1;
    EXPECT_FALSE(rig.acq->FlushTracesToDisplay());
    EXPECT_EQ(rig.prompter.ids, (std::vector<int>{kMsgError03, kMsgError01}));
    rig.status.ClearErrors();
    EXPECT_TRUE(rig.acq->FlushTracesToDisplay());
}

TEST_F(RecordHandling, StopTakesWhatTheUnitCommittedAfterTheThreadsLastLook)
{
    Start({0, 1}, 8, 1);
    rig.status.m_bMeasuring = 1;
    rig.acq->SetRunningMeasurement(rig.measurement.get());
    // The thread has ended; the unit's last traces were committed by its stop reply.
    const auto a = Ramp(8, 1), b = Ramp(8, 40);
    Send({SimRecord::Trace(0, 0, a), SimRecord::Trace(1, 0, b), SimRecord::Trace(0, 1, b)});
    rig.measurement->StopMeasurement();
    EXPECT_FALSE(rig.status.IsMeasuring());
    EXPECT_EQ(rig.Rd3(0), Bytes(a) + Bytes(b));
    EXPECT_EQ(rig.Rd3(1), Bytes(b));
    EXPECT_EQ(rig.HeaderLastTrace(0), 2);
    EXPECT_EQ(rig.HeaderLastTrace(1), 1);
    EXPECT_EQ(rig.acq->Counters().drainedRecords, 3u);
    EXPECT_EQ(rig.data->GetChannel(0).GetTraceCache().GetNewest(), 1) << "the last traces reach the display";
    EXPECT_EQ(rig.acq->RunningMeasurement(), nullptr);
}

TEST_F(RecordHandling, StopAfterAnErrorTakesNothingMoreAndShowsTheErrorOnce)
{
    Start({0}, 8, 1);
    rig.status.m_bMeasuring = 1;
    rig.status.m_bError03 = 1;
    rig.acq->SetRunningMeasurement(rig.measurement.get());
    Send({SimRecord::Trace(0, 0, Ramp(8, 1))});
    rig.measurement->StopMeasurement();
    EXPECT_EQ(rig.prompter.ids, std::vector<int>{kMsgError03});
    EXPECT_EQ(rig.Traces(0), 0);
    EXPECT_EQ(rig.HeaderLastTrace(0), 0);
    rig.measurement->StopMeasurement();
    EXPECT_EQ(rig.prompter.ids.size(), 1u);
}

TEST(DcOffset, SameOffsetAsTheSinglePrecisionSumForAnyTrace)
{
    // Large samples make the running float sum round; small ones keep it exact. Either way
    // the offset is the one the single-precision sum gives.
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int round = 0; round < 200; ++round) {
        const int n = 16 + static_cast<int>(next() % 2033);
        const int amplitude = round % 2 ? 32768 : 1 + static_cast<int>(next() % 20000);
        std::vector<std::int16_t> in(static_cast<std::size_t>(n));
        for (auto& v : in)
            v = static_cast<std::int16_t>(static_cast<int>(next() % (2u * amplitude)) - amplitude +
                                          (round % 3 == 0 ? amplitude / 2 : 0));
        float sum = 0.0f;
        for (int i = n / 2; i < n - 5; ++i)
            sum += static_cast<float>(in[static_cast<std::size_t>(i)]);
        const int expected = n / 2 < n - 5 ? static_cast<int>(sum / static_cast<float>(n - 5 - n / 2)) : 0;
        ASSERT_EQ(DcOffset(in.data(), n), expected) << "n " << n << " round " << round;
    }
}

TEST_F(RecordHandling, ErrorMessageShowsOnlyOnceTheStopIsComplete)
{
    Start({0}, 8, 1);
    rig.status.m_bMeasuring = 1;
    rig.acq->SetRunningMeasurement(rig.measurement.get());
    Send({SimRecord::Trace(0, 0, Ramp(8, 1)), SimRecord::Trace(0, 1, Ramp(8, 2))});
    rig.acq->TakeCommittedRecords();
    rig.status.m_bError01 = 1;  // the thread ended: no data
    bool checked = false;
    rig.prompter.whileShown = [&](int id) {
        EXPECT_EQ(id, kMsgError01);
        EXPECT_FALSE(rig.status.IsMeasuring());
        EXPECT_FALSE(rig.measurement->Stopping());
        EXPECT_EQ(rig.acq->RunningMeasurement(), nullptr);
        EXPECT_EQ(rig.HeaderLastTrace(0), 2) << "the headers are written before the message";
        checked = true;
    };
    EXPECT_FALSE(rig.acq->FlushTracesToDisplay());
    EXPECT_TRUE(checked);
    EXPECT_EQ(rig.prompter.ids, std::vector<int>{kMsgError01});
}
