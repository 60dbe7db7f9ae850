// Each injected fault and its effect on the wire, seen through the host's own reading of the
// frames.
#include "SimBench.h"
#include "sim/SimFaultPlan.h"
#include "sim/SimPattern.h"

#include <gtest/gtest.h>
#include <map>

namespace {

// A unit streaming 2048-sample traces (three fragments each) of slot A channel 0, one per
// 10/1024 s, without events, so every data message of the stream is a trace.
struct StreamBench : SimBench {
    static CSimUnitConfig Config()
    {
        CSimUnitConfig c = CSimUnitConfig::Tolam();
        c.events = false;
        return c;
    }
    StreamBench() : SimBench(Config())
    {
        ConfigureTimeMode(0, 1, 10, 2048, false);
        Drain();
    }
    void Fault(const std::string& spec)
    {
        std::string error;
        ASSERT_TRUE(unit.AddFault(spec, error)) << spec << ": " << error;
    }
    // Starts, runs long enough for the start trace and `steps` more, and returns every frame
    // after the start reply.
    std::vector<std::vector<uint8_t>> Stream(int steps)
    {
        Send(12, 0);
        auto frames = Drain();
        frames.erase(frames.begin());
        for (int i = 0; i < steps; ++i) {
            RunMs(10);
            const auto more = Drain();
            frames.insert(frames.end(), more.begin(), more.end());
        }
        return frames;
    }
};

std::map<uint16_t, std::vector<uint16_t>> FragmentsBySeq(const std::vector<std::vector<uint8_t>>& frames)
{
    std::map<uint16_t, std::vector<uint16_t>> out;
    for (const auto& f : frames) {
        const HostFrame h = ParseHostFrame(f);
        if (h.type == 2)
            out[h.msgSeq].push_back(h.frag);
    }
    return out;
}

std::vector<std::vector<uint16_t>> FragmentOrder(const std::vector<std::vector<uint8_t>>& frames)
{
    std::vector<std::vector<uint16_t>> out;
    uint16_t seq = 0;
    bool any = false;
    for (const auto& f : frames) {
        const HostFrame h = ParseHostFrame(f);
        if (h.type != 2)
            continue;
        if (!any || h.msgSeq != seq)
            out.emplace_back();
        any = true;
        seq = h.msgSeq;
        out.back().push_back(h.frag);
    }
    return out;
}

using Order = std::vector<std::vector<uint16_t>>;

TEST(SimFaults, DropFragmentLeavesOnlyThatMessageIncomplete)
{
    StreamBench b;
    b.Fault("drop-frag=2");
    const auto frames = b.Stream(2);
    EXPECT_EQ(FragmentOrder(frames), (Order{{1, 3}, {1, 2, 3}, {1, 2, 3}}));
    HostReassembler host(b.host);
    const auto messages = Messages(frames, b.host, &host);
    EXPECT_EQ(host.drops, (std::vector<int>{-4}));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(Position(Flatten(messages).at(0)), 10u);
}

TEST(SimFaults, DropLastFragmentLeavesTheMessageOpen)
{
    StreamBench b;
    b.Fault("drop-last");
    const auto frames = b.Stream(1);
    EXPECT_EQ(FragmentOrder(frames), (Order{{1, 2}, {1, 2, 3}}));
    HostReassembler host(b.host);
    Messages(frames, b.host, &host);
    EXPECT_EQ(host.drops, (std::vector<int>{-5}));
}

TEST(SimFaults, SwappedFragmentsArriveOutOfOrder)
{
    StreamBench b;
    b.Fault("swap-frags=3,1");
    const auto frames = b.Stream(1);
    EXPECT_EQ(FragmentOrder(frames), (Order{{3, 2, 1}, {1, 2, 3}}));
    HostReassembler host(b.host);
    const auto messages = Messages(frames, b.host, &host);
    EXPECT_FALSE(host.drops.empty());
    ASSERT_EQ(messages.size(), 1u);
}

TEST(SimFaults, StrayContinuationFollowsACompleteMessage)
{
    StreamBench b;
    b.Fault("stray-frag");
    const auto frames = b.Stream(1);
    const auto bySeq = FragmentsBySeq(frames);
    ASSERT_EQ(bySeq.size(), 2u);
    EXPECT_EQ(bySeq.begin()->second, (std::vector<uint16_t>{1, 2, 3, 2}));
    const HostFrame stray = ParseHostFrame(frames.at(3));
    EXPECT_EQ(stray.frag, 2);
    EXPECT_EQ(stray.last, 1);
    EXPECT_EQ(stray.length, 60u);
    HostReassembler host(b.host);
    const auto messages = Messages(frames, b.host, &host);
    EXPECT_EQ(host.drops, (std::vector<int>{-6, -4})) << "a continuation after a last fragment, and out of order";
    ASSERT_EQ(messages.size(), 1u) << "the stray continuation takes the uncommitted message with it";
    EXPECT_EQ(Position(messages[0].at(0)), 10u);
}

TEST(SimFaults, SequenceJumpSkipsNumbersButLosesNothing)
{
    StreamBench b;
    auto frames = b.Stream(1);
    const uint16_t last = ParseHostFrame(frames.back()).msgSeq;
    b.Fault("seq-jump=5");
    b.RunMs(20);
    const auto after = b.Drain();
    ASSERT_EQ(after.size(), 6u);
    EXPECT_EQ(ParseHostFrame(after[0]).msgSeq, uint16_t(last + 6));
    EXPECT_EQ(ParseHostFrame(after[3]).msgSeq, uint16_t(last + 7));
    frames.insert(frames.end(), after.begin(), after.end());
    HostReassembler host(b.host);
    const auto messages = Messages(frames, b.host, &host);
    EXPECT_EQ(host.drops, (std::vector<int>{-3}));
    EXPECT_EQ(messages.size(), 4u);
}

TEST(SimFaults, ForeignSequenceOnTheSecondFragment)
{
    StreamBench b;
    b.Fault("foreign-seq");
    const auto frames = b.Stream(0);
    ASSERT_EQ(frames.size(), 3u);
    const uint16_t seq = ParseHostFrame(frames[0]).msgSeq;
    EXPECT_EQ(ParseHostFrame(frames[1]).msgSeq, uint16_t(seq - 1));
    EXPECT_EQ(ParseHostFrame(frames[2]).msgSeq, seq);
}

TEST(SimFaults, EveryNthMessageLosesItsFragment)
{
    StreamBench b;
    b.Fault("drop-frag=2/3");
    const auto order = FragmentOrder(b.Stream(8));
    ASSERT_EQ(order.size(), 9u);
    for (size_t i = 0; i < order.size(); ++i) {
        const bool hit = (i + 1) % 3 == 0;
        const std::vector<uint16_t> want = hit ? std::vector<uint16_t>{1, 3} : std::vector<uint16_t>{1, 2, 3};
        EXPECT_EQ(order[i], want) << "message " << i;
    }
    EXPECT_EQ(b.unit.PendingFaults(), std::vector<std::string>{"drop-frag=2/3"}) << "an every-N fault stays";
}

TEST(SimFaults, FragmentFaultsWaitForAMessageLongEnough)
{
    SimBench b;
    std::string error;
    ASSERT_TRUE(b.unit.AddFault("drop-frag=3", error));
    b.Send(1, 0, 1000);   // 2-fragment traces cannot lose fragment 3
    b.Send(14, 0, 1);
    b.Send(1, 0, 2048);
    b.Send(14, 0, 1);
    EXPECT_EQ(FragmentOrder(b.Drain()), (Order{{1, 2}, {1, 2}}));
}

TEST(SimFaults, MalformedStandaloneFramesTakeASequenceNumberEach)
{
    struct Case {
        const char* spec;
        size_t length;
        uint16_t etherType;
        uint8_t type;
    };
    const Case cases[] = {
        {"short-frame", 20, 0x5555, 2},   {"short-frame=14", 14, 0x5555, 0}, {"short-reply", 24, 0x5555, 1},
        {"short-reply=30", 30, 0x5555, 1}, {"pad-over", 60, 0x5555, 2},     {"odd-data", 61, 0x5555, 2},
        {"unknown-type", 60, 0x5555, 7},  {"unknown-type=0", 60, 0x5555, 0}, {"wrong-ethertype", 60, 0x5556, 1},
        {"wrong-dst", 60, 0x5555, 1},     {"bcast-dst", 60, 0x5555, 1},     {"jumbo", 9014, 0x5555, 2},
        {"jumbo=2000", 2000, 0x5555, 2},
    };
    for (const Case& c : cases) {
        SimBench b;
        std::string error;
        ASSERT_TRUE(b.unit.AddFault(c.spec, error)) << c.spec << ": " << error;
        const uint16_t seq = b.Send(0xFFFE);
        const auto frames = b.Drain();
        ASSERT_EQ(frames.size(), 2u) << c.spec;
        const auto& bad = frames[0];
        ASSERT_EQ(bad.size(), c.length) << c.spec;
        const HostFrame reply = ParseHostFrame(frames[1]);
        EXPECT_EQ(reply.word18, seq);
        EXPECT_EQ(reply.msgSeq, 2) << c.spec << ": the malformed frame took sequence 1";
        if (c.length < 17)
            continue;
        EXPECT_EQ(uint16_t(bad[12] << 8 | bad[13]), c.etherType) << c.spec;
        EXPECT_EQ(uint16_t(bad[14] << 8 | bad[15]), 1) << c.spec;
        EXPECT_EQ(bad[16], c.type) << c.spec;
        const SimMac dst{bad[0], bad[1], bad[2], bad[3], bad[4], bad[5]};
        const SimMac src{bad[6], bad[7], bad[8], bad[9], bad[10], bad[11]};
        const std::string name = c.spec;
        if (name == "wrong-dst")
            EXPECT_NE(dst, b.host);
        else if (name == "bcast-dst")
            EXPECT_EQ(dst, SimWire::kBroadcast);
        else
            EXPECT_EQ(dst, b.host) << c.spec;
        if (name == "wrong-ethertype" || name == "wrong-dst" || name == "bcast-dst") {
            EXPECT_NE(src, b.unitMac) << "a host that learnt this address would lose the unit";
            EXPECT_EQ(bad[20], 0xFF);
            EXPECT_EQ(bad[21], 0xFF);
        }
        if (bad.size() >= 24) {
            const HostFrame h = ParseHostFrame(bad);
            if (name == "pad-over")
                EXPECT_EQ(h.pad, 255);
            else
                EXPECT_EQ(h.pad, 0) << c.spec;
            EXPECT_EQ(h.last, 1) << c.spec;
            EXPECT_EQ(h.frag, 1) << c.spec;
        }
    }
}

TEST(SimFaults, JumboFrameCarriesWholeRecords)
{
    SimBench b;
    std::string error;
    ASSERT_TRUE(b.unit.AddFault("jumbo", error));
    b.Send(0xFFFE);
    HostReassembler host(b.host);
    const auto messages = Messages(b.Drain(), b.host, &host);
    ASSERT_EQ(messages.size(), 1u);
    size_t bytes = 0;
    for (const HostRecord& r : messages[0])
        bytes += 2 + r.length;
    EXPECT_EQ(bytes, 8990u);
    EXPECT_EQ(messages[0].front().type, ']');
    EXPECT_EQ(messages[0].back().type, ';');
}

TEST(SimFaults, MalformedRecordsPrecedeTheNextTrace)
{
    struct Case {
        const char* kind;
        std::vector<uint16_t> head;   // leading words of the bad message
        size_t words;                 // total words of the bad message
    };
    const Case cases[] = {
        {"short-l", {4, 'f' << 8 | 0, 0}, 3},
        {"l0", {0}, 1},
        {"odd-l", {7, 'f' << 8 | 0, 0, 0}, 4},
        {"over-n", {6 + 2 * 2049, 'f' << 8 | 0, 0, 0}, 2053},
        {"code73", {6 + 32, 'f' << 8 | 73, 0, 0}, 20},
        {"code255", {6 + 32, 'f' << 8 | 255, 0, 0}, 20},
        {"type-z", {6, 'Z' << 8 | 0, 1, 2}, 4},
        {"past-end", {206, 'f' << 8 | 0, 0, 0}, 14},
    };
    for (const Case& c : cases) {
        SimBench b;
        b.Send(1, 0, 16);
        std::string error;
        ASSERT_TRUE(b.unit.AddFault(std::string("bad-record=") + c.kind, error)) << error;
        b.Drain();
        b.Send(14, 0, 1);
        HostReassembler host(b.host);
        Messages(b.Drain(), b.host, &host);
        ASSERT_EQ(host.messages.size(), 2u) << c.kind;
        const auto& bad = host.messages[0];
        EXPECT_EQ(bad.size(), c.words) << c.kind;
        EXPECT_EQ(std::vector<uint16_t>(bad.begin(), bad.begin() + long(c.head.size())), c.head) << c.kind;
        std::vector<HostRecord> good;
        ASSERT_TRUE(ParseHostRecords(host.messages[1], good));
        EXPECT_EQ(good.at(0).type, 'f') << "the trace itself follows intact";
    }
}

TEST(SimFaults, DelayedReplyArrivesDuringTheNextTransaction)
{
    SimBench b;
    EXPECT_EQ(b.unit.Control("reply-delay 150"), "ok");
    const uint16_t first = b.Send(20, 0, 1);
    EXPECT_TRUE(b.Drain().empty());
    b.AdvanceMs(120);
    const uint16_t second = b.Send(20, 0, 1);
    auto got = b.DrainParsed();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].word18, second);
    b.AdvanceMs(29);
    EXPECT_TRUE(b.Drain().empty());
    b.AdvanceMs(1);
    got = b.DrainParsed();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].word18, first) << "the late reply keeps the sequence it answers";
}

