// Fixture for tests that talk to the simulated control unit over a veth pair of their own
// (see sim/SimNetHarness.h). It skips, saying why, when the test does not run as root.
#pragma once

#include "sim/SimNetHarness.h"

#include <gtest/gtest.h>
#include <string>

class SimVethTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string why;
        if (!CSimNetHarness::Allowed(why))
            GTEST_SKIP() << why;
        ASSERT_TRUE(net.Create(why, Mtu())) << why;
    }
    // Larger in fixtures that send jumbo frames.
    virtual int Mtu() const { return 1500; }

    CSimNetHarness net;
};
