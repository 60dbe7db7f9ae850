#include "sim/SimUnit.h"

#include <cstdlib>
#include <cstring>

namespace {

std::array<uint8_t, 8> Be32Payload(uint32_t v)
{
    std::array<uint8_t, 8> p{};
    SimWire::Put32(p.data(), v);
    return p;
}

std::array<uint8_t, 8> LeDoublePayload(double v)
{
    static_assert(sizeof(double) == 8);
    uint64_t bits = 0;
    std::memcpy(&bits, &v, 8);
    std::array<uint8_t, 8> p{};
    for (int i = 0; i < 8; ++i)
        p[size_t(i)] = uint8_t(bits >> (8 * i));
    return p;
}

}  // namespace

CSimUnit::CSimUnit(const CSimUnitConfig& config, const CSimClock& clock)
    : m_clock(clock), m_config(config), m_tx(m_faults, m_log, m_stats)
{
    m_tx.SetAddress(m_config.mac);
    m_tx.SetMaxFrame(m_config.maxFrame);
    m_tx.SetHistoryLimit(m_config.historyLimit);
    m_markers.assign(m_config.markerScript.begin(), m_config.markerScript.end());
    m_wheelUs = m_clock.NowUs();
    PowerUp();
}

void CSimUnit::PowerUp()
{
    m_settings.Reset(m_config.defaultSamples);
    m_tx.Reset(m_config.firstMsgSeq);
    m_stream = Stream{};
    m_pending.clear();
    m_requestCount.clear();
    m_knowHost = false;
    m_host = SimWire::kBroadcast;
    m_skipSteps = 0;
    m_wheelFraction = 0;
    m_wheelLeap = 0;
    m_unsentTraces.clear();
}

void CSimUnit::SetSink(CSimTransmitter::Sink sink)
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    m_tx.SetSink(std::move(sink));
}

void CSimUnit::SetPortAddress(const SimMac& mac)
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    if (!m_config.macGiven) {
        m_config.mac = mac;
        m_tx.SetAddress(mac);
    }
}

SimMac CSimUnit::Address() const
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    return m_config.mac;
}

bool CSimUnit::OpenLog(const std::string& path, std::string& error)
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    return m_log.Open(path, error);
}

const SimSlotModule* CSimUnit::Module(uint32_t slot) const
{
    if (slot > 7)
        return nullptr;
    if (m_config.kind == CSimUnitConfig::Kind::Z5K && slot != 0)
        return nullptr;
    const SimSlotModule& m = m_config.slots[slot];
    return m.present ? &m : nullptr;
}

bool CSimUnit::SensorOn(int slot) const
{
    const SimSlotModule* m = Module(uint32_t(slot));
    return m && m->emSensor && m_settings.slot[size_t(slot)].emOn;
}

void CSimUnit::OnFrame(const uint8_t* frame, size_t length)
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    if (!SimWire::IsProtocolFrame(frame, length))
        return;
    SimMac dst, src;
    std::memcpy(dst.data(), frame, 6);
    std::memcpy(src.data(), frame + 6, 6);
    if (src == m_config.mac || (dst != m_config.mac && dst != SimWire::kBroadcast))
        return;

    const int64_t now = m_clock.NowUs();
    PollLocked(now);
    m_log.Hold();
    SimReceived rec;
    rec.timeUs = now;
    const bool whole = SimWire::DecodeRequest(frame, length, rec.request);
    ++m_stats.requests;
    if (!rec.request.violations.empty())
        ++m_stats.violations;
    if (!whole) {
        rec.action = "no reply (too short)";
        ++m_stats.ignored;
    } else if (m_vanished) {
        rec.action = "no reply (vanished)";
        ++m_stats.ignored;
    } else {
        m_host = rec.request.src;
        m_knowHost = true;
        rec.action = Handle(rec.request, now);
    }
    LogRequest(rec);
    if (m_config.historyLimit) {
        if (m_requests.size() >= m_config.historyLimit)
            m_requests.pop_front();
        m_requests.push_back(std::move(rec));
    }
}

