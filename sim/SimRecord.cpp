#include "sim/SimRecord.h"

SimRecord SimRecord::Trace(uint8_t code, uint32_t position, const std::vector<int16_t>& samples)
{
    SimRecord r;
    r.type = kTrace;
    r.code = code;
    r.payload.reserve(2 + samples.size());
    r.payload.push_back(uint16_t(position >> 16));
    r.payload.push_back(uint16_t(position));
    for (int16_t s : samples)
        r.payload.push_back(uint16_t(s));
    return r;
}

SimRecord SimRecord::Sensor(uint8_t code, const uint16_t words[4])
{
    SimRecord r;
    r.type = kSensor;
    r.code = code;
    r.payload.assign(words, words + 4);
    return r;
}

SimRecord SimRecord::Counter(uint8_t type, uint8_t code, uint32_t value)
{
    SimRecord r;
    r.type = type;
    r.code = code;
    r.payload = {uint16_t(value >> 16), uint16_t(value)};
    return r;
}

SimRecord SimRecord::Word(uint8_t type, uint8_t code, uint16_t word)
{
    SimRecord r;
    r.type = type;
    r.code = code;
    r.payload = {word};
    return r;
}

std::vector<uint8_t> SerializeRecords(const std::vector<SimRecord>& records)
{
    size_t total = 0;
    for (const SimRecord& r : records)
        total += r.WireBytes();
    std::vector<uint8_t> out;
    out.reserve(total);
    auto put = [&out](uint16_t w) {
        out.push_back(uint8_t(w >> 8));
        out.push_back(uint8_t(w));
    };
    for (const SimRecord& r : records) {
        put(r.Length());
        put(uint16_t(r.type << 8 | r.code));
        for (uint16_t w : r.payload)
            put(w);
    }
    return out;
}
