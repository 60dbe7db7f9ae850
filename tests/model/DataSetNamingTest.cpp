#include "tests/model/DataSetFixture.h"

#include <unistd.h>

namespace {

class DataSetNaming : public DataSetTest {
protected:
    void Seed(std::initializer_list<const char*> names)
    {
        for (const char* n : names)
            WriteFileBytes(InFolder(n), std::string("seeded ") + n);
    }
};

} // namespace

// The scan of the data folder for the next set number: the files there, what MakeNewName
// returns (files of the base name seen) and the name of the next set.
TEST_F(DataSetNaming, NextNumberFollowsTheHighestOfTheBaseName)
{
    struct Case {
        std::vector<const char*> files;
        int seen;
        const char* next;
    };
    const Case cases[] = {
        {{}, 0, "Profile_0001"},
        {{"Profile_0003_A1.rd3", "Profile_0010.rd3", "Other_0099.rd3", "Profile_0050_A1.rad"}, 2, "Profile_0011"},
        {{"Profile_0001_A1.rd3", "Profile_0005_A1.rd3", "Profile_0005_B2.rd3"}, 3, "Profile_0006"},  // gaps stay
        {{"ProfileX0042.rd3"}, 1, "Profile_0043"},  // any one character separates the number
        {{"profile_0009.rd3", "Line_0077_A1.rd3", "Pro_0100.rd3"}, 0, "Profile_0001"},  // case-sensitive
        {{"Profiles_0200.rd3"}, 1, "Profile_0001"},  // begins with the base name, no number
        {{"Profile_0020_A1.RD3", "Profile_0030_A1.rd3x"}, 1, "Profile_0021"},  // extension without case
        {{"Profile_9999_A1.rd3"}, 1, "Profile_10000"},
        {{"Profile_10000_A1.rd3"}, 1, "Profile_10001"},
        {{"Profile_10000_A1.rd3", "Profile_123456789012_A1.rd3"}, 2, "Profile_10001"},  // too large: ignored
    };
    for (const Case& c : cases) {
        TempDir folder;
        for (const char* n : c.files)
            WriteFileBytes(folder.file(n), "x");
        EXPECT_EQ(data.MakeNewName(folder.path() + "/", "Profile"), c.seen) << c.next;
        EXPECT_EQ(data.GetSetName(), c.next);
    }
    EXPECT_EQ(data.MakeNewName(dir.file("no-such-folder"), "Line"), 0);
    EXPECT_EQ(data.GetSetName(), "Line_0001");
}

TEST_F(DataSetNaming, CreatingAfterSet10000TouchesNoExistingFile)
{
    Seed({"Profile_9999_A1.rd3", "Profile_10000_A1.rd3", "Profile_10000_A1.rad", "Profile_10000_A1.mrk"});
    Activate(0);
    ASSERT_EQ(data.CreateFiles(Folder(), "Profile"), 0);
    EXPECT_EQ(data.GetSetName(), "Profile_10001");
    EXPECT_EQ(ReadFileBytes(InFolder("Profile_10000_A1.rd3")), "seeded Profile_10000_A1.rd3");
    EXPECT_EQ(ReadFileBytes(InFolder("Profile_10000_A1.rad")), "seeded Profile_10000_A1.rad");
    EXPECT_EQ(ReadFileBytes(InFolder("Profile_10000_A1.mrk")), "seeded Profile_10000_A1.mrk");
    EXPECT_TRUE(std::filesystem::exists(InFolder("Profile_10001_A1.rd3")));
}

TEST_F(DataSetNaming, NumbersTakenByOtherFilesOfASetArePassedOver)
{
    // Left behind without their .rd3: the scan does not see them, creation must not touch them.
    Seed({"Profile_0001_A1.mrk", "Profile_0002_B.em", "Profile_0003_A1.rad"});
    Activate(0);
    Activate(3);
    Activate(2, true);
    ASSERT_EQ(data.CreateFiles(Folder(), "Profile"), 0);
    EXPECT_EQ(data.GetSetName(), "Profile_0004");
    EXPECT_EQ(ReadFileBytes(InFolder("Profile_0001_A1.mrk")), "seeded Profile_0001_A1.mrk");
    EXPECT_EQ(ReadFileBytes(InFolder("Profile_0002_B.em")), "seeded Profile_0002_B.em");
    EXPECT_EQ(ReadFileBytes(InFolder("Profile_0003_A1.rad")), "seeded Profile_0003_A1.rad");
    EXPECT_TRUE(prompter.ids.empty());
}

