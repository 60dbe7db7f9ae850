// Receive-path benchmark of the control-unit link. A stand-in unit streams trace messages
// (2048 samples, three full-size fragments each) over a veth pair in a private network
// namespace; the same stream is taken once by a bare capture-library counter and once by
// VT_Ethernet with a reader emptying its ring the way the acquisition does. Prints frames,
// records, every drop counter, and the ratio of the link's frame rate to the bare rate.
// Root only (network namespace and veth pair); nothing leaves the namespace.
//
//   bench_link [--frames N] [--rate FPS]
//     --frames N   frames per run (default 300000)
//     --rate FPS   also run a paced stream at FPS frames per second (default 50000;
//                  0 skips it) and report its losses
#include "link/ByteOrder.h"
#include "link/PcapTransport.h"
#include "link/RingRecord.h"
#include "link/VT_Ethernet.h"

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
    long received = 0;
    long records = 0;
    double sendSeconds = 0;  // the stream
    double seconds = 0;      // from the stream's start to the last frame taken
    LinkCounters counters;
    pcap_stat bare{};
};

// Frames of the stream counted by a bare capture with the link's settings.
Result BareCapture(PcapTransport& unit, long frames, long rate)
{
    Result result;
    char errbuf[PCAP_ERRBUF_SIZE];
    pcap_t* p = pcap_create(kHostIf, errbuf);
    pcap_set_snaplen(p, 65536);
    pcap_set_promisc(p, 1);
    pcap_set_timeout(p, 2);
    pcap_set_buffer_size(p, 10'485'760);
    if (!p || pcap_activate(p) < 0) {
        std::fprintf(stderr, "bare capture: %s\n", p ? pcap_geterr(p) : errbuf);
        std::exit(1);
    }
    pcap_setdirection(p, PCAP_D_IN);
    pcap_setnonblock(p, 1, errbuf);
    bpf_program filter{};
    pcap_compile(p, &filter, "ether proto 0x5555", 1, PCAP_NETMASK_UNKNOWN);
    pcap_setfilter(p, &filter);
    pcap_freecode(&filter);
    std::atomic<bool> streaming{true};
    std::atomic<long> counted{0};
    Clock::time_point lastFrame{};
    std::thread counter([&] {
        pollfd fd{pcap_get_selectable_fd(p), POLLIN, 0};
        auto count = [](u_char* user, const pcap_pkthdr*, const u_char*) {
            ++*reinterpret_cast<long*>(user);
        };
        long n = 0;
        int idle = 0;
        while (streaming || idle < 50) {
            poll(&fd, 1, 2);
            const int got = pcap_dispatch(p, -1, count, reinterpret_cast<u_char*>(&n));
            idle = got > 0 ? 0 : idle + 1;
            if (got > 0)
                lastFrame = Clock::now();
            counted = n;
        }
    });
    const auto start = Clock::now();
    result.sendSeconds = Stream(unit, frames, rate);
    streaming = false;
    counter.join();
    result.received = counted;
    result.seconds = std::chrono::duration<double>(lastFrame - start).count();
    pcap_stats(p, &result.bare);
    pcap_close(p);
    return result;
}

// The same stream taken by the link, with a reader emptying the ring.
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
    if (r.records)
        std::printf(", records %ld", r.records);
    std::printf("\n");
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

int main(int argc, char** argv)
{
    long frames = 300'000;
    long rate = 50'000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--frames"))
            frames = std::atol(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--rate"))
            rate = std::atol(argv[i + 1]);
    }
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

    // Full speed is bound by the sender on a veth pair: each side gets three runs, taken
    // in turns, and its best rate counts.
    double bareRate = 0, linkRate = 0;
    for (int run = 0; run < 3; ++run) {
        const Result bare = BareCapture(unit, frames, 0);
        Print("bare capture, full speed", frames, bare);
        std::printf("  bare counters: recv %u drop %u ifdrop %u\n", bare.bare.ps_recv, bare.bare.ps_drop,
                    bare.bare.ps_ifdrop);
        const Result link = LinkCapture(unit, frames, 0);
        Print("VT_Ethernet, full speed", frames, link);
        PrintLinkCounters(link.counters);
        bareRate = std::max(bareRate, bare.received / bare.seconds);
        linkRate = std::max(linkRate, link.received / link.seconds);
    }
    std::printf("ratio link/bare frame rate: %.3f (%.0f / %.0f frames/s; target >= 0.9)\n", linkRate / bareRate,
                linkRate, bareRate);

    int status = 0;
    if (rate > 0) {
        const Result paced = LinkCapture(unit, frames, rate);
        Print("VT_Ethernet, paced", frames, paced);
        PrintLinkCounters(paced.counters);
        const long lost = frames - paced.received;
        std::printf("frames lost at %ld frames/s: %ld (target 0); records %ld of %ld\n", rate, lost,
                    paced.records, frames / 3);
        status = lost == 0 ? 0 : 2;
    }
    unit.Close();
    Run(std::string("ip link del ") + kHostIf);
    return status;
}
