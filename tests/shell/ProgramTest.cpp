// The program itself, from outside: first and second start in empty folders, ended by
// SIGTERM as a session end would end it. Runs on the offscreen platform with the unit check
// off in its profile and, where it can, in a network namespace of its own with no adapter.

#include "model/AppSettings.h"
#include "shell/QtProfile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

const std::string kProgram = std::string(DELVORA_BIN) + "/delvora";

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Whether `pid` has its own handler for `sig` (the program is ready to be ended in order).
bool Catches(pid_t pid, int sig)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (sig - 1)) & 1;
    return false;
}

bool CanUnshareNetwork()
{
    return std::system("unshare -rn true >/dev/null 2>&1") == 0;
}

struct RunResult {
    int status = -1;
    std::string err;
};

class Program {
public:
    explicit Program(const TempDir& dir) : m_dir(dir)
    {
        ::mkdir((dir.path() + "/home").c_str(), 0755);
        ::mkdir((dir.path() + "/config").c_str(), 0755);
    }

    std::string Config() const { return m_dir.path() + "/config"; }
    std::string Settings() const { return Config() + "/Delvora"; }
    std::string ProfilePath() const { return Config() + "/Vostrel Geodata/Delvora for Tolam.ini"; }

    // Starts the program, waits until it can be ended in order, then sends SIGTERM and waits
    // for it to end. With `fileSizeKiB` the program may not write files larger than that.
    RunResult StartAndTerminate(int fileSizeKiB = 0)
    {
        std::vector<std::string> env = {"HOME=" + m_dir.path() + "/home", "XDG_CONFIG_HOME=" + Config(),
                                        "QT_QPA_PLATFORM=offscreen", "LANG=C.UTF-8",
                                        "XDG_RUNTIME_DIR=" + m_dir.path()};
        std::vector<std::string> args;
        std::string command = CanUnshareNetwork() ? "exec unshare -rn '" + kProgram + "'" : "exec '" + kProgram + "'";
        if (fileSizeKiB > 0)
            command = "ulimit -f " + std::to_string(fileSizeKiB) + " && " + command;
        args = {"sh", "-c", command};
        const std::string errPath = m_dir.path() + "/stderr";

        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        std::vector<char*> argv, envp;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_t pid = -1;
        const int rc = posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&fa);
        RunResult run;
        if (rc != 0)
            return run;

        // The shell and unshare exec the program in the same process: wait for its handler.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!Catches(pid, SIGTERM) && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ::kill(pid, SIGTERM);

        int status = 0;
        const auto hang = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > hang) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        run.status = status;
        std::ifstream in(errPath);
        std::stringstream ss;
        ss << in.rdbuf();
        run.err = ss.str();
        return run;
    }

private:
    const TempDir& m_dir;
};

std::vector<int> MessageIds(const std::string& err)
{
    std::vector<int> ids;
    std::istringstream in(err);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("delvora: message ", 0) == 0)
            ids.push_back(std::stoi(line.substr(17)));
    return ids;
}

int CountLines(const std::string& bytes)
{
    return static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
}

} // namespace

