// The unit's stream after the start command, in time and wheel mode, checked through the
// host's own reassembly of the frames.
#include "SimBench.h"
#include "sim/SimPattern.h"

#include <gtest/gtest.h>

namespace {

std::vector<HostRecord> OfType(const std::vector<HostRecord>& all, char type, int code = -1)
{
    std::vector<HostRecord> out;
    for (const HostRecord& r : all)
        if (r.type == uint8_t(type) && (code < 0 || r.code == code))
            out.push_back(r);
    return out;
}

void ExpectRamp(const HostRecord& trace, int64_t j, size_t n)
{
    ASSERT_EQ(trace.payload.size(), n + 2);
    for (size_t i = 0; i < n; ++i)
        ASSERT_EQ(int16_t(trace.payload[2 + i]), SimRampSample(trace.code, j, int(i))) << "sample " << i << " j " << j;
}

TEST(SimUnitStream, TimeModeSendsOneTracePerActiveChannelPerStep)
{
    SimBench b;
    b.ConfigureTimeMode(0, 3, 10, 64, true);
    b.Drain();
    const uint16_t seq = b.Send(12, 0);
    b.RunMs(100);
    const auto frames = b.Drain();
    const HostFrame first = ParseHostFrame(frames.at(0));
    EXPECT_EQ(first.type, 1);
    EXPECT_EQ(first.code, 12);
    EXPECT_EQ(first.word18, seq);
    EXPECT_EQ(ParseHostFrame(frames.at(1)).type, 3) << "the start event follows the reply";

    HostReassembler host(b.host);
    const auto records = Flatten(Messages(frames, b.host, &host));
    EXPECT_TRUE(host.drops.empty());
    // Ticks of 1/1024 s: steps 0 (start), 10, ..., 100 fall within 100 ms.
    std::vector<HostRecord> steps;
    for (const HostRecord& r : records)
        if (r.type == 'f' || r.type == '\\')
            steps.push_back(r);
    ASSERT_EQ(steps.size(), 33u);
    for (size_t k = 0; k < 11; ++k) {
        const HostRecord& t0 = steps[3 * k];
        const HostRecord& s0 = steps[3 * k + 1];
        const HostRecord& t1 = steps[3 * k + 2];
        EXPECT_EQ(t0.type, 'f');
        EXPECT_EQ(t0.code, 0);
        EXPECT_EQ(s0.type, '\\') << "sensor right after the channel 0 trace";
        EXPECT_EQ(s0.code, 0);
        EXPECT_EQ(t1.code, 1);
        EXPECT_EQ(Position(t0), 10 * k);
        EXPECT_EQ(Position(t1), 10 * k);
        EXPECT_EQ(t0.length, 6 + 2 * 64);
        ExpectRamp(t0, int64_t(k), 64);
        ExpectRamp(t1, int64_t(k), 64);
        EXPECT_EQ(s0.payload, (std::vector<uint16_t>{SimSensorWord(0, int64_t(k), 0), SimSensorWord(0, int64_t(k), 1),
                                                      SimSensorWord(0, int64_t(k), 2), SimSensorWord(0, int64_t(k), 3)}));
    }
    const auto times = OfType(records, ';');
    ASSERT_EQ(times.size(), 1u);
    EXPECT_EQ(Position(times[0]), 102u) << "time in 1/1024 s at 100 ms";
    const auto sent = b.unit.SentTraces(0);
    ASSERT_EQ(sent.size(), 11u);
    EXPECT_EQ(sent[10].traceNumber, 10);
}

TEST(SimUnitStream, KeepAliveRecordsEvery100MsWhenNoTraceIsDue)
{
    CSimUnitConfig c = CSimUnitConfig::Tolam();
    c.fill = {0.5, 0.25, 0, 0, 0, 0, 0, 0};
    c.battery = 451;
    SimBench b(c);
    b.ConfigureTimeMode(0, 1, 1024, 16, false);
    b.Send(37, 1, 2);
    b.Send(6, 1, 2048);
    b.Send(12, 0);
    b.Drain();
    b.RunMs(2000);
    const auto sent = b.unit.SentMessages();
    std::vector<int64_t> statusTimes;
    int batteries = 0;
    for (const SimSentMessage& m : sent) {
        for (const SimRecord& r : m.records) {
            if (r.type == ']')
                statusTimes.push_back(m.timeUs);
            if (r.type == 'M') {
                ++batteries;
                EXPECT_EQ(r.payload.at(0), 451);
            }
            if (r.type != '@')
                continue;
            EXPECT_EQ(r.payload.at(0), 512) << "fill 0.5 of a 1024 step, 0.25 of a 2048 step";
            EXPECT_TRUE(r.code == 0 || r.code == 10) << "fill words only for active slots";
        }
    }
    ASSERT_EQ(statusTimes.size(), 20u);
    for (size_t i = 1; i < statusTimes.size(); ++i)
        EXPECT_EQ(statusTimes[i] - statusTimes[i - 1], 100000) << "status record " << i;
    EXPECT_EQ(batteries, 2) << "battery at the first keep-alive and every second after";
}

TEST(SimUnitStream, WheelModeTriggersAtEveryStepTravelled)
{
    SimBench b;
    b.Send(5, 0xFFFF, 'W', 16);
    b.Send(6, 0, 10);
    b.Send(1, 0, 32);
    b.Send(37, 0, 1);
    b.Send(9, 16, 1, 0);
    b.unit.SetWheelSpeed(500);
    b.Send(12, 0);
    b.RunMs(1000, 5);
    const auto records = Flatten(Messages(b.Drain(), b.host));
    const auto traces = OfType(records, 'f', 0);
    ASSERT_EQ(traces.size(), 51u);
    for (size_t k = 0; k < traces.size(); ++k) {
        EXPECT_EQ(Position(traces[k]), 10 * k);
        ExpectRamp(traces[k], int64_t(k), 32);
    }
    const auto positions = OfType(records, ':');
    ASSERT_EQ(positions.size(), 10u);
    EXPECT_EQ(Position(positions.back()), 500u);
    EXPECT_TRUE(OfType(records, ';').empty()) << "no time records in wheel mode";
}

TEST(SimUnitStream, CounterPresetWhileStreamingIsANewReferenceNotTravel)
{
    SimBench b;
    b.Send(5, 0xFFFF, 'W', 16);
    b.Send(6, 0, 10);
    b.Send(1, 0, 16);
    b.Send(37, 0, 1);
    b.Send(9, 16, 1, 0);
    b.Send(12, 0);
    b.Send(9, 16, 1, 1000000);
    b.unit.SetWheelSpeed(100);
    b.RunMs(1000, 10);
    const auto traces = OfType(Flatten(Messages(b.Drain(), b.host)), 'f');
    ASSERT_EQ(traces.size(), 11u) << "the start trace and ten steps after the new preset";
    EXPECT_EQ(Position(traces[1]), 1000010u);
    EXPECT_EQ(Position(traces.back()), 1000100u);
}

TEST(SimUnitStream, WheelFasterThanTheUnitMissesPositions)
{
    CSimUnitConfig c = CSimUnitConfig::Tolam();
    c.historyLimit = 0;
    SimBench b(c);
    b.Send(5, 0xFFFF, 'W', 16);
    b.Send(6, 0, 1);
    b.Send(1, 0, 2);
    b.Send(37, 0, 1);
    b.Send(9, 16, 1, 0);
    b.Send(12, 0);
    b.unit.SetWheelSpeed(1e8);
    b.AdvanceMs(1);
    b.unit.SetWheelSpeed(1000);
    b.AdvanceMs(10);
    const auto traces = OfType(Flatten(Messages(b.Drain(), b.host)), 'f');
    ASSERT_EQ(traces.size(), 1u + 10000 + 10);
    EXPECT_EQ(Position(traces[10000]), 10000u);
    EXPECT_EQ(Position(traces[10001]), 100001u) << "the positions it could not keep up with are missed";
}

TEST(SimUnitStream, ReverseWheelCountsDownFromItsNegativePreset)
{
    SimBench b;
    b.Send(5, 0xFFFF, 'W', 1);
    b.Send(6, 1, 10);
    b.Send(8, 1, 0xFFFF);
    b.Send(1, 1, 16);
    b.Send(37, 1, 2);
    b.Send(9, 1, 1, uint32_t(-100));
    b.unit.SetWheelSpeed(200);
    b.Send(12, 1);
    b.RunMs(1000, 10);
    b.unit.SetWheelSpeed(-200);   // pushed back: nothing new
    b.RunMs(500, 10);
    b.unit.SetWheelSpeed(200);
    b.RunMs(600, 10);
    const auto traces = OfType(Flatten(Messages(b.Drain(), b.host)), 'f', 11);
    ASSERT_EQ(traces.size(), 23u);
    for (size_t k = 0; k < 21; ++k) {
        EXPECT_EQ(int32_t(Position(traces[k])), -100 - 10 * int32_t(k));
        ExpectRamp(traces[k], -10 - int64_t(k), 16);
    }
    EXPECT_EQ(int32_t(Position(traces[21])), -310);
    EXPECT_EQ(int32_t(Position(traces[22])), -320);
}

TEST(SimUnitStream, BidirectionalTriggersBothWays)
{
    SimBench b;
    b.Send(5, 0xFFFF, 'W', 16);
    b.Send(7, 0xFFFF, 1, 0);
    b.Send(6, 0, 10);
    b.Send(1, 0, 16);
    b.Send(37, 0, 1);
    b.Send(9, 16, 1, 0);
    b.unit.SetWheelSpeed(100);
    b.Send(12, 0);
    b.RunMs(300, 10);
    b.unit.SetWheelSpeed(-100);
    b.RunMs(200, 10);
    const auto traces = OfType(Flatten(Messages(b.Drain(), b.host)), 'f');
    std::vector<int32_t> got;
    for (const HostRecord& t : traces)
        got.push_back(int32_t(Position(t)));
    EXPECT_EQ(got, (std::vector<int32_t>{0, 10, 20, 30, 20, 10}));
}

TEST(SimUnitStream, StopEndsTheStreamAfterItsReply)
{
    SimBench b;
    b.ConfigureTimeMode(0, 1, 10, 16, false);
    b.Send(12, 0);
    b.RunMs(50);
    b.Drain();
    const uint16_t seq = b.Send(13, 0);
    const auto got = b.DrainParsed();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].type, 1);
    EXPECT_EQ(got[0].code, 13);
    EXPECT_EQ(got[0].word18, seq);
    EXPECT_EQ(got[1].type, 3);
    EXPECT_EQ(got[1].code, CSimUnit::kEventStopped);
    b.RunMs(500, 10);
    EXPECT_TRUE(b.Drain().empty());
    EXPECT_FALSE(b.unit.Streaming());
}