TEST_F(DataSetNaming, AnExistingGpsLogIsPassedOverToo)
{
    gps.receiverOpen = true;
    Seed({"Profile_0001_A1.cor"});
    Activate(0);
    ASSERT_EQ(data.CreateFiles(Folder(), "Profile"), 0);
    EXPECT_EQ(data.GetSetName(), "Profile_0002");
    EXPECT_EQ(ReadFileBytes(InFolder("Profile_0001_A1.cor")), "seeded Profile_0001_A1.cor");
}

TEST_F(DataSetNaming, TheDataFolderIsScannedNotTheCurrentDirectory)
{
    TempDir elsewhere;
    WriteFileBytes(elsewhere.file("Profile_0005_A1.rd3"), "x");
    Seed({"Profile_0001_A1.rd3"});
    const std::string previous = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());
    Activate(0);
    const int result = data.CreateFiles(dir.path(), "Profile"); // no trailing separator
    std::filesystem::current_path(previous);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(data.GetSetName(), "Profile_0002");
    EXPECT_EQ(ReadFileBytes(InFolder("Profile_0001_A1.rd3")), "seeded Profile_0001_A1.rd3");
    EXPECT_TRUE(std::filesystem::exists(InFolder("Profile_0002_A1.rd3")));
    EXPECT_FALSE(std::filesystem::exists(elsewhere.file("Profile_0002_A1.rd3")));
}

TEST_F(DataSetNaming, ABaseNameWithADotKeepsItsWholeName)
{
    Activate(0);
    ASSERT_EQ(data.CreateFiles(Folder(), "site.2024"), 0);
    EXPECT_EQ(data.GetSetName(), "site.2024_0001");
    EXPECT_TRUE(std::filesystem::exists(InFolder("site.2024_0001_A1.rd3")));
    ASSERT_EQ(data.CreateFiles(Folder(), "site.2024"), 0);
    EXPECT_EQ(data.GetSetName(), "site.2024_0002");
    EXPECT_TRUE(std::filesystem::exists(InFolder("site.2024_0002_A1.rd3")));
}

TEST_F(DataSetNaming, FileNamesOfAUnitWithSlots)
{
    data.MakeFileNames(dir.path(), "S", false);
    CChannelData& b2 = data.GetChannel(3);
    EXPECT_EQ(b2.m_strFullPath, InFolder("S_B2.rd3"));
    EXPECT_EQ(b2.m_strShortName, "S_B2.rd3");
    EXPECT_EQ(b2.m_Header.m_strPath, InFolder("S_B2.rad"));
    EXPECT_EQ(data.GetMarkerFile(3).m_strPath, InFolder("S_B2.mrk"));
    EXPECT_EQ(data.GetEmData(1).m_strPath, InFolder("S_B.em"));
    EXPECT_EQ(data.GetChannel(0).m_strShortName, "S_A1.rd3");
    EXPECT_EQ(data.GetChannel(15).m_strShortName, "S_H2.rd3");
    EXPECT_EQ(data.GetEmData(7).m_strPath, InFolder("S_H.em"));
    EXPECT_EQ(data.GetGpsLog(3).GetFileName(), InFolder("S_B2.cor"));
}

TEST_F(DataSetNaming, SingleFormNamesTheCurrentChannelFromANameWithExtension)
{
    settings.m_nCurSlot = 1;
    settings.m_nCurChannel = 1;
    data.MakeFileNames(Folder(), "S_B2.rd3", true);
    CChannelData& current = data.GetChannel(3);
    EXPECT_EQ(current.m_strFullPath, InFolder("S_B2.rd3"));
    EXPECT_EQ(current.m_strShortName, "S_B2.rd3");
    EXPECT_EQ(current.m_Header.m_strPath, InFolder("S_B2.rad"));
    EXPECT_EQ(data.GetMarkerFile(3).m_strPath, InFolder("S_B2.mrk"));
    EXPECT_EQ(data.GetChannel(0).m_strFullPath, "") << "only the current channel is named";
    EXPECT_EQ(data.GetEmData(1).m_strPath, "");

    data.MakeFileNames(Folder(), "v1.2/line.rd3", true);
    EXPECT_EQ(current.m_strShortName, "v1.2/line.rd3") << "a dot in a folder part is not an extension";
    data.MakeFileNames(Folder(), "noext", true);
    EXPECT_EQ(current.m_strShortName, "noext.rd3");
}
