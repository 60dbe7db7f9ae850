// The filter list file: exact bytes, round trips, and every kind of bad file.
#include "TestFilters.h"

#include "filters/BandPass.h"
#include "filters/FilterChain.h"
#include "filters/FilterLibrary.h"
#include "filters/FilterListFile.h"
#include "filters/Gain.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char* const kGolden = "FILTER LIST VERSION:1\r\n"
                            "FILTER:Gain\r\n"
                            "ENABLED:1\r\n"
                            "PARAM:Type:Exponential\r\n"
                            "PARAM:Start (ns):2.5\r\n"
                            "PARAM:Slope:0.100000001\r\n"
                            "PARAM:Max gain:100\r\n"
                            "END FILTER\r\n"
                            "FILTER:Test offset\r\n"
                            "ENABLED:0\r\n"
                            "PARAM:Label:a:b c\r\n"
                            "PARAM:Offset:-7\r\n"
                            "PARAM:Negate:1\r\n"
                            "END FILTER\r\n"
                            "FILTER:Band-pass\r\n"
                            "ENABLED:1\r\n"
                            "PARAM:Low cut (MHz):100\r\n"
                            "PARAM:High cut (MHz):1000\r\n"
                            "END FILTER\r\n";

FilterChain ThreeFilters()
{
    RegisterTestFilters();
    FilterChain list;
    Filter* gain = list.add(Gain::kName);
    gain->setChoice(Gain::kType, Gain::kExponential);
    gain->setFloat(Gain::kStart, 2.5);
    gain->setFloat(Gain::kSlope, 0.1);
    Filter* test = list.add(kTestFilter);
    test->setText(0, "a:b c");
    test->setWhole(1, -7);
    test->setWhole(2, 1);
    test->setEnabled(false);
    list.add(BandPass::kName);
    return list;
}

class FilterListFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterTestFilters();
        handle = FilterListCreate();
        // a list that a failed load must leave alone
        FilterListLookup(handle)->add(Gain::kName);
        FilterListLookup(handle)->add(BandPass::kName);
    }
    void TearDown() override { FilterListDestroy(handle); }

    // Loads `bytes` as a filter list file into the list; the load result.
    int LoadBytes(const std::string& bytes)
    {
        WriteFileBytes(path, bytes);
        return FilterListLoad(handle, path.c_str());
    }
    bool Unchanged() const
    {
        const FilterChain* list = FilterListLookup(handle);
        return list->size() == 2 && list->at(0)->name() == Gain::kName && list->at(1)->name() == BandPass::kName;
    }
    FilterChain& List() { return *FilterListLookup(handle); }

    TempDir dir;
    std::string path = dir.file("def_filter_list");
    FilterListHandle handle = 0;
};

} // namespace

TEST_F(FilterListFileTest, SavesExactBytes)
{
    List() = ThreeFilters();
    ASSERT_EQ(FilterListSave(handle, path.c_str()), 1);
    EXPECT_EQ(ReadFileBytes(path), kGolden);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"def_filter_list"});
}

TEST_F(FilterListFileTest, LineFeedsAloneAndBlankLinesAreAccepted)
{
    std::string text = kGolden;
    for (size_t at; (at = text.find('\r')) != std::string::npos;)
        text.erase(at, 1);
    text.insert(text.find("FILTER:Test"), "\n  \n");
    ASSERT_EQ(LoadBytes(text), 1);
    EXPECT_TRUE(List().sameSettings(ThreeFilters()));
}

TEST_F(FilterListFileTest, HeaderOnlyIsAnEmptyList)
{
    ASSERT_EQ(LoadBytes("FILTER LIST VERSION:1\r\n"), 1);
    EXPECT_EQ(FilterListGetSize(handle), 0);
}

TEST_F(FilterListFileTest, MissingFileLeavesTheList)
{
    EXPECT_EQ(FilterListLoad(handle, dir.file("nothing").c_str()), 0);
    EXPECT_EQ(FilterListLoad(handle, dir.path().c_str()), 0) << "a folder";
    EXPECT_EQ(FilterListLoad(handle, nullptr), 0);
    EXPECT_TRUE(Unchanged());
}

