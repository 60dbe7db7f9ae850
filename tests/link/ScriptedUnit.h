// A stand-in control unit for the link's tests: answers requests on one end of a wire
// from a small model (identity, modules, sample intervals, sensors, wheel counter),
// logs every request, and can be told to vanish or to answer oddly.
#pragma once

#include "UnitFrames.h"
#include "link/FrameTransport.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

struct UnitModel {
    std::uint32_t identity = 0x1000ABCD;  // top nibble 1: a Tolam unit
    std::uint8_t moduleAnswers[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    std::uint8_t moduleTypes[8] = {8, 4, 0, 12, 0, 0, 0, 0};
    std::uint8_t emSensor[8] = {};
    double intervals[8][4] = {};
    std::uint32_t wheelCounter = 0;
    bool silent = false;            // the unit is gone
    bool answerHandshake = true;
    std::vector<std::int16_t> traceSamples = {1, -2, 3, -4};
    std::uint32_t tracePosition = 77;
};

class ScriptedUnit {
public:
    // Answers on `wire`, which must be open; `mac` is the unit's address.
    explicit ScriptedUnit(FrameTransport& wire, MacAddress mac = kUnitMac);
    ~ScriptedUnit();

    void Start();
    void Stop();

    // Under the model lock.
    template <typename F>
    void Change(F&& f)
    {
        std::lock_guard<std::mutex> hold(m_lock);
        f(m_model);
    }

    // Runs before the model; returning true means the request was fully handled.
    void SetOverride(std::function<bool(const Request&, ScriptedUnit&)> hook);

    std::vector<Request> Log() const;
    void ClearLog();
    // Requests logged so far with code `code`.
    std::vector<Request> Requests(std::uint16_t code) const;

    // Helpers for overrides and tests (the message sequence counts every message).
    std::uint16_t NextMessageSequence();
    void Send(const Bytes& frame);
    void Reply(const Request& to, const Bytes& payload8, std::uint8_t code = 0);
    void SendMessage(const MacAddress& dst, const std::vector<std::uint16_t>& words);

private:
    void Run();
    void Handle(const Request& r);

    FrameTransport& m_wire;
    MacAddress m_mac;
    mutable std::mutex m_lock;
    UnitModel m_model;
    std::function<bool(const Request&, ScriptedUnit&)> m_override;
    std::vector<Request> m_log;
    std::mutex m_sendLock;
    std::atomic<std::uint16_t> m_messageSequence{100};
    std::atomic<bool> m_run{false};
    std::thread m_thread;
};
