// Sorts the frames of the unit into the reply queue, the event queue and the data ring,
// reassembling data messages from their fragments. It runs on the receive thread; it is
// kept apart from the capture so that every rule can be tried with plain byte arrays.
//
// Every length is checked before it is read. A frame that cannot be read whole is
// dropped and counted, and the data message it belonged to is discarded, never joined to
// another. A data message becomes readable when its last fragment has arrived in order.
#pragma once

#include "link/DataRing.h"
#include "link/LinkCounters.h"
#include "link/MessageQueue.h"
#include "link/WireFormat.h"

#include <cstdint>
#include <functional>

class Reassembler {
public:
    Reassembler(DataRing& ring, ReplyQueue& replies, EventQueue& events);

    // Called with the unit's address whenever a reply names it (payload FF FF ...).
    void SetUnitAddressListener(std::function<void(const MacAddress&)> listener);

    // The state of a fresh receive thread for the adapter with address `adapter`.
    void Start(const MacAddress& adapter);

    // One frame as captured: `caplen` bytes at `frame` of a frame `len` bytes long.
    void Take(const std::uint8_t* frame, std::uint32_t caplen, std::uint32_t len);

    void AddCountersTo(LinkCounters& out) const;

private:
    enum class BadKind { Truncated, Short, Pad };
    void DropBadFrame(BadKind kind);
    void Drop(int reason, OwnedCounter& counter);

    DataRing& m_ring;
    ReplyQueue& m_replies;
    EventQueue& m_events;
    std::function<void(const MacAddress&)> m_unitAddressListener;
    MacAddress m_adapter{};

    bool m_firstFrame = true;
    bool m_prevLast = true;
    std::uint16_t m_expectedSequence = 0;
    std::uint16_t m_expectedFragment = 0;

    OwnedCounter m_taken, m_ignored, m_data, m_reply, m_event;
    OwnedCounter m_truncated, m_short, m_badPad;
    OwnedCounter m_gaps, m_order, m_missingLast, m_stray;
    std::atomic<int> m_lastDropReason{kDropNone};
};
