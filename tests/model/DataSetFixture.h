// A data set wired to a parameter set, a recording prompter, its locks and flags, as the
// application wires it, inside a fresh data folder.
#pragma once

#include "model/MeasParamSet.h"
#include "model/RadarData.h"
#include "model/UnitInfo.h"
#include "tests/model/DataSetTestSupport.h"
#include "tests/support/RecordingPrompter.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>

// GPS logs that append a line per call to a file named like the real ones, and can be
// told to fail.
class FakeGpsLogs : public GpsLogProvider {
public:
    class Log : public GpsLog {
    public:
        explicit Log(FakeGpsLogs& owner) : m_owner(owner) {}
        void SetFileName(const std::string& path) override
        {
            m_name = path.substr(0, path.rfind('.')) + ".cor";
        }
        std::string GetFileName() const override { return m_name; }
        int Open(int startTrace) override
        {
            if (m_open || m_owner.failOpen)
                return 0;
            m_open = true;
            m_last = startTrace;
            m_owner.opened.push_back(m_name);
            WriteFileBytes(m_name, "");
            return 1;
        }
        int WriteRecord(int trace) override
        {
            if (!m_open)
                return 0;
            m_last = trace;
            return 1;
        }
        int GetLastTrace() const override { return m_last; }
        bool Sync() override
        {
            if (!m_open)
                return true;
            m_owner.synced.push_back(m_name);
            return !m_owner.failSync;
        }
        bool SyncWritten() override { return !m_open || !m_owner.failSync; }
        void Close() override { m_open = false; }

    private:
        FakeGpsLogs& m_owner;
        std::string m_name;
        bool m_open = false;
        int m_last = 0;
    };

    bool IsReceiverOpen() const override { return receiverOpen; }
    std::unique_ptr<GpsLog> MakeLog() override { return std::make_unique<Log>(*this); }

    bool receiverOpen = false;
    bool failOpen = false;
    bool failSync = false;
    std::vector<std::string> opened;
    std::vector<std::string> synced;
};

class DataSetTest : public ::testing::Test {
protected:
    DataSetTest()
        : data(DataSetContext{.settings = settings,
                              .prompter = prompter,
                              .driverLock = driverLock,
                              .emLock = emLock,
                              .unit = &unit,
                              .gps = &gps,
                              .isMeasuring = [this] { return measuring; },
                              .isFileViewMode = [this] { return fileView; }})
    {
        for (auto& p : settings.m_params)
            p.m_bActive = 0;
    }

    std::string Folder() const { return dir.path() + "/"; }
    std::string InFolder(const std::string& name) const { return dir.file(name); }

    // The names of every file in the data folder.
    std::set<std::string> FolderFiles() const
    {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            names.insert(e.path().filename().string());
        return names;
    }

    void Activate(int k, bool em = false)
    {
        settings.m_params[k].m_bActive = 1;
        settings.m_params[k].m_bEmSensor = em ? 1 : 0;
    }

    // Appends `count` pattern traces (numbered from `from`) to channel k as the acquisition
    // does, raising its trace count.
    void Acquire(int k, int count, int from = 0)
    {
        CChannelData& c = data.GetChannel(k);
        for (int t = from; t < from + count; ++t) {
            const auto trace = PatternTrace(t, c.GetSamples());
            ASSERT_EQ(c.StoreTrace(trace.data(), c.GetSamples()), 0);
            c.m_Header.m_nLastTrace += 1;
        }
    }

    TempDir dir;
    CMeasParamSet settings{""};
    RecordingPrompter prompter;
    std::recursive_mutex driverLock;
    std::recursive_mutex emLock;
    FixedUnitInfo unit{true};
    FakeGpsLogs gps;
    bool measuring = false;
    bool fileView = false;
    CRadarData data;
};

// How many descriptors the process holds open.
inline int OpenDescriptors()
{
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}
