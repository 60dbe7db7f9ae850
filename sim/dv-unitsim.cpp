// dv-unitsim: a simulated radar control unit on a network interface, the test peer of the
// link and acquisition. Run it only on an interface made for it (one end of a veth pair),
// normally inside its own network namespace: "ip netns exec NS dv-unitsim -i dvunit0".
//
// Usage: dv-unitsim -i INTERFACE [options]
//
// Unit model
//   -i, --interface IF     serve on this interface (required)
//   --unit tolam|z5k       kind of unit (default tolam); z5k has one coaxial module in slot 0
//   --id HEX               identifier answered to command 61 item 1
//                          (default 0x10000001 for tolam, 0x20000001 for z5k)
//   --modules LIST         module type per slot from slot A on, "-" for an empty slot:
//                          0 none, 4 opto, 8 coaxial, 12 HF, others unknown (default 8,4)
//   --sensors LIST         slots with a 50/60 Hz sensor, or "none" (default 0)
//   --interval S,I,V       sample interval V (microseconds per frequency step, "nan" allowed)
//                          of slot S, ramp index I (default 1e-4 doubling per index; HF 2.5e-5)
//   --battery V            raw battery word (default 420)
//   --fill RATIO|S=RATIO   buffer fill ratio, all slots or slot S (default 0)
//   --wheel SPEED          measuring wheel speed in ticks per second, signed (default 0)
//   --marker LIST          status words for the next status records, e.g. 0,8,8,0,8
//   --pattern P            trace samples: ramp (default), const:V, radar
//   --samples N            samples per trace before the host sets them (default 512)
//   --mac XX:XX:XX:XX:XX:XX  the unit's address (default: the interface's)
//
// Stream
//   --rate R               steps per second of the fastest slot instead of real time
//   --keepalive MS         interval of status, fill and position records (default 100)
//   --battery-interval MS  interval of battery records (default 1000)
//   --max-frame BYTES      largest frame sent, 60 to 65536 (default 1514)
//   --msgseq N             first message sequence number (default 1)
//   --pack N               records per data message (default 1)
//   --no-start-trace       no trace at the start position when streaming starts
//   --no-events            no event frames after start and stop
//   --silent-empty-slots   no reply to the module status of an empty slot
//
// Faults (repeatable; SPEC is NAME[=ARG,...][/N], one-shot or on every N-th chance)
//   --fault SPEC           drop-frag=K, drop-last, swap-frags[=A,B], stray-frag, seq-jump=N,
//                          foreign-seq[=D], short-frame[=LEN], short-reply[=LEN], pad-over,
//                          odd-data, unknown-type[=T], wrong-ethertype, wrong-dst, bcast-dst,
//                          jumbo[=LEN], bad-record=short-l|l0|odd-l|over-n|code73|code255|
//                          type-z|past-end, reply-delay=MS, reply-wrong-seq[=D], reply-dup,
//                          reply-drop, reply-flood[=N], event-flood[=N], refuse-start,
//                          skip[=K], pos-jump=D, burst=N, trace-len=N,
//                          sensor-words=W0,W1,W2,W3, vanish=SECONDS
//
// Log and control
//   --log FILE             JSON-lines log of every request and every message ("-" stdout)
//   --control PATH         Unix stream socket taking the live commands below, one per line
//   --no-stdin             do not read live commands from standard input
//   --ready FILE           write "ready" to FILE once the interface is open
//   --duration SECONDS     exit after this long (default: until SIGINT or SIGTERM)
//   -h, --help             this text
//
// Live commands (standard input or the control socket; each answered with "ok ..." or
// "error: ..."): stats, faults, clear-faults, vanish SECONDS, wheel SPEED, marker LIST,
// battery V, fill RATIO | fill S=RATIO, sensor SLOT on|off, rate R, fault SPEC, or a fault
// name with its arguments ("drop-frag 2", "reply-delay 150/3").
//
// Exit status: 0 after a signal or --duration, 1 when the interface cannot be served,
// 2 on a bad option.
#include "sim/SimClock.h"
#include "sim/SimPcapPort.h"
#include "sim/SimServer.h"
#include "sim/SimUnit.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <getopt.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

