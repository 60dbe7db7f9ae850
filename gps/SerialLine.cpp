#include "gps/SerialLine.h"

#include "gps/SerialOptions.h"

// The kernel's own terminal records: termios2 carries any bit rate (BOTHER), which the
// C library's termios cannot. This file therefore must not include <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

struct StandardRate {
    int rate;
    std::uint32_t code;
};

constexpr StandardRate kStandardRates[] = {
    {1200, B1200},   {2400, B2400},   {4800, B4800},     {9600, B9600},
    {19200, B19200}, {38400, B38400}, {57600, B57600},   {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

std::uint32_t RateCode(int rate)
{
    for (const StandardRate& r : kStandardRates)
        if (r.rate == rate)
            return r.code;
    return BOTHER;
}

int RemainingMs(std::chrono::steady_clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

bool ComputeSerialLineFlags(const SerialLineSettings& settings, const SerialLineFlags& current,
                            SerialLineFlags& out)
{
    if (settings.baudRate <= 0)
        return false;
    std::uint32_t size = 0;
    switch (settings.dataBits) {
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return false;
    }
    std::uint32_t parity = 0;
    switch (settings.parityCode) {
    case kNoParity: parity = 0; break;
    case kOddParity: parity = PARENB | PARODD; break;
    case kEvenParity: parity = PARENB; break;
    case kMarkParity: parity = PARENB | PARODD | CMSPAR; break;
    case kSpaceParity: parity = PARENB | CMSPAR; break;
    default: return false;
    }
    std::uint32_t stop = 0;
    switch (settings.stopBitsCode) {
    case kOneStopBit: stop = 0; break;
    case kTwoStopBits: stop = CSTOPB; break;
    default: return false; // 1.5 stop bits: no Linux serial driver can be told
    }

    out = current;
    out.iflag &= ~static_cast<std::uint32_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                             IXON | IXOFF | IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
    // With parity on, a byte that fails the check is dropped rather than handed on: the
    // sentence it belonged to then fails its own checksum or framing.
    if (parity != 0)
        out.iflag |= INPCK | IGNPAR;
    out.oflag &= ~static_cast<std::uint32_t>(OPOST);
    out.lflag &= ~static_cast<std::uint32_t>(ECHO | ECHONL | ECHOE | ECHOK | ICANON | ISIG | IEXTEN);
    out.cflag &= ~static_cast<std::uint32_t>(CBAUD | CIBAUD | CSIZE | PARENB | PARODD | CMSPAR | CSTOPB |
                                             CRTSCTS);
    out.cflag |= RateCode(settings.baudRate) | size | parity | stop | CREAD | CLOCAL;
    out.speed = static_cast<std::uint32_t>(settings.baudRate);
    return true;
}

CSerialLine::CSerialLine()
{
    m_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

CSerialLine::~CSerialLine()
{
    Close();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

CSerialLine::OpenResult CSerialLine::Open(const std::string& path, const SerialLineSettings& settings)
{
    Close();
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return OpenResult::CannotOpen;
    // Not shared: the lock keeps out a second receiver of this program (and anything else
    // that locks its devices); TIOCEXCL, set below, keeps other programs out (root excepted).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return OpenResult::CannotOpen;
    }

    struct termios2 line {};
    if (ioctl(fd, TCGETS2, &line) != 0) {
        ::close(fd);
        return OpenResult::CannotConfigure;
    }
    SerialLineFlags current{line.c_iflag, line.c_oflag, line.c_cflag, line.c_lflag, line.c_ospeed};
    SerialLineFlags wanted;
    if (!ComputeSerialLineFlags(settings, current, wanted)) {
        ::close(fd);
        return OpenResult::CannotConfigure;
    }
    line.c_iflag = wanted.iflag;
    line.c_oflag = wanted.oflag;
    line.c_cflag = wanted.cflag;
    line.c_lflag = wanted.lflag;
    line.c_ispeed = wanted.speed;
    line.c_ospeed = wanted.speed;
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    // No read-back check: a pseudo-terminal keeps 8 data bits and no parity whatever it is
    // told, and a real port reports a refused setting through the call itself.
    if (ioctl(fd, TCSETS2, &line) != 0) {
        ::close(fd);
        return OpenResult::CannotConfigure;
    }
    // Barred to others only once it is ours for good: a refused device is left as it was.
    ioctl(fd, TIOCEXCL);
    m_fd = fd;
    return OpenResult::Opened;
}

void CSerialLine::Close()
{
    if (m_fd >= 0) {
        ioctl(m_fd, TIOCNXCL); // a device someone else still holds must not stay barred
        ::close(m_fd);
        m_fd = -1;
    }
}

std::size_t CSerialLine::Read(std::uint8_t* buffer, std::size_t capacity)
{
    if (m_fd < 0 || capacity == 0)
        return 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_deadlineMs);
    std::size_t got = 0;
    for (;;) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        int wait = std::min(m_quietGapMs, RemainingMs(deadline));
        int n = ::poll(fds, m_wakeFd >= 0 ? 2 : 1, wait);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return got;
        }
        if (n == 0 || (fds[1].revents & POLLIN))
            return got; // quiet gap, deadline, or interrupted
        if (fds[0].revents & POLLIN) {
            ssize_t r = ::read(m_fd, buffer + got, capacity - got);
            if (r > 0) {
                got += static_cast<std::size_t>(r);
                if (got == capacity || RemainingMs(deadline) == 0)
                    return got;
                continue;
            }
            if (r < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            return got; // end of file: the device went away
        }
        return got; // hang-up or error without data
    }
}

void CSerialLine::Interrupt()
{
    if (m_wakeFd >= 0) {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t w = ::write(m_wakeFd, &one, sizeof one);
    }
}

void CSerialLine::ClearInterrupt()
{
    if (m_wakeFd >= 0) {
        std::uint64_t value;
        [[maybe_unused]] ssize_t r = ::read(m_wakeFd, &value, sizeof value);
    }
}
