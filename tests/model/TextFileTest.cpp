#include "model/TextFile.h"
#include "tests/support/Limits.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <csignal>
#include <filesystem>

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

TEST(TextFile, LongLineIsCutAndDoesNotSwallowLaterLines)
{
    TempDir dir;
    const std::string longLine(300, 'x');
    WriteFileBytes(dir.file("f"), longLine + "\r\nnext:1\r\n");
    LineReader in(dir.file("f"), 254);
    std::string line;
    ASSERT_TRUE(in.next(line));
    EXPECT_EQ(line, std::string(254, 'x'));
    ASSERT_TRUE(in.next(line));
    EXPECT_EQ(line, "next:1");
    EXPECT_FALSE(in.next(line));
}

TEST(TextFile, LineOfExactlyTheCapKeepsAllItsCharacters)
{
    TempDir dir;
    WriteFileBytes(dir.file("f"), std::string(254, 'y') + "\r\n");
    LineReader in(dir.file("f"), 254);
    std::string line;
    ASSERT_TRUE(in.next(line));
    EXPECT_EQ(line, std::string(254, 'y'));
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
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST(TextFile, SaveIntoMissingFolderFails)
{
    TempDir dir;
    EXPECT_FALSE(SaveFileAtomically(dir.file("no/such/folder/f"), "x"));
    EXPECT_FALSE(SaveFileAtomically("", "x"));
}
