// Reassembly of the unit's frames into the data ring and the queues, frame by frame.
#include "UnitFrames.h"
#include "link/Reassembler.h"
#include "link/RingRecord.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class Reassembly : public ::testing::Test {
public:
    explicit Reassembly(std::uint32_t ringWords = 4096) : ring(ringWords), reassembler(ring, replies, events)
    {
        reassembler.SetUnitAddressListener([this](const MacAddress& m) { learned.push_back(m); });
        reassembler.Start(kHostMac);
    }

    void Feed(const Bytes& frame) { reassembler.Take(frame.data(), frame.size(), frame.size()); }
    void Feed(const std::vector<Bytes>& frames)
    {
        for (const Bytes& f : frames)
            Feed(f);
    }

    // Every complete record from the read index on, as word runs; releases them.
    std::vector<std::vector<std::uint16_t>> TakeRecords()
    {
        std::vector<std::vector<std::uint16_t>> out;
        for (int i = ring.NextRecord(); i >= 0; i = ring.NextRecord()) {
            const RingRecord r = ReadRecordHeader(ring, static_cast<std::uint32_t>(i));
            std::vector<std::uint16_t> words(r.Words());
            ring.CopyWords(r.index, r.Words(), words.data());
            out.push_back(words);
            EXPECT_EQ(ring.ReleaseRecord(), 1);
        }
        return out;
    }

    LinkCounters Counters() const
    {
        LinkCounters c;
        reassembler.AddCountersTo(c);
        return c;
    }

    DataRing ring;
    ReplyQueue replies;
    EventQueue events;
    Reassembler reassembler;
    std::vector<MacAddress> learned;
};

std::vector<std::int16_t> Ramp(int n, int from = 0)
{
    std::vector<std::int16_t> s(n);
    for (int i = 0; i < n; ++i)
        s[i] = static_cast<std::int16_t>(from + i * 3 - 1000);
    return s;
}

}  // namespace

TEST_F(Reassembly, SingleFragmentMessageGoldenBytes)
{
    // A status record of slot 1 channel 0 (code 10): L=4, ']' 0x0A, status 0x0008, as the
    // unit puts it on the wire, padded to 60 bytes.
    const std::string hex =
        "020000000001" "020000000055" "5555" "0007" "02" "00" "0000"
        "0004" "5d0a" "0008"
        + std::string(30 * 2, '0') +
        "1e" "01" "0001";
    Bytes frame;
    for (std::size_t i = 0; i < hex.size(); i += 2)
        frame.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    ASSERT_EQ(frame.size(), 60u);
    Feed(frame);
    const auto records = TakeRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], (std::vector<std::uint16_t>{0x0004, 0x5D0A, 0x0008}));
    EXPECT_EQ(Counters().lastDropReason, kDropNone);
}

TEST_F(Reassembly, MessagesOfOneTwoAndThreeFragmentsReassembleWordForWord)
{
    for (int fragments = 1; fragments <= 3; ++fragments) {
        const auto words = TraceRecordWords(21, 1000 + fragments, Ramp(700 * fragments));
        const auto frames = DataMessage(kHostMac, static_cast<std::uint16_t>(fragments), words);
        ASSERT_EQ(frames.size(), static_cast<std::size_t>(fragments));
        Feed(frames);
        const auto records = TakeRecords();
        ASSERT_EQ(records.size(), 1u) << fragments << " fragments";
        EXPECT_EQ(records[0], words) << fragments << " fragments";
    }
    EXPECT_EQ(Counters().fragmentOrderDrops + Counters().missingLastDrops + Counters().strayFragmentDrops, 0u);
}

