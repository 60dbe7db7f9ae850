#include "sim/SimNetns.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

int OpenOwnNetns() { return ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC); }

// The child's side of Run and Spawn: only system calls between fork and exec.
[[noreturn]] void ExecInNetns(int nsFd, bool ownSys, const char* path, char* const* argv, int outFd)
{
    if (::setns(nsFd, CLONE_NEWNET) != 0)
        _exit(126);
    if (ownSys) {
        // A sysfs mounted from inside the namespace lists this namespace's interfaces only.
        if (::unshare(CLONE_NEWNS) != 0 || ::mount("", "/", nullptr, MS_SLAVE | MS_REC, nullptr) != 0)
            _exit(126);
        ::umount2("/sys", MNT_DETACH);
        if (::mount("sysfs", "/sys", "sysfs", 0, nullptr) != 0)
            _exit(126);
    }
    if (outFd >= 0) {
        ::dup2(outFd, 1);
        ::dup2(outFd, 2);
    }
    ::execv(path, argv);
    _exit(127);
}

std::vector<char*> Argv(const std::vector<std::string>& args)
{
    std::vector<char*> out;
    for (const std::string& a : args)
        out.push_back(const_cast<char*>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

}  // namespace

CSimNetns::~CSimNetns() { Release(); }

CSimNetns::CSimNetns(CSimNetns&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }

CSimNetns& CSimNetns::operator=(CSimNetns&& other) noexcept
{
    if (this != &other) {
        Release();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

void CSimNetns::Release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool CSimNetns::Create(std::string& error)
{
    Release();
    const int saved = OpenOwnNetns();
    if (saved < 0) {
        error = Errno("open own network namespace");
        return false;
    }
    if (::unshare(CLONE_NEWNET) != 0) {
        error = Errno("unshare(CLONE_NEWNET)") + " (root is needed)";
        ::close(saved);
        return false;
    }
    m_fd = OpenOwnNetns();
    const int openErr = errno;
    if (::setns(saved, CLONE_NEWNET) != 0) {
        // Leaving this thread in the new namespace would be worse than stopping here.
        std::abort();
    }
    ::close(saved);
    if (m_fd < 0) {
        errno = openErr;
        error = Errno("open new network namespace");
        return false;
    }
    return true;
}

std::string CSimNetns::Path() const
{
    return "/proc/" + std::to_string(::getpid()) + "/fd/" + std::to_string(m_fd);
}

std::string CSimNetns::FindProgram(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return ::access(name.c_str(), X_OK) == 0 ? name : std::string();
    std::string dirs = std::getenv("PATH") ? std::getenv("PATH") : "";
    dirs += ":/usr/sbin:/sbin:/usr/bin:/bin";
    size_t at = 0;
    while (at <= dirs.size()) {
        const size_t end = dirs.find(':', at);
        const std::string dir = dirs.substr(at, end - at);
        if (!dir.empty()) {
            const std::string path = dir + "/" + name;
            if (::access(path.c_str(), X_OK) == 0)
                return path;
        }
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return {};
}

int CSimNetns::Run(const std::vector<std::string>& argv, std::string* output, std::string& error) const
{
    if (m_fd < 0 || argv.empty()) {
        error = "no namespace or no program";
        return -1;
    }
    const std::string path = FindProgram(argv[0]);
    if (path.empty()) {
        error = "program '" + argv[0] + "' not found";
        return -1;
    }
    std::vector<char*> args = Argv(argv);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = Errno("pipe");
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        error = Errno("fork");
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return -1;
    }
    if (pid == 0)
        ExecInNetns(m_fd, false, path.c_str(), args.data(), pipeFds[1]);
    ::close(pipeFds[1]);
    std::string collected;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buf, sizeof buf);
        if (n > 0)
            collected.append(buf, size_t(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (output)
        *output = collected;
    if (!WIFEXITED(status)) {
        error = argv[0] + " ended by a signal";
        return -1;
    }
    const int code = WEXITSTATUS(status);
    if (code == 126)
        error = "could not enter the namespace for " + argv[0];
    else if (code != 0)
        error = argv[0] + " failed: " + collected;
    return code;
}

pid_t CSimNetns::Spawn(const std::vector<std::string>& argv, std::string& error) const
{
    if (m_fd < 0 || argv.empty()) {
        error = "no namespace or no program";
        return -1;
    }
    const std::string path = FindProgram(argv[0]);
    if (path.empty()) {
        error = "program '" + argv[0] + "' not found";
        return -1;
    }
    std::vector<char*> args = Argv(argv);
    const pid_t pid = ::fork();
    if (pid < 0) {
        error = Errno("fork");
        return -1;
    }
    if (pid == 0)
        ExecInNetns(m_fd, true, path.c_str(), args.data(), -1);
    return pid;
}

bool CSimNetns::WriteSysctl(const std::string& key, const std::string& value, std::string& error) const
{
    CScopedNetns inside(m_fd);
    if (!inside.Ok()) {
        error = inside.Error();
        return false;
    }
    const std::string path = "/proc/sys/" + key;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        error = Errno(path.c_str());
        return false;
    }
    const bool ok = ::write(fd, value.data(), value.size()) == ssize_t(value.size());
    if (!ok)
        error = Errno(path.c_str());
    ::close(fd);
    return ok;
}

CScopedNetns::CScopedNetns(int fd)
{
    m_saved = OpenOwnNetns();
    if (m_saved < 0) {
        m_error = Errno("open own network namespace");
        return;
    }
    if (::setns(fd, CLONE_NEWNET) != 0) {
        m_error = Errno("setns");
        ::close(m_saved);
        m_saved = -1;
        return;
    }
    m_ok = true;
}

CScopedNetns::~CScopedNetns()
{
    if (m_saved < 0)
        return;
    if (::setns(m_saved, CLONE_NEWNET) != 0)
        std::abort();   // a thread left in a test namespace must not go on
    ::close(m_saved);
}