TEST(SimFaults, WrongDuplicateAndMissingReplies)
{
    SimBench b;
    std::string error;
    ASSERT_TRUE(b.unit.AddFault("reply-wrong-seq", error));
    uint16_t seq = b.Send(0xFFFE);
    auto got = b.DrainParsed();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].word18, uint16_t(seq + 0x8000));

    ASSERT_TRUE(b.unit.AddFault("reply-dup", error));
    seq = b.Send(0xFFFE);
    got = b.DrainParsed();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].word18, seq);
    EXPECT_EQ(got[1].word18, seq);
    EXPECT_EQ(got[1].msgSeq, got[0].msgSeq + 1);

    ASSERT_TRUE(b.unit.AddFault("reply-drop", error));
    b.Send(0xFFFE);
    EXPECT_TRUE(b.Drain().empty());
    b.Send(0xFFFE);
    EXPECT_EQ(b.Drain().size(), 1u);
}

TEST(SimFaults, FloodsComeBeforeTheReply)
{
    SimBench b;
    std::string error;
    ASSERT_TRUE(b.unit.AddFault("reply-flood", error));
    ASSERT_TRUE(b.unit.AddFault("event-flood=3", error));
    const uint16_t seq = b.Send(0xFFFE);
    const auto got = b.DrainParsed();
    ASSERT_EQ(got.size(), 154u);
    for (size_t i = 0; i < 150; ++i) {
        EXPECT_EQ(got[i].type, 1);
        EXPECT_EQ(got[i].code, CSimUnit::kFloodReplyCode);
        EXPECT_NE(got[i].word18, seq);
    }
    for (size_t i = 150; i < 153; ++i)
        EXPECT_EQ(got[i].type, 3);
    EXPECT_EQ(got[153].word18, seq);
    EXPECT_EQ(got[153].msgSeq, 154);
}

