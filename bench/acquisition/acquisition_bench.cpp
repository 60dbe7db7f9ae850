// Acquisition benchmark, root only; nothing leaves the network namespaces it makes.
//
// A simulated Tolam unit with a coaxial module in all eight slots streams time-mode traces
// of 2048 samples on all 16 channels over a veth pair. On the host end, alone in its
// namespace, dv-acquire runs the measurement as the program does (settings and profile in a
// home of the benchmark's own, data set written to disk in --data), while a bare capture with
// the link's capture settings takes the same stream beside it and counts its frames and data
// messages. Each run prints what was sent (traces per second and channel, share of gigabit
// line rate), the traces stored, and every loss and drop counter of the acquisition, the
// link and the kernel.
//
// First the target run: 16 x 100 traces/s streamed by the simulated unit itself, for
// --seconds (zero loss expected). Then a ladder of rates, streamed by a sender in the unit's
// place that outruns both receivers (frames built once, sent in batches with sendmmsg; the
// unit still answers, starts and stops): rung by rung until both sides lose traces.
// Each side's highest lossless rate is the sender's achieved rate in the fastest run it lost
// nothing of; printed: both, each as a share of gigabit line rate, and their ratio
// (acquisition / bare capture, target at least 0.95).
//
//   bench_acquisition [--seconds S] [--ladder-seconds S] [--tries N] [--rates R1,R2,...] [--data DIR] [--ring WORDS]
//     --seconds S         length of the target run (default 5; the full test is 600)
//     --ladder-seconds S  length of each ladder run (default 3; 0 skips the ladder)
//     --tries N           runs per rung of the ladder (default 2): a side that loses nothing in
//                         one of them is lossless at that rate
//     --rates LIST        traces per second and channel of the ladder, rising (default
//                         2000,4000,6000,7000,8000,9000,10000,12000,16000,24000)
//     --data DIR          where the data sets are written (default a fresh folder in /tmp);
//                         a 10-minute target run writes about 4 GB. Removed at the end.
//     --ring WORDS        dv-acquire's data ring in 16-bit words (default dv-acquire's, the
//                         program's 16,000,000)
// The 10-minute run:  build/bin/bench_acquisition --seconds 600 --ladder-seconds 0
// Exit status: 0 when the target run lost nothing and the ladder ratio is at least 0.95
// (with the bare capture pushed to a loss), 2 when not, 1 when the set-up failed.
#include "bench/common/BareCapture.h"
#include "model/AppSettings.h"
#include "model/GpsSettingsTarget.h"
#include "model/MeasParamSet.h"
#include "model/Prompter.h"
#include "shell/QtProfile.h"
#include "sim/SimBlaster.h"
#include "sim/SimNetHarness.h"

#include <pcap/pcap.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kChannels = 16;
constexpr int kSamples = 2048;
constexpr int kFramesPerTrace = 3;
const char* const kUsage =
    "usage: bench_acquisition [--seconds S] [--ladder-seconds S] [--tries N] [--rates R1,R2,...] [--data DIR]\n"
    "                         [--ring WORDS] [--help]\n";

class Quiet : public Prompter {
public:
    void message(int id) override { std::fprintf(stderr, "settings message %d\n", id); }
    bool askYesNo(int) override { return false; }
    void messageText(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
};

class NoGps : public GpsSettingsTarget {
public:
    Values GetGpsValues() const override { return {}; }
    void SetGpsValues(const Values&) override {}
    void Enable(bool) override {}
    bool IsOpen() const override { return false; }
};

struct RunResult {
    bool ok = false;
    double seconds = 0;
    long sentTraces = 0;
    long sentFrames = 0;
    long sendErrors = 0;
    long bareFrames = 0;
    long bareMessages = 0;   // data messages the bare capture saw end
    long sentMessages = 0;   // data messages put on the wire
    unsigned bareDropped = 0;
    double sentSeconds = 0;  // the sender's stream, from its start to its last frame
    double lineShare = 0;    // of gigabit line rate, while sending
    std::map<std::string, double> counters;  // dv-acquire's
    long stored = 0;                          // real traces in the files
    long lost = 0;                            // sent and not stored
    bool acquisitionLossless = false;
    bool bareLossless = false;
};

std::string g_home;
std::string g_data;
std::string g_ring;

void WriteSettings()
{
    const std::string config = g_home + "/config";
    std::filesystem::create_directories(config + "/Delvora");
    CMeasParamSet params(config + "/Delvora");
    for (CMeasParam& p : params.m_params) {
        p.m_bActive = 1;
        p.m_nSamples = kSamples;
        p.m_dTimeInterval = 0.01;  // a step of 10; the unit's rate override sets the pace
        p.m_nStacks = 1;
    }
    params.m_nTrigType = 128;
    params.m_nMeasDirection = 1;
    params.m_bDcFilter = 1;
    Quiet quiet;
    params.SaveAll(quiet);
    QtProfile profile(config + "/Vostrel Geodata/Delvora for Tolam.ini");
    CAppSettings settings;
    settings.m_strDataFolder = g_data;
    settings.m_strBaseName = "Bench";
    NoGps gps;
    settings.SaveSettings(profile, gps);
}

std::map<std::string, double> ParseCounters(const std::string& out, std::vector<std::string>& messages)
{
    std::map<std::string, double> counters;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream w(line);
        std::string kind, name, value;
        w >> kind >> name >> value;
        if (kind == "counter")
            counters[name] = std::stod(value);
        else if (kind == "message" || kind == "text")
            messages.push_back(line);
    }
    return counters;
}

