// Every command of the control unit answered as the host expects, checked byte by byte on
// the wire of an in-memory bench.
#include "SimBench.h"
#include "sim/SimCrc32.h"
#include "sim/SimPattern.h"
#include "tests/support/TempDir.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> P(const HostFrame& h) { return std::vector<uint8_t>(h.payload, h.payload + 8); }

TEST(SimUnitCommands, DiscoveryReplyCarriesTheUnitAddress)
{
    SimBench b;
    const uint16_t seq = b.Send(0xFFFF, 0, 0, 0, 0, true);
    const auto frames = b.Drain();
    ASSERT_EQ(frames.size(), 1u);
    std::vector<uint8_t> want = {0x02, 0x48, 0x4F, 0x53, 0x54, 0x01, 0x02, 0x55, 0x55, 0x00, 0x00, 0x01,
                                 0x55, 0x55, 0x00, 0x01, 0x01, 0xFF, uint8_t(seq >> 8), uint8_t(seq),
                                 0xFF, 0xFF, 0x02, 0x55, 0x55, 0x00, 0x00, 0x01};
    want.resize(56, 0);
    want.insert(want.end(), {0x00, 0x01, 0x00, 0x01});
    EXPECT_EQ(frames[0], want);
}

TEST(SimUnitCommands, PlainCommandsGetZeroRepliesOnePerMessageSequence)
{
    CSimUnitConfig c = CSimUnitConfig::Tolam();
    c.events = false;
    SimBench b(c);
    const uint16_t codes[] = {0xFFFE, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 13, 20, 22, 27, 36, 37, 40, 79, 96, 200, 0x1234};
    for (uint16_t code : codes) {
        const uint16_t seq = b.Send(code, 0, 1, 2);
        const auto got = b.DrainParsed();
        ASSERT_EQ(got.size(), 1u) << "code " << code;
        EXPECT_EQ(got[0].type, 1) << "code " << code;
        EXPECT_EQ(got[0].code, code & 0xFF);
        EXPECT_EQ(got[0].word18, seq);
        EXPECT_EQ(P(got[0]), std::vector<uint8_t>(8, 0)) << "code " << code;
        EXPECT_EQ(got[0].length, 60u);
    }
    const auto sent = b.unit.SentMessages();
    ASSERT_EQ(sent.size(), std::size(codes));
    for (size_t i = 0; i < sent.size(); ++i)
        EXPECT_EQ(sent[i].msgSeq, i + 1) << "one message sequence for all messages, from 1";
}

TEST(SimUnitCommands, UnitIdentifierTellsTolamFromZ5K)
{
    SimBench tolam;
    tolam.Send(61, 0, 1);
    tolam.Send(61, 0, 2);
    auto got = tolam.DrainParsed();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(P(got[0]), (std::vector<uint8_t>{0x10, 0, 0, 0x01, 0, 0, 0, 0}));
    EXPECT_EQ(P(got[1]), std::vector<uint8_t>(8, 0));

    SimBench z5k(CSimUnitConfig::Z5K());
    z5k.Send(61, 0, 1);
    got = z5k.DrainParsed();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].payload[0] >> 4, 2) << "top nibble 2 names a Z5K unit";
}

TEST(SimUnitCommands, ModuleStatusGivesPresenceAndTypePerSlot)
{
    CSimUnitConfig c = CSimUnitConfig::Tolam();
    std::string error;
    ASSERT_TRUE(c.SetModules("8,4,-,12,2,0", error)) << error;
    SimBench b(c);
    for (uint16_t slot = 0; slot < 8; ++slot)
        b.Send(65, slot, 4);
    b.Send(65, 9, 4);
    const auto got = b.DrainParsed();
    ASSERT_EQ(got.size(), 9u);
    const std::vector<std::vector<uint8_t>> want = {
        {1, 0, 0, 0x80, 0, 0, 0, 0}, {1, 0, 0, 0x40, 0, 0, 0, 0}, std::vector<uint8_t>(8, 0),
        {1, 0, 0, 0xC0, 0, 0, 0, 0}, {1, 0, 0, 0x20, 0, 0, 0, 0}, {1, 0, 0, 0x00, 0, 0, 0, 0},
        std::vector<uint8_t>(8, 0), std::vector<uint8_t>(8, 0), std::vector<uint8_t>(8, 0)};
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(P(got[i]), want[i]) << "slot " << i;
}

