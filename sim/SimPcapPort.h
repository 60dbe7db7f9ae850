// The unit's network interface through libpcap: frames of EtherType 0x5555 coming in (never
// the unit's own outgoing ones), frames going out as given. Open it only on an interface made
// for the purpose (a veth end), inside the network namespace that holds it.
#pragma once

#include "sim/SimPort.h"

#include <mutex>
#include <string>

struct pcap;

class CSimPcapPort : public CSimPort {
public:
    CSimPcapPort() = default;
    ~CSimPcapPort() override;
    CSimPcapPort(const CSimPcapPort&) = delete;
    CSimPcapPort& operator=(const CSimPcapPort&) = delete;

    // Opens the interface by name in the calling thread's network namespace.
    bool Open(const std::string& interfaceName, std::string& error);
    void Close();
    bool IsOpen() const { return m_pcap != nullptr; }

    bool Send(const uint8_t* frame, size_t length) override;
    int Receive(std::vector<uint8_t>& frame, int64_t timeoutUs) override;
    SimMac Address() const override { return m_mac; }
    // Frames the kernel dropped for lack of buffer, as libpcap counts them.
    unsigned Dropped() const;

    // The hardware address of an interface in the calling thread's network namespace.
    static bool InterfaceAddress(const std::string& interfaceName, SimMac& mac, std::string& error);

private:
    pcap* m_pcap = nullptr;
    int m_fd = -1;
    SimMac m_mac{};
    std::mutex m_sendMutex;
};
