#include "model/ChannelData.h"
#include "model/MeaBuf.h"
#include "model/STrace.h"
#include "model/TraceCache.h"
#include "tests/model/DataSetTestSupport.h"
#include "tests/support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

CSTrace TraceOf(std::initializer_list<int> samples)
{
    CSTrace t(static_cast<int>(samples.size()));
    int i = 0;
    for (int s : samples)
        t[i++] = static_cast<std::int16_t>(s);
    return t;
}

CSTrace FilledTrace(int count, std::int16_t value)
{
    CSTrace t(count);
    for (int i = 0; i < count; ++i)
        t[i] = value;
    return t;
}

// A channel whose .rd3 file holds `traces` pattern traces of `samples` samples.
class StoredChannel {
public:
    StoredChannel(const TempDir& dir, const std::string& name, int traces, int samples)
    {
        channel.m_strFullPath = dir.file(name);
        EXPECT_EQ(channel.CreateFile(), 0);
        channel.m_Header.m_nSamples = samples;
        for (int t = 0; t < traces; ++t)
            EXPECT_EQ(channel.AppendTrace(PatternTrace(t, samples).data(), samples), 0);
        channel.m_Header.m_nLastTrace = traces;
    }
    CChannelData channel;
};

bool HoldsTrace(const std::int16_t* entry, int t, int samples)
{
    for (int j = 0; j < samples; ++j)
        if (entry[j] != PatternSample(t, j))
            return false;
    return true;
}

} // namespace

TEST(STrace, MeanIsTruncatedTowardZero)
{
    EXPECT_EQ(TraceOf({-3, 0}).GetMean(), -1);
    EXPECT_EQ(TraceOf({3, 4}).GetMean(), 3);
    EXPECT_EQ(CSTrace(0).GetMean(), 0);
    EXPECT_EQ(FilledTrace(2048, 32767).GetMean(), 32767) << "the sum of a full trace must not overflow";
    EXPECT_EQ(FilledTrace(2048, -32768).GetMean(), -32768);
}

TEST(STrace, AssignmentCopiesTheShorterLengthAndKeepsItsOwnCount)
{
    CSTrace big = FilledTrace(2048, 9);
    big = FilledTrace(400, -5);
    EXPECT_EQ(big.GetCount(), 2048);
    EXPECT_EQ(big[0], -5);
    EXPECT_EQ(big[399], -5);
    EXPECT_EQ(big[400], 9) << "samples past the shorter trace are kept";
    EXPECT_EQ(big[2047], 9);

    CSTrace small = FilledTrace(400, 1);
    small = FilledTrace(2048, 7);
    EXPECT_EQ(small.GetCount(), 400);
    EXPECT_EQ(small[399], 7);
}

TEST(STrace, ResizeZeroesAndKeepsWithinTheTraceLimit)
{
    CSTrace t = FilledTrace(10, 4);
    t.Resize(20);
    EXPECT_EQ(t.GetCount(), 20);
    EXPECT_EQ(t[0], 0);
    t.Resize(-5);
    EXPECT_EQ(t.GetCount(), 0);
    t.Resize(5000);
    EXPECT_EQ(t.GetCount(), 2048);
    t = FilledTrace(2048, 2);
    t.Zero();
    EXPECT_EQ(t.GetMean(), 0);
    EXPECT_EQ(t[2047], 0);
}