// The frames the bare capture has taken once they have stopped coming (all drained).
void WaitUntilDrained(const BareCounter& bare)
{
    long last = bare.Frames();
    auto still = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - still < std::chrono::milliseconds(300)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (bare.Frames() != last) {
            last = bare.Frames();
            still = std::chrono::steady_clock::now();
        }
    }
}

// One run at `rate` traces per second and channel: streamed by the simulated unit itself, or
// with `blast` by a sender in its place that builds its frames once (the unit still answers,
// starts and stops).
RunResult RunAt(double rate, double seconds, bool blast)
{
    RunResult r;
    CSimNetHarness net;
    std::string error;
    CSimUnitConfig config = CSimUnitConfig::Tolam();
    if (!config.SetModules("8,8,8,8,8,8,8,8", error) || !config.SetSensors("none", error)) {
        std::fprintf(stderr, "unit: %s\n", error.c_str());
        return r;
    }
    config.rate = rate;
    config.historyLimit = 0;
    config.startTrace = true;
    config.externalStream = blast;
    if (!net.Create(error) || !net.StartUnit(config, error)) {
        std::fprintf(stderr, "simulated unit: %s\n", error.c_str());
        return r;
    }
    CSimBlaster blaster(net.Unit());
    if (blast) {
        CScopedNetns inside(net.UnitNetns().Fd());
        if (!blaster.Start(CSimNetHarness::kUnitInterface, rate, error)) {
            std::fprintf(stderr, "sender: %s\n", error.c_str());
            return r;
        }
    }
    std::unique_ptr<BareCounter> bare;
    {
        CScopedNetns inside(net.HostNetns().Fd());  // the bare capture's socket stays in there
        bare = std::make_unique<BareCounter>(CSimNetHarness::kHostInterface);
    }
    if (!bare->Ok()) {
        std::fprintf(stderr, "bare capture could not open %s\n", CSimNetHarness::kHostInterface);
        return r;
    }
    std::filesystem::remove_all(g_data);
    std::filesystem::create_directories(g_data);
    const std::string out = g_home + "/out", err = g_home + "/err";
    char secondsText[32];
    std::snprintf(secondsText, sizeof secondsText, "%.3f", seconds);
    const std::string command = "XDG_CONFIG_HOME='" + g_home + "/config' HOME='" + g_home + "' exec '" +
                                std::string(DELVORA_BIN) + "/dv-acquire' --seconds " + secondsText +
                                " --stats" + (g_ring.empty() ? std::string() : " --ring " + g_ring) + " >'" + out + "' 2>'" + err + "'";
    const SimStats before = net.Unit().Stats();
    const long bareBefore = bare->Frames(), bareMessagesBefore = bare->Messages();
    const pid_t pid = net.SpawnInHost({"/bin/sh", "-c", command}, error);
    if (pid <= 0) {
        std::fprintf(stderr, "dv-acquire: %s\n", error.c_str());
        return r;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    blaster.Stop();
    WaitUntilDrained(*bare);
    bare->Stop();
    const SimStats after = net.Unit().Stats();
    const CSimBlaster::Totals blasted = blaster.Sent();
    std::ifstream outFile(out), errFile(err);
    std::stringstream outText, errText;
    outText << outFile.rdbuf();
    errText << errFile.rdbuf();
    std::vector<std::string> messages;
    r.counters = ParseCounters(outText.str(), messages);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || r.counters.empty()) {
        std::fprintf(stderr, "dv-acquire failed: %s\n", errText.str().c_str());
        return r;
    }
    for (const std::string& m : messages)
        std::printf("  dv-acquire would show: %s\n", m.c_str());
    r.ok = true;
    r.seconds = r.counters["seconds"];
    r.sentTraces = static_cast<long>(after.traces - before.traces + blasted.messages);
    r.sentMessages = static_cast<long>(after.dataMessages - before.dataMessages + blasted.messages);
    r.sentFrames = static_cast<long>(after.frames - before.frames + blasted.frames);
    r.sendErrors = static_cast<long>(after.sendErrors - before.sendErrors + blasted.sendErrors);
    r.sentSeconds = blast ? blasted.seconds : r.seconds;
    // On the wire each frame also takes its checksum, preamble and gap: 24 bytes.
    const double wireBytes = blast ? double(blasted.bytes + 24 * blasted.frames)
                                   : double(after.bytes - before.bytes + 24 * (after.frames - before.frames));
    r.lineShare = r.sentSeconds > 0 ? wireBytes * 8 / r.sentSeconds / 1e9 : 0;
    r.bareFrames = bare->Frames() - bareBefore;
    r.bareMessages = bare->Messages() - bareMessagesBefore;
    r.bareDropped = 0;
    r.stored = static_cast<long>(r.counters["tracesStored"] - r.counters["fillTraces"]);
    r.lost = r.sentTraces - r.stored;
    const double drops = r.counters["ringOverflows"] + r.counters["captureDropped"] + r.counters["fragmentOrderDrops"] +
                         r.counters["missingLastDrops"] + r.counters["strayFragmentDrops"] +
                         r.counters["fillTraces"] + r.counters["malformedRecords"];
    r.acquisitionLossless = r.lost == 0 && drops == 0 && messages.empty();
    // The bare capture is lossless when it saw the end of every data message put on the wire.
    r.bareLossless = r.sendErrors == 0 && r.bareMessages >= r.sentMessages;
    return r;
}

