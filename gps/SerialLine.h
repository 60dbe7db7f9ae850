// One serial device opened for the GPS receiver: raw mode, the operator's line settings,
// exclusive use, and reads that collect what the receiver sent without waiting long.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The values (not indexes) of a line setting. Codes as in SerialOptions.h.
struct SerialLineSettings {
    int baudRate = 19200;
    int dataBits = 8;
    int parityCode = 0;
    int stopBitsCode = 0;
};

// The terminal flags a setting turns into, worked out apart from any device so that the
// mapping can be checked where no hardware is present (a pseudo-terminal ignores parity
// and data bits). Values are those of the kernel's termios2 record.
struct SerialLineFlags {
    std::uint32_t iflag = 0;
    std::uint32_t oflag = 0;
    std::uint32_t cflag = 0;
    std::uint32_t lflag = 0;
    std::uint32_t speed = 0; // bits per second, input and output alike
};

// Turns `settings` into raw-mode flags, starting from the flags the device had.
// False for what the line cannot carry: 1.5 stop bits (no Linux driver sets them),
// data bits other than 6 to 8, an unknown parity code, a rate of 0 or less.
bool ComputeSerialLineFlags(const SerialLineSettings& settings, const SerialLineFlags& current,
                            SerialLineFlags& out);

class CSerialLine {
public:
    enum class OpenResult { Opened, CannotOpen, CannotConfigure };

    CSerialLine();
    ~CSerialLine();
    CSerialLine(const CSerialLine&) = delete;
    CSerialLine& operator=(const CSerialLine&) = delete;

    // Opens `path` for reading and writing, refuses a device another program holds, and
    // sets raw mode with `settings`. A failed open leaves nothing open.
    OpenResult Open(const std::string& path, const SerialLineSettings& settings);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    // Reads what has arrived and what keeps arriving: returns once no byte came for the
    // quiet gap (also when none came at all), the buffer is full, the deadline passed, the
    // device hung up or Interrupt() was called. Returns the number of bytes stored.
    std::size_t Read(std::uint8_t* buffer, std::size_t capacity);

    // Safe from any thread: makes a pending Read return now, and later ones until
    // ClearInterrupt().
    void Interrupt();
    void ClearInterrupt();

    // Quiet gap and overall deadline of one Read, in milliseconds.
    void SetReadTimes(int quietGapMs, int deadlineMs)
    {
        m_quietGapMs = quietGapMs;
        m_deadlineMs = deadlineMs;
    }

private:
    int m_fd = -1;
    int m_wakeFd = -1; // eventfd that Interrupt() raises
    int m_quietGapMs = 10;
    int m_deadlineMs = 1000;
};
