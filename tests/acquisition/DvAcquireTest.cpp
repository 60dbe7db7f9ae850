// The command dv-acquire, run as a reviewer runs it: inside the host namespace of a veth
// pair (where dvhost0 is the only adapter), with settings and profile in a home of the
// test's own, against the simulated unit on the other end. Only what a real process shows
// is checked here (its exit status on bad arguments, a file-size limit inherited from its
// parent); the acquisition scenarios themselves run in-process.
#include "AcqRig.h"
#include "AcqScenarios.h"

#include "model/AppSettings.h"
#include "model/GpsSettingsTarget.h"
#include "model/RadHeader.h"
#include "shell/QtProfile.h"
#include "tests/support/CardImage.h"
#include "tests/support/Limits.h"
#include "tests/support/SimVethFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace {

class NoGps : public GpsSettingsTarget {
public:
    Values GetGpsValues() const override { return {}; }
    void SetGpsValues(const Values&) override {}
    void Enable(bool) override {}
    bool IsOpen() const override { return false; }
};

struct Outcome {
    int status = -1;
    std::vector<std::string> lines;  // stdout
    std::string err;
    std::map<std::string, std::int64_t> traces;
    std::map<std::string, double> counters;
    std::vector<int> messages;
    std::vector<std::string> datasets;
};

Outcome Parse(int status, const std::string& out, const std::string& err)
{
    Outcome o;
    o.status = status;
    o.err = err;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        o.lines.push_back(line);
        std::istringstream words(line);
        std::string kind, a, b;
        words >> kind >> a >> b;
        if (kind == "traces")
            o.traces[a] = std::stoll(b);
        else if (kind == "counter")
            o.counters[a] = std::stod(b);
        else if (kind == "message")
            o.messages.push_back(std::stoi(a));
        else if (kind == "dataset")
            o.datasets.push_back(a);
    }
    return o;
}

class DvAcquire : public SimVethTest {
protected:
    void SetUp() override
    {
        SimVethTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        config = home.path() + "/config";
        data = home.path() + "/data/";
        ::mkdir(config.c_str(), 0700);
        ::mkdir(data.c_str(), 0700);
        ::mkdir((config + "/Delvora").c_str(), 0700);
        params = std::make_unique<CMeasParamSet>(config + "/Delvora");
        for (CMeasParam& p : params->m_params)
            p.m_bActive = 0;
        settings.m_strDataFolder = data;
        settings.m_strBaseName = "Run";
        settings.m_nIfaceIndex = 0;
    }

    // Channels k with `samples`, time interval 0.01 s, in trigger type `trigType`.
    void Channels(const std::vector<int>& ks, int samples, std::uint8_t trigType)
    {
        for (int k : ks) {
            for (int c : {k, k & ~1}) {
                params->m_params[c].m_nSamples = static_cast<std::uint16_t>(samples);
                params->m_params[c].m_dTimeInterval = 0.01;
            }
            params->m_params[k].m_bActive = 1;
        }
        params->m_nTrigType = trigType;
        params->m_nMeasDirection = 1;
    }

    void SaveSettings()
    {
        RecordingPrompter quiet;
        params->SaveAll(quiet);
        ASSERT_TRUE(quiet.ids.empty());
        QtProfile profile(config + "/Vostrel Geodata/Delvora for Tolam.ini");
        NoGps gps;
        ASSERT_TRUE(settings.SaveSettings(profile, gps));
    }

