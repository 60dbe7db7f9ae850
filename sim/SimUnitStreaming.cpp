// The unit's data stream after the start command: trigger steps in time or wheel mode with
// one trace per active channel (and the slot's 50/60 Hz sensor record after channel 0),
// keep-alive records, and the faults that act on traces and steps.
#include "sim/SimUnit.h"

#include <algorithm>
#include <cmath>

namespace {

int64_t FloorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Trigger steps one slot can take in one advance of the wheel. A wheel faster than that
// outruns the unit, which then misses the positions in between, as a real one would.
constexpr int64_t kMaxCrossings = 10000;

}  // namespace

double CSimUnit::StepRate() const
{
    if (m_config.rate <= 0)
        return 1024.0;
    uint32_t minStep = 0;
    for (int s = 0; s < 8; ++s)
        if (m_stream.activeMask[s] && (minStep == 0 || m_stream.step[s] < minStep))
            minStep = m_stream.step[s];
    return m_config.rate * std::max<uint32_t>(minStep, 1);
}

double CSimUnit::TickAt(int64_t us) const
{
    return m_stream.baseTick + double(us - m_stream.baseUs) * m_stream.tickRate / 1e6;
}

void CSimUnit::RebaseTicks(int64_t now, double newRate)
{
    m_stream.baseTick = TickAt(now);
    m_stream.baseUs = now;
    m_stream.tickRate = newRate;
}

int64_t CSimUnit::NextTriggerUs(int slot) const
{
    const double tick = double(m_stream.nextIndex[slot]) * m_stream.step[slot];
    if (tick <= m_stream.baseTick)
        return m_stream.baseUs;
    return m_stream.baseUs + int64_t(std::ceil((tick - m_stream.baseTick) * 1e6 / m_stream.tickRate));
}

int64_t CSimUnit::WheelPosition() const
{
    if (m_stream.counter < 0)
        return 0;
    return m_settings.counters[size_t(m_stream.counter)].value;
}

uint32_t CSimUnit::SamplesOf(int slot) const
{
    return std::min<uint32_t>(m_settings.slot[size_t(slot)].samples & ~1u, 2048);
}

void CSimUnit::StartStream(int64_t now)
{
    AdvanceWheel(now);
    m_stream = Stream{};
    m_stream.on = true;
    m_stream.wheel = m_settings.triggerKind == 'W';
    const bool z5k = m_config.kind == CSimUnitConfig::Kind::Z5K;
    for (int s = 0; s < 8; ++s) {
        const uint32_t mask = Module(uint32_t(s)) ? (m_settings.slot[size_t(s)].activeMask & (z5k ? 1u : 3u)) : 0u;
        m_stream.activeMask[s] = uint8_t(mask);
        m_stream.step[s] = std::max<uint32_t>(m_settings.slot[size_t(s)].step, 1);
        m_stream.nextIndex[s] = 1;
    }
    int64_t start = 0;
    if (m_stream.wheel) {
        // A Z5K unit has a single wheel input, the master one, whatever source is named.
        m_stream.counter = CSimSettings::CounterIndex(z5k ? CSimSettings::kMasterWheel : m_settings.triggerSource);
        start = WheelPosition();
        for (int64_t& f : m_stream.farthest)
            f = start;
    } else {
        m_stream.baseUs = now;
        m_stream.baseTick = 0;
        m_stream.tickRate = StepRate();
    }
    m_stream.nextKeepAliveUs = now + int64_t(m_config.keepAliveMs) * 1000;
    m_stream.nextBatteryUs = m_stream.nextKeepAliveUs;
    if (m_log.Enabled())
        m_log.Write(SimJson().Num("t", now).Str("event", "start").Str("mode", m_stream.wheel ? "wheel" : "time")
                        .Num("position", start));
    if (m_config.events)
        m_tx.SendEvent(now, m_host, kEventStarted, 0, 0, 0);
    if (m_config.startTrace)
        for (int s = 0; s < 8; ++s)
            if (m_stream.activeMask[s])
                EmitStep(now, s, start, start);
}

void CSimUnit::StopStream(int64_t now)
{
    AdvanceWheel(now);
    if (m_stream.on && m_log.Enabled())
        m_log.Write(SimJson().Num("t", now).Str("event", "stop"));
    m_stream.on = false;
}

