// What the link has seen and lost, for the benchmark, the tests and a diagnostic log.
// A snapshot: VT_Ethernet::Counters fills it from the live counters.
#pragma once

#include <atomic>
#include <cstdint>

// Drop reasons of the reassembly (the last one is kept as "last drop reason").
enum DropReason : int {
    kDropNone = 0,
    kDropSequenceGap = -3,      // a message number was skipped; nothing discarded
    kDropFragmentOrder = -4,    // a fragment missing or out of order; message discarded
    kDropMissingLast = -5,      // a message began before the previous one ended
    kDropStrayFragment = -6,    // a continuation after a last fragment; only it is discarded
    kDropBadFrame = -7,         // a frame too short or inconsistent to read; message discarded
};

// Last receive status.
enum ReceiveStatus : int {
    kReceiveOk = 0,
    kReceiveTimeout = -1,
    kReceiveFailed = -2,
};

struct LinkCounters {
    std::uint64_t framesTaken = 0;        // addressed to the adapter with our EtherType
    std::uint64_t framesIgnored = 0;      // other destination or EtherType, or runts
    std::uint64_t dataFrames = 0;
    std::uint64_t replyFrames = 0;
    std::uint64_t eventFrames = 0;
    std::uint64_t truncatedFrames = 0;    // captured part shorter than the frame
    std::uint64_t shortFrames = 0;        // too short for header and tail, or for a reply/event
    std::uint64_t badPadFrames = 0;       // pad count larger than the data
    std::uint64_t sequenceGaps = 0;       // -3
    std::uint64_t fragmentOrderDrops = 0; // -4, and continuations of another message
    std::uint64_t missingLastDrops = 0;   // -5
    std::uint64_t strayFragmentDrops = 0; // -6
    std::uint64_t ringOverflows = 0;
    std::uint64_t badRecordMessages = 0;  // a record length ran past its message: message dropped
    std::uint64_t replyOverflows = 0;
    std::uint64_t eventOverflows = 0;
    std::uint64_t messagesCommitted = 0;
    std::uint64_t foreignReplies = 0;     // replies skipped by a transaction (other sequence)
    std::uint64_t transactionPolls = 0;   // 5 ms waits spent by transactions without a reply
    std::uint64_t captureReceived = 0;    // from the capture library, since the capture opened
    std::uint64_t captureDropped = 0;     // dropped by the kernel: buffer full
    std::uint64_t captureIfDropped = 0;   // dropped by the interface
    std::uint64_t captureFailures = 0;    // read errors of the capture (adapter gone)
    int lastDropReason = kDropNone;
    int lastReceiveStatus = kReceiveOk;
};

// A counter with one writing thread, read from any thread without a lock.
class OwnedCounter {
public:
    void Add(std::uint64_t n = 1)
    {
        m_value.store(m_value.load(std::memory_order_relaxed) + n, std::memory_order_relaxed);
    }
    std::uint64_t Get() const { return m_value.load(std::memory_order_relaxed); }
    void Clear() { m_value.store(0, std::memory_order_relaxed); }

private:
    std::atomic<std::uint64_t> m_value{0};
};
