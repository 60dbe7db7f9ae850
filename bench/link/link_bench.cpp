// Receive-path benchmark of the control-unit link, root only; nothing leaves the network
// namespaces it makes.
//
// By default the simulated unit streams time-mode traces of 2048 samples (three full-size
// fragments each) over a veth pair, and the host end takes the one stream twice at once:
// VT_Ethernet, with a reader emptying its ring the way the acquisition does, and a bare
// capture-library counter beside it. Both count from the start until, after the stop, the
// unit has sent its last frame and every side has drained. Printed: frames sent, frames
// taken by each, every drop counter, and the ratio of the records the reader got to the
// data messages the bare capture saw. First at the paced rate, then as fast as the unit can
// stream.
//
// With --blaster a plain sender on a veth pair of the benchmark's own replaces the unit, first
// as fast as it can, then paced; the link and the bare capture take each stream at once.
//
//   bench_link [--seconds S] [--rate FPS] [--blaster] [--frames N]
//     --seconds S  length of each simulated run (default 5)
//     --rate FPS   the paced run's frames per second (default 50000; 0 skips it)
//     --blaster    the plain sender instead of the simulated unit
//     --frames N   frames per blaster run (default 300000)
#include "bench/common/BareCapture.h"
#include "link/ByteOrder.h"
#include "link/PcapTransport.h"
#include "link/RingRecord.h"
#include "link/VT_Ethernet.h"
#include "link/CDriver.h"
#include "sim/SimNetHarness.h"

#include <pcap/pcap.h>
#include <poll.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char kHostIf[] = "dvbhost";
const char kUnitIf[] = "dvbunit";
constexpr MacAddress kHost = {0x02, 0, 0, 0, 0xB0, 0x01};
constexpr MacAddress kUnit = {0x02, 0, 0, 0, 0xB0, 0x55};
constexpr int kSamples = 2048;
constexpr int kWordsPerFragment = 745;

bool Run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// The frames of one trace message (three fragments).
std::vector<std::vector<std::uint8_t>> TraceMessage(std::uint16_t sequence, std::uint32_t position)
{
    std::vector<std::uint16_t> words = {static_cast<std::uint16_t>(6 + 2 * kSamples), ('f' << 8) | 10,
                                        static_cast<std::uint16_t>(position >> 16),
                                        static_cast<std::uint16_t>(position)};
    for (int i = 0; i < kSamples; ++i)
        words.push_back(static_cast<std::uint16_t>(i * 13));
    std::vector<std::vector<std::uint8_t>> frames;
    std::uint16_t fragment = 1;
    for (std::size_t at = 0; at < words.size(); at += kWordsPerFragment) {
        const std::size_t n = std::min<std::size_t>(kWordsPerFragment, words.size() - at);
        const bool last = at + n == words.size();
        std::size_t len = 20 + 2 * n + 4;
        const std::size_t pad = last && len < 60 ? 60 - len : 0;
        len += pad;
        std::vector<std::uint8_t> f(len, 0);
        std::memcpy(f.data(), kHost.data(), 6);
        std::memcpy(f.data() + 6, kUnit.data(), 6);
        StoreBE16(f.data() + 12, 0x5555);
        StoreBE16(f.data() + 14, sequence);
        f[16] = 2;
        for (std::size_t i = 0; i < n; ++i)
            StoreBE16(f.data() + 20 + 2 * i, words[at + i]);
        f[len - 4] = static_cast<std::uint8_t>(pad);
        f[len - 3] = last ? 1 : 0;
        StoreBE16(f.data() + len - 2, fragment++);
        frames.push_back(std::move(f));
    }
    return frames;
}

