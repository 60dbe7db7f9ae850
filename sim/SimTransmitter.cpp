#include "sim/SimTransmitter.h"

#include "sim/SimCrc32.h"
#include "sim/SimPattern.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// The source of frames that a host must never take for the unit's: if it learnt this address
// from them, its later requests would go nowhere and a test would see it.
constexpr SimMac kDecoy{0x02, 0xDE, 0xAD, 0xBE, 0xEF, 0x01};
constexpr SimMac kOtherStation{0x02, 0x00, 0x00, 0x00, 0x00, 0x99};

std::string Hex(const std::array<uint8_t, 8>& bytes)
{
    std::string out;
    char two[3];
    for (uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        out += two;
    }
    return out;
}

std::string RecordTypeText(uint8_t type) { return std::string(1, char(type)); }

std::string RecordsJson(const std::vector<SimRecord>& records)
{
    std::string out = "[";
    for (size_t i = 0; i < records.size(); ++i) {
        const SimRecord& r = records[i];
        SimJson j;
        j.Str("type", RecordTypeText(r.type)).Num("code", r.code).Num("L", r.Length());
        if (r.type == SimRecord::kTrace && r.payload.size() >= 2) {
            j.Num("pos", int64_t(uint32_t(r.payload[0]) << 16 | r.payload[1]));
            j.Num("n", int64_t(r.payload.size() - 2));
            char crc[12];
            std::snprintf(crc, sizeof crc, "%08x",
                          SimCrc32(reinterpret_cast<const uint16_t*>(r.payload.data() + 2), r.payload.size() - 2));
            j.Str("crc", crc);
        } else {
            std::vector<int64_t> words(r.payload.begin(), r.payload.end());
            j.Nums("words", words);
        }
        if (i)
            out += ',';
        out += j.Text();
    }
    return out + "]";
}

}  // namespace

CSimTransmitter::CSimTransmitter(CSimFaultPlan& faults, CSimLog& log, SimStats& stats)
    : m_faults(faults), m_log(log), m_stats(stats)
{
}

bool CSimTransmitter::Put(const std::vector<uint8_t>& frame)
{
    ++m_stats.frames;
    m_stats.bytes += frame.size();
    if (m_sink && m_sink(frame.data(), frame.size()))
        return true;
    ++m_stats.sendErrors;
    return false;
}

void CSimTransmitter::Remember(SimSentMessage&& m)
{
    if (m_historyLimit == 0)
        return;
    if (m_history.size() >= m_historyLimit)
        m_history.pop_front();
    m_history.push_back(std::move(m));
}

void CSimTransmitter::Log(const SimSentMessage& m, size_t bytes)
{
    if (!m_log.Enabled())
        return;
    SimJson j;
    j.Num("t", m.timeUs).Str("dir", "out").Num("msgseq", m.msgSeq);
    switch (m.type) {
    case SimWire::kTypeReply:
        j.Str("type", "reply").Num("code", m.code).Num("seq", m.word18).Str("payload", Hex(m.payload));
        break;
    case SimWire::kTypeEvent:
        j.Str("type", "event").Num("code", m.code).Num("w1", m.word18);
        break;
    case SimWire::kTypeData:
        j.Str("type", "data").Num("bytes", int64_t(bytes)).Raw("records", RecordsJson(m.records));
        break;
    default:
        j.Str("type", "malformed");
        break;
    }
    j.Num("frames", int64_t(m.frames));
    if (!m.faults.empty())
        j.Strs("faults", m.faults);
    m_log.Write(j);
}

void CSimTransmitter::BeforeMessage(int64_t now, const SimMac& dst)
{
    for (const SimFault& f : m_faults.Take(SimChance::AnyMessage)) {
        ++m_stats.faultsFired;
        if (f.kind == SimFaultKind::SeqJump) {
            m_seq = uint16_t(m_seq + f.Arg(0));
            if (m_log.Enabled())
                m_log.Write(SimJson().Num("t", now).Str("fault", f.text).Num("msgseq", m_seq));
            continue;
        }
        SendStandalone(now, dst, f);
    }
}

