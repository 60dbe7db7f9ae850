// The host's reading of the unit's frames, written in the tests from the frame tables and
// apart from the simulator's own encoder, so that a misreading in either shows up: request
// frames made by hand, incoming frames taken apart by offset, and the link's reassembly of
// data messages with its drop reasons.
#pragma once

#include "sim/SimWire.h"

#include <cstdint>
#include <vector>

struct HostFrame {
    size_t length = 0;
    SimMac dst{}, src{};
    uint16_t etherType = 0;
    uint16_t msgSeq = 0;
    uint8_t type = 0, code = 0;
    uint16_t word18 = 0;
    uint8_t payload[8]{};
    uint8_t pad = 0, last = 0;
    uint16_t frag = 0;
};

// Needs at least 24 bytes (header and tail); shorter frames give length only.
HostFrame ParseHostFrame(const std::vector<uint8_t>& f);

struct HostRecord {
    uint16_t length = 0;
    uint8_t type = 0, code = 0;
    std::vector<uint16_t> payload;
};

// Splits the words of a message into records; false when a record runs past the end.
bool ParseHostRecords(const std::vector<uint16_t>& words, std::vector<HostRecord>& out);

std::vector<uint8_t> MakeRequest(const SimMac& dst, const SimMac& src, uint16_t seq, uint16_t code,
                                 uint16_t arg1, uint32_t a2 = 0, uint32_t a3 = 0, uint32_t a4 = 0,
                                 uint32_t a5 = 0, uint32_t a6 = 0);

// Reassembles data messages the way the link's receive thread does; a message counts once
// the first fragment of the next message has arrived (or Finish is called).
class HostReassembler {
public:
    explicit HostReassembler(const SimMac& host) : m_host(host) {}
    void Feed(const std::vector<uint8_t>& frame);
    void Finish();

    std::vector<std::vector<uint16_t>> messages;   // committed data messages, as host words
    std::vector<HostFrame> replies;
    std::vector<HostFrame> events;
    std::vector<int> drops;                        // -3, -4, -5, -6 in the order they happened
    size_t ignored = 0;                            // not for this host, foreign EtherType, too short
    size_t badPad = 0;                             // pad count larger than the frame's data

private:
    void Commit();

    SimMac m_host;
    bool m_first = true;
    bool m_prevLast = true;
    uint16_t m_expectedSeq = 0;
    uint16_t m_expectedFrag = 0;
    bool m_valid = true;
    std::vector<uint16_t> m_current;
};
