#include "model/EM_Data.h"
#include "model/MarkerFile.h"
#include "tests/model/DataSetTestSupport.h"
#include "tests/support/TempDir.h"

#include <atomic>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

const std::string kHeader = "HEADER VERSION:100\r\n";

struct MarkerValues {
    std::uint32_t trace;
    std::uint16_t value;
    std::uint16_t type;
    bool operator==(const MarkerValues&) const = default;
};

std::vector<MarkerValues> Values(const CMarkerFile& f)
{
    std::vector<MarkerValues> out;
    for (const CMarker& m : f.GetMarkers())
        out.push_back({m.m_nTrace, m.m_nValue, m.m_nType});
    return out;
}

std::vector<MarkerValues> ReadMarkers(const std::string& path)
{
    CMarkerFile f;
    f.m_strPath = path;
    EXPECT_EQ(f.Read(), 0);
    EXPECT_FALSE(f.IsOpen());
    return Values(f);
}

class MarkerFileTest : public ::testing::Test {
protected:
    void SetUp() override { markers.m_strPath = dir.file("S_A1.mrk"); }
    TempDir dir;
    CMarkerFile markers;
};

class SensorFileTest : public ::testing::Test {
protected:
    void SetUp() override { em.m_strPath = dir.file("S_A.em"); }
    TempDir dir;
    std::recursive_mutex lock;
    CEM_Data em{lock};
};

} // namespace

TEST_F(MarkerFileTest, NewFileHoldsTheHeaderAndEachMarkerAsSoonAsItIsAdded)
{
    ASSERT_EQ(markers.Create(), 0);
    EXPECT_TRUE(markers.IsOpen());
    EXPECT_EQ(ReadFileBytes(markers.m_strPath), kHeader);
    ASSERT_EQ(markers.AddMarker(1234, 0, 3), 0);
    EXPECT_EQ(ReadFileBytes(markers.m_strPath), kHeader + "1234\t0\t3\r\n") << "no marker may wait in a buffer";
    ASSERT_EQ(markers.AddMarker(1300, 0, 1), 0);
    EXPECT_EQ(ReadFileBytes(markers.m_strPath), kHeader + "1234\t0\t3\r\n1300\t0\t1\r\n");
}

TEST_F(MarkerFileTest, ValueOf65535IsWrittenAsMinusOneAndSkippedOnRead)
{
    ASSERT_EQ(markers.Create(), 0);
    ASSERT_EQ(markers.AddMarker(10, 65535, 2), 0);
    ASSERT_EQ(markers.AddMarker(11, 0, 2), 0);
    markers.Close(false);
    EXPECT_EQ(markers.GetMarkers().size(), 2u) << "closing without freeing keeps the list";
    EXPECT_EQ(ReadFileBytes(markers.m_strPath), kHeader + "10\t-1\t2\r\n11\t0\t2\r\n");
    EXPECT_EQ(ReadMarkers(markers.m_strPath), (std::vector<MarkerValues>{{11, 0, 2}}));
}

TEST_F(MarkerFileTest, ReadSkipsEverythingThatIsNotAWholeMarkerLine)
{
    WriteFileBytes(markers.m_strPath, kHeader +
                                          "-5\t0\t1\r\n"                    // negative trace
                                          "abc\t0\t1\r\n"                   // not a number
                                          "40\t-3\t1\r\n"                   // negative value
                                          "41\t7\r\n"                       // two fields
                                          "42\t\t\t1\t\t4\r\n"              // runs of TABs are one separator
                                          "\t43\t2\t5\textra\r\n" +         // leading TAB, a fourth field
                                          std::string(300, '9') + "\t0\t1\r\n" // too long
                                          "44\t0\t6\n"                      // LF alone
                                          "99999999999\t0\t1\r\n"           // beyond a trace number
                                          "45\t0\t7");                      // cut off: no line end
    EXPECT_EQ(ReadMarkers(markers.m_strPath), (std::vector<MarkerValues>{{42, 1, 4}, {43, 2, 5}, {44, 0, 6}}));
}

TEST_F(MarkerFileTest, LineOfExactly253CharactersIsStillRead)
{
    const std::string line = "7\t0\t3\t" + std::string(253 - 6, 'x');
    ASSERT_EQ(line.size(), 253u);
    WriteFileBytes(markers.m_strPath, kHeader + line + "\r\n" + "8\t0\t3\t" + std::string(248, 'y') + "\r\n");
    EXPECT_EQ(ReadMarkers(markers.m_strPath), (std::vector<MarkerValues>{{7, 0, 3}}));
}

