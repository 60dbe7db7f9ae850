// An in-memory Ethernet wire with a host end and a unit end, for tests that need no network
// interface and no privileges. Frames keep their order; each direction holds a bounded queue
// (frames beyond it are lost and counted, like a full receive buffer).
//
// Two ways to put the unit on it:
//  - CSimServer on UnitPort(): a thread answers requests and streams in real time;
//  - AttachDirect(unit): frames sent on the host end reach the unit at once, in the sender's
//    thread, and the unit's frames land in the host end's queue before Send returns; time
//    moves only when the test calls unit.Poll() after moving a CSimManualClock.
#pragma once

#include "sim/SimPort.h"

#include <condition_variable>
#include <deque>
#include <mutex>

class CSimUnit;

class CSimMemoryWire {
public:
    explicit CSimMemoryWire(size_t capacity = 65536,
                            const SimMac& hostMac = {0x02, 0x48, 0x4F, 0x53, 0x54, 0x01},
                            const SimMac& unitMac = {0x02, 0x55, 0x55, 0x00, 0x00, 0x01});
    ~CSimMemoryWire();
    CSimMemoryWire(const CSimMemoryWire&) = delete;
    CSimMemoryWire& operator=(const CSimMemoryWire&) = delete;

    CSimPort& HostPort() { return m_host; }
    CSimPort& UnitPort() { return m_unit; }

    // Sends frames of the host end straight into the unit and the unit's frames into the
    // host end's queue. The unit must outlive the wire or be detached first.
    void AttachDirect(CSimUnit& unit);
    void Detach();

    // Wakes every waiting Receive with -1 and refuses further frames.
    void Close();
    size_t Lost() const;

private:
    struct Queue {
        std::deque<std::vector<uint8_t>> frames;
        size_t lost = 0;
    };
    class End : public CSimPort {
    public:
        End(CSimMemoryWire& wire, bool host, const SimMac& mac) : m_wire(wire), m_host(host), m_mac(mac) {}
        bool Send(const uint8_t* frame, size_t length) override;
        int Receive(std::vector<uint8_t>& frame, int64_t timeoutUs) override;
        SimMac Address() const override { return m_mac; }

    private:
        CSimMemoryWire& m_wire;
        bool m_host;
        SimMac m_mac;
    };

    bool Push(Queue& q, const uint8_t* frame, size_t length);
    int Pop(Queue& q, std::vector<uint8_t>& frame, int64_t timeoutUs);

    const size_t m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    Queue m_toHost;
    Queue m_toUnit;
    bool m_closed = false;
    CSimUnit* m_direct = nullptr;   // guarded by m_directMutex
    std::mutex m_directMutex;
    End m_host;
    End m_unit;
};
