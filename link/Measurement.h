// Start and stop of a measurement, and the keyboard step: the document's side of the
// acquisition, free of any window. The document that measures owns one and forwards its
// Start (F5), Stop (F6) and TRIGG (Enter) commands to it; in wheel and time mode it owns
// the acquisition thread from a successful start until the stop has joined it.
//
// The start configures the unit slot by slot for every slot with an active channel, in a
// fixed order, then starts the unit and the thread (wheel and time mode) or leaves the
// traces to the keyboard steps. The stop sends the unit's stop command, joins the thread,
// takes the records the unit committed before its stop reply, hands the last traces to
// the display (or shows the error that ended the thread), puts the data files on the disk
// and rewrites the .rad headers with the final trace counts; a data file the disk did not
// take is reported as a full disk, a header as a header write error. In between, in every
// mode, the periodic sync puts the data files on the disk every second; when the disk does
// not take them the measurement ends as for a full disk. Everything here but that sync
// runs on the user-interface thread.
#pragma once

#include "link/MeasurementSync.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

class CAcquisition;

// What the document tells the measurement about its surroundings.
struct MeasurementHooks {
    // The application's data folder and the base name of new data sets.
    std::function<std::string()> dataFolder = {};
    std::function<std::string()> baseName = {};
    // A new measurement makes its first active channel the current one: slot * 10 + channel.
    std::function<void(int code)> selectChannel = {};
    // A short pause after a TRIGG; tests and tools may leave it out.
    std::function<void()> afterTrigg = {};
    // How often a running measurement puts its data files on the disk.
    std::chrono::milliseconds syncPeriod = CMeasurementSync::kPeriod;
};

// Results of StartMeasurement and OnMeasureStart.
enum StartResult : int {
    kStartOk = 0,                 // started, already running, or keyboard mode ready
    kStartRefused = -1,           // the unit did not accept the start command
    kStartNoSensor = -3,          // a slot whose channel 0 takes 50/60 Hz records has no sensor
    kStartNoActiveChannel = -4,   // no channel is active
    kStartOldDataFile = -10,      // the open data set was read from disk
    kStartFilesFailed = -11,      // the files of a new data set could not be created
    kStartHeadersFailed = -12,    // their .rad headers could not be written
};

// Message ids of the start.
enum MeasurementMessage : int {
    kMsgNoSensor = 137,          // "No 50/60 Hz sensor found for slave"
    kMsgHeaderWrite = 143,       // "Header write error: ..."
    kMsgFileOpen = 144,          // "File open error: ..."
    kMsgOldDataFile = 57646,     // "It is not possible to continue measuring with an old data file. ..."
    kMsgNoActiveChannel = 57647, // "No active channels. Activate at least one channel and retry"
};

class CMeasurement {
public:
    static constexpr std::uint16_t kMasterWheel = 16;
    static constexpr double kFallbackWheelCalibration = 442.7;  // pulses per metre without a wheel

    CMeasurement(CAcquisition& acquisition, MeasurementHooks hooks);
    // A measurement still running is stopped.
    ~CMeasurement();
    CMeasurement(const CMeasurement&) = delete;
    CMeasurement& operator=(const CMeasurement&) = delete;

    // The document's Start command: refused for a data set read from disk (57646). When the
    // current channel holds no traces, a new data set is named and created in the data
    // folder and its headers written (144 / 143 on failure; after 143 none of the new set's
    // files is left); otherwise the open data set is
    // continued, with the sample count its files hold. Then StartMeasurement. Returns a
    // StartResult.
    int OnMeasureStart();
    // The document's Stop command: StopMeasurement (which rewrites the headers).
    void OnMeasureStop();

    // Configures the unit and starts the measurement. A StartResult: 0, -1, -3 or -4 with
    // the message already shown (-1 shows "Measurement error (code 01)").
    int StartMeasurement();
    // Stops a running measurement (see above); always clears the marker latch and the
    // slot fill levels.
    void StopMeasurement();
    // True while StopMeasurement runs.
    bool Stopping() const { return m_stopping; }

    // TRIGG (Enter) in keyboard mode: one keyboard step; when it fails, a beep and the
    // message "TRIGG can't return data!".
    void OnTrigg();
    // TRIGG is enabled while measuring in keyboard mode.
    bool OnUpdateTrigg() const;

    bool ThreadRunning() const { return m_thread.joinable(); }

private:
    void KeepSampleCountsOfTheDataSet();
    int Configure(bool continuing, bool modular);
    int ConfigureSlot(int slot, bool continuing, bool modular);
    void EndStart();
    void JoinThread();
    void StartSyncing();

    CAcquisition& m_acq;
    MeasurementHooks m_hooks;
    std::thread m_thread;
    CMeasurementSync m_sync;
    std::atomic<bool> m_syncFailed{false};  // set by the syncing thread
    bool m_stopping = false;
};

// The settings as the unit measures with them, written back so that the headers record
// what the unit is sent: sample counts made even and at most 2048 (a count above 2048 on
// an active slot also switches AUTOSTACK off for good), and an active channel 1 takes the
// slot values of its channel 0 (CopySlotValues), with which the unit measures both.
class CMeasParamSet;
void CorrectSlotValues(CMeasParamSet& params);

// The trace-number step of a slot: time and keyboard modes TIME INTERVAL x 1024, wheel mode
// CALIBRATION x DISTANCE INTERVAL + 0.0001, each truncated, at least 1.
std::int32_t TraceNumberStep(bool wheel, double timeInterval, double calibration, double distanceInterval);