TEST(SimFaults, RefusedStartGetsNoReplyAndNoStream)
{
    StreamBench b;
    b.Fault("refuse-start");
    b.Send(12, 0);
    b.RunMs(300, 10);
    EXPECT_TRUE(b.Drain().empty());
    EXPECT_EQ(b.unit.Requests().back().action, "no reply (refused start)");
    b.Send(12, 0);
    EXPECT_FALSE(b.Drain().empty());
    EXPECT_TRUE(b.unit.Streaming());
}

std::vector<uint32_t> TracePositions(const std::vector<std::vector<uint8_t>>& frames, const SimMac& host)
{
    std::vector<uint32_t> out;
    for (const HostRecord& r : Flatten(Messages(frames, host)))
        if (r.type == 'f')
            out.push_back(Position(r));
    return out;
}

TEST(SimFaults, SkippedTriggerStepsLeaveGaps)
{
    StreamBench b;
    b.Fault("skip=2");
    EXPECT_EQ(TracePositions(b.Stream(5), b.host), (std::vector<uint32_t>{0, 30, 40, 50}));
}

TEST(SimFaults, PositionJumpAltersOnlyThePositionWord)
{
    StreamBench b;
    b.Fault("pos-jump=-25");
    b.Fault("pos-jump=0x80000000/3");
    const auto frames = b.Stream(4);
    EXPECT_EQ(TracePositions(frames, b.host), (std::vector<uint32_t>{0, uint32_t(10 - 25), 20, 30 + 0x80000000u, 40}));
    const auto traces = b.unit.SentTraces(0);
    ASSERT_EQ(traces.size(), 5u);
    EXPECT_EQ(traces[1].traceNumber, 1) << "samples follow the true step";
    EXPECT_EQ(traces[1].samples[5], SimRampSample(0, 1, 5));
}

