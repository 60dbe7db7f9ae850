#include "link/RingRecord.h"

#include <algorithm>

RingRecord ReadRecordHeader(const DataRing& ring, std::uint32_t index)
{
    RingRecord record;
    record.index = index;
    record.length = ring.Word(index);
    if (record.length >= 2) {
        const std::uint16_t w1 = ring.Word(std::uint64_t{index} + 1);
        record.type = static_cast<std::uint8_t>(w1 >> 8);
        record.channelCode = static_cast<std::uint8_t>(w1 & 0xFF);
    }
    return record;
}

bool IsWellFormed(const RingRecord& record)
{
    switch (static_cast<RecordType>(record.type)) {
    case RecordType::TraceRecord:
    case RecordType::PositionRecord:
    case RecordType::TimeRecord:
        return record.length >= 6;
    case RecordType::SensorRecord:
        return record.length >= 10;
    case RecordType::StatusRecord:
    case RecordType::SlotWordRecord:
    case RecordType::BatteryRecord:
        return record.length >= 4;
    }
    return false;
}

std::uint32_t RecordLong(const DataRing& ring, const RingRecord& record)
{
    return (std::uint32_t{RecordWord(ring, record, 2)} << 16) | RecordWord(ring, record, 3);
}

std::uint32_t TraceSampleCount(const RingRecord& record)
{
    return record.length >= 6 ? (record.length - 6u) / 2u : 0u;
}

std::uint32_t CopyTraceSamples(const DataRing& ring, const RingRecord& record, std::int16_t* out,
                               std::uint32_t capacity)
{
    const std::uint32_t n = std::min(TraceSampleCount(record), capacity);
    // Samples are the ring's words taken as signed; the copy runs in at most two pieces.
    ring.CopyWords((record.index + 4u) % ring.Size(), n, reinterpret_cast<std::uint16_t*>(out));
    return n;
}
