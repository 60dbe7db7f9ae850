#include "sim/SimMemoryWire.h"

#include "sim/SimUnit.h"

#include <algorithm>
#include <chrono>

CSimMemoryWire::CSimMemoryWire(size_t capacity, const SimMac& hostMac, const SimMac& unitMac)
    : m_capacity(capacity), m_host(*this, true, hostMac), m_unit(*this, false, unitMac)
{
}

CSimMemoryWire::~CSimMemoryWire()
{
    Detach();
    Close();
}

void CSimMemoryWire::AttachDirect(CSimUnit& unit)
{
    unit.SetPortAddress(m_unit.Address());
    unit.SetSink([this](const uint8_t* frame, size_t length) { return Push(m_toHost, frame, length); });
    std::lock_guard<std::mutex> g(m_directMutex);
    m_direct = &unit;
}

void CSimMemoryWire::Detach()
{
    CSimUnit* unit = nullptr;
    {
        std::lock_guard<std::mutex> g(m_directMutex);
        unit = m_direct;
        m_direct = nullptr;
    }
    if (unit)
        unit->SetSink({});
}

void CSimMemoryWire::Close()
{
    std::lock_guard<std::mutex> g(m_mutex);
    m_closed = true;
    m_arrived.notify_all();
}

size_t CSimMemoryWire::Lost() const
{
    std::lock_guard<std::mutex> g(m_mutex);
    return m_toHost.lost + m_toUnit.lost;
}

bool CSimMemoryWire::Push(Queue& q, const uint8_t* frame, size_t length)
{
    std::lock_guard<std::mutex> g(m_mutex);
    if (m_closed)
        return false;
    if (q.frames.size() >= m_capacity) {
        ++q.lost;
        return true;   // gone on the wire, as a full receive buffer would lose it
    }
    q.frames.emplace_back(frame, frame + length);
    m_arrived.notify_all();
    return true;
}

int CSimMemoryWire::Pop(Queue& q, std::vector<uint8_t>& frame, int64_t timeoutUs)
{
    std::unique_lock<std::mutex> g(m_mutex);
    const bool got = m_arrived.wait_for(g, std::chrono::microseconds(std::max<int64_t>(timeoutUs, 0)),
                                        [&] { return m_closed || !q.frames.empty(); });
    if (!q.frames.empty()) {
        frame = std::move(q.frames.front());
        q.frames.pop_front();
        return 1;
    }
    return (got && m_closed) ? -1 : 0;
}

bool CSimMemoryWire::End::Send(const uint8_t* frame, size_t length)
{
    if (m_host) {
        std::lock_guard<std::mutex> g(m_wire.m_directMutex);
        if (m_wire.m_direct) {
            {
                std::lock_guard<std::mutex> c(m_wire.m_mutex);
                if (m_wire.m_closed)
                    return false;
            }
            m_wire.m_direct->OnFrame(frame, length);
            return true;
        }
    }
    return m_wire.Push(m_host ? m_wire.m_toUnit : m_wire.m_toHost, frame, length);
}

int CSimMemoryWire::End::Receive(std::vector<uint8_t>& frame, int64_t timeoutUs)
{
    return m_wire.Pop(m_host ? m_wire.m_toHost : m_wire.m_toUnit, frame, timeoutUs);
}
