// The reference the receive benchmarks are measured beside: a bare libpcap capture of the same
// stream, set up as the link sets up its own (10 MiB buffer, 2 ms timeout, frames coming in,
// the unit's EtherType only), that does nothing but count frames.
#pragma once

#include <atomic>
#include <cstdio>
#include <pcap/pcap.h>
#include <poll.h>
#include <thread>

class BareCounter {
public:
    explicit BareCounter(const char* device)
    {
        char errbuf[PCAP_ERRBUF_SIZE];
        m_p = pcap_create(device, errbuf);
        if (!m_p)
            return;
        pcap_set_snaplen(m_p, 65536);
        pcap_set_promisc(m_p, 1);
        pcap_set_timeout(m_p, 2);
        pcap_set_buffer_size(m_p, 10'485'760);
        if (pcap_activate(m_p) < 0) {
            std::fprintf(stderr, "bare capture: %s\n", pcap_geterr(m_p));
            pcap_close(m_p);
            m_p = nullptr;
            return;
        }
        pcap_setdirection(m_p, PCAP_D_IN);
        pcap_setnonblock(m_p, 1, errbuf);
        bpf_program filter{};
        pcap_compile(m_p, &filter, "ether proto 0x5555", 1, PCAP_NETMASK_UNKNOWN);
        pcap_setfilter(m_p, &filter);
        pcap_freecode(&filter);
        m_thread = std::thread([this] { Count(); });
    }
    ~BareCounter() { Stop(); }
    BareCounter(const BareCounter&) = delete;
    BareCounter& operator=(const BareCounter&) = delete;

    bool Ok() const { return m_p != nullptr; }
    // Ends the count after taking what is still queued; the statistics stay readable.
    void Stop()
    {
        m_run = false;
        if (m_thread.joinable())
            m_thread.join();
        if (m_p) {
            pcap_stats(m_p, &m_stats);
            pcap_close(m_p);
            m_p = nullptr;
        }
    }
    long Frames() const { return m_frames; }
    // The capture's statistics: while counting, the live ones; after Stop, the last.
    pcap_stat Stats()
    {
        if (m_p)
            pcap_stats(m_p, &m_stats);
        return m_stats;
    }
    unsigned Dropped() { return Stats().ps_drop; }

private:
    void Count()
    {
        pollfd fd{pcap_get_selectable_fd(m_p), POLLIN, 0};
        auto count = [](u_char* user, const pcap_pkthdr*, const u_char*) {
            ++*reinterpret_cast<std::atomic<long>*>(user);
        };
        while (m_run) {
            poll(&fd, 1, 2);
            pcap_dispatch(m_p, -1, count, reinterpret_cast<u_char*>(&m_frames));
        }
        pcap_dispatch(m_p, -1, count, reinterpret_cast<u_char*>(&m_frames));
    }

    pcap_t* m_p = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_run{true};
    std::atomic<long> m_frames{0};
    pcap_stat m_stats{};
};
