// The GPS logs, byte for byte.
#include "gps/AutomationDate.h"
#include "gps/GPSData.h"
#include "gps/GpsPositionSource.h"
#include "model/Profile.h"
#include "tests/gps/GpsTestSupport.h"
#include "tests/support/Limits.h"
#include "tests/support/TempDir.h"

#include <cmath>
#include <csignal>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";

class FakePositions : public GpsPositionSource {
public:
    CGPSFix CopyPublishedFix() const override { return fix; }
    std::string CopyPositionSentence() const override { return sentence; }

    CGPSFix fix;
    std::string sentence;
};

// The fix of the GGA example, as the receiver publishes it.
CGPSFix MunichFix()
{
    CGPSFix f;
    f.latitude = 48.1173;
    f.longitude = 11.0 + 31.0 / 60.0;
    f.altitude = 545.4;
    f.hdop = 0.9f;
    f.dateTime = AutomationDateFromCivil({2024, 5, 6, 12, 35, 19});
    f.ns = "N";
    f.ew = "E";
    return f;
}

CGPSFix SydneyFix()
{
    CGPSFix f;
    f.latitude = 33.8688;
    f.longitude = 151.2093;
    f.altitude = 58.0;
    f.hdop = 1.2f;
    f.dateTime = AutomationDateFromCivil({2024, 5, 6, 1, 2, 3});
    f.ns = "S";
    f.ew = "E";
    return f;
}

class GpsLogTest : public ::testing::Test {
protected:
    void UseFormat(int format) { profile.writeInt("GPS Settings", "Output format", format); }
    std::string DataFile(const std::string& name = "line_0003_A1.rd3") const { return dir.file(name); }

    TempDir dir;
    MemoryProfile profile;
    FakePositions positions;
};

} // namespace

TEST_F(GpsLogTest, NamedBesideTheDataFile)
{
    std::filesystem::create_directory(dir.file("survey.2024"));
    const std::string rd3 = dir.file("survey.2024/line_0003_A1.rd3");
    const std::string stem = dir.file("survey.2024/line_0003_A1");
    KGPSData log(profile, positions);
    const char* extensions[] = {".cor", ".fri", ".utm", ".gga"};
    for (int format = 0; format < 4; ++format) {
        UseFormat(format);
        log.SetFileName(rd3);
        EXPECT_EQ(log.GetFileName(), stem + extensions[format]);
    }
    profile.writeInt("GPS Settings", "Output format", 4);
    log.SetFileName(rd3);
    EXPECT_EQ(log.GetFileName(), stem) << "an unknown format has no extension";
    log.SetFileName(dir.file("survey.2024/line_0004.rd3"));
    EXPECT_EQ(log.GetFileName(), dir.file("survey.2024/line_0004"));
    UseFormat(0);
    log.SetFileName(dir.file("survey.2024/line_0004.rd3"));
    EXPECT_EQ(log.GetFileName(), dir.file("survey.2024/line_0004.cor")) << "a unit without slots";
}

// Each log format byte for byte: the fixes written at traces 17, 18, ... and the file they give.
TEST_F(GpsLogTest, RecordsOfEachFormatByteForByte)
{
    CGPSFix undated = MunichFix();
    undated.dateTime = 0;
    undated.altitude = -12.3456;
    CGPSFix tsip = MunichFix();  // a TSIP fix has no hemisphere letters: the sign tells
    tsip.ns = tsip.ew = "";
    tsip.longitude = -tsip.longitude;
    CGPSFix west = SydneyFix();
    west.ew = "W";
    struct Case {
        int format;
        const char* extension;
        std::vector<CGPSFix> fixes;
        std::string bytes;
    };
    const Case cases[] = {
        {0, ".cor", {MunichFix(), undated},
         "17\t2024-05-06\t12:35:19\t48.11730000000\tN\t11.51666666667\tE\t545.400\tM\t0.900\r\n"
         "18\t1899-12-30\t00:00:00\t48.11730000000\tN\t11.51666666667\tE\t-12.346\tM\t0.900\r\n"},
        {0, ".cor", {tsip}, "17\t2024-05-06\t12:35:19\t48.11730000000\t\t-11.51666666667\t\t545.400\tM\t0.900\r\n"},
        {1, ".fri", {MunichFix(), SydneyFix(), west},
         "EU89-Geodetisk,P,G,HE\r\n"
         "17 48.11730000000 11.51666666667 545.40\r\n"
         "18 -33.86880000000 151.20930000000 58.00\r\n"
         "19 -33.86880000000 -151.20930000000 58.00\r\n"},
        {2, ".utm", {MunichFix(), SydneyFix()},
         "17\t5332401.24\t687299.58\t545.400\t32U\r\n"
         "18\t6250948.35\t334368.63\t58.000\t56H\r\n"},
    };
    for (const Case& c : cases) {
        TempDir own;
        UseFormat(c.format);
        KGPSData log(profile, positions);
        log.SetFileName(own.file("line_0003_A1.rd3"));
        ASSERT_EQ(log.Open(0), 1);
        std::int32_t trace = 17;
        for (const CGPSFix& f : c.fixes) {
            positions.fix = f;
            EXPECT_EQ(log.WriteRecord(trace++), KGPSData::kWritten);
        }
        log.Close();
        EXPECT_EQ(ReadFileBytes(own.file(std::string("line_0003_A1") + c.extension)), c.bytes) << c.format;
    }
}

