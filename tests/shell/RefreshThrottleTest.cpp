// The refresh throttle alone, tick by tick.

#include "shell/RefreshThrottle.h"

#include <gtest/gtest.h>

using Action = RefreshThrottle::Action;

TEST(RefreshThrottle, OneRefreshPerWindowAndOneLateRefreshForWhatWasDropped)
{
    RefreshThrottle t;
    EXPECT_EQ(t.OnTracesReady(1000), Action::RefreshNow);
    EXPECT_EQ(t.OnTracesReady(1010), Action::ArmLate);
    EXPECT_EQ(t.LateDelay(), 91u);
    EXPECT_EQ(t.OnTracesReady(1050), Action::Dropped);
    EXPECT_EQ(t.OnTracesReady(1100), Action::Dropped);
    EXPECT_TRUE(t.OnLateRefresh(1101));
    EXPECT_FALSE(t.LatePending());
    EXPECT_EQ(t.LastRefresh(), 1101u);
    EXPECT_FALSE(t.OnLateRefresh(1102));  // nothing asked for any more
}

TEST(RefreshThrottle, NoLateRefreshWithoutADroppedMessage)
{
    RefreshThrottle t;
    EXPECT_EQ(t.OnTracesReady(0), Action::RefreshNow);
    EXPECT_EQ(t.OnTracesReady(101), Action::RefreshNow);
    EXPECT_EQ(t.OnTracesReady(300), Action::RefreshNow);
    EXPECT_FALSE(t.LatePending());
    EXPECT_FALSE(t.OnLateRefresh(400));
}

TEST(RefreshThrottle, ResetForgetsTheLastRefresh)
{
    RefreshThrottle t;
    EXPECT_EQ(t.OnTracesReady(50), Action::RefreshNow);
    EXPECT_EQ(t.OnTracesReady(60), Action::ArmLate);
    t.Reset();
    EXPECT_FALSE(t.LatePending());
    EXPECT_FALSE(t.HasRefreshed());
    EXPECT_EQ(t.OnTracesReady(61), Action::RefreshNow);
}

TEST(RefreshThrottle, LateRefreshIsNotRepeatedWhenARegularOneCameFirst)
{
    RefreshThrottle t;
    EXPECT_EQ(t.OnTracesReady(5000), Action::RefreshNow);
    EXPECT_EQ(t.OnTracesReady(5050), Action::ArmLate);
    EXPECT_EQ(t.OnTracesReady(5110), Action::RefreshNow);  // the timer has not run yet
    EXPECT_FALSE(t.OnLateRefresh(5111));
}

TEST(RefreshThrottle, WindowHoldsFromTickZeroAndAcrossTheWrapOfTheTickCount)
{
    RefreshThrottle nearZero;
    EXPECT_EQ(nearZero.OnTracesReady(3), Action::RefreshNow);
    RefreshThrottle t;
    EXPECT_EQ(t.OnTracesReady(0xFFFFFFF0u), Action::RefreshNow);
    EXPECT_EQ(t.OnTracesReady(0x00000020u), Action::ArmLate);  // 48 ms later
    t.Reset();
    EXPECT_EQ(t.OnTracesReady(0xFFFFFFF0u), Action::RefreshNow);
    EXPECT_EQ(t.OnTracesReady(0x00000055u), Action::RefreshNow);  // 101 ms later
}
