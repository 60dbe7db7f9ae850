#include "link/Reassembler.h"

#include "link/ByteOrder.h"

#include <cstring>

Reassembler::Reassembler(DataRing& ring, ReplyQueue& replies, EventQueue& events)
    : m_ring(ring), m_replies(replies), m_events(events)
{
}

void Reassembler::SetUnitAddressListener(std::function<void(const MacAddress&)> listener)
{
    m_unitAddressListener = std::move(listener);
}

void Reassembler::Start(const MacAddress& adapter)
{
    m_adapter = adapter;
    m_firstFrame = true;
    m_prevLast = true;
    m_expectedSequence = 0;
    m_expectedFragment = 0;
    m_lastDropReason.store(kDropNone, std::memory_order_relaxed);
}

void Reassembler::Drop(int reason, OwnedCounter& counter)
{
    counter.Add();
    m_lastDropReason.store(reason, std::memory_order_relaxed);
}

void Reassembler::DropBadFrame(BadKind kind)
{
    Drop(kDropBadFrame, kind == BadKind::Truncated ? m_truncated
                        : kind == BadKind::Short   ? m_short
                                                   : m_badPad);
    // The fragment's place in its message is unknown, so the message goes with it; the
    // sequencing state stays, and the next frames show what else was lost.
    m_ring.DiscardMessage();
}

void Reassembler::Take(const std::uint8_t* f, std::uint32_t caplen, std::uint32_t len)
{
    using namespace wire;
    // Destination and EtherType decide whether the frame is ours at all; a frame too short
    // to show them belongs to nobody.
    if (caplen < kOffEtherType + 2 || std::memcmp(f + kOffDestination, m_adapter.data(), 6) != 0 ||
        LoadBE16(f + kOffEtherType) != kEtherType) {
        m_ignored.Add();
        return;
    }
    m_taken.Add();
    if (caplen < len)
        return DropBadFrame(BadKind::Truncated);
    if (len < kMinFrame)
        return DropBadFrame(BadKind::Short);

    const std::uint8_t type = f[kOffFrameType];
    const std::uint16_t sequence = LoadBE16(f + kOffSequence);
    const std::uint8_t pad = f[len - 4];
    const bool last = f[len - 3] != 0;
    const std::uint16_t fragment = LoadBE16(f + len - 2);
    if ((type == kTypeReply && len < kMinReply) || (type == kTypeEvent && len < kMinEvent))
        return DropBadFrame(BadKind::Short);
    if (type == kTypeData && last && pad > len - kMinFrame)
        return DropBadFrame(BadKind::Pad);

    if (fragment == 1) {
        if (m_firstFrame) {
            m_expectedSequence = sequence;
            m_firstFrame = false;
        } else {
            // A message that has ended was committed with its last fragment; one that has
            // not ended is incomplete and goes (BeginMessage drops what was not committed).
            if (!m_prevLast)
                Drop(kDropMissingLast, m_missingLast);
            ++m_expectedSequence;
        }
        m_ring.BeginMessage();
        m_expectedFragment = 1;
    } else {
        if (m_prevLast) {
            // The message before is complete and already readable: only this stray and the
            // rest of its message are dropped.
            Drop(kDropStrayFragment, m_stray);
            m_ring.DiscardMessage();
        }
        ++m_expectedFragment;
    }
    if (sequence != m_expectedSequence) {
        Drop(kDropSequenceGap, m_gaps);
        m_expectedSequence = sequence;
        // A continuation that belongs to another message must not be joined to this one.
        if (fragment != 1) {
            Drop(kDropFragmentOrder, m_order);
            m_ring.DiscardMessage();
        }
    }
    if (fragment != m_expectedFragment) {
        Drop(kDropFragmentOrder, m_order);
        m_ring.DiscardMessage();
    }
    m_prevLast = last;

    switch (type) {
    case kTypeReply: {
        m_reply.Add();
        ReplyEntry reply;
        reply.code = f[kOffCode];
        reply.sequence = LoadBE16(f + kOffWord1);
        std::memcpy(reply.payload.data(), f + kOffBody, kReplyPayload);
        // The unit's address is known before its reply can be taken, so the request that
        // follows the reply goes to the unit.
        if (reply.payload[0] == 0xFF && reply.payload[1] == 0xFF && m_unitAddressListener) {
            MacAddress unit;
            std::memcpy(unit.data(), f + kOffSource, 6);
            m_unitAddressListener(unit);
        }
        m_replies.Push(reply);
        break;
    }
    case kTypeEvent: {
        m_event.Add();
        EventEntry event;
        event.code = f[kOffCode];
        event.word1 = LoadBE16(f + kOffWord1);
        event.word2 = LoadBE16(f + kOffBody);
        event.word3 = LoadBE16(f + kOffBody + 2);
        m_events.Push(event);
        break;
    }
    case kTypeData: {
        m_data.Add();
        const std::uint32_t bytes = len - kMinFrame - (last ? pad : 0);
        m_ring.Append(f + kOffBody, bytes / 2, last);
        break;
    }
    default:
        break;
    }
}

void Reassembler::AddCountersTo(LinkCounters& out) const
{
    out.framesTaken += m_taken.Get();
    out.framesIgnored += m_ignored.Get();
    out.dataFrames += m_data.Get();
    out.replyFrames += m_reply.Get();
    out.eventFrames += m_event.Get();
    out.truncatedFrames += m_truncated.Get();
    out.shortFrames += m_short.Get();
    out.badPadFrames += m_badPad.Get();
    out.sequenceGaps += m_gaps.Get();
    out.fragmentOrderDrops += m_order.Get();
    out.missingLastDrops += m_missingLast.Get();
    out.strayFragmentDrops += m_stray.Get();
    out.lastDropReason = m_lastDropReason.load(std::memory_order_relaxed);
}