TEST(SimUnitCommands, EmptySlotsCanStaySilent)
{
    CSimUnitConfig c = CSimUnitConfig::Tolam();
    c.silentEmptySlots = true;
    SimBench b(c);
    b.Send(65, 0, 4);
    b.Send(65, 5, 4);
    b.Send(65, 5, 20);
    const auto got = b.DrainParsed();
    ASSERT_EQ(got.size(), 2u) << "slot F's module status goes unanswered";
    EXPECT_EQ(got[0].payload[0], 1);
    EXPECT_EQ(got[1].code, 65);
    EXPECT_EQ(b.unit.Requests().at(1).action, "no reply (empty slot)");
}

TEST(SimUnitCommands, Z5KHasOnlySlotZero)
{
    SimBench b(CSimUnitConfig::Z5K());
    b.Send(65, 0, 4);
    b.Send(65, 1, 4);
    const auto got = b.DrainParsed();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].payload[0], 1);
    EXPECT_EQ(P(got[1]), std::vector<uint8_t>(8, 0));
}

TEST(SimUnitCommands, SensorPresenceFollowsTheModelAndItsChanges)
{
    SimBench b;
    b.Send(65, 0, 20);
    b.Send(65, 1, 20);
    b.unit.SetSensorPresent(0, false);
    b.Send(65, 0, 20);
    const auto got = b.DrainParsed();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].payload[0], 1);
    EXPECT_EQ(got[1].payload[0], 0);
    EXPECT_EQ(got[2].payload[0], 0);
}

TEST(SimUnitCommands, SampleIntervalsAreLittleEndianDoubles)
{
    CSimUnitConfig c = CSimUnitConfig::Tolam();
    std::string error;
    ASSERT_TRUE(c.SetInterval("1,0,nan", error));
    ASSERT_TRUE(c.SetInterval("1,1,0.5", error));
    ASSERT_TRUE(c.SetInterval("1,2,0", error));
    ASSERT_TRUE(c.SetInterval("1,3,5e-10", error));
    SimBench b(c);
    b.Send(71, 0, 0);
    for (uint32_t i = 0; i < 4; ++i)
        b.Send(71, 1, i);
    const auto got = b.DrainParsed();
    ASSERT_EQ(got.size(), 5u);
    // 1e-10 is 0x3DDB7CDFD9D7BDBB.
    EXPECT_EQ(P(got[0]), (std::vector<uint8_t>{0xBB, 0xBD, 0xD7, 0xD9, 0xDF, 0x7C, 0xDB, 0x3D}));
    auto value = [&](size_t i) {
        double d;
        std::memcpy(&d, got[i].payload, 8);
        return d;
    };
    EXPECT_TRUE(std::isnan(value(1)));
    EXPECT_EQ(value(2), 0.5);
    EXPECT_EQ(value(3), 0.0);
    EXPECT_EQ(value(4), 5e-10);
}

TEST(SimUnitCommands, WheelCounterRunsFromItsPresetAndReadsBackBigEndian)
{
    SimBench b;
    b.Send(9, 16, 1, uint32_t(-5));
    b.Send(58, 16);
    b.unit.SetWheelSpeed(100);
    b.AdvanceMs(1000);
    b.Send(58, 16);
    b.Send(8, 0, 0xFFFF);
    b.AdvanceMs(500);
    b.Send(58, 16);
    b.Send(9, 16, 0, 0);
    b.AdvanceMs(500);
    b.Send(58, 16);
    const auto got = b.DrainParsed();
    auto counter = [&](size_t i) { return int32_t(uint32_t(got[i].payload[0]) << 24 | got[i].payload[1] << 16 |
                                                  got[i].payload[2] << 8 | got[i].payload[3]); };
    ASSERT_EQ(got.size(), 7u);
    EXPECT_EQ(counter(1), -5);
    EXPECT_EQ(counter(2), 95);
    EXPECT_EQ(counter(4), 45) << "reverse direction counts down";
    EXPECT_EQ(counter(6), 45) << "a stopped counter keeps its value";
}

