// The simulated unit over a real veth pair between two network namespaces of the test's own:
// the harness itself, the unit in this process and as the dv-unitsim command, seen from the
// host end through a raw packet socket.
#include "HostView.h"
#include "sim/SimBlaster.h"
#include "sim/SimRawSocket.h"
#include "tests/support/SimVethFixture.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <functional>
#include <fstream>
#include <memory>
#include <net/if.h>
#include <set>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
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

bool WaitFor(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
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

TEST_F(SimVethTest, EndingTheHarnessRemovesThePair)
{
    auto harness = std::make_unique<CSimNetHarness>();
    std::string error;
    ASSERT_TRUE(harness->Create(error)) << error;
    const int keep = ::dup(harness->HostNetns().Fd());
    ASSERT_GE(keep, 0);
    EXPECT_EQ(InterfacesIn(harness->HostNetns()).count("dvhost0"), 1u);
    harness.reset();
    CScopedNetns inside(keep);
    ASSERT_TRUE(inside.Ok()) << inside.Error();
    EXPECT_TRUE(WaitFor([] { return Interfaces().count("dvhost0") == 0; }))
        << "the host end goes when the unit's namespace goes";
    ::close(keep);
}

TEST_F(SimVethTest, UnitAnswersHandMadeDiscovery)
{
    std::string error;
    ASSERT_TRUE(net.StartUnit(CSimUnitConfig::Tolam(), error)) << error;
    HostSide host(net);
    ASSERT_TRUE(host.Ok()) << host.Error();
    const uint16_t seq = host.Send(0xFFFF, 0, 0, 0, true);
    std::vector<uint8_t> f;
    ASSERT_TRUE(host.Next(f)) << "no reply to discovery";
    ASSERT_EQ(f.size(), 60u);
    const HostFrame h = ParseHostFrame(f);
    EXPECT_EQ(h.dst, net.HostMac());
    EXPECT_EQ(h.src, net.UnitMac());
    EXPECT_EQ(h.etherType, 0x5555);
    EXPECT_EQ(h.type, 1);
    EXPECT_EQ(h.code, 0xFF);
    EXPECT_EQ(h.word18, seq);
    EXPECT_EQ(h.payload[0], 0xFF);
    EXPECT_EQ(h.payload[1], 0xFF);
    EXPECT_EQ(SimMac({h.payload[2], h.payload[3], h.payload[4], h.payload[5], h.payload[6], h.payload[7]}), net.UnitMac());
    EXPECT_EQ(std::vector<uint8_t>(f.end() - 4, f.end()), (std::vector<uint8_t>{0, 1, 0, 1}));

    const uint16_t hs = host.Send(0xFFFE);
    HostFrame reply;
    ASSERT_TRUE(host.NextReply(reply));
    EXPECT_EQ(reply.word18, hs);
    const auto requests = net.Unit().Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].request.broadcast);
    EXPECT_FALSE(requests[1].request.broadcast);
    EXPECT_TRUE(requests[1].request.violations.empty());
}