TEST(SimUnitStream, MarkerScriptGoesOutInTheStatusWords)
{
    SimBench b;
    b.ConfigureTimeMode(0, 1, 1024, 16, false);
    EXPECT_EQ(b.unit.Control("marker 0,8,8,0,8"), "ok");
    b.Send(12, 0);
    b.RunMs(700, 10);
    const auto status = OfType(Flatten(Messages(b.Drain(), b.host)), ']');
    std::vector<uint16_t> words;
    for (const HostRecord& r : status)
        words.push_back(r.payload.at(0));
    EXPECT_EQ(words, (std::vector<uint16_t>{0, 8, 8, 0, 8, 0, 0}));
}

TEST(SimUnitStream, RateOverrideStepsFasterWithTheSamePositions)
{
    CSimUnitConfig c = CSimUnitConfig::Tolam();
    c.rate = 1000;
    SimBench b(c);
    b.ConfigureTimeMode(0, 1, 10, 16, false);
    b.Send(12, 0);
    b.RunMs(50);
    const auto traces = OfType(Flatten(Messages(b.Drain(), b.host)), 'f');
    ASSERT_EQ(traces.size(), 51u);
    EXPECT_EQ(Position(traces.back()), 500u);
    EXPECT_EQ(b.unit.Control("rate 0"), "ok");
    b.RunMs(100);
    const auto later = OfType(Flatten(Messages(b.Drain(), b.host)), 'f');
    ASSERT_FALSE(later.empty());
    EXPECT_EQ(later.size(), 10u) << "back at 1024 ticks per second: 100 ms hold about 10 steps of 10";
    EXPECT_EQ(Position(later.front()), 510u);
}

