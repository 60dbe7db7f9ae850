// A ring record checked for what the acquisition is about to do with it. The unit's data
// is untrusted input: before any field is used the record must be long enough for its
// type, name a slot 0..7 and a channel 0..1 where the type refers to one, and a trace must
// carry 1 to 2048 samples. A record that fails is skipped whole; one of an unknown type too.
#pragma once

#include "link/RingRecord.h"

#include <array>
#include <cstdint>

enum class RecordVerdict {
    Usable,
    UnknownType,    // a type the acquisition does not read
    TooShort,       // shorter than its type's payload
    BadChannel,     // a slot above 7 or a channel above 1
    BadSampleCount, // a trace without samples or with more than 2048
};

struct AcquiredRecord {
    static constexpr std::uint32_t kMaxSamples = 2048;

    RecordType type = RecordType::TraceRecord;
    int slot = 0;
    int channel = 0;
    // Trace and position records: the position as the signed 32-bit value the unit counts
    // in; time records: the unsigned 32-bit time; status, slot-word and battery records:
    // the word.
    std::int64_t value = 0;
    std::uint32_t samples = 0;                // trace records
    std::array<std::int16_t, 4> sensor{};     // sensor records, decoded from 14 bits

    int Index() const { return slot * 2 + channel; }
};

// Checks the record whose header is `record` and, when usable, fills `out`.
RecordVerdict CheckRecord(const DataRing& ring, const RingRecord& record, AcquiredRecord& out);
