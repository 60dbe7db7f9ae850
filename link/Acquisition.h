// The acquisition of a running measurement: turns the records of the link's data ring
// into stored traces, position counts, 50/60 Hz sensor records and marker events, hands
// stored traces to the channels' display windows, and reports its errors. It also holds
// the application's side of the unit: the presence check and the single test trace of
// the channel parameters dialog.
//
// The application object owns one and passes it everything by reference (its data set,
// settings, driver, status and locks). Threads:
//  - the acquisition thread (started by CMeasurement in wheel and time mode) runs
//    AcquisitionThreadProc; it takes one application lock at a time, never Driver, and
//    reaches the user-interface thread only through the posting callback;
//  - everything else runs on the user-interface thread.
//
// Notifications (AcqNotice) go through the posting callback, from any thread; it must not
// block. TracesReady is posted at most every kTracesReadyGapMs by the thread, the last one
// always; the application throttles its redraws further. AcquisitionEnded tells the
// user-interface thread that the thread ended on an error, or that the disk refused the
// measurement's periodic sync: it is to stop the measurement (CMeasurement::OnMeasureStop),
// which shows the error once.
#pragma once

#include "link/AcquiredRecord.h"
#include "link/AcquisitionConfig.h"
#include "link/AcquisitionCounters.h"
#include "link/AcquisitionStatus.h"
#include "link/AppLocks.h"
#include "link/LinkCounters.h"
#include "model/STrace.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

class CDriver;
class CMeasParamSet;
class CMeasurement;
class CRadarData;
class Prompter;

enum class AcqNotice {
    TracesReady,       // new traces are stored: redraw (the application throttles)
    StatusUpdate,      // a new distance or time count: update the position bar
    MarkerKey1,        // the unit's marker input rose: marker 1 at each active channel's trace count
    AcquisitionEnded,  // the thread ended on an error, or a sync failed: stop and report it
};

using AcqPoster = std::function<void(AcqNotice)>;

struct AcquisitionContext {
    CMeasParamSet& params;
    CRadarData& data;
    CDriver& driver;
    CAcquisitionStatus& status;
    CAppLocks& locks;
    Prompter& prompter;
    AcqPoster post = {};                          // any thread; must not block
    std::function<void()> beep = {};              // a keyboard step failed (300 Hz, 200 ms)
    std::function<void(bool)> waitCursor = {};    // true while a long call runs on the UI thread
};

// Results of ReadContinuousRecords.
enum ReadResult : int {
    kReadEmpty = 1,          // every committed record was taken
    kReadNoData = -1,        // nothing arrived for about 0.7 s
    kReadWriteFailed = -2,   // a data file refused a trace
    kReadInconsistent = -5,  // the next record runs past the committed data
};

// Message ids of the acquisition errors.
enum AcquisitionMessage : int {
    kMsgError01 = 57611,     // "Measurement error (code 01)"
    kMsgError02 = 57612,     // "Measurement error (code 02)"
    kMsgError03 = 57613,     // "Measurement error (code 03)"
    kMsgDiskFull = 57615,    // "Write to disk Error Disk is full"
};

class CAcquisition {
public:
    static constexpr int kPollMs = 7;              // wait between looks at an empty ring
    static constexpr int kNoDataPolls = 101;       // about 0.7 s without data: code 01
    static constexpr int kTracesReadyGapMs = 10;   // the thread's TracesReady at most this often
    static constexpr std::int64_t kMaxGapTraces = 100000;  // a larger gap is a glitch, not filled

    explicit CAcquisition(AcquisitionContext context);
    ~CAcquisition();
    CAcquisition(const CAcquisition&) = delete;
    CAcquisition& operator=(const CAcquisition&) = delete;

    // ---- presence check (user-interface thread) ----
    // With `unitCheck` on: under the driver lock, connected := a unit answered. Off: the
    // connected flag keeps its value.
    void DetectUnit(bool unitCheck);
    // DetectUnit under the measure lock (the status timer's check).
    void RedetectUnit(bool unitCheck);
    // The status timer's tick: nothing while the check is off or a measurement runs;
    // otherwise RedetectUnit. True when the connected state changed.
    bool PollControlUnit(bool unitCheck);

    // ---- hand-off to the display (user-interface thread) ----
    // With no error flag set: every active channel's queued traces go, without their DC
    // offset when DCMEASFILT is set, into its display window; true. With a flag set: false,
    // and the running measurement is stopped, which then shows the message of the first
    // flag, once per measurement (with none running the message is shown here).
    bool FlushTracesToDisplay();
    // Shows the message of the first error flag set, unless this measurement's error was
    // shown already. The stop calls it once everything is stopped and written.
    void ShowErrorOnce();

    // ---- single test trace (user-interface thread, no measurement running) ----
    // Sets the unit up for single traces of the current slot.
    void PrepareSingleTrace();
    // PrepareSingleTrace, then one trace of the current channel with its parameters into
    // `out` (at most `capacity` samples; the number copied is returned). No answer, or an
    // answer without a trace: code 02 is raised, `out` is left as it was, 0 is returned.
    // The caller clears code 01 and 02 itself.
    int AcquireSingleTrace(std::int16_t* out, int capacity = CSTrace::kMaxSamples);

