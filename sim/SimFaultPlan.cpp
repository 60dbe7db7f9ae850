#include "sim/SimFaultPlan.h"

#include "sim/SimText.h"

#include <cerrno>
#include <cstdlib>

namespace {

struct FaultInfo {
    const char* name;
    SimFaultKind kind;
    size_t minArgs;
    size_t maxArgs;
};

const FaultInfo kFaults[] = {
    {"drop-frag", SimFaultKind::DropFrag, 1, 1},
    {"drop-last", SimFaultKind::DropLast, 0, 0},
    {"swap-frags", SimFaultKind::SwapFrags, 0, 2},
    {"stray-frag", SimFaultKind::StrayFrag, 0, 0},
    {"seq-jump", SimFaultKind::SeqJump, 1, 1},
    {"foreign-seq", SimFaultKind::ForeignSeq, 0, 1},
    {"short-frame", SimFaultKind::ShortFrame, 0, 1},
    {"short-reply", SimFaultKind::ShortReply, 0, 1},
    {"pad-over", SimFaultKind::PadOver, 0, 0},
    {"odd-data", SimFaultKind::OddData, 0, 0},
    {"unknown-type", SimFaultKind::UnknownType, 0, 1},
    {"wrong-ethertype", SimFaultKind::WrongEtherType, 0, 0},
    {"wrong-dst", SimFaultKind::WrongDst, 0, 0},
    {"bcast-dst", SimFaultKind::BcastDst, 0, 0},
    {"jumbo", SimFaultKind::Jumbo, 0, 1},
    {"bad-record", SimFaultKind::BadRecord, 1, 1},
    {"reply-delay", SimFaultKind::ReplyDelay, 1, 1},
    {"reply-wrong-seq", SimFaultKind::ReplyWrongSeq, 0, 1},
    {"reply-dup", SimFaultKind::ReplyDup, 0, 0},
    {"reply-drop", SimFaultKind::ReplyDrop, 0, 0},
    {"reply-flood", SimFaultKind::ReplyFlood, 0, 1},
    {"event-flood", SimFaultKind::EventFlood, 0, 1},
    {"refuse-start", SimFaultKind::RefuseStart, 0, 0},
    {"skip", SimFaultKind::Skip, 0, 1},
    {"pos-jump", SimFaultKind::PosJump, 1, 1},
    {"burst", SimFaultKind::Burst, 1, 1},
    {"trace-len", SimFaultKind::TraceLen, 1, 1},
    {"sensor-words", SimFaultKind::SensorWords, 4, 4},
};

const char* const kBadRecordNames[] = {"short-l", "l0", "odd-l", "over-n", "code73", "code255", "type-z", "past-end"};

const FaultInfo* Find(const std::string& name)
{
    for (const FaultInfo& f : kFaults)
        if (name == f.name)
            return &f;
    return nullptr;
}

bool CheckRange(const SimFault& f, std::string& error)
{
    auto bad = [&error](const std::string& why) {
        error = why;
        return false;
    };
    switch (f.kind) {
    case SimFaultKind::DropFrag:
        return f.Arg(0) >= 1 && f.Arg(0) <= 65535 ? true : bad("fragment number must be 1 to 65535");
    case SimFaultKind::SwapFrags:
        if (f.args.size() == 1)
            return bad("swap-frags takes two fragment numbers");
        return f.Arg(0, 1) >= 1 && f.Arg(1, 2) >= 1 && f.Arg(0, 1) != f.Arg(1, 2) && f.Arg(0, 1) <= 65535 &&
                       f.Arg(1, 2) <= 65535
                   ? true
                   : bad("swap-frags needs two different fragment numbers from 1");
    case SimFaultKind::ShortFrame:
        return f.Arg(0, 20) >= 0 && f.Arg(0, 20) < 24 ? true : bad("a short frame has 0 to 23 bytes");
    case SimFaultKind::ShortReply:
        return f.Arg(0, 24) >= 18 && f.Arg(0, 24) < 32 ? true : bad("a short reply has 18 to 31 bytes");
    case SimFaultKind::UnknownType:
        return f.Arg(0, 7) >= 0 && f.Arg(0, 7) <= 255 && f.Arg(0, 7) != 1 && f.Arg(0, 7) != 2 && f.Arg(0, 7) != 3
                   ? true
                   : bad("an unknown frame type is 0 or 4 to 255");
    case SimFaultKind::Jumbo:
        return f.Arg(0, 9014) >= 1515 && f.Arg(0, 9014) <= 65536 ? true : bad("a jumbo frame has 1515 to 65536 bytes");
    case SimFaultKind::ReplyDelay:
        return f.Arg(0) >= 0 && f.Arg(0) <= 600000 ? true : bad("delay must be 0 to 600000 ms");
    case SimFaultKind::ReplyFlood:
    case SimFaultKind::EventFlood:
        return f.Arg(0, 150) >= 1 && f.Arg(0, 150) <= 100000 ? true : bad("flood size must be 1 to 100000");
    case SimFaultKind::Skip:
        return f.Arg(0, 1) >= 1 && f.Arg(0, 1) <= 1000000 ? true : bad("skip count must be 1 to 1000000");
    case SimFaultKind::Burst:
        return f.Arg(0) >= 1 && f.Arg(0) <= 1000000 ? true : bad("burst size must be 1 to 1000000");
    case SimFaultKind::TraceLen:
        return f.Arg(0) >= 0 && f.Arg(0) <= 32000 ? true : bad("trace length must be 0 to 32000 samples");
    case SimFaultKind::SensorWords:
        for (int64_t w : f.args)
            if (w < 0 || w > 0xFFFF)
                return bad("sensor words are 0 to 0xFFFF");
        return true;
    case SimFaultKind::SeqJump:
    case SimFaultKind::ForeignSeq:
    case SimFaultKind::PosJump:
        return f.Arg(0, -1) >= -0xFFFFFFFFll && f.Arg(0, -1) <= 0xFFFFFFFFll ? true : bad("offset out of range");
    default:
        return true;
    }
}

}  // namespace

