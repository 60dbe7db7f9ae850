// Feeds arbitrary bytes to the TSIP framer, in reads of sizes the input chooses, and every
// packet to the packet reader. Whatever the reads, the packets must be the same as when the
// bytes come in one piece; none may be longer than the framer keeps, and a position taken
// must be a real place.
#include "gps/TsipFramer.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

struct Packet {
    std::uint8_t id;
    std::vector<std::uint8_t> data;
    bool operator==(const Packet& o) const { return id == o.id && data == o.data; }
};

std::vector<Packet> Packets(const std::uint8_t* data, std::size_t size, const std::uint8_t* cuts, std::size_t cutCount)
{
    CTsipFramer framer;
    std::vector<Packet> packets;
    std::size_t done = 0, cut = 0;
    while (done < size) {
        std::size_t n = size - done;
        if (cutCount > 0)
            n = std::min<std::size_t>(n, 1 + cuts[cut++ % cutCount] % 64u);
        framer.Feed(data + done, n, [&](std::uint8_t id, const std::uint8_t* bytes, std::size_t length) {
            packets.push_back({id, std::vector<std::uint8_t>(bytes, bytes + length)});
        });
        done += n;
    }
    return packets;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t cutCount = std::min<std::size_t>(data[0] % 16, size - 1);
    const std::uint8_t* cuts = data + 1;
    const std::uint8_t* stream = data + 1 + cutCount;
    const std::size_t streamSize = size - 1 - cutCount;

    const std::vector<Packet> whole = Packets(stream, streamSize, nullptr, 0);
    if (whole != Packets(stream, streamSize, cuts, cutCount))
        std::abort();
    for (const Packet& p : whole) {
        if (p.id == CTsipFramer::kDle || p.id == CTsipFramer::kEtx || p.data.size() > CTsipFramer::kMaxData)
            std::abort();
        const TsipPacketEffect e = DecodeTsipPacket(p.id, p.data.data(), p.data.size());
        if (e.hasPosition && (!std::isfinite(e.latitude) || !std::isfinite(e.longitude) ||
                              std::fabs(e.latitude) > 90.001f || std::fabs(e.longitude) > 180.001f))
            std::abort();
        if (e.hasHdop && !std::isfinite(e.hdop))
            std::abort();
    }
    return 0;
}
