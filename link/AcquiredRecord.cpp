#include "link/AcquiredRecord.h"

namespace {

bool ChannelCodeValid(const RingRecord& record)
{
    return record.Slot() <= 7 && record.Channel() <= 1;
}

}  // namespace

RecordVerdict CheckRecord(const DataRing& ring, const RingRecord& record, AcquiredRecord& out)
{
    if (record.length < 2)
        return RecordVerdict::TooShort;
    const auto type = static_cast<RecordType>(record.type);
    out.type = type;
    out.slot = record.Slot();
    out.channel = record.Channel();
    switch (type) {
    case RecordType::TraceRecord: {
        if (record.length < 6)
            return RecordVerdict::TooShort;
        if (!ChannelCodeValid(record))
            return RecordVerdict::BadChannel;
        const std::uint32_t n = TraceSampleCount(record);
        if (n == 0 || n > AcquiredRecord::kMaxSamples)
            return RecordVerdict::BadSampleCount;
        out.samples = n;
        out.value = static_cast<std::int32_t>(RecordLong(ring, record));
        return RecordVerdict::Usable;
    }
    case RecordType::SensorRecord:
        if (record.length < 10)
            return RecordVerdict::TooShort;
        if (!ChannelCodeValid(record))
            return RecordVerdict::BadChannel;
        for (std::uint32_t m = 0; m < 4; ++m)
            out.sensor[m] = SensorValue(RecordWord(ring, record, 2 + m));
        return RecordVerdict::Usable;
    case RecordType::PositionRecord:
        if (record.length < 6)
            return RecordVerdict::TooShort;
        out.value = static_cast<std::int32_t>(RecordLong(ring, record));
        return RecordVerdict::Usable;
    case RecordType::TimeRecord:
        if (record.length < 6)
            return RecordVerdict::TooShort;
        out.value = RecordLong(ring, record);
        return RecordVerdict::Usable;
    case RecordType::SlotWordRecord:
        if (record.length < 4)
            return RecordVerdict::TooShort;
        if (record.Slot() > 7)
            return RecordVerdict::BadChannel;
        out.value = RecordWord(ring, record, 2);
        return RecordVerdict::Usable;
    case RecordType::StatusRecord:
    case RecordType::BatteryRecord:
        if (record.length < 4)
            return RecordVerdict::TooShort;
        out.value = RecordWord(ring, record, 2);
        return RecordVerdict::Usable;
    }
    return RecordVerdict::UnknownType;
}
