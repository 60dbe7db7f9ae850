// A test network for the link: two network namespaces joined by a veth pair, the host end
// "dvhost0" alone (besides loopback) in the host namespace and the unit end "dvunit0" in the
// unit namespace, both up with no addresses and IPv6 off. The simulated unit can run on the
// unit end in this process (StartUnit) or as a dv-unitsim process (StartUnitProcess).
// Everything is removed when the harness ends, and by the kernel even if the process dies.
// Needs root.
//
// In a link test (fixture SimVethTest in tests/support/SimVethFixture.h makes `net`):
//   std::string error;
//   ASSERT_TRUE(net.StartUnit(CSimUnitConfig::Tolam(), error)) << error;
//   {
//       CScopedNetns inside(net.HostNetns().Fd());   // dvhost0 is adapter 0 in here
//       ASSERT_EQ(link.Open(), 0);                    // its capture and threads stay inside
//   }
//   ... then check net.Unit().Requests(), net.Unit().SentTraces(0), net.Unit().Control("vanish 2")
#pragma once

#include "sim/SimClock.h"
#include "sim/SimNetns.h"
#include "sim/SimPcapPort.h"
#include "sim/SimServer.h"
#include "sim/SimUnit.h"

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

class CSimNetHarness {
public:
    static constexpr const char* kHostInterface = "dvhost0";
    static constexpr const char* kUnitInterface = "dvunit0";

    CSimNetHarness() = default;
    ~CSimNetHarness();
    CSimNetHarness(const CSimNetHarness&) = delete;
    CSimNetHarness& operator=(const CSimNetHarness&) = delete;

    // False with a reason when this process may not make namespaces (not root).
    static bool Allowed(std::string& why);

    // Makes the namespaces and the veth pair; mtu above 1500 for jumbo frames.
    bool Create(std::string& error, int mtu = 1500);

    const CSimNetns& HostNetns() const { return m_host; }
    const CSimNetns& UnitNetns() const { return m_unit; }
    const SimMac& HostMac() const { return m_hostMac; }
    const SimMac& UnitMac() const { return m_unitMac; }

    // The simulated unit on the unit end, in a thread of this process, by the steady clock
    // or by the clock given (which must outlive the unit).
    bool StartUnit(const CSimUnitConfig& config, std::string& error, const CSimClock* clock = nullptr);
    CSimUnit& Unit() { return *m_simUnit; }
    bool UnitRunning() const { return m_server != nullptr; }
    void StopUnit();

    // A program (normally build/bin/dv-unitsim -i dvunit0 ...) started inside the unit
    // namespace; ended by its process id when the harness ends or StopUnitProcess is called.
    pid_t StartUnitProcess(const std::vector<std::string>& argv, std::string& error);
    // Sends SIGTERM and waits (then SIGKILL after 5 s). Returns the exit status, -1 if killed.
    int StopUnitProcess();

    // The cable between program and unit: the host end set down (pulled), or up again
    // (plugged; returns once the kernel reports it running). The unit runs on meanwhile.
    bool SetCable(bool plugged, std::string& error);

    // Runs a program inside the host namespace with its own /sys, as the program under test.
    pid_t SpawnInHost(const std::vector<std::string>& argv, std::string& error) const
    {
        return m_host.Spawn(argv, error);
    }

private:
    CSimNetns m_host;
    CSimNetns m_unit;
    SimMac m_hostMac{};
    SimMac m_unitMac{};
    CSimSteadyClock m_clock;
    std::unique_ptr<CSimPcapPort> m_port;
    std::unique_ptr<CSimUnit> m_simUnit;
    std::unique_ptr<CSimServer> m_server;
    pid_t m_process = -1;
};
