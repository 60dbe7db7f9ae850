#include "gps/NmeaLineSplitter.h"

#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

// Feeds `bytes` as one read and returns the lines it completed.
std::vector<std::string> Feed(CNmeaLineSplitter& splitter, const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t done = 0;
    do {
        const std::size_t n = std::min(bytes.size() - done, splitter.Room());
        std::memcpy(splitter.Space(), bytes.data() + done, n);
        splitter.Commit(n, [&](std::string_view line) { lines.emplace_back(line); });
        done += n;
    } while (done < bytes.size());
    return lines;
}

} // namespace

TEST(NmeaLineSplitter, CrLfAndLfEndingsKeepEveryCharacter)
{
    CNmeaLineSplitter s;
    const auto lines = Feed(s, "$A*11\r\n$B*22\n\r\n\n$C\r\r\n");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "$A*11");
    EXPECT_EQ(lines[1], "$B*22") << "LF alone does not cost the last character";
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "$C\r") << "only one CR belongs to the line end";
    EXPECT_EQ(s.Tail(), 0u);
}

TEST(NmeaLineSplitter, ASentenceSplitOverReadsIsWholeAgain)
{
    const std::string line = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
    for (std::size_t cut = 0; cut <= line.size(); ++cut) {
        CNmeaLineSplitter s;
        auto first = Feed(s, line.substr(0, cut));
        auto second = Feed(s, line.substr(cut));
        first.insert(first.end(), second.begin(), second.end());
        ASSERT_EQ(first.size(), 1u) << "cut at " << cut;
        EXPECT_EQ(first[0], line.substr(0, line.size() - 2)) << "cut at " << cut;
    }
}

TEST(NmeaLineSplitter, LinesOf255BytesOrMoreAreIgnored)
{
    CNmeaLineSplitter s;
    const std::string l254(253, 'a'), l255(254, 'b');
    auto lines = Feed(s, l254 + "\r\n" + l255 + "\r\n" + std::string(254, 'c') + "\n" + std::string(255, 'd') + "\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], l254) << "254 bytes before the LF are examined";
    EXPECT_EQ(lines[1], std::string(254, 'c'));
}

TEST(NmeaLineSplitter, AnEndlessLineIsDroppedUpToItsEnd)
{
    CNmeaLineSplitter s;
    std::string junk(20000, 'x');
    for (std::size_t i = 0; i < junk.size(); i += 3000) {
        EXPECT_TRUE(Feed(s, junk.substr(i, 3000)).empty());
        EXPECT_LT(s.Tail(), CNmeaLineSplitter::kLineLimit) << "the buffer never fills";
    }
    // The end of the endless line is not the start of a sentence.
    auto lines = Feed(s, "$GPGGA,tail of junk*00\n$GPGGA,next\r\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "$GPGGA,next");
}

TEST(NmeaLineSplitter, LongLineGrowingOverSeveralReadsIsDroppedAsAWhole)
{
    CNmeaLineSplitter s;
    EXPECT_TRUE(Feed(s, std::string(200, 'a')).empty());
    EXPECT_EQ(s.Tail(), 200u);
    EXPECT_TRUE(Feed(s, std::string(100, 'a')).empty());
    EXPECT_EQ(s.Tail(), 0u);
    auto lines = Feed(s, std::string(10, 'a') + "\nok\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "ok");
}

TEST(NmeaLineSplitter, FullReadsAlwaysLeaveRoom)
{
    CNmeaLineSplitter s;
    std::mt19937 random(7);
    std::string bytes(CNmeaLineSplitter::kCapacity, '\0');
    for (int round = 0; round < 20; ++round) {
        for (char& c : bytes)
            c = static_cast<char>(random() % 4 == 0 ? '\n' : 'a' + random() % 26);
        ASSERT_GE(s.Room(), CNmeaLineSplitter::kCapacity - CNmeaLineSplitter::kLineLimit);
        Feed(s, bytes.substr(0, s.Room()));
    }
}
