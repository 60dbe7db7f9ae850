// The two wires the whole-measurement tests run on: the simulated unit on the link's
// in-memory transport (no privileges, fast) and on a veth pair whose host end lies alone in
// a network namespace of the test's own (root; the capture library as in the field).
#pragma once

#include "AcqRig.h"
#include "link/MemoryTransport.h"
#include "sim/SimServer.h"
#include "sim/SimUnit.h"
#include "tests/support/SimTransportPort.h"
#include "tests/support/SimVethFixture.h"

#include <gtest/gtest.h>

#include <memory>

inline constexpr MacAddress kRigHostMac = {0x02, 0x48, 0x4F, 0x53, 0x54, 0x01};
inline constexpr MacAddress kRigUnitMac = {0x02, 0x55, 0x55, 0x00, 0x00, 0x01};

class AcqOnMemoryWire : public ::testing::Test {
protected:
    void StartUnit(const CSimUnitConfig& config)
    {
        auto [host, unitSide] = MemoryTransport::MakePair();
        m_unitEnd = std::move(unitSide);
        std::string error;
        m_unitEnd->Open("unit", error);
        m_port = std::make_unique<SimTransportPort<FrameTransport, FrameView>>(*m_unitEnd, kRigUnitMac);
        m_unit = std::make_unique<CSimUnit>(config, m_clock);
        m_server = std::make_unique<CSimServer>(*m_unit, *m_port, m_clock);
        m_server->Start();
        rig = std::make_unique<AcqRig>(std::move(host),
                                       std::vector<Adapter>{{"mem0", "in-memory wire", kRigHostMac, 1}});
    }
    void TearDown() override
    {
        rig.reset();
        if (m_server)
            m_server->Stop();
    }
    CSimUnit& Unit() { return *m_unit; }

    std::unique_ptr<AcqRig> rig;

private:
    CSimSteadyClock m_clock;
    std::unique_ptr<MemoryTransport> m_unitEnd;
    std::unique_ptr<SimTransportPort<FrameTransport, FrameView>> m_port;
    std::unique_ptr<CSimUnit> m_unit;
    std::unique_ptr<CSimServer> m_server;
};

class AcqOverVeth : public SimVethTest {
protected:
    void StartUnit(const CSimUnitConfig& config)
    {
        std::string error;
        ASSERT_TRUE(net.StartUnit(config, error)) << error;
        // From here on this thread lives beside dvhost0 alone: the link's capture and its
        // receive thread are made in there and nowhere else.
        m_inside = std::make_unique<CScopedNetns>(net.HostNetns().Fd());
        ASSERT_TRUE(m_inside->Ok()) << m_inside->Error();
        rig = std::make_unique<AcqRig>(nullptr, std::vector<Adapter>{{CSimNetHarness::kHostInterface, "veth host end",
                                                                      net.HostMac(), 0}});
    }
    void TearDown() override
    {
        rig.reset();
        m_inside.reset();
    }
    CSimUnit& Unit() { return net.Unit(); }

    std::unique_ptr<AcqRig> rig;

private:
    std::unique_ptr<CScopedNetns> m_inside;
};
