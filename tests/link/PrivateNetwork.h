// A network of the test's own: the test process moves into a fresh network namespace
// (nothing there but loopback) and makes a veth pair in it, so no frame of the test can
// reach a real interface. Needs root; tests skip without it.
#pragma once

#include "link/WireFormat.h"

#include <string>

class PrivateNetwork {
public:
    // Enters a new network namespace (once per process) and makes the pair `host` and
    // `unit` with the given addresses, both up. ok() tells whether that worked.
    PrivateNetwork(const std::string& host, const MacAddress& hostMac, const std::string& unit,
                   const MacAddress& unitMac);
    ~PrivateNetwork();

    bool ok() const { return m_ok; }
    const std::string& why() const { return m_why; }

    // Takes the pair away (the adapter vanishes) and makes it again.
    bool Remove();
    bool Make();

private:
    std::string m_host, m_unit;
    MacAddress m_hostMac, m_unitMac;
    bool m_ok = false;
    std::string m_why;
};

// Runs a command (through the shell) in the test's namespace; true when it exited 0.
bool Run(const std::string& command);
