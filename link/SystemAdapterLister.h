// The Ethernet adapters of this computer: the capture library's devices that are
// Ethernet interfaces with a 6-byte hardware address, loopback left out, sorted by
// interface index.
#pragma once

#include "link/Adapter.h"

class SystemAdapterLister : public AdapterLister {
public:
    int List(std::vector<Adapter>& out, std::string& error) override;
};
