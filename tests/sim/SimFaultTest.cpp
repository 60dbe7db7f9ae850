// The fault-spec parser: the specs the unit takes, from the command line and the control
// lines, the errors it gives for bad ones, and when an armed fault fires.
#include "sim/SimFaultPlan.h"

#include <gtest/gtest.h>

namespace {

TEST(SimFaultPlan, ParsesSpecsAndRefusesBadOnes)
{
    CSimFaultPlan plan;
    std::string error;
    for (const char* good : {"drop-frag=2", "drop-last/4", "swap-frags", "swap-frags=2,3", "stray-frag", "seq-jump=-3",
                             "foreign-seq=2", "short-frame=16", "short-reply=31", "pad-over", "odd-data",
                             "unknown-type=200", "wrong-ethertype", "wrong-dst", "bcast-dst", "jumbo=9000",
                             "bad-record=past-end", "reply-delay=150", "reply-wrong-seq=1", "reply-dup/2",
                             "reply-drop", "reply-flood=10", "event-flood", "refuse-start", "skip=3", "pos-jump=-1",
                             "burst=10", "trace-len=0", "sensor-words=0xC001,0x2000,0x1FFF,0"})
        EXPECT_TRUE(plan.Add(good, error)) << good << ": " << error;
    struct Bad {
        const char* spec;
        const char* error;
    };
    const Bad bad[] = {
        {"drop-frag", "drop-frag takes 1 argument(s)"},
        {"drop-frag=0", "fragment number must be 1 to 65535"},
        {"swap-frags=2", "swap-frags takes two fragment numbers"},
        {"swap-frags=2,2", "swap-frags needs two different fragment numbers from 1"},
        {"short-frame=30", "a short frame has 0 to 23 bytes"},
        {"unknown-type=2", "an unknown frame type is 0 or 4 to 255"},
        {"bad-record=huge", "unknown bad-record kind 'huge'"},
        {"reply-delay=x", "'x' is not a number"},
        {"sensor-words=1,2,3", "sensor-words takes 4 argument(s)"},
        {"drop-last/0", "'/N' needs N from 1"},
        {"melt", "unknown fault 'melt'"},
        {"jumbo=100", "a jumbo frame has 1515 to 65536 bytes"},
    };
    for (const Bad& b : bad) {
        error.clear();
        EXPECT_FALSE(plan.Add(b.spec, error)) << b.spec;
        EXPECT_EQ(error, b.error) << b.spec;
    }
}

TEST(SimFaultPlan, OneShotLeavesEveryNStays)
{
    CSimFaultPlan plan;
    std::string error;
    ASSERT_TRUE(plan.Add("reply-dup", error));
    ASSERT_TRUE(plan.Add("reply-drop/2", error));
    EXPECT_TRUE(plan.Take(SimChance::DataMessage).empty());
    auto fired = plan.Take(SimChance::Reply);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].kind, SimFaultKind::ReplyDup);
    fired = plan.Take(SimChance::Reply);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].kind, SimFaultKind::ReplyDrop);
    EXPECT_TRUE(plan.Take(SimChance::Reply).empty());
    EXPECT_EQ(plan.Take(SimChance::Reply).size(), 1u);
    EXPECT_EQ(plan.Pending(), std::vector<std::string>{"reply-drop/2"});
    plan.Clear();
    EXPECT_TRUE(plan.Pending().empty());
}

}  // namespace