void CSimUnit::PollLocked(int64_t now)
{
    if (m_vanished) {
        if (now < m_vanishedUntil)
            return;
        m_vanished = false;
        PowerUp();
        m_wheelUs = now;
        if (m_log.Enabled())
            m_log.Write(SimJson().Num("t", now).Str("event", "reset"));
    }

    while (!m_pending.empty()) {
        auto due = std::min_element(m_pending.begin(), m_pending.end(),
                                    [](const PendingReply& a, const PendingReply& b) { return a.dueUs < b.dueUs; });
        if (due->dueUs > now)
            break;
        const PendingReply r = *due;
        m_pending.erase(due);
        m_tx.SendReply(r.dueUs, r.dst, r.code, r.seq, r.payload, {r.fault});
    }

    if (!m_stream.on || m_config.externalStream) {
        AdvanceWheel(now);
        return;
    }
    if (m_stream.wheel) {
        while (m_stream.on && m_stream.nextKeepAliveUs <= now) {
            const int64_t t = m_stream.nextKeepAliveUs;
            AdvanceWheel(t);
            SendKeepAlive(t);
            m_stream.nextKeepAliveUs += int64_t(m_config.keepAliveMs) * 1000;
        }
        AdvanceWheel(now);
        return;
    }
    // Asked to step faster than it can send, the unit would stay in this loop for ever and
    // never hear a request (not even the stop): after 2 ms of sending, requests get a turn.
    const int64_t yieldAt = now + 2000;
    while (m_stream.on && m_clock.NowUs() < yieldAt) {
        int slot = -1;
        int64_t earliest = m_stream.nextKeepAliveUs;
        for (int s = 0; s < 8; ++s) {
            if (!m_stream.activeMask[s])
                continue;
            const int64_t t = NextTriggerUs(s);
            if (t <= earliest && (slot < 0 || t < NextTriggerUs(slot))) {
                earliest = t;
                slot = s;
            }
        }
        if (earliest > now)
            break;
        if (slot < 0) {
            SendKeepAlive(earliest);
            m_stream.nextKeepAliveUs += int64_t(m_config.keepAliveMs) * 1000;
            continue;
        }
        const int64_t position = m_stream.nextIndex[slot] * int64_t(m_stream.step[slot]);
        ++m_stream.nextIndex[slot];
        TriggerStep(earliest, slot, position);
    }
    AdvanceWheel(now);
}

int64_t CSimUnit::NextDueUs() const
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    if (m_vanished)
        return m_vanishedUntil;
    int64_t due = kNever;
    for (const PendingReply& r : m_pending)
        due = std::min(due, r.dueUs);
    if (!m_stream.on)
        return due;
    due = std::min(due, m_stream.nextKeepAliveUs);
    if (m_stream.wheel) {
        if (m_config.wheelSpeed != 0 || m_wheelLeap != 0) {
            const double tickUs = m_wheelLeap ? 0 : 1e6 / std::fabs(m_config.wheelSpeed);
            due = std::min(due, m_wheelUs + std::max<int64_t>(50, int64_t(tickUs)));
        }
        return due;
    }
    for (int s = 0; s < 8; ++s)
        if (m_stream.activeMask[s])
            due = std::min(due, NextTriggerUs(s));
    return due;
}

void CSimUnit::AdvanceWheel(int64_t now)
{
    const int64_t dt = now - m_wheelUs;
    if (dt < 0)
        return;
    m_wheelUs = now;
    const double delta = m_config.wheelSpeed * double(dt) / 1e6 * m_settings.direction + m_wheelFraction;
    int64_t whole = int64_t(std::floor(delta));
    m_wheelFraction = delta - double(whole);
    whole += m_wheelLeap;
    m_wheelLeap = 0;
    if (whole == 0)
        return;
    const bool triggers = m_stream.on && m_stream.wheel && m_stream.counter >= 0 &&
                          m_settings.counters[size_t(m_stream.counter)].running;
    const int64_t from = WheelPosition();
    for (SimWheelCounter& c : m_settings.counters)
        if (c.running)
            c.value += whole;
    if (triggers)
        EmitCrossings(now, from, WheelPosition());
}