TEST_F(FilterListFileTest, BadFilesLeaveTheList)
{
    const std::string golden = kGolden;
    const std::string bad[] = {
        "",
        "FILTER LIST VERSIO:1\r\n",
        "FILTER LIST VERSION:2\r\nFILTER:Gain\r\nEND FILTER\r\n",
        "filter list version:1\r\n",
        "FILTER:Gain\r\nEND FILTER\r\n",                               // no header
        golden.substr(0, golden.find("END FILTER\r\nFILTER:Band")),   // cut inside a block
        golden.substr(0, golden.size() - 5),                          // cut in the last line
        "FILTER LIST VERSION:1\r\nFILTER:Gain\r\nFILTER:Gain\r\nEND FILTER\r\n", // block never ended
        "FILTER LIST VERSION:1\r\nENABLED:1\r\n",                                // line outside a block
        "FILTER LIST VERSION:1\r\nEND FILTER\r\n",
        "FILTER LIST VERSION:1\r\nFILTER:Gain\r\nPARAM:Slope:1\r\n",
        std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10),
    };
    for (const auto& text : bad) {
        EXPECT_EQ(LoadBytes(text), 0) << text;
        EXPECT_TRUE(Unchanged()) << text;
    }
}

TEST_F(FilterListFileTest, UnknownFiltersParametersAndKeysAreSkipped)
{
    const std::string text = "FILTER LIST VERSION:1\r\n"
                             "FILTER:Sharpen\r\n"
                             "ENABLED:1\r\n"
                             "PARAM:Strength:3\r\n"
                             "END FILTER\r\n"
                             "FILTER:Gain\r\n"
                             "COLOUR:blue\r\n"
                             "PARAM:Slope:2\r\n"
                             "PARAM:Curve:steep\r\n"
                             "no colon at all\r\n"
                             "END FILTER\r\n"
                             "FILTER:Gain\r\n"
                             "ENABLED:0\r\n"
                             "END FILTER\r\n";
    ASSERT_EQ(LoadBytes(text), 1);
    ASSERT_EQ(List().size(), 2);
    EXPECT_EQ(List().at(0)->name(), Gain::kName);
    EXPECT_TRUE(List().at(0)->enabled());
    EXPECT_EQ(List().at(0)->value(Gain::kSlope).real, 2.0f);
    EXPECT_EQ(List().at(0)->value(Gain::kMaxGain).real, 100.0f) << "a parameter missing from the file keeps its default";
    EXPECT_FALSE(List().at(1)->enabled());
}

TEST_F(FilterListFileTest, ValuesAreClampedOrKeepTheirDefaults)
{
    const std::string text = "FILTER LIST VERSION:1\r\n"
                             "FILTER:Gain\r\n"
                             "ENABLED:x\r\n"
                             "PARAM:Type:Logarithmic\r\n"
                             "PARAM:Start (ns):nan\r\n"
                             "PARAM:Slope:inf\r\n"
                             "PARAM:Max gain:-1e999\r\n"
                             "END FILTER\r\n"
                             "FILTER:Test offset\r\n"
                             "PARAM:Offset:-99999999999999999999999\r\n"
                             "PARAM:Negate:12abc\r\n"
                             "END FILTER\r\n"
                             "FILTER:Band-pass\r\n"
                             "PARAM:Low cut (MHz): 5e3 \r\n"
                             "PARAM:High cut (MHz):1e-999\r\n"
                             "END FILTER\r\n"
                             "FILTER:Test offset\r\n"
                             "PARAM:Offset:+2000\r\n"
                             "PARAM:Negate:-3\r\n"
                             "PARAM:Label:\r\n"
                             "END FILTER\r\n";
    ASSERT_EQ(LoadBytes(text), 1);
    ASSERT_EQ(List().size(), 4);
    const Filter& gain = *List().at(0);
    EXPECT_TRUE(gain.enabled());
    EXPECT_EQ(gain.value(Gain::kType).whole, Gain::kLinear);
    EXPECT_EQ(gain.value(Gain::kStart).real, 0.0f);
    EXPECT_EQ(gain.value(Gain::kSlope).real, 1000.0f);
    EXPECT_EQ(gain.value(Gain::kMaxGain).real, 1.0f);
    EXPECT_EQ(List().at(1)->value(1).whole, -1000);
    EXPECT_EQ(List().at(1)->value(2).whole, 0);
    EXPECT_EQ(List().at(2)->value(BandPass::kLow).real, 5000.0f);
    EXPECT_EQ(List().at(2)->value(BandPass::kHigh).real, 0.0f);
    EXPECT_EQ(List().at(3)->value(0).text, "");
    EXPECT_EQ(List().at(3)->value(1).whole, 1000);
    EXPECT_EQ(List().at(3)->value(2).whole, 1);
}