void CSimTransmitter::SendStandalone(int64_t now, const SimMac& dst, const SimFault& f)
{
    SimSentMessage m;
    m.timeUs = now;
    m.msgSeq = TakeSeq();
    m.faults.push_back(f.text);
    std::vector<uint8_t> frame;
    const std::array<uint8_t, 8> decoyPayload{0xFF, 0xFF, kDecoy[0], kDecoy[1], kDecoy[2], kDecoy[3], kDecoy[4], kDecoy[5]};
    switch (f.kind) {
    case SimFaultKind::ShortFrame: {
        frame = SimWire::BuildDataFragment(dst, m_own, m.msgSeq, nullptr, 0, true, 1);
        frame.resize(size_t(f.Arg(0, 20)));
        break;
    }
    case SimFaultKind::ShortReply: {
        frame = SimWire::BuildReply(dst, m_own, m.msgSeq, 0, 0, {});
        const size_t len = size_t(f.Arg(0, 24));
        frame.resize(len);
        frame[len - 4] = 0;
        frame[len - 3] = 1;
        SimWire::Put16(&frame[len - 2], 1);
        m.type = SimWire::kTypeReply;
        break;
    }
    case SimFaultKind::PadOver:
    case SimFaultKind::OddData: {
        // A 14-sample trace fills the 36 data bytes of a minimum frame exactly.
        const SimRecord r = SimRecord::Trace(0, 0, SimPattern{}.Trace(0, 0, 14));
        std::vector<uint8_t> data = SerializeRecords({r});
        if (f.kind == SimFaultKind::OddData)
            data.push_back(0);
        frame = SimWire::BuildDataFragment(dst, m_own, m.msgSeq, data.data(), data.size(), true, 1);
        if (f.kind == SimFaultKind::PadOver)
            frame[frame.size() - 4] = 255;
        m.records.push_back(r);
        m.type = SimWire::kTypeData;
        break;
    }
    case SimFaultKind::UnknownType:
        frame = SimWire::BuildEvent(dst, m_own, m.msgSeq, 0, 0, 0, 0);
        frame[16] = uint8_t(f.Arg(0, 7));
        break;
    case SimFaultKind::WrongEtherType:
        frame = SimWire::BuildReply(dst, kDecoy, m.msgSeq, 0xFF, 0, decoyPayload);
        SimWire::Put16(&frame[12], 0x5556);
        break;
    case SimFaultKind::WrongDst:
        frame = SimWire::BuildReply(kOtherStation, kDecoy, m.msgSeq, 0xFF, 0, decoyPayload);
        break;
    case SimFaultKind::BcastDst:
        frame = SimWire::BuildReply(SimWire::kBroadcast, kDecoy, m.msgSeq, 0xFF, 0, decoyPayload);
        break;
    case SimFaultKind::Jumbo: {
        // Filled with whole small records, so a host that takes jumbo frames can check them.
        size_t room = size_t(f.Arg(0, 9014)) - SimWire::kHeaderSize - SimWire::kTailSize;
        room &= ~size_t(1);
        std::vector<SimRecord> records;
        const uint16_t noWords[4] = {0, 0, 0, 0};
        if (room % 8 == 6 || room % 8 == 2)
            records.push_back(SimRecord::Word(SimRecord::kStatus, 0, 0));
        if (room % 8 == 4 || room % 8 == 2)
            records.push_back(SimRecord::Sensor(0, noWords));
        size_t used = 0;
        for (const SimRecord& r : records)
            used += r.WireBytes();
        for (uint32_t v = 0; used + 8 <= room; ++v, used += 8)
            records.push_back(SimRecord::Counter(SimRecord::kTime, 0, v));
        const std::vector<uint8_t> data = SerializeRecords(records);
        frame = SimWire::BuildDataFragment(dst, m_own, m.msgSeq, data.data(), data.size(), true, 1);
        m.records = records;
        m.type = SimWire::kTypeData;
        break;
    }
    default:
        return;
    }
    m.frames = Put(frame) ? 1 : 0;
    Log(m, frame.size());
    Remember(std::move(m));
}

void CSimTransmitter::SendReply(int64_t now, const SimMac& dst, uint8_t code, uint16_t requestSeq,
                                const std::array<uint8_t, 8>& payload, std::vector<std::string> faults)
{
    BeforeMessage(now, dst);
    SimSentMessage m;
    m.timeUs = now;
    m.msgSeq = TakeSeq();
    m.type = SimWire::kTypeReply;
    m.code = code;
    m.word18 = requestSeq;
    m.payload = payload;
    m.faults = std::move(faults);
    m.frames = Put(SimWire::BuildReply(dst, m_own, m.msgSeq, code, requestSeq, payload)) ? 1 : 0;
    ++m_stats.replies;
    Log(m, SimWire::kMinFrame);
    Remember(std::move(m));
}

