// What the simulated control unit is: its kind and identifier, the module in each slot with
// its 50/60 Hz sensor and sample intervals, battery, buffer fill, the measuring wheel, the
// trace pattern, and how it paces and frames its data.
#pragma once

#include "sim/SimPattern.h"
#include "sim/SimWire.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct SimSlotModule {
    bool present = false;      // a module answers in this slot
    uint8_t type = 0;          // 0 none, 4 opto, 8 coaxial, 12 HF, anything else unknown
    bool emSensor = false;     // a 50/60 Hz sensor is fitted
    std::array<double, 4> intervals{};   // sample interval per ramp index, microseconds per frequency step
};

struct CSimUnitConfig {
    enum class Kind { Tolam, Z5K };

    Kind kind = Kind::Tolam;
    uint32_t unitId = 0x10000001;         // answer to command 61 item 1
    std::array<SimSlotModule, 8> slots{};
    SimMac mac{0x02, 0x55, 0x55, 0x00, 0x00, 0x01};
    bool macGiven = false;                // false: a port may put its own address in
    uint16_t battery = 420;
    std::array<double, 8> fill{};         // buffer fill ratio per slot
    double wheelSpeed = 0;                // wheel ticks per second, signed
    SimPattern pattern;
    double rate = 0;                      // 0: real time; else steps per second of the fastest slot
    int keepAliveMs = 100;
    int batteryMs = 1000;
    size_t maxFrame = SimWire::kDefaultMaxFrame;
    uint16_t firstMsgSeq = 1;
    int packRecords = 1;                  // records per data message
    bool startTrace = true;               // one trace per active channel at the start position
    bool externalStream = false;          // a sender in the unit's place (CSimBlaster) sends the
                                          // stream's later traces; the unit sends no keep-alives
    bool events = true;                   // event frames after start and stop
    bool silentEmptySlots = false;        // no reply to module status of an empty slot
    uint16_t defaultSamples = 512;        // samples per trace before the host sets them
    size_t historyLimit = 200000;         // sent messages kept for queries; 0 keeps none
    std::vector<uint16_t> markerScript;   // status words for the next status records

    // A Tolam unit with a coaxial module and 50/60 Hz sensor in slot A and an opto module in
    // slot B; the other slots empty.
    static CSimUnitConfig Tolam();
    // A Z5K unit: one coaxial module in slot 0 with a sensor.
    static CSimUnitConfig Z5K();

    static std::array<double, 4> DefaultIntervals(uint8_t type);

    // "8,4,-,12": module types from slot A on; "-" is an empty slot. Slots not named are empty.
    bool SetModules(const std::string& list, std::string& error);
    // "0,2": the slots with a 50/60 Hz sensor ("none" for none).
    bool SetSensors(const std::string& list, std::string& error);
    // "SLOT,INDEX,VALUE": one sample interval ("nan" allowed).
    bool SetInterval(const std::string& text, std::string& error);
    // "RATIO" for every slot or "SLOT=RATIO".
    bool SetFill(const std::string& text, std::string& error);
    // "0,8,8,0,8".
    static bool ParseWords(const std::string& list, std::vector<uint16_t>& out);
    bool Validate(std::string& error) const;
};
