#include "ScriptedUnit.h"

#include "link/ByteOrder.h"

#include <cstring>

ScriptedUnit::ScriptedUnit(FrameTransport& wire, MacAddress mac) : m_wire(wire), m_mac(mac)
{
}

ScriptedUnit::~ScriptedUnit()
{
    Stop();
}

void ScriptedUnit::Start()
{
    m_run = true;
    m_thread = std::thread([this] { Run(); });
}

void ScriptedUnit::Stop()
{
    m_run = false;
    m_wire.Wake();
    if (m_thread.joinable())
        m_thread.join();
}

void ScriptedUnit::SetOverride(std::function<bool(const Request&, ScriptedUnit&)> hook)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_override = std::move(hook);
}

std::vector<Request> ScriptedUnit::Log() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_log;
}

void ScriptedUnit::ClearLog()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_log.clear();
}

std::vector<Request> ScriptedUnit::Requests(std::uint16_t code) const
{
    std::vector<Request> out;
    for (const Request& r : Log())
        if (r.code == code)
            out.push_back(r);
    return out;
}

std::uint16_t ScriptedUnit::NextMessageSequence()
{
    return m_messageSequence++;
}

void ScriptedUnit::Send(const Bytes& frame)
{
    std::lock_guard<std::mutex> hold(m_sendLock);
    Bytes f = frame;
    std::memcpy(f.data() + 6, m_mac.data(), 6);
    m_wire.Send(f.data(), f.size());
}

void ScriptedUnit::Reply(const Request& to, const Bytes& payload8, std::uint8_t code)
{
    Send(ReplyFrame(to.src, NextMessageSequence(), to.sequence, payload8, code));
}

void ScriptedUnit::SendMessage(const MacAddress& dst, const std::vector<std::uint16_t>& words)
{
    for (const Bytes& f : DataMessage(dst, NextMessageSequence(), words))
        Send(f);
}

void ScriptedUnit::Run()
{
    while (m_run) {
        if (m_wire.Wait(5) <= 0)
            continue;
        FrameView frame;
        while (m_run && m_wire.Next(frame) > 0) {
            Request r = ParseRequest(frame.data, frame.len);
            if (r.etherType != wire::kEtherType || (r.dst != m_mac && !r.broadcast()))
                continue;
            Handle(r);
        }
    }
}

void ScriptedUnit::Handle(const Request& r)
{
    std::function<bool(const Request&, ScriptedUnit&)> hook;
    UnitModel model;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_log.push_back(r);
        hook = m_override;
        model = m_model;
    }
    if (model.silent)
        return;
    if (hook && hook(r, *this))
        return;
    Bytes p(8, 0);
    const int slot = r.arg1 < 8 ? r.arg1 : 0;
    switch (r.code) {
    case wire::kDiscovery:
        p[0] = p[1] = 0xFF;
        break;
    case wire::kHandshake:
        if (!model.answerHandshake)
            return;
        break;
    case 61:
        StoreBE32(p.data(), r.args[0] == 1 ? model.identity : 0);
        break;
    case 65:
        if (r.args[0] == 4) {
            p[0] = model.moduleAnswers[slot];
            p[3] = static_cast<std::uint8_t>(model.moduleTypes[slot] << 4);
        } else if (r.args[0] == 20) {
            p[0] = model.emSensor[slot];
        }
        break;
    case 71:
        StoreLEDouble(p.data(), model.intervals[slot][r.args[0] & 3]);
        break;
    case 58:
        StoreBE32(p.data(), model.wheelCounter);
        break;
    case 14: {
        const int channel = static_cast<int>(r.args[0]) - 1;
        SendMessage(r.src, TraceRecordWords(r.arg1 * 10 + channel, model.tracePosition, model.traceSamples));
        break;
    }
    default:
        break;
    }
    Reply(r, p, static_cast<std::uint8_t>(r.code));
}
