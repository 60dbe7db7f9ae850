// The application object with the program's own data set: a start returns every channel's
// header to its defaults.

#include "tests/shell/AppDoubles.h"

#include "model/RadarData.h"

#include <gtest/gtest.h>

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
