#include "gps/TsipFramer.h"
#include "tests/gps/GpsTestSupport.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Packet {
    std::uint8_t id;
    std::vector<std::uint8_t> data;
};

std::vector<Packet> Frame(CTsipFramer& framer, const std::string& bytes)
{
    std::vector<Packet> packets;
    framer.Feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                [&](std::uint8_t id, const std::uint8_t* data, std::size_t size) {
                    packets.push_back({id, std::vector<std::uint8_t>(data, data + size)});
                });
    return packets;
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

// The end of a packet that the stream started in: what a receiver joined mid-stream sees.
const std::string kSync = Bytes({0x55, 0x10, 0x03});

// Position 48.1173 N 11.5166667 E, altitude 2.25 (0x40100000, which holds a 0x10), clock
// bias 0, time of fix 93784.5 s.
const std::string kPosition = Bytes({0x10, 0x4a, 0x3f, 0x56, 0xfd, 0x7b, 0x3e, 0x4d, 0xd3, 0xed, 0x40, 0x10, 0x10,
                                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x47, 0xb7, 0x2c, 0x40, 0x10, 0x03});
// Fix mode 4, PDOP 1.5, HDOP 2.25, VDOP 1.0, TDOP 0.8.
const std::string kDilution = Bytes({0x10, 0x6d, 0x04, 0x3f, 0xc0, 0x00, 0x00, 0x40, 0x10, 0x10, 0x00, 0x00, 0x3f,
                                     0x80, 0x00, 0x00, 0x3f, 0x4c, 0xcc, 0xcd, 0x10, 0x03});

} // namespace

TEST(TsipFramer, HandMadePacketsDecodeToThePosition)
{
    CTsipFramer framer;
    const auto packets = Frame(framer, kSync + kPosition + kDilution);
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[0].id, 0x4a);
    ASSERT_EQ(packets[0].data.size(), 20u) << "the doubled DLE is one data byte";
    EXPECT_EQ(packets[0].data[8], 0x40);
    EXPECT_EQ(packets[0].data[9], 0x10);

    const TsipPacketEffect position = DecodeTsipPacket(packets[0].id, packets[0].data.data(), packets[0].data.size());
    ASSERT_TRUE(position.recognised && position.hasPosition);
    EXPECT_NEAR(position.latitude, 48.11729812622, 1e-5);
    EXPECT_NEAR(position.longitude, 11.51666641235, 1e-5);
    EXPECT_EQ(position.altitude, 2.25f);
    EXPECT_EQ(position.timeOfFix, 93784.5f);

    const TsipPacketEffect dilution = DecodeTsipPacket(packets[1].id, packets[1].data.data(), packets[1].data.size());
    ASSERT_TRUE(dilution.recognised && dilution.hasHdop);
    EXPECT_EQ(dilution.hdop, 2.25f);
}

TEST(TsipFramer, EtxEndsAPacketOnlyAfterAnOddRunOfDle)
{
    CTsipFramer framer;
    // Data 10 03 (stuffed: 10 10 03) does not end the packet; 10 10 10 03 ends it after a
    // data byte 0x10.
    const auto packets = Frame(framer, kSync + Bytes({0x10, 0x77, 0x01, 0x10, 0x10, 0x03, 0x02, 0x10, 0x10, 0x10, 0x03}));
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].data, (std::vector<std::uint8_t>{0x01, 0x10, 0x03, 0x02, 0x10}));
}

TEST(TsipFramer, APacketSplitAtAnyByteIsWholeAgain)
{
    const std::string stream = kSync + kPosition + kDilution;
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        CTsipFramer framer;
        auto packets = Frame(framer, stream.substr(0, cut));
        auto rest = Frame(framer, stream.substr(cut));
        packets.insert(packets.end(), rest.begin(), rest.end());
        ASSERT_EQ(packets.size(), 2u) << "cut at " << cut;
        EXPECT_EQ(packets[0].data.size(), 20u) << "cut at " << cut;
        EXPECT_EQ(packets[1].data.size(), 17u) << "cut at " << cut;
    }
}

