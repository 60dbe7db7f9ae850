// One end of a link that carries whole Ethernet frames: the unit's network interface, or
// one side of an in-memory wire.
#pragma once

#include "sim/SimWire.h"

#include <cstdint>
#include <vector>

class CSimPort {
public:
    virtual ~CSimPort() = default;
    // False when the frame could not be sent.
    virtual bool Send(const uint8_t* frame, size_t length) = 0;
    // 1: a frame was received into frame; 0: none within timeoutUs; -1: the port is closed.
    virtual int Receive(std::vector<uint8_t>& frame, int64_t timeoutUs) = 0;
    virtual SimMac Address() const = 0;
};
