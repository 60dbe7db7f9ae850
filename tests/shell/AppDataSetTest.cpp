// The application object with the program's own data set: what the operator's marker keys
// and the header defaults leave in the files.

#include "tests/shell/AppDoubles.h"

#include "model/RadarData.h"
#include "shell/AppEvents.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

class AppWithDataSet : public ::testing::Test {
protected:
    void SetUp() override
    {
        h.realData = true;
        h.Start();
        radar = h.app->DataSet()->Radar();
        ASSERT_NE(radar, nullptr);
        folder = h.dir.path() + "/data/";
        ::mkdir(folder.c_str(), 0755);
        for (auto& p : h.app->m_params.m_params)
            p.m_bActive = 0;
        h.app->m_params.m_params[0].m_bActive = 1;  // A1
        h.app->m_params.m_params[3].m_bActive = 1;  // B2
    }
    AppHarness h;
    CRadarData* radar = nullptr;
    std::string folder;
};

TEST_F(AppWithDataSet, MarkerKeyWhileMeasuringReachesEveryActiveChannelsMarkerFile)
{
    ASSERT_EQ(radar->CreateFiles(folder, "Profile"), 0);
    h.OpenFakeDocument();
    h.app->m_status.m_bMeasuring = 1;
    h.app->m_params.m_nTrigType = 0;  // wheel
    radar->GetChannel(0).m_Header.m_nLastTrace = 1234;
    radar->GetChannel(3).m_Header.m_nLastTrace = 617;

    h.Deliver(appevent::MarkerKey(2));  // key 3

    const std::string a1 = ReadFileBytes(folder + "Profile_0001_A1.mrk");
    const std::string b2 = ReadFileBytes(folder + "Profile_0001_B2.mrk");
    EXPECT_NE(a1.find("1234\t0\t3"), std::string::npos) << a1;
    EXPECT_NE(b2.find("617\t0\t3"), std::string::npos) << b2;
    radar->CloseFiles(true);
}

TEST(AppDataSetStart, InitInstanceReturnsEveryChannelHeaderToItsDefaults)
{
    AppHarness h;
    h.realData = true;
    h.Construct();
    CRadarData* radar = h.app->DataSet()->Radar();
    ASSERT_NE(radar, nullptr);
    for (int k = 0; k < CRadarData::kChannels; ++k) {
        radar->GetChannel(k).m_Header.m_nSamples = 999;
        radar->GetChannel(k).m_Header.m_nLastTrace = 55;
    }
    ASSERT_TRUE(h.app->InitInstance());
    CRadHeader fresh;
    fresh.SetDefaults();
    for (int k = 0; k < CRadarData::kChannels; ++k) {
        EXPECT_EQ(h.app->DataSet()->TraceCount(k), 0) << k;
        EXPECT_EQ(radar->GetChannel(k).m_Header.m_nSamples, fresh.m_nSamples) << k;
    }
}
