// The GPS logs as the data set names, opens and closes them, fed by the receiver on a
// pseudo-terminal.
#include "gps/GPSLogProvider.h"
#include "gps/GPSReceiver.h"
#include "model/MeasParamSet.h"
#include "model/Profile.h"
#include "model/RadarData.h"
#include "model/UnitInfo.h"
#include "tests/gps/GpsTestSupport.h"
#include "tests/support/RecordingPrompter.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
const std::string kCorRecord = "\t2024-05-06\t12:35:19\t48.11730000000\tN\t11.51666666667\tE\t545.400\tM\t0.900\r\n";

class GpsDataSetTest : public ::testing::Test {
protected:
    GpsDataSetTest()
        : data(DataSetContext{.settings = settings,
                              .prompter = prompter,
                              .driverLock = driverLock,
                              .emLock = emLock,
                              .unit = &unit,
                              .gps = &logs,
                              .isMeasuring = [] { return true; },
                              .isFileViewMode = [] { return false; }})
    {
        for (auto& p : settings.m_params)
            p.m_bActive = 0;
        settings.m_params[0].m_bActive = 1; // A1
        settings.m_params[3].m_bActive = 1; // B2
        profile.writeString("GPS Settings", "Device COM1", pty.SlavePath());
        auto step = std::make_unique<StepPacer>();
        pacer = step.get();
        receiver.SetCyclePacer(std::move(step));
        receiver.SetUtcClock([] { return std::chrono::sys_days{std::chrono::year{2024} / 5 / 6} + std::chrono::hours{13}; });
    }

    ~GpsDataSetTest() override { receiver.Close(); }

    std::string Folder() const { return dir.path() + "/"; }
    std::string LogOf(const std::string& suffix) const { return Folder() + data.GetSetName() + suffix; }

    // What the application does with each GPS update while measuring: a record for every
    // active channel whose log wants one, numbered by the channel's trace count.
    void GpsUpdate()
    {
        for (int k = 0; k < CRadarData::kChannels; ++k) {
            if (!settings.m_params[static_cast<std::size_t>(k)].m_bActive)
                continue;
            const int count = static_cast<int>(data.GetChannel(k).m_Header.m_nLastTrace);
            if (data.GetGpsLog(k).WantsRecord(count))
                data.GetGpsLog(k).WriteRecord(count);
        }
    }

    void Receive(const std::string& bytes)
    {
        pty.Feed(bytes);
        ASSERT_TRUE(pacer->Run(1));
    }

    TempDir dir;
    PtyPair pty;
    MemoryProfile profile;
    RecordingPrompter prompter;
    CGPSReceiver receiver{profile, prompter};
    StepPacer* pacer = nullptr;
    CGPSLogProvider logs{profile, receiver};
    CMeasParamSet settings{""};
    std::recursive_mutex driverLock, emLock;
    FixedUnitInfo unit{true};
    CRadarData data;
};

} // namespace

TEST_F(GpsDataSetTest, EveryActiveChannelLogsBesideItsDataFile)
{
    ASSERT_EQ(receiver.Open(), 1);
    ASSERT_EQ(data.CreateFiles(Folder(), "line"), 0);
    ASSERT_FALSE(data.GetSetName().empty());
    EXPECT_TRUE(std::filesystem::exists(LogOf("_A1.cor")));
    EXPECT_TRUE(std::filesystem::exists(LogOf("_B2.cor")));
    EXPECT_FALSE(std::filesystem::exists(LogOf("_A2.cor")));
    EXPECT_EQ(data.GetGpsLog(0).GetFileName(), LogOf("_A1.cor"));

    Receive(kGga + "\r\n");
    GpsUpdate(); // no traces yet: no record
    data.GetChannel(0).m_Header.m_nLastTrace = 3;
    data.GetChannel(3).m_Header.m_nLastTrace = 5;
    GpsUpdate();
    GpsUpdate(); // same counts: no second record
    data.GetChannel(0).m_Header.m_nLastTrace = 4;
    GpsUpdate();
    data.CloseFiles(true);
    EXPECT_TRUE(prompter.ids.empty());

    EXPECT_EQ(ReadFileBytes(Folder() + "line_0001_A1.cor"),
              "3" + kCorRecord + "4" + kCorRecord);
    EXPECT_EQ(ReadFileBytes(Folder() + "line_0001_B2.cor"), "5" + kCorRecord);
}

TEST_F(GpsDataSetTest, RawSentenceLogsTakeEveryUpdate)
{
    profile.writeInt("GPS Settings", "Output format", 3);
    ASSERT_EQ(receiver.Open(), 1);
    ASSERT_EQ(data.CreateFiles(Folder(), "line"), 0);
    Receive(kGga + "\r\n");
    data.GetChannel(0).m_Header.m_nLastTrace = 1;
    GpsUpdate();
    data.GetChannel(0).m_Header.m_nLastTrace = 2; // exactly one more trace
    GpsUpdate();
    GpsUpdate(); // no new trace
    const std::string log = LogOf("_A1.gga");
    data.CloseFiles(true);
    EXPECT_EQ(ReadFileBytes(log), "1," + kGga + "\r\n2," + kGga + "\r\n2," + kGga + "\r\n");
}

TEST_F(GpsDataSetTest, NoLogsWhileTheReceiverIsOff)
{
    ASSERT_EQ(data.CreateFiles(Folder(), "line"), 0);
    EXPECT_FALSE(std::filesystem::exists(LogOf("_A1.cor")));
    EXPECT_EQ(data.GetGpsLog(0).WriteRecord(1), 0);
    data.CloseFiles(true);
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_NE(e.path().extension(), ".cor") << e.path();
}

TEST_F(GpsDataSetTest, TheNextDataSetGetsLogsOfItsOwn)
{
    ASSERT_EQ(receiver.Open(), 1);
    Receive(kGga + "\r\n");
    ASSERT_EQ(data.CreateFiles(Folder(), "line"), 0);
    const std::string first = LogOf("_A1.cor");
    data.GetChannel(0).m_Header.m_nLastTrace = 7;
    GpsUpdate();
    data.CloseFiles(true);

    ASSERT_EQ(data.CreateFiles(Folder(), "line"), 0);
    const std::string second = LogOf("_A1.cor");
    ASSERT_NE(first, second);
    data.GetChannel(0).m_Header.m_nLastTrace = 2;
    GpsUpdate();
    data.CloseFiles(true);
    EXPECT_EQ(ReadFileBytes(first), "7" + kCorRecord);
    EXPECT_EQ(ReadFileBytes(second), "2" + kCorRecord);
}
