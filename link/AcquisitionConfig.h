// What the acquisition needs of the measurement settings, fixed when the measurement
// starts. The acquisition thread reads only this copy, so the operator may open dialogs
// and change settings while it runs without the thread seeing half a change.
#pragma once

#include <array>
#include <cstdint>

class CMeasParamSet;
struct CAcquisitionStatus;

struct CAcquisitionConfig {
    enum class Mode { Wheel, Time, Keyboard };
    static constexpr int kChannels = 16;
    static constexpr int kSlots = 8;

    Mode mode = Mode::Time;
    std::array<bool, kChannels> active{};   // CHANNEL ACTIVE
    std::array<bool, kSlots> emSensor{};    // EM SENSOR of channel 0 of each slot
    std::array<std::int64_t, kSlots> step{};  // trace-number step per slot; 0 for unused slots
    // The divisor of the position counts at the start: the step of the current slot, at
    // least 1. The acquisition follows the current slot from there (CAcquisition::FollowSlot).
    std::int64_t interval = 1;
    std::int64_t timeBase = 0;
    // +1 or -1: the direction in which the unit's positions grow while measuring. Missed
    // positions are filled in that direction.
    int travel = 1;
    bool dcFilter = false;         // DCMEASFILT
    bool missedTraceMode = false;  // MISSED TRACE MODE
    int currentSlot = 0;
    int currentChannel = 0;

    // The mode of a trigger type: below 128 wheel, 128..254 time, 255 keyboard.
    static Mode ModeOf(std::uint8_t trigType);
    // Taken from the settings and the status as the measurement start left them.
    static CAcquisitionConfig Take(const CMeasParamSet& params, const CAcquisitionStatus& status);
};
