// dv-utm, run as a reviewer runs it.
#include "tests/tools/gps/ToolRunner.h"

#include <gtest/gtest.h>

using namespace tool_runner;

TEST(DvUtm, ConvertsEveryLine)
{
    const Outcome o = RunTool({Tool("dv-utm")}, "48.1173 11.51666666667\n\n-33.8688\t151.2093\n60 5\n+78 15\n");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "32 U 687299.58 5332401.24\n"
                     "56 H 334368.63 6250948.35\n"
                     "32 V 276979.93 6658157.20\n"
                     "33 X 500000.00 8658369.58\n");
    EXPECT_EQ(o.err, "");
}

TEST(DvUtm, SkipsLinesThatAreNoPosition)
{
    const Outcome o = RunTool({Tool("dv-utm")}, "48.1173\n0 0\n1 2 3\nnorth east\n");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "31 N 166021.44 0.00\n");
    EXPECT_EQ(o.err, "dv-utm: line 1: expected \"latitude longitude\"\n"
                     "dv-utm: line 3: expected \"latitude longitude\"\n"
                     "dv-utm: line 4: expected \"latitude longitude\"\n");
    EXPECT_EQ(RunTool({Tool("dv-utm"), "extra"}).status, 2);
}