TEST(SimUnitStream, Z5KStreamsChannelZeroOnly)
{
    SimBench b(CSimUnitConfig::Z5K());
    b.ConfigureTimeMode(0, 3, 10, 16, false);
    b.Send(12, 0);
    b.RunMs(30);
    const auto traces = OfType(Flatten(Messages(b.Drain(), b.host)), 'f');
    ASSERT_EQ(traces.size(), 4u) << "steps 0, 10, 20 and 30 of 1/1024 s";
    for (const HostRecord& t : traces)
        EXPECT_EQ(t.code, 0);
}

TEST(SimUnitStream, Z5KWheelModeCountsOnTheMasterInput)
{
    SimBench b(CSimUnitConfig::Z5K());
    b.Send(9, 0xFFFF, 0, 0);
    b.Send(5, 0xFFFF, 'W', 3);   // the saved wheel source names another input
    b.Send(22, 16, 1);
    b.Send(6, 0, 5);
    b.Send(1, 0, 16);
    b.Send(37, 0, 1);
    b.Send(9, 16, 1, 0);
    b.unit.SetWheelSpeed(100);
    b.Send(12, 0);
    b.RunMs(200, 10);
    const auto traces = OfType(Flatten(Messages(b.Drain(), b.host)), 'f');
    ASSERT_EQ(traces.size(), 5u);
    EXPECT_EQ(Position(traces.back()), 20u);
}

