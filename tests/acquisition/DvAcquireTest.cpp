// The command dv-acquire, run as a reviewer runs it: inside the host namespace of a veth
// pair (where dvhost0 is the only adapter), with settings and profile in a home of the
// test's own, against the simulated unit on the other end.
#include "AcqRig.h"
#include "AcqScenarios.h"

#include "model/AppSettings.h"
#include "model/GpsSettingsTarget.h"
#include "model/MarkerFile.h"
#include "model/RadHeader.h"
#include "shell/QtProfile.h"
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

std::vector<SentTrace> SentStream(CSimUnit& unit, int code, bool requested = false)
{
    std::vector<SentTrace> out;
    for (const SimTrace& t : unit.SentTraces(code))
        if (t.requested == requested)
            out.push_back({t.traceNumber, t.samples});
    return out;
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

    // Runs dv-acquire in the host namespace; `during` runs meanwhile in this thread.
    Outcome Run(const std::vector<std::string>& args, const std::function<void()>& during = {}, rlim_t fileLimit = 0)
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
        if (during)
            during();
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

TEST_F(DvAcquire, TimeModeRunStoresWhatTheUnitSentAndSavesTheSettings)
{
    std::string error;
    ASSERT_TRUE(net.StartUnit(ScenarioUnit(), error)) << error;
    Channels({0, 1}, 256, 128);
    const Outcome o = Run({"--traces", "30", "--stats"});
    ASSERT_EQ(o.status, 0) << o.err;
    ASSERT_EQ(o.datasets, std::vector<std::string>{data + "Run_0001"});
    EXPECT_TRUE(o.messages.empty());
    ASSERT_EQ(o.traces.size(), 2u);
    EXPECT_GE(o.traces.at("A1"), 30);
    EXPECT_EQ(o.counters.at("ringOverflows"), 0);
    EXPECT_EQ(o.counters.at("badRecordMessages"), 0);
    EXPECT_EQ(o.counters.at("fillTraces"), 0);
    for (auto [k, name] : {std::pair{0, "A1"}, std::pair{1, "A2"}}) {
        const auto sent = SentStream(net.Unit(), k);
        const std::int64_t n = o.traces.at(name);
        EXPECT_EQ(n, static_cast<std::int64_t>(sent.size())) << name;
        EXPECT_EQ(HeaderTraces(SetFile(o, std::string("_") + name + ".rad")), n);
        EXPECT_TRUE(ReadFileBytes(SetFile(o, std::string("_") + name + ".rd3")) == ExpectedFile(sent, n, 256))
            << name << ": the data file differs from what the unit sent";
    }
    // The settings went back as the program writes them at exit.
    CMeasParamSet back(config + "/Delvora");
    RecordingPrompter quiet;
    back.LoadAll(quiet);
    EXPECT_TRUE(quiet.ids.empty());
    EXPECT_EQ(back.m_nTrigType, 128);
    EXPECT_TRUE(back.m_params[1].m_bActive);
    // The unit was stopped at exit.
    const auto requests = net.Unit().Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().request.code, 13);
}

