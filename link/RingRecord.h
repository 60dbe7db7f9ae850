// The records of the data ring as their readers see them. A record is a run of 16-bit
// host-order words that may wrap at the end of the ring:
//   word 0   L, the number of bytes after word 0 (the record is L/2 + 1 words long)
//   word 1   record type (a character) << 8 | channel code (slot * 10 + channel)
//   word 2.. payload by type (below)
// A record too short for its type is malformed; readers skip it like a record of an
// unknown type.
#pragma once

#include "link/DataRing.h"

#include <cstdint>

enum class RecordType : std::uint8_t {
    TraceRecord = 'f',     // words 2,3: position counter (u32); words 4..: (L-6)/2 samples
    SensorRecord = '\\',   // words 2..5: four 50/60 Hz values, 14 bits, sign from bit 13
    PositionRecord = ':',  // words 2,3: signed distance position
    TimeRecord = ';',      // words 2,3: time position in 1/1024 s
    StatusRecord = ']',    // word 2: status bits; bit 3 is the marker input
    SlotWordRecord = '@',  // word 2: buffer fill value of the record's slot
    BatteryRecord = 'M',   // word 2: raw battery value
};

struct RingRecord {
    std::uint32_t index = 0;       // of the length word
    std::uint16_t length = 0;      // L
    std::uint8_t type = 0;         // 0 when L is too short to hold the type word
    std::uint8_t channelCode = 0;

    std::uint32_t Words() const { return length / 2u + 1u; }
    int Slot() const { return channelCode / 10; }
    int Channel() const { return channelCode % 10; }
    bool Is(RecordType t) const { return type == static_cast<std::uint8_t>(t); }
};

// The header of the record whose length word is at `index`.
RingRecord ReadRecordHeader(const DataRing& ring, std::uint32_t index);

// Whether the record is long enough for the payload of its type (false for unknown types).
bool IsWellFormed(const RingRecord& record);

// Payload word `i` (2 is the first payload word) of a record.
inline std::uint16_t RecordWord(const DataRing& ring, const RingRecord& record, std::uint32_t i)
{
    return ring.Word(std::uint64_t{record.index} + i);
}

// Words 2 and 3 as one 32-bit value (word 2 * 65536 + word 3).
std::uint32_t RecordLong(const DataRing& ring, const RingRecord& record);

// Number of samples of a trace record; 0 when it is too short to hold any.
std::uint32_t TraceSampleCount(const RingRecord& record);

// Copies at most `capacity` samples of a trace record; returns the number copied.
std::uint32_t CopyTraceSamples(const DataRing& ring, const RingRecord& record, std::int16_t* out,
                               std::uint32_t capacity);

// A 50/60 Hz sensor value: the low 14 bits, sign-extended from bit 13.
inline std::int16_t SensorValue(std::uint16_t raw)
{
    const int v = raw & 0x3FFF;
    return static_cast<std::int16_t>(v & 0x2000 ? v - 0x4000 : v);
}
