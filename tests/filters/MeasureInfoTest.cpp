// The measurement description: its record, the program's copy, and the cache that keeps the
// radargram from reading the header on every redraw.
#include "filters/MeasureInfo.h"
#include "filters/MeasureInfoCache.h"
#include "model/RadHeader.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// A reader that counts its calls and describes every file by its size.
struct CountingReader {
    int calls = 0;
    bool fails = false;
    MeasureInfoCache::Reader reader()
    {
        return [this](const std::string& path, MeasureInfo& info) {
            ++calls;
            if (fails)
                return false;
            info.samplesPerTrace = static_cast<std::int32_t>(ReadFileBytes(path).size());
            info.samplingFrequency = 1000;
            return true;
        };
    }
};

void SetModified(const std::string& path, time_t seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

} // namespace

TEST(CMeasureInfo, StartsZeroedAndKeepsItselfWhenLoadFails)
{
    CMeasureInfo info;
    const MeasureInfo zero = info.GetInfo();
    EXPECT_EQ(zero.samplesPerTrace, 0);
    EXPECT_EQ(zero.traces, 0);
    EXPECT_EQ(zero.samplingFrequency, 0.0);
    EXPECT_EQ(zero.validSamples, 0);

    info.SetSamplesPerTrace(2048);
    info.SetTraceCount(17);
    TempDir dir;
    EXPECT_EQ(info.Load(dir.file("missing.rad")), 0);
    EXPECT_EQ(info.GetSamplesPerTrace(), 2048);
    EXPECT_EQ(info.GetTraceCount(), 17);
    MeasureInfo record{};
    record.samplesPerTrace = 5;
    EXPECT_EQ(MeasureInfoLoad(&record, dir.file("missing.rad").c_str()), 0);
    EXPECT_EQ(record.samplesPerTrace, 5);
    EXPECT_EQ(MeasureInfoLoad(nullptr, dir.file("missing.rad").c_str()), 0);
    EXPECT_EQ(MeasureInfoLoad(&record, nullptr), 0);
}

TEST(MeasureInfoCache, ReadsAgainOnlyWhenTheFileChanges)
{
    TempDir dir;
    const std::string a = dir.file("a.rad"), b = dir.file("b.rad");
    WriteFileBytes(a, "1234");
    WriteFileBytes(b, "123456");
    SetModified(a, 1000000);
    CountingReader counter;
    MeasureInfoCache cache(counter.reader());
    MeasureInfo info{};

    ASSERT_TRUE(cache.load(a, info));
    EXPECT_EQ(info.samplesPerTrace, 4);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(cache.load(a, info));
    EXPECT_EQ(counter.calls, 1);

    // rewritten with the same size: the modification time tells
    WriteFileBytes(a, "5678");
    SetModified(a, 1000001);
    ASSERT_TRUE(cache.load(a, info));
    EXPECT_EQ(counter.calls, 2);

    // another header in between
    ASSERT_TRUE(cache.load(b, info));
    EXPECT_EQ(info.samplesPerTrace, 6);
    ASSERT_TRUE(cache.load(a, info));
    EXPECT_EQ(info.samplesPerTrace, 4);
    EXPECT_EQ(counter.calls, 4);

    // replaced by another file of the same size and time
    WriteFileBytes(dir.file("new"), "abcd");
    SetModified(dir.file("new"), 1000001);
    ASSERT_EQ(std::rename(dir.file("new").c_str(), a.c_str()), 0);
    ASSERT_TRUE(cache.load(a, info));
    EXPECT_EQ(counter.calls, 5);
}

TEST(MeasureInfoCache, MissingFileOrFailedReadLeavesTheDescription)
{
    TempDir dir;
    const std::string a = dir.file("a.rad");
    WriteFileBytes(a, "1234");
    CountingReader counter;
    MeasureInfoCache cache(counter.reader());
    MeasureInfo info{};
    ASSERT_TRUE(cache.load(a, info));

    MeasureInfo kept{};
    kept.samplesPerTrace = 99;
    ASSERT_EQ(std::remove(a.c_str()), 0);
    EXPECT_FALSE(cache.load(a, kept));
    EXPECT_EQ(kept.samplesPerTrace, 99);
    EXPECT_FALSE(cache.load(dir.path(), kept)) << "a folder";
    EXPECT_FALSE(cache.load("", kept));

    WriteFileBytes(a, "1234");
    counter.fails = true;
    EXPECT_FALSE(cache.load(a, kept));
    EXPECT_FALSE(cache.load(a, kept)) << "a failed read is not cached as a success";
    EXPECT_EQ(counter.calls, 3);
    EXPECT_EQ(kept.samplesPerTrace, 99);
}

namespace {

const char* const kHeader = "SAMPLES:400\r\n"
                            "FREQUENCY:1000.000000\r\n"
                            "FREQUENCY STEPS:8\r\n"
                            "DISTANCE FLAG:1\r\n"
                            "TIME FLAG:0\r\n"
                            "PROGRAM FLAG:0\r\n"
                            "TIME INTERVAL: 0.000000\r\n"
                            "DISTANCE INTERVAL: 0.020000\r\n"
                            "ANTENNA SEPARATION: 0.500000\r\n"
                            "LAST TRACE:1234\r\n";

} // namespace