TEST(SimUnitCommands, SettingsOfTheStartSequenceAreRecorded)
{
    SimBench b;
    b.Send(79, 0, 49);
    b.Send(5, 0xFFFF, 'W', 3);
    b.Send(7, 0xFFFF, 1, uint32_t(-1));
    b.Send(6, 1, 12);
    b.Send(8, 1, 0xFFFF);
    b.Send(96, 1, 20, 1, 1);
    b.Send(1, 1, 400);
    b.Send(4, 1, 128);
    b.Send(3, 1, 10, 20);
    b.Send(27, 1, 2);
    b.Send(40, 1, 1);
    b.Send(2, 1, 4);
    b.Send(37, 1, 3);
    b.Send(96, 3, 30, 1);
    b.Send(22, 3, 1);
    const CSimSettings s = b.unit.Settings();
    EXPECT_EQ(s.slot[0].country, 49u);
    EXPECT_EQ(s.triggerKind, 'W');
    EXPECT_EQ(s.triggerSource, 3u);
    EXPECT_EQ(s.bidirectional, 1);
    EXPECT_EQ(s.missedTrace, -1);
    const SimSlotSettings& b1 = s.slot[1];
    EXPECT_EQ(b1.step, 12u);
    EXPECT_EQ(b1.direction, -1);
    EXPECT_TRUE(b1.emOn);
    EXPECT_EQ(b1.samples, 400u);
    EXPECT_EQ(b1.frequencySteps, 128u);
    EXPECT_EQ(b1.signalPosition[0], 10u);
    EXPECT_EQ(b1.signalPosition[1], 20u);
    EXPECT_EQ(b1.rampIndex, 2u);
    EXPECT_EQ(b1.autoStack, 1u);
    EXPECT_EQ(b1.stacksLog2, 4u);
    EXPECT_EQ(b1.activeMask, 3u);
    EXPECT_EQ(s.slot[3].register30, 1u);
    EXPECT_TRUE(s.counters[3].enabled);
    EXPECT_EQ(s.slot[2].step, 1u) << "other slots untouched";
    EXPECT_EQ((s.last.at({3, 1})), (std::array<uint32_t, 5>{10, 20, 0, 0, 0}));
}

TEST(SimUnitCommands, RequestedTraceAndSensorComeBeforeTheReply)
{
    SimBench b;
    b.Send(1, 0, 100);
    b.Send(96, 0, 20, 1, 1);
    b.Drain();
    const uint16_t seq = b.Send(14, 0, 1);
    b.Send(14, 0, 1);
    b.Send(14, 0, 2);
    const auto frames = b.Drain();
    const auto parsed = [&] {
        std::vector<HostFrame> v;
        for (const auto& f : frames)
            v.push_back(ParseHostFrame(f));
        return v;
    }();
    ASSERT_EQ(parsed.size(), 9u);
    EXPECT_EQ(parsed[0].type, 2);
    EXPECT_EQ(parsed[1].type, 2);
    EXPECT_EQ(parsed[2].type, 1);
    EXPECT_EQ(parsed[2].word18, seq);
    EXPECT_EQ(parsed[2].code, 14);

    const auto records = Flatten(Messages(frames, b.host));
    ASSERT_EQ(records.size(), 6u);
    const uint8_t codes[] = {0, 0, 0, 0, 1, 1};
    const char types[] = {'f', '\\', 'f', '\\', 'f', '\\'};
    const uint32_t positions[] = {0, 0, 1, 0, 0, 0};
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].type, types[i]) << i;
        EXPECT_EQ(records[i].code, codes[i]) << i;
        if (types[i] == 'f') {
            EXPECT_EQ(Position(records[i]), positions[i]) << "requests counted per channel";
            ASSERT_EQ(records[i].payload.size(), 102u);
            const int64_t j = positions[i];
            for (int s = 0; s < 100; ++s)
                ASSERT_EQ(int16_t(records[i].payload[size_t(2 + s)]), SimRampSample(codes[i], j, s)) << s;
        } else {
            ASSERT_EQ(records[i].payload.size(), 4u);
            EXPECT_EQ(records[i].payload[3], SimSensorWord(codes[i], i == 3 ? 1 : 0, 3));
        }
    }
    const auto traces = b.unit.SentTraces();
    ASSERT_EQ(traces.size(), 3u);
    EXPECT_TRUE(traces[0].requested);
    EXPECT_EQ(traces[1].traceNumber, 1);
    EXPECT_EQ(traces[2].code, 1);
}

TEST(SimUnitCommands, TraceRequestForAMissingChannelIsAnsweredWithoutData)
{
    SimBench b;
    b.Send(14, 4, 1);   // empty slot E
    b.Send(14, 0, 3);   // there is no channel 2
    b.Send(14, 0, 0);
    const auto got = b.DrainParsed();
    ASSERT_EQ(got.size(), 3u);
    for (const HostFrame& h : got)
        EXPECT_EQ(h.type, 1);
}

TEST(SimUnitCommands, SampleCountIsEvenAndAtMost2048)
{
    SimBench b;
    b.Send(1, 0, 401);
    b.Send(14, 0, 1);
    b.Send(1, 0, 4096);
    b.Send(14, 0, 1);
    const auto traces = b.unit.SentTraces(0);
    ASSERT_EQ(traces.size(), 2u);
    EXPECT_EQ(traces[0].samples.size(), 400u);
    EXPECT_EQ(traces[1].samples.size(), 2048u);
}

