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

TEST_F(AppWithDataSet, SingleChannelUnitGivesTheDataSetOneSetOfFiles)
{
    h.unit->modular = false;
    h.app->m_params.m_nCurSlot = 0;
    h.app->m_params.m_nCurChannel = 0;
    ASSERT_EQ(radar->CreateFiles(folder, "Line"), 0);
    EXPECT_EQ(ReadFileBytes(folder + "Line_0001.mrk").rfind("HEADER VERSION:100", 0), 0u);
    struct stat st {};
    EXPECT_NE(::stat((folder + "Line_0001_A1.rd3").c_str(), &st), 0);
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
