// The beat of the GPS receiver thread: one read of the port every 200 ms. Kept behind an
// interface so that tests can run the thread one cycle at a time.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class GpsCyclePacer {
public:
    virtual ~GpsCyclePacer() = default;
    // Called by the thread before each cycle; false when the thread is to end.
    virtual bool WaitForCycle() = 0;
    // Makes WaitForCycle return false now and until Restart().
    virtual void Stop() = 0;
    // Called before a new thread starts.
    virtual void Restart() = 0;
};

// Sleeps the cycle time; Stop() cuts the sleep short.
class CSleepingPacer : public GpsCyclePacer {
public:
    explicit CSleepingPacer(std::chrono::milliseconds cycle = std::chrono::milliseconds(200))
        : m_cycle(cycle)
    {
    }

    bool WaitForCycle() override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait_for(lock, m_cycle, [this] { return m_stopped; });
        return !m_stopped;
    }
    void Stop() override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopped = true;
        }
        m_wake.notify_all();
    }
    void Restart() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = false;
    }

private:
    const std::chrono::milliseconds m_cycle;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopped = false;
};