void CSimUnit::LogRequest(const SimReceived& rec)
{
    if (!m_log.Enabled()) {
        m_log.Release({});
        return;
    }
    const SimRequest& r = rec.request;
    std::vector<int64_t> args{r.address};
    for (uint32_t a : r.args)
        args.push_back(a);
    SimJson j;
    j.Num("t", rec.timeUs).Str("dir", "in").Str("dst", r.broadcast ? "broadcast" : "unit")
        .Str("src", SimWire::MacText(r.src)).Num("seq", r.seq).Num("code", r.code).Nums("args", args)
        .Num("len", int64_t(r.length)).Str("action", rec.action);
    if (!r.violations.empty())
        j.Strs("violations", r.violations);
    m_log.Release({j});
}

std::string CSimUnit::Handle(const SimRequest& r, int64_t now)
{
    m_settings.Apply(r);
    if (r.code == 9 && m_stream.on && m_stream.wheel) {
        // A counter preset while streaming is a new reference, not a distance travelled.
        for (int64_t& f : m_stream.farthest)
            f = WheelPosition();
    }
    std::array<uint8_t, 8> payload{};
    switch (r.code) {
    case 0xFFFF:   // discovery: FF FF and the unit's address
        payload[0] = payload[1] = 0xFF;
        std::memcpy(&payload[2], m_config.mac.data(), 6);
        break;
    case 61:
        if (r.args[0] == 1)
            payload = Be32Payload(m_config.unitId);
        break;
    case 65: {
        const SimSlotModule* m = Module(r.address);
        if (r.args[0] == 4) {
            if (!m && m_config.silentEmptySlots) {
                ++m_stats.ignored;
                return "no reply (empty slot)";
            }
            if (m) {
                payload[0] = 1;
                payload[3] = uint8_t(m->type << 4);
            }
        } else if (r.args[0] == 20) {
            payload[0] = (m && m->emSensor) ? 1 : 0;
        }
        break;
    }
    case 71:
        if (r.address <= 7 && r.args[0] <= 3)
            payload = LeDoublePayload(m_config.slots[r.address].intervals[r.args[0]]);
        break;
    case 58: {
        const int c = CSimSettings::CounterIndex(r.address == CSimSettings::kAllSlots ? CSimSettings::kMasterWheel
                                                                                      : r.address);
        if (c >= 0)
            payload = Be32Payload(uint32_t(m_settings.counters[size_t(c)].value));
        break;
    }
    case 12: {
        const auto refused = m_faults.Take(SimChance::Start);
        if (!refused.empty()) {
            ++m_stats.faultsFired;
            ++m_stats.ignored;
            return "no reply (refused start)";
        }
        Reply(r, now, payload);
        StartStream(now);
        return "reply, streaming";
    }
    case 13:
        StopStream(now);
        Reply(r, now, payload);
        if (m_config.events)
            m_tx.SendEvent(now, m_host, kEventStopped, 0, 0, 0);
        return "reply, stopped";
    case 14:
        SendRequestedTrace(r, now);
        break;
    default:
        break;
    }
    Reply(r, now, payload);
    return "reply";
}

void CSimUnit::Reply(const SimRequest& r, int64_t now, const std::array<uint8_t, 8>& payload)
{
    const uint8_t code = uint8_t(r.code & 0xFF);
    uint16_t seq = r.seq;
    int copies = 1;
    int64_t delayUs = -1;
    std::vector<std::string> notes;
    for (const SimFault& f : m_faults.Take(SimChance::Reply)) {
        ++m_stats.faultsFired;
        notes.push_back(f.text);
        switch (f.kind) {
        case SimFaultKind::ReplyFlood:
            for (int64_t i = 0; i < f.Arg(0, 150); ++i)
                m_tx.SendReply(now, m_host, kFloodReplyCode, uint16_t(r.seq + 0x8000 + i), {}, {f.text});
            break;
        case SimFaultKind::EventFlood:
            for (int64_t i = 0; i < f.Arg(0, 150); ++i)
                m_tx.SendEvent(now, m_host, kEventFlood, uint16_t(i), 0, 0, {f.text});
            break;
        case SimFaultKind::ReplyDrop:
            copies = 0;
            break;
        case SimFaultKind::ReplyDup:
            copies = copies ? 2 : 0;
            break;
        case SimFaultKind::ReplyWrongSeq:
            seq = uint16_t(seq + f.Arg(0, 0x8000));
            break;
        case SimFaultKind::ReplyDelay:
            delayUs = f.Arg(0) * 1000;
            break;
        default:
            break;
        }
    }
    for (int i = 0; i < copies; ++i) {
        if (delayUs >= 0) {
            m_pending.push_back({now + delayUs, m_host, code, seq, payload, notes.empty() ? "" : notes.back()});
        } else {
            m_tx.SendReply(now, m_host, code, seq, payload, notes);
        }
    }
}

