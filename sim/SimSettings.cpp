#include "sim/SimSettings.h"

void CSimSettings::Reset(uint16_t defaultSamples)
{
    *this = CSimSettings{};
    for (SimSlotSettings& s : slot)
        s.samples = defaultSamples;
}

int CSimSettings::CounterIndex(uint32_t address)
{
    if (address <= 7)
        return int(address);
    if (address == kMasterWheel)
        return 8;
    return -1;
}

void CSimSettings::Apply(const SimRequest& r)
{
    last[{r.code, r.address}] = r.args;
    const uint32_t a2 = r.args[0], a3 = r.args[1];

    auto forSlots = [&](auto&& set) {
        if (r.address == kAllSlots) {
            for (SimSlotSettings& s : slot)
                set(s);
        } else if (r.address <= 7) {
            set(slot[r.address]);
        }
    };
    auto forCounters = [&](auto&& set) {
        if (r.address == kAllSlots) {
            for (SimWheelCounter& c : counters)
                set(c);
        } else if (CounterIndex(r.address) >= 0) {
            set(counters[size_t(CounterIndex(r.address))]);
        }
    };

    switch (r.code) {
    case 1: forSlots([&](SimSlotSettings& s) { s.samples = a2; }); break;
    case 2: forSlots([&](SimSlotSettings& s) { s.stacksLog2 = a2; }); break;
    case 3: forSlots([&](SimSlotSettings& s) { s.signalPosition[0] = a2; s.signalPosition[1] = a3; }); break;
    case 4: forSlots([&](SimSlotSettings& s) { s.frequencySteps = a2; }); break;
    case 5:
        triggerKind = char(a2 & 0xFF);
        triggerSource = a3;
        break;
    case 6: forSlots([&](SimSlotSettings& s) { s.step = a2; }); break;
    case 7:
        bidirectional = int32_t(a2);
        missedTrace = int32_t(a3);
        break;
    case 8: {
        // 1 forward, 0xFFFF (minus one in 16 bits) reverse.
        const int d = int16_t(a2 & 0xFFFF) < 0 ? -1 : 1;
        direction = d;
        forSlots([&](SimSlotSettings& s) { s.direction = d; });
        break;
    }
    case 9:
        forCounters([&](SimWheelCounter& c) {
            if (a2 != 0) {
                c.value = int32_t(a3);
                c.running = true;
            } else {
                c.running = false;
            }
        });
        break;
    case 20: forSlots([&](SimSlotSettings& s) { s.beeper = a2; }); break;
    case 22: forCounters([&](SimWheelCounter& c) { c.enabled = a2 != 0; }); break;
    case 27: forSlots([&](SimSlotSettings& s) { s.rampIndex = a2; }); break;
    case 37: forSlots([&](SimSlotSettings& s) { s.activeMask = a2; }); break;
    case 40: forSlots([&](SimSlotSettings& s) { s.autoStack = a2; }); break;
    case 79: forSlots([&](SimSlotSettings& s) { s.country = a2; }); break;
    case 96:
        if (a2 == 20)
            forSlots([&](SimSlotSettings& s) { s.emOn = a3 != 0; });
        else if (a2 == 30)
            forSlots([&](SimSlotSettings& s) { s.register30 = a3; });
        break;
    default:
        break;
    }
}