    // Runs dv-acquire in the host namespace, under a file-size limit when one is given.
    Outcome Run(const std::vector<std::string>& args, rlim_t fileLimit = 0)
    {
        SaveSettings();
        std::string command = "cd '" + home.path() + "' && XDG_CONFIG_HOME='" + config + "' HOME='" + home.path() +
                              "' exec '" + std::string(DELVORA_BIN) + "/dv-acquire'";
        for (const std::string& a : args)
            command += " '" + a + "'";
        command += " >'" + home.file("out") + "' 2>'" + home.file("err") + "'";
        std::unique_ptr<FileSizeLimit> limit;
        if (fileLimit)
            limit = std::make_unique<FileSizeLimit>(fileLimit);  // the command inherits it
        std::string error;
        const pid_t pid = net.SpawnInHost({"/bin/sh", "-c", command}, error);
        limit.reset();
        EXPECT_GT(pid, 0) << error;
        if (pid <= 0)
            return {};
        int status = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) {
                ::kill(pid, SIGKILL);  // a hang: the test fails below
                ::waitpid(pid, &status, 0);
                ADD_FAILURE() << "dv-acquire hung";
                return {};
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return Parse(WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileBytes(home.file("out")),
                     ReadFileBytes(home.file("err")));
    }

    std::string SetFile(const Outcome& o, const std::string& suffix)
    {
        return o.datasets.empty() ? std::string() : o.datasets.front() + suffix;
    }

    std::int32_t HeaderTraces(const std::string& rad)
    {
        CRadHeader h;
        h.m_strPath = rad;
        h.m_nLastTrace = -1;
        return h.Read() == 0 ? h.m_nLastTrace : -1;
    }

    TempDir home;
    std::string config, data;
    std::unique_ptr<CMeasParamSet> params;
    CAppSettings settings;
};

}  // namespace

TEST_F(DvAcquire, FullDiskIsReportedOnceAndTheFilesHoldWholeTraces)
{
    std::string error;
    ASSERT_TRUE(net.StartUnit(ScenarioUnit(), error)) << error;
    Channels({0, 1}, 256, 128);
    const Outcome o = Run({"--seconds", "30"}, 25 * 512 + 200);
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(std::count(o.messages.begin(), o.messages.end(), 57615), 1);
    for (const char* name : {"A1", "A2"}) {
        const std::int64_t n = o.traces.at(name);
        EXPECT_EQ(n, 25) << name;
        EXPECT_EQ(HeaderTraces(SetFile(o, std::string("_") + name + ".rad")), n);
        EXPECT_EQ(static_cast<std::int64_t>(ReadFileBytes(SetFile(o, std::string("_") + name + ".rd3")).size()),
                  n * 512);
    }
}

TEST_F(DvAcquire, CardCopiedRightAfterTheRunHoldsEveryTrace)
{
    CardImage card(home.file("sd"), 32);
    if (!card.ok())
        GTEST_SKIP() << card.error();
    std::string error;
    ASSERT_TRUE(net.StartUnit(ScenarioUnit(), error)) << error;
    settings.m_strDataFolder = card.file("");
    Channels({0, 1, 4}, 512, 128);
    const Outcome o = Run({"--traces", "100"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(o.messages.empty());
    ASSERT_TRUE(card.Pull());
    for (const char* name : {"A1", "A2", "C1"}) {
        const std::string stem = SetFile(o, std::string("_") + name);
        const std::string file = stem.substr(stem.rfind('/') + 1);
        const std::int64_t n = o.traces.at(name);
        EXPECT_GE(n, 100) << name;
        EXPECT_EQ(static_cast<std::int64_t>(ReadFileBytes(card.copied(file + ".rd3")).size()), n * 1024) << name;
        EXPECT_TRUE(ReadFileBytes(card.copied(file + ".rd3")) == ReadFileBytes(card.file(file + ".rd3"))) << name;
        EXPECT_EQ(HeaderTraces(card.copied(file + ".rad")), n) << name;
    }
    EXPECT_EQ(FolderEntries(card.copied("")), FolderEntries(card.file(""))) << "no temporary on the copy";
}

TEST_F(DvAcquire, UsageErrorsTouchNothing)
{
    const Outcome o = Run({"--runs", "0"});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("usage: dv-acquire"), std::string::npos);
    EXPECT_TRUE(o.lines.empty());
}

