// Frame layouts of the simulated unit pinned to golden bytes, and its decoding of requests.
#include "HostView.h"
#include "sim/SimRecord.h"
#include "sim/SimWire.h"

#include <gtest/gtest.h>

namespace {

const SimMac kHost{0x02, 0x48, 0x4F, 0x53, 0x54, 0x01};
const SimMac kUnit{0x02, 0x55, 0x55, 0x00, 0x00, 0x01};

std::vector<uint8_t> Bytes(std::initializer_list<int> v)
{
    std::vector<uint8_t> out;
    for (int b : v)
        out.push_back(uint8_t(b));
    return out;
}

TEST(SimWire, ReplyFrameGoldenBytes)
{
    const auto f = SimWire::BuildReply(kHost, kUnit, 0x1234, 0x41, 0xBEEF, {1, 2, 3, 4, 5, 6, 7, 8});
    std::vector<uint8_t> want = Bytes({0x02, 0x48, 0x4F, 0x53, 0x54, 0x01, 0x02, 0x55, 0x55, 0x00, 0x00, 0x01,
                                       0x55, 0x55, 0x12, 0x34, 0x01, 0x41, 0xBE, 0xEF, 1, 2, 3, 4, 5, 6, 7, 8});
    want.resize(56, 0);
    want.insert(want.end(), {0x00, 0x01, 0x00, 0x01});
    EXPECT_EQ(f, want);
}

TEST(SimWire, EventFrameGoldenBytes)
{
    const auto f = SimWire::BuildEvent(kHost, kUnit, 7, 2, 0x0102, 0x0304, 0x0506);
    std::vector<uint8_t> want = Bytes({0x02, 0x48, 0x4F, 0x53, 0x54, 0x01, 0x02, 0x55, 0x55, 0x00, 0x00, 0x01,
                                       0x55, 0x55, 0x00, 0x07, 0x03, 0x02, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06});
    want.resize(56, 0);
    want.insert(want.end(), {0x00, 0x01, 0x00, 0x01});
    EXPECT_EQ(f, want);
}

TEST(SimWire, RecordsSerializeAsBigEndianWords)
{
    const uint16_t sensor[4] = {0x2000, 0x1FFF, 0xC001, 0};
    const auto bytes = SerializeRecords({SimRecord::Trace(13, 0x00010002, {-1, 2}),
                                         SimRecord::Sensor(10, sensor),
                                         SimRecord::Counter(SimRecord::kPosition, 0, 0xFFFFFFF6),
                                         SimRecord::Counter(SimRecord::kTime, 0, 1024),
                                         SimRecord::Word(SimRecord::kStatus, 0, 8),
                                         SimRecord::Word(SimRecord::kSlotWord, 30, 5),
                                         SimRecord::Word(SimRecord::kBattery, 0, 420)});
    EXPECT_EQ(bytes, Bytes({0x00, 0x0A, 'f', 13, 0x00, 0x01, 0x00, 0x02, 0xFF, 0xFF, 0x00, 0x02,
                            0x00, 0x0A, '\\', 10, 0x20, 0x00, 0x1F, 0xFF, 0xC0, 0x01, 0x00, 0x00,
                            0x00, 0x06, ':', 0, 0xFF, 0xFF, 0xFF, 0xF6,
                            0x00, 0x06, ';', 0, 0x00, 0x00, 0x04, 0x00,
                            0x00, 0x04, ']', 0, 0x00, 0x08,
                            0x00, 0x04, '@', 30, 0x00, 0x05,
                            0x00, 0x04, 'M', 0, 0x01, 0xA4}));
}

TEST(SimWire, ShortMessageIsPaddedToSixtyBytesWithPadCount)
{
    const std::vector<uint8_t> data = Bytes({0x00, 0x04, ']', 0, 0x00, 0x08});
    const auto frames = SimWire::BuildDataMessage(kHost, kUnit, 9, data, 1514);
    ASSERT_EQ(frames.size(), 1u);
    const auto& f = frames[0];
    ASSERT_EQ(f.size(), 60u);
    EXPECT_EQ(f[16], 2);
    EXPECT_EQ(f[17], 0);
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + 20, f.begin() + 26), data);
    for (size_t i = 26; i < 56; ++i)
        EXPECT_EQ(f[i], 0) << "padding byte " << i;
    EXPECT_EQ(f[56], 30) << "pad count";
    EXPECT_EQ(f[57], 1) << "last";
    EXPECT_EQ(f[58], 0);
    EXPECT_EQ(f[59], 1) << "fragment 1";
}

struct Split {
    size_t samples;
    std::vector<size_t> frameSizes;
};

class SimWireFragments : public ::testing::TestWithParam<Split> {};