TEST_F(FilterListFileTest, AtMost64Filters)
{
    std::string text = "FILTER LIST VERSION:1\r\n";
    for (int i = 0; i < FilterChain::kMaxFilters; ++i)
        text += "FILTER:Gain\r\nEND FILTER\r\n";
    ASSERT_EQ(LoadBytes(text), 1);
    EXPECT_EQ(FilterListGetSize(handle), 64);
    FilterListLookup(handle)->clear();
    FilterListLookup(handle)->add(Gain::kName);
    FilterListLookup(handle)->add(BandPass::kName);
    EXPECT_EQ(LoadBytes(text + "FILTER:Gain\r\nEND FILTER\r\n"), 0);
    EXPECT_TRUE(Unchanged());
}

TEST_F(FilterListFileTest, LinesUpTo4096Characters)
{
    const std::string prefix = "FILTER LIST VERSION:1\r\nFILTER:Test offset\r\nPARAM:Label:";
    const std::string longest(4096 - std::string("PARAM:Label:").size(), 'x');
    ASSERT_EQ(LoadBytes(prefix + longest + "\r\nEND FILTER\r\n"), 1);
    EXPECT_EQ(List().at(0)->value(0).text, longest);
    FilterListLookup(handle)->clear();
    FilterListLookup(handle)->add(Gain::kName);
    FilterListLookup(handle)->add(BandPass::kName);
    EXPECT_EQ(LoadBytes(prefix + longest + "x\r\nEND FILTER\r\n"), 0);
    EXPECT_TRUE(Unchanged());
}

TEST_F(FilterListFileTest, LongFilesLoad)
{
    std::string text = "FILTER LIST VERSION:1\r\nFILTER:Gain\r\n";
    for (int i = 0; i < 1500; ++i)
        text += "NOTE:written by a later version\r\n";
    text += "PARAM:Slope:3\r\nEND FILTER\r\n";
    ASSERT_EQ(LoadBytes(text), 1);
    ASSERT_EQ(List().size(), 1);
    EXPECT_EQ(List().at(0)->value(Gain::kSlope).real, 3.0f);
}

TEST_F(FilterListFileTest, TextValuesNeverBreakTheLine)
{
    List().clear();
    List().add(kTestFilter)->setText(0, std::string("one\r\ntwo\0three", 14));
    ASSERT_EQ(FilterListSave(handle, path.c_str()), 1);
    EXPECT_NE(ReadFileBytes(path).find("PARAM:Label:one  two three\r\n"), std::string::npos);
    FilterChain copy = List();
    ASSERT_EQ(FilterListLoad(handle, path.c_str()), 1);
    EXPECT_TRUE(List().sameSettings(copy));
}

TEST_F(FilterListFileTest, FailedSaveKeepsTheOldFile)
{
    WriteFileBytes(path, kGolden);
    EXPECT_EQ(FilterListSave(handle, dir.file("no/such/folder/def_filter_list").c_str()), 0);
    EXPECT_EQ(FilterListSave(handle, nullptr), 0);

    // a full disk: the file size limit stops the write of the new list
    List() = ThreeFilters();
    for (int i = 0; i < 40; ++i)
        List().add(Gain::kName);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{512, 512};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(FilterListSave(handle, path.c_str()) == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save reported success";
    EXPECT_EQ(ReadFileBytes(path), kGolden);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"def_filter_list"});
}
