// Feeds arbitrary frames, as a host on the network could send them, to the simulated control
// unit while its clock moves, with some of its faults armed; and arbitrary lines to its live
// command set. Every frame the unit sends must stay within Ethernet sizes, and at least 60
// bytes unless a fault asked for a short one.
#include "sim/SimClock.h"
#include "sim/SimUnit.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* const kFaults[] = {
    "drop-frag=2", "drop-last", "swap-frags", "stray-frag", "seq-jump=7", "foreign-seq", "pad-over", "odd-data",
    "unknown-type", "wrong-ethertype", "wrong-dst", "bcast-dst", "bad-record=past-end", "bad-record=l0",
    "bad-record=over-n", "reply-delay=3", "reply-wrong-seq", "reply-dup", "reply-drop", "reply-flood=5",
    "event-flood=5", "refuse-start", "skip=2", "pos-jump=-7", "burst=3", "trace-len=5", "sensor-words=1,2,3,4",
    "vanish=0.004", "drop-frag=1/2", "reply-dup/3",
};
const char* const kShortFaults[] = {"short-frame", "short-reply"};

void Frames(const uint8_t* data, size_t size)
{
    CSimManualClock clock;
    CSimUnitConfig config = CSimUnitConfig::Tolam();
    config.historyLimit = 16;
    if (size > 0 && (data[0] & 1))
        config = CSimUnitConfig::Z5K();
    config.historyLimit = 16;
    CSimUnit unit(config, clock);
    bool shortAllowed = false;
    unit.SetSink([&shortAllowed](const uint8_t*, size_t length) {
        if (length > 65536 || (!shortAllowed && length < 60))
            std::abort();
        return true;
    });
    int64_t advanced = 0;
    size_t at = 1;
    while (at < size) {
        const uint8_t op = data[at++];
        switch (op >> 6) {
        case 0: {   // a frame of up to 255 bytes as given
            size_t wanted = op;
            if (op == 0 && at < size)
                wanted = data[at++];
            const size_t length = std::min<size_t>(wanted, size - at);
            unit.OnFrame(data + at, length);
            at += length;
            break;
        }
        case 1: {   // a well-formed request header with fuzzed arguments
            std::vector<uint8_t> f(104, 0);
            const SimMac mac = unit.Address();
            for (int i = 0; i < 6; ++i)
                f[size_t(i)] = (op & 1) ? 0xFF : mac[size_t(i)];
            f[6] = 0x02;
            f[12] = f[13] = 0x55;
            for (size_t i = 14; i < 40 && at < size; ++i)
                f[i] = data[at++];
            f[101] = 1;
            f[103] = 1;
            unit.OnFrame(f.data(), f.size());
            break;
        }
        case 2: {   // time passes, at most 20 ms in all
            const int64_t step = std::min<int64_t>((op & 0x3F) * 250, 20000 - advanced);
            advanced += step;
            clock.Advance(step);
            unit.Poll();
            break;
        }
        case 3: {   // a fault, or the wheel turning
            const size_t k = op & 0x3F;
            std::string error;
            if (k < std::size(kFaults)) {
                unit.AddFault(kFaults[k], error);
            } else if (k < std::size(kFaults) + std::size(kShortFaults)) {
                shortAllowed = true;
                unit.AddFault(kShortFaults[k - std::size(kFaults)], error);
            } else {
                unit.SetWheelSpeed(double(int(k) - 40) * 250.0);
            }
            break;
        }
        }
    }
    unit.NextDueUs();
    unit.SentTraces();
}

void ControlLines(const uint8_t* data, size_t size)
{
    CSimManualClock clock;
    CSimUnit unit(CSimUnitConfig::Tolam(), clock);
    unit.SetSink([](const uint8_t*, size_t) { return true; });
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t at = 0;
    while (at <= text.size()) {
        const size_t nl = text.find('\n', at);
        unit.Control(text.substr(at, nl == std::string::npos ? std::string::npos : nl - at));
        if (nl == std::string::npos)
            break;
        at = nl + 1;
    }
    CSimUnitConfig probe;
    std::string error;
    probe.SetModules(text, error);
    probe.SetInterval(text, error);
    probe.SetFill(text, error);
    SimPattern pattern;
    SimPattern::Parse(text, pattern);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    if (data[0] & 0x80)
        ControlLines(data + 1, size - 1);
    else
        Frames(data, size);
    return 0;
}
