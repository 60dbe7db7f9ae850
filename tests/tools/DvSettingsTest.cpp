// Black-box runs of build/bin/dv-settings: one start and one exit of the program's settings
// against a home folder of the test's own.

#include "shell/QtProfile.h"
#include "tests/support/SettingsGolden.h"
#include "tests/support/TempDir.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <locale.h>
#include <map>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

using golden::kDefaultChannel;
using golden::kDefaultGlobals;
using golden::kDefaultPreset;
using golden::Repeat;

const char* const kFiles[] = {"last_used_param", "global_settings", "preset_param", "wheel_presets"};


std::string Lf(std::string crlf)
{
    std::string out;
    for (char c : crlf)
        if (c != '\r')
            out += c;
    return out;
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// The sections of an INI file: section -> key -> value, keys as written in the file.
using Ini = std::map<std::string, std::map<std::string, std::string>>;

Ini ParseIni(const std::string& text)
{
    Ini ini;
    std::string section;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty())
            continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            ini[section];
            continue;
        }
        const size_t eq = line.find('=');
        ini[section][line.substr(0, eq)] = eq == std::string::npos ? "<no =>" : line.substr(eq + 1);
    }
    return ini;
}

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

struct RunOptions {
    std::string fileSizeLimit;       // `ulimit -f` in 1024-byte blocks; empty for none
    bool unprivileged = false;       // as user 65534 when the test runs as root
    const char* lcAll = nullptr;
    bool withHome = true;            // HOME and XDG_CONFIG_HOME set
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

    void ExpectDefaultFiles() const
    {
        EXPECT_EQ(ReadFileBytes(settings("last_used_param")), Repeat(kDefaultChannel, 16));
        EXPECT_EQ(ReadFileBytes(settings("global_settings")), kDefaultGlobals);
        EXPECT_EQ(ReadFileBytes(settings("preset_param")), kDefaultPreset);
        EXPECT_TRUE(fs::exists(settings("wheel_presets")));
        EXPECT_EQ(ReadFileBytes(settings("wheel_presets")), "");
    }

    // Runs the tool through a shell (for `ulimit -f`) with only the environment given here,
    // its working folder in the test's tree.
    ToolRun Run(const RunOptions& o = {})
    {
        std::string tool = DELVORA_BIN "/dv-settings";
        std::vector<std::string> argv = {"sh", "-c",
            "cd \"$1\" || exit 97; if [ -n \"$2\" ]; then ulimit -f \"$2\" || exit 98; fi; "
            "out=$3; err=$4; shift 4; exec \"$@\" >\"$out\" 2>\"$err\"",
            "sh", root.path(), o.fileSizeLimit, scratch.file("out"), scratch.file("err")};
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
        if (o.withHome) {
            env.push_back("HOME=" + home());
            env.push_back("XDG_CONFIG_HOME=" + config());
        }
        if (o.lcAll)
            env.push_back(std::string("LC_ALL=") + o.lcAll);
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

TEST_F(DvSettings, FirstRunReportsTheFourMissingFilesAndWritesTheDefaults)
{
    const ToolRun run = Run();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "message 133\nmessage 134\nmessage 135\nmessage 136\n");
    EXPECT_EQ(run.err, "");
    ExpectDefaultFiles();
}

TEST_F(DvSettings, SecondRunIsSilentAndChangesNoByte)
{
    ASSERT_EQ(Run().exitCode, 0);
    const std::string files = AllSettingsFiles();
    const std::string profile = ReadFileBytes(ini());
    ASSERT_FALSE(profile.empty());

    const ToolRun second = Run();
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(second.err, "");
    EXPECT_EQ(AllSettingsFiles(), files);
    EXPECT_EQ(ReadFileBytes(ini()), profile);
}

TEST_F(DvSettings, ProfileAfterAFirstRunHoldsBothSectionsWithTheirDefaults)
{
    ASSERT_EQ(Run().exitCode, 0);
    const Ini expected = {
        {"settings",
         {{"CurrentDir", home() + "/Documents/"},
          {"Default%20file%20name", "Profile"},
          {"scale", "0"},
          {"velocity", "@ByteArray(\\0\\0\\xc8\\x42)"},
          {"Iface_index", "0"},
          {"colorscale", "11000"},
          {"contrast_control_visible", "0"},
          {"chn_manager_visible", "1"},
          {"trace_info_visible", "0"},
          {"enable_cu_check", "1"},
          {"taginterval", "10"},
          {"tagmultiplier", "10"}}},
        {"GPS%20Settings",
         {{"Comm.%20Port", "0"},
          {"Protocol", "1"},
          {"Baudrate", "5"},
          {"Number%20of%20bits", "2"},
          {"Parity", "2"},
          {"Stop%20bit", "0"},
          {"Log%20GPS%20On%5COff", "0"},
          {"Output%20format", "0"}}},
    };
    EXPECT_EQ(ParseIni(ReadFileBytes(ini())), expected);
    EXPECT_TRUE(fs::is_directory(home() + "/Documents")) << "the documents folder is made";
}

TEST_F(DvSettings, StoredProfileValuesAreTakenAsTheProgramTakesThem)
{
    fs::create_directories(config() + "/Vostrel Geodata");
    WriteFileBytes(ini(), "[settings]\n"
                          "CurrentDir=/srv/radar data\n"
                          "colorscale=11999\n"
                          "Iface_index=65535\n"
                          "tagmultiplier=77\n"
                          "velocity=@ByteArray(\\0\\0\\xc0\\x3f)\n"
                          "Markers=@ByteArray(\\x1\\x2)\n"
                          "[GPS Settings]\n"
                          "Log GPS On\\Off=1\n"
                          "Baudrate=3\n");
    const ToolRun run = Run();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "message 133\nmessage 134\nmessage 135\nmessage 136\n");
    EXPECT_NE(run.err.find("GPS logging is on"), std::string::npos) << run.err;

