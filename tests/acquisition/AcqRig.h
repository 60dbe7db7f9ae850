// The acquisition core as the program assembles it, without windows: settings, status,
// locks, the driver with its link, the data set, the acquisition and one measurement, with
// a recording prompter and a log of the posted notifications. Tests drive it as the
// user-interface thread would.
#pragma once

#include "link/Acquisition.h"
#include "link/CDriver.h"
#include "link/DriverUnitInfo.h"
#include "link/Measurement.h"
#include "model/MeasParamSet.h"
#include "model/RadarData.h"
#include "tests/support/RecordingPrompter.h"
#include "tests/support/TempDir.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class NoticeLog {
public:
    void Post(AcqNotice notice);
    int Count(AcqNotice notice) const;
    // Waits until `notice` was posted `count` times in all; false after `seconds`.
    bool WaitFor(AcqNotice notice, int count, double seconds);

private:
    mutable std::mutex m_lock;
    std::condition_variable m_posted;
    std::vector<AcqNotice> m_notices;
};

// Records what the operator would be shown and lets a test act while a message shows, as
// an operator can while a message box is open.
class HookedPrompter : public RecordingPrompter {
public:
    void message(int id) override
    {
        RecordingPrompter::message(id);
        if (whileShown)
            whileShown(id);
    }
    std::function<void(int)> whileShown;
};

class AcqRig {
public:
    // Without a transport the link stays closed: the tests then fill the data ring themselves.
    explicit AcqRig(std::unique_ptr<FrameTransport> transport = nullptr, std::vector<Adapter> adapters = {});
    ~AcqRig();
    AcqRig(const AcqRig&) = delete;
    AcqRig& operator=(const AcqRig&) = delete;

    // Switches the channels k on (all others off) with these samples and a time interval.
    void Activate(const std::vector<int>& channels, int samples = 256, double timeInterval = 0.01);
    // Time mode (128), keyboard (255) or wheel mode with one wheel of `calibration` pulses
    // per metre and `direction`.
    void TimeMode() { params.m_nTrigType = 128; }
    void KeyboardMode() { params.m_nTrigType = 255; }
    void WheelMode(double calibration, int direction, double distanceInterval);

    // The unit check on: the presence check runs; true when a unit answered.
    bool Detect();
    // The application's loop while a measurement runs: returns when `done` holds, when the
    // acquisition ended in error (the measurement is then stopped as the application does)
    // or after `seconds` (false).
    bool RunUntil(const std::function<bool()>& done, double seconds = 20);
    // Runs until channel k holds at least n traces.
    bool RunUntilTraces(int k, int n, double seconds = 20);

    std::int32_t Traces(int k);
    std::string Rd3(int k);                 // the bytes of channel k's data file
    std::string Path(int k);                // its path
    std::int64_t FileTraces(int k);         // whole traces in it
    std::int32_t HeaderLastTrace(int k);    // LAST TRACE as the .rad file on disk says

    // The ring as the link fills it: one committed message of big-endian words.
    void Commit(const std::vector<std::uint8_t>& bigEndianWords);

    TempDir dir;
    std::string dataFolder;  // where new data sets go; the rig's own folder when empty
    CMeasParamSet params{""};
    CAcquisitionStatus status;
    CAppLocks locks;
    HookedPrompter prompter;
    AdapterChoice choice;
    std::unique_ptr<CDriver> driver;
    std::unique_ptr<DriverUnitInfo> unit;
    std::unique_ptr<CRadarData> data;
    NoticeLog notices;
    std::unique_ptr<CAcquisition> acq;
    std::vector<int> selected;  // channel codes the measurement start selected
    MeasurementHooks hooks;     // the measurement's; a test may make another one with others
    std::unique_ptr<CMeasurement> measurement;

private:
    int m_endedHandled = 0;
};

// The data file a channel should hold: trace i is the unit's trace number first + i * sign
// (a trace the unit never sent reads as zeros), each cut or padded to `samples`, in the
// file's byte order.
struct SentTrace {
    std::int64_t number;
    std::vector<std::int16_t> samples;
};
std::string ExpectedFile(const std::vector<SentTrace>& sent, std::int64_t count, int samples,
                         std::int64_t first = 0, int sign = 1);
