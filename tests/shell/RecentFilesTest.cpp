// The recent-file list and its four profile entries.

#include "model/Profile.h"
#include "shell/RecentFiles.h"

#include <gtest/gtest.h>

TEST(RecentFiles, NewestFirstNoDuplicatesAtMostFour)
{
    CRecentFiles r;
    for (const char* p : {"/a.rd3", "/b.rd3", "/c.rd3", "/d.rd3", "/b.rd3", "/e.rd3", ""})
        r.Add(p);
    ASSERT_EQ(r.Count(), 4);
    EXPECT_EQ(r.At(0), "/e.rd3");
    EXPECT_EQ(r.At(1), "/b.rd3");
    EXPECT_EQ(r.At(2), "/d.rd3");
    EXPECT_EQ(r.At(3), "/c.rd3");
}

TEST(RecentFiles, RoundTripThroughTheProfileAndARemovedEntryIsEmptied)
{
    MemoryProfile profile;
    CRecentFiles r;
    r.Add("/x/one.rd3");
    r.Add("/x/two.rd3");
    ASSERT_TRUE(r.Save(profile));

    CRecentFiles back;
    back.Load(profile);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.At(0), "/x/two.rd3");
    EXPECT_EQ(back.At(1), "/x/one.rd3");

    back.Remove(0);
    back.Remove(7);  // outside: nothing
    ASSERT_TRUE(back.Save(profile));
    EXPECT_EQ(profile.getString(CRecentFiles::kSection, "File1", "?"), "/x/one.rd3");
    EXPECT_EQ(profile.getString(CRecentFiles::kSection, "File2", "?"), "");
}

TEST(RecentFiles, GapsAndRepeatsWrittenByHandAreSkipped)
{
    MemoryProfile profile;
    profile.writeString(CRecentFiles::kSection, "File1", "");
    profile.writeString(CRecentFiles::kSection, "File2", "/p.rd3");
    profile.writeString(CRecentFiles::kSection, "File3", "/p.rd3");
    profile.writeString(CRecentFiles::kSection, "File4", "/q.rd3");
    CRecentFiles r;
    r.Load(profile);
    ASSERT_EQ(r.Count(), 2);
    EXPECT_EQ(r.At(0), "/p.rd3");
    EXPECT_EQ(r.At(1), "/q.rd3");
}

TEST(RecentFiles, MenuShowsTheNameInTheCurrentFolderElseThePathAbbreviatedToThirtyCharacters)
{
    struct Case {
        const char* path;
        const char* currentDir;
        const char* shown;
    };
    const Case cases[] = {
        {"/data/Site_0001.rd3", "/home", "/data/Site_0001.rd3"},
        {"/home/operator/field/Site_0001.rd3", "/home", "/home/.../field/Site_0001.rd3"},
        {"/home/operator/field/survey/Site_0001.rd3", "/", "/home/.../survey/Site_0001.rd3"},
        {"/home/operator/field/Site_0001.rd3", "/home/operator/field/", "Site_0001.rd3"},
        {"/home/operator/field/Site_0001.rd3", "/home/operator", "/home/.../field/Site_0001.rd3"},
        {"/media/operator_usb_stick/Site_0001.rd3", "", "/media/.../Site_0001.rd3"},
        {"/operator_usb_stick_1/x/Site_0001.rd3", "", "Site_0001.rd3"},  // its first folder leaves too little
        {"/data/A_very_long_profile_name_0001.rd3", "", "A_very_long_profile_name_0001.rd3"},
        {"/data/R&D_0001.rd3", "", "/data/R&&D_0001.rd3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CRecentFiles::DisplayName(c.path, c.currentDir), c.shown) << c.path << " in " << c.currentDir;
}