volatile sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

const char kUsage[] =
    "Usage: dv-unitsim -i INTERFACE [options]\n"
    "A simulated radar control unit on a network interface made for it (a veth end).\n"
    "\n"
    "Unit model:\n"
    "  -i, --interface IF     serve on this interface (required)\n"
    "  --unit tolam|z5k       kind of unit (default tolam)\n"
    "  --id HEX               identifier for command 61 item 1 (0x10000001 tolam, 0x20000001 z5k)\n"
    "  --modules LIST         module types from slot A on, '-' empty: 0 none, 4 opto, 8 coaxial,\n"
    "                         12 HF, others unknown (default 8,4)\n"
    "  --sensors LIST         slots with a 50/60 Hz sensor, or none (default 0)\n"
    "  --interval S,I,V       sample interval V in microseconds per frequency step ('nan' allowed)\n"
    "                         of slot S, ramp index I (default 1e-4, doubling per index; HF 2.5e-5)\n"
    "  --battery V            raw battery word (default 420)\n"
    "  --fill RATIO|S=RATIO   buffer fill ratio, all slots or slot S (default 0)\n"
    "  --wheel SPEED          wheel speed in ticks per second, signed (default 0)\n"
    "  --marker LIST          status words for the next status records, e.g. 0,8,8,0,8\n"
    "  --pattern P            trace samples: ramp (default), const:V, radar\n"
    "                         ramp: (code*7919 + j*104729 + i*31) mod 65536 as int16, code =\n"
    "                         slot*10+channel, j = position / trace interval, i = sample index\n"
    "  --samples N            samples per trace before the host sets them (default 512)\n"
    "  --mac ADDRESS          the unit's address (default: the interface's)\n"
    "\n"
    "Stream:\n"
    "  --rate R               steps per second of the fastest slot instead of real time\n"
    "  --keepalive MS         status, fill and position records every MS (default 100)\n"
    "  --battery-interval MS  battery record every MS (default 1000)\n"
    "  --max-frame BYTES      largest frame sent, 60 to 65536 (default 1514)\n"
    "  --msgseq N             first message sequence number (default 1)\n"
    "  --pack N               records per data message (default 1)\n"
    "  --no-start-trace       no trace at the start position when streaming starts\n"
    "  --no-events            no event frames after start and stop\n"
    "  --silent-empty-slots   no reply to the module status of an empty slot\n"
    "\n"
    "Faults (repeatable): --fault NAME[=ARG,...][/N]  one-shot, or on every N-th chance\n"
    "  drop-frag=K  drop-last  swap-frags[=A,B]  stray-frag  seq-jump=N  foreign-seq[=D]\n"
    "  short-frame[=LEN]  short-reply[=LEN]  pad-over  odd-data  unknown-type[=T]\n"
    "  wrong-ethertype  wrong-dst  bcast-dst  jumbo[=LEN]\n"
    "  bad-record=short-l|l0|odd-l|over-n|code73|code255|type-z|past-end\n"
    "  reply-delay=MS  reply-wrong-seq[=D]  reply-dup  reply-drop  reply-flood[=N]  event-flood[=N]\n"
    "  refuse-start  skip[=K]  pos-jump=D  burst=N  trace-len=N  sensor-words=W0,W1,W2,W3\n"
    "  vanish=SECONDS (silent, then back as after a power cycle)\n"
    "\n"
    "Log and control:\n"
    "  --log FILE             JSON-lines log of every request and message ('-' stdout)\n"
    "  --control PATH         Unix stream socket for live commands, one per line\n"
    "  --no-stdin             do not read live commands from standard input\n"
    "  --ready FILE           write 'ready' to FILE once the interface is open\n"
    "  --duration SECONDS     exit after this long (default: until SIGINT or SIGTERM)\n"
    "  -h, --help             this text\n"
    "\n"
    "Live commands: stats | faults | clear-faults | vanish S | wheel SPEED | marker LIST |\n"
    "  battery V | fill RATIO | fill S=RATIO | sensor SLOT on|off | rate R | fault SPEC |\n"
    "  FAULT-NAME [ARGS][/N]; each answered 'ok ...' or 'error: ...'.\n";

