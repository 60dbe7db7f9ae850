// The measurement description: its record, the program's copy, and the cache that keeps the
// radargram from reading the header on every redraw.
#include "filters/MeasureInfo.h"
#include "filters/MeasureInfoCache.h"
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

TEST(MeasureInfo, RecordLayout)
{
    EXPECT_EQ(sizeof(MeasureInfo), 48u);
    EXPECT_EQ(offsetof(MeasureInfo, traces), 4u);
    EXPECT_EQ(offsetof(MeasureInfo, samplingFrequency), 8u);
    EXPECT_EQ(offsetof(MeasureInfo, timeWindow), 16u);
    EXPECT_EQ(offsetof(MeasureInfo, traceInterval), 24u);
    EXPECT_EQ(offsetof(MeasureInfo, antennaSeparation), 32u);
    EXPECT_EQ(offsetof(MeasureInfo, validSamples), 40u);
    EXPECT_EQ(sizeof(FilterParam), 6 * sizeof(void*)) << "pointer-wide words";
}

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