TEST_F(Reassembly, MessageBecomesReadableWithItsLastFragment)
{
    const auto frames = DataMessage(kHostMac, 5, TraceRecordWords(0, 1, Ramp(40)), 20);
    ASSERT_EQ(frames.size(), 3u);
    Feed(frames[0]);
    Feed(frames[1]);
    EXPECT_FALSE(ring.HasData());
    EXPECT_EQ(ring.NextRecord(), -1);
    Feed(frames[2]);
    EXPECT_TRUE(ring.HasData());
    EXPECT_EQ(TakeRecords().size(), 1u);
}

TEST_F(Reassembly, OneMessageMayCarrySeveralRecords)
{
    auto words = TraceRecordWords(10, 9, Ramp(5));
    const auto sensor = ShortRecordWords('\\', 10, {0x2000, 0x1FFF, 0xC001, 0});
    const auto battery = ShortRecordWords('M', 0, {600});
    words.insert(words.end(), sensor.begin(), sensor.end());
    words.insert(words.end(), battery.begin(), battery.end());
    Feed(DataMessage(kHostMac, 1, words, 7));
    const auto records = TakeRecords();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1], sensor);
    EXPECT_EQ(records[2], battery);
}

// Fragments that come out of order: message A (four fragments) and B (another message whose
// fragments fit A's count) fed as listed, then a good message C. Only whole messages reach
// the ring, each broken one costs only itself, and the drops are counted by their reason.
TEST_F(Reassembly, FragmentSequencesLoseOnlyTheBrokenMessage)
{
    struct Case {
        const char* what;
        std::vector<std::pair<char, int>> feed;  // message and fragment index
        bool keepsA;
        std::uint64_t LinkCounters::*counter;
        std::uint64_t drops;
    };
    const Case cases[] = {
        {"lost middle fragment", {{'A', 0}, {'A', 2}, {'A', 3}}, false, &LinkCounters::fragmentOrderDrops, 2},
        {"lost last fragment", {{'A', 0}, {'A', 1}}, false, &LinkCounters::missingLastDrops, 1},
        {"stray repeat of the last", {{'A', 0}, {'A', 1}, {'A', 2}, {'A', 3}, {'A', 3}}, true,
         &LinkCounters::strayFragmentDrops, 1},
        {"another message's continuation", {{'A', 0}, {'B', 1}}, false, &LinkCounters::fragmentOrderDrops, 1},
    };
    const auto a = TraceRecordWords(0, 1, Ramp(60));
    const auto c = TraceRecordWords(0, 3, Ramp(8));
    std::uint16_t seq = 1;
    for (const Case& k : cases) {
        const LinkCounters before = Counters();
        const auto fa = DataMessage(kHostMac, seq, a, 20);
        const auto fb = DataMessage(kHostMac, static_cast<std::uint16_t>(seq + 5), TraceRecordWords(1, 1, Ramp(60)), 20);
        ASSERT_EQ(fa.size(), 4u);
        for (const auto& [message, index] : k.feed)
            Feed((message == 'A' ? fa : fb)[static_cast<std::size_t>(index)]);
        Feed(DataMessage(kHostMac, static_cast<std::uint16_t>(seq + 6), c));
        seq = static_cast<std::uint16_t>(seq + 10);
        std::vector<std::vector<std::uint16_t>> expected;
        if (k.keepsA)
            expected.push_back(a);
        expected.push_back(c);
        EXPECT_EQ(TakeRecords(), expected) << k.what;
        EXPECT_EQ(Counters().*k.counter - before.*k.counter, k.drops) << k.what;
    }
}

TEST_F(Reassembly, GapInMessageNumbersAloneDropsNothing)
{
    const auto a = TraceRecordWords(0, 1, Ramp(4));
    const auto b = TraceRecordWords(0, 2, Ramp(4));
    Feed(DataMessage(kHostMac, 10, a));
    Feed(DataMessage(kHostMac, 14, b));
    EXPECT_EQ(TakeRecords(), (std::vector<std::vector<std::uint16_t>>{a, b}));
    EXPECT_EQ(Counters().sequenceGaps, 1u);
    EXPECT_EQ(Counters().lastDropReason, kDropSequenceGap);
}

