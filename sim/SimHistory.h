// What the simulated unit received and sent, kept for tests that assert exact command
// sequences and exact trace contents.
#pragma once

#include "sim/SimRecord.h"
#include "sim/SimWire.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct SimReceived {
    int64_t timeUs = 0;
    SimRequest request;
    std::string action;   // "reply", "no reply (vanished)", "no reply (refused start)", ...
};

struct SimSentMessage {
    int64_t timeUs = 0;
    uint16_t msgSeq = 0;
    uint8_t type = 0;     // SimWire::kTypeReply, kTypeData, kTypeEvent; 0 for a malformed frame
    uint8_t code = 0;
    uint16_t word18 = 0;  // reply: the request sequence answered; event: word 1
    std::array<uint8_t, 8> payload{};
    size_t frames = 0;    // frames actually put on the wire
    std::vector<SimRecord> records;
    std::vector<std::string> faults;
};

struct SimTrace {
    int64_t timeUs = 0;
    uint16_t msgSeq = 0;
    uint8_t code = 0;          // slot * 10 + channel
    uint32_t position = 0;     // as sent
    int64_t traceNumber = 0;   // j of the pattern
    bool requested = false;    // answer to a single-trace request
    std::vector<int16_t> samples;
};

struct SimStats {
    uint64_t requests = 0;
    uint64_t ignored = 0;        // requests not answered (vanished, refused, not for us)
    uint64_t replies = 0;
    uint64_t events = 0;
    uint64_t dataMessages = 0;
    uint64_t frames = 0;
    uint64_t bytes = 0;
    uint64_t traces = 0;
    uint64_t sensorRecords = 0;
    uint64_t keepAlives = 0;
    uint64_t sendErrors = 0;
    uint64_t faultsFired = 0;
    uint64_t violations = 0;     // requests that departed from the request layout
};