TEST_F(DvAcquire, UnitMarkersLandInEveryActiveChannelsMarkerFile)
{
    std::string error;
    ASSERT_TRUE(net.StartUnit(MarkerUnit(), error)) << error;
    Channels({0, 1}, 256, 128);
    const Outcome o = Run({"--seconds", "1.5", "--stats"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.counters.at("markerEdges"), 2);
    for (const char* name : {"A1", "A2"}) {
        CMarkerFile markers;
        markers.m_strPath = SetFile(o, std::string("_") + name + ".mrk");
        ASSERT_EQ(markers.Read(), 0) << name;
        ASSERT_EQ(markers.GetMarkers().size(), 2u) << name;
        const auto& m = markers.GetMarkers();
        EXPECT_EQ(m[0].m_nType, 1);
        EXPECT_EQ(m[1].m_nType, 1);
        EXPECT_LE(m[0].m_nTrace, m[1].m_nTrace);
        EXPECT_LE(static_cast<std::int64_t>(m[1].m_nTrace), o.traces.at("A1"));
    }
}

TEST_F(DvAcquire, KeyboardModePressesEnterAsOftenAsAsked)
{
    std::string error;
    ASSERT_TRUE(net.StartUnit(ScenarioUnit(), error)) << error;
    Channels({0, 2}, 300, 255);
    const Outcome o = Run({"--enter", "4"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(o.messages.empty());
    EXPECT_EQ(o.traces.at("A1"), 4);
    EXPECT_EQ(o.traces.at("B1"), 4);
    EXPECT_TRUE(ReadFileBytes(SetFile(o, "_B1.rd3")) == ExpectedFile(SentStream(net.Unit(), 10, true), 4, 300));
}

TEST_F(DvAcquire, LaterRunsContinueTheDataSet)
{
    std::string error;
    ASSERT_TRUE(net.StartUnit(ScenarioUnit(), error)) << error;
    Channels({0}, 256, 128);
    const Outcome o = Run({"--runs", "2", "--traces", "10"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.datasets.size(), 1u) << "one data set for both runs";
    const std::int64_t n = o.traces.at("A1");
    EXPECT_GE(n, 20);
    EXPECT_EQ(HeaderTraces(SetFile(o, "_A1.rad")), n);
    // Both runs' traces, the second's first one dropped: the unit sent one more.
    EXPECT_EQ(static_cast<std::int64_t>(SentStream(net.Unit(), 0).size()), n + 1);
    EXPECT_EQ(static_cast<std::int64_t>(ReadFileBytes(SetFile(o, "_A1.rd3")).size()), n * 512);
}

TEST_F(DvAcquire, VanishedUnitIsReportedOnceAndTheFilesStayWhole)
{
    std::string error;
    ASSERT_TRUE(net.StartUnit(ScenarioUnit(), error)) << error;
    Channels({0}, 256, 128);
    const Outcome o = Run({"--seconds", "30"}, [this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        net.Unit().Vanish(120);
    });
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.messages, std::vector<int>{57611});
    const std::int64_t n = o.traces.at("A1");
    EXPECT_GT(n, 0);
    EXPECT_EQ(HeaderTraces(SetFile(o, "_A1.rad")), n);
    const auto sent = SentStream(net.Unit(), 0);
    EXPECT_TRUE(ReadFileBytes(SetFile(o, "_A1.rd3")) == ExpectedFile(sent, n, 256));
}

TEST_F(DvAcquire, FullDiskIsReportedOnceAndTheFilesHoldWholeTraces)
{
    std::string error;
    ASSERT_TRUE(net.StartUnit(ScenarioUnit(), error)) << error;
    Channels({0, 1}, 256, 128);
    const Outcome o = Run({"--seconds", "30"}, {}, 25 * 512 + 200);
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

TEST_F(DvAcquire, WithoutAUnitNothingIsMeasured)
{
    std::string error;
    ASSERT_TRUE(net.StartUnit(ScenarioUnit(), error)) << error;
    net.Unit().Vanish(600);
    Channels({0}, 256, 128);
    const Outcome o = Run({"--seconds", "1"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("no control unit answered"), std::string::npos);
    EXPECT_TRUE(o.datasets.empty());
    EXPECT_TRUE(o.traces.empty());

    const Outcome other = Run({"--iface", "nosuch0", "--seconds", "1"});
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.err.find("no Ethernet interface nosuch0"), std::string::npos);
}

TEST_F(DvAcquire, UsageErrorsTouchNothing)
{
    const Outcome o = Run({"--runs", "0"});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("usage: dv-acquire"), std::string::npos);
    EXPECT_TRUE(o.lines.empty());
}

TEST_F(DvAcquire, SixteenFullChannelsAtAHundredTracesASecondLoseNothing)
{
    // The short form of the benchmark's target run: every channel, 2048 samples, 100 traces
    // per second each, for a few seconds.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a rate to keep up with says nothing about a sanitizer build";
#endif
    CSimUnitConfig config = ScenarioUnit("8,8,8,8,8,8,8,8", "none");
    config.rate = 100;
    std::string error;
    ASSERT_TRUE(net.StartUnit(config, error)) << error;
    std::vector<int> all;
    for (int k = 0; k < 16; ++k)
        all.push_back(k);
    Channels(all, 2048, 128);
    const Outcome o = Run({"--seconds", "3", "--stats"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(o.messages.empty());
    for (const char* counter : {"fillTraces", "ringOverflows", "captureDropped", "fragmentOrderDrops",
                                "missingLastDrops", "malformedRecords"})
        EXPECT_EQ(o.counters.at(counter), 0) << counter;
    ASSERT_EQ(o.traces.size(), 16u);
    for (int k = 0; k < 16; ++k) {
        const std::string name = GetSlotLetter(k / 2) + std::to_string(k % 2 + 1);
        const auto sent = SentStream(net.Unit(), (k / 2) * 10 + k % 2);
        const std::int64_t n = o.traces.at(name);
        EXPECT_GE(n, 100) << name;
        EXPECT_EQ(n, static_cast<std::int64_t>(sent.size())) << name << ": traces lost";
        EXPECT_EQ(HeaderTraces(SetFile(o, "_" + name + ".rad")), n) << name;
        if (k % 5 == 0) {
            EXPECT_TRUE(ReadFileBytes(SetFile(o, "_" + name + ".rd3")) == ExpectedFile(sent, n, 2048)) << name;
        }
    }
}

TEST_F(DvAcquire, AdapterByNameLeavesTheSavedIndexAndTheSavedIndexIsHeldToTheAdapters)
{
    std::string error;
    ASSERT_TRUE(net.StartUnit(ScenarioUnit(), error)) << error;
    Channels({0}, 256, 128);
    settings.m_nIfaceIndex = 5;
    const std::string ini = config + "/Vostrel Geodata/Delvora for Tolam.ini";
    const Outcome named = Run({"--iface", CSimNetHarness::kHostInterface, "--traces", "3"});
    ASSERT_EQ(named.status, 0) << named.err;
    EXPECT_GE(named.traces.at("A1"), 3);
    EXPECT_EQ(QtProfile(ini).getInt(CAppSettings::kSection, "Iface_index", -1), 5);

    // Index 5 with one adapter: the last adapter, and the index written back as 0.
    const Outcome indexed = Run({"--traces", "3"});
    ASSERT_EQ(indexed.status, 0) << indexed.err;
    EXPECT_GE(indexed.traces.at("A1"), 3);
    EXPECT_EQ(indexed.datasets, std::vector<std::string>{data + "Run_0002"});
    EXPECT_EQ(QtProfile(ini).getInt(CAppSettings::kSection, "Iface_index", -1), 0);
}
