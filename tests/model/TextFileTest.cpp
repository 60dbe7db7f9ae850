#include "model/TextFile.h"
#include "tests/model/SmallDisk.h"
#include "tests/support/CardImage.h"
#include "tests/support/Limits.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

TEST(TextFile, WriterEndsEveryLineInCrLf)
{
    TempDir dir;
    TextWriter out;
    out.line("A:1");
    out.line("");
    out.line("B:x y");
    ASSERT_TRUE(out.save(dir.file("f")));
    EXPECT_EQ(ReadFileBytes(dir.file("f")), "A:1\r\n\r\nB:x y\r\n");
}

TEST(TextFile, ReaderAcceptsCrLfAndLfAndReportsTheEnd)
{
    TempDir dir;
    WriteFileBytes(dir.file("f"), "one\r\ntwo\nthree");
    LineReader in(dir.file("f"), 254);
    ASSERT_TRUE(in.isOpen());
    std::string line;
    ASSERT_TRUE(in.next(line));
    EXPECT_EQ(line, "one");
    ASSERT_TRUE(in.next(line));
    EXPECT_EQ(line, "two");
    ASSERT_TRUE(in.next(line));
    EXPECT_EQ(line, "three");
    EXPECT_FALSE(in.next(line));
    EXPECT_EQ(line, "");
}

TEST(TextFile, CrOnlyLineEndsReadAsOneLine)
{
    TempDir dir;
    WriteFileBytes(dir.file("f"), "a:1\rb:2\r");
    LineReader in(dir.file("f"), 254);
    std::string line;
    ASSERT_TRUE(in.next(line));
    EXPECT_EQ(line, "a:1\rb:2");
    EXPECT_FALSE(in.next(line));
}

TEST(TextFile, LinesAreCutAtTheCapWithoutSwallowingLaterLines)
{
    TempDir dir;
    WriteFileBytes(dir.file("f"), std::string(254, 'y') + "\r\n" + std::string(300, 'x') + "\r\nnext:1\r\n");
    LineReader in(dir.file("f"), 254);
    std::string line;
    ASSERT_TRUE(in.next(line));
    EXPECT_EQ(line, std::string(254, 'y')) << "a line of exactly the cap keeps all its characters";
    ASSERT_TRUE(in.next(line));
    EXPECT_EQ(line, std::string(254, 'x'));
    ASSERT_TRUE(in.next(line));
    EXPECT_EQ(line, "next:1");
    EXPECT_FALSE(in.next(line));
}

TEST(TextFile, MissingFileDoesNotOpen)
{
    TempDir dir;
    LineReader in(dir.file("absent"), 254);
    EXPECT_FALSE(in.isOpen());
    std::string line = "stale";
    EXPECT_FALSE(in.next(line));
    EXPECT_EQ(line, "");
}

TEST(TextFile, SplitKeyValueCutsAtTheFirstColonOnly)
{
    KeyValue kv = SplitKeyValue("PRESET NAME: a:b ");
    EXPECT_EQ(kv.key, "PRESET NAME");
    EXPECT_EQ(kv.value, " a:b ");
    kv = SplitKeyValue("no colon here");
    EXPECT_EQ(kv.key, "");
    EXPECT_EQ(kv.value, "");
}

TEST(TextFile, FailedSaveKeepsTheOldFileAndLeavesNoTemporary)
{
    TempDir dir;
    const std::string path = dir.file("settings");
    WriteFileBytes(path, "old contents\r\n");

    bool saved = true;
    {
        FileSizeLimit limit(1024);
        ASSERT_TRUE(limit.ok());
        saved = SaveFileAtomically(path, std::string(4096, 'z'));
    }

    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFileBytes(path), "old contents\r\n");
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"settings"});
}

TEST(TextFile, FullDiskRewritesInPlaceWhatFitsTheFilesBlocks)
{
    struct Case {
        const char* what;
        std::size_t newSize;
        bool saved;
    };
    const Case cases[] = {
        {"shorter: the rest is cut off", 40, true},
        {"longer, within the block", 3000, true},
        {"longer than the block", 5000, false},
    };
    for (const Case& c : cases) {
        TempDir dir;
        SmallDisk disk(dir.file("disk"), 64);
        if (!disk.ok())
            GTEST_SKIP() << "a tmpfs of our own needs root";
        const std::string path = disk.file("header");
        const std::string old(1000, 'o');
        WriteFileBytes(path, old);
        disk.Fill();
        const std::string bytes(c.newSize, 'n');
        EXPECT_FALSE(SaveFileAtomically(path, bytes)) << c.what << ": settings go through a temporary only";
        EXPECT_EQ(SaveFileAtomicallyOrInPlace(path, bytes), c.saved) << c.what;
        EXPECT_TRUE(ReadFileBytes(path) == (c.saved ? bytes : old)) << c.what;
        EXPECT_EQ(FolderEntries(disk.file("")), (std::vector<std::string>{"filler", "header"})) << c.what;
    }
}

