#include "sim/SimRawSocket.h"

#include "sim/SimPcapPort.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

CSimRawSocket::~CSimRawSocket() { Close(); }

bool CSimRawSocket::Open(const std::string& interfaceName, uint16_t etherType, std::string& error)
{
    Close();
    if (!CSimPcapPort::InterfaceAddress(interfaceName, m_mac, error))
        return false;
    const uint16_t proto = htons(etherType ? etherType : ETH_P_ALL);
    m_fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, proto);
    if (m_fd < 0) {
        error = std::string("packet socket: ") + std::strerror(errno);
        return false;
    }
    m_ifindex = int(::if_nametoindex(interfaceName.c_str()));
    sockaddr_ll addr{};
    addr.sll_family = AF_PACKET;
    addr.sll_protocol = proto;
    addr.sll_ifindex = m_ifindex;
    if (m_ifindex == 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        error = "binding to " + interfaceName + ": " + std::strerror(errno);
        Close();
        return false;
    }
    return true;
}

void CSimRawSocket::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool CSimRawSocket::Send(const uint8_t* frame, size_t length)
{
    if (m_fd < 0)
        return false;
    sockaddr_ll to{};
    to.sll_family = AF_PACKET;
    to.sll_ifindex = m_ifindex;
    to.sll_halen = 6;
    std::memcpy(to.sll_addr, frame, 6);
    return ::sendto(m_fd, frame, length, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) == ssize_t(length);
}

int CSimRawSocket::Receive(std::vector<uint8_t>& frame, int64_t timeoutUs)
{
    if (m_fd < 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::microseconds(timeoutUs);
    frame.resize(65536);
    for (;;) {
        const int64_t left = std::chrono::duration_cast<std::chrono::microseconds>(
                                 deadline - std::chrono::steady_clock::now())
                                 .count();
        pollfd pfd{m_fd, POLLIN, 0};
        const timespec wait{time_t(std::max<int64_t>(left, 0) / 1000000), long(std::max<int64_t>(left, 0) % 1000000) * 1000};
        const int ready = ::ppoll(&pfd, 1, &wait, nullptr);
        if (ready < 0 && errno != EINTR)
            return -1;
        if (ready <= 0) {
            if (left <= 0)
                return 0;
            continue;
        }
        sockaddr_ll from{};
        socklen_t fromLen = sizeof from;
        const ssize_t n = ::recvfrom(m_fd, frame.data(), frame.size(), MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return -1;
        }
        if (from.sll_pkttype == PACKET_OUTGOING)
            continue;
        frame.resize(std::min<size_t>(size_t(n), frame.size()));
        return 1;
    }
}
