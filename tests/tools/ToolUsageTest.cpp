// Every test-support command and benchmark answers --help with its usage on standard output
// and exit status 0, and refuses an argument it does not know with exit status 2 before it
// does anything (a benchmark that ran anyway would make namespaces or fill a disk).
#include "tests/tools/gps/ToolRunner.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

struct Command {
    std::string path;
    bool built; // the benchmarks are not built with the sanitizers, bench_utm not without its library
};

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

TEST(ToolUsage, HelpPrintsUsageAndUnknownArgumentsAreRefused)
{
    using tool_runner::RunTool;
    using tool_runner::Tool;
    const Command commands[] = {
        {Tool("dv-settings"), true},
        {Tool("dv-acquire"), true},
        {Tool("dv-utm"), true},
        {Tool("dv-gps"), true},
        {Tool("dv-gps-feed"), true},
        {Tool("dv-unitsim"), true},
        {DV_VETH, true},
        {Tool("bench_acquisition"), DELVORA_HAS_BENCH_ACQUISITION},
        {Tool("bench_datafiles"), DELVORA_HAS_BENCH_DATAFILES},
        {Tool("bench_filters"), DELVORA_HAS_BENCH_FILTERS},
        {Tool("bench_link"), DELVORA_HAS_BENCH_LINK},
        {Tool("bench_render"), DELVORA_HAS_BENCH_RENDER},
        {Tool("bench_utm"), DELVORA_HAS_BENCH_UTM},
        {Tool("bench_view"), DELVORA_HAS_BENCH_VIEW},
    };
    for (const Command& c : commands) {
        if (!c.built)
            continue;
        SCOPED_TRACE(c.path);
        const tool_runner::Outcome help = RunTool({c.path, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_NE(Lower(help.out).find("usage"), std::string::npos) << help.out;
        EXPECT_EQ(help.err, "");
        const tool_runner::Outcome refused = RunTool({c.path, "--no-such-option"});
        EXPECT_EQ(refused.status, 2) << refused.out << refused.err;
        EXPECT_NE(refused.err, "");
    }
}