// Traces per second and channel the sender achieved.
double SentRate(const RunResult& r)
{
    return r.sentSeconds > 0 ? r.sentTraces / r.sentSeconds / kChannels : 0;
}

void Print(double rate, const RunResult& r)
{
    auto c = [&r](const char* name) { return static_cast<unsigned long long>(r.counters.at(name)); };
    std::printf("rate %.0f traces/s per channel (%d channels, %d samples): %.2f s\n", rate, kChannels, kSamples,
                r.seconds);
    std::printf("  sent %ld traces in %ld frames over %.2f s: %.0f traces/s per channel, %.3f of gigabit line rate; "
                "%ld send errors\n",
                r.sentTraces, r.sentFrames, r.sentSeconds, SentRate(r), r.lineShare, r.sendErrors);
    std::printf("  stored %ld traces (%.0f/s, %.1f MB/s to disk); lost %ld; fill traces %llu; discarded %llu\n",
                r.stored, r.stored / r.seconds, r.stored * kSamples * 2.0 / r.seconds / 1e6, r.lost, c("fillTraces"),
                c("discardedTraces"));
    std::printf("  acquisition: malformed %llu unknown %llu without file %llu oversized gaps %llu drained at stop %llu\n",
                c("malformedRecords"), c("unknownRecords"), c("tracesWithoutFile"), c("oversizedGaps"),
                c("drainedRecords"));
    std::printf("  link: frames %llu ignored %llu | ring overflow %llu | reply overflow %llu event overflow %llu | "
                "truncated %llu short %llu bad pad %llu | gaps %llu order %llu missing last %llu stray %llu | "
                "committed %llu\n",
                c("framesTaken"), c("framesIgnored"), c("ringOverflows"), c("replyOverflows"), c("eventOverflows"),
                c("truncatedFrames"), c("shortFrames"), c("badPadFrames"), c("sequenceGaps"), c("fragmentOrderDrops"),
                c("missingLastDrops"), c("strayFragmentDrops"), c("messagesCommitted"));
    std::printf("  kernel: capture received %llu dropped %llu interface dropped %llu\n", c("captureReceived"),
                c("captureDropped"), c("captureIfDropped"));
    std::printf("  bare capture: %ld frames, %ld data messages of the %ld sent\n", r.bareFrames, r.bareMessages,
                r.sentMessages);
    std::printf("  lossless: acquisition %s, bare capture %s\n", r.acquisitionLossless ? "yes" : "NO",
                r.bareLossless ? "yes" : "NO");
}