void CSimUnit::EmitCrossings(int64_t now, int64_t from, int64_t to)
{
    const bool both = m_settings.bidirectional != 0;
    const bool up = to > from;
    std::vector<std::pair<int64_t, int>> hits;
    for (int s = 0; s < 8; ++s) {
        if (!m_stream.activeMask[s])
            continue;
        const int64_t st = m_stream.step[s];
        int64_t lo = 0, hi = 0;   // the span whose multiples trigger: (lo, hi] going up, [lo, hi) going down
        if (both) {
            lo = up ? from : to;
            hi = up ? to : from;
        } else if (m_settings.direction > 0) {
            if (to <= m_stream.farthest[s])
                continue;
            lo = m_stream.farthest[s];
            hi = to;
            m_stream.farthest[s] = to;
        } else {
            if (to >= m_stream.farthest[s])
                continue;
            lo = to;
            hi = m_stream.farthest[s];
            m_stream.farthest[s] = to;
        }
        const bool ascending = both ? up : m_settings.direction > 0;
        int64_t count = 0;
        if (ascending) {
            for (int64_t m = (FloorDiv(lo, st) + 1) * st; m <= hi && count < kMaxCrossings; m += st, ++count)
                hits.emplace_back(m, s);
        } else {
            for (int64_t m = (FloorDiv(hi - 1, st)) * st; m >= lo && count < kMaxCrossings; m -= st, ++count)
                hits.emplace_back(m, s);
        }
        if (count == kMaxCrossings && m_log.Enabled())
            m_log.Write(SimJson().Num("t", now).Str("event", "wheel too fast").Num("slot", s));
    }
    const bool ascending = both ? up : m_settings.direction > 0;
    std::stable_sort(hits.begin(), hits.end(), [ascending](const auto& a, const auto& b) {
        return ascending ? a.first < b.first : a.first > b.first;
    });
    for (const auto& [position, slot] : hits) {
        if (!m_stream.on)
            break;
        TriggerStep(now, slot, position);
    }
}

void CSimUnit::TriggerStep(int64_t now, int slot, int64_t position)
{
    int64_t reported = position;
    for (const SimFault& f : m_faults.Take(SimChance::TriggerStep)) {
        ++m_stats.faultsFired;
        if (m_log.Enabled())
            m_log.Write(SimJson().Num("t", now).Str("fault", f.text).Num("slot", slot).Num("position", position));
        switch (f.kind) {
        case SimFaultKind::Skip:
            m_skipSteps += f.Arg(0, 1);
            break;
        case SimFaultKind::PosJump:
            reported += f.Arg(0);
            break;
        case SimFaultKind::Burst: {
            uint32_t minStep = 0;
            for (int s = 0; s < 8; ++s)
                if (m_stream.activeMask[s] && (minStep == 0 || m_stream.step[s] < minStep))
                    minStep = m_stream.step[s];
            const int64_t leap = f.Arg(0) * int64_t(std::max<uint32_t>(minStep, 1));
            if (m_stream.wheel)
                m_wheelLeap += leap * m_settings.direction;
            else
                m_stream.baseTick += double(leap);
            break;
        }
        default:
            break;
        }
    }
    if (m_skipSteps > 0) {
        --m_skipSteps;
        return;
    }
    EmitStep(now, slot, position, reported);
}

void CSimUnit::EmitStep(int64_t now, int slot, int64_t position, int64_t reported)
{
    const int64_t j = position / int64_t(m_stream.step[slot]);
    std::vector<SimRecord> records;
    bool sensorSent = false;
    for (int ch = 0; ch < 2; ++ch) {
        if (!(m_stream.activeMask[slot] & (1 << ch)))
            continue;
        records.push_back(MakeTrace(now, slot, ch, uint32_t(reported), j, false));
        // The slot's sensor record follows its first trace of the step and names channel 0.
        if (!sensorSent && SensorOn(slot)) {
            records.push_back(MakeSensor(slot, 0, j));
            sensorSent = true;
        }
    }
    SendRecords(now, records);
}

SimRecord CSimUnit::MakeTrace(int64_t now, int slot, int channel, uint32_t position, int64_t traceNumber,
                              bool requested)
{
    int n = int(SamplesOf(slot));
    for (const SimFault& f : m_faults.Take(SimChance::Trace)) {
        ++m_stats.faultsFired;
        if (f.kind == SimFaultKind::BadRecord)
            SendBadRecord(now, f);
        else if (f.kind == SimFaultKind::TraceLen)
            n = int(f.Arg(0));
    }
    const uint8_t code = uint8_t(slot * 10 + channel);
    SimTrace t;
    t.timeUs = now;
    t.code = code;
    t.position = position;
    t.traceNumber = traceNumber;
    t.requested = requested;
    t.samples = m_config.pattern.Trace(code, traceNumber, n);
    SimRecord r = SimRecord::Trace(code, position, t.samples);
    m_unsentTraces.push_back(std::move(t));
    return r;
}

SimRecord CSimUnit::MakeSensor(int slot, int channel, int64_t traceNumber)
{
    const int code = slot * 10 + channel;
    uint16_t words[4];
    for (int m = 0; m < 4; ++m)
        words[m] = SimSensorWord(code, traceNumber, m);
    for (const SimFault& f : m_faults.Take(SimChance::Sensor)) {
        ++m_stats.faultsFired;
        for (int m = 0; m < 4; ++m)
            words[m] = uint16_t(f.Arg(size_t(m)));
    }
    return SimRecord::Sensor(uint8_t(code), words);
}

