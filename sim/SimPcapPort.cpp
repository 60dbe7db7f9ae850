#include "sim/SimPcapPort.h"

#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <pcap/pcap.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

CSimPcapPort::~CSimPcapPort() { Close(); }

bool CSimPcapPort::InterfaceAddress(const std::string& interfaceName, SimMac& mac, std::string& error)
{
    if (interfaceName.empty() || interfaceName.size() >= IFNAMSIZ) {
        error = "bad interface name '" + interfaceName + "'";
        return false;
    }
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    ifreq req{};
    std::memcpy(req.ifr_name, interfaceName.c_str(), interfaceName.size());
    const int r = ::ioctl(s, SIOCGIFHWADDR, &req);
    const int saved = errno;
    ::close(s);
    if (r < 0) {
        error = "no interface '" + interfaceName + "': " + std::strerror(saved);
        return false;
    }
    std::memcpy(mac.data(), req.ifr_hwaddr.sa_data, 6);
    return true;
}

bool CSimPcapPort::Open(const std::string& interfaceName, std::string& error)
{
    Close();
    if (!InterfaceAddress(interfaceName, m_mac, error))
        return false;
    char errbuf[PCAP_ERRBUF_SIZE] = {0};
    pcap_t* p = pcap_create(interfaceName.c_str(), errbuf);
    if (!p) {
        error = std::string("pcap_create: ") + errbuf;
        return false;
    }
    pcap_set_snaplen(p, 65536);
    pcap_set_promisc(p, 1);
    pcap_set_timeout(p, 2);
    pcap_set_buffer_size(p, 10 * 1024 * 1024);
    // The unit answers small requests; it wants each one at once, not when a block fills.
    pcap_set_immediate_mode(p, 1);
    const int act = pcap_activate(p);
    if (act < 0) {
        error = std::string("pcap_activate on ") + interfaceName + ": " + pcap_geterr(p);
        pcap_close(p);
        return false;
    }
    bpf_program filter{};
    if (pcap_setdirection(p, PCAP_D_IN) != 0 || pcap_compile(p, &filter, "ether proto 0x5555", 1, PCAP_NETMASK_UNKNOWN) != 0 ||
        pcap_setfilter(p, &filter) != 0 || pcap_setnonblock(p, 1, errbuf) != 0) {
        error = std::string("setting up the capture on ") + interfaceName + ": " + pcap_geterr(p);
        pcap_freecode(&filter);
        pcap_close(p);
        return false;
    }
    pcap_freecode(&filter);
    m_fd = pcap_get_selectable_fd(p);
    if (m_fd < 0) {
        error = "the capture has no selectable descriptor";
        pcap_close(p);
        return false;
    }
    m_pcap = p;
    return true;
}

void CSimPcapPort::Close()
{
    if (m_pcap)
        pcap_close(m_pcap);
    m_pcap = nullptr;
    m_fd = -1;
}

bool CSimPcapPort::Send(const uint8_t* frame, size_t length)
{
    std::lock_guard<std::mutex> g(m_sendMutex);
    if (!m_pcap)
        return false;
    return pcap_inject(m_pcap, frame, length) == int(length);
}

int CSimPcapPort::Receive(std::vector<uint8_t>& frame, int64_t timeoutUs)
{
    if (!m_pcap)
        return -1;
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    int r = pcap_next_ex(m_pcap, &header, &data);
    if (r == 0) {
        if (timeoutUs <= 0)
            return 0;
        pollfd pfd{m_fd, POLLIN, 0};
        const timespec wait{time_t(timeoutUs / 1000000), long(timeoutUs % 1000000) * 1000};
        const int ready = ::ppoll(&pfd, 1, &wait, nullptr);
        if (ready < 0)
            return errno == EINTR ? 0 : -1;
        if (ready == 0)
            return 0;
        r = pcap_next_ex(m_pcap, &header, &data);
    }
    if (r < 0)
        return -1;
    if (r == 0)
        return 0;
    frame.assign(data, data + header->caplen);
    return 1;
}

unsigned CSimPcapPort::Dropped() const
{
    pcap_stat st{};
    if (!m_pcap || pcap_stats(m_pcap, &st) != 0)
        return 0;
    return st.ps_drop;
}
