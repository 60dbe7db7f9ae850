// The periodic sync of a running measurement: every period, on a thread of its own, what
// the data set's files have taken is put on the disk. The system writes dirty pages back
// only after half a minute, so without it a power cut or a flat battery mid-line would
// take the last 30 s of traces with it. Neither the user-interface thread nor the
// acquisition thread waits for the disk meanwhile: the 32 MB data ring covers a slow
// card's pause. The measurement starts it once its start has succeeded and stops it
// before the stop puts the files on the disk and closes them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class CMeasurementSync {
public:
    // Well within the 2 s that a power cut may cost.
    static constexpr std::chrono::milliseconds kPeriod{1000};

    // Puts the data on the disk; false when the disk did not take it.
    using Round = std::function<bool()>;
    // Called once, on the syncing thread, after a round failed; no round follows it.
    using Failed = std::function<void()>;

    CMeasurementSync() = default;
    ~CMeasurementSync() { Stop(); }
    CMeasurementSync(const CMeasurementSync&) = delete;
    CMeasurementSync& operator=(const CMeasurementSync&) = delete;

    // Runs `round` every `period` from now on (a running sync is stopped first).
    void Start(Round round, Failed failed, std::chrono::milliseconds period = kPeriod);
    // Ends the syncing, waiting for a round under way; harmless when none runs.
    void Stop();

private:
    void Run(const Round& round, const Failed& failed, std::chrono::milliseconds period);

    std::mutex m_stopLock;  // guards m_stop
    std::condition_variable m_stopped;
    bool m_stop = false;
    std::thread m_thread;
};
