// The busy cursor around a wait of the user-interface thread: the application's hook is
// called with true on entry and false on leaving, also when the wait ends by an error. An
// empty hook does nothing.
#pragma once

#include <functional>

class WaitCursor {
public:
    explicit WaitCursor(const std::function<void(bool)>& hook) : m_hook(hook)
    {
        if (m_hook)
            m_hook(true);
    }
    ~WaitCursor()
    {
        if (m_hook)
            m_hook(false);
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    const std::function<void(bool)>& m_hook;
};
