// The data ring's record positions: completeness across the end of the ring, records
// that claim more than was committed, and the room left before unread records.
#include "link/ByteOrder.h"
#include "link/DataRing.h"
#include "link/RingRecord.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::uint8_t> BigEndian(const std::vector<std::uint16_t>& words)
{
    std::vector<std::uint8_t> bytes(words.size() * 2);
    for (std::size_t i = 0; i < words.size(); ++i)
        StoreBE16(bytes.data() + 2 * i, words[i]);
    return bytes;
}

void Commit(DataRing& ring, const std::vector<std::uint16_t>& words)
{
    const auto bytes = BigEndian(words);
    ring.BeginMessage();
    ring.Append(bytes.data(), static_cast<std::uint32_t>(words.size()), true);
}

}  // namespace

TEST(DataRing, RecordAcrossTheLastWordOfTheProgramsRing)
{
    DataRing ring;
    const std::uint32_t last = ring.Size() - 1;
    ring.ResetAt(last - 1);
    Commit(ring, {6, 0x3A05, 0xFFFF, 0xFFFE});  // position record, slot 0 channel 5 code
    ASSERT_EQ(ring.NextRecord(), static_cast<int>(last - 1));
    EXPECT_EQ(ring.Word(last), 0x3A05);
    EXPECT_EQ(ring.Word(0), 0xFFFF);
    EXPECT_EQ(ring.Word(1), 0xFFFE);
    const RingRecord r = ReadRecordHeader(ring, last - 1);
    EXPECT_TRUE(r.Is(RecordType::PositionRecord));
    EXPECT_EQ(static_cast<std::int32_t>(RecordLong(ring, r)), -2);
    EXPECT_EQ(ring.ReleaseRecord(), 1);
    EXPECT_EQ(ring.ReadIndex(), 2u);
    EXPECT_EQ(ring.NextRecord(), -1);
}

TEST(DataRing, MessageWhoseRecordRunsPastItsEndIsDroppedWhole)
{
    struct Case {
        const char* what;
        std::uint32_t at;
        std::vector<std::uint16_t> words;
    };
    const Case cases[] = {
        {"one record says 11 words, 4 are there", 0, {20, 0x6600, 0, 0}},
        {"a whole record, then one that says 11 words", 0, {4, 0x4D00, 1, 20, 0x6600, 0, 0}},
        {"wraps, says 11 words, 5 are there", 97, {20, 0x6600, 0, 0, 0}},
        {"wrapped sample count one short", 98, {8, 0x6601, 0, 5}},
    };
    for (const Case& c : cases) {
        DataRing ring(100);
        ring.ResetAt(c.at);
        Commit(ring, c.words);
        EXPECT_EQ(ring.NextRecord(), -1) << c.what;
        EXPECT_EQ(ring.CommittedEnd(), c.at % 100) << c.what;
        EXPECT_EQ(ring.BadRecordMessages(), 1u) << c.what;
        EXPECT_EQ(ring.CommittedMessages(), 0u) << c.what;

        // The next message is taken as itself, not as the rest of the dropped one.
        Commit(ring, {6, 0x3A05, 0, 7});
        ASSERT_EQ(ring.NextRecord(), static_cast<int>(c.at)) << c.what;
        EXPECT_EQ(RecordLong(ring, ReadRecordHeader(ring, c.at)), 7u) << c.what;
        EXPECT_EQ(ring.ReleaseRecord(), 1) << c.what;
        EXPECT_EQ(ring.NextRecord(), -1) << c.what;
    }
}

TEST(DataRing, WrappedRecordIsCompleteOnlyWithItsLastWordCommitted)
{
    DataRing ring(100);
    ring.ResetAt(98);
    const auto bytes = BigEndian({8, 0x6601, 0, 5, 0x1111});
    ring.BeginMessage();
    ring.Append(bytes.data(), 4, false);  // last fragment still to come
    EXPECT_EQ(ring.NextRecord(), -1);
    ring.Append(bytes.data() + 8, 1, true);
    EXPECT_EQ(ring.NextRecord(), 98);
    EXPECT_EQ(ring.ReleaseRecord(), 1);
    EXPECT_EQ(ring.ReadIndex(), 3u);
}

TEST(DataRing, WriterStopsOneWordBeforeUnreadRecords)
{
    DataRing ring(32);
    Commit(ring, {4, 0x4D00, 1});
    ring.ResetAt(0);
    Commit(ring, {4, 0x4D00, 1});       // read 0, committed 3
    std::vector<std::uint16_t> fill(28, 0);
    Commit(ring, fill);                 // words 3..30: one word short of the read index
    EXPECT_EQ(ring.OverflowCount(), 0u);
    EXPECT_EQ(ring.CommittedEnd(), 31u);
    Commit(ring, {0});                  // would reach the read index
    EXPECT_EQ(ring.OverflowCount(), 1u);
    EXPECT_EQ(ring.CommittedEnd(), 31u);
    EXPECT_EQ(ring.NextRecord(), 0);
}

TEST(RingRecord, ShortRecordsAreMalformedAndSensorValuesSignExtendFromBitThirteen)
{
    DataRing ring(64);
    Commit(ring, {0});
    RingRecord r = ReadRecordHeader(ring, 0);
    EXPECT_EQ(r.type, 0);
    EXPECT_FALSE(IsWellFormed(r));
    ring.ResetAt(0);
    Commit(ring, {4, 0x6600, 1});
    r = ReadRecordHeader(ring, 0);
    EXPECT_TRUE(r.Is(RecordType::TraceRecord));
    EXPECT_FALSE(IsWellFormed(r));
    EXPECT_EQ(TraceSampleCount(r), 0u);
    ring.ResetAt(0);
    Commit(ring, {8, 0x5C00, 1, 2, 3});
    EXPECT_FALSE(IsWellFormed(ReadRecordHeader(ring, 0)));

    EXPECT_EQ(SensorValue(0x2000), -8192);
    EXPECT_EQ(SensorValue(0x1FFF), 8191);
    EXPECT_EQ(SensorValue(0xC001), 1);
    EXPECT_EQ(SensorValue(0x3FFF), -1);
}
