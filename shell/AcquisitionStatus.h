// What the acquisition reports to the rest of the program while a measurement runs, and the
// flags that say what the program is doing. The acquisition thread writes most of it; the
// user-interface thread reads it for the position bar, the markers and the command enabling.
// Flags that both threads touch without a lock are atomic; the counts and levels are guarded
// by the lock named beside them (CAppLocks).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

struct CAcquisitionStatus {
    static constexpr int kChannels = 16;  // index slot * 2 + channel
    static constexpr int kSlots = 8;
    static constexpr std::int32_t kBatteryAtStart = 600;

    // Error flags, raised by the acquisition thread, shown and cleared on the user-interface
    // thread; a measurement start clears all of them.
    std::atomic<std::uint8_t> m_bError01{0};
    std::atomic<std::uint8_t> m_bError02{0};
    std::atomic<std::uint8_t> m_bError03{0};
    std::atomic<std::uint8_t> m_bStepError{0};
    std::atomic<std::uint8_t> m_bDiskFull{0};

    // UnitValue lock.
    std::array<std::int32_t, kSlots> m_nSlotFill{};  // buffer fill reported per slot
    std::int32_t m_nBattery = 0;                     // raw battery reading

    // Position lock.
    std::int32_t m_nDistanceCount = 0;  // wheel position count of the running measurement
    std::int32_t m_nTimeCount = 0;      // time position count of the running measurement

    // The acquisition thread's own during a measurement; set by the measurement start.
    std::array<std::int32_t, kChannels> m_nLastPosition{};     // unit counter of the last trace
    std::array<std::int32_t, kChannels> m_nLastSensorTrace{};  // last 50/60 Hz record written
    std::array<std::uint8_t, kChannels> m_bFirstTrace{};       // store the next without gap fill
    std::int32_t m_nTimeBase = 0;             // added to time positions
    std::int32_t m_nWheelPreset = 0;          // the count the unit's wheel counter starts from
    std::int32_t m_nDistanceMultiplier = 1;   // 1, or wheel direction x measurement direction
    std::array<std::int32_t, kSlots> m_nSlotStep{};  // trace-number step per slot

    std::atomic<std::uint8_t> m_bMeasuring{0};   // a measurement runs
    std::array<std::uint8_t, kChannels> m_bContinue{};  // the measurement continues a data set
    std::atomic<std::uint8_t> m_bConnected{0};   // the last presence check found a unit
    std::atomic<std::uint8_t> m_bOldDataFile{0}; // the open document is a data set from disk
    std::int32_t m_nRightMargin = 0;             // 150 while the trace window is on, else 0

    // Status lock: latch of the unit's marker status bit.
    std::array<std::uint8_t, 2> m_bMarkerLatch{};

    bool IsMeasuring() const { return m_bMeasuring.load() != 0; }
    bool IsConnected() const { return m_bConnected.load() != 0; }
};
