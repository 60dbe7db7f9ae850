// The adapter that puts the simulated unit on a transport of the link's shape, tried with a
// small transport of that shape.
#include "HostView.h"
#include "sim/SimServer.h"
#include "sim/SimUnit.h"
#include "tests/support/SimTransportPort.h"

#include <condition_variable>
#include <deque>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

struct View {
    const uint8_t* data = nullptr;
    uint32_t caplen = 0;
    uint32_t len = 0;
};

// One direction each way, with the calls the adapter relies on.
class ShapedTransport {
public:
    int Send(const uint8_t* f, size_t n)
    {
        if (failSends)
            return -1;
        std::lock_guard<std::mutex> g(peer->m_mutex);
        peer->m_inbox.emplace_back(f, f + n);
        peer->m_cv.notify_all();
        return 0;
    }
    int Wait(int timeoutMs)
    {
        std::unique_lock<std::mutex> g(m_mutex);
        if (broken)
            return -1;
        return m_cv.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return !m_inbox.empty(); }) ? 1 : 0;
    }
    int Next(View& v)
    {
        std::lock_guard<std::mutex> g(m_mutex);
        if (broken)
            return -1;
        if (m_inbox.empty())
            return 0;
        m_current = std::move(m_inbox.front());
        m_inbox.pop_front();
        v.data = m_current.data();
        v.caplen = v.len = uint32_t(m_current.size());
        return 1;
    }

    ShapedTransport* peer = nullptr;
    bool failSends = false;
    bool broken = false;

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<std::vector<uint8_t>> m_inbox;
    std::vector<uint8_t> m_current;
};

TEST(SimTransportPort, UnitAnswersThroughALinkShapedTransport)
{
    ShapedTransport host, unitEnd;
    host.peer = &unitEnd;
    unitEnd.peer = &host;
    const SimMac unitMac{0x02, 0x55, 0x55, 0, 0, 9};
    const SimMac hostMac{0x02, 0x48, 0, 0, 0, 1};
    SimTransportPort<ShapedTransport, View> port(unitEnd, unitMac);
    CSimSteadyClock clock;
    CSimUnit unit(CSimUnitConfig::Tolam(), clock);
    CSimServer server(unit, port, clock);
    server.Start();

    const auto request = MakeRequest(SimWire::kBroadcast, hostMac, 5, 0xFFFF, 0);
    ASSERT_EQ(host.Send(request.data(), request.size()), 0);
    ASSERT_EQ(host.Wait(10000), 1) << "no reply: hang";
    View v;
    ASSERT_EQ(host.Next(v), 1);
    const HostFrame reply = ParseHostFrame(std::vector<uint8_t>(v.data, v.data + v.caplen));
    EXPECT_EQ(reply.word18, 5);
    EXPECT_EQ(reply.src, unitMac) << "the unit takes the port's address";
    EXPECT_EQ(reply.dst, hostMac);
    server.Stop();
}

TEST(SimTransportPort, FailuresOfTheTransportReachTheServer)
{
    ShapedTransport host, unitEnd;
    host.peer = &unitEnd;
    unitEnd.peer = &host;
    SimTransportPort<ShapedTransport, View> port(unitEnd, {0x02, 0, 0, 0, 0, 1});
    unitEnd.failSends = true;
    const uint8_t frame[60] = {};
    EXPECT_FALSE(port.Send(frame, sizeof frame));
    std::vector<uint8_t> got;
    EXPECT_EQ(port.Receive(got, 0), 0);
    unitEnd.broken = true;
    EXPECT_EQ(port.Receive(got, 1000), -1);

    CSimSteadyClock clock;
    CSimUnit unit(CSimUnitConfig::Tolam(), clock);
    CSimServer server(unit, port, clock);
    server.Start();
    for (int i = 0; i < 1000 && !server.PortFailed(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(server.PortFailed()) << "a failed transport ends the server's thread";
    server.Stop();
}

}  // namespace
