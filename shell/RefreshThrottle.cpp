#include "shell/RefreshThrottle.h"

RefreshThrottle::Action RefreshThrottle::OnTracesReady(std::uint32_t now)
{
    // Unsigned difference: correct across the wrap of the tick count. Before the first
    // refresh there is no window, whatever the clock reads.
    const std::uint32_t since = now - m_lastRefresh;
    if (!m_hasRefreshed || since >= kWindowMs) {
        Refreshed(now);
        return Action::RefreshNow;
    }
    if (m_latePending)
        return Action::Dropped;
    m_latePending = true;
    m_lateDelay = kWindowMs - since;
    return Action::ArmLate;
}

bool RefreshThrottle::OnLateRefresh(std::uint32_t now)
{
    if (!m_latePending)
        return false;
    Refreshed(now);
    return true;
}

void RefreshThrottle::Reset()
{
    m_lastRefresh = 0;
    m_hasRefreshed = false;
    m_latePending = false;
    m_lateDelay = 0;
}

void RefreshThrottle::Refreshed(std::uint32_t now)
{
    m_lastRefresh = now;
    m_hasRefreshed = true;
    m_latePending = false;
}
