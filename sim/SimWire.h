// The control unit's side of the raw-Ethernet protocol: the layout of the host's 104-byte
// requests and of the unit's reply, event and data frames, written from the unit's point of
// view. Every multi-byte field on the wire is big-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using SimMac = std::array<uint8_t, 6>;

// One request as the unit received it. arg[0] is argument 1 (16 bits, the address),
// arg[1..5] are arguments 2 to 6 (32 bits each).
struct SimRequest {
    SimMac dst{};
    SimMac src{};
    uint16_t seq = 0;
    uint16_t code = 0;
    uint16_t address = 0;             // argument 1
    std::array<uint32_t, 5> args{};   // arguments 2 to 6
    size_t length = 0;
    bool broadcast = false;
    std::vector<std::string> violations;   // where the frame departs from the request layout
};

namespace SimWire {

constexpr uint16_t kEtherType = 0x5555;
constexpr size_t kRequestSize = 104;   // every request of the host
constexpr size_t kMinFrame = 60;       // shortest Ethernet frame, without its checksum
constexpr size_t kHeaderSize = 20;     // addresses, EtherType, message sequence, type, code, word at 18
constexpr size_t kTailSize = 4;        // pad count, last-fragment flag, fragment number
constexpr size_t kDefaultMaxFrame = 1514;
constexpr size_t kJumboMaxFrame = 65536;

constexpr uint8_t kTypeReply = 1;
constexpr uint8_t kTypeData = 2;
constexpr uint8_t kTypeEvent = 3;

constexpr SimMac kBroadcast{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

inline uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
inline uint32_t Get32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
inline void Put16(uint8_t* p, uint16_t v) { p[0] = uint8_t(v >> 8); p[1] = uint8_t(v); }
inline void Put32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24); p[1] = uint8_t(v >> 16); p[2] = uint8_t(v >> 8); p[3] = uint8_t(v);
}

// Decodes a frame that passed the EtherType check. False when it is too short to hold the
// arguments (40 bytes); then only violations and addresses are meaningful.
bool DecodeRequest(const uint8_t* frame, size_t length, SimRequest& out);

// True when the frame is one of ours by EtherType and long enough for addresses and type.
bool IsProtocolFrame(const uint8_t* frame, size_t length);

// A reply: type 1, the command code's low byte, the request's sequence at 18, eight payload
// bytes at 20, zero fill, and the tail (pad 0, last 1, fragment 1) in the last four bytes of a
// 60-byte frame.
std::vector<uint8_t> BuildReply(const SimMac& dst, const SimMac& src, uint16_t msgSeq, uint8_t code,
                                uint16_t requestSeq, const std::array<uint8_t, 8>& payload);

// An event: type 3, code, three words at 18, 20 and 22; 60 bytes with the tail at the end.
std::vector<uint8_t> BuildEvent(const SimMac& dst, const SimMac& src, uint16_t msgSeq, uint8_t code,
                                uint16_t w1, uint16_t w2, uint16_t w3);

// One data fragment. data holds the fragment's data bytes; a frame that would be shorter than
// 60 bytes gets zero padding before the tail and the pad count says how many bytes that is
// (only a last fragment may be padded, because the host subtracts the pad count only there).
std::vector<uint8_t> BuildDataFragment(const SimMac& dst, const SimMac& src, uint16_t msgSeq,
                                       const uint8_t* data, size_t n, bool last, uint16_t fragment);

// Splits a data message into fragments of at most maxFrame bytes each (data chunks are the
// largest even size that fits), numbered 1, 2, ... with the last flag on the final one.
std::vector<std::vector<uint8_t>> BuildDataMessage(const SimMac& dst, const SimMac& src, uint16_t msgSeq,
                                                   const std::vector<uint8_t>& data, size_t maxFrame);

// Largest even number of data bytes in one fragment of maxFrame bytes.
size_t ChunkSize(size_t maxFrame);

std::string MacText(const SimMac& mac);
bool ParseMac(const std::string& text, SimMac& out);

}  // namespace SimWire