TEST_P(SimWireFragments, TraceSplitsWithTailAtTheVeryEnd)
{
    const Split s = GetParam();
    std::vector<int16_t> samples(s.samples);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(i * 3 - 1000);
    const auto data = SerializeRecords({SimRecord::Trace(1, 77, samples)});
    const auto frames = SimWire::BuildDataMessage(kHost, kUnit, 0xFFFF, data, 1514);
    ASSERT_EQ(frames.size(), s.frameSizes.size());
    std::vector<uint8_t> joined;
    for (size_t i = 0; i < frames.size(); ++i) {
        const HostFrame h = ParseHostFrame(frames[i]);
        EXPECT_EQ(frames[i].size(), s.frameSizes[i]) << "frame " << i;
        EXPECT_EQ(h.msgSeq, 0xFFFF) << "one sequence for every fragment";
        EXPECT_EQ(h.type, 2);
        EXPECT_EQ(h.frag, i + 1);
        EXPECT_EQ(h.last, i + 1 == frames.size() ? 1 : 0);
        const size_t pad = h.last ? h.pad : 0;
        if (!h.last) {
            EXPECT_EQ(h.pad, 0) << "only a last fragment may carry padding";
        }
        joined.insert(joined.end(), frames[i].begin() + 20, frames[i].end() - 4 - long(pad));
    }
    EXPECT_EQ(joined, data);
}

INSTANTIATE_TEST_SUITE_P(OneTwoThreeFrames, SimWireFragments,
                         ::testing::Values(Split{741, {1514}}, Split{742, {1514, 60}}, Split{1486, {1514, 1514}},
                                           Split{1487, {1514, 1514, 60}}, Split{2048, {1514, 1514, 1148}},
                                           Split{0, {60}}, Split{10, {60}}, Split{14, {60}}, Split{15, {62}}));

TEST(SimWire, SmallerLargestFrameSplitsIntoMoreFragments)
{
    const auto data = SerializeRecords({SimRecord::Trace(0, 0, std::vector<int16_t>(100))});
    const auto frames = SimWire::BuildDataMessage(kHost, kUnit, 1, data, 61);   // 36 data bytes, even
    ASSERT_EQ(frames.size(), (208 + 35) / 36);
    for (size_t i = 0; i + 1 < frames.size(); ++i)
        EXPECT_EQ(frames[i].size(), 60u);
    EXPECT_EQ(SimWire::ChunkSize(61), 36u);
    EXPECT_EQ(SimWire::ChunkSize(9014), 8990u);
}

TEST(SimWire, DecodesRequestFields)
{
    const auto f = MakeRequest(kUnit, kHost, 0x0102, 96, 3, 20, 1, 1, 0xAABBCCDD, 0x11223344);
    SimRequest r;
    ASSERT_TRUE(SimWire::DecodeRequest(f.data(), f.size(), r));
    EXPECT_EQ(r.seq, 0x0102);
    EXPECT_EQ(r.code, 96);
    EXPECT_EQ(r.address, 3);
    EXPECT_EQ(r.args, (std::array<uint32_t, 5>{20, 1, 1, 0xAABBCCDD, 0x11223344}));
    EXPECT_EQ(r.src, kHost);
    EXPECT_FALSE(r.broadcast);
    EXPECT_TRUE(r.violations.empty());
}

TEST(SimWire, FlagsRequestsThatLeaveTheLayout)
{
    SimRequest r;
    auto f = MakeRequest(kUnit, kHost, 1, 1, 0, 400);
    f[55] = 1;
    f[101] = 0;
    ASSERT_TRUE(SimWire::DecodeRequest(f.data(), f.size(), r));
    ASSERT_EQ(r.violations.size(), 2u);
    EXPECT_EQ(r.violations[0], "non-zero byte at 55");
    EXPECT_EQ(r.violations[1], "tail is not 00 01 00 01");

    f = MakeRequest(kUnit, kHost, 1, 0xFFFF, 0);
    ASSERT_TRUE(SimWire::DecodeRequest(f.data(), f.size(), r));
    ASSERT_EQ(r.violations.size(), 1u);
    EXPECT_EQ(r.violations[0], "discovery not broadcast");

    f = MakeRequest(kUnit, kHost, 1, 1, 0, 400);
    f.resize(60);
    ASSERT_TRUE(SimWire::DecodeRequest(f.data(), f.size(), r)) << "the arguments are all there";
    EXPECT_EQ(r.args[0], 400u);
    EXPECT_EQ(r.violations.at(0), "length 60 instead of 104");

    f.resize(39);
    EXPECT_FALSE(SimWire::DecodeRequest(f.data(), f.size(), r));
}

}  // namespace