TEST_F(MarkerFileTest, PendingMarkerIsKeptOnceAndAppendedAtClose)
{
    ASSERT_EQ(markers.Create(), 0);
    ASSERT_EQ(markers.AddMarker(5, 0, 1), 0);
    ASSERT_EQ(markers.AddMarker(100, 3, CMarker::kPending), 0);
    ASSERT_EQ(markers.AddMarker(1234567, 4, CMarker::kPending), 0);
    EXPECT_EQ(markers.GetMarkers().size(), 2u);
    EXPECT_EQ(ReadFileBytes(markers.m_strPath), kHeader + "5\t0\t1\r\n") << "a pending marker is not written at once";
    markers.Close(true);
    EXPECT_EQ(ReadFileBytes(markers.m_strPath), kHeader + "5\t0\t1\r\n1234567\t0004\t-1\r\n");
    EXPECT_EQ(ReadMarkers(markers.m_strPath), (std::vector<MarkerValues>{{5, 0, 1}, {1234567, 4, CMarker::kPending}}));
}

TEST_F(MarkerFileTest, WithoutAFileMarkersAreKeptAndReported)
{
    EXPECT_EQ(markers.AddMarker(3, 0, 2), 6);
    EXPECT_EQ(Values(markers), (std::vector<MarkerValues>{{3, 0, 2}}));
    markers.Clear();
    EXPECT_TRUE(markers.GetMarkers().empty());
}

TEST_F(MarkerFileTest, CreateNeverOverwritesAnExistingFile)
{
    WriteFileBytes(markers.m_strPath, kHeader + "9\t0\t9\r\n");
    EXPECT_EQ(markers.Create(), 5);
    EXPECT_FALSE(markers.IsOpen());
    EXPECT_EQ(ReadFileBytes(markers.m_strPath), kHeader + "9\t0\t9\r\n");
    markers.m_strPath = dir.file("missing/folder/x.mrk");
    EXPECT_EQ(markers.Create(), 5);
    EXPECT_EQ(markers.Read(), 5);
}

TEST_F(MarkerFileTest, FullDiskLeavesOnlyWholeLines)
{
    ASSERT_EQ(markers.Create(), 0);
    ASSERT_EQ(markers.AddMarker(1, 0, 1), 0);
    int failed;
    {
        FileSizeLimit limit(30); // 20 header bytes and "1\t0\t1\r\n" fit, the next line only partly
        ASSERT_TRUE(limit.ok());
        failed = markers.AddMarker(123456, 0, 2);
    }
    EXPECT_EQ(failed, 6);
    EXPECT_EQ(ReadFileBytes(markers.m_strPath), kHeader + "1\t0\t1\r\n");
    EXPECT_EQ(markers.GetMarkers().size(), 2u) << "the marker stays in memory";
    ASSERT_EQ(markers.AddMarker(7, 0, 3), 0) << "with room again, writing goes on";
    markers.Close(true);
    EXPECT_EQ(ReadMarkers(markers.m_strPath), (std::vector<MarkerValues>{{1, 0, 1}, {7, 0, 3}}));
}

TEST_F(SensorFileTest, RecordsReachTheFileAsWritten)
{
    ASSERT_EQ(em.Create(), 0);
    EXPECT_TRUE(em.IsOpen());
    ASSERT_EQ(em.WriteRecord(0, 1003, 5, 3, 2), 0);
    EXPECT_EQ(ReadFileBytes(em.m_strPath), "0\t1003\t5\t3\t2\r\n");
    ASSERT_EQ(em.WriteRecord(1, -8192, 8191, -1, 0), 0);
    EXPECT_EQ(ReadFileBytes(em.m_strPath), "0\t1003\t5\t3\t2\r\n1\t-8192\t8191\t-1\t0\r\n");
    EXPECT_EQ(em.GetCount(), 2);
    EXPECT_EQ(em.GetValues(2)[1], 8191);
}

TEST_F(SensorFileTest, ReadTakesFiveNumbersPerRecordAndDropsTheRest)
{
    WriteFileBytes(em.m_strPath, "0 1 2 3 4\n5 6 7\n");
    ASSERT_EQ(em.Read(), 0);
    ASSERT_EQ(em.GetCount(), 1);
    EXPECT_EQ(em.GetValues(1)[0], 1);
    EXPECT_EQ(em.GetValues(4)[0], 4);

    WriteFileBytes(em.m_strPath, "x\t70000\t99999999999999999999999\t-3junk\t12\r\n");
    ASSERT_EQ(em.Read(), 0);
    ASSERT_EQ(em.GetCount(), 1);
    EXPECT_EQ(em.GetValues(1)[0], static_cast<std::int16_t>(70000)) << "numbers keep their low 16 bits";
    EXPECT_EQ(em.GetValues(2)[0], -1) << "an overlong number saturates before it is cut";
    EXPECT_EQ(em.GetValues(3)[0], -3);
    EXPECT_EQ(em.GetValues(4)[0], 12);

    em.m_strPath = dir.file("absent.em");
    EXPECT_EQ(em.Read(), 5);
    EXPECT_EQ(em.GetCount(), 0);
}

