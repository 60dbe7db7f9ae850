// The unit's one ordered send path. Every reply, event and data message passes through here
// in the order the unit produces it, each with the next message sequence number; a data
// message goes out whole, its fragments one after another, before anything else. The
// message-level faults (fragment faults, sequence jumps, malformed stand-alone frames) are
// applied here.
#pragma once

#include "sim/SimFaultPlan.h"
#include "sim/SimHistory.h"
#include "sim/SimLog.h"
#include "sim/SimRecord.h"
#include "sim/SimWire.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

class CSimTransmitter {
public:
    // Puts one frame on the wire; false when it could not be sent.
    using Sink = std::function<bool(const uint8_t* frame, size_t length)>;

    CSimTransmitter(CSimFaultPlan& faults, CSimLog& log, SimStats& stats);

    void SetSink(Sink sink) { m_sink = std::move(sink); }
    void SetAddress(const SimMac& own) { m_own = own; }
    const SimMac& Address() const { return m_own; }
    void SetMaxFrame(size_t maxFrame) { m_maxFrame = maxFrame; }
    void SetHistoryLimit(size_t limit) { m_historyLimit = limit; }
    // Power-up: the message sequence starts again.
    void Reset(uint16_t firstSeq) { m_seq = firstSeq; }
    uint16_t NextSeq() const { return m_seq; }

    void SendReply(int64_t now, const SimMac& dst, uint8_t code, uint16_t requestSeq,
                   const std::array<uint8_t, 8>& payload, std::vector<std::string> faults = {});
    void SendEvent(int64_t now, const SimMac& dst, uint8_t code, uint16_t w1, uint16_t w2, uint16_t w3,
                   std::vector<std::string> faults = {});
    // Both return the message sequence number the message went out with.
    uint16_t SendData(int64_t now, const SimMac& dst, const std::vector<SimRecord>& records,
                  std::vector<std::string> faults = {});
    // A data message of raw bytes (malformed records), with the records it is meant to hold.
    uint16_t SendDataBytes(int64_t now, const SimMac& dst, const std::vector<uint8_t>& bytes,
                           std::vector<SimRecord> records, std::vector<std::string> faults);

    std::vector<SimSentMessage> Messages() const { return {m_history.begin(), m_history.end()}; }
    void ClearHistory() { m_history.clear(); }

private:
    uint16_t TakeSeq() { return m_seq++; }
    void BeforeMessage(int64_t now, const SimMac& dst);
    void SendStandalone(int64_t now, const SimMac& dst, const SimFault& fault);
    bool Put(const std::vector<uint8_t>& frame);
    void Remember(SimSentMessage&& m);
    void Log(const SimSentMessage& m, size_t bytes);

    CSimFaultPlan& m_faults;
    CSimLog& m_log;
    SimStats& m_stats;
    Sink m_sink;
    SimMac m_own{};
    size_t m_maxFrame = SimWire::kDefaultMaxFrame;
    size_t m_historyLimit = 0;
    uint16_t m_seq = 1;
    std::deque<SimSentMessage> m_history;
};
