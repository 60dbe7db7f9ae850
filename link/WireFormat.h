// The unit's Ethernet framing: addresses, the EtherType, frame types and the fixed
// offsets of requests and incoming frames.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

using MacAddress = std::array<std::uint8_t, 6>;

inline constexpr MacAddress kBroadcastMac = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// "aa:bb:cc:dd:ee:ff"
std::string FormatMac(const MacAddress& mac);

namespace wire {

inline constexpr std::uint16_t kEtherType = 0x5555;

// Incoming frame types (byte 16).
inline constexpr std::uint8_t kTypeReply = 1;
inline constexpr std::uint8_t kTypeData = 2;
inline constexpr std::uint8_t kTypeEvent = 3;

// Requests are always this long.
inline constexpr std::size_t kRequestBytes = 104;

// Incoming frames: header up to the message body, and the four tail bytes
// (pad count, last-fragment flag, fragment number) at the very end.
inline constexpr std::size_t kOffDestination = 0;
inline constexpr std::size_t kOffSource = 6;
inline constexpr std::size_t kOffEtherType = 12;
inline constexpr std::size_t kOffSequence = 14;
inline constexpr std::size_t kOffFrameType = 16;
inline constexpr std::size_t kOffCode = 17;
inline constexpr std::size_t kOffWord1 = 18;   // reply: sequence of the request answered
inline constexpr std::size_t kOffBody = 20;    // reply payload, event words 2 and 3, data
inline constexpr std::size_t kTailBytes = 4;
inline constexpr std::size_t kMinFrame = kOffBody + kTailBytes;        // 24
inline constexpr std::size_t kReplyPayload = 8;
inline constexpr std::size_t kMinReply = kOffBody + kReplyPayload + kTailBytes;  // 32
inline constexpr std::size_t kMinEvent = kOffBody + 4 + kTailBytes;             // 28

// Well-known request codes.
inline constexpr std::uint16_t kDiscovery = 0xFFFF;
inline constexpr std::uint16_t kHandshake = 0xFFFE;

}  // namespace wire