const char* CSimFaultPlan::Name(SimFaultKind kind)
{
    for (const FaultInfo& f : kFaults)
        if (f.kind == kind)
            return f.name;
    return "?";
}

bool CSimFaultPlan::IsFaultName(const std::string& name) { return Find(name) != nullptr; }

SimChance CSimFaultPlan::ChanceOf(SimFaultKind kind)
{
    switch (kind) {
    case SimFaultKind::DropFrag:
    case SimFaultKind::DropLast:
    case SimFaultKind::SwapFrags:
    case SimFaultKind::StrayFrag:
    case SimFaultKind::ForeignSeq:
        return SimChance::DataMessage;
    case SimFaultKind::SeqJump:
    case SimFaultKind::ShortFrame:
    case SimFaultKind::ShortReply:
    case SimFaultKind::PadOver:
    case SimFaultKind::OddData:
    case SimFaultKind::UnknownType:
    case SimFaultKind::WrongEtherType:
    case SimFaultKind::WrongDst:
    case SimFaultKind::BcastDst:
    case SimFaultKind::Jumbo:
        return SimChance::AnyMessage;
    case SimFaultKind::BadRecord:
    case SimFaultKind::TraceLen:
        return SimChance::Trace;
    case SimFaultKind::ReplyDelay:
    case SimFaultKind::ReplyWrongSeq:
    case SimFaultKind::ReplyDup:
    case SimFaultKind::ReplyDrop:
    case SimFaultKind::ReplyFlood:
    case SimFaultKind::EventFlood:
        return SimChance::Reply;
    case SimFaultKind::RefuseStart:
        return SimChance::Start;
    case SimFaultKind::Skip:
    case SimFaultKind::PosJump:
    case SimFaultKind::Burst:
        return SimChance::TriggerStep;
    case SimFaultKind::SensorWords:
        return SimChance::Sensor;
    }
    return SimChance::AnyMessage;
}

bool CSimFaultPlan::Add(const std::string& spec, std::string& error)
{
    SimFault f;
    f.text = spec;
    std::string body = spec;
    const size_t slash = body.rfind('/');
    if (slash != std::string::npos) {
        long every = 0;
        if (!SimParseLong(body.substr(slash + 1), every) || every < 1 || every > 1000000000) {
            error = "'/N' needs N from 1";
            return false;
        }
        f.every = int(every);
        body.resize(slash);
    }
    const size_t eq = body.find('=');
    const std::string name = body.substr(0, eq);
    const FaultInfo* info = Find(name);
    if (!info) {
        error = "unknown fault '" + name + "'";
        return false;
    }
    f.kind = info->kind;
    if (eq != std::string::npos) {
        for (const std::string& part : SimSplit(body.substr(eq + 1), ',')) {
            long v = 0;
            if (f.kind == SimFaultKind::BadRecord) {
                v = -1;
                for (size_t i = 0; i < std::size(kBadRecordNames); ++i)
                    if (part == kBadRecordNames[i])
                        v = int64_t(i);
                if (v < 0) {
                    error = "unknown bad-record kind '" + part + "'";
                    return false;
                }
            } else if (!SimParseLong(part, v)) {
                error = "'" + part + "' is not a number";
                return false;
            }
            f.args.push_back(v);
        }
    }
    if (f.args.size() < info->minArgs || f.args.size() > info->maxArgs) {
        error = name + " takes " + std::to_string(info->minArgs) +
                (info->maxArgs != info->minArgs ? " to " + std::to_string(info->maxArgs) : std::string()) +
                " argument(s)";
        return false;
    }
    if (!CheckRange(f, error))
        return false;
    m_faults.push_back(f);
    return true;
}

std::vector<SimFault> CSimFaultPlan::Take(SimChance chance, const std::function<bool(const SimFault&)>& fits)
{
    std::vector<SimFault> fired;
    for (auto it = m_faults.begin(); it != m_faults.end();) {
        if (ChanceOf(it->kind) != chance || (fits && !fits(*it))) {
            ++it;
            continue;
        }
        ++it->seen;
        if (it->every == 0) {
            fired.push_back(*it);
            it = m_faults.erase(it);
            continue;
        }
        if (it->seen % uint64_t(it->every) == 0)
            fired.push_back(*it);
        ++it;
    }
    return fired;
}

bool CSimFaultPlan::HasPending(SimChance chance) const
{
    for (const SimFault& f : m_faults)
        if (ChanceOf(f.kind) == chance)
            return true;
    return false;
}

std::vector<std::string> CSimFaultPlan::Pending() const
{
    std::vector<std::string> out;
    for (const SimFault& f : m_faults)
        out.push_back(f.text);
    return out;
}
