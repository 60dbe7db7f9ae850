// Everything the host has set in the simulated unit, per slot and for the whole unit, with
// the last arguments of every command by code and address so tests can check any of them.
#pragma once

#include "sim/SimWire.h"

#include <array>
#include <cstdint>
#include <map>
#include <utility>

struct SimSlotSettings {
    uint32_t samples = 512;          // command 1
    uint32_t stacksLog2 = 0;         // command 2
    uint32_t signalPosition[2]{};    // command 3
    uint32_t frequencySteps = 0;     // command 4
    uint32_t step = 1;               // command 6: trace interval in wheel ticks or 1/1024 s
    int direction = 1;               // command 8
    uint32_t beeper = 0;             // command 20
    uint32_t rampIndex = 0;          // command 27
    uint32_t activeMask = 0;         // command 37: bit 0 channel 0, bit 1 channel 1
    uint32_t autoStack = 0;          // command 40
    uint32_t country = 0;            // command 79
    bool emOn = false;               // command 96 register 20
    uint32_t register30 = 0;         // command 96 register 30
};

struct SimWheelCounter {
    int64_t value = 0;
    bool running = false;   // command 9 with a non-zero run flag
    bool enabled = false;   // command 22
};

class CSimSettings {
public:
    static constexpr uint16_t kAllSlots = 0xFFFF;
    static constexpr uint16_t kMasterWheel = 16;

    void Reset(uint16_t defaultSamples);
    // Records what a command sets; commands that only read change nothing here.
    void Apply(const SimRequest& r);

    // 0..7 for the slots, 8 for the master wheel input (address 16); -1 for any other address.
    static int CounterIndex(uint32_t address);

    std::array<SimSlotSettings, 8> slot{};
    char triggerKind = 'T';          // command 5: the last kind set decides time or wheel mode
    uint32_t triggerSource = 0;
    int32_t bidirectional = 0;       // command 7
    int32_t missedTrace = 0;
    int direction = 1;               // the last direction set on any slot
    std::array<SimWheelCounter, 9> counters{};
    std::map<std::pair<uint16_t, uint16_t>, std::array<uint32_t, 5>> last;   // (code, address)
};