void CSimTransmitter::SendEvent(int64_t now, const SimMac& dst, uint8_t code, uint16_t w1, uint16_t w2, uint16_t w3,
                                std::vector<std::string> faults)
{
    BeforeMessage(now, dst);
    SimSentMessage m;
    m.timeUs = now;
    m.msgSeq = TakeSeq();
    m.type = SimWire::kTypeEvent;
    m.code = code;
    m.word18 = w1;
    m.payload[0] = uint8_t(w2 >> 8);
    m.payload[1] = uint8_t(w2);
    m.payload[2] = uint8_t(w3 >> 8);
    m.payload[3] = uint8_t(w3);
    m.faults = std::move(faults);
    m.frames = Put(SimWire::BuildEvent(dst, m_own, m.msgSeq, code, w1, w2, w3)) ? 1 : 0;
    ++m_stats.events;
    Log(m, SimWire::kMinFrame);
    Remember(std::move(m));
}

uint16_t CSimTransmitter::SendData(int64_t now, const SimMac& dst, const std::vector<SimRecord>& records,
                                   std::vector<std::string> faults)
{
    return SendDataBytes(now, dst, SerializeRecords(records), records, std::move(faults));
}

uint16_t CSimTransmitter::SendDataBytes(int64_t now, const SimMac& dst, const std::vector<uint8_t>& bytes,
                                        std::vector<SimRecord> records, std::vector<std::string> faults)
{
    BeforeMessage(now, dst);
    SimSentMessage m;
    m.timeUs = now;
    m.msgSeq = TakeSeq();
    m.type = SimWire::kTypeData;
    m.records = std::move(records);
    m.faults = std::move(faults);

    std::vector<std::vector<uint8_t>> frames = SimWire::BuildDataMessage(dst, m_own, m.msgSeq, bytes, m_maxFrame);
    const size_t count = frames.size();
    std::vector<size_t> order(count);
    for (size_t i = 0; i < count; ++i)
        order[i] = i;
    std::vector<bool> dropped(count, false);
    bool stray = false;

    const auto fired = m_faults.Take(SimChance::DataMessage, [count](const SimFault& f) {
        switch (f.kind) {
        case SimFaultKind::DropFrag:
            return size_t(f.Arg(0)) <= count;
        case SimFaultKind::DropLast:
        case SimFaultKind::ForeignSeq:
            return count >= 2;
        case SimFaultKind::SwapFrags:
            return size_t(std::max(f.Arg(0, 1), f.Arg(1, 2))) <= count;
        default:
            return true;
        }
    });
    for (const SimFault& f : fired) {
        ++m_stats.faultsFired;
        m.faults.push_back(f.text);
        switch (f.kind) {
        case SimFaultKind::DropFrag:
            dropped[size_t(f.Arg(0)) - 1] = true;
            break;
        case SimFaultKind::DropLast:
            dropped[count - 1] = true;
            break;
        case SimFaultKind::SwapFrags:
            std::swap(order[size_t(f.Arg(0, 1)) - 1], order[size_t(f.Arg(1, 2)) - 1]);
            break;
        case SimFaultKind::ForeignSeq:
            SimWire::Put16(&frames[1][14], uint16_t(m.msgSeq + f.Arg(0, -1)));
            break;
        case SimFaultKind::StrayFrag:
            stray = true;
            break;
        default:
            break;
        }
    }

    for (size_t i : order) {
        if (dropped[i])
            continue;
        if (Put(frames[i]))
            ++m.frames;
    }
    ++m_stats.dataMessages;
    Log(m, bytes.size());
    const uint16_t seq = m.msgSeq;
    Remember(std::move(m));

    if (stray) {
        // A continuation nobody started: fragment 2, last, carrying one status record.
        const std::vector<uint8_t> data = SerializeRecords({SimRecord::Word(SimRecord::kStatus, 0, 0)});
        const std::vector<uint8_t> frame = SimWire::BuildDataFragment(dst, m_own, seq, data.data(), data.size(), true, 2);
        SimSentMessage s;
        s.timeUs = now;
        s.msgSeq = seq;
        s.type = SimWire::kTypeData;
        s.faults.push_back("stray-frag");
        s.frames = Put(frame) ? 1 : 0;
        Log(s, data.size());
        Remember(std::move(s));
    }
    return seq;
}