TEST(TextFile, SaveIntoMissingFolderFails)
{
    TempDir dir;
    EXPECT_FALSE(SaveFileAtomically(dir.file("no/such/folder/f"), "x"));
    EXPECT_FALSE(SaveFileAtomically("", "x"));
}

TEST(TextFile, SaveOverAFileClosedToWritingFailsAndKeepsIt)
{
    for (const mode_t mode : {0444, 0000}) {
        TempDir dir;
        const std::string path = dir.file("settings");
        WriteFileBytes(path, "protected\r\n");
        ASSERT_EQ(chown(dir.path().c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
        ASSERT_EQ(chmod(path.c_str(), mode), 0);

        const int saved = RunUnprivileged([&] { return SaveFileAtomically(path, "defaults\r\n") ? 1 : 0; });

        EXPECT_EQ(saved, 0) << "mode " << std::oct << mode;
        EXPECT_EQ(ReadFileBytes(path), "protected\r\n") << "mode " << std::oct << mode;
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
        EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"settings"});
    }
}

TEST(TextFile, SaveKeepsTheOldFilesPermissions)
{
    TempDir dir;
    const std::string path = dir.file("settings");
    WriteFileBytes(path, "old\r\n");
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(SaveFileAtomically(path, "new\r\n"));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(ReadFileBytes(path), "new\r\n");
}

TEST(TextFile, ConcurrentSavesOfOneFileNeverMix)
{
    TempDir dir;
    const std::string path = dir.file("settings");
    const std::string a(300000, 'a'), b(200000, 'b');
    for (int round = 0; round < 40; ++round) {
        bool savedA = false, savedB = false;
        std::thread other([&] { savedB = SaveFileAtomically(path, b); });
        savedA = SaveFileAtomically(path, a);
        other.join();
        ASSERT_TRUE(savedA && savedB) << "round " << round;
        const std::string now = ReadFileBytes(path);
        ASSERT_TRUE(now == a || now == b) << "round " << round << ": a mixed file of " << now.size() << " bytes";
    }
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"settings"});
}

TEST(TextFile, UnreadableFileReadsAsMissing)
{
    TempDir dir;
    ASSERT_TRUE(std::filesystem::create_directory(dir.file("folder")));
    struct Case {
        const char* what;
        std::string path;
    };
    // The kernel's view of this process's memory is a regular file whose first page cannot
    // be read: a read error partway, as a failing disk gives.
    const Case cases[] = {{"a folder in the file's place", dir.file("folder")},
                          {"a read error", "/proc/self/mem"}};
    for (const Case& c : cases) {
        LineReader in(c.path, 254);
        EXPECT_FALSE(in.isOpen()) << c.what;
        std::string line = "stale";
        EXPECT_FALSE(in.next(line)) << c.what;
        EXPECT_EQ(line, "") << c.what;
    }
}

TEST(TextFile, SavedFileIsOnTheCardWhenTheSaveReturns)
{
    TempDir dir;
    CardImage card(dir.file("sd"), 16);
    if (!card.ok())
        GTEST_SKIP() << card.error();
    const std::string path = card.file("Line_0001_A1.rad");
    ASSERT_TRUE(SaveFileAtomically(path, "LAST TRACE:0\r\n"));
    ASSERT_TRUE(SaveFileAtomically(path, "LAST TRACE:1019\r\n"));
    ASSERT_TRUE(card.Pull());
    EXPECT_EQ(ReadFileBytes(card.copied("Line_0001_A1.rad")), "LAST TRACE:1019\r\n");
    EXPECT_EQ(FolderEntries(card.copied("")), (std::vector<std::string>{"Line_0001_A1.rad", "lost+found"}))
        << "nothing but the file, no temporary";
}

TEST(TextFile, AnyNameTheFolderTakesCanBeSaved)
{
    struct Case {
        const char* what;
        std::string name;
    };
    // "\xC3\xA9" is one character of two bytes.
    const Case cases[] = {
        {"a short name", "global_settings"},
        {"a name whose temporary would pass the limit", std::string(232, 'n') + "_0001_A1.rad"},
        {"a name of the longest length", std::string(247, 'n') + "_A1.rad"},
        {"two-byte characters", "\xC3\xA9" + std::string(249, 'e') + ".rad"},
        {"a name of two-byte characters only", [] {
             std::string s;
             for (int i = 0; i < 127; ++i)
                 s += "\xC3\xA9";
             return s;
         }()},
    };
    for (const Case& c : cases) {
        ASSERT_LE(c.name.size(), 255u) << c.what;
        TempDir dir;
        const std::string path = dir.file(c.name);
        EXPECT_TRUE(SaveFileAtomically(path, "first\r\n")) << c.what;
        WriteFileBytes(path, "old\r\n");
        EXPECT_TRUE(SaveFileAtomicallyOrInPlace(path, "second\r\n")) << c.what;
        EXPECT_EQ(ReadFileBytes(path), "second\r\n") << c.what;
        EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{c.name}) << c.what;
    }
}
