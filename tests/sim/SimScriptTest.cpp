// The dv-veth script's pair, as CTest sets it up and takes it down around these tests, and
// its "run" command with the simulated unit on the far end.
#include "HostView.h"
#include "sim/SimNetns.h"
#include "sim/SimRawSocket.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int64_t kPatience = 5'000'000;

std::map<std::string, std::string> ReadEnv(const std::string& path)
{
    std::map<std::string, std::string> env;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string value = line.substr(eq + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        env[line.substr(0, eq)] = value;
    }
    return env;
}

// Sends a hand-made discovery on dvhost0 of the calling thread's namespace and checks the
// unit's reply.
void ExpectDiscoveryAnswered(const SimMac& expectUnit, uint32_t expectId)
{
    CSimRawSocket socket;
    std::string error;
    ASSERT_TRUE(socket.Open("dvhost0", 0x5555, error)) << error;
    const SimMac host = socket.Address();
    auto f = MakeRequest(SimWire::kBroadcast, host, 2, 0xFFFF, 0);
    ASSERT_TRUE(socket.Send(f.data(), f.size()));
    std::vector<uint8_t> got;
    ASSERT_EQ(socket.Receive(got, kPatience), 1) << "no reply to discovery";
    ASSERT_EQ(got.size(), 60u);
    const HostFrame h = ParseHostFrame(got);
    EXPECT_EQ(h.dst, host);
    EXPECT_EQ(h.src, expectUnit);
    EXPECT_EQ(h.type, 1);
    EXPECT_EQ(h.word18, 2);
    EXPECT_EQ(SimMac({h.payload[2], h.payload[3], h.payload[4], h.payload[5], h.payload[6], h.payload[7]}), expectUnit);
    f = MakeRequest(expectUnit, host, 3, 61, 0, 1);
    ASSERT_TRUE(socket.Send(f.data(), f.size()));
    ASSERT_EQ(socket.Receive(got, kPatience), 1);
    const HostFrame id = ParseHostFrame(got);
    EXPECT_EQ(id.word18, 3);
    EXPECT_EQ(uint32_t(id.payload[0]) << 24 | id.payload[1] << 16 | id.payload[2] << 8 | id.payload[3], expectId);
}

bool ParseMacText(const std::string& text, SimMac& mac) { return SimWire::ParseMac(text, mac); }

TEST(ScriptPair, UnitInTheUnitNamespaceAnswersTheHostEnd)
{
    const char* envPath = std::getenv("DV_VETH_ENV");
    if (!envPath)
        GTEST_SKIP() << "run by CTest with the dv-veth fixture (DV_VETH_ENV)";
    auto env = ReadEnv(envPath);
    if (env.count("DV_SKIP"))
        GTEST_SKIP() << env["DV_SKIP_REASON"];
    ASSERT_FALSE(env["DV_HOST_NS"].empty());
    SimMac unitMac{};
    ASSERT_TRUE(ParseMacText(env["DV_UNIT_MAC"], unitMac)) << env["DV_UNIT_MAC"];

    TempDir dir;
    const std::string ready = dir.file("ready");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const std::string unitsim = std::string(DELVORA_BIN) + "/dv-unitsim";
        ::execlp("ip", "ip", "netns", "exec", env["DV_UNIT_NS"].c_str(), unitsim.c_str(), "-i", "dvunit0",
                 "--no-stdin", "--ready", ready.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ReadFileBytes(ready) != "ready\n" && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadFileBytes(ready), "ready\n");

    const int hostNs = ::open(("/run/netns/" + env["DV_HOST_NS"]).c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_GE(hostNs, 0);
    if (hostNs >= 0) {
        CScopedNetns inside(hostNs);
        EXPECT_TRUE(inside.Ok()) << inside.Error();
        if (inside.Ok())
            ExpectDiscoveryAnswered(unitMac, 0x10000001);
        ::close(hostNs);
    }
    ::kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "dv-unitsim ends cleanly on SIGTERM";
}

// Run as the COMMAND of "dv-veth run --sim '--unit z5k'": already inside the host namespace.
TEST(ScriptRun, CommandRunsInTheHostNamespaceAgainstTheUnit)
{
    const char* hostNs = std::getenv("DV_HOST_NS");
    if (!hostNs)
        GTEST_SKIP() << "run through dv-veth run";
    SimMac unitMac{};
    ASSERT_TRUE(ParseMacText(std::getenv("DV_UNIT_MAC") ? std::getenv("DV_UNIT_MAC") : "", unitMac));
    ExpectDiscoveryAnswered(unitMac, 0x20000001);
    if (const char* record = std::getenv("DV_RECORD")) {
        std::ofstream out(record);
        out << hostNs << "\n" << std::getenv("DV_UNIT_NS") << "\n";
    }
}

TEST(ScriptRun, NamespacesAreGoneAfterTheRun)
{
    const char* record = std::getenv("DV_RECORD");
    if (!record || std::getenv("DV_HOST_NS"))
        GTEST_SKIP() << "checks after dv-veth run (DV_RECORD)";
    std::ifstream in(record);
    std::string hostNs, unitNs;
    if (!(in >> hostNs >> unitNs))
        GTEST_SKIP() << "the run left no record (it was skipped or failed)";
    EXPECT_NE(::access(("/run/netns/" + hostNs).c_str(), F_OK), 0) << hostNs << " left behind";
    EXPECT_NE(::access(("/run/netns/" + unitNs).c_str(), F_OK), 0) << unitNs << " left behind";
    std::remove(record);
}

}  // namespace
