// Ways the tests make the machine refuse the program: a full disk and an unprivileged user.
#pragma once

#include <csignal>
#include <functional>
#include <grp.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// While alive, no file of the process may grow past `bytes`: the write that would cross the
// limit is cut short and the next one fails, as on a full disk. SIGXFSZ is ignored, as the
// program ignores it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit small = m_old;
        small.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_ok = false;
};

// Runs `step` in a child process as user and group 65534 (when the tests run as root, as CI
// does; otherwise as the present user, who is unprivileged already) and returns its exit
// code, or -1 when the child did not end normally.
inline int RunUnprivileged(const std::function<int()>& step)
{
    pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0) {
            if (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                setresuid(65534, 65534, 65534) != 0)
                _exit(250);
        }
        _exit(step());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