TEST(SimUnitCommands, RequestsAreKeptWithTheirViolations)
{
    SimBench b;
    b.Send(0xFFFF, 0, 0, 0, 0, true);
    auto bad = MakeRequest(b.unitMac, b.host, 77, 20, 0, 1);
    bad[70] = 9;
    b.SendRaw(bad);
    auto shortFrame = MakeRequest(b.unitMac, b.host, 78, 20, 0, 1);
    shortFrame.resize(30);
    b.SendRaw(shortFrame);
    const auto got = b.unit.Requests();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_TRUE(got[0].request.broadcast);
    EXPECT_EQ(got[0].request.code, 0xFFFF);
    EXPECT_TRUE(got[0].request.violations.empty());
    EXPECT_EQ(got[1].request.seq, 77);
    ASSERT_EQ(got[1].request.violations.size(), 1u);
    EXPECT_EQ(got[1].action, "reply");
    EXPECT_EQ(got[2].action, "no reply (too short)");
    EXPECT_EQ(b.unit.Stats().violations, 2u);
    EXPECT_EQ(b.Drain().size(), 2u);
}

TEST(SimUnitCommands, FramesNotForTheUnitAreIgnored)
{
    SimBench b;
    auto other = MakeRequest({0x02, 0, 0, 0, 0, 0x42}, b.host, 5, 20, 0);
    b.SendRaw(other);
    auto ether = MakeRequest(b.unitMac, b.host, 6, 20, 0);
    ether[13] = 0x56;
    b.SendRaw(ether);
    auto own = MakeRequest(SimWire::kBroadcast, b.unitMac, 7, 0xFFFF, 0);
    b.SendRaw(own);
    EXPECT_TRUE(b.Drain().empty());
    EXPECT_EQ(b.unit.Stats().requests, 0u);
}

TEST(SimUnitCommands, RepliesGoToTheLatestRequester)
{
    SimBench b;
    const SimMac other{0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
    b.SendRaw(MakeRequest(SimWire::kBroadcast, other, 1, 0xFFFF, 0));
    b.Send(0xFFFE);
    const auto got = b.DrainParsed();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].dst, other);
    EXPECT_EQ(got[1].dst, b.host);
}

TEST(SimUnitCommands, JsonLogHasOneLinePerRequestAndMessage)
{
    TempDir dir;
    SimBench b;
    std::string error;
    ASSERT_TRUE(b.unit.OpenLog(dir.file("sim.jsonl"), error)) << error;
    b.Send(0xFFFF, 0, 0, 0, 0, true);
    b.Send(1, 0, 20);
    b.Send(14, 0, 1);
    b.unit.OpenLog("", error);   // closes and flushes
    std::ifstream in(dir.file("sim.jsonl"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 7u);
    for (const std::string& l : lines) {
        EXPECT_EQ(l.front(), '{');
        EXPECT_EQ(l.back(), '}');
    }
    EXPECT_NE(lines[0].find("\"dir\":\"in\",\"dst\":\"broadcast\""), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("\"code\":65535"), std::string::npos);
    EXPECT_NE(lines[1].find("\"payload\":\"ffff025555000001\""), std::string::npos) << lines[1];
    const auto traces = b.unit.SentTraces();
    ASSERT_EQ(traces.size(), 1u);
    std::vector<uint16_t> words(traces[0].samples.begin(), traces[0].samples.end());
    char crc[12];
    std::snprintf(crc, sizeof crc, "%08x", SimCrc32(words.data(), words.size()));
    EXPECT_NE(lines[5].find("\"type\":\"data\""), std::string::npos) << lines[5];
    EXPECT_NE(lines[5].find(std::string("\"crc\":\"") + crc + "\""), std::string::npos) << lines[5];
    EXPECT_NE(lines[5].find("\"n\":20"), std::string::npos);
}

TEST(SimUnitCommands, Crc32MatchesTheStandardCheckValue)
{
    const char* text = "123456789";
    EXPECT_EQ(SimCrc32Bytes(reinterpret_cast<const uint8_t*>(text), 9), 0xCBF43926u);
    const uint16_t samples[] = {0x3231, 0x3433};   // little-endian bytes "1234"
    EXPECT_EQ(SimCrc32(samples, 2), SimCrc32Bytes(reinterpret_cast<const uint8_t*>("1234"), 4));
}

}  // namespace
