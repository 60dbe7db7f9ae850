#include "link/SystemAdapterLister.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <pcap/pcap.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace {

// Interface name -> (hardware address, interface index) for Ethernet interfaces.
std::map<std::string, Adapter> EthernetInterfaces()
{
    std::map<std::string, Adapter> found;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return found;
    for (ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_PACKET || (a->ifa_flags & IFF_LOOPBACK))
            continue;
        const auto* ll = reinterpret_cast<const sockaddr_ll*>(a->ifa_addr);
        if (ll->sll_hatype != ARPHRD_ETHER || ll->sll_halen != 6)
            continue;
        Adapter adapter;
        adapter.name = a->ifa_name;
        std::memcpy(adapter.mac.data(), ll->sll_addr, 6);
        adapter.ifindex = ll->sll_ifindex;
        found[adapter.name] = adapter;
    }
    freeifaddrs(list);
    return found;
}

}  // namespace

int SystemAdapterLister::List(std::vector<Adapter>& out, std::string& error)
{
    out.clear();
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    pcap_if_t* devices = nullptr;
    if (pcap_findalldevs(&devices, errbuf) != 0) {
        error = errbuf;
        return -1;
    }
    const std::map<std::string, Adapter> ethernet = EthernetInterfaces();
    for (pcap_if_t* d = devices; d; d = d->next) {
        if (d->flags & PCAP_IF_LOOPBACK)
            continue;
        auto it = ethernet.find(d->name);
        if (it == ethernet.end())
            continue;
        Adapter adapter = it->second;
        adapter.description = d->description && *d->description
                                  ? std::string(d->description)
                                  : adapter.name + " (" + FormatMac(adapter.mac) + ")";
        out.push_back(adapter);
    }
    pcap_freealldevs(devices);
    std::stable_sort(out.begin(), out.end(),
                     [](const Adapter& a, const Adapter& b) { return a.ifindex < b.ifindex; });
    return 0;
}
