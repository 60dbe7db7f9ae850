// The wire through the capture library: a live capture of the unit's EtherType on one
// Ethernet interface, read without blocking and waited for with poll(), and raw sends on
// the same capture.
#pragma once

#include "link/FrameTransport.h"

#include <atomic>

struct pcap;

class PcapTransport : public FrameTransport {
public:
    static constexpr int kSnapLength = 65536;
    static constexpr int kReadTimeoutMs = 2;
    static constexpr int kBufferBytes = 10'485'760;

    PcapTransport();
    ~PcapTransport() override;
    PcapTransport(const PcapTransport&) = delete;
    PcapTransport& operator=(const PcapTransport&) = delete;

    int Open(const std::string& device, std::string& error) override;
    void Close() override;
    bool IsOpen() const override { return m_handle != nullptr; }
    int Send(const std::uint8_t* frame, std::size_t len) override;
    int Wait(int timeoutMs) override;
    int Next(FrameView& out) override;
    void Wake() override;
    CaptureStats Stats() override;

private:
    pcap* m_handle = nullptr;
    int m_captureFd = -1;
    int m_wakeFd = -1;  // eventfd: Wake writes, Wait drains
    std::atomic<bool> m_failed{false};
};