TEST(MeasureInfoLoad, DescribesTheHeader)
{
    TempDir dir;
    const std::string rad = dir.file("line_0001_A1.rad");
    WriteFileBytes(rad, kHeader);
    MeasureInfo info{};
    ASSERT_EQ(MeasureInfoLoad(&info, rad.c_str()), 1);
    EXPECT_EQ(info.samplesPerTrace, 400);
    EXPECT_EQ(info.traces, 1234);
    EXPECT_DOUBLE_EQ(info.samplingFrequency, 1000.0);
    EXPECT_DOUBLE_EQ(info.timeWindow, 400.0);
    EXPECT_DOUBLE_EQ(info.traceInterval, 0.02);
    EXPECT_FLOAT_EQ(static_cast<float>(info.antennaSeparation), 0.5f);
    EXPECT_EQ(info.validSamples, 400);
}

TEST(MeasureInfoLoad, TimeModeTakesTheTimeInterval)
{
    TempDir dir;
    const std::string rad = dir.file("time.rad");
    WriteFileBytes(rad, "SAMPLES:512\r\nFREQUENCY:2000.0\r\nTIME FLAG:1\r\nTIME INTERVAL: 0.250000\r\n"
                        "DISTANCE INTERVAL: 0.020000\r\n");
    MeasureInfo info{};
    ASSERT_EQ(MeasureInfoLoad(&info, rad.c_str()), 1);
    EXPECT_DOUBLE_EQ(info.traceInterval, 0.25);
    EXPECT_DOUBLE_EQ(info.timeWindow, 256.0);
    EXPECT_EQ(info.traces, 0);
}

TEST(MeasureInfoLoad, HeaderWithoutSamplesIsNoDescription)
{
    TempDir dir;
    MeasureInfo info{};
    info.samplesPerTrace = 77;
    for (const char* text : {"FREQUENCY:1000.0\r\n", "SAMPLES:0\r\n", "SAMPLES:-5\r\n", "SAMPLES:many\r\n", ""}) {
        WriteFileBytes(dir.file("bad.rad"), text);
        EXPECT_EQ(MeasureInfoLoad(&info, dir.file("bad.rad").c_str()), 0) << text;
        EXPECT_EQ(info.samplesPerTrace, 77);
    }
}

TEST(MeasureInfoLoad, RewrittenHeaderIsReadAgain)
{
    TempDir dir;
    const std::string rad = dir.file("line.rad");
    WriteFileBytes(rad, kHeader);
    SetModified(rad, 2000000);
    CMeasureInfo info;
    ASSERT_EQ(info.Load(rad), 1);
    EXPECT_EQ(info.GetTraceCount(), 1234);
    // the stop of a measurement rewrites the header with the final trace count
    std::string stopped = kHeader;
    stopped.replace(stopped.find("1234"), 4, "5678");
    WriteFileBytes(rad, stopped);
    SetModified(rad, 2000001);
    ASSERT_EQ(info.Load(rad), 1);
    EXPECT_EQ(info.GetTraceCount(), 5678);
    EXPECT_EQ(info.GetSamplesPerTrace(), 400);
}

TEST(MeasureInfoLoad, HeaderWrittenByTheDataSetReadsBack)
{
    TempDir dir;
    CRadHeader header;
    header.m_strPath = dir.file("written.rad");
    header.m_nSamples = 1024;
    header.m_nFrequencySteps = 8;
    header.m_dSystemCalibration = 1.0 / (8 * 4000.0); // 4000 MHz sampling
    header.m_fFrequency = 4000.0f;
    header.m_nTriggerMode = 0;
    header.m_dInterval = 0.05;
    header.m_nLastTrace = 99;
    ASSERT_EQ(header.Write(nullptr, 0, 0), 0);
    MeasureInfo info{};
    ASSERT_EQ(MeasureInfoLoad(&info, header.m_strPath.c_str()), 1);
    EXPECT_EQ(info.samplesPerTrace, 1024);
    EXPECT_EQ(info.traces, 99);
    EXPECT_DOUBLE_EQ(info.samplingFrequency, 4000.0);
    EXPECT_DOUBLE_EQ(info.timeWindow, 256.0);
    EXPECT_DOUBLE_EQ(info.traceInterval, 0.05);
}

TEST(MeasureInfoLoad, HeaderWithoutASampleIntervalGivesNoFrequency)
{
    TempDir dir;
    CRadHeader header;
    header.m_strPath = dir.file("unknown.rad");
    header.m_nSamples = 512;
    header.m_nFrequencySteps = 8;
    header.m_dSystemCalibration = 0;  // the unit gave no interval, so the data set says 1 MHz
    header.m_fFrequency = 1.0f;
    header.m_nLastTrace = 10;
    ASSERT_EQ(header.Write(nullptr, 0, 0), 0);
    ASSERT_NE(ReadFileBytes(header.m_strPath).find("FREQUENCY:   1.000000\r\n"), std::string::npos);
    MeasureInfo info{};
    ASSERT_EQ(MeasureInfoLoad(&info, header.m_strPath.c_str()), 1);
    EXPECT_EQ(info.samplesPerTrace, 512);
    EXPECT_EQ(info.samplingFrequency, 0.0);
    EXPECT_EQ(info.timeWindow, 0.0);
}
