// The dv-unitsim command's documented options and its refusals, without a network.
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

TEST(SimCommandLine, HelpDocumentsModelFaultsAndLog)
{
    TempDir dir;
    const std::string out = dir.file("help");
    ASSERT_EQ(std::system((std::string(DELVORA_BIN) + "/dv-unitsim --help > " + out).c_str()), 0);
    const std::string help = ReadFileBytes(out);
    for (const char* word : {"--interface", "--unit", "--modules", "--sensors", "--interval", "--battery", "--fill",
                             "--wheel", "--marker", "--pattern", "--rate", "--fault", "drop-frag", "vanish",
                             "reply-flood", "bad-record", "--log", "--control"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
    EXPECT_NE(std::system((std::string(DELVORA_BIN) + "/dv-unitsim --fault melt -i x 2>/dev/null").c_str()), 0);
    EXPECT_EQ(WEXITSTATUS(std::system((std::string(DELVORA_BIN) + "/dv-unitsim 2>/dev/null").c_str())), 2);
}

}  // namespace