TEST_F(Reassembly, PadCountTrimsTheLastFragment)
{
    // 2 data words in a 60-byte frame: 32 bytes of padding announced by the tail.
    const auto frame = DataFragment(kHostMac, 1, 1, true, {0x0002, 0x4D00});
    ASSERT_EQ(frame.size(), 60u);
    EXPECT_EQ(frame[56], 32);
    Feed(frame);
    EXPECT_EQ(ring.WriteIndex(), 2u);
    EXPECT_EQ(ring.CommittedEnd(), 2u);
}

TEST_F(Reassembly, FramesForOthersAreIgnoredWithoutAnyChange)
{
    const auto frames = DataMessage(kHostMac, 1, TraceRecordWords(0, 1, Ramp(30)), 20);
    Feed(frames[0]);
    Bytes broadcast = DataFragment(kBroadcastMac, 2, 1, true, {2, 0x4D00});
    Bytes otherType = frames[1];
    otherType[12] = 0x08;
    otherType[13] = 0x00;
    Bytes runt(10, 0);
    Feed(broadcast);
    Feed(otherType);
    Feed(runt);
    Feed(frames[1]);
    EXPECT_EQ(TakeRecords().size(), 1u);
    EXPECT_EQ(Counters().framesIgnored, 3u);
    EXPECT_EQ(Counters().lastDropReason, kDropNone);
}

TEST_F(Reassembly, BadFramesAreDroppedWithTheirMessageAndCounted)
{
    struct Case {
        const char* what;
        std::function<void(Reassembly&, const std::vector<Bytes>&)> feedBad;
    };
    const std::vector<Case> cases = {
        {"truncated capture",
         [](Reassembly& t, const std::vector<Bytes>& f) { t.reassembler.Take(f[1].data(), 30, f[1].size()); }},
        {"shorter than header and tail",
         [](Reassembly& t, const std::vector<Bytes>& f) { t.reassembler.Take(f[1].data(), 23, 23); }},
        {"pad count beyond the data",
         [](Reassembly& t, const std::vector<Bytes>& f) {
             Bytes bad = f.back();
             bad[bad.size() - 4] = 0xFF;
             t.Feed(bad);
         }},
    };
    for (const Case& c : cases) {
        ring.Reset();
        const auto frames = DataMessage(kHostMac, 1, TraceRecordWords(0, 1, Ramp(50)), 20);
        ASSERT_EQ(frames.size(), 3u);
        Feed(frames[0]);
        c.feedBad(*this, frames);
        if (std::string(c.what) != "pad count beyond the data")
            Feed(frames[2]);
        EXPECT_EQ(ring.NextRecord(), -1) << c.what;
        const auto good = TraceRecordWords(0, 2, Ramp(5));
        Feed(DataMessage(kHostMac, 2, good));
        EXPECT_EQ(TakeRecords(), (std::vector<std::vector<std::uint16_t>>{good})) << c.what;
    }
    const LinkCounters c = Counters();
    EXPECT_EQ(c.truncatedFrames, 1u);
    EXPECT_EQ(c.shortFrames, 1u);
    EXPECT_EQ(c.badPadFrames, 1u);
}

TEST_F(Reassembly, FramesOfAnUnknownTypeCarryNothing)
{
    Feed(UnitFrame(kHostMac, 1, 0x07, 0, 0, {}, 1, true));
    EXPECT_EQ(replies.Count(), 0);
    EXPECT_EQ(events.Count(), 0);
    EXPECT_FALSE(ring.HasData());
    const auto good = TraceRecordWords(0, 2, Ramp(5));
    Feed(DataMessage(kHostMac, 2, good));
    EXPECT_EQ(TakeRecords(), (std::vector<std::vector<std::uint16_t>>{good}));
}

