#include "link/PcapTransport.h"

#include <pcap/pcap.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace {

// Activation problems in the words of the capture library, with a hint where the cause
// is a missing right.
std::string ActivationError(pcap_t* handle, int status)
{
    std::string text = pcap_statustostr(status);
    const char* detail = pcap_geterr(handle);
    if (detail && *detail) {
        text += ": ";
        text += detail;
    }
    if (status == PCAP_ERROR_PERM_DENIED || status == PCAP_ERROR_PROMISC_PERM_DENIED)
        text += " (capture needs CAP_NET_RAW and CAP_NET_ADMIN: run as root or give the "
                "program these capabilities with setcap)";
    return text;
}

}  // namespace

PcapTransport::PcapTransport()
{
    m_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

PcapTransport::~PcapTransport()
{
    Close();
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

int PcapTransport::Open(const std::string& device, std::string& error)
{
    Close();
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_create(device.c_str(), errbuf);
    if (!handle) {
        error = errbuf;
        return kTransportFailed;
    }
    // The buffer size can only be set before activation. Immediate mode stays off: with
    // this snapshot length it would leave room for only a few hundred frames.
    pcap_set_snaplen(handle, kSnapLength);
    pcap_set_promisc(handle, 1);
    pcap_set_timeout(handle, kReadTimeoutMs);
    pcap_set_buffer_size(handle, kBufferBytes);
    const int status = pcap_activate(handle);
    if (status < 0) {
        error = ActivationError(handle, status);
        pcap_close(handle);
        return status == PCAP_ERROR_PERM_DENIED || status == PCAP_ERROR_PROMISC_PERM_DENIED
                   ? kTransportPermissionDenied
                   : kTransportFailed;
    }
    if (pcap_datalink(handle) != DLT_EN10MB) {
        error = "not an Ethernet interface";
        pcap_close(handle);
        return kTransportFailed;
    }
    // Our own requests would come back to us on the same interface.
    if (pcap_setdirection(handle, PCAP_D_IN) != 0 || pcap_setnonblock(handle, 1, errbuf) != 0) {
        error = pcap_geterr(handle);
        pcap_close(handle);
        return kTransportFailed;
    }
    bpf_program filter{};
    if (pcap_compile(handle, &filter, "ether proto 0x5555", 1, PCAP_NETMASK_UNKNOWN) != 0 ||
        pcap_setfilter(handle, &filter) != 0) {
        error = pcap_geterr(handle);
        pcap_freecode(&filter);
        pcap_close(handle);
        return kTransportFailed;
    }
    pcap_freecode(&filter);
    m_captureFd = pcap_get_selectable_fd(handle);
    if (m_captureFd < 0) {
        error = "the capture cannot be waited for";
        pcap_close(handle);
        return kTransportFailed;
    }
    m_handle = handle;
    m_failed.store(false);
    return kTransportOpened;
}

void PcapTransport::Close()
{
    if (m_handle) {
        pcap_close(m_handle);
        m_handle = nullptr;
        m_captureFd = -1;
    }
}

int PcapTransport::Send(const std::uint8_t* frame, std::size_t len)
{
    if (!m_handle)
        return -1;
    return pcap_sendpacket(m_handle, frame, static_cast<int>(len)) == 0 ? 0 : -1;
}

int PcapTransport::Wait(int timeoutMs)
{
    if (m_captureFd < 0 || m_failed.load())
        return -1;
    pollfd fds[2] = {{m_captureFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    const int n = poll(fds, 2, timeoutMs);
    if (n < 0)
        return errno == EINTR ? 0 : -1;
    if (fds[1].revents & POLLIN) {
        std::uint64_t drained;
        [[maybe_unused]] ssize_t r = read(m_wakeFd, &drained, sizeof drained);
    }
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
        // The interface went down or away; frames still buffered are read first.
        m_failed.store(true);
        return 1;
    }
    return (fds[0].revents & POLLIN) ? 1 : 0;
}

int PcapTransport::Next(FrameView& out)
{
    if (!m_handle)
        return -1;
    pcap_pkthdr* header = nullptr;
    const std::uint8_t* data = nullptr;
    const int r = pcap_next_ex(m_handle, &header, &data);
    if (r == 1) {
        out.data = data;
        out.caplen = header->caplen;
        out.len = header->len;
        return 1;
    }
    if (r == 0)
        return m_failed.load() ? -1 : 0;
    m_failed.store(true);
    return -1;
}

void PcapTransport::Wake()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t r = write(m_wakeFd, &one, sizeof one);
}

CaptureStats PcapTransport::Stats()
{
    CaptureStats stats;
    pcap_stat ps{};
    if (m_handle && pcap_stats(m_handle, &ps) == 0) {
        stats.received = ps.ps_recv;
        stats.dropped = ps.ps_drop;
        stats.ifDropped = ps.ps_ifdrop;
    }
    return stats;
}
