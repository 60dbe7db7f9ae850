#include "tests/gps/GpsTestSupport.h"

#include "tests/support/TempDir.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr auto kPatience = std::chrono::seconds(30); // only catches a hang

} // namespace

PtyPair::PtyPair()
{
    m_masterFd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_masterFd < 0 || grantpt(m_masterFd) != 0 || unlockpt(m_masterFd) != 0)
        throw std::runtime_error("no pseudo-terminal");
    char name[128];
    if (ptsname_r(m_masterFd, name, sizeof name) != 0)
        throw std::runtime_error("ptsname_r failed");
    m_slavePath = name;
    m_slaveFd = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_slaveFd < 0)
        throw std::runtime_error("cannot open the slave side");
    termios raw{};
    tcgetattr(m_slaveFd, &raw);
    cfmakeraw(&raw);
    tcsetattr(m_slaveFd, TCSANOW, &raw);
}

PtyPair::~PtyPair()
{
    if (m_slaveFd >= 0)
        ::close(m_slaveFd);
    CloseMaster();
}

int PtyPair::Queued() const
{
    int n = 0;
    if (ioctl(m_slaveFd, FIONREAD, &n) != 0)
        return -1;
    return n;
}

int ThreadCountReaching(int expected)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int n = ThreadCount();
    while (n != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        n = ThreadCount();
    }
    return n;
}

void PtyPair::Feed(const std::string& bytes)
{
    if (bytes.size() >= 4000)
        throw std::logic_error("feed fewer bytes at a time");
    const int before = Queued();
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t w = ::write(m_masterFd, bytes.data() + done, bytes.size() - done);
        if (w <= 0)
            throw std::runtime_error("write to the pseudo-terminal failed");
        done += static_cast<std::size_t>(w);
    }
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (Queued() < before + static_cast<int>(bytes.size())) {
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("written bytes never arrived");
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

void PtyPair::CloseMaster()
{
    if (m_masterFd >= 0) {
        ::close(m_masterFd);
        m_masterFd = -1;
    }
}

bool StepPacer::WaitForCycle()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_inCycle) {
        m_inCycle = false;
        ++m_completed;
        m_changed.notify_all();
    }
    m_changed.wait(lock, [this] { return m_permits > 0 || m_stopped; });
    if (m_stopped)
        return false;
    --m_permits;
    m_inCycle = true;
    m_changed.notify_all();
    return true;
}

void StepPacer::Stop()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopped = true;
    m_permits = 0;
    m_changed.notify_all();
}

void StepPacer::Restart()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopped = false;
    m_permits = 0;
    m_inCycle = false;
}

bool StepPacer::Run(int cycles)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const long target = m_completed + cycles;
    m_permits += cycles;
    m_changed.notify_all();
    return m_changed.wait_for(lock, kPatience, [&] { return m_completed >= target || m_stopped; }) &&
           m_completed >= target;
}

bool StepPacer::Begin()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_permits += 1;
    m_changed.notify_all();
    return m_changed.wait_for(lock, kPatience, [&] { return (m_inCycle && m_permits == 0) || m_stopped; }) &&
           m_inCycle;
}

void FixRecorder::Add(const CGPSFix& fix)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fixes.push_back(fix);
}

std::vector<CGPSFix> FixRecorder::Take()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<CGPSFix> out;
    out.swap(m_fixes);
    return out;
}

std::size_t FixRecorder::Count()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fixes.size();
}

std::string RecordedStream(const std::string& name)
{
    std::string all = ReadFileBytes(std::string(DELVORA_TESTDATA) + "/gps/" + name);
    if (all.empty())
        throw std::runtime_error("missing recording " + name);
    std::size_t start = 0;
    while (start < all.size() && all[start] == '#') {
        std::size_t lf = all.find('\n', start);
        start = lf == std::string::npos ? all.size() : lf + 1;
    }
    return all.substr(start);
}

std::string RecordedCheckFile(const std::string& name)
{
    return ReadFileBytes(std::string(DELVORA_TESTDATA) + "/gps/" + name + ".chk");
}

std::vector<std::string> SplitKeepingLf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t lf = text.find('\n', start);
        std::size_t end = lf == std::string::npos ? text.size() : lf + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

std::string NmeaWithChecksum(const std::string& body, const std::string& ending)
{
    unsigned sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", sum);
    return "$" + body + "*" + hex + ending;
}

std::string TsipPacket(std::uint8_t id, const std::vector<std::uint8_t>& data)
{
    std::string out = {'\x10', static_cast<char>(id)};
    for (std::uint8_t b : data) {
        out += static_cast<char>(b);
        if (b == 0x10)
            out += '\x10';
    }
    out += "\x10\x03";
    return out;
}

std::vector<std::uint8_t> BigEndianFloats(const std::vector<float>& values)
{
    std::vector<std::uint8_t> out;
    for (float v : values) {
        std::uint32_t w;
        std::memcpy(&w, &v, sizeof w);
        for (int shift = 24; shift >= 0; shift -= 8)
            out.push_back(static_cast<std::uint8_t>(w >> shift));
    }
    return out;
}

int ThreadCount()
{
    int n = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* e = readdir(dir))
            if (e->d_name[0] != '.')
                ++n;
        closedir(dir);
    }
    return n;
}
