// The host's reading of the unit's frames, written in the tests from the frame tables and
// apart from the simulator's own encoder, so that a misreading in either shows up: request
// frames made by hand and incoming frames taken apart by offset.
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

std::vector<uint8_t> MakeRequest(const SimMac& dst, const SimMac& src, uint16_t seq, uint16_t code,
                                 uint16_t arg1, uint32_t a2 = 0, uint32_t a3 = 0, uint32_t a4 = 0,
                                 uint32_t a5 = 0, uint32_t a6 = 0);