enum Option {
    kUnit = 1000, kId, kModules, kSensors, kInterval, kBattery, kFill, kWheel, kMarker, kPattern, kSamples, kMac,
    kRate, kKeepAlive, kBatteryInterval, kMaxFrame, kMsgSeq, kPack, kNoStartTrace, kNoEvents, kSilentEmpty,
    kFault, kLog, kControl, kNoStdin, kReady, kDuration,
};

const option kOptions[] = {
    {"interface", required_argument, nullptr, 'i'},
    {"unit", required_argument, nullptr, kUnit},
    {"id", required_argument, nullptr, kId},
    {"modules", required_argument, nullptr, kModules},
    {"sensors", required_argument, nullptr, kSensors},
    {"interval", required_argument, nullptr, kInterval},
    {"battery", required_argument, nullptr, kBattery},
    {"fill", required_argument, nullptr, kFill},
    {"wheel", required_argument, nullptr, kWheel},
    {"marker", required_argument, nullptr, kMarker},
    {"pattern", required_argument, nullptr, kPattern},
    {"samples", required_argument, nullptr, kSamples},
    {"mac", required_argument, nullptr, kMac},
    {"rate", required_argument, nullptr, kRate},
    {"keepalive", required_argument, nullptr, kKeepAlive},
    {"battery-interval", required_argument, nullptr, kBatteryInterval},
    {"max-frame", required_argument, nullptr, kMaxFrame},
    {"msgseq", required_argument, nullptr, kMsgSeq},
    {"pack", required_argument, nullptr, kPack},
    {"no-start-trace", no_argument, nullptr, kNoStartTrace},
    {"no-events", no_argument, nullptr, kNoEvents},
    {"silent-empty-slots", no_argument, nullptr, kSilentEmpty},
    {"fault", required_argument, nullptr, kFault},
    {"log", required_argument, nullptr, kLog},
    {"control", required_argument, nullptr, kControl},
    {"no-stdin", no_argument, nullptr, kNoStdin},
    {"ready", required_argument, nullptr, kReady},
    {"duration", required_argument, nullptr, kDuration},
    {"help", no_argument, nullptr, 'h'},
    {nullptr, 0, nullptr, 0},
};

struct Options {
    std::string interfaceName;
    CSimUnitConfig config = CSimUnitConfig::Tolam();
    std::vector<std::string> faults;
    std::string log, control, ready;
    bool stdinCommands = true;
    double duration = 0;
};

bool Number(const char* text, double lo, double hi, double& out)
{
    errno = 0;
    char* end = nullptr;
    out = std::strtod(text, &end);
    return !errno && end != text && !*end && out >= lo && out <= hi;
}

int Bad(const std::string& why)
{
    std::fprintf(stderr, "dv-unitsim: %s\n%s", why.c_str(), "Try 'dv-unitsim --help'.\n");
    return 2;
}

