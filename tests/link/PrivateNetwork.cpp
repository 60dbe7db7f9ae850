#include "PrivateNetwork.h"

#include <sched.h>
#include <unistd.h>

#include <cstdlib>

bool Run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

namespace {

bool EnterOwnNamespace(std::string& why)
{
    static int entered = -1;
    if (entered < 0) {
        if (geteuid() != 0) {
            why = "needs root for network namespaces and veth pairs";
            entered = 0;
        } else if (unshare(CLONE_NEWNET) != 0) {
            why = "cannot make a network namespace";
            entered = 0;
        } else {
            entered = 1;
            Run("ip link set lo up");
        }
    }
    if (!entered && why.empty())
        why = "no private network namespace";
    return entered == 1;
}

}  // namespace

PrivateNetwork::PrivateNetwork(const std::string& host, const MacAddress& hostMac, const std::string& unit,
                               const MacAddress& unitMac)
    : m_host(host), m_unit(unit), m_hostMac(hostMac), m_unitMac(unitMac)
{
    if (!EnterOwnNamespace(m_why))
        return;
    m_ok = Make();
    if (!m_ok)
        m_why = "cannot make the veth pair";
}

PrivateNetwork::~PrivateNetwork()
{
    if (m_ok)
        Remove();
}

bool PrivateNetwork::Make()
{
    return Run("ip link add " + m_host + " address " + FormatMac(m_hostMac) + " type veth peer name " + m_unit +
               " address " + FormatMac(m_unitMac)) &&
           Run("ip link set " + m_host + " up") && Run("ip link set " + m_unit + " up");
}

bool PrivateNetwork::Remove()
{
    return Run("ip link del " + m_host);
}
