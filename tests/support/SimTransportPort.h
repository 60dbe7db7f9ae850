// Puts the simulated unit on one end of the link's own frame transport (its in-memory pair,
// or a capture), so link tests can run CSimServer against the very transport the link uses:
//
//   auto [hostEnd, unitEnd] = MemoryTransport::MakePair();
//   SimTransportPort<FrameTransport, FrameView> port(*unitEnd, unitMac);
//   CSimSteadyClock clock;
//   CSimUnit unit(CSimUnitConfig::Tolam(), clock);
//   CSimServer server(unit, port, clock);
//   server.Start();
//
// Transport needs Send(const uint8_t*, size_t) -> 0 on success, Wait(int ms) -> 1 frames
// there / 0 none / -1 failed, and Next(View&) -> 1 / 0 / -1, where View has data and caplen.
// The adapter only moves frames; it reads nothing in them.
#pragma once

#include "sim/SimPort.h"

#include <algorithm>
#include <cstdint>
#include <vector>

template <class Transport, class View>
class SimTransportPort : public CSimPort {
public:
    SimTransportPort(Transport& transport, const SimMac& address) : m_transport(transport), m_address(address) {}

    bool Send(const uint8_t* frame, size_t length) override { return m_transport.Send(frame, length) == 0; }

    int Receive(std::vector<uint8_t>& frame, int64_t timeoutUs) override
    {
        View view{};
        int r = m_transport.Next(view);
        if (r == 0 && timeoutUs > 0) {
            // Whole milliseconds: a frame that comes sooner ends the wait anyway.
            const int ms = int(std::clamp<int64_t>((timeoutUs + 999) / 1000, 1, 1000));
            const int waited = m_transport.Wait(ms);
            if (waited < 0)
                return -1;
            if (waited == 0)
                return 0;
            r = m_transport.Next(view);
        }
        if (r <= 0)
            return r;
        frame.assign(view.data, view.data + view.caplen);
        return 1;
    }

    SimMac Address() const override { return m_address; }

private:
    Transport& m_transport;
    SimMac m_address;
};