// Returns -1 when the options are good, else the exit status.
int Parse(int argc, char** argv, Options& o)
{
    // The kind decides the defaults the other options then change, so take it first.
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--unit") == 0 && std::strcmp(argv[i + 1], "z5k") == 0)
            o.config = CSimUnitConfig::Z5K();
        else if (std::strncmp(argv[i], "--unit=z5k", 10) == 0)
            o.config = CSimUnitConfig::Z5K();
    }
    std::string error;
    double v = 0;
    int c;
    while ((c = getopt_long(argc, argv, "i:h", kOptions, nullptr)) != -1) {
        CSimUnitConfig& k = o.config;
        switch (c) {
        case 'i': o.interfaceName = optarg; break;
        case 'h': std::fputs(kUsage, stdout); return 0;
        case kUnit:
            if (std::strcmp(optarg, "tolam") != 0 && std::strcmp(optarg, "z5k") != 0)
                return Bad("--unit is tolam or z5k");
            break;
        case kId: {
            errno = 0;
            char* end = nullptr;
            const unsigned long id = std::strtoul(optarg, &end, 16);
            if (errno || end == optarg || *end || id > 0xFFFFFFFFul)
                return Bad("--id needs a 32-bit hexadecimal number");
            k.unitId = uint32_t(id);
            break;
        }
        case kModules: if (!k.SetModules(optarg, error)) return Bad("--modules: " + error); break;
        case kSensors: if (!k.SetSensors(optarg, error)) return Bad("--sensors: " + error); break;
        case kInterval: if (!k.SetInterval(optarg, error)) return Bad("--interval: " + error); break;
        case kBattery:
            if (!Number(optarg, 0, 65535, v)) return Bad("--battery needs 0 to 65535");
            k.battery = uint16_t(v);
            break;
        case kFill: if (!k.SetFill(optarg, error)) return Bad("--fill: " + error); break;
        case kWheel:
            if (!Number(optarg, -1e9, 1e9, v)) return Bad("--wheel needs ticks per second");
            k.wheelSpeed = v;
            break;
        case kMarker:
            if (!CSimUnitConfig::ParseWords(optarg, k.markerScript)) return Bad("--marker needs words like 0,8,8,0,8");
            break;
        case kPattern: if (!SimPattern::Parse(optarg, k.pattern)) return Bad("--pattern is ramp, const:V or radar"); break;
        case kSamples:
            if (!Number(optarg, 0, 65535, v)) return Bad("--samples needs 0 to 65535");
            k.defaultSamples = uint16_t(v);
            break;
        case kMac:
            if (!SimWire::ParseMac(optarg, k.mac)) return Bad("--mac needs XX:XX:XX:XX:XX:XX");
            k.macGiven = true;
            break;
        case kRate: if (!Number(optarg, 0, 1e7, v)) return Bad("--rate needs 0 to 10000000"); k.rate = v; break;
        case kKeepAlive: if (!Number(optarg, 1, 60000, v)) return Bad("--keepalive needs 1 to 60000 ms"); k.keepAliveMs = int(v); break;
        case kBatteryInterval:
            if (!Number(optarg, 1, 600000, v)) return Bad("--battery-interval needs 1 to 600000 ms");
            k.batteryMs = int(v);
            break;
        case kMaxFrame: if (!Number(optarg, 60, 65536, v)) return Bad("--max-frame needs 60 to 65536"); k.maxFrame = size_t(v); break;
        case kMsgSeq: if (!Number(optarg, 0, 65535, v)) return Bad("--msgseq needs 0 to 65535"); k.firstMsgSeq = uint16_t(v); break;
        case kPack: if (!Number(optarg, 1, 4096, v)) return Bad("--pack needs 1 to 4096"); k.packRecords = int(v); break;
        case kNoStartTrace: k.startTrace = false; break;
        case kNoEvents: k.events = false; break;
        case kSilentEmpty: k.silentEmptySlots = true; break;
        case kFault: o.faults.push_back(optarg); break;
        case kLog: o.log = optarg; break;
        case kControl: o.control = optarg; break;
        case kNoStdin: o.stdinCommands = false; break;
        case kReady: o.ready = optarg; break;
        case kDuration: if (!Number(optarg, 0, 1e7, v)) return Bad("--duration needs seconds"); o.duration = v; break;
        default: return 2;
        }
    }
    if (optind < argc)
        return Bad(std::string("unexpected argument '") + argv[optind] + "'");
    if (o.interfaceName.empty())
        return Bad("--interface is required");
    // The command line keeps no history: nothing in this process would read it.
    o.config.historyLimit = 0;
    if (!o.config.Validate(error))
        return Bad(error);
    return -1;
}

// Line-based command input from one descriptor.
struct CommandSource {
    int fd = -1;
    std::string pending;
    bool reply = true;   // answers go back on the same descriptor (socket) or to stdout
};

