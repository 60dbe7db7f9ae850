// The application object against the simulated control unit over a veth pair of its own:
// the presence check at start-up, the start-up exchange, the stop at exit. Needs root.

#include "display/RadarPalette.h"
#include "tests/shell/AppDoubles.h"

#include "model/AppSettings.h"
#include "shell/DriverUnit.h"
#include "tests/support/SimVethFixture.h"

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

class AppUnitNet : public SimVethTest {
protected:
    // Builds and starts the application inside the host namespace, where dvhost0 is
    // adapter 0; the link's capture and receive thread stay in there.
    void StartInHostNamespace()
    {
        CScopedNetns inside(net.HostNetns().Fd());
        ASSERT_TRUE(inside.Ok()) << inside.Error();
        h.Construct();
        for (auto& p : h.app->m_params.m_params)
            p.m_bActive = 1;
        h.app->m_params.m_nCountry = 3;
        ASSERT_TRUE(h.app->InitInstance());
    }
    AppHarness h;
};

TEST_F(AppUnitNet, StartUpFindsTheUnitSendsTheCountryAndTakesItsModulesAndIntervals)
{
    std::string error;
    CSimUnitConfig config = CSimUnitConfig::Tolam();  // coaxial in slot A, opto in slot B
    ASSERT_TRUE(net.StartUnit(config, error)) << error;
    h.realUnit = true;
    h.profile.writeInt(CAppSettings::kSection, "enable_cu_check", 1);
    StartInHostNamespace();

    EXPECT_TRUE(h.app->m_status.IsConnected());
    const auto requests = net.Unit().Requests();
    ASSERT_EQ(Count(requests, 79), 1);  // country
    const auto country = std::find_if(requests.begin(), requests.end(),
                                      [](const SimReceived& r) { return r.request.code == 79; });
    EXPECT_EQ(country->request.args[0], 3u);
    EXPECT_GT(Count(requests, 65), 0);  // module status
    EXPECT_GT(Count(requests, 71), 0);  // sample intervals

    // Slots A and B keep their channels, the empty slots lose theirs.
    EXPECT_EQ(h.app->m_params.m_params[0].m_bActive, 1);
    EXPECT_EQ(h.app->m_params.m_params[3].m_bActive, 1);
    for (int k = 4; k < 16; ++k)
        EXPECT_EQ(h.app->m_params.m_params[k].m_bActive, 0) << k;
    for (int r = 0; r < 4; ++r)
        EXPECT_DOUBLE_EQ(h.app->m_params.GetSampleInterval(0, r), config.slots[0].intervals[r]) << r;
    EXPECT_EQ(h.app->m_adapterDescriptions.size(), 1u);

    const int stopsBefore = Count(net.Unit().Requests(), 13);
    h.Exit();
    EXPECT_EQ(Count(net.Unit().Requests(), 13), stopsBefore + 1);  // stop acquisition at exit
    auto* unit = dynamic_cast<CDriverUnit*>(h.app->Unit());
    ASSERT_NE(unit, nullptr);
    EXPECT_FALSE(unit->Driver().Link().IsOpen());
    EXPECT_FALSE(unit->Driver().Link().ReceiveThreadRunning());
}

TEST_F(AppUnitNet, WithTheUnitCheckOffNothingIsSentAtAll)
{
    std::string error;
    ASSERT_TRUE(net.StartUnit(CSimUnitConfig::Tolam(), error)) << error;
    h.realUnit = true;
    h.profile.writeInt(CAppSettings::kSection, "enable_cu_check", 0);
    StartInHostNamespace();
    h.app->MainWindow()->OnTimer();
    EXPECT_FALSE(h.app->m_status.IsConnected());
    EXPECT_TRUE(net.Unit().Requests().empty());
}

TEST_F(AppUnitNet, NoUnitOnTheWireLeavesTheProgramDisconnectedAndTheChannelsAsStored)
{
    h.realUnit = true;
    h.profile.writeInt(CAppSettings::kSection, "enable_cu_check", 1);
    StartInHostNamespace();
    EXPECT_FALSE(h.app->m_status.IsConnected());
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(h.app->m_params.m_params[k].m_bActive, 1) << k;
    h.Exit();
}

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
