#include "sim/SimServer.h"

#include "sim/SimUnit.h"

#include <algorithm>
#include <vector>

namespace {
// Longest wait for a frame before looking at the run flag and the unit's timers again.
constexpr int64_t kMaxWaitUs = 2000;
}

CSimServer::CSimServer(CSimUnit& unit, CSimPort& port, const CSimClock& clock)
    : m_unit(unit), m_port(port), m_clock(clock)
{
}

CSimServer::~CSimServer() { Stop(); }

void CSimServer::Start()
{
    if (m_thread.joinable())
        return;
    m_unit.SetPortAddress(m_port.Address());
    m_unit.SetSink([this](const uint8_t* frame, size_t length) { return m_port.Send(frame, length); });
    m_run = true;
    m_portFailed = false;
    m_thread = std::thread([this] { Run(); });
}

void CSimServer::Stop()
{
    m_run = false;
    if (m_thread.joinable())
        m_thread.join();
    m_unit.SetSink({});
}

void CSimServer::Run()
{
    std::vector<uint8_t> frame;
    frame.reserve(65536);
    while (m_run) {
        m_unit.Poll();
        const int64_t now = m_clock.NowUs();
        const int64_t due = m_unit.NextDueUs();
        const int64_t wait = due == CSimUnit::kNever ? kMaxWaitUs : std::clamp<int64_t>(due - now, 0, kMaxWaitUs);
        const int r = m_port.Receive(frame, wait);
        if (r < 0) {
            m_portFailed = true;
            return;
        }
        if (r > 0)
            m_unit.OnFrame(frame.data(), frame.size());
    }
}
