// Runs a simulated unit on a port in a thread of its own: every frame that arrives goes to
// the unit, and the unit is polled whenever it has something due, by the given clock.
#pragma once

#include "sim/SimClock.h"
#include "sim/SimPort.h"

#include <atomic>
#include <thread>

class CSimUnit;

class CSimServer {
public:
    // The unit's frames go out through the port; if the unit's configuration names no
    // address, the port's becomes the unit's.
    CSimServer(CSimUnit& unit, CSimPort& port, const CSimClock& clock);
    ~CSimServer();
    CSimServer(const CSimServer&) = delete;
    CSimServer& operator=(const CSimServer&) = delete;

    void Start();
    void Stop();   // joins the thread; the unit sends nothing more through the port
    bool Running() const { return m_thread.joinable(); }
    // True when the port failed while running (the thread then ended).
    bool PortFailed() const { return m_portFailed; }

private:
    void Run();

    CSimUnit& m_unit;
    CSimPort& m_port;
    const CSimClock& m_clock;
    std::atomic<bool> m_run{false};
    std::atomic<bool> m_portFailed{false};
    std::thread m_thread;
};
