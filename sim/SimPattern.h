// The samples the simulated unit puts into its traces and sensor records, as formulas of the
// channel code c (slot * 10 + channel), the trace number j and the sample index i, so that a
// test can predict every byte that lands in a data file.
//
// Trace number j: for streamed traces the trigger position divided by the slot's trace
// interval (truncated toward zero, position read as signed 32 bits); for a requested single
// trace the number of earlier requests on that channel (0 for the first).
//
//   ramp     sample = (c * 7919 + j * 104729 + i * 31) mod 65536, as signed 16 bits
//   const V  sample = V
//   radar    a direct wave, a dipping layer and a diffraction hyperbola with a little
//            noise; for looking at, not for byte checks
//
// Sensor words (four per record, m = 0..3) are (c * 11 + j * 148 + m * 37) mod 16384: 14-bit
// values with the high two bits clear, unless a fault replaces them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class SimPatternKind { Ramp, Const, Radar };

struct SimPattern {
    SimPatternKind kind = SimPatternKind::Ramp;
    int16_t constant = 0;

    int16_t Sample(int c, int64_t j, int i, int n) const;
    std::vector<int16_t> Trace(int c, int64_t j, int n) const;

    // "ramp", "const:V", "radar"; false on anything else.
    static bool Parse(const std::string& text, SimPattern& out);
    std::string Text() const;
};

inline int16_t SimRampSample(int c, int64_t j, int i)
{
    const uint64_t v = uint64_t(int64_t(c) * 7919 + j * 104729 + int64_t(i) * 31);
    return int16_t(uint16_t(v & 0xFFFF));
}

inline uint16_t SimSensorWord(int c, int64_t j, int m)
{
    return uint16_t(uint64_t(int64_t(c) * 11 + j * 148 + int64_t(m) * 37) & 0x3FFF);
}