TEST(TsipFramer, AStreamJoinedMidPacketYieldsNoFalsePacket)
{
    // Every start inside the position packet: no piece of it comes out as a packet, and
    // the dilution packet after it does whenever the position packet's end was seen.
    const std::string stream = kPosition + kDilution;
    for (std::size_t start = 1; start < kPosition.size(); ++start) {
        CTsipFramer framer;
        const auto packets = Frame(framer, stream.substr(start));
        for (const Packet& p : packets)
            EXPECT_EQ(p.id, 0x6d) << "joined at " << start;
        if (start < kPosition.size() - 1)
            EXPECT_EQ(packets.size(), 1u) << "joined at " << start;
        else
            EXPECT_TRUE(packets.empty()) << "joined after the DLE of the end: the next packet waits for an end";
    }
}

TEST(TsipFramer, AStreamThatBeginsAtAPacketLosesNoPacket)
{
    struct Case {
        const char* what;
        std::string stream;
        std::vector<std::uint8_t> ids;
    };
    const std::vector<std::uint8_t> eight(8, 0x22);
    const Case cases[] = {
        {"position first", kPosition + kDilution, {0x4a, 0x6d}},
        {"dilutions first", kDilution + kPosition, {0x6d, 0x4a}},
        {"a known id whose end comes at the wrong length", Bytes({0x10, 0x4a, 1, 2, 3, 0x10, 0x03}) + kDilution, {0x6d}},
        {"a report this program does not read", TsipPacket(0x8f, eight) + kDilution, {0x6d}},
        {"text before the first packet", "# Name: x\n" + kPosition + kDilution, {0x6d}},
        {"a doubled DLE", Bytes({0x10, 0x10, 0x4a, 0x10, 0x03}) + kDilution, {0x6d}},
    };
    for (const Case& c : cases) {
        for (std::size_t cut = 0; cut <= c.stream.size(); ++cut) {
            CTsipFramer framer;
            auto packets = Frame(framer, c.stream.substr(0, cut));
            const auto rest = Frame(framer, c.stream.substr(cut));
            packets.insert(packets.end(), rest.begin(), rest.end());
            std::vector<std::uint8_t> ids;
            for (const Packet& p : packets)
                ids.push_back(p.id);
            EXPECT_EQ(ids, c.ids) << c.what << ", cut at " << cut;
        }
    }
}

TEST(TsipFramer, ResetStartsOverAtAPacketBoundary)
{
    CTsipFramer framer;
    Frame(framer, kPosition.substr(0, 7));
    framer.Reset();
    const auto packets = Frame(framer, kDilution);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].data.size(), 17u);
}

TEST(TsipFramer, ALoneDleStartsANewPacket)
{
    CTsipFramer framer;
    const auto packets = Frame(framer, kSync + Bytes({0x10, 0x4a, 0x01, 0x02, 0x10}) + kDilution.substr(1));
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].id, 0x6d);
    EXPECT_EQ(packets[0].data.size(), 17u);
}

TEST(TsipFramer, OverlongPacketsAreDroppedWhole)
{
    CTsipFramer framer;
    std::vector<std::uint8_t> big(300, 0x22);
    const auto packets = Frame(framer, kSync + TsipPacket(0x4a, big) + kDilution);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].id, 0x6d);

    std::vector<std::uint8_t> limit(CTsipFramer::kMaxData, 0x22);
    const auto fits = Frame(framer, TsipPacket(0x5a, limit));
    ASSERT_EQ(fits.size(), 1u);
    EXPECT_EQ(fits[0].data.size(), CTsipFramer::kMaxData);
}

