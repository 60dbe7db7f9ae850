// The faults the simulated unit injects, each one-shot (the next chance it gets) or on every
// N-th chance ("NAME/N"). A chance is the event the fault acts on: a data message for the
// fragment faults, any outgoing message for the malformed stand-alone frames, a reply for the
// reply faults, a start command, a trigger step, a trace, a sensor record.
//
// Written form: NAME, NAME=ARG[,ARG...], optionally followed by /N. Names and arguments:
//   drop-frag=K          leave out fragment K of the next message with at least K fragments
//   drop-last            leave out the last fragment of the next multi-fragment message
//   swap-frags[=A,B]     send fragments A and B (default 1,2) in swapped order
//   stray-frag           after the next data message, a lone fragment 2 with the same sequence
//   seq-jump=N           the message sequence jumps by N before the next message
//   foreign-seq[=D]      fragment 2 of the next multi-fragment message carries sequence + D (-1)
//   short-frame[=LEN]    a LEN-byte frame (default 20), shorter than header and tail
//   short-reply[=LEN]    a reply frame of LEN bytes (default 24): its payload runs past the end
//   pad-over             a last data fragment whose pad count (255) exceeds its data
//   odd-data             a data fragment with an odd number of data bytes (37)
//   unknown-type[=T]     a frame of type T (default 7)
//   wrong-ethertype      a reply-shaped frame with EtherType 0x5556
//   wrong-dst            a reply-shaped frame to another station's address
//   bcast-dst            a reply-shaped frame to the broadcast address
//   jumbo[=LEN]          a LEN-byte data message (default 9014) in one fragment
//   bad-record=KIND      a message with one malformed record before the next trace; KIND is
//                        short-l (L 4), l0, odd-l (L 7), over-n (2049 samples), code73,
//                        code255, type-z (unknown type 'Z'), past-end (L beyond the message)
//   reply-delay=MS       hold the next reply back MS milliseconds
//   reply-wrong-seq[=D]  answer with the request sequence + D (default 0x8000)
//   reply-dup            send the next reply twice
//   reply-drop           send no reply
//   reply-flood[=N]      N unsolicited replies (default 150) before the next reply
//   event-flood[=N]      N event frames (default 150) before the next reply
//   refuse-start         no reply and no stream for the next start command
//   skip[=K]             the next K trigger steps (default 1) produce nothing
//   pos-jump=D           the next trigger step reports position + D (samples follow the true step)
//   burst=N              the unit's clock or counter leaps N steps of the fastest slot at once
//   trace-len=N          the next trace carries N samples whatever was configured
//   sensor-words=W0,W1,W2,W3  the next sensor record carries these raw words
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class SimFaultKind {
    DropFrag, DropLast, SwapFrags, StrayFrag, SeqJump, ForeignSeq,
    ShortFrame, ShortReply, PadOver, OddData, UnknownType, WrongEtherType, WrongDst, BcastDst, Jumbo,
    BadRecord,
    ReplyDelay, ReplyWrongSeq, ReplyDup, ReplyDrop, ReplyFlood, EventFlood,
    RefuseStart, Skip, PosJump, Burst, TraceLen, SensorWords,
};

enum class SimChance { DataMessage, AnyMessage, Reply, Start, TriggerStep, Trace, Sensor };

enum class SimBadRecord { ShortL, L0, OddL, OverN, Code73, Code255, TypeZ, PastEnd };

struct SimFault {
    SimFaultKind kind{};
    std::vector<int64_t> args;
    int every = 0;        // 0: one-shot
    uint64_t seen = 0;    // chances that met its condition so far
    std::string text;     // the fault as it was written, for logs

    int64_t Arg(size_t i, int64_t fallback = 0) const { return i < args.size() ? args[i] : fallback; }
};

class CSimFaultPlan {
public:
    // Adds a fault from its written form; false with a reason when that is not understood.
    bool Add(const std::string& spec, std::string& error);

    // The faults that fire at this chance, in the order they were added. fits tells whether
    // a fault can act on this particular chance (e.g. a message with enough fragments);
    // only fitting chances count towards "every N". One-shot faults leave the plan.
    std::vector<SimFault> Take(SimChance chance, const std::function<bool(const SimFault&)>& fits = {});

    bool HasPending(SimChance chance) const;
    std::vector<std::string> Pending() const;
    void Clear() { m_faults.clear(); }

    static SimChance ChanceOf(SimFaultKind kind);
    static const char* Name(SimFaultKind kind);
    static bool IsFaultName(const std::string& name);

private:
    std::vector<SimFault> m_faults;
};