    QtProfile back(ini());
    EXPECT_EQ(back.getString("settings", "CurrentDir", ""), "/srv/radar data/");
    EXPECT_EQ(back.getInt("settings", "colorscale", 0), 11000);
    EXPECT_EQ(back.getInt("settings", "Iface_index", 0), -1);
    EXPECT_EQ(back.getInt("settings", "tagmultiplier", 0), 10);
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(back.getBinary("settings", "velocity", bytes));
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x00, 0x00, 0xC0, 0x3F}));
    ASSERT_TRUE(back.getBinary("settings", "Markers", bytes)) << "other values of the section stay";
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x01, 0x02}));
    EXPECT_EQ(back.getInt("GPS Settings", "Log GPS On/Off", 0), 1);
    EXPECT_EQ(back.getInt("GPS Settings", "Baudrate", 0), 3);
    EXPECT_EQ(ParseIni(ReadFileBytes(ini()))["settings"]["Iface_index"], "-1");
}

TEST_F(DvSettings, HandEditedFilesLoadAndAreSavedBackCanonical)
{
    fs::create_directories(config() + "/Delvora");
    const std::string longName(288, 'x'); // "PRESET NAME:" and these make a 300-character line
    std::string lastUsed = Lf(Repeat(kDefaultChannel, 16));
    lastUsed = Replace(lastUsed, "PRESET NAME:New preset", "PRESET NAME:" + longName);
    lastUsed = Replace(lastUsed, "DISTANCE INTERVAL:0.200000", "DISTANCE INTERVAL:0,25");
    WriteFileBytes(settings("last_used_param"), lastUsed);
    std::string globals = Lf(kDefaultGlobals);
    globals = Replace(globals, "BEEPER:0", "BEEPER:2");
    globals = Replace(globals, "TRIG TYPE:0", "TRIG TYPE:129.9");
    WriteFileBytes(settings("global_settings"), globals);
    WriteFileBytes(settings("preset_param"),
                   "PRESET NAME:250 MHz\nCHANNEL ACTIVE:0\nDISTANCE INTERVAL:0,25\nSAMPLES:512\n");
    WriteFileBytes(settings("wheel_presets"), "WHEEL NAME:Cart\nCALIBRATION:1234,5\nDIRECTION:-1\n");

    const ToolRun run = Run();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "");

    // The long line keeps its first 254 characters; the lines after it read as themselves.
    std::string expectLastUsed = Repeat(kDefaultChannel, 16);
    expectLastUsed = Replace(expectLastUsed, "PRESET NAME:New preset", "PRESET NAME:" + longName.substr(0, 242));
    expectLastUsed = Replace(expectLastUsed, "DISTANCE INTERVAL:0.200000", "DISTANCE INTERVAL:0.250000");
    EXPECT_EQ(ReadFileBytes(settings("last_used_param")), expectLastUsed);
    std::string expectGlobals = Replace(kDefaultGlobals, "BEEPER:0", "BEEPER:1");
    expectGlobals = Replace(expectGlobals, "TRIG TYPE:0", "TRIG TYPE:129");
    EXPECT_EQ(ReadFileBytes(settings("global_settings")), expectGlobals);
    EXPECT_EQ(ReadFileBytes(settings("preset_param")),
              "PRESET NAME:250 MHz\r\nANTENNA SEPARATION:0.100000\r\nSAMPLES:512\r\n"
              "FREQUENCY STEPS:2\r\nSTACKS:2\r\nTIME INTERVAL:1.000000\r\n"
              "DISTANCE INTERVAL:0.250000\r\nSIGNAL POSITION:2048\r\nRAMP INDEX:1\r\nEM SENSOR:0\r\n");
    EXPECT_EQ(ReadFileBytes(settings("wheel_presets")),
              "WHEEL NAME:Cart\r\nCALIBRATION:1234.500000\r\nDIRECTION:-1\r\n");
}