bool Drain(CommandSource& src, CSimUnit& unit)
{
    char buf[1024];
    const ssize_t n = ::read(src.fd, buf, sizeof buf);
    if (n <= 0)
        return n < 0 && (errno == EINTR || errno == EAGAIN);
    src.pending.append(buf, size_t(n));
    if (src.pending.size() > 65536)
        return false;   // no line that long is a command
    size_t nl;
    while ((nl = src.pending.find('\n')) != std::string::npos) {
        const std::string line = src.pending.substr(0, nl);
        src.pending.erase(0, nl + 1);
        const std::string answer = unit.Control(line) + "\n";
        const int out = src.fd == STDIN_FILENO ? STDOUT_FILENO : src.fd;
        if (::write(out, answer.data(), answer.size()) < 0 && out != STDOUT_FILENO)
            return false;
    }
    return true;
}

int ListenOn(const std::string& path, std::string& error)
{
    sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path) {
        error = "control socket path too long";
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size());
    ::unlink(path.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0) {
        error = "control socket " + path + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    const int parsed = Parse(argc, argv, o);
    if (parsed >= 0)
        return parsed;

    CSimPcapPort port;
    std::string error;
    if (!port.Open(o.interfaceName, error)) {
        std::fprintf(stderr, "dv-unitsim: %s\n", error.c_str());
        return 1;
    }
    CSimSteadyClock clock;
    CSimUnit unit(o.config, clock);
    if (!unit.OpenLog(o.log, error)) {
        std::fprintf(stderr, "dv-unitsim: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& f : o.faults) {
        if (!unit.AddFault(f, error))
            return Bad("--fault " + f + ": " + error);
    }
    int listenFd = -1;
    if (!o.control.empty() && (listenFd = ListenOn(o.control, error)) < 0) {
        std::fprintf(stderr, "dv-unitsim: %s\n", error.c_str());
        return 1;
    }

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    CSimServer server(unit, port, clock);
    server.Start();
    std::fprintf(stderr, "dv-unitsim: %s unit %s on %s\n",
                 o.config.kind == CSimUnitConfig::Kind::Z5K ? "Z5K" : "Tolam",
                 SimWire::MacText(unit.Address()).c_str(), o.interfaceName.c_str());
    if (!o.ready.empty()) {
        FILE* f = std::fopen(o.ready.c_str(), "w");
        if (f) {
            std::fputs("ready\n", f);
            std::fclose(f);
        }
    }

    std::vector<CommandSource> sources;
    if (o.stdinCommands)
        sources.push_back({STDIN_FILENO, {}, false});
    const auto started = std::chrono::steady_clock::now();
    while (!g_stop && !server.PortFailed()) {
        if (o.duration > 0 &&
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() >= o.duration)
            break;
        std::vector<pollfd> fds;
        if (listenFd >= 0)
            fds.push_back({listenFd, POLLIN, 0});
        for (const CommandSource& s : sources)
            fds.push_back({s.fd, POLLIN, 0});
        const int ready = ::poll(fds.data(), fds.size(), 100);
        if (ready <= 0)
            continue;
        size_t at = 0;
        if (listenFd >= 0 && (fds[at++].revents & POLLIN)) {
            const int conn = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (conn >= 0)
                sources.push_back({conn, {}, true});
        }
        for (size_t i = 0; i < sources.size() && at < fds.size(); ++at) {
            if (fds[at].revents && !Drain(sources[i], unit)) {
                if (sources[i].fd != STDIN_FILENO)
                    ::close(sources[i].fd);
                sources.erase(sources.begin() + long(i));
                continue;
            }
            ++i;
        }
    }
    server.Stop();
    for (const CommandSource& s : sources)
        if (s.fd != STDIN_FILENO)
            ::close(s.fd);
    if (listenFd >= 0) {
        ::close(listenFd);
        ::unlink(o.control.c_str());
    }
    std::fprintf(stderr, "dv-unitsim: %s\n", unit.Control("stats").c_str());
    if (server.PortFailed()) {
        std::fprintf(stderr, "dv-unitsim: the interface %s failed\n", o.interfaceName.c_str());
        return 1;
    }
    return 0;
}
