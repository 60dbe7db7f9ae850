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
