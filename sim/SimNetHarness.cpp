#include "sim/SimNetHarness.h"

#include <chrono>
#include <cstdio>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <fcntl.h>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

bool Ip(const CSimNetns& ns, const std::vector<std::string>& args, std::string& error)
{
    std::vector<std::string> argv{"ip"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string output;
    return ns.Run(argv, &output, error) == 0;
}

// The kernel reports a veth end running a moment after both ends are up.
bool WaitRunning(const CSimNetns& ns, const char* name, std::string& error)
{
    CScopedNetns inside(ns.Fd());
    if (!inside.Ok()) {
        error = inside.Error();
        return false;
    }
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        error = "socket for interface flags";
        return false;
    }
    ifreq req{};
    std::snprintf(req.ifr_name, sizeof req.ifr_name, "%s", name);
    bool running = false;
    for (int i = 0; i < 500 && !running; ++i) {
        running = ::ioctl(s, SIOCGIFFLAGS, &req) == 0 && (req.ifr_flags & IFF_RUNNING);
        if (!running)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::close(s);
    if (!running)
        error = std::string(name) + " did not come up";
    return running;
}

bool InterfaceAddressIn(const CSimNetns& ns, const char* name, SimMac& mac, std::string& error)
{
    CScopedNetns inside(ns.Fd());
    if (!inside.Ok()) {
        error = inside.Error();
        return false;
    }
    return CSimPcapPort::InterfaceAddress(name, mac, error);
}

}  // namespace

CSimNetHarness::~CSimNetHarness()
{
    StopUnitProcess();
    StopUnit();
}

bool CSimNetHarness::Allowed(std::string& why)
{
    if (::geteuid() != 0) {
        why = "needs root to make network namespaces and a veth pair";
        return false;
    }
    return true;
}

bool CSimNetHarness::Create(std::string& error, int mtu)
{
    if (!m_host.Create(error) || !m_unit.Create(error))
        return false;
    std::string ignored;
    for (const CSimNetns* ns : {&m_host, &m_unit}) {
        // Without IPv6 the kernel sends nothing of its own on the pair.
        ns->WriteSysctl("net/ipv6/conf/all/disable_ipv6", "1", ignored);
        ns->WriteSysctl("net/ipv6/conf/default/disable_ipv6", "1", ignored);
    }
    // The peer is created straight into the host namespace through its descriptor, which the
    // ip child sees as /proc/self/fd/N because Run keeps it open across exec.
    const std::string mtuText = std::to_string(mtu);
    const int peerFd = ::fcntl(m_host.Fd(), F_DUPFD, 100);
    if (peerFd < 0) {
        error = "cannot pass the host namespace on";
        return false;
    }
    const bool made = Ip(m_unit,
                         {"link", "add", kUnitInterface, "mtu", mtuText, "type", "veth", "peer", "name", kHostInterface,
                          "mtu", mtuText, "netns", "/proc/self/fd/" + std::to_string(peerFd)},
                         error);
    ::close(peerFd);
    if (!made)
        return false;
    if (!Ip(m_unit, {"link", "set", kUnitInterface, "up"}, error) ||
        !Ip(m_host, {"link", "set", kHostInterface, "up"}, error) ||
        !Ip(m_unit, {"link", "set", "lo", "up"}, error) || !Ip(m_host, {"link", "set", "lo", "up"}, error))
        return false;
    return WaitRunning(m_host, kHostInterface, error) && WaitRunning(m_unit, kUnitInterface, error) &&
           InterfaceAddressIn(m_host, kHostInterface, m_hostMac, error) &&
           InterfaceAddressIn(m_unit, kUnitInterface, m_unitMac, error);
}

bool CSimNetHarness::SetCable(bool plugged, std::string& error)
{
    if (!Ip(m_host, {"link", "set", kHostInterface, plugged ? "up" : "down"}, error))
        return false;
    return !plugged || WaitRunning(m_host, kHostInterface, error);
}

bool CSimNetHarness::StartUnit(const CSimUnitConfig& config, std::string& error, const CSimClock* clock)
{
    StopUnit();
    auto port = std::make_unique<CSimPcapPort>();
    {
        CScopedNetns inside(m_unit.Fd());
        if (!inside.Ok()) {
            error = inside.Error();
            return false;
        }
        if (!port->Open(kUnitInterface, error))
            return false;
    }
    m_port = std::move(port);
    const CSimClock& use = clock ? *clock : m_clock;
    m_simUnit = std::make_unique<CSimUnit>(config, use);
    m_server = std::make_unique<CSimServer>(*m_simUnit, *m_port, use);
    m_server->Start();
    return true;
}

void CSimNetHarness::StopUnit()
{
    if (m_server)
        m_server->Stop();
    m_server.reset();
    m_port.reset();
}

pid_t CSimNetHarness::StartUnitProcess(const std::vector<std::string>& argv, std::string& error)
{
    StopUnitProcess();
    m_process = m_unit.Spawn(argv, error);
    return m_process;
}

int CSimNetHarness::StopUnitProcess()
{
    if (m_process <= 0)
        return 0;
    const pid_t pid = m_process;
    m_process = -1;
    ::kill(pid, SIGTERM);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid)
            break;
        if (r < 0)
            return -1;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
