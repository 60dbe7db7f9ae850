// The simulated unit's network harness: a veth pair between two network namespaces of the
// test's own, each side seeing only its own end.
#include "tests/support/SimVethFixture.h"
#include "tests/support/TempDir.h"

#include <net/if.h>
#include <set>
#include <sys/wait.h>

namespace {

std::set<std::string> Interfaces()
{
    std::set<std::string> names;
    struct if_nameindex* list = if_nameindex();
    for (struct if_nameindex* i = list; i && i->if_index; ++i)
        names.insert(i->if_name);
    if_freenameindex(list);
    return names;
}

std::set<std::string> InterfacesIn(const CSimNetns& ns)
{
    CScopedNetns inside(ns.Fd());
    EXPECT_TRUE(inside.Ok()) << inside.Error();
    return Interfaces();
}

TEST_F(SimVethTest, EachSideHoldsOnlyLoopbackAndItsEnd)
{
    EXPECT_EQ(InterfacesIn(net.HostNetns()), (std::set<std::string>{"lo", "dvhost0"}));
    EXPECT_EQ(InterfacesIn(net.UnitNetns()), (std::set<std::string>{"lo", "dvunit0"}));
    EXPECT_EQ(Interfaces().count("dvhost0"), 0u) << "nothing of the pair in the test's own namespace";
    EXPECT_NE(net.HostMac(), net.UnitMac());
}

TEST_F(SimVethTest, ProgramSpawnedOnTheHostSideSeesOnlyItsInterfaces)
{
    TempDir dir;
    std::string error;
    const pid_t pid = net.SpawnInHost({"/bin/sh", "-c", "ls /sys/class/net > " + dir.file("list")}, error);
    ASSERT_GT(pid, 0) << error;
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFileBytes(dir.file("list")), "dvhost0\nlo\n");
}

}  // namespace
