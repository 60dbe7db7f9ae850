// Bringing the parameter set in line with the unit: sample intervals and active channels.
#include "DriverFixture.h"
#include "link/UnitSync.h"
#include "model/MeasParamSet.h"

#include <algorithm>
#include <cmath>
#include <limits>

class UnitSync : public DriverOnMemoryWire {
protected:
    UnitSync() : params("") {}

    void ActivateAll()
    {
        for (CMeasParam& p : params.m_params)
            p.m_bActive = 1;
    }
    std::vector<int> ActiveChannels() const
    {
        std::vector<int> k;
        for (int i = 0; i < CMeasParamSet::kChannels; ++i)
            if (params.m_params[i].m_bActive)
                k.push_back(i);
        return k;
    }

    CMeasParamSet params;
};

TEST_F(UnitSync, Z5KKeepsOnlyItsOneChannel)
{
    Connect();
    peer->Change([](UnitModel& m) { m.identity = 0x20000001; });
    ActivateAll();
    params.m_nCurSlot = 5;
    params.m_nCurChannel = 1;
    SyncChannelsWithUnit(*driver, params);
    EXPECT_EQ(ActiveChannels(), (std::vector<int>{0}));
    EXPECT_EQ(params.m_nCurSlot, 0);
    EXPECT_EQ(params.m_nCurChannel, 1);  // left as it was
    EXPECT_TRUE(peer->Requests(96).empty());
}

TEST_F(UnitSync, TolamSwitchesOffEmptySlotsAndSetsEveryHFModuleOnce)
{
    Connect();
    peer->Change([](UnitModel& m) {
        const std::uint8_t types[8] = {0, 2, 8, 12, 4, 0, 12, 0};
        std::copy(types, types + 8, m.moduleTypes);
    });
    ActivateAll();
    params.m_params[4].m_bActive = 0;  // slot 2 channel 0 off by the operator
    SyncChannelsWithUnit(*driver, params);
    EXPECT_EQ(ActiveChannels(), (std::vector<int>{5, 6, 7, 8, 9, 12, 13}));
    EXPECT_EQ(params.m_nCurSlot, 2);
    EXPECT_EQ(params.m_nCurChannel, 1);
    const auto writes = peer->Requests(96);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].arg1, 3);
    EXPECT_EQ(writes[1].arg1, 6);
    for (const Request& w : writes) {
        EXPECT_EQ(w.args[0], 30u);
        EXPECT_EQ(w.args[1], 1u);
    }
}

TEST_F(UnitSync, NoActiveChannelLeavesTheCurrentOneAlone)
{
    Connect();
    params.m_nCurSlot = 4;
    params.m_nCurChannel = 1;
    SyncChannelsWithUnit(*driver, params);
    EXPECT_TRUE(ActiveChannels().empty());
    EXPECT_EQ(params.m_nCurSlot, 4);
    EXPECT_EQ(params.m_nCurChannel, 1);
}

TEST_F(UnitSync, SlotsThatDoNotAnswerKeepTheOperatorsChannels)
{
    Connect();
    ActivateAll();
    // Slot 2 (no module) answers; slot 5 does not answer its status reads.
    peer->SetOverride([](const Request& r, ScriptedUnit&) { return r.code == 65 && r.arg1 == 5; });
    SyncChannelsWithUnit(*driver, params);
    const auto active = ActiveChannels();
    EXPECT_EQ(std::count(active.begin(), active.end(), 10), 1);
    EXPECT_EQ(std::count(active.begin(), active.end(), 11), 1);
    EXPECT_EQ(std::count(active.begin(), active.end(), 4), 0);

    // The whole unit gone for a moment: nothing is switched off.
    peer->SetOverride(nullptr);
    peer->Change([](UnitModel& m) { m.silent = true; });
    ActivateAll();
    SyncChannelsWithUnit(*driver, params);
    EXPECT_EQ(ActiveChannels().size(), 16u);
}

TEST_F(UnitSync, SampleIntervalsOutsideTheirRangeBecomeATenth)
{
    Connect();
    peer->Change([](UnitModel& m) {
        m.intervals[0][0] = 0.5;
        m.intervals[0][1] = 0.0;
        m.intervals[0][2] = std::numeric_limits<double>::quiet_NaN();
        m.intervals[0][3] = 5e-10;
        m.intervals[1][0] = 0.1;
        m.intervals[1][1] = 1e-11;
        m.intervals[1][2] = 9.9e-12;
        m.intervals[1][3] = 0.1000001;
        m.moduleAnswers[2] = 0;
    });
    for (int s = 0; s < 8; ++s)
        for (int r = 0; r < 4; ++r)
            params.SetSampleInterval(s, r, 7.0);
    ReadSampleIntervals(*driver, params);
    EXPECT_EQ(params.GetSampleInterval(0, 0), 0.1);
    EXPECT_EQ(params.GetSampleInterval(0, 1), 0.1);
    EXPECT_EQ(params.GetSampleInterval(0, 2), 0.1);
    EXPECT_EQ(params.GetSampleInterval(0, 3), 5e-10);
    EXPECT_EQ(params.GetSampleInterval(1, 0), 0.1);
    EXPECT_EQ(params.GetSampleInterval(1, 1), 1e-11);
    EXPECT_EQ(params.GetSampleInterval(1, 2), 0.1);
    EXPECT_EQ(params.GetSampleInterval(1, 3), 0.1);
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(params.GetSampleInterval(2, r), 7.0) << "slot without a module, ramp " << r;
    EXPECT_EQ(peer->Requests(71).size(), 7u * 4);
}

TEST_F(UnitSync, Z5KReadsSlotZeroOnly)
{
    Connect();
    peer->Change([](UnitModel& m) {
        m.identity = 0x2ABCDEF0;
        for (auto& row : m.intervals)
            for (double& v : row)
                v = 2e-4;
    });
    ReadSampleIntervals(*driver, params);
    EXPECT_EQ(params.GetSampleInterval(0, 2), 2e-4);
    EXPECT_EQ(params.GetSampleInterval(1, 2), 0.0);
    for (const Request& r : peer->Requests(71))
        EXPECT_EQ(r.arg1, 0);
}

TEST_F(UnitSync, IntervalsTheUnitDoesNotAnswerKeepTheirValues)
{
    Connect();
    peer->Change([](UnitModel& m) {
        for (auto& row : m.intervals)
            for (double& v : row)
                v = 3e-4;
    });
    params.SetSampleInterval(1, 2, 7.0);
    peer->SetOverride([](const Request& r, ScriptedUnit&) { return r.code == 71 && r.arg1 == 1 && r.args[0] == 2; });
    ReadSampleIntervals(*driver, params);
    EXPECT_EQ(params.GetSampleInterval(1, 2), 7.0);
    EXPECT_EQ(params.GetSampleInterval(1, 1), 3e-4);
}
