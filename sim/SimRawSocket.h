// A raw packet socket on one interface, for the host side of tests that hand-make requests
// and read the unit's frames without libpcap. Open it inside the namespace that holds the
// interface (CScopedNetns); it stays there.
#pragma once

#include "sim/SimPort.h"

#include <string>

class CSimRawSocket : public CSimPort {
public:
    CSimRawSocket() = default;
    ~CSimRawSocket() override;
    CSimRawSocket(const CSimRawSocket&) = delete;
    CSimRawSocket& operator=(const CSimRawSocket&) = delete;

    // etherType 0 receives every frame; otherwise only frames of that EtherType.
    bool Open(const std::string& interfaceName, uint16_t etherType, std::string& error);
    void Close();

    bool Send(const uint8_t* frame, size_t length) override;
    // Incoming frames only; the socket's own outgoing copies are skipped.
    int Receive(std::vector<uint8_t>& frame, int64_t timeoutUs) override;
    SimMac Address() const override { return m_mac; }

private:
    int m_fd = -1;
    int m_ifindex = 0;
    SimMac m_mac{};
};