TEST(SimUnitStream, SlotsWithTheirOwnIntervalsInterleaveInTimeOrder)
{
    SimBench b;
    b.ConfigureTimeMode(0, 1, 30, 16, false);
    b.Send(6, 1, 20);
    b.Send(1, 1, 16);
    b.Send(37, 1, 1);
    b.Send(12, 0);
    b.RunMs(60);
    std::vector<std::pair<int, uint32_t>> got;
    for (const HostRecord& t : OfType(Flatten(Messages(b.Drain(), b.host)), 'f'))
        got.emplace_back(t.code, Position(t));
    const std::vector<std::pair<int, uint32_t>> want = {{0, 0}, {10, 0}, {10, 20}, {0, 30}, {10, 40}, {0, 60}, {10, 60}};
    EXPECT_EQ(got, want);
}

TEST(SimUnitStream, MissingSensorSendsNoSensorRecords)
{
    SimBench b;
    b.unit.SetSensorPresent(0, false);
    b.ConfigureTimeMode(0, 1, 10, 16, true);
    b.Send(12, 0);
    b.RunMs(30);
    EXPECT_TRUE(OfType(Flatten(Messages(b.Drain(), b.host)), '\\').empty());
}

TEST(SimUnitStream, StartTraceCanBeSwitchedOff)
{
    CSimUnitConfig c = CSimUnitConfig::Tolam();
    c.startTrace = false;
    c.events = false;
    SimBench b(c);
    b.ConfigureTimeMode(0, 1, 10, 16, false);
    b.Drain();
    b.Send(12, 0);
    EXPECT_EQ(b.Drain().size(), 1u) << "only the reply";
    b.RunMs(10);
    const auto traces = OfType(Flatten(Messages(b.Drain(), b.host)), 'f');
    ASSERT_EQ(traces.size(), 1u);
    EXPECT_EQ(Position(traces[0]), 10u);
}

TEST(SimUnitStream, PackedRecordsShareAMessage)
{
    CSimUnitConfig c = CSimUnitConfig::Tolam();
    c.packRecords = 8;
    SimBench b(c);
    b.ConfigureTimeMode(0, 3, 10, 16, true);
    b.Send(12, 0);
    b.RunMs(10);
    const auto messages = Messages(b.Drain(), b.host);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].size(), 3u) << "trace, sensor, trace of one step";
    EXPECT_EQ(messages[1].size(), 3u);
}

TEST(SimUnitStream, LongStreamReassemblesToExactlyWhatWasSent)
{
    SimBench b;
    b.ConfigureTimeMode(0, 3, 10, 2048, true);
    b.Send(1, 1, 1000);
    b.Send(6, 1, 7);
    b.Send(37, 1, 3);
    b.Send(12, 0);
    b.RunMs(1000);
    b.Send(13, 0);
    HostReassembler host(b.host);
    const auto messages = Messages(b.Drain(), b.host, &host);
    EXPECT_TRUE(host.drops.empty());
    std::vector<std::vector<SimRecord>> sent;
    for (const SimSentMessage& m : b.unit.SentMessages())
        if (m.type == SimWire::kTypeData)
            sent.push_back(m.records);
    ASSERT_EQ(messages.size(), sent.size());
    size_t traces = 0;
    for (size_t i = 0; i < sent.size(); ++i) {
        ASSERT_EQ(messages[i].size(), sent[i].size()) << "message " << i;
        for (size_t k = 0; k < sent[i].size(); ++k) {
            EXPECT_EQ(messages[i][k].type, sent[i][k].type);
            EXPECT_EQ(messages[i][k].code, sent[i][k].code);
            EXPECT_EQ(messages[i][k].payload, sent[i][k].payload);
            traces += sent[i][k].type == 'f';
        }
    }
    EXPECT_EQ(traces, 2 * 103 + 2 * 147u);
}

}  // namespace