TEST(SimFaults, BurstSendsStepsBackToBack)
{
    StreamBench b;
    b.Fault("burst=50");
    b.Send(12, 0);
    b.Drain();
    b.AdvanceMs(10);
    const auto positions = TracePositions(b.Drain(), b.host);
    ASSERT_EQ(positions.size(), 51u) << "the step that fired the burst and the 50 it leapt over";
    for (size_t i = 0; i < positions.size(); ++i)
        EXPECT_EQ(positions[i], 10 * (i + 1));
    b.AdvanceMs(10);
    EXPECT_EQ(TracePositions(b.Drain(), b.host), (std::vector<uint32_t>{520}));
}

TEST(SimFaults, TraceLengthAndSensorWordsOverrideOnce)
{
    SimBench b;
    b.Send(1, 0, 64);
    b.Send(96, 0, 20, 1, 1);
    std::string error;
    ASSERT_TRUE(b.unit.AddFault("trace-len=100", error));
    ASSERT_TRUE(b.unit.AddFault("sensor-words=0xC001,0x2000,0x1FFF,0", error));
    b.Drain();
    b.Send(14, 0, 1);
    b.Send(14, 0, 1);
    const auto records = Flatten(Messages(b.Drain(), b.host));
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].payload.size(), 102u);
    EXPECT_EQ(records[1].payload, (std::vector<uint16_t>{0xC001, 0x2000, 0x1FFF, 0}));
    EXPECT_EQ(records[2].payload.size(), 66u);
    EXPECT_EQ(records[3].payload.at(0), SimSensorWord(0, 1, 0));
}