TEST_F(SimVethTest, StreamCrossesThePairIntact)
{
    std::string error;
    ASSERT_TRUE(net.StartUnit(CSimUnitConfig::Tolam(), error)) << error;
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
    ASSERT_EQ(reply.code, 12);

    HostReassembler r(net.HostMac());
    size_t traceFrames = 0;
    std::vector<uint8_t> f;
    while (traceFrames < 60 && host.Next(f)) {
        EXPECT_LE(f.size(), 1514u);
        EXPECT_GE(f.size(), 60u);
        r.Feed(f);
        traceFrames += f.size() > 1000;
    }
    host.Send(13, 0);
    std::vector<std::vector<uint8_t>> late;
    ASSERT_TRUE(host.NextReply(reply, &late));
    for (const auto& g : late)
        r.Feed(g);
    r.Finish();
    EXPECT_TRUE(r.drops.empty());
    std::vector<HostRecord> got;
    for (const auto& words : r.messages) {
        std::vector<HostRecord> records;
        ASSERT_TRUE(ParseHostRecords(words, records));
        for (const HostRecord& rec : records)
            if (rec.type == 'f')
                got.push_back(rec);
    }
    const auto sent = net.Unit().SentTraces();
    ASSERT_EQ(got.size(), sent.size());
    ASSERT_GE(got.size(), 20u);
    for (size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(got[i].code, sent[i].code);
        EXPECT_EQ(uint32_t(got[i].payload[0]) << 16 | got[i].payload[1], sent[i].position);
        ASSERT_EQ(got[i].payload.size(), 2050u);
        EXPECT_TRUE(std::equal(sent[i].samples.begin(), sent[i].samples.end(), got[i].payload.begin() + 2,
                               [](int16_t a, uint16_t b) { return uint16_t(a) == b; }))
            << "trace " << i;
    }
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

class SimJumboTest : public SimVethTest {
protected:
    int Mtu() const override { return 9000; }
};

TEST_F(SimJumboTest, JumboFrameCrossesALargeMtu)
{
    std::string error;
    ASSERT_TRUE(net.StartUnit(CSimUnitConfig::Tolam(), error)) << error;
    ASSERT_TRUE(net.Unit().AddFault("jumbo", error)) << error;
    HostSide host(net);
    ASSERT_TRUE(host.Ok()) << host.Error();
    host.Send(0xFFFE);
    std::vector<uint8_t> f;
    ASSERT_TRUE(host.Next(f));
    EXPECT_EQ(f.size(), 9014u);
    HostFrame reply;
    ASSERT_TRUE(host.NextReply(reply));
    EXPECT_EQ(net.Unit().Stats().sendErrors, 0u);
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

std::string AskControlSocket(const std::string& path, const std::string& line)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return "connect failed";
    }
    const std::string out = line + "\n";
    if (::write(fd, out.data(), out.size()) != ssize_t(out.size())) {
        ::close(fd);
        return "write failed";
    }
    std::string answer;
    char c;
    while (::read(fd, &c, 1) == 1 && c != '\n')
        answer += c;
    ::close(fd);
    return answer;
}

TEST_F(SimVethTest, CommandLineUnitServesThePair)
{
    TempDir dir;
    std::string error;
    const pid_t pid = net.StartUnitProcess({std::string(DELVORA_BIN) + "/dv-unitsim", "-i", "dvunit0", "--unit", "z5k",
                                            "--no-stdin", "--log", dir.file("log"), "--ready", dir.file("ready"),
                                            "--control", dir.file("control")},
                                           error);
    ASSERT_GT(pid, 0) << error;
    ASSERT_TRUE(WaitFor([&] { return ReadFileBytes(dir.file("ready")) == "ready\n"; })) << "dv-unitsim never got ready";
    HostSide host(net);
    ASSERT_TRUE(host.Ok()) << host.Error();
    host.Send(0xFFFF, 0, 0, 0, true);
    HostFrame reply;
    ASSERT_TRUE(host.NextReply(reply));
    EXPECT_EQ(reply.src, net.UnitMac());
    host.Send(61, 0, 1);
    ASSERT_TRUE(host.NextReply(reply));
    EXPECT_EQ((std::vector<uint8_t>(reply.payload, reply.payload + 4)), (std::vector<uint8_t>{0x20, 0, 0, 0x01}));

    EXPECT_EQ(AskControlSocket(dir.file("control"), "reply-drop"), "ok");
    host.Send(0xFFFE);
    // The request crosses the pair on its own time: wait until the unit has counted it.
    std::string stats;
    EXPECT_TRUE(WaitFor([&] {
        stats = AskControlSocket(dir.file("control"), "stats");
        return stats.rfind("ok requests=3 ", 0) == 0;
    })) << stats;
    EXPECT_NE(stats.find(" replies=2 "), std::string::npos) << stats;

    EXPECT_EQ(net.StopUnitProcess(), 0);
    const std::string log = ReadFileBytes(dir.file("log"));
    EXPECT_NE(log.find("\"dir\":\"in\",\"dst\":\"broadcast\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"payload\":\"2000000100000000\""), std::string::npos) << log;
}

}  // namespace
