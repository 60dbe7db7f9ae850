#include "link/MemoryTransport.h"

#include <chrono>

struct MemoryTransport::Wire {
    struct Frame {
        std::vector<std::uint8_t> bytes;  // the captured part
        std::uint32_t len = 0;
    };
    struct Side {
        std::deque<Frame> inbox;
        bool open = false;
        bool broken = false;
        bool woken = false;
        bool failSends = false;
        int refuseResult = kTransportOpened;
        std::string refuseError;
        std::string device;
        std::uint64_t received = 0;
    };
    mutable std::mutex lock;
    std::condition_variable arrived[2];
    Side sides[2];
};

std::pair<std::unique_ptr<MemoryTransport>, std::unique_ptr<MemoryTransport>> MemoryTransport::MakePair()
{
    auto wire = std::make_shared<Wire>();
    return {std::unique_ptr<MemoryTransport>(new MemoryTransport(wire, 0)),
            std::unique_ptr<MemoryTransport>(new MemoryTransport(wire, 1))};
}

MemoryTransport::MemoryTransport(std::shared_ptr<Wire> wire, int side) : m_wire(std::move(wire)), m_side(side)
{
}

MemoryTransport::~MemoryTransport()
{
    Close();
}

int MemoryTransport::Open(const std::string& device, std::string& error)
{
    std::lock_guard<std::mutex> hold(m_wire->lock);
    Wire::Side& me = m_wire->sides[m_side];
    if (me.refuseResult != kTransportOpened) {
        error = me.refuseError;
        return me.refuseResult;
    }
    me.open = true;
    me.broken = false;
    me.device = device;
    me.inbox.clear();
    me.received = 0;
    return kTransportOpened;
}

void MemoryTransport::Close()
{
    std::lock_guard<std::mutex> hold(m_wire->lock);
    Wire::Side& me = m_wire->sides[m_side];
    me.open = false;
    me.device.clear();
    me.inbox.clear();
}

bool MemoryTransport::IsOpen() const
{
    std::lock_guard<std::mutex> hold(m_wire->lock);
    return m_wire->sides[m_side].open;
}

int MemoryTransport::Send(const std::uint8_t* frame, std::size_t len)
{
    return SendCaptured(frame, static_cast<std::uint32_t>(len), static_cast<std::uint32_t>(len));
}

int MemoryTransport::SendCaptured(const std::uint8_t* frame, std::uint32_t caplen, std::uint32_t len)
{
    const int other = 1 - m_side;
    {
        std::lock_guard<std::mutex> hold(m_wire->lock);
        Wire::Side& me = m_wire->sides[m_side];
        if (!me.open || me.broken || me.failSends)
            return -1;
        Wire::Side& peer = m_wire->sides[other];
        if (!peer.open || peer.broken)
            return 0;  // gone on the wire
        peer.inbox.push_back({std::vector<std::uint8_t>(frame, frame + caplen), len});
        ++peer.received;
    }
    m_wire->arrived[other].notify_all();
    return 0;
}

int MemoryTransport::Wait(int timeoutMs)
{
    std::unique_lock<std::mutex> hold(m_wire->lock);
    Wire::Side& me = m_wire->sides[m_side];
    m_wire->arrived[m_side].wait_for(hold, std::chrono::milliseconds(timeoutMs),
                                     [&] { return !me.inbox.empty() || me.broken || me.woken; });
    me.woken = false;
    if (me.broken || !me.open)
        return -1;
    return me.inbox.empty() ? 0 : 1;
}

int MemoryTransport::Next(FrameView& out)
{
    std::lock_guard<std::mutex> hold(m_wire->lock);
    Wire::Side& me = m_wire->sides[m_side];
    if (me.broken || !me.open)
        return -1;
    if (me.inbox.empty())
        return 0;
    Wire::Frame frame = std::move(me.inbox.front());
    me.inbox.pop_front();
    m_current = std::move(frame.bytes);
    out.data = m_current.data();
    out.caplen = static_cast<std::uint32_t>(m_current.size());
    out.len = frame.len;
    return 1;
}

void MemoryTransport::Wake()
{
    {
        std::lock_guard<std::mutex> hold(m_wire->lock);
        m_wire->sides[m_side].woken = true;
    }
    m_wire->arrived[m_side].notify_all();
}

CaptureStats MemoryTransport::Stats()
{
    std::lock_guard<std::mutex> hold(m_wire->lock);
    CaptureStats stats;
    stats.received = m_wire->sides[m_side].received;
    return stats;
}

void MemoryTransport::RefuseOpen(int result, const std::string& error)
{
    std::lock_guard<std::mutex> hold(m_wire->lock);
    m_wire->sides[m_side].refuseResult = result;
    m_wire->sides[m_side].refuseError = error;
}

void MemoryTransport::FailSends(bool fail)
{
    std::lock_guard<std::mutex> hold(m_wire->lock);
    m_wire->sides[m_side].failSends = fail;
}

void MemoryTransport::Break()
{
    {
        std::lock_guard<std::mutex> hold(m_wire->lock);
        m_wire->sides[m_side].broken = true;
    }
    m_wire->arrived[m_side].notify_all();
}

std::string MemoryTransport::Device() const
{
    std::lock_guard<std::mutex> hold(m_wire->lock);
    return m_wire->sides[m_side].device;
}

std::size_t MemoryTransport::Pending() const
{
    std::lock_guard<std::mutex> hold(m_wire->lock);
    return m_wire->sides[m_side].inbox.size();
}
