// Time for the simulated unit in microseconds: the steady clock for real runs, a clock that
// only moves when a test moves it for deterministic ones.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

class CSimClock {
public:
    virtual ~CSimClock() = default;
    virtual int64_t NowUs() const = 0;
};

class CSimSteadyClock : public CSimClock {
public:
    int64_t NowUs() const override
    {
        return std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

class CSimManualClock : public CSimClock {
public:
    explicit CSimManualClock(int64_t startUs = 1000000) : m_now(startUs) {}
    int64_t NowUs() const override { return m_now.load(); }
    void Advance(int64_t us) { m_now += us; }
    void Set(int64_t us) { m_now = us; }

private:
    std::atomic<int64_t> m_now;
};