void CSimUnit::SendRequestedTrace(const SimRequest& r, int64_t now)
{
    const int slot = int(r.address);
    const int channel = int(r.args[0]) - 1;
    const SimSlotModule* m = Module(r.address);
    const bool z5k = m_config.kind == CSimUnitConfig::Kind::Z5K;
    if (!m || channel < 0 || channel > (z5k ? 0 : 1))
        return;   // no such channel: the reply comes without data
    const int code = slot * 10 + channel;
    const int64_t j = m_requestCount[code]++;
    std::vector<SimRecord> records;
    records.push_back(MakeTrace(now, slot, channel, uint32_t(j), j, true));
    if (SensorOn(slot))
        records.push_back(MakeSensor(slot, channel, j));
    SendRecords(now, records);
}

void CSimUnit::Remember(SimTrace&& t)
{
    if (!m_config.historyLimit)
        return;
    if (m_traces.size() >= m_config.historyLimit)
        m_traces.pop_front();
    m_traces.push_back(std::move(t));
}

void CSimUnit::Poll()
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    PollLocked(m_clock.NowUs());
}

bool CSimUnit::AddFault(const std::string& spec, std::string& error)
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    if (spec.rfind("vanish=", 0) == 0) {
        char* end = nullptr;
        const double seconds = std::strtod(spec.c_str() + 7, &end);
        if (end == spec.c_str() + 7 || *end || !(seconds >= 0) || seconds > 86400) {
            error = "vanish needs seconds from 0 to 86400";
            return false;
        }
        Vanish(seconds);
        return true;
    }
    return m_faults.Add(spec, error);
}

void CSimUnit::Vanish(double seconds)
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    const int64_t now = m_clock.NowUs();
    PollLocked(now);
    m_vanished = true;
    m_vanishedUntil = now + int64_t(seconds * 1e6);
    m_stream.on = false;
    m_pending.clear();
    if (m_log.Enabled())
        m_log.Write(SimJson().Num("t", now).Str("event", "vanish").Real("seconds", seconds));
}

void CSimUnit::SetWheelSpeed(double ticksPerSecond)
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    PollLocked(m_clock.NowUs());
    m_config.wheelSpeed = ticksPerSecond;
}

void CSimUnit::SetMarkerScript(const std::vector<uint16_t>& words)
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    m_markers.assign(words.begin(), words.end());
}

void CSimUnit::SetBattery(uint16_t value)
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    m_config.battery = value;
}

void CSimUnit::SetFill(int slot, double ratio)
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    if (slot < 0)
        m_config.fill.fill(ratio);
    else if (slot <= 7)
        m_config.fill[size_t(slot)] = ratio;
}

void CSimUnit::SetSensorPresent(int slot, bool present)
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    if (slot >= 0 && slot <= 7)
        m_config.slots[size_t(slot)].emSensor = present;
}

void CSimUnit::SetRate(double stepsPerSecond)
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    const int64_t now = m_clock.NowUs();
    PollLocked(now);
    m_config.rate = stepsPerSecond;
    if (m_stream.on && !m_stream.wheel)
        RebaseTicks(now, StepRate());
}

std::vector<SimReceived> CSimUnit::Requests() const
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    return {m_requests.begin(), m_requests.end()};
}

std::vector<SimSentMessage> CSimUnit::SentMessages() const
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    return m_tx.Messages();
}

std::vector<SimTrace> CSimUnit::SentTraces(int code) const
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    std::vector<SimTrace> out;
    for (const SimTrace& t : m_traces)
        if (code < 0 || t.code == code)
            out.push_back(t);
    return out;
}

SimStats CSimUnit::Stats() const
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    return m_stats;
}

CSimSettings CSimUnit::Settings() const
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    return m_settings;
}

bool CSimUnit::Streaming() const
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    return m_stream.on;
}

bool CSimUnit::Vanished() const
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    return m_vanished;
}

std::vector<std::string> CSimUnit::PendingFaults() const
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    return m_faults.Pending();
}

void CSimUnit::ClearHistory()
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    m_requests.clear();
    m_traces.clear();
    m_tx.ClearHistory();
}