TEST(TsipFramer, ShortOrStrangeReportsAreNotTaken)
{
    const std::vector<std::uint8_t> nine(9, 0x00); // the short altitude report shares the id
    EXPECT_FALSE(DecodeTsipPacket(0x4a, nine.data(), nine.size()).recognised);
    auto position = BigEndianFloats({0.8f, 0.2f, 100.0f, 0.0f, 1000.0f});
    EXPECT_TRUE(DecodeTsipPacket(0x4a, position.data(), position.size()).hasPosition);
    position = BigEndianFloats({1.6f, 0.2f, 100.0f, 0.0f, 1000.0f});
    EXPECT_FALSE(DecodeTsipPacket(0x4a, position.data(), position.size()).recognised) << "beyond the pole";
    position = BigEndianFloats({0.8f, 3.2f, 100.0f, 0.0f, 1000.0f});
    EXPECT_FALSE(DecodeTsipPacket(0x4a, position.data(), position.size()).recognised);
    position = BigEndianFloats({NAN, 0.2f, 100.0f, 0.0f, 1000.0f});
    EXPECT_FALSE(DecodeTsipPacket(0x4a, position.data(), position.size()).recognised);
    const std::vector<std::uint8_t> shortDop(9, 0x00);
    EXPECT_FALSE(DecodeTsipPacket(0x6d, shortDop.data(), shortDop.size()).recognised);
    EXPECT_TRUE(DecodeTsipPacket(0x5a, nullptr, 0).recognised) << "satellite data, nothing kept";
    EXPECT_FALSE(DecodeTsipPacket(0x8f, nine.data(), nine.size()).recognised);
}

// The HDOP of every dilution report in a recorded receiver stream appears, in the same
// order, among the HDOP values an independent decoder took from the same stream.
TEST(TsipFramer, RecordedStreamGivesTheReferenceDilutions)
{
    const std::string stream = RecordedStream("trimble-lassen_iq.log");
    CTsipFramer framer;
    std::vector<std::string> ours;
    int packets = 0;
    for (std::size_t i = 0; i < stream.size(); i += 97) {
        const std::string chunk = stream.substr(i, 97);
        framer.Feed(reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size(),
                    [&](std::uint8_t id, const std::uint8_t* data, std::size_t size) {
                        ++packets;
                        const TsipPacketEffect e = DecodeTsipPacket(id, data, size);
                        EXPECT_FALSE(e.hasPosition) << "the recording holds no position packet";
                        if (!e.hasHdop)
                            return;
                        char text[32];
                        std::snprintf(text, sizeof text, "%.2f", e.hdop);
                        if (ours.empty() || ours.back() != text)
                            ours.emplace_back(text);
                    });
    }
    EXPECT_GE(packets, 160);
    std::vector<std::string> reference;
    for (const std::string& line : SplitKeepingLf(RecordedCheckFile("trimble-lassen_iq.log"))) {
        const std::size_t at = line.find("\"hdop\":");
        if (line.find("\"class\":\"SKY\"") == std::string::npos || at == std::string::npos)
            continue;
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", std::atof(line.c_str() + at + 7));
        reference.emplace_back(text);
    }
    ASSERT_GE(ours.size(), 9u);
    std::size_t r = 0;
    for (const std::string& h : ours) {
        while (r < reference.size() && reference[r] != h)
            ++r;
        ASSERT_LT(r, reference.size()) << "HDOP " << h << " not in the reference, or out of order";
    }
}

TEST(TsipFramer, OtherRecordedStreamFramesWithoutPositions)
{
    const std::string stream = RecordedStream("trimble-smt-360.log");
    CTsipFramer framer;
    int packets = 0;
    framer.Feed(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size(),
                [&](std::uint8_t id, const std::uint8_t* data, std::size_t size) {
                    ++packets;
                    EXPECT_EQ(id, 0x8f);
                    EXPECT_FALSE(DecodeTsipPacket(id, data, size).recognised);
                });
    EXPECT_GE(packets, 110);
}
