// Frames as the control unit sends them, and the requests it receives, for the link's
// tests: every frame at least 60 bytes with its tail (pad count, last flag, fragment
// number) at the very end.
#pragma once

#include "link/WireFormat.h"

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline constexpr MacAddress kHostMac = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
inline constexpr MacAddress kUnitMac = {0x02, 0x00, 0x00, 0x00, 0x00, 0x55};

// A frame of the unit with `body` after the 20-byte header, padded to 60 bytes
// (the tail's pad count says how much of a last data fragment is padding).
Bytes UnitFrame(const MacAddress& dst, std::uint16_t messageSeq, std::uint8_t type, std::uint8_t code,
                std::uint16_t word1, const Bytes& body, std::uint16_t fragment, bool last);

Bytes ReplyFrame(const MacAddress& dst, std::uint16_t messageSeq, std::uint16_t requestSeq,
                 const Bytes& payload8, std::uint8_t code = 0);
Bytes EventFrame(const MacAddress& dst, std::uint16_t messageSeq, std::uint8_t code, std::uint16_t w1,
                 std::uint16_t w2, std::uint16_t w3);
// One data fragment carrying `words` (big-endian on the wire).
Bytes DataFragment(const MacAddress& dst, std::uint16_t messageSeq, std::uint16_t fragment, bool last,
                   const std::vector<std::uint16_t>& words);

// Ring records as word runs.
std::vector<std::uint16_t> TraceRecordWords(int channelCode, std::uint32_t position,
                                            const std::vector<std::int16_t>& samples);
std::vector<std::uint16_t> ShortRecordWords(char type, int channelCode, const std::vector<std::uint16_t>& payload);

// Splits the words of one message into fragments of at most `wordsPerFragment`.
std::vector<Bytes> DataMessage(const MacAddress& dst, std::uint16_t messageSeq,
                               const std::vector<std::uint16_t>& words, std::size_t wordsPerFragment = 745);

// A request as it came off the wire.
struct Request {
    MacAddress dst{};
    MacAddress src{};
    std::uint16_t etherType = 0;
    std::uint16_t sequence = 0;
    std::uint16_t code = 0;
    std::uint16_t arg1 = 0;
    std::uint32_t args[5] = {};  // arguments 2 to 6
    std::size_t length = 0;
    Bytes raw;
    bool broadcast() const { return dst == kBroadcastMac; }
};
Request ParseRequest(const std::uint8_t* frame, std::size_t len);

std::string Hex(const Bytes& bytes);