TEST(SimFaults, VanishedUnitComesBackReset)
{
    StreamBench b;
    b.Send(1, 0, 300);
    b.Stream(3);
    EXPECT_EQ(b.unit.Control("vanish 1"), "ok");
    b.Send(0xFFFE);
    b.RunMs(990, 10);
    EXPECT_TRUE(b.Drain().empty());
    EXPECT_TRUE(b.unit.Vanished());
    EXPECT_EQ(b.unit.Requests().back().action, "no reply (vanished)");
    b.RunMs(20, 10);
    EXPECT_FALSE(b.unit.Vanished());
    EXPECT_FALSE(b.unit.Streaming());
    EXPECT_EQ(b.unit.Settings().slot[0].samples, 512u) << "settings as after power-up";
    b.Send(0xFFFF, 0, 0, 0, 0, true);
    const auto got = b.DrainParsed();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].msgSeq, 1) << "message sequence starts again";
}

TEST(SimFaults, VanishAsAFaultSpecStartsSilent)
{
    SimBench b;
    std::string error;
    ASSERT_TRUE(b.unit.AddFault("vanish=0.5", error));
    b.Send(0xFFFF, 0, 0, 0, 0, true);
    EXPECT_TRUE(b.Drain().empty());
    b.AdvanceMs(500);
    b.Send(0xFFFF, 0, 0, 0, 0, true);
    EXPECT_EQ(b.Drain().size(), 1u);
}

TEST(SimFaultPlan, ParsesSpecsAndRefusesBadOnes)
{
    CSimFaultPlan plan;
    std::string error;
    for (const char* good : {"drop-frag=2", "drop-last/4", "swap-frags", "swap-frags=2,3", "stray-frag", "seq-jump=-3",
                             "foreign-seq=2", "short-frame=16", "short-reply=31", "pad-over", "odd-data",
                             "unknown-type=200", "wrong-ethertype", "wrong-dst", "bcast-dst", "jumbo=9000",
                             "bad-record=past-end", "reply-delay=150", "reply-wrong-seq=1", "reply-dup/2",
                             "reply-drop", "reply-flood=10", "event-flood", "refuse-start", "skip=3", "pos-jump=-1",
                             "burst=10", "trace-len=0", "sensor-words=0xC001,0x2000,0x1FFF,0"})
        EXPECT_TRUE(plan.Add(good, error)) << good << ": " << error;
    struct Bad {
        const char* spec;
        const char* error;
    };
    const Bad bad[] = {
        {"drop-frag", "drop-frag takes 1 argument(s)"},
        {"drop-frag=0", "fragment number must be 1 to 65535"},
        {"swap-frags=2", "swap-frags takes two fragment numbers"},
        {"swap-frags=2,2", "swap-frags needs two different fragment numbers from 1"},
        {"short-frame=30", "a short frame has 0 to 23 bytes"},
        {"unknown-type=2", "an unknown frame type is 0 or 4 to 255"},
        {"bad-record=huge", "unknown bad-record kind 'huge'"},
        {"reply-delay=x", "'x' is not a number"},
        {"sensor-words=1,2,3", "sensor-words takes 4 argument(s)"},
        {"drop-last/0", "'/N' needs N from 1"},
        {"melt", "unknown fault 'melt'"},
        {"jumbo=100", "a jumbo frame has 1515 to 65536 bytes"},
    };
    for (const Bad& b : bad) {
        error.clear();
        EXPECT_FALSE(plan.Add(b.spec, error)) << b.spec;
        EXPECT_EQ(error, b.error) << b.spec;
    }
}