TEST(STrace, ReadTakesLittleEndianSamplesAndReturnsTheBytesRead)
{
    TempDir dir;
    WriteFileBytes(dir.file("t"), std::string("\x01\x80\xff\x7f\x02", 5));
    int fd = ::open(dir.file("t").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    CSTrace t(4);
    EXPECT_EQ(t.Read(fd), 5);
    ::close(fd);
    EXPECT_EQ(t[0], -32767);
    EXPECT_EQ(t[1], 32767);
}

TEST(MeaBuf, FiveHundredStoresWithoutHandOffKeep499AndLoseTheFirst)
{
    CMeaBuf queue;
    for (int t = 0; t < 500; ++t)
        queue.Store(PatternTrace(t, 100).data(), 100);
    EXPECT_EQ(queue.GetCount(), 499);
    EXPECT_EQ(queue.GetReadIndex(), 1);
    EXPECT_TRUE(HoldsTrace(queue.Row(queue.GetReadIndex()), 1, 100)) << "the oldest queued trace is the second one";
}

TEST(MeaBuf, CountStaysRightOnceTheIndicesHaveWrapped)
{
    CMeaBuf queue;
    for (int t = 0; t < 700; ++t)
        queue.Store(PatternTrace(t, 50).data(), 50);
    EXPECT_EQ(queue.GetWriteIndex(), 200);
    EXPECT_EQ(queue.GetReadIndex(), 201);
    EXPECT_EQ(queue.GetCount(), 499);
    // The consumer walks read, read + 1, ... across the end of the rows.
    const int first = queue.GetReadIndex();
    for (int i = 0; i < queue.GetCount(); ++i)
        ASSERT_TRUE(HoldsTrace(queue.Row(first + i), 201 + i, 50)) << "row " << first + i;
    queue.Reset();
    EXPECT_EQ(queue.GetCount(), 0);
}

TEST(MeaBuf, StoreZeroesThePartOfTheRowTheTraceDoesNotCover)
{
    CMeaBuf queue;
    std::vector<std::int16_t> full(2048, 5), shorter(100, 6);
    queue.Store(full.data(), 2048);
    for (int i = 0; i < 499; ++i)
        queue.Store(full.data(), 2048);
    queue.Reset();
    queue.Store(shorter.data(), 100);
    EXPECT_EQ(queue.Row(0)[99], 6);
    EXPECT_EQ(queue.Row(0)[100], 0);
    EXPECT_EQ(queue.Row(0)[2047], 0);
    // A producer that fills the row itself leaves the whole row to be cleared next time.
    std::fill(queue.Row(queue.GetWriteIndex()), queue.Row(queue.GetWriteIndex()) + 2048, 4);
    queue.AdvanceWrite();
    for (int i = 0; i < 500; ++i) // round to row 1 again
        queue.Store(shorter.data(), 100);
    EXPECT_EQ(queue.Row(1)[99], 6);
    EXPECT_EQ(queue.Row(1)[100], 0);
    EXPECT_EQ(queue.Row(1)[2047], 0);
    queue.Reset();
    queue.Store(shorter.data(), 100);
    std::vector<std::int16_t> tooLong(5000, 8);
    queue.Store(tooLong.data(), 5000); // more than a row: cut to the row
    EXPECT_EQ(queue.Row(1)[2047], 8);
    EXPECT_EQ(queue.Row(2)[0], 6) << "the next row keeps what it held";
}

TEST(TraceCache, StartsEmptyAndAddsIntoAWindowOf2000)
{
    CTraceCache cache;
    EXPECT_EQ(cache.GetNewest(), -1);
    EXPECT_EQ(cache.GetFirst(), 0);
    EXPECT_EQ(cache.GetLast(), -1);
    cache.SetMeasuringQuery([] { return true; });
    for (int t = 0; t < 2500; ++t) {
        CSTrace trace(100);
        for (int j = 0; j < 100; ++j)
            trace[j] = PatternSample(t, j);
        cache.AddTrace(trace);
    }
    EXPECT_EQ(cache.GetFirst(), 500);
    EXPECT_EQ(cache.GetLast(), 2499);
    EXPECT_EQ(cache.GetNewest(), 499);
    EXPECT_TRUE(HoldsTrace(cache.GetTrace(2499), 2499, 100));
    EXPECT_TRUE(HoldsTrace(cache.GetTrace(500), 500, 100));
    EXPECT_TRUE(HoldsTrace(cache.GetTrace(1234), 1234, 100));
}

TEST(TraceCache, OutsideTheWindowWhileMeasuringNeitherReloadsNorReadsOutOfBounds)
{
    TempDir dir;
    StoredChannel stored(dir, "c.rd3", 3000, 64);
    CTraceCache& cache = stored.channel.GetTraceCache();
    bool measuring = true;
    cache.SetMeasuringQuery([&] { return measuring; });
    for (int t = 0; t < 2500; ++t)
        cache.AddTrace(CSTrace(64));
    cache.GetTrace(100);
    EXPECT_EQ(cache.GetFirst(), 500) << "no reload while measuring";
    cache.GetTrace(2500 + 123456);  // far past the newest trace: some entry, not a crash
    cache.GetTrace(-7);

    CTraceCache empty;
    empty.SetMeasuringQuery([] { return true; });
    empty.GetTrace(2000);
    empty.GetTrace(0);

    measuring = false;
    EXPECT_TRUE(HoldsTrace(cache.GetTrace(100), 100, 64));
    EXPECT_EQ(cache.GetFirst(), 0) << "once idle, a trace outside the window reloads it";
    EXPECT_EQ(cache.GetLast(), 1999);
}

TEST(TraceCache, ReloadCentresTheWindowAndEndsAtTheTraceCount)
{
    TempDir dir;
    StoredChannel stored(dir, "c.rd3", 3000, 400);
    CTraceCache& cache = stored.channel.GetTraceCache();
    cache.Reload(2500);
    EXPECT_EQ(cache.GetFirst(), 1500);
    EXPECT_EQ(cache.GetLast(), 2999);
    EXPECT_TRUE(HoldsTrace(cache.GetTrace(1500), 1500, 400));
    EXPECT_TRUE(HoldsTrace(cache.GetTrace(2999), 2999, 400));
    cache.Reload(300);
    EXPECT_EQ(cache.GetFirst(), 0);
    EXPECT_EQ(cache.GetLast(), 1999);
    EXPECT_TRUE(HoldsTrace(cache.GetTrace(1999), 1999, 400));
    EXPECT_FALSE(cache.TakeReadError());

    StoredChannel small(dir, "s.rd3", 100, 400);
    small.channel.GetTraceCache().Reload(50);
    EXPECT_EQ(small.channel.GetTraceCache().GetFirst(), 0);
    EXPECT_EQ(small.channel.GetTraceCache().GetLast(), 99);
}

TEST(TraceCache, EntriesHoldOnlyTheTraceSamplesAfterAReload)
{
    TempDir dir;
    StoredChannel stored(dir, "c.rd3", 10, 400);
    CTraceCache& cache = stored.channel.GetTraceCache();
    CSTrace loud = FilledTrace(2048, 1111);
    for (int t = 0; t < 2000; ++t)
        cache.AddTrace(loud);
    cache.Reload(3);
    const std::int16_t* entry = cache.GetTrace(3);
    EXPECT_TRUE(HoldsTrace(entry, 3, 400));
    EXPECT_EQ(entry[400], 0) << "no sample of an earlier trace may show past the trace's end";
    EXPECT_EQ(entry[2047], 0);
}

TEST(TraceCache, FirstRequestAfterConstructionOrResetReadsTheFile)
{
    TempDir dir;
    StoredChannel stored(dir, "c.rd3", 50, 200);
    CTraceCache& cache = stored.channel.GetTraceCache();
    EXPECT_TRUE(HoldsTrace(cache.GetTrace(0), 0, 200));
    EXPECT_EQ(cache.GetLast(), 49);
    cache.Reset();
    EXPECT_EQ(cache.GetNewest(), -1);
    EXPECT_EQ(cache.GetLast(), -1);
    EXPECT_TRUE(HoldsTrace(cache.GetTrace(0), 0, 200));
    EXPECT_TRUE(HoldsTrace(cache.GetTrace(49), 49, 200));
}

TEST(TraceCache, EachWindowReadsItsOwnChannel)
{
    TempDir dir;
    StoredChannel a(dir, "a.rd3", 30, 100);
    StoredChannel b(dir, "b.rd3", 40, 300);
    EXPECT_TRUE(HoldsTrace(b.channel.GetTraceCache().GetTrace(35), 35, 300));
    EXPECT_TRUE(HoldsTrace(a.channel.GetTraceCache().GetTrace(5), 5, 100));
    EXPECT_EQ(a.channel.GetTraceCache().GetLast(), 29);
    EXPECT_EQ(b.channel.GetTraceCache().GetLast(), 39);
}

TEST(TraceCache, AFileShorterThanItsCountReadsZerosAndIsReportedOnce)
{
    TempDir dir;
    StoredChannel stored(dir, "c.rd3", 10, 100);
    stored.channel.m_Header.m_nLastTrace = 15; // the header promises more than the file holds
    CTraceCache& cache = stored.channel.GetTraceCache();
    const std::int16_t* missing = cache.GetTrace(12);
    EXPECT_EQ(cache.GetLast(), 14);
    EXPECT_EQ(missing[0], 0);
    EXPECT_TRUE(HoldsTrace(cache.GetTrace(9), 9, 100));
    EXPECT_TRUE(cache.TakeReadError());
    EXPECT_FALSE(cache.TakeReadError()) << "the mark is cleared once taken";
}

TEST(TraceCache, WithoutAFileNothingIsReadAndNothingBreaks)
{
    CChannelData channel;
    channel.m_Header.m_nSamples = 100;
    channel.m_Header.m_nLastTrace = 5;
    const std::int16_t* entry = channel.GetTraceCache().GetTrace(3);
    EXPECT_EQ(entry[0], 0);
    EXPECT_TRUE(channel.GetTraceCache().TakeReadError());

    CTraceCache unbound;
    EXPECT_EQ(unbound.GetTrace(10)[0], 0);
    EXPECT_EQ(unbound.GetLast(), -1);
}
