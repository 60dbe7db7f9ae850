#include "link/MeasurementSync.h"

void CMeasurementSync::Start(Round round, Failed failed, std::chrono::milliseconds period)
{
    Stop();
    m_stop = false;
    m_thread = std::thread([this, round = std::move(round), failed = std::move(failed), period] {
        Run(round, failed, period);
    });
}

void CMeasurementSync::Stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> hold(m_stopLock);
        m_stop = true;
    }
    m_stopped.notify_all();
    m_thread.join();
}

void CMeasurementSync::Run(const Round& round, const Failed& failed, std::chrono::milliseconds period)
{
    auto next = std::chrono::steady_clock::now() + period;
    for (;;) {
        {
            std::unique_lock<std::mutex> hold(m_stopLock);
            if (m_stopped.wait_until(hold, next, [this] { return m_stop; }))
                return;
        }
        // The next round is due a period after this one began, however long the disk took.
        next += period;
        if (!round()) {
            if (failed)
                failed();
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (next < now)
            next = now;
    }
}