TEST_F(Reassembly, RepliesAndEventsTooShortToReadAreDropped)
{
    Bytes reply = ReplyFrame(kHostMac, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8});
    reply.resize(31);
    reply[27] = 0;
    reply[28] = 1;  // tail: last, fragment 1
    reply[29] = 0;
    reply[30] = 1;
    Feed(reply);
    Bytes event = EventFrame(kHostMac, 2, 5, 1, 2, 3);
    event.resize(27);
    Feed(event);
    EXPECT_EQ(replies.Count(), 0);
    EXPECT_EQ(events.Count(), 0);
    EXPECT_EQ(Counters().shortFrames, 2u);
}

TEST_F(Reassembly, RepliesQueueAndNameTheUnit)
{
    Feed(ReplyFrame(kHostMac, 1, 42, {0xFF, 0xFF, 0, 0, 0, 0, 0, 0}, 0x33));
    Feed(ReplyFrame(kHostMac, 2, 43, {0x12, 0x34, 0, 0, 0, 0, 0, 9}));
    ReplyEntry r;
    ASSERT_TRUE(replies.Pop(r));
    EXPECT_EQ(r.sequence, 42);
    EXPECT_EQ(r.code, 0x33);
    ASSERT_TRUE(replies.Pop(r));
    EXPECT_EQ(r.sequence, 43);
    EXPECT_EQ(r.payload[7], 9);
    ASSERT_EQ(learned.size(), 1u);
    EXPECT_EQ(learned[0], kUnitMac);
}

