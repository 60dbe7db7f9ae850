// A block of traces that look like radar data, the same in every benchmark that filters or
// draws traces: an offset, a direct wave shared by all traces, a reflection that moves from
// trace to trace, and noise (fixed seed, so every run sees the same samples).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

inline std::vector<std::int16_t> RadarBlock(int traces, int samples)
{
    std::mt19937 random(42);
    std::normal_distribution<double> noise(0, 200);
    std::vector<std::int16_t> block(static_cast<std::size_t>(traces) * static_cast<std::size_t>(samples));
    for (int t = 0; t < traces; ++t)
        for (int k = 0; k < samples; ++k) {
            const double direct = 12000 * std::exp(-std::pow((k - 60) / 12.0, 2)) * std::cos(k * 0.5);
            const double depth = 700 + 200 * std::sin(t / 150.0);
            const double reflection = 3000 * std::exp(-std::pow((k - depth) / 15.0, 2)) * std::cos(k * 0.5);
            const double v = 1500 + direct + reflection * std::exp(-k / 900.0) + noise(random);
            block[static_cast<std::size_t>(t) * static_cast<std::size_t>(samples) + static_cast<std::size_t>(k)] =
                static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
        }
    return block;
}
