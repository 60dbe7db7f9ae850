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