TEST(Program, StartsReportOnlyTheFilesStillMissingAndSigtermClosesAsExitDoes)
{
    TempDir dir;
    Program program(dir);
    {
        QtProfile preset(program.ProfilePath());
        ASSERT_TRUE(preset.writeInt(CAppSettings::kSection, "enable_cu_check", 0));
    }

    const RunResult first = program.StartAndTerminate();
    ASSERT_TRUE(WIFEXITED(first.status)) << first.err;
    EXPECT_EQ(WEXITSTATUS(first.status), 0) << first.err;
    // The first box (133) was on screen when the signal came; it was dismissed and the
    // messages after it were not shown as boxes any more.
    EXPECT_EQ(MessageIds(first.err), (std::vector<int>{134, 135, 136})) << first.err;

    EXPECT_EQ(CountLines(ReadFileBytes(program.Settings() + "/last_used_param")), 192);
    EXPECT_EQ(CountLines(ReadFileBytes(program.Settings() + "/preset_param")), 10);
    EXPECT_EQ(CountLines(ReadFileBytes(program.Settings() + "/global_settings")), 10);
    EXPECT_TRUE(Exists(program.Settings() + "/wheel_presets"));
    {
        // Ended before it started up: the profile it never read is left as it was.
        QtProfile saved(program.ProfilePath());
        EXPECT_EQ(saved.getInt("settings", "enable_cu_check", -1), 0);
        EXPECT_EQ(saved.getString("settings", "Default file name", "none"), "none");
    }

    const RunResult second = program.StartAndTerminate();
    ASSERT_TRUE(WIFEXITED(second.status)) << second.err;
    EXPECT_EQ(WEXITSTATUS(second.status), 0) << second.err;
    // The first run ended before it read its palette, so it wrote none: the second start
    // finds no palette file (205, whether shown as a box or, once the signal was taken,
    // only written out) and writes the grey ramp when it closes.
    const std::vector<int> secondIds = MessageIds(second.err);
    EXPECT_TRUE(secondIds.empty() || secondIds == std::vector<int>{205}) << second.err;
    EXPECT_EQ(ReadFileBytes(program.Settings() + "/palette").rfind("0\r\n263172\r\n", 0), 0u);
    EXPECT_EQ(CountLines(ReadFileBytes(program.Settings() + "/palette")), 64);
    {
        // The second start closes as File > Exit does: the profile holds the defaults.
        QtProfile saved(program.ProfilePath());
        EXPECT_EQ(saved.getInt("settings", "enable_cu_check", -1), 0);
        EXPECT_EQ(saved.getInt("settings", "colorscale", -1), 11000);
        EXPECT_EQ(saved.getString("settings", "Default file name", ""), "Profile");
        EXPECT_EQ(saved.getInt("GPS Settings", "Protocol", -1), 1);
        EXPECT_EQ(saved.getInt("GPS Settings", "Log GPS On/Off", -1), 0);
    }

    const RunResult third = program.StartAndTerminate();
    ASSERT_TRUE(WIFEXITED(third.status)) << third.err;
    EXPECT_TRUE(MessageIds(third.err).empty()) << third.err;
}

TEST(Program, FileTooLargeForTheLimitIsAFailedSaveReportedAndNotTheEndOfTheProgram)
{
    TempDir dir;
    Program program(dir);
    {
        QtProfile preset(program.ProfilePath());
        ASSERT_TRUE(preset.writeInt(CAppSettings::kSection, "enable_cu_check", 0));
    }
    // last_used_param needs more than 1 KiB; the other three files and the profile fit.
    const RunResult run = program.StartAndTerminate(1);
    ASSERT_TRUE(WIFEXITED(run.status)) << "ended by signal " << WTERMSIG(run.status) << "\n" << run.err;
    EXPECT_EQ(WEXITSTATUS(run.status), 0) << run.err;
    EXPECT_EQ(MessageIds(run.err), (std::vector<int>{134, 135, 136, 139})) << run.err;
    EXPECT_FALSE(Exists(program.Settings() + "/last_used_param"));
    EXPECT_EQ(CountLines(ReadFileBytes(program.Settings() + "/global_settings")), 10);
}

TEST(Program, SigtermWhileTheGpsMessageIsOpenEndsBeforeTheWindowAndTheUnitCheck)
{
    // With the unit check on, the program may only run in a network namespace of its own.
    if (!CanUnshareNetwork())
        GTEST_SKIP() << "no network namespace can be made here";
    TempDir dir;
    Program program(dir);
    {
        QtProfile preset(program.ProfilePath());
        ASSERT_TRUE(preset.writeInt(CAppSettings::kSection, "enable_cu_check", 0));
    }
    ASSERT_TRUE(WIFEXITED(program.StartAndTerminate().status));  // writes the settings files
    {
        QtProfile preset(program.ProfilePath());
        ASSERT_TRUE(preset.writeInt(CAppSettings::kSection, "enable_cu_check", 1));
        ASSERT_TRUE(preset.writeInt(CAppSettings::kGpsSection, "Log GPS On/Off", 1));
        for (int com = 1; com <= 12; ++com)
            ASSERT_TRUE(preset.writeString(CAppSettings::kGpsSection, "Device COM" + std::to_string(com),
                                           dir.path() + "/no-such-port"));
    }

    // The GPS port's message is the first box, so the signal is taken while it is open.
    const RunResult run = program.StartAndTerminate();
    ASSERT_TRUE(WIFEXITED(run.status)) << run.err;
    EXPECT_EQ(WEXITSTATUS(run.status), 0) << run.err;
    EXPECT_TRUE(MessageIds(run.err).empty()) << run.err;
    // The presence check would have found no adapter in the namespace and said so.
    EXPECT_EQ(run.err.find("adapter"), std::string::npos) << "the unit check ran after the end:\n" << run.err;
}
