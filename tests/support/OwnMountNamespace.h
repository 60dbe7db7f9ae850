// The calling thread's own mount namespace, for tests that mount file systems of their own:
// Enter() leaves the process's namespace for a private copy of it, so the rest of the
// machine never sees what is mounted there; the destructor goes back to the namespace (and
// the working folder) the thread had, and what was mounted goes with the copy.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

class OwnMountNamespace {
public:
    OwnMountNamespace()
        : m_home(::open("/proc/self/ns/mnt", O_RDONLY | O_CLOEXEC)), m_cwd(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
    }
    ~OwnMountNamespace()
    {
        if (m_home >= 0) {
            if (m_entered)
                ::setns(m_home, CLONE_NEWNS);
            ::close(m_home);
        }
        // Entering a mount namespace moves the thread to its root folder.
        if (m_cwd >= 0) {
            if (m_entered && ::fchdir(m_cwd) != 0) {
            }
            ::close(m_cwd);
        }
    }
    OwnMountNamespace(const OwnMountNamespace&) = delete;
    OwnMountNamespace& operator=(const OwnMountNamespace&) = delete;

    // False when the way back could not be kept or the namespace could not be made (not root).
    bool Enter()
    {
        m_entered = m_home >= 0 && m_cwd >= 0 && ::unshare(CLONE_NEWNS) == 0;
        return m_entered && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    }

private:
    int m_home;
    int m_cwd;
    bool m_entered = false;
};
