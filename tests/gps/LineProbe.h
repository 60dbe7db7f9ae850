// What the kernel holds as a serial device's line settings (termios2), read through a
// descriptor of the test's own.
#pragma once

#include <cstdint>

struct ProbedLine {
    std::uint32_t cflag = 0;
    std::uint32_t iflag = 0;
    std::uint32_t lflag = 0;
    std::uint32_t ospeed = 0;
    bool otherRate = false; // the rate is set as a number (BOTHER), not a standard code
};

bool ProbeLine(int fd, ProbedLine& out);