std::vector<double> ParseRates(const std::string& text)
{
    std::vector<double> rates;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
        if (!item.empty())
            rates.push_back(std::atof(item.c_str()));
    return rates;
}

}  // namespace

int main(int argc, char** argv)
{
    double seconds = 5, ladderSeconds = 3;
    int tries = 2;
    std::vector<double> rates = {2000, 4000, 6000, 7000, 8000, 9000, 10000, 12000, 16000, 24000};
    std::string data;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (a == "--ladder-seconds" && i + 1 < argc)
            ladderSeconds = std::atof(argv[++i]);
        else if (a == "--tries" && i + 1 < argc)
            tries = std::max(1, std::atoi(argv[++i]));
        else if (a == "--rates" && i + 1 < argc)
            rates = ParseRates(argv[++i]);
        else if (a == "--data" && i + 1 < argc)
            data = argv[++i];
        else if (a == "--ring" && i + 1 < argc)
            g_ring = std::to_string(std::atol(argv[++i]));
        else if (a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    std::string why;
    if (!CSimNetHarness::Allowed(why)) {
        std::fprintf(stderr, "bench_acquisition: %s\n", why.c_str());
        return 1;
    }
    char home[] = "/tmp/dv-bench-acq-XXXXXX";
    if (!::mkdtemp(home)) {
        std::perror("mkdtemp");
        return 1;
    }
    g_home = home;
    const std::string base = data.empty() ? g_home : data;
    g_data = base + "/bench-data-" + std::to_string(::getpid()) + "/";
    WriteSettings();

    auto Finish = [](int status) {
        std::filesystem::remove_all(g_data);
        std::filesystem::remove_all(g_home);
        return status;
    };
    int status = 0;
    const RunResult target = RunAt(100, seconds, false);
    if (!target.ok)
        return Finish(1);
    std::printf("== target: 16 x 100 traces/s, streamed by the simulated unit\n");
    Print(100, target);
    std::printf("target run: lost %ld traces (target 0)\n", target.lost);
    if (!target.acquisitionLossless)
        status = 2;

    if (ladderSeconds > 0 && !rates.empty()) {
        std::printf("== ladder: the same stream taken by the acquisition and by the bare capture at once\n");
        // Each side's highest lossless rate is the rate the sender achieved in a run that
        // side lost nothing of. Every rung gets `tries` runs (other work on the machine can
        // cost either side a run); the ladder ends at the rung where both lost in every run.
        double bestAcq = 0, bestBare = 0, acqShare = 0, bareShare = 0;
        bool acqLost = false, bareLost = false;
        for (double rate : rates) {
            bool acqKept = false, bareKept = false;
            for (int t = 0; t < tries; ++t) {
                const RunResult r = RunAt(rate, ladderSeconds, true);
                if (!r.ok)
                    return Finish(1);
                Print(rate, r);
                if (r.acquisitionLossless && SentRate(r) > bestAcq) {
                    bestAcq = SentRate(r);
                    acqShare = r.lineShare;
                }
                if (r.bareLossless && SentRate(r) > bestBare) {
                    bestBare = SentRate(r);
                    bareShare = r.lineShare;
                }
                acqKept = acqKept || r.acquisitionLossless;
                bareKept = bareKept || r.bareLossless;
                acqLost = acqLost || !r.acquisitionLossless;
                bareLost = bareLost || !r.bareLossless;
            }
            if (!acqKept && !bareKept)
                break;
        }
        const double ratio = bestBare > 0 ? bestAcq / bestBare : 0;
        std::printf("highest lossless rate, traces/s per channel: acquisition %.0f (%.3f of gigabit line rate), bare "
                    "capture %.0f (%.3f of gigabit line rate)\n",
                    bestAcq, acqShare, bestBare, bareShare);
        if (!acqLost)
            std::printf("  the acquisition lost nothing up to the highest rate sent: its limit lies higher\n");
        if (!bareLost)
            std::printf("  the bare capture lost nothing up to the highest rate sent: its limit lies higher, and the "
                        "ratio measures nothing (add faster rates)\n");
        std::printf("ratio acquisition / bare capture highest lossless rate: %.3f (target >= 0.95)\n", ratio);
        if (ratio < 0.95 || !bareLost)
            status = 2;
    }
    return Finish(status);
}