TEST_F(GpsLogTest, FriTitleOnlyForADataSetStartingAtZero)
{
    UseFormat(1);
    positions.fix = MunichFix();
    KGPSData log(profile, positions);
    log.SetFileName(DataFile());
    ASSERT_EQ(log.Open(250), 1);
    log.WriteRecord(251);
    log.Close();
    EXPECT_EQ(ReadFileBytes(dir.file("line_0003_A1.fri")), "251 48.11730000000 11.51666666667 545.40\r\n");
    // An existing log is appended to; starting at 0 again writes the title again.
    ASSERT_EQ(log.Open(0), 1);
    log.Close();
    EXPECT_EQ(ReadFileBytes(dir.file("line_0003_A1.fri")),
              "251 48.11730000000 11.51666666667 545.40\r\nEU89-Geodetisk,P,G,HE\r\n");
}

TEST_F(GpsLogTest, GgaRecordsCarryTheSentence)
{
    UseFormat(3);
    positions.fix = MunichFix();
    positions.sentence = kGga;
    KGPSData log(profile, positions);
    log.SetFileName(DataFile());
    ASSERT_EQ(log.Open(0), 1);
    EXPECT_TRUE(log.WantsRecord(0)) << "every sentence, new traces or not";
    log.WriteRecord(17);
    EXPECT_EQ(log.GetLastTrace(), 18);
    EXPECT_TRUE(log.WantsRecord(17));
    log.WriteRecord(17);
    EXPECT_TRUE(log.WantsRecord(18)) << "also when exactly one trace arrived";
    log.WriteRecord(18);
    log.Close();
    EXPECT_EQ(ReadFileBytes(dir.file("line_0003_A1.gga")), "17," + kGga + "\r\n17," + kGga + "\r\n18," + kGga + "\r\n");
}

TEST_F(GpsLogTest, OneRecordPerTraceCountForTheOtherFormats)
{
    UseFormat(0);
    positions.fix = MunichFix();
    KGPSData log(profile, positions);
    EXPECT_FALSE(log.WantsRecord(1)) << "not open";
    log.SetFileName(DataFile());
    ASSERT_EQ(log.Open(0), 1);
    EXPECT_FALSE(log.WantsRecord(0));
    EXPECT_TRUE(log.WantsRecord(1));
    log.WriteRecord(1);
    EXPECT_FALSE(log.WantsRecord(1));
    EXPECT_TRUE(log.WantsRecord(2));
}

TEST_F(GpsLogTest, NoPositionNoRecordButTheTraceIsSpent)
{
    for (int format = 0; format < 4; ++format) {
        TempDir own;
        UseFormat(format);
        positions.fix = CGPSFix{};
        positions.sentence = kGga;
        KGPSData log(profile, positions);
        log.SetFileName(own.file("line_0001.rd3"));
        ASSERT_EQ(log.Open(5), 1);
        EXPECT_EQ(log.WriteRecord(9), KGPSData::kWritten);
        EXPECT_EQ(log.GetLastTrace(), format == 3 ? 10 : 9);
        positions.fix = MunichFix();
        positions.fix.longitude = std::nan("");
        EXPECT_EQ(log.WriteRecord(10), KGPSData::kWritten);
        log.Close();
        EXPECT_EQ(ReadFileBytes(log.GetFileName()), "") << "format " << format;
    }
}

