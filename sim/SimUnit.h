// The simulated control unit: answers every command of the host as a Tolam or Z5K unit
// would, streams traces, sensor values, positions, status words, fill words and battery in
// time and wheel mode after the start command, sends a requested single trace before its
// reply, and injects faults on request. It is driven from outside: OnFrame for each frame
// that arrives, Poll whenever time has moved; everything it sends goes through one ordered
// sink. All members are safe to call from any thread.
#pragma once

#include "sim/SimClock.h"
#include "sim/SimFaultPlan.h"
#include "sim/SimHistory.h"
#include "sim/SimLog.h"
#include "sim/SimSettings.h"
#include "sim/SimTransmitter.h"
#include "sim/SimUnitConfig.h"

#include <climits>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class CSimUnit {
public:
    static constexpr int64_t kNever = INT64_MAX;
    static constexpr uint8_t kEventStarted = 1;
    static constexpr uint8_t kEventStopped = 2;
    static constexpr uint8_t kEventFlood = 0x7E;
    static constexpr uint8_t kFloodReplyCode = 0xEE;

    CSimUnit(const CSimUnitConfig& config, const CSimClock& clock);
    CSimUnit(const CSimUnit&) = delete;
    CSimUnit& operator=(const CSimUnit&) = delete;

    // Wiring.
    void SetSink(CSimTransmitter::Sink sink);
    // The port's own address, used unless the configuration names one.
    void SetPortAddress(const SimMac& mac);
    SimMac Address() const;
    bool OpenLog(const std::string& path, std::string& error);

    // Driving.
    void OnFrame(const uint8_t* frame, size_t length);
    void Poll();
    int64_t NextDueUs() const;   // when Poll has something to do next; kNever for nothing

    // Faults, and changes of the unit's surroundings while it runs.
    bool AddFault(const std::string& spec, std::string& error);   // also "vanish=SECONDS"
    void Vanish(double seconds);
    void SetWheelSpeed(double ticksPerSecond);
    void SetMarkerScript(const std::vector<uint16_t>& words);
    void SetBattery(uint16_t value);
    void SetFill(int slot, double ratio);   // slot -1: every slot
    void SetSensorPresent(int slot, bool present);
    void SetRate(double stepsPerSecond);    // 0: real time
    // One line of the command set of the control socket ("vanish 3", "wheel 500",
    // "marker 0,8,8,0,8", "drop-frag 2", "stats", "help"); answers "ok ..." or "error: ...".
    std::string Control(const std::string& line);
    static std::string ControlHelp();

    // Queries.
    std::vector<SimReceived> Requests() const;
    std::vector<SimSentMessage> SentMessages() const;
    std::vector<SimTrace> SentTraces(int code = -1) const;   // -1: every channel
    SimStats Stats() const;
    CSimSettings Settings() const;
    bool Streaming() const;

    // What a sender in the unit's place (config.externalStream) needs to know of the stream.
    struct StreamLayout {
        uint8_t activeMask[8];  // channels that stream, per slot
        uint32_t step[8];       // trace interval per slot
        uint32_t samples[8];    // samples per trace, per slot
        SimMac own, host;
        size_t maxFrame;
    };
    // With the unit's lock held, so that nothing of the unit's own goes out meanwhile: `send`
    // gets the layout and the next message sequence number and returns how many numbers it
    // used. False, without calling `send`, when the unit does not stream.
    bool SendInUnitsPlace(const std::function<uint16_t(const StreamLayout&, uint16_t firstSeq)>& send);
    bool Vanished() const;
    std::vector<std::string> PendingFaults() const;
    void ClearHistory();

private:
    struct PendingReply {
        int64_t dueUs;
        SimMac dst;
        uint8_t code;
        uint16_t seq;
        std::array<uint8_t, 8> payload;
        std::string fault;
    };
    struct Stream {
        bool on = false;
        bool wheel = false;
        uint8_t activeMask[8]{};     // channels that stream, per slot
        uint32_t step[8]{};          // trace interval per slot, at least 1
        // time mode
        int64_t baseUs = 0;          // clock time of baseTick
        double baseTick = 0;
        double tickRate = 1024;      // ticks per second
        int64_t nextIndex[8]{};      // next trigger at nextIndex * step
        // wheel mode
        int counter = -1;            // index of the trigger counter
        int64_t farthest[8]{};       // furthest position reached in the travel direction
        int64_t nextKeepAliveUs = 0;
        int64_t nextBatteryUs = 0;
    };

    // Requests (SimUnit.cpp).
    std::string Handle(const SimRequest& r, int64_t now);
    void Reply(const SimRequest& r, int64_t now, const std::array<uint8_t, 8>& payload);
    const SimSlotModule* Module(uint32_t slot) const;
    bool SensorOn(int slot) const;
    void SendRequestedTrace(const SimRequest& r, int64_t now);
    void LogRequest(const SimReceived& rec);
    void PowerUp();
    void Remember(SimTrace&& t);

    // Streaming (SimUnitStreaming.cpp).
    void StartStream(int64_t now);
    void StopStream(int64_t now);
    void PollLocked(int64_t now);
    int64_t NextTriggerUs(int slot) const;
    double TickAt(int64_t us) const;
    void RebaseTicks(int64_t now, double newRate);
    double StepRate() const;
    void AdvanceWheel(int64_t now);
    void TriggerStep(int64_t now, int slot, int64_t position);
    void SendKeepAlive(int64_t now);
    void SendRecords(int64_t now, const std::vector<SimRecord>& records);
    SimRecord MakeTrace(int64_t now, int slot, int channel, uint32_t position, int64_t traceNumber,
                        bool requested);
    void EmitStep(int64_t now, int slot, int64_t position, int64_t reported);
    void EmitCrossings(int64_t now, int64_t from, int64_t to);
    SimRecord MakeSensor(int slot, int channel, int64_t traceNumber);
    void SendBadRecord(int64_t now, const SimFault& f);
    uint32_t SamplesOf(int slot) const;
    int64_t WheelPosition() const;

    mutable std::recursive_mutex m_lock;
    const CSimClock& m_clock;
    CSimUnitConfig m_config;
    CSimSettings m_settings;
    CSimFaultPlan m_faults;
    CSimLog m_log;
    SimStats m_stats;
    CSimTransmitter m_tx;
    SimMac m_host = SimWire::kBroadcast;
    bool m_knowHost = false;
    int64_t m_vanishedUntil = 0;
    bool m_vanished = false;
    std::deque<PendingReply> m_pending;
    std::map<int, int64_t> m_requestCount;   // single-trace requests per channel code
    Stream m_stream;
    double m_wheelFraction = 0;
    int64_t m_wheelUs = 0;
    int64_t m_wheelLeap = 0;     // ticks a burst adds to the wheel at the next advance
    int64_t m_skipSteps = 0;
    std::deque<SimTrace> m_unsentTraces;   // made, waiting for their message sequence
    std::deque<uint16_t> m_markers;
    std::deque<SimReceived> m_requests;
    std::deque<SimTrace> m_traces;
};
