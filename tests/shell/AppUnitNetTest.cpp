// The program against the simulated control unit over a veth pair of its own: the presence
// check at start-up and the stop at exit. Needs root.

#include "display/RadarPalette.h"
#include "tests/support/SimVethFixture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace {

int Count(const std::vector<SimReceived>& requests, std::uint16_t code)
{
    return static_cast<int>(std::count_if(requests.begin(), requests.end(),
                                          [code](const SimReceived& r) { return r.request.code == code; }));
}

// Whether `pid` has its own handler for `sig`: the program is ready to be ended in order.
bool Catches(pid_t pid, int sig)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (sig - 1)) & 1;
    return false;
}

template <typename F>
bool WaitFor(F done)
{
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return done();
}

} // namespace

using AppUnitNet = SimVethTest;

TEST_F(AppUnitNet, ProgramFindsTheSimulatedUnitAtStartUpAndStopsItWhenEndedBySigterm)
{
    std::string error;
    ASSERT_TRUE(net.StartUnit(CSimUnitConfig::Tolam(), error)) << error;
    TempDir dir;
    const std::string env = "HOME='" + dir.path() + "' XDG_CONFIG_HOME='" + dir.path() + "/config' XDG_RUNTIME_DIR='" +
                            dir.path() + "' QT_QPA_PLATFORM=offscreen";
    ::mkdir((dir.path() + "/config").c_str(), 0755);
    // A second start: the settings files and the profile (unit check on) are there.
    ASSERT_EQ(std::system((env + " '" + DELVORA_BIN + "/dv-settings' >/dev/null").c_str()), 0);
    ASSERT_TRUE(CRadarPalette(dir.path() + "/config/Delvora").WriteFile());  // nor a palette message

    const std::string err = dir.path() + "/stderr";
    const pid_t pid = net.SpawnInHost(
        {"sh", "-c", env + " exec '" + DELVORA_BIN + "/delvora' 2>'" + err + "'"}, error);
    ASSERT_GT(pid, 0) << error;
    // The country is sent only when the presence check at start-up found the unit.
    const bool found = WaitFor([&] { return Count(net.Unit().Requests(), 79) > 0; });
    const bool ready = WaitFor([&] { return Catches(pid, SIGTERM); });
    ::kill(pid, SIGTERM);
    int status = 0;
    if (!WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; })) {
        ::kill(pid, SIGKILL);  // hung: end it so the namespace can go
        ::waitpid(pid, &status, 0);
    }
    EXPECT_TRUE(found);
    EXPECT_TRUE(ready);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << ReadFileBytes(err);
    EXPECT_EQ(ReadFileBytes(err).find("delvora: message"), std::string::npos) << ReadFileBytes(err);
    EXPECT_GT(Count(net.Unit().Requests(), 13), 0);  // stop acquisition at exit
}