TEST_F(DvSettings, FileSizeLimitFailsOnlyTheBigFileAndKeepsIt)
{
    ASSERT_EQ(Run().exitCode, 0);
    // Hand-edited copies: whatever is saved comes back canonical, whatever is not stays LF.
    const std::string lastUsed = Lf(Repeat(kDefaultChannel, 16));
    ASSERT_GT(lastUsed.size(), 1024u);
    WriteFileBytes(settings("last_used_param"), lastUsed);
    WriteFileBytes(settings("global_settings"), Lf(kDefaultGlobals));
    WriteFileBytes(settings("preset_param"), Lf(kDefaultPreset));

    RunOptions o;
    o.fileSizeLimit = "1"; // 1024 bytes
    const ToolRun run = Run(o);
    EXPECT_EQ(run.exitCode, 0) << "a file too big must not end the program";
    EXPECT_EQ(run.out, "message 139\n");
    EXPECT_EQ(run.err, "") << "the profile is small enough to be kept";
    EXPECT_EQ(ReadFileBytes(settings("last_used_param")), lastUsed);
    EXPECT_EQ(ReadFileBytes(settings("global_settings")), kDefaultGlobals);
    EXPECT_EQ(ReadFileBytes(settings("preset_param")), kDefaultPreset);
    for (const auto& entry : fs::directory_iterator(config() + "/Delvora"))
        EXPECT_NE(entry.path().extension(), ".tmp") << "left behind: " << entry.path();
}

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

TEST_F(DvSettings, GermanLocaleStillWritesPointDecimals)
{
    locale_t german = newlocale(LC_ALL_MASK, "de_DE.UTF-8", static_cast<locale_t>(nullptr));
    ASSERT_NE(german, static_cast<locale_t>(nullptr))
        << "de_DE.UTF-8 must be generated (scripts/install-deps does it)";
    freelocale(german);

    RunOptions o;
    o.lcAll = "de_DE.UTF-8";
    const ToolRun run = Run(o);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    ExpectDefaultFiles();
    EXPECT_NE(ReadFileBytes(settings("last_used_param")).find("ANTENNA SEPARATION:0.100000\r\n"),
              std::string::npos);
}

TEST_F(DvSettings, WithoutAHomeEveryFileIsReported)
{
    RunOptions o;
    o.withHome = false;
    const ToolRun run = Run(o);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "message 133\nmessage 134\nmessage 135\nmessage 136\n"
                       "message 139\nmessage 140\nmessage 141\nmessage 142\n");
    EXPECT_NE(run.err.find("could not be written"), std::string::npos) << run.err;
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
