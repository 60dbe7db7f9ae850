// A sender of trace messages in the simulated unit's place, to find how fast receivers take a
// stream: the unit (with config.externalStream) answers, starts and stops as ever, and while
// it streams this sends the traces of every active channel, one record per message, at a set
// number of steps per second or as fast as it can. The frames are built once when the stream
// starts (every trace of a channel carries the same samples); each send only stamps message
// sequence numbers and positions into them, and a batch of steps goes out with one sendmmsg
// on a packet socket of the unit's interface (past the queueing discipline). The traces
// continue the unit's own start trace: positions step, 2 step, ... per slot.
#pragma once

#include "sim/SimUnit.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class CSimBlaster {
public:
    struct Totals {
        std::uint64_t steps = 0;
        std::uint64_t messages = 0; // one trace each
        std::uint64_t frames = 0;
        std::uint64_t bytes = 0;    // frame bytes, without preamble, checksum and gap
        std::uint64_t sendErrors = 0;
        double seconds = 0;         // from the stream's start to its last batch
    };

    explicit CSimBlaster(CSimUnit& unit);
    ~CSimBlaster();
    CSimBlaster(const CSimBlaster&) = delete;
    CSimBlaster& operator=(const CSimBlaster&) = delete;

    // Opens the interface in the calling thread's network namespace and starts sending
    // whenever the unit streams; stepsPerSecond 0: as fast as it can.
    bool Start(const std::string& interfaceName, double stepsPerSecond, std::string& error);
    void Stop();
    // Of the last stream (live while it runs).
    Totals Sent() const;

private:
    void Run();
    void Build(const CSimUnit::StreamLayout& layout);
    std::uint16_t SendSteps(std::int64_t count, std::uint16_t firstSeq);

    CSimUnit& m_unit;
    int m_fd = -1;
    double m_rate = 0;
    std::thread m_thread;
    std::atomic<bool> m_run{false};

    // The stream being sent (the thread's own).
    bool m_streaming = false;
    std::int64_t m_stepsSent = 0; // after the unit's start trace
    std::vector<std::uint8_t> m_codes;     // channel codes in sending order
    std::vector<std::uint32_t> m_steps;    // their slots' trace intervals
    std::vector<std::vector<std::uint8_t>> m_frames; // kBatchSteps x channels x fragments
    std::size_t m_fragments = 0;           // per message

    std::atomic<std::uint64_t> m_sentSteps{0}, m_sentMessages{0}, m_sentFrames{0}, m_sentBytes{0}, m_errors{0};
    std::atomic<std::int64_t> m_startNs{0}, m_lastNs{0};
};
