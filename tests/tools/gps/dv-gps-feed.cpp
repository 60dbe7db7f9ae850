// dv-gps-feed: plays a recorded GPS receiver stream into a serial device, or into a
// pseudo-terminal it makes, so that the program or dv-gps can receive it.
//
// Usage:
//   dv-gps-feed --log FILE (--link PATH | --device PATH) [--interval-ms N] [--bytes N]
//               [--crlf] [--loop] [--hold]
//   dv-gps-feed --help          this text on stdout
//
//   --log FILE        the recording; '#' comment lines at its start are skipped
//   --link PATH       make a pseudo-terminal and a symbolic link PATH to its device (set the
//                     profile value "Device COMn" or dv-gps --device to PATH); the link is
//                     removed at the end
//   --device PATH     write into an existing device instead
//   --interval-ms N   pause between two pieces (default 100)
//   --bytes N         pieces of N bytes (binary streams); default one line per piece
//   --crlf            end every line in CR LF (recordings are often stored with LF)
//   --loop            start again at the end, until stopped by a signal
//   --hold            after the end keep the device open until stopped by a signal
//
// stdout: with --link, the line "ready" once the link exists.
// Exit status: 0 at the end of the recording (or on SIGINT/SIGTERM), 1 when the recording
// or the device cannot be opened, 2 for a usage error.

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const char kUsage[] = "usage: dv-gps-feed --log FILE (--link PATH | --device PATH) [--interval-ms N] [--bytes N]"
                      " [--crlf] [--loop] [--hold]\n";

std::atomic<bool> g_stop{false};

void OnSignal(int)
{
    g_stop = true;
}

bool WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size() && !g_stop) {
        const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        done += static_cast<std::size_t>(w);
    }
    return true;
}

std::vector<std::string> Pieces(const std::string& stream, long bytes, bool crlf)
{
    std::vector<std::string> pieces;
    if (bytes > 0) {
        for (std::size_t i = 0; i < stream.size(); i += static_cast<std::size_t>(bytes))
            pieces.push_back(stream.substr(i, static_cast<std::size_t>(bytes)));
        return pieces;
    }
    std::size_t start = 0;
    while (start < stream.size()) {
        const std::size_t lf = stream.find('\n', start);
        const std::size_t end = lf == std::string::npos ? stream.size() : lf + 1;
        std::string line = stream.substr(start, end - start);
        if (crlf && lf != std::string::npos && (line.size() < 2 || line[line.size() - 2] != '\r'))
            line.insert(line.size() - 1, "\r");
        pieces.push_back(line);
        start = end;
    }
    return pieces;
}

} // namespace

int main(int argc, char** argv)
{
    std::string log, link, device;
    long interval = 100, bytes = 0;
    bool crlf = false, loop = false, hold = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--log" && hasValue) {
            log = argv[++i];
        } else if (arg == "--link" && hasValue) {
            link = argv[++i];
        } else if (arg == "--device" && hasValue) {
            device = argv[++i];
        } else if ((arg == "--interval-ms" || arg == "--bytes") && hasValue) {
            char* end = nullptr;
            const long v = std::strtol(argv[++i], &end, 10);
            if (*end || v < 0) {
                std::fputs(kUsage, stderr);
                return 2;
            }
            (arg == "--bytes" ? bytes : interval) = v;
        } else if (arg == "--crlf") {
            crlf = true;
        } else if (arg == "--loop") {
            loop = true;
        } else if (arg == "--hold") {
            hold = true;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (log.empty() || link.empty() == device.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    std::ifstream in(log, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "dv-gps-feed: cannot read %s\n", log.c_str());
        return 1;
    }
    std::string stream((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t skip = 0;
    while (skip < stream.size() && stream[skip] == '#') {
        const std::size_t lf = stream.find('\n', skip);
        skip = lf == std::string::npos ? stream.size() : lf + 1;
    }
    const std::vector<std::string> pieces = Pieces(stream.substr(skip), bytes, crlf);

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    int fd = -1;
    int slave = -1; // held open so the device lives on between openings by the receiver
    if (!link.empty()) {
        fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128];
        if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname_r(fd, name, sizeof name) != 0) {
            std::fputs("dv-gps-feed: no pseudo-terminal\n", stderr);
            return 1;
        }
        slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios raw{};
        if (slave < 0 || tcgetattr(slave, &raw) != 0) {
            std::fputs("dv-gps-feed: cannot open the pseudo-terminal\n", stderr);
            return 1;
        }
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        ::unlink(link.c_str());
        if (::symlink(name, link.c_str()) != 0) {
            std::fprintf(stderr, "dv-gps-feed: cannot make the link %s\n", link.c_str());
            return 1;
        }
        std::puts("ready");
        std::fflush(stdout);
    } else {
        fd = ::open(device.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            std::fprintf(stderr, "dv-gps-feed: cannot open %s\n", device.c_str());
            return 1;
        }
    }

    int status = 0;
    do {
        for (const std::string& piece : pieces) {
            if (g_stop)
                break;
            if (!WriteAll(fd, piece)) {
                status = g_stop ? 0 : 1;
                g_stop = true;
                break;
            }
            if (interval > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(interval));
        }
    } while (loop && !g_stop);
    while (hold && !g_stop)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));

    if (!link.empty())
        ::unlink(link.c_str());
    if (slave >= 0)
        ::close(slave);
    ::close(fd);
    return status;
}