void CSimUnit::SendBadRecord(int64_t now, const SimFault& f)
{
    std::vector<SimRecord> meant;
    std::vector<uint8_t> bytes;
    SimRecord r;
    r.type = SimRecord::kTrace;
    switch (SimBadRecord(f.Arg(0))) {
    case SimBadRecord::ShortL:
        r.payload = {0};
        r.lengthWord = 4;
        break;
    case SimBadRecord::L0:
        bytes = {0, 0};
        break;
    case SimBadRecord::OddL:
        r.payload = {0, 0};
        r.lengthWord = 7;
        break;
    case SimBadRecord::OverN:
        r = SimRecord::Trace(0, 0, m_config.pattern.Trace(0, 0, 2049));
        break;
    case SimBadRecord::Code73:
        r = SimRecord::Trace(73, 0, m_config.pattern.Trace(73, 0, 16));
        break;
    case SimBadRecord::Code255:
        r = SimRecord::Trace(255, 0, m_config.pattern.Trace(255, 0, 16));
        break;
    case SimBadRecord::TypeZ:
        r = SimRecord::Word('Z', 0, 1);
        r.payload.push_back(2);
        break;
    case SimBadRecord::PastEnd:
        r = SimRecord::Trace(0, 0, m_config.pattern.Trace(0, 0, 10));
        r.lengthWord = 6 + 2 * 100;
        break;
    }
    if (bytes.empty()) {
        meant.push_back(r);
        bytes = SerializeRecords(meant);
    }
    m_tx.SendDataBytes(now, m_host, bytes, meant, {f.text});
}

void CSimUnit::SendKeepAlive(int64_t now)
{
    std::vector<SimRecord> records;
    uint16_t status = 0;
    if (!m_markers.empty()) {
        status = m_markers.front();
        m_markers.pop_front();
    }
    records.push_back(SimRecord::Word(SimRecord::kStatus, 0, status));
    for (int s = 0; s < 8; ++s) {
        if (!m_stream.activeMask[s])
            continue;
        const double fill = std::round(m_config.fill[size_t(s)] * m_stream.step[s]);
        records.push_back(SimRecord::Word(SimRecord::kSlotWord, uint8_t(s * 10),
                                          uint16_t(std::clamp(fill, 0.0, 65535.0))));
    }
    if (m_stream.wheel)
        records.push_back(SimRecord::Counter(SimRecord::kPosition, 0, uint32_t(WheelPosition())));
    else
        records.push_back(SimRecord::Counter(SimRecord::kTime, 0, uint32_t(int64_t(std::floor(TickAt(now))))));
    if (now >= m_stream.nextBatteryUs) {
        records.push_back(SimRecord::Word(SimRecord::kBattery, 0, m_config.battery));
        while (m_stream.nextBatteryUs <= now)
            m_stream.nextBatteryUs += int64_t(m_config.batteryMs) * 1000;
    }
    ++m_stats.keepAlives;
    SendRecords(now, records);
}

void CSimUnit::SendRecords(int64_t now, const std::vector<SimRecord>& records)
{
    const size_t pack = size_t(m_config.packRecords);
    for (size_t at = 0; at < records.size(); at += pack) {
        const std::vector<SimRecord> chunk(records.begin() + long(at),
                                           records.begin() + long(std::min(records.size(), at + pack)));
        const uint16_t seq = m_tx.SendData(now, m_host, chunk);
        for (const SimRecord& r : chunk) {
            if (r.type == SimRecord::kSensor)
                ++m_stats.sensorRecords;
            if (r.type != SimRecord::kTrace || m_unsentTraces.empty())
                continue;
            ++m_stats.traces;
            SimTrace t = std::move(m_unsentTraces.front());
            m_unsentTraces.pop_front();
            t.msgSeq = seq;
            Remember(std::move(t));
        }
    }
}

bool CSimUnit::SendInUnitsPlace(const std::function<uint16_t(const StreamLayout&, uint16_t firstSeq)>& send)
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    if (!m_stream.on)
        return false;
    StreamLayout layout{};
    for (int s = 0; s < 8; ++s) {
        layout.activeMask[s] = m_stream.activeMask[s];
        layout.step[s] = m_stream.step[s];
        layout.samples[s] = SamplesOf(s);
    }
    layout.own = m_tx.Address();
    layout.host = m_host;
    layout.maxFrame = m_config.maxFrame;
    const uint16_t first = m_tx.NextSeq();
    m_tx.Reset(uint16_t(first + send(layout, first)));
    return true;
}
