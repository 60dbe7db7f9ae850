// The simulated unit's model as the host reads it, without a network.
#include "HostView.h"
#include "sim/SimClock.h"
#include "sim/SimUnit.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

// The host keeps a module's sample interval in microseconds per frequency step; a radar
// module samples at picoseconds to a nanosecond a step, so that a trace reaches metres deep.
TEST(SimModel, DefaultSampleIntervalsAreARadarModulesInMicroseconds)
{
    CSimManualClock clock;
    CSimUnitConfig config = CSimUnitConfig::Tolam();
    std::string error;
    ASSERT_TRUE(config.SetModules("8,4,12", error)) << error;  // coaxial, opto, HF
    CSimUnit unit(config, clock);
    std::vector<HostFrame> replies;
    unit.SetSink([&replies](const uint8_t* frame, size_t length) {
        replies.push_back(ParseHostFrame(std::vector<uint8_t>(frame, frame + length)));
        return true;
    });
    const SimMac host{0x02, 0x00, 0x00, 0x00, 0x00, 0x09};
    uint16_t seq = 1;
    for (uint16_t slot = 0; slot < 3; ++slot) {
        for (uint32_t ramp = 0; ramp < 4; ++ramp) {
            replies.clear();
            const std::vector<uint8_t> request = MakeRequest(unit.Address(), host, seq++, 71, slot, ramp);
            unit.OnFrame(request.data(), request.size());
            unit.Poll();
            ASSERT_EQ(replies.size(), 1u) << "slot " << slot << " ramp " << ramp;
            ASSERT_EQ(replies[0].type, SimWire::kTypeReply);
            double microseconds = 0;
            std::memcpy(&microseconds, replies[0].payload, sizeof microseconds);  // little-endian host
            EXPECT_GE(microseconds, 1e-6) << "slot " << slot << " ramp " << ramp;
            EXPECT_LE(microseconds, 1e-3) << "slot " << slot << " ramp " << ramp;
        }
    }
}

}  // namespace