TEST_F(Reassembly, UnitIsNamedBeforeItsReplyCanBeTaken)
{
    int queuedWhenNamed = -1;
    reassembler.SetUnitAddressListener([&](const MacAddress&) { queuedWhenNamed = replies.Count(); });
    Feed(ReplyFrame(kHostMac, 1, 42, {0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(queuedWhenNamed, 0) << "the reply could be taken, and the next request sent, before the unit was known";
    EXPECT_EQ(replies.Count(), 1);
}

TEST_F(Reassembly, HundredthReplyIsLostWhileNinetyNineWait)
{
    for (int i = 0; i < 100; ++i)
        Feed(ReplyFrame(kHostMac, static_cast<std::uint16_t>(i), static_cast<std::uint16_t>(i), {}));
    EXPECT_EQ(replies.Count(), 99);
    EXPECT_EQ(replies.OverflowCount(), 1u);
    ReplyEntry r;
    for (int i = 0; i < 99; ++i) {
        ASSERT_TRUE(replies.Pop(r));
        EXPECT_EQ(r.sequence, i);
    }
    EXPECT_FALSE(replies.Pop(r));
}

TEST_F(Reassembly, EventsTakePartInSequencingAndQueue)
{
    const auto frames = DataMessage(kHostMac, 1, TraceRecordWords(0, 1, Ramp(30)), 20);
    Feed(frames[0]);
    Feed(EventFrame(kHostMac, 2, 7, 0x0102, 0x0304, 0x0506));  // cuts the message short
    Feed(frames[1]);
    EXPECT_EQ(ring.NextRecord(), -1);
    EventEntry e;
    ASSERT_TRUE(events.Pop(e));
    EXPECT_EQ(e.code, 7);
    EXPECT_EQ(e.word1, 0x0102);
    EXPECT_EQ(e.word2, 0x0304);
    EXPECT_EQ(e.word3, 0x0506);
    EXPECT_EQ(Counters().missingLastDrops, 1u);
}

TEST_F(Reassembly, ResetDuringAMessageDropsTheRestOfIt)
{
    const auto frames = DataMessage(kHostMac, 1, TraceRecordWords(0, 1, Ramp(50)), 20);
    Feed(frames[0]);
    ring.Reset();
    Feed(frames[1]);
    Feed(frames[2]);
    EXPECT_EQ(ring.NextRecord(), -1);
    EXPECT_EQ(ring.WriteIndex(), 0u);
    const auto good = TraceRecordWords(0, 2, Ramp(5));
    Feed(DataMessage(kHostMac, 2, good));
    EXPECT_EQ(TakeRecords(), (std::vector<std::vector<std::uint16_t>>{good}));
}

class SmallRing : public Reassembly {
protected:
    SmallRing() : Reassembly(64) {}
};

TEST_F(SmallRing, OverflowDropsTheMessageThatDoesNotFit)
{
    const auto a = TraceRecordWords(0, 1, Ramp(30));  // 34 words
    const auto b = TraceRecordWords(0, 2, Ramp(30));
    Feed(DataMessage(kHostMac, 1, a));
    Feed(DataMessage(kHostMac, 2, b));  // only 29 words free before the unread record
    EXPECT_EQ(ring.OverflowCount(), 1u);
    EXPECT_EQ(TakeRecords(), (std::vector<std::vector<std::uint16_t>>{a}));
    Feed(DataMessage(kHostMac, 3, b));
    EXPECT_EQ(TakeRecords(), (std::vector<std::vector<std::uint16_t>>{b}));
}

TEST_F(SmallRing, RecordWrapsAtTheEndOfTheRing)
{
    ring.ResetAt(60);
    const auto words = TraceRecordWords(3, 0x00010002, Ramp(6));  // 10 words: 60..63, 0..5
    const auto frames = DataMessage(kHostMac, 1, words, 5);
    Feed(frames[0]);
    EXPECT_EQ(ring.NextRecord(), -1);
    Feed(frames[1]);
    ASSERT_EQ(ring.NextRecord(), 60);
    const RingRecord r = ReadRecordHeader(ring, 60);
    EXPECT_TRUE(r.Is(RecordType::TraceRecord));
    EXPECT_EQ(r.channelCode, 3);
    EXPECT_EQ(RecordLong(ring, r), 0x00010002u);
    std::int16_t samples[8] = {};
    EXPECT_EQ(CopyTraceSamples(ring, r, samples, 8), 6u);
    EXPECT_EQ(std::vector<std::int16_t>(samples, samples + 6), Ramp(6));
    EXPECT_EQ(ring.ReleaseRecord(), 1);
    EXPECT_EQ(ring.ReadIndex(), 6u);
    EXPECT_FALSE(ring.HasData());
}

class FullRing : public Reassembly {
protected:
    FullRing() : Reassembly(DataRing::kDefaultWords) {}
};

TEST_F(FullRing, FrameBytesLandAcrossTheLastWordOfTheRing)
{
    ring.ResetAt(1'999'997);
    // One 60-byte frame: a time record of channel 1, position 0x00012345, then padding.
    Bytes frame = DataFragment(kHostMac, 9, 1, true, {6, 0x3B01, 0x0001, 0x2345});
    ASSERT_EQ(Hex(Bytes(frame.begin() + 12, frame.begin() + 28)), "55550009020000000006" "3b0100012345");
    ASSERT_EQ(Hex(Bytes(frame.end() - 4, frame.end())), "1c010001");
    Feed(frame);
    ASSERT_EQ(ring.NextRecord(), 1'999'997);
    EXPECT_EQ(ring.Word(1'999'997), 6);
    EXPECT_EQ(ring.Word(1'999'998), 0x3B01);
    EXPECT_EQ(ring.Word(1'999'999), 0x0001);
    EXPECT_EQ(ring.Word(0), 0x2345);
    const RingRecord r = ReadRecordHeader(ring, 1'999'997);
    EXPECT_TRUE(r.Is(RecordType::TimeRecord));
    EXPECT_EQ(RecordLong(ring, r), 0x00012345u);
    EXPECT_EQ(ring.ReleaseRecord(), 1);
    EXPECT_EQ(ring.ReadIndex(), 1u);
    EXPECT_EQ(ring.CommittedEnd(), 1u);
}
