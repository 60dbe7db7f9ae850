// The reference the receive benchmarks are measured beside: a bare libpcap capture of the same
// stream, set up as the link sets up its own (10 MiB buffer, 2 ms timeout, frames coming in,
// the unit's EtherType only), that does nothing but count frames, and among them the data
// frames that end a message (each a message the unit finished sending).
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
    long Messages() const { return m_messages; }
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
        auto count = [](u_char* user, const pcap_pkthdr* header, const u_char* frame) {
            BareCounter& self = *reinterpret_cast<BareCounter*>(user);
            self.m_frames.store(self.m_frames.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
            // byte 16 the frame type (2: data), the last-fragment flag third from the end
            const bpf_u_int32 n = header->caplen;
            if (n >= 24 && n == header->len && frame[16] == 2 && frame[n - 3] == 1)
                self.m_messages.store(self.m_messages.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
        };
        while (m_run) {
            poll(&fd, 1, 2);
            pcap_dispatch(m_p, -1, count, reinterpret_cast<u_char*>(this));
        }
        pcap_dispatch(m_p, -1, count, reinterpret_cast<u_char*>(this));
    }

    pcap_t* m_p = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_run{true};
    std::atomic<long> m_frames{0};
    std::atomic<long> m_messages{0};
    pcap_stat m_stats{};
};
