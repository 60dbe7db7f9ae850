// Black-box runs of build/bin/dv-settings: one start and one exit of the program's settings
// against a home folder of the test's own, where only a separate process shows the outcome:
// folders closed to another user and the command line.

#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

const char* const kFiles[] = {"last_used_param", "global_settings", "preset_param", "wheel_presets"};

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

struct RunOptions {
    bool unprivileged = false;       // as user 65534 when the test runs as root
    std::vector<std::string> args;
};

class DvSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(chmod(root.path().c_str(), 0755), 0);
        fs::create_directory(home());
    }

    std::string home() const { return root.file("home"); }
    std::string config() const { return root.file("config"); }
    std::string settings(const std::string& name) const { return config() + "/Delvora/" + name; }
    std::string ini() const { return config() + "/Vostrel Geodata/Delvora for Tolam.ini"; }

    std::string AllSettingsFiles() const
    {
        std::string all;
        for (const char* name : kFiles)
            all += std::string(name) + "\n" + ReadFileBytes(settings(name)) + "\n";
        return all;
    }

    // Runs the tool through a shell with only the environment given here, its working folder
    // in the test's tree.
    ToolRun Run(const RunOptions& o = {})
    {
        std::string tool = DELVORA_BIN "/dv-settings";
        std::vector<std::string> argv = {"sh", "-c",
            "cd \"$1\" || exit 97; out=$2; err=$3; shift 3; exec \"$@\" >\"$out\" 2>\"$err\"",
            "sh", root.path(), scratch.file("out"), scratch.file("err")};
        if (o.unprivileged && geteuid() == 0) {
            // The build folder need not be open to other users: run a copy from the test tree.
            const std::string copy = root.file("dv-settings");
            fs::copy_file(tool, copy, fs::copy_options::overwrite_existing);
            chmod(copy.c_str(), 0755);
            tool = copy;
            for (const char* a : {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"})
                argv.push_back(a);
        }
        argv.push_back(tool);
        argv.insert(argv.end(), o.args.begin(), o.args.end());

        std::vector<std::string> env = {"PATH=/usr/sbin:/usr/bin:/sbin:/bin"};
        env.push_back("HOME=" + home());
        env.push_back("XDG_CONFIG_HOME=" + config());
        for (const char* pass : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
            if (const char* v = std::getenv(pass))
                env.push_back(std::string(pass) + "=" + v);

        std::vector<char*> cargv, cenv;
        for (auto& a : argv)
            cargv.push_back(a.data());
        cargv.push_back(nullptr);
        for (auto& e : env)
            cenv.push_back(e.data());
        cenv.push_back(nullptr);

        ToolRun run;
        pid_t pid;
        if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, cargv.data(), cenv.data()) != 0) {
            ADD_FAILURE() << "cannot start /bin/sh";
            return run;
        }
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            run.exitCode = WEXITSTATUS(status);
        run.out = ReadFileBytes(scratch.file("out"));
        run.err = ReadFileBytes(scratch.file("err"));
        return run;
    }

    // Gives the whole tree to user 65534, so that only what a test closes is closed to it.
    void HandTreeToUnprivilegedUser()
    {
        if (geteuid() != 0)
            return;
        ASSERT_EQ(lchown(root.path().c_str(), 65534, 65534), 0);
        for (const auto& entry : fs::recursive_directory_iterator(root.path()))
            ASSERT_EQ(lchown(entry.path().c_str(), 65534, 65534), 0) << entry.path();
    }

    TempDir root;     // home and config of the tool
    TempDir scratch;  // its stdout and stderr
};

} // namespace

TEST_F(DvSettings, ReadOnlySettingsFolderReportsEverySaveInOrder)
{
    ASSERT_EQ(Run().exitCode, 0);
    const std::string files = AllSettingsFiles();
    HandTreeToUnprivilegedUser();
    ASSERT_EQ(chmod((config() + "/Delvora").c_str(), 0555), 0);

    RunOptions o;
    o.unprivileged = true;
    const ToolRun run = Run(o);
    chmod((config() + "/Delvora").c_str(), 0755);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "message 139\nmessage 140\nmessage 141\nmessage 142\n");
    EXPECT_EQ(run.err, "") << "the profile folder is still writable";
    EXPECT_EQ(AllSettingsFiles(), files);
}

TEST_F(DvSettings, ReadOnlyProfileIsNotShownToTheOperator)
{
    ASSERT_EQ(Run().exitCode, 0);
    const std::string profile = ReadFileBytes(ini());
    HandTreeToUnprivilegedUser();
    ASSERT_EQ(chmod((config() + "/Vostrel Geodata").c_str(), 0555), 0);

    RunOptions o;
    o.unprivileged = true;
    const ToolRun run = Run(o);
    chmod((config() + "/Vostrel Geodata").c_str(), 0755);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "") << "profile errors are silent in the program";
    EXPECT_NE(run.err.find("could not be written"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes(ini()), profile);
}

TEST_F(DvSettings, UnknownArgumentChangesNothing)
{
    RunOptions o;
    o.args = {"--frobnicate"};
    const ToolRun run = Run(o);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("usage: dv-settings"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(config())) << "nothing may be read or written";
}