    // ---- the keyboard step (user-interface thread) ----
    // One trace of every active channel, requested one after another. True when code 01,
    // code 03 and step failure are all clear afterwards. Outside keyboard mode it only
    // tests the flags.
    bool AcquireTriggeredStep();

    // ---- the acquisition thread ----
    // The thread's body: reads the ring while measuring; an error raises its flag, posts
    // AcquisitionEnded and ends the thread (measuring stays set until the stop). Returns 0.
    int AcquisitionThreadProc();
    // Waits (interruptibly) for data, then takes every committed record.
    int ReadContinuousRecords();
    // Takes the records already committed, without waiting: the stop's last look at the
    // ring after the thread has ended. Returns what ReadContinuousRecords would.
    int DrainCommittedRecords();
    // Makes a wait of the thread return at once (the stop calls it after clearing
    // measuring).
    void Wake();

    // ---- set by the measurement start and stop ----
    // Also makes the configuration's interval the divisor of the position counts.
    void SetConfig(const CAcquisitionConfig& config);
    // Another slot became the current one (user-interface thread, also while the thread
    // runs): from the next record on, the distance and time counts are divided by that
    // slot's trace-number step (1 for a slot that takes no traces).
    void FollowSlot(int slot);
    const CAcquisitionConfig& Config() const { return m_config; }
    // The measurement whose stop a failed hand-off calls; null when none runs.
    void SetRunningMeasurement(CMeasurement* measurement) { m_running = measurement; }
    CMeasurement* RunningMeasurement() const { return m_running; }
    // A new measurement: counters and the error report start afresh.
    void BeginMeasurement();
    // Puts the memory of every empty display window of an active channel in place before
    // the thread runs: the system's first touch of it can stall for tens of milliseconds,
    // long enough for the data ring to overflow while the thread waits.
    void PrepareDisplayWindows();
    // The message of the first error raised, or 0 when none is set.
    int PendingErrorMessage() const;

    AcquisitionCounters Counters() const;
    AcquisitionContext& Context() { return m_ctx; }

    // Reads the ring once for tests and tools with a ring of their own making: the same
    // as DrainCommittedRecords.
    int TakeCommittedRecords() { return DrainCommittedRecords(); }

private:
    bool WaitForData();
    int TakeRecords(bool onThread);
    int HandleRecord(const AcquiredRecord& record, const RingRecord& header);
    int HandleTrace(const AcquiredRecord& r, const RingRecord& header);
    int HandleSensor(const AcquiredRecord& r);
    void HandlePosition(const AcquiredRecord& r);
    void HandleTime(const AcquiredRecord& r);
    void HandleStatus(const AcquiredRecord& r);
    void HandleSlotWord(const AcquiredRecord& r);
    void HandleBattery(const AcquiredRecord& r);
    // Appends one trace to channel k's file and queue. 0, or -2 when the file refused it.
    int StoreTrace(int k, const std::int16_t* samples, int n);
    int WriteSensor(int slot, std::int64_t trace, const std::array<std::int16_t, 4>& values);
    bool ChannelStores(int k);
    // A trace record of another length than channel k's traces is no trace of this
    // measurement: counted, and to be left alone.
    bool IsStrayTrace(int k, std::uint32_t samples);
    void RaiseTraceCount(int k, std::int64_t stored);
    std::int32_t TraceCount(int k);
    bool HandOff();
    void PostNow(AcqNotice notice);
    void NoteTracesReady();
    void PostPendingTracesReady(bool force);
    void KeyboardStepChannel(int k);

    AcquisitionContext m_ctx;
    CAcquisitionConfig m_config;
    // The trace-number step of the current slot: written by the user-interface thread, read
    // by the acquisition thread for every position it turns into a count.
    std::atomic<std::int64_t> m_countDivisor{1};
    CMeasurement* m_running = nullptr;
    bool m_errorShown = false;

    std::mutex m_wakeLock;
    std::condition_variable m_wake;

    // The thread's coalescing of TracesReady.
    bool m_tracesReadyPending = false;
    std::chrono::steady_clock::time_point m_lastTracesReady{};

    // Per slot: the unit's next sensor record belongs to a trace that was not stored (the
    // first of a continued data set), so it has no line in the .em file either.
    std::array<bool, CAcquisitionStatus::kSlots> m_sensorOfDroppedTrace{};

    std::vector<std::int16_t> m_samples;  // a trace copied out of the ring
    std::vector<std::int16_t> m_zeros;    // a fill trace
    CSTrace m_display;                    // a trace on its way to a display window

    struct Live {
        OwnedCounter records, tracesStored, fillTraces, discardedTraces, tracesWithoutFile, malformedRecords,
            strayTraces, unknownRecords, oversizedGaps, sensorRecords, markerEdges, drainedRecords;
    } m_counters;
};

// The number of zero traces that fill the gap between a trace at position `last` and the
// next one at `next`, going by `step` in the direction of `travel` (+1 or -1): the missed
// positions last + step, last + 2 step, ... strictly before `next`. 0 when `next` is not
// ahead of last + step, or the step is not positive.
std::int64_t GapTraceCount(std::int64_t last, std::int64_t next, std::int64_t step, int travel);
