// The simulated unit's network harness: a veth pair between two network namespaces of the
// test's own, each side seeing only its own end, and a sender in the unit's place seen from
// the host end through a raw packet socket.
#include "HostView.h"
#include "sim/SimBlaster.h"
#include "sim/SimRawSocket.h"
#include "tests/support/SimVethFixture.h"
#include "tests/support/TempDir.h"

#include <memory>
#include <net/if.h>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int64_t kPatience = 5'000'000;   // 5 s: only a hang takes that long

std::set<std::string> Interfaces()
{
    std::set<std::string> names;
    struct if_nameindex* list = if_nameindex();
    for (struct if_nameindex* i = list; i && i->if_index; ++i)
        names.insert(i->if_name);
    if_freenameindex(list);
    return names;
}

std::set<std::string> InterfacesIn(const CSimNetns& ns)
{
    CScopedNetns inside(ns.Fd());
    EXPECT_TRUE(inside.Ok()) << inside.Error();
    return Interfaces();
}

// The host end of the pair, as a test program would use it.
class HostSide {
public:
    explicit HostSide(const CSimNetHarness& net) : m_net(net)
    {
        CScopedNetns inside(net.HostNetns().Fd());
        std::string error;
        m_ok = inside.Ok() && m_socket.Open(CSimNetHarness::kHostInterface, 0x5555, error);
        m_error = inside.Ok() ? error : inside.Error();
    }
    bool Ok() const { return m_ok; }
    const std::string& Error() const { return m_error; }

    uint16_t Send(uint16_t code, uint16_t arg1 = 0, uint32_t a2 = 0, uint32_t a3 = 0, bool broadcast = false)
    {
        ++m_seq;
        const auto f = MakeRequest(broadcast ? SimWire::kBroadcast : m_net.UnitMac(), m_net.HostMac(), m_seq, code,
                                   arg1, a2, a3);
        EXPECT_TRUE(m_socket.Send(f.data(), f.size()));
        return m_seq;
    }
    bool Next(std::vector<uint8_t>& frame) { return m_socket.Receive(frame, kPatience) == 1; }
    bool NextReply(HostFrame& reply, std::vector<std::vector<uint8_t>>* others = nullptr)
    {
        std::vector<uint8_t> f;
        while (Next(f)) {
            reply = ParseHostFrame(f);
            if (reply.type == 1)
                return true;
            if (others)
                others->push_back(f);
        }
        return false;
    }

private:
    const CSimNetHarness& m_net;
    CSimRawSocket m_socket;
    uint16_t m_seq = 1;
    bool m_ok = false;
    std::string m_error;
};

TEST_F(SimVethTest, EachSideHoldsOnlyLoopbackAndItsEnd)
{
    EXPECT_EQ(InterfacesIn(net.HostNetns()), (std::set<std::string>{"lo", "dvhost0"}));
    EXPECT_EQ(InterfacesIn(net.UnitNetns()), (std::set<std::string>{"lo", "dvunit0"}));
    EXPECT_EQ(Interfaces().count("dvhost0"), 0u) << "nothing of the pair in the test's own namespace";
    EXPECT_NE(net.HostMac(), net.UnitMac());
}

TEST_F(SimVethTest, SenderInTheUnitsPlaceContinuesItsStreamAndSequence)
{
    std::string error;
    CSimUnitConfig config = CSimUnitConfig::Tolam();
    config.externalStream = true;
    ASSERT_TRUE(net.StartUnit(config, error)) << error;
    CSimBlaster blaster(net.Unit());
    {
        CScopedNetns inside(net.UnitNetns().Fd());
        ASSERT_TRUE(inside.Ok()) << inside.Error();
        ASSERT_TRUE(blaster.Start(CSimNetHarness::kUnitInterface, 500, error)) << error;
    }
    HostSide host(net);
    ASSERT_TRUE(host.Ok()) << host.Error();
    host.Send(5, 0xFFFF, 'T', 0);
    host.Send(6, 0, 10);
    host.Send(1, 0, 2048);
    host.Send(37, 0, 3);
    host.Send(96, 0, 20, 1);
    host.Send(12, 0);
    HostFrame reply;
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(host.NextReply(reply));

    HostReassembler r(net.HostMac());
    uint16_t lastSeq = 0;
    auto feed = [&](const std::vector<uint8_t>& f) {
        r.Feed(f);
        lastSeq = ParseHostFrame(f).msgSeq;
    };
    size_t traceFrames = 0;
    std::vector<uint8_t> f;
    while (traceFrames < 90 && host.Next(f)) {
        feed(f);
        traceFrames += f.size() > 1000;
    }
    host.Send(13, 0);
    std::vector<std::vector<uint8_t>> late;
    ASSERT_TRUE(host.NextReply(reply, &late));
    for (const auto& g : late)
        feed(g);
    r.Finish();
    EXPECT_TRUE(r.drops.empty()) << "the sender's messages and the unit's own form one sequence";
    EXPECT_EQ(reply.msgSeq, uint16_t(lastSeq + 1)) << "the stop's answer follows the last message sent";

    // The unit's own start trace at position 0 on both channels, then the sender's, one
    // record per message, a step further each time.
    std::vector<HostRecord> got;
    for (const auto& words : r.messages) {
        std::vector<HostRecord> records;
        ASSERT_TRUE(ParseHostRecords(words, records));
        for (const HostRecord& rec : records)
            if (rec.type == 'f') {
                EXPECT_EQ(records.size(), 1u);
                got.push_back(rec);
            }
    }
    ASSERT_GE(got.size(), 30u);
    const uint32_t step = uint32_t(got[2].payload[0]) << 16 | got[2].payload[1];
    ASSERT_GT(step, 0u);
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].code, i % 2) << "trace " << i;
        EXPECT_EQ(uint32_t(got[i].payload[0]) << 16 | got[i].payload[1], step * uint32_t(i / 2)) << "trace " << i;
        EXPECT_EQ(got[i].payload.size(), 2050u);
    }
    blaster.Stop();
    EXPECT_EQ(blaster.Sent().messages + 2, got.size());
    EXPECT_EQ(blaster.Sent().sendErrors, 0u);
}

TEST_F(SimVethTest, ProgramSpawnedOnTheHostSideSeesOnlyItsInterfaces)
{
    TempDir dir;
    std::string error;
    const pid_t pid = net.SpawnInHost({"/bin/sh", "-c", "ls /sys/class/net > " + dir.file("list")}, error);
    ASSERT_GT(pid, 0) << error;
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFileBytes(dir.file("list")), "dvhost0\nlo\n");
}

}  // namespace
