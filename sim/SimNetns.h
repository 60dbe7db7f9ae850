// Network namespaces held only by descriptors. Nothing is named in the system's namespace
// list, so parallel tests cannot collide, and a namespace disappears with its interfaces as
// soon as its last descriptor and the last socket inside it close, even when the process dies
// without cleaning up. Creating one needs root (CAP_SYS_ADMIN).
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class CSimNetns {
public:
    CSimNetns() = default;
    ~CSimNetns();
    CSimNetns(CSimNetns&& other) noexcept;
    CSimNetns& operator=(CSimNetns&& other) noexcept;
    CSimNetns(const CSimNetns&) = delete;
    CSimNetns& operator=(const CSimNetns&) = delete;

    // A fresh namespace holding only a loopback interface (left down).
    bool Create(std::string& error);
    void Release();
    bool Valid() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
    // A path other processes may open while this process lives ("nsenter --net=PATH").
    std::string Path() const;

    // Runs a program inside the namespace and waits for it; its standard output and error
    // are collected into output. Returns its exit status, or -1 with error when it could not
    // be started or was killed by a signal.
    int Run(const std::vector<std::string>& argv, std::string* output, std::string& error) const;

    // Starts a program inside the namespace with its own view of /sys (as "ip netns exec"
    // gives), so interface listings inside it show this namespace only. Returns its process
    // id, or -1 with error. The caller ends it by that id and reaps it.
    pid_t Spawn(const std::vector<std::string>& argv, std::string& error) const;

    // Writes a value under /proc/sys from inside the namespace ("net/ipv6/conf/all/disable_ipv6").
    bool WriteSysctl(const std::string& key, const std::string& value, std::string& error) const;

    // Finds a program in PATH and the system folders; empty when there is none.
    static std::string FindProgram(const std::string& name);

private:
    int m_fd = -1;
};

// Moves the calling thread into a namespace for the scope's lifetime and back afterwards.
// Sockets opened meanwhile (a capture, a raw socket) stay in that namespace for good.
class CScopedNetns {
public:
    explicit CScopedNetns(int fd);
    ~CScopedNetns();
    CScopedNetns(const CScopedNetns&) = delete;
    CScopedNetns& operator=(const CScopedNetns&) = delete;
    bool Ok() const { return m_ok; }
    const std::string& Error() const { return m_error; }

private:
    int m_saved = -1;
    bool m_ok = false;
    std::string m_error;
};
