// What the acquisition reports to the rest of the program while a measurement runs, and the
// flags that say what the program is doing. The application object owns one; the
// measurement start and stop, the acquisition thread, the position bar and the marker
// handling share it. Flags that two threads touch without a lock are atomic; the counts and
// levels are guarded by the lock named beside them (CAppLocks). The fields marked "the
// acquisition's own" are set by the measurement start before the acquisition thread
// begins and read back after the stop has joined it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

struct CAcquisitionStatus {
    static constexpr int kChannels = 16;  // index slot * 2 + channel
    static constexpr int kSlots = 8;
    static constexpr std::int32_t kBatteryAtStart = 600;

    // Error flags: raised by the acquisition (thread or keyboard step), shown on the
    // user-interface thread at the next hand-off of traces to the display, cleared by the
    // next measurement start. Shown in the order code 01, code 02, code 03, disk full.
    std::atomic<std::uint8_t> m_bError01{0};    // no data within about 0.7 s; trace request unanswered
    std::atomic<std::uint8_t> m_bError02{0};    // the single test trace unanswered
    std::atomic<std::uint8_t> m_bError03{0};    // the ring's next record runs past the committed data
    std::atomic<std::uint8_t> m_bStepError{0};  // a keyboard step could not move past a record
    std::atomic<std::uint8_t> m_bDiskFull{0};   // a data file refused a write

    // UnitValue lock.
    std::array<std::int32_t, kSlots> m_nSlotFill{};  // buffer fill word reported per slot
    std::int32_t m_nBattery = kBatteryAtStart;       // raw battery word

    // Position lock. The distance count is the unit's position divided by the trace-number
    // step, without the distance multiplier: whoever shows it multiplies once.
    std::int32_t m_nDistanceCount = 0;
    std::int32_t m_nTimeCount = 0;

    // The acquisition's own during a measurement.
    std::array<std::int32_t, kChannels> m_nLastPosition{};     // unit position of the last trace
    std::array<std::int32_t, kChannels> m_nLastSensorTrace{};  // trace number of the last sensor record
    std::array<std::uint8_t, kChannels> m_bFirstTrace{};       // store the next trace without gap fill
    std::array<std::uint8_t, kChannels> m_bContinue{};         // discard the next trace: the set is continued
    std::int32_t m_nTimeBase = 0;             // added to time positions
    std::int32_t m_nWheelPreset = 0;          // the count the unit's wheel counter starts from
    std::int32_t m_nDistanceMultiplier = 1;   // 1, or wheel direction x measurement direction
    std::array<std::int32_t, kSlots> m_nSlotStep{};  // trace-number step per slot (wheel pulses or 1/1024 s)

    std::atomic<std::uint8_t> m_bMeasuring{0};    // a measurement runs
    std::atomic<std::uint8_t> m_bConnected{0};    // the last presence check found a unit
    std::atomic<std::uint8_t> m_bOldDataFile{0};  // the open data set was read from disk
    std::int32_t m_nRightMargin = 0;              // 150 while the trace window is on, else 0

    // Status lock: latch of the unit's marker input (one marker per rising edge).
    std::array<std::uint8_t, 2> m_bMarkerLatch{};

    bool IsMeasuring() const { return m_bMeasuring.load() != 0; }
    bool IsConnected() const { return m_bConnected.load() != 0; }
    bool AnyDisplayError() const
    {
        return m_bError01.load() || m_bError02.load() || m_bError03.load() || m_bDiskFull.load();
    }
    void ClearErrors()
    {
        m_bError01 = 0;
        m_bError02 = 0;
        m_bError03 = 0;
        m_bStepError = 0;
        m_bDiskFull = 0;
    }
};
