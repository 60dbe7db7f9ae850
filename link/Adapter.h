// The network adapters the link can open, and where the list comes from. The system's
// list holds the Ethernet interfaces with a hardware address, loopback left out, in a
// stable order so that a saved adapter index keeps naming the same adapter.
#pragma once

#include "link/WireFormat.h"

#include <cstdint>
#include <string>
#include <vector>

struct Adapter {
    std::string name;         // interface name, the capture device
    std::string description;  // shown in the hardware set-up
    MacAddress mac{};
    int ifindex = 0;
};

class AdapterLister {
public:
    virtual ~AdapterLister() = default;
    // 0 with the adapters in `out` (possibly none); -1 when the system gives no adapter
    // information at all (`error` says why).
    virtual int List(std::vector<Adapter>& out, std::string& error) = 0;
};

// A list given once; for tools and tests that choose their adapters themselves.
class FixedAdapterLister : public AdapterLister {
public:
    explicit FixedAdapterLister(std::vector<Adapter> adapters) : m_adapters(std::move(adapters)) {}
    int List(std::vector<Adapter>& out, std::string&) override
    {
        out = m_adapters;
        return 0;
    }

private:
    std::vector<Adapter> m_adapters;
};

// The application's side of the adapter choice: the saved adapter index ("Iface_index"),
// which opening limits to the adapters present and writes back, and the descriptions of
// the adapters, refilled at every open in adapter order.
struct AdapterChoice {
    std::int16_t interfaceIndex = 0;
    std::vector<std::string> descriptions;
};
