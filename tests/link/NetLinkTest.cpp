// The link through the capture library over a veth pair in the test's own network
// namespace, with the stand-in unit capturing on the other end.
#include "PrivateNetwork.h"
#include "ScriptedUnit.h"
#include "link/CDriver.h"
#include "link/PcapTransport.h"
#include "link/RingRecord.h"
#include "link/SystemAdapterLister.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

const char kHostIf[] = "dvlhost";
const char kUnitIf[] = "dvlunit";

int IndexOf(const std::string& name)
{
    std::vector<Adapter> adapters;
    std::string error;
    SystemAdapterLister().List(adapters, error);
    for (std::size_t i = 0; i < adapters.size(); ++i)
        if (adapters[i].name == name)
            return static_cast<int>(i);
    return -1;
}

bool IsFaulty(int message)
{
    return message % 1000 == 500 || message % 1000 == 700 || message % 1000 == 800;
}

template <typename F>
bool WaitFor(F condition)
{
    // Generous: only a hang should ever reach the end.
    for (int i = 0; i < 10000; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

}  // namespace

class LinkOverVeth : public ::testing::Test {
protected:
    void SetUp() override
    {
        net = std::make_unique<PrivateNetwork>(kHostIf, kHostMac, kUnitIf, kUnitMac);
        if (!net->ok())
            GTEST_SKIP() << net->why();
        std::string error;
        ASSERT_EQ(unitWire.Open(kUnitIf, error), kTransportOpened) << error;
        peer = std::make_unique<ScriptedUnit>(unitWire);
        peer->Start();
        driver = std::make_unique<CDriver>(&currentSlot);
        choice.interfaceIndex = static_cast<std::int16_t>(IndexOf(kHostIf));
        ASSERT_GE(choice.interfaceIndex, 0);
        driver->Link().BindAdapterChoice(&choice);
    }

    void TearDown() override
    {
        driver.reset();
        if (peer)
            peer->Stop();
        unitWire.Close();
        net.reset();
    }

    std::unique_ptr<PrivateNetwork> net;
    PcapTransport unitWire;
    std::unique_ptr<ScriptedUnit> peer;
    std::int16_t currentSlot = 0;
    AdapterChoice choice;
    std::unique_ptr<CDriver> driver;
};

TEST_F(LinkOverVeth, AdaptersAreTheNamespacesEthernetInterfacesInIndexOrder)
{
    std::vector<Adapter> adapters;
    std::string error;
    ASSERT_EQ(SystemAdapterLister().List(adapters, error), 0) << error;
    ASSERT_EQ(adapters.size(), 2u);  // loopback left out
    EXPECT_LT(adapters[0].ifindex, adapters[1].ifindex);
    for (const Adapter& a : adapters) {
        EXPECT_EQ(a.mac, a.name == kHostIf ? kHostMac : kUnitMac) << a.name;
        EXPECT_EQ(a.description, a.name + " (" + FormatMac(a.mac) + ")");
    }
}

TEST_F(LinkOverVeth, DetectionAndCommandsGoOutRightAndOurOwnFramesStayOut)
{
    ASSERT_EQ(driver->Detect(), 1);
    EXPECT_EQ(driver->Link().Source(), kHostMac);
    EXPECT_EQ(driver->Link().Destination(), kUnitMac);
    EXPECT_TRUE(driver->IsModularUnit());
    EXPECT_EQ(driver->GetModuleName(0), "Coaxial module");
    EXPECT_EQ(driver->SetSamples(513), kCommandAnswered);
    const auto log = peer->Log();
    ASSERT_GE(log.size(), 5u);
    EXPECT_TRUE(log[0].broadcast());
    EXPECT_EQ(log[0].sequence, 2);
    EXPECT_EQ(log[1].code, wire::kHandshake);
    EXPECT_EQ(log[1].dst, kUnitMac);
    EXPECT_EQ(log.back().args[0], 512u);
    for (const Request& r : log) {
        EXPECT_EQ(r.length, 104u);
        EXPECT_EQ(r.raw[101], 1);
        EXPECT_EQ(r.raw[103], 1);
    }
    const LinkCounters c = driver->Link().Counters();
    EXPECT_EQ(c.framesIgnored, 0u) << "the capture saw frames that are not the unit's";
    EXPECT_EQ(c.replyFrames, log.size());
}

TEST_F(LinkOverVeth, StreamArrivesWholeWithFaultsCostingOnlyTheirMessages)
{
    ASSERT_EQ(driver->Detect(), 1);
    VT_Ethernet& link = driver->Link();
    link.ResetQueues();
    constexpr int kMessages = 20000;
    // The sender keeps at most this many messages ahead of what the reader has released:
    // 1,000 messages of 1,204 words fit the ring and the capture buffer however slowly the
    // reader runs.
    constexpr int kAhead = 1000;
    static_assert(kAhead * 1204 < static_cast<int>(DataRing::kDefaultWords));
    std::atomic<int> released{0};  // messages the reader is past, lost ones included
    std::atomic<bool> stop{false};
    std::thread unit([&] {
        for (int m = 0; m < kMessages && !stop; ++m) {
            std::vector<std::int16_t> samples(1200, static_cast<std::int16_t>(m));
            const auto words = TraceRecordWords(m % 16, static_cast<std::uint32_t>(m), samples);
            auto frames = DataMessage(kHostMac, peer->NextMessageSequence(), words);
            // In every thousand: one message loses its first fragment, one has its last
            // cut to a runt, one is a short frame whose pad count exceeds its data. Only
            // those messages go.
            if (m % 1000 == 500)
                frames.erase(frames.begin());
            if (m % 1000 == 700)
                frames.back().resize(20);
            if (m % 1000 == 800) {
                frames = {DataFragment(kHostMac, peer->NextMessageSequence(), 1, true, {4, 0x4D00, 600})};
                frames[0][frames[0].size() - 4] = 0xFF;
            }
            for (const Bytes& f : frames)
                peer->Send(f);
            while (m - released.load() >= kAhead && !stop)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    struct JoinAtEnd {
        std::atomic<bool>& stop;
        std::thread& thread;
        ~JoinAtEnd()
        {
            stop = true;
            thread.join();
        }
    } joinAtEnd{stop, unit};
    int seen = 0;
    int expected = 0;
    std::vector<std::int16_t> samples(2048);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (expected < kMessages && std::chrono::steady_clock::now() < deadline) {
        const int i = link.NextRecord();
        if (i == -1) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
            continue;
        }
        ASSERT_GE(i, 0);
        const RingRecord r = ReadRecordHeader(link.Ring(), static_cast<std::uint32_t>(i));
        while (IsFaulty(expected))
            ++expected;
        ASSERT_EQ(RecordLong(link.Ring(), r), static_cast<std::uint32_t>(expected));
        ASSERT_EQ(CopyTraceSamples(link.Ring(), r, samples.data(), 2048), 1200u);
        ASSERT_EQ(samples[1199], static_cast<std::int16_t>(expected));
        ASSERT_EQ(link.ReleaseRecord(), 1);
        ++seen;
        ++expected;
        while (IsFaulty(expected))
            ++expected;
        released = expected;
    }
    EXPECT_EQ(seen, kMessages - 3 * kMessages / 1000);
    const LinkCounters c = link.Counters();
    EXPECT_EQ(c.captureDropped, 0u);
    EXPECT_EQ(c.ringOverflows, 0u);
    EXPECT_EQ(c.badPadFrames, static_cast<std::uint64_t>(kMessages / 1000));
    EXPECT_EQ(c.shortFrames, static_cast<std::uint64_t>(kMessages / 1000));
    EXPECT_EQ(c.strayFragmentDrops, static_cast<std::uint64_t>(kMessages / 1000));
}

TEST_F(LinkOverVeth, UnitAndAdapterVanishAndComeBack)
{
    ASSERT_EQ(driver->Detect(), 1);
    peer->Change([](UnitModel& m) { m.silent = true; });
    EXPECT_EQ(driver->Detect(), 0);
    peer->Change([](UnitModel& m) { m.silent = false; });
    EXPECT_EQ(driver->Detect(), 1);

    peer->Stop();
    unitWire.Close();
    ASSERT_TRUE(net->Remove());
    EXPECT_TRUE(WaitFor([&] { return driver->Link().IsBroken(); }));
    testing::internal::CaptureStderr();
    EXPECT_EQ(driver->Detect(), 0);
    EXPECT_EQ(driver->Detect(), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "No adapter information exists for the local computer");
    EXPECT_FALSE(driver->Link().IsOpen());

    ASSERT_TRUE(net->Make());
    std::string error;
    ASSERT_EQ(unitWire.Open(kUnitIf, error), kTransportOpened) << error;
    peer->Start();
    EXPECT_EQ(driver->Detect(), 1);
}

TEST_F(LinkOverVeth, CaptureIsRefusedClearlyWithoutTheRight)
{
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeFds[0]);
        dup2(pipeFds[1], STDERR_FILENO);
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(10);
        std::int16_t slot = 0;
        AdapterChoice mine;
        mine.interfaceIndex = static_cast<std::int16_t>(IndexOf(kHostIf));
        VT_Ethernet link;
        link.BindAdapterChoice(&mine);
        const int r = link.Open();
        (void)slot;
        _exit(r);
    }
    close(pipeFds[1]);
    std::string err;
    char buf[512];
    for (ssize_t n; (n = read(pipeFds[0], buf, sizeof buf)) > 0;)
        err.append(buf, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kLinkCaptureFailed);
    EXPECT_NE(err.find(std::string("\nUnable to open the adapter. ") + kHostIf + " is not supported by WinPcap\n"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("CAP_NET_RAW"), std::string::npos) << err;
}
