// The unit in a thread of its own on an in-memory wire, by the real clock: what the link's
// in-process tests run against. Timeouts here only catch hangs.
#include "HostView.h"
#include "sim/SimMemoryWire.h"
#include "sim/SimServer.h"
#include "sim/SimUnit.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

constexpr int64_t kPatience = 10'000'000;   // 10 s: only a hang takes that long

struct ServedUnit {
    ServedUnit() : unit(CSimUnitConfig::Tolam(), clock), server(unit, wire.UnitPort(), clock) { server.Start(); }
    void Send(uint16_t code, uint16_t arg1 = 0, uint32_t a2 = 0, uint32_t a3 = 0, bool broadcast = false)
    {
        ++seq;
        const auto f = MakeRequest(broadcast ? SimWire::kBroadcast : wire.UnitPort().Address(),
                                   wire.HostPort().Address(), seq, code, arg1, a2, a3);
        wire.HostPort().Send(f.data(), f.size());
    }
    // The next reply, skipping data and events; false on a hang.
    bool NextReply(HostFrame& out, std::vector<std::vector<uint8_t>>* others = nullptr)
    {
        std::vector<uint8_t> f;
        while (wire.HostPort().Receive(f, kPatience) == 1) {
            out = ParseHostFrame(f);
            if (out.type == 1)
                return true;
            if (others)
                others->push_back(f);
        }
        return false;
    }
    CSimSteadyClock clock;
    CSimMemoryWire wire;
    CSimUnit unit;
    CSimServer server;
    uint16_t seq = 1;
};

TEST(SimServer, AnswersFromItsOwnThread)
{
    ServedUnit s;
    s.Send(0xFFFF, 0, 0, 0, true);
    HostFrame reply;
    ASSERT_TRUE(s.NextReply(reply));
    EXPECT_EQ(reply.code, 0xFF);
    EXPECT_EQ(reply.word18, s.seq);
    EXPECT_EQ(reply.payload[0], 0xFF);
    EXPECT_EQ(reply.src, s.wire.UnitPort().Address());
}

TEST(SimServer, StreamsUntilStopped)
{
    ServedUnit s;
    s.Send(5, 0xFFFF, 'T', 0);
    s.Send(6, 0, 10);
    s.Send(1, 0, 256);
    s.Send(37, 0, 1);
    s.Send(12, 0);
    HostFrame reply;
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(s.NextReply(reply));
    ASSERT_EQ(reply.code, 12);

    HostReassembler host(s.wire.HostPort().Address());
    int keepAlives = 0;
    std::vector<uint8_t> f;
    while (keepAlives < 3 && s.wire.HostPort().Receive(f, kPatience) == 1) {
        host.Feed(f);
        const HostFrame h = ParseHostFrame(f);
        if (h.type == 2 && f.size() > 23 && f[22] == ']')
            ++keepAlives;
    }
    ASSERT_EQ(keepAlives, 3) << "no hang: three keep-alives came";
    s.Send(13, 0);
    std::vector<std::vector<uint8_t>> late;
    ASSERT_TRUE(s.NextReply(reply, &late));
    EXPECT_EQ(reply.code, 13);
    for (const auto& g : late)
        host.Feed(g);
    host.Finish();
    EXPECT_TRUE(host.drops.empty());
    uint32_t last = 0;
    size_t traces = 0;
    for (const auto& words : host.messages) {
        std::vector<HostRecord> records;
        ASSERT_TRUE(ParseHostRecords(words, records));
        for (const HostRecord& r : records) {
            if (r.type != 'f')
                continue;
            const uint32_t pos = uint32_t(r.payload[0]) << 16 | r.payload[1];
            if (traces++) {
                EXPECT_EQ(pos, last + 10) << "one trace for every step, none lost";
            }
            last = pos;
        }
    }
    EXPECT_GE(traces, 1u);
    EXPECT_EQ(s.unit.SentTraces(0).size(), traces) << "every trace the unit sent came through";
    s.server.Stop();
    EXPECT_FALSE(s.unit.Streaming());
}

TEST(SimServer, StopSilencesTheUnit)
{
    ServedUnit s;
    s.server.Stop();
    s.Send(0xFFFF, 0, 0, 0, true);
    s.unit.Poll();
    std::vector<uint8_t> f;
    EXPECT_EQ(s.wire.HostPort().Receive(f, 0), 0);
    EXPECT_FALSE(s.server.Running());
}

TEST(SimMemoryWire, CloseWakesAWaitingReceiver)
{
    CSimMemoryWire wire;
    int result = 0;
    std::thread waiter([&] {
        std::vector<uint8_t> f;
        result = wire.HostPort().Receive(f, kPatience);
    });
    std::this_thread::yield();
    wire.Close();
    waiter.join();
    EXPECT_EQ(result, -1);
    const uint8_t frame[60] = {};
    EXPECT_FALSE(wire.UnitPort().Send(frame, sizeof frame));
}

TEST(SimMemoryWire, FullQueueLosesFramesAndCountsThem)
{
    CSimMemoryWire wire(2);
    const uint8_t a[60] = {1}, b[60] = {2}, c[60] = {3};
    EXPECT_TRUE(wire.UnitPort().Send(a, 60));
    EXPECT_TRUE(wire.UnitPort().Send(b, 60));
    EXPECT_TRUE(wire.UnitPort().Send(c, 60));
    EXPECT_EQ(wire.Lost(), 1u);
    std::vector<uint8_t> f;
    ASSERT_EQ(wire.HostPort().Receive(f, 0), 1);
    EXPECT_EQ(f[0], 1);
    ASSERT_EQ(wire.HostPort().Receive(f, 0), 1);
    EXPECT_EQ(f[0], 2);
    EXPECT_EQ(wire.HostPort().Receive(f, 0), 0);
}

}  // namespace
