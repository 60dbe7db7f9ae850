// Keeps the radargram refresh that arriving traces cause to at most one per 101 ms, so the
// display keeps up with any trace rate. A traces-ready message inside the window causes no
// refresh of its own, but the throttle then asks for one refresh at the end of the window,
// so the newest traces are always drawn, even when the wheel stops right after a burst.
#pragma once

#include <cstdint>

class RefreshThrottle {
public:
    static constexpr std::uint32_t kWindowMs = 101;

    enum class Action {
        RefreshNow,    // refresh now
        Dropped,       // nothing now; a refresh is already asked for at the window's end
        ArmLate,       // nothing now; ask for one refresh in LateDelay() ms
    };

    // A traces-ready message at tick `now`.
    Action OnTracesReady(std::uint32_t now);
    // The asked-for late refresh is due at tick `now`; true when it is still wanted (a
    // refresh in between may have drawn everything already).
    bool OnLateRefresh(std::uint32_t now);

    // How long after the last ArmLate the late refresh is due.
    std::uint32_t LateDelay() const { return m_lateDelay; }
    bool LatePending() const { return m_latePending; }
    // The tick of the last refresh, and whether there was one since start.
    std::uint32_t LastRefresh() const { return m_lastRefresh; }
    bool HasRefreshed() const { return m_hasRefreshed; }
    // Forget every refresh (start of the program).
    void Reset();

private:
    void Refreshed(std::uint32_t now);

    std::uint32_t m_lastRefresh = 0;
    bool m_hasRefreshed = false;
    bool m_latePending = false;
    std::uint32_t m_lateDelay = 0;
};