TEST_F(GpsLogTest, UnknownFormatWritesNothing)
{
    profile.writeInt("GPS Settings", "Output format", 4);
    positions.fix = MunichFix();
    KGPSData log(profile, positions);
    log.SetFileName(DataFile());
    ASSERT_EQ(log.Open(0), 1);
    EXPECT_EQ(log.WriteRecord(3), KGPSData::kWritten);
    log.Close();
    EXPECT_EQ(ReadFileBytes(dir.file("line_0003_A1")), "");
}

TEST_F(GpsLogTest, SecondOpenKeepsTheLogAsItIs)
{
    UseFormat(1);
    positions.fix = MunichFix();
    KGPSData log(profile, positions);
    log.SetFileName(DataFile());
    ASSERT_EQ(log.Open(0), 1);
    log.WriteRecord(1);
    EXPECT_EQ(log.Open(0), 0);
    EXPECT_TRUE(log.IsOpen());
    log.WriteRecord(2);
    log.Close();
    EXPECT_EQ(ReadFileBytes(dir.file("line_0003_A1.fri")),
              "EU89-Geodetisk,P,G,HE\r\n1 48.11730000000 11.51666666667 545.40\r\n"
              "2 48.11730000000 11.51666666667 545.40\r\n");
}

TEST_F(GpsLogTest, ANewDataSetNeverWritesIntoThePreviousLog)
{
    UseFormat(0);
    positions.fix = MunichFix();
    KGPSData log(profile, positions);
    log.SetFileName(DataFile("line_0003_A1.rd3"));
    ASSERT_EQ(log.Open(0), 1);
    log.WriteRecord(1);
    // The next data set is named while the log is still open (a start without traces).
    log.SetFileName(DataFile("line_0004_A1.rd3"));
    EXPECT_EQ(log.Open(0), 1);
    log.WriteRecord(1);
    log.Close();
    const std::string record = "1\t2024-05-06\t12:35:19\t48.11730000000\tN\t11.51666666667\tE\t545.400\tM\t0.900\r\n";
    EXPECT_EQ(ReadFileBytes(dir.file("line_0003_A1.cor")), record);
    EXPECT_EQ(ReadFileBytes(dir.file("line_0004_A1.cor")), record);
}

TEST_F(GpsLogTest, ClosedOrUnopenableLogsTakeNoRecords)
{
    KGPSData log(profile, positions);
    positions.fix = MunichFix();
    log.Close(); // never opened: harmless
    EXPECT_EQ(log.WriteRecord(1), KGPSData::kNotOpen);
    EXPECT_EQ(log.Open(0), 0) << "never named";
    log.SetFileName(dir.file("missing-folder/line_0001.rd3"));
    EXPECT_EQ(log.Open(0), 0);
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(log.WriteRecord(1), KGPSData::kNotOpen);
    log.SetFileName(DataFile());
    ASSERT_EQ(log.Open(7), 1);
    EXPECT_EQ(log.GetLastTrace(), 7);
    log.Close();
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(log.WriteRecord(8), KGPSData::kNotOpen);
}

TEST_F(GpsLogTest, AFolderThatRefusesWritingIsReportedAsNotOpened)
{
    const std::string folder = dir.file("locked");
    std::filesystem::create_directory(folder);
    chmod(folder.c_str(), 0555);
    chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(RunUnprivileged([&] {
                  KGPSData log(profile, positions);
                  log.SetFileName(folder + "/line_0001.rd3");
                  return log.Open(0) == 0 && log.WriteRecord(1) == KGPSData::kNotOpen ? 0 : 1;
              }),
              0);
}

TEST_F(GpsLogTest, AFullDiskLeavesOnlyWholeLines)
{
    UseFormat(0);
    positions.fix = MunichFix();
    KGPSData log(profile, positions);
    log.SetFileName(DataFile());
    ASSERT_EQ(log.Open(0), 1);
    ASSERT_EQ(log.WriteRecord(1), KGPSData::kWritten);
    const std::string one = ReadFileBytes(log.GetFileName());

    int full = 0;
    {
        FileSizeLimit limit(one.size() + 20); // room for part of a record only
        ASSERT_TRUE(limit.ok());
        full = log.WriteRecord(2);
    }

    EXPECT_EQ(full, KGPSData::kWriteFailed);
    EXPECT_EQ(ReadFileBytes(log.GetFileName()), one) << "no half record stays behind";
    EXPECT_EQ(log.WriteRecord(3), KGPSData::kWritten) << "room again";
    log.Close();
    const std::string all = ReadFileBytes(log.GetFileName());
    EXPECT_EQ(all.substr(one.size(), 2), "3\t");
    EXPECT_EQ(all.size(), 2 * one.size());
}