// Sends `frames` frames of trace messages, paced to `rate` per second (0: full speed).
// Returns the seconds the stream took.
double Stream(PcapTransport& unit, long frames, long rate)
{
    const auto first = TraceMessage(0, 0);
    std::vector<std::uint8_t> buffer[3] = {first[0], first[1], first[2]};
    const auto start = Clock::now();
    std::uint16_t sequence = 0;
    for (long sent = 0; sent < frames;) {
        ++sequence;
        for (auto& f : buffer) {
            StoreBE16(f.data() + 14, sequence);
            if (sent < frames) {
                unit.Send(f.data(), f.size());
                ++sent;
            }
        }
        StoreBE16(buffer[0].data() + 26, sequence);  // the trace's position
        if (rate > 0) {
            const auto due = start + std::chrono::nanoseconds(sent * 1'000'000'000LL / rate);
            while (Clock::now() < due) {
            }
        }
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Result {
    long received = 0;       // data frames the link took
    long records = 0;        // records the reader got
    long bareFrames = 0;     // frames and whole data messages the bare capture counted
    long bareMessages = 0;
    double sendSeconds = 0;  // the stream
    double seconds = 0;      // from the stream's start to the last record taken
    LinkCounters counters;
};

// The stream taken by the link, with a reader emptying the ring, and at the same time by a
// bare capture with the link's settings; both are read once everything has drained.
Result LinkCapture(PcapTransport& unit, long frames, long rate)
{
    Result result;
    AdapterChoice choice;
    VT_Ethernet link;
    link.BindAdapterChoice(&choice);
    link.LoadAdapterList();
    const auto adapters = link.Adapters();
    for (std::size_t k = 0; k < adapters.size(); ++k)
        if (adapters[k].name == kHostIf)
            choice.interfaceIndex = static_cast<std::int16_t>(k);
    if (link.Open() != kLinkOpened) {
        std::fprintf(stderr, "the link could not open %s\n", kHostIf);
        std::exit(1);
    }
    BareCounter bare(kHostIf);
    if (!bare.Ok()) {
        std::fprintf(stderr, "the bare capture could not open %s\n", kHostIf);
        std::exit(1);
    }
    std::atomic<bool> streaming{true};
    std::atomic<long> records{0};
    Clock::time_point lastRecord{};
    std::thread reader([&] {
        std::int16_t samples[kSamples];
        int idle = 0;
        while (streaming || idle < 50) {
            const int i = link.NextRecord();
            if (i < 0) {
                ++idle;
                std::this_thread::sleep_for(std::chrono::milliseconds(7));
                continue;
            }
            idle = 0;
            const RingRecord r = ReadRecordHeader(link.Ring(), static_cast<std::uint32_t>(i));
            CopyTraceSamples(link.Ring(), r, samples, kSamples);
            link.ReleaseRecord();
            ++records;
            lastRecord = Clock::now();
        }
    });
    const auto start = Clock::now();
    result.sendSeconds = Stream(unit, frames, rate);
    streaming = false;
    reader.join();
    bare.Stop();
    result.bareFrames = bare.Frames();
    result.bareMessages = bare.Messages();
    result.seconds = std::chrono::duration<double>(lastRecord - start).count();
    result.records = records;
    result.counters = link.Counters();
    result.received = static_cast<long>(result.counters.dataFrames);
    link.Close();
    return result;
}

void Print(const char* what, long frames, const Result& r)
{
    std::printf("%-28s sent %ld frames in %.3f s: received %ld, the last %.3f s after the start (%.0f/s)",
                what, frames, r.sendSeconds, r.received, r.seconds, r.received / r.seconds);
    std::printf(", records %ld; the bare capture: %ld frames, %ld whole messages\n", r.records, r.bareFrames,
                r.bareMessages);
}

void PrintLinkCounters(const LinkCounters& c)
{
    std::printf("  link counters: capture recv %llu drop %llu ifdrop %llu | ring overflow %llu | reply overflow "
                "%llu event overflow %llu | truncated %llu short %llu bad pad %llu | gaps %llu order %llu "
                "missing last %llu stray %llu | committed %llu\n",
                (unsigned long long)c.captureReceived, (unsigned long long)c.captureDropped,
                (unsigned long long)c.captureIfDropped, (unsigned long long)c.ringOverflows,
                (unsigned long long)c.replyOverflows, (unsigned long long)c.eventOverflows,
                (unsigned long long)c.truncatedFrames, (unsigned long long)c.shortFrames,
                (unsigned long long)c.badPadFrames, (unsigned long long)c.sequenceGaps,
                (unsigned long long)c.fragmentOrderDrops, (unsigned long long)c.missingLastDrops,
                (unsigned long long)c.strayFragmentDrops, (unsigned long long)c.messagesCommitted);
}

}  // namespace

// ---- the simulated unit ---------------------------------------------------------------

// One run: the unit streams slot A channel 0 at `framesPerSecond` for `seconds`.
// Returns false when the set-up failed.
bool SimulatedRun(double framesPerSecond, double seconds, long& lost, double& ratio)
{
    CSimNetHarness net;
    std::string error;
    CSimUnitConfig config = CSimUnitConfig::Tolam();
    config.rate = framesPerSecond / 3;  // three frames per trace step
    config.historyLimit = 0;
    if (!net.Create(error) || !net.StartUnit(config, error)) {
        std::fprintf(stderr, "simulated unit: %s\n", error.c_str());
        return false;
    }
    CScopedNetns inside(net.HostNetns().Fd());  // dvhost0 is adapter 0 in here, and alone
    BareCounter bare(CSimNetHarness::kHostInterface);
    std::int16_t slot = 0;
    CDriver driver(&slot);
    if (!bare.Ok() || driver.Detect() != 1) {
        std::fprintf(stderr, "the unit was not found on %s\n", CSimNetHarness::kHostInterface);
        return false;
    }
    VT_Ethernet& link = driver.Link();
    driver.SetTriggerSource(-1, 'W', 16);
    driver.SetTriggerSource(-1, 'T', 0);
    driver.SetTraceInterval(0, 1);
    driver.SetSamples(kSamples);
    driver.SetActiveChannels(1);
    std::atomic<bool> reading{true};
    std::atomic<long> records{0};
    std::thread reader([&] {
        std::int16_t samples[kSamples];
        while (reading) {
            const int i = link.NextRecord();
            if (i < 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(7));
                continue;
            }
            const RingRecord r = ReadRecordHeader(link.Ring(), static_cast<std::uint32_t>(i));
            if (r.Is(RecordType::TraceRecord))
                CopyTraceSamples(link.Ring(), r, samples, kSamples);
            link.ReleaseRecord();
            ++records;
        }
    });
    const LinkCounters before = link.Counters();
    const long bareBefore = bare.Frames(), bareMessagesBefore = bare.Messages();
    const SimStats simBefore = net.Unit().Stats();
    if (driver.StartAcquisition() != 0) {
        std::fprintf(stderr, "the unit refused the start\n");
        reading = false;
        reader.join();
        return false;
    }
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    driver.StopAcquisition();
    // One window for both sides: after the stop, wait until the unit has sent its last frame
    // and the bare capture, the link and the reader have each taken everything (all counts
    // standing still for half a second), then read them all.
    auto counts = [&] {
        return std::vector<long>{static_cast<long>(net.Unit().Stats().frames), bare.Frames(),
                                 static_cast<long>(link.Counters().framesTaken), records.load()};
    };
    std::vector<long> last = counts();
    auto still = Clock::now();
    while (Clock::now() - still < std::chrono::milliseconds(500)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const std::vector<long> now = counts();
        if (now != last) {
            last = now;
            still = Clock::now();
        }
    }
    const double window = std::chrono::duration<double>(still - start).count();
    reading = false;
    reader.join();
    bare.Stop();
    const LinkCounters c = link.Counters();
    const SimStats sim = net.Unit().Stats();
    const long sent = static_cast<long>(sim.frames - simBefore.frames);
    const long sentTraces = static_cast<long>(sim.traces - simBefore.traces);
    const long taken = static_cast<long>(c.framesTaken - before.framesTaken);
    const long counted = bare.Frames() - bareBefore;
    const long messages = bare.Messages() - bareMessagesBefore;
    const long delivered = records;
    std::printf("unit asked for %.0f frames/s for %.1f s: sent %ld frames, %ld traces (%llu send errors); all drained "
                "%.1f s after the start\n",
                framesPerSecond, seconds, sent, sentTraces, (unsigned long long)(sim.sendErrors - simBefore.sendErrors),
                window);
    std::printf("  bare capture took %ld frames, %ld whole data messages (kernel drop %u)\n", counted, messages,
                bare.Stats().ps_drop);
    std::printf("  VT_Ethernet took %ld frames; the reader got %ld records\n", taken, delivered);
    PrintLinkCounters(c);
    // Traces the unit sent that never reached the interface (its sends outrun the veth pair
    // at full speed) are no loss of the link: the messages the bare capture saw are the
    // yardstick, and what counts is what reached the reader.
    lost = std::max(sentTraces, messages) - delivered;
    ratio = messages > 0 ? double(delivered) / double(messages) : 0.0;
    std::printf("  records lost on the way to the reader: %ld of the traces sent, %ld of the messages the bare capture "
                "saw; ratio records delivered / bare messages: %.3f\n",
                lost, std::max(0L, messages - delivered), ratio);
    return true;
}

int RunWithSimulator(double seconds, long rate)
{
    std::string why;
    if (!CSimNetHarness::Allowed(why)) {
        std::fprintf(stderr, "bench_link: %s\n", why.c_str());
        return 1;
    }
    int status = 0;
    long lost = 0;
    double ratio = 0;
    if (rate > 0) {
        if (!SimulatedRun(double(rate), seconds, lost, ratio))
            return 1;
        std::printf("paced run: %ld records lost at %ld frames/s (target 0), ratio %.3f (target >= 0.9)\n", lost, rate,
                    ratio);
        status = lost == 0 && ratio >= 0.9 ? 0 : 2;
    }
    if (!SimulatedRun(1e6, seconds, lost, ratio))
        return 1;
    std::printf("full speed: ratio records delivered / bare messages %.3f (target >= 0.9)\n", ratio);
    return status;
}

int main(int argc, char** argv)
{
    long frames = 300'000;
    long rate = 50'000;
    double seconds = 5;
    bool blaster = false;
    const char* const usage = "usage: bench_link [--seconds S] [--rate FPS] [--blaster] [--frames N] [--help]\n";
    for (int i = 1; i < argc; ++i) {
        char* end = nullptr;
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--help")) {
            std::fputs(usage, stdout);
            return 0;
        } else if (!std::strcmp(argv[i], "--blaster"))
            blaster = true;
        else if (hasValue && !std::strcmp(argv[i], "--frames"))
            frames = std::strtol(argv[++i], &end, 10);
        else if (hasValue && !std::strcmp(argv[i], "--rate"))
            rate = std::strtol(argv[++i], &end, 10);
        else if (hasValue && !std::strcmp(argv[i], "--seconds"))
            seconds = std::strtod(argv[++i], &end);
        else
            end = argv[i];
        if ((end && *end) || frames < 3 || rate < 0 || !(seconds > 0)) {
            std::fputs(usage, stderr);
            return 2;
        }
    }
    if (!blaster)
        return RunWithSimulator(seconds, rate);
    frames -= frames % 3;
    if (geteuid() != 0 || unshare(CLONE_NEWNET) != 0) {
        std::fprintf(stderr, "bench_link needs root to make its own network namespace\n");
        return 1;
    }
    if (!Run(std::string("ip link add ") + kHostIf + " address " + FormatMac(kHost) + " type veth peer name " +
             kUnitIf + " address " + FormatMac(kUnit)) ||
        !Run(std::string("ip link set ") + kHostIf + " up") || !Run(std::string("ip link set ") + kUnitIf + " up")) {
        std::fprintf(stderr, "cannot make the veth pair\n");
        return 1;
    }
    PcapTransport unit;
    std::string error;
    if (unit.Open(kUnitIf, error) != kTransportOpened) {
        std::fprintf(stderr, "unit side: %s\n", error.c_str());
        return 1;
    }

    // The records the reader got against the messages the bare capture saw, both in the same
    // run: as fast as the sender goes, then paced.
    const Result full = LinkCapture(unit, frames, 0);
    Print("full speed", frames, full);
    PrintLinkCounters(full.counters);
    std::printf("ratio records delivered / bare messages: %.3f (target >= 0.9)\n",
                full.bareMessages > 0 ? double(full.records) / full.bareMessages : 0.0);
    int status = 0;
    if (rate > 0) {
        const Result paced = LinkCapture(unit, frames, rate);
        Print("paced", frames, paced);
        PrintLinkCounters(paced.counters);
        const long lost = frames / 3 - paced.records;
        std::printf("records lost at %ld frames/s: %ld of %ld (target 0)\n", rate, lost, frames / 3);
        status = lost == 0 ? 0 : 2;
    }
    unit.Close();
    Run(std::string("ip link del ") + kHostIf);
    return status;
}
