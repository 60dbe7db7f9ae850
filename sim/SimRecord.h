// One record of a data message as the unit writes it: a length word L (bytes after it), a
// word with the record type in the high byte and the channel code (slot * 10 + channel) in
// the low byte, then the payload words. Records are concatenated as big-endian words.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

struct SimRecord {
    static constexpr uint8_t kTrace = 'f';
    static constexpr uint8_t kSensor = '\\';
    static constexpr uint8_t kPosition = ':';
    static constexpr uint8_t kTime = ';';
    static constexpr uint8_t kStatus = ']';
    static constexpr uint8_t kSlotWord = '@';
    static constexpr uint8_t kBattery = 'M';

    uint8_t type = 0;
    uint8_t code = 0;
    std::vector<uint16_t> payload;         // words 2 onward
    std::optional<uint16_t> lengthWord;    // a deliberately wrong L; none: 2 + 2 * payload words

    uint16_t Length() const { return lengthWord ? *lengthWord : uint16_t(2 + 2 * payload.size()); }
    size_t WireBytes() const { return 4 + 2 * payload.size(); }

    static SimRecord Trace(uint8_t code, uint32_t position, const std::vector<int16_t>& samples);
    static SimRecord Sensor(uint8_t code, const uint16_t words[4]);
    static SimRecord Counter(uint8_t type, uint8_t code, uint32_t value);   // ':' and ';'
    static SimRecord Word(uint8_t type, uint8_t code, uint16_t word);       // ']', '@' and 'M'
};

// Big-endian bytes of the records, one after another.
std::vector<uint8_t> SerializeRecords(const std::vector<SimRecord>& records);