TEST_F(SensorFileTest, DisplayValuesAreSignedLogarithmsOfThreeRecordMeans)
{
    EXPECT_EQ(em.GetLogDiff13(0), 0.0f) << "no record";
    em.AddRecord(1003, 10, 3, 10);
    EXPECT_NEAR(em.GetLogDiff13(0), std::log10(1000.0 / 3.0), 1e-5);
    EXPECT_EQ(em.GetLogDiff24(0), 0.0f);
    em.AddRecord(0, 0, 2000, 3000);
    em.AddRecord(0, 0, 1000, 0);
    // Records 0..2: (1000 - 2000 - 1000) / 3 and (0 - 3000 + 0) / 3.
    EXPECT_NEAR(em.GetLogDiff13(2), -std::log10(2000.0 / 3.0), 1e-5);
    EXPECT_NEAR(em.GetLogDiff24(2), -std::log10(1000.0), 1e-5);
    em.AddRecord(3, 0, 0, 0);
    EXPECT_NEAR(em.GetLogDiff13(3), -std::log10(2997.0 / 3.0), 1e-5) << "only the last three records";
    EXPECT_EQ(em.GetLogDiff13(4), 0.0f) << "an index past the records";
    EXPECT_EQ(em.GetLogDiff24(1000000), 0.0f);
    EXPECT_EQ(em.GetLogDiff13(-1), 0.0f);
}

TEST_F(SensorFileTest, WithoutAFileRecordsAreKeptAndReported)
{
    EXPECT_EQ(em.WriteRecord(4, 1, 2, 3, 4), 6);
    EXPECT_EQ(em.GetCount(), 1);
    WriteFileBytes(em.m_strPath, "earlier set\r\n");
    EXPECT_EQ(em.Create(), 5) << "an existing file is not overwritten";
    EXPECT_EQ(ReadFileBytes(em.m_strPath), "earlier set\r\n");
}

TEST_F(SensorFileTest, FullDiskLeavesOnlyWholeLines)
{
    ASSERT_EQ(em.Create(), 0);
    ASSERT_EQ(em.WriteRecord(0, 1, 1, 1, 1), 0); // 11 bytes
    int failed;
    {
        FileSizeLimit limit(16);
        ASSERT_TRUE(limit.ok());
        failed = em.WriteRecord(1, 1000, 1000, 1000, 1000);
    }
    EXPECT_EQ(failed, 6);
    EXPECT_EQ(ReadFileBytes(em.m_strPath), "0\t1\t1\t1\t1\r\n");
    EXPECT_EQ(em.GetCount(), 2);
}

TEST_F(SensorFileTest, ReadersUnderTheLockSeeWholeRecords)
{
    ASSERT_EQ(em.Create(), 0);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int t = 0; t < 20000; ++t)
            em.WriteRecord(t, 1, 2, 3, 4);
        done = true;
    });
    int seen = 0;
    bool consistent = true;
    while (!done) {
        std::lock_guard<std::recursive_mutex> guard(em.GetLock());
        const std::size_t n = em.GetValues(1).size();
        consistent = consistent && em.GetValues(2).size() == n && em.GetValues(3).size() == n &&
                     em.GetValues(4).size() == n;
        if (n > 0)
            consistent = consistent && em.GetLogDiff24(static_cast<int>(n) - 1) != 0.0f;
        seen = static_cast<int>(n);
    }
    writer.join();
    EXPECT_TRUE(consistent);
    EXPECT_LE(seen, 20000);
    EXPECT_EQ(em.GetCount(), 20000);
}

namespace {

struct UnreadableCase {
    const char* what;
    std::string path;
};

// Files that open but cannot be read. The kernel's view of this process's memory is a regular
// file whose first page cannot be read: a read error as a failing disk gives.
std::vector<UnreadableCase> UnreadableFiles(const TempDir& dir)
{
    const std::string folder = dir.file("folder");
    EXPECT_TRUE(std::filesystem::create_directory(folder));
    return {{"a folder in the file's place", folder}, {"a read error", "/proc/self/mem"}};
}

} // namespace

TEST_F(MarkerFileTest, ReadErrorFailsTheReadAndKeepsNoMarker)
{
    for (const UnreadableCase& c : UnreadableFiles(dir)) {
        markers.AddMarker(5, 0, 1);
        markers.m_strPath = c.path;
        EXPECT_EQ(markers.Read(), 5) << c.what;
        EXPECT_TRUE(markers.GetMarkers().empty()) << c.what;
        EXPECT_FALSE(markers.IsOpen()) << c.what;
    }
}

TEST_F(SensorFileTest, ReadErrorFailsTheReadAndKeepsNoRecord)
{
    for (const UnreadableCase& c : UnreadableFiles(dir)) {
        em.AddRecord(1, 2, 3, 4);
        em.m_strPath = c.path;
        EXPECT_EQ(em.Read(), 5) << c.what;
        EXPECT_EQ(em.GetCount(), 0) << c.what;
        EXPECT_FALSE(em.IsOpen()) << c.what;
    }
}