TEST(SimFaultPlan, OneShotLeavesEveryNStays)
{
    CSimFaultPlan plan;
    std::string error;
    ASSERT_TRUE(plan.Add("reply-dup", error));
    ASSERT_TRUE(plan.Add("reply-drop/2", error));
    EXPECT_TRUE(plan.Take(SimChance::DataMessage).empty());
    auto fired = plan.Take(SimChance::Reply);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].kind, SimFaultKind::ReplyDup);
    fired = plan.Take(SimChance::Reply);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].kind, SimFaultKind::ReplyDrop);
    EXPECT_TRUE(plan.Take(SimChance::Reply).empty());
    EXPECT_EQ(plan.Take(SimChance::Reply).size(), 1u);
    EXPECT_EQ(plan.Pending(), std::vector<std::string>{"reply-drop/2"});
    plan.Clear();
    EXPECT_TRUE(plan.Pending().empty());
}

TEST(SimFaultPlan, ControlLinesAnswerOkOrError)
{
    SimBench b;
    EXPECT_EQ(b.unit.Control("drop-frag 2"), "ok");
    EXPECT_EQ(b.unit.Control("reply-delay 150/3"), "ok");
    EXPECT_EQ(b.unit.Control("skip/4"), "ok");
    EXPECT_EQ(b.unit.Control("fault swap-frags=1,2"), "ok");
    EXPECT_EQ(b.unit.Control("sensor-words 1 2 3 4"), "ok");
    EXPECT_EQ(b.unit.Control("faults"), "ok drop-frag=2 reply-delay=150/3 skip/4 swap-frags=1,2 sensor-words=1,2,3,4");
    EXPECT_EQ(b.unit.Control("clear-faults"), "ok");
    EXPECT_EQ(b.unit.Control("faults"), "ok");
    EXPECT_EQ(b.unit.Control("wheel 500"), "ok");
    EXPECT_EQ(b.unit.Control("wheel fast"), "error: wheel needs ticks per second");
    EXPECT_EQ(b.unit.Control("battery 361"), "ok");
    EXPECT_EQ(b.unit.Control("battery 70000"), "error: battery needs a value from 0 to 65535");
    EXPECT_EQ(b.unit.Control("fill 2=1.0"), "ok");
    EXPECT_EQ(b.unit.Control("fill 3 0.5"), "ok");
    EXPECT_EQ(b.unit.Control("fill -1"), "error: fill ratio must be a number from 0");
    EXPECT_EQ(b.unit.Control("sensor 1 on"), "ok");
    EXPECT_EQ(b.unit.Control("sensor 9 on"), "error: sensor needs SLOT on|off");
    EXPECT_EQ(b.unit.Control("marker 0,8,x"), "error: marker needs status words like 0,8,8,0,8");
    EXPECT_EQ(b.unit.Control("rate -1"), "error: rate needs steps per second (0 for real time)");
    EXPECT_EQ(b.unit.Control("vanish"), "error: vanish needs seconds from 0 to 86400");
    EXPECT_EQ(b.unit.Control("drop-frag 0"), "error: fragment number must be 1 to 65535");
    EXPECT_EQ(b.unit.Control("explode").rfind("error: unknown command 'explode'", 0), 0u);
    EXPECT_EQ(b.unit.Control("stats").rfind("ok requests=0 ", 0), 0u);
    EXPECT_EQ(b.unit.Control(""), "ok");

    b.Send(65, 1, 20);
    EXPECT_EQ(b.DrainParsed().at(0).payload[0], 1) << "sensor 1 on took effect";
}

}  // namespace
