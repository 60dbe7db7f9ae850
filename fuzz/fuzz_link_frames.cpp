// Arbitrary frames through the reassembly into a small data ring, then every record read
// back and decoded. Afterwards a well-formed message must still come through whole.
//
// Input: a run of items. Item byte 0 chooses: 0xF0 empties the ring, 0xF1 reads the
// records so far; anything else starts a frame: bytes 1-2 its length (up to 1600), byte 3
// how many bytes the capture cut off, then the frame. Frames are made ours (destination
// and EtherType) unless the item byte says otherwise, so the fuzzer reaches the
// reassembly itself.
#include "link/ByteOrder.h"
#include "link/Reassembler.h"
#include "link/RingRecord.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr MacAddress kHost = {0x02, 0, 0, 0, 0, 1};

void ReadAll(DataRing& ring)
{
    std::int16_t samples[2048];
    for (int i = ring.NextRecord(); i >= 0; i = ring.NextRecord()) {
        const RingRecord r = ReadRecordHeader(ring, static_cast<std::uint32_t>(i));
        if (IsWellFormed(r)) {
            if (r.Is(RecordType::TraceRecord))
                CopyTraceSamples(ring, r, samples, 2048);
            else if (r.Is(RecordType::SensorRecord))
                samples[0] = SensorValue(RecordWord(ring, r, 5));
            else
                samples[0] = static_cast<std::int16_t>(RecordLong(ring, r));
        }
        if (ring.ReleaseRecord() == 0)
            break;
    }
}

void CheckCleanMessageComesThrough(DataRing& ring, Reassembler& reassembler)
{
    ring.Reset();
    // A trace of 3 samples in two fragments.
    const std::uint16_t words[] = {12, 0x6615, 0, 9, 100, 0xFFFF, 7};
    std::uint8_t f1[20 + 8 + 4] = {}, f2[60] = {};
    for (std::uint8_t* f : {f1, f2}) {
        std::memcpy(f, kHost.data(), 6);
        StoreBE16(f + 12, 0x5555);
        StoreBE16(f + 14, 4242);
        f[16] = 2;
    }
    for (int i = 0; i < 4; ++i)
        StoreBE16(f1 + 20 + 2 * i, words[i]);
    StoreBE16(f1 + 30, 1);
    for (int i = 4; i < 7; ++i)
        StoreBE16(f2 + 20 + 2 * (i - 4), words[i]);
    f2[56] = 30;
    f2[57] = 1;
    StoreBE16(f2 + 58, 2);
    reassembler.Take(f1, sizeof f1, sizeof f1);
    reassembler.Take(f2, sizeof f2, sizeof f2);
    const int i = ring.NextRecord();
    if (i < 0)
        __builtin_trap();
    std::uint16_t got[7];
    ring.CopyWords(static_cast<std::uint32_t>(i), 7, got);
    if (std::memcmp(got, words, sizeof words) != 0 || ring.ReleaseRecord() != 1 || ring.NextRecord() != -1)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static DataRing ring(4096);
    static ReplyQueue replies;
    static EventQueue events;
    static Reassembler reassembler(ring, replies, events);
    ring.Reset();
    replies.Reset();
    events.Reset();
    reassembler.Start(kHost);

    std::vector<std::uint8_t> frame;
    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t op = data[at++];
        if (op == 0xF0) {
            ring.Reset();
            continue;
        }
        if (op == 0xF1) {
            ReadAll(ring);
            continue;
        }
        if (size - at < 3)
            break;
        const std::uint32_t len = LoadBE16(data + at) % 1601;
        const std::uint32_t cut = data[at + 2];
        at += 3;
        frame.assign(len, 0);
        const std::size_t have = std::min<std::size_t>(len, size - at);
        std::copy_n(data + at, have, frame.begin());  // an empty frame has no storage
        at += have;
        if ((op & 0x80) == 0 && len >= 14) {
            std::memcpy(frame.data(), kHost.data(), 6);
            StoreBE16(frame.data() + 12, 0x5555);
        }
        const std::uint32_t caplen = (op & 0x40) ? (cut < len ? len - cut : 0) : len;
        // The capture hands over exactly the captured bytes.
        std::vector<std::uint8_t> captured(frame.begin(), frame.begin() + caplen);
        reassembler.Take(captured.data(), caplen, len);
        ReplyEntry reply;
        while (replies.Pop(reply)) {
        }
    }
    ReadAll(ring);
    CheckCleanMessageComesThrough(ring, reassembler);
    return 0;
}
