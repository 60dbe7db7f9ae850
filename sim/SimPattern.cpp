#include "sim/SimPattern.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

double Ricker(double t, double width)
{
    const double a = (t / width) * (t / width);
    return (1.0 - 2.0 * a) * std::exp(-a);
}

// A small reproducible hash for the noise, so the radar pattern is the same on every run.
uint32_t Hash(uint32_t a, uint32_t b, uint32_t c)
{
    uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

int16_t RadarSample(int c, int64_t j, int i, int n)
{
    if (n <= 0)
        return 0;
    const double w = std::max(2.0, n / 100.0);
    const double direct = n * 0.08;
    const double layer = n * (0.35 + 0.1 * std::sin(double(j) / 90.0));
    const double apexTrace = double(((j % 400) + 400) % 400) - 200.0;
    const double hyperbola = std::sqrt(std::pow(n * 0.55, 2) + std::pow(apexTrace * n / 300.0, 2));
    double v = 14000.0 * Ricker(i - direct, w) + 5000.0 * Ricker(i - layer, w * 1.5) +
               3000.0 * Ricker(i - hyperbola, w * 1.2);
    v *= std::exp(-double(i) / n);
    v += double(int(Hash(uint32_t(c), uint32_t(j), uint32_t(i)) % 601) - 300);
    return int16_t(std::lround(std::clamp(v, -32768.0, 32767.0)));
}

}  // namespace

int16_t SimPattern::Sample(int c, int64_t j, int i, int n) const
{
    switch (kind) {
    case SimPatternKind::Ramp:
        return SimRampSample(c, j, i);
    case SimPatternKind::Const:
        return constant;
    case SimPatternKind::Radar:
        return RadarSample(c, j, i, n);
    }
    return 0;
}

std::vector<int16_t> SimPattern::Trace(int c, int64_t j, int n) const
{
    std::vector<int16_t> out(size_t(std::max(n, 0)));
    for (int i = 0; i < n; ++i)
        out[size_t(i)] = Sample(c, j, i, n);
    return out;
}

bool SimPattern::Parse(const std::string& text, SimPattern& out)
{
    if (text == "ramp") {
        out = SimPattern{};
        return true;
    }
    if (text == "radar") {
        out = SimPattern{SimPatternKind::Radar, 0};
        return true;
    }
    if (text.rfind("const:", 0) == 0) {
        char* end = nullptr;
        const long v = std::strtol(text.c_str() + 6, &end, 0);
        if (end == text.c_str() + 6 || *end || v < -32768 || v > 32767)
            return false;
        out = SimPattern{SimPatternKind::Const, int16_t(v)};
        return true;
    }
    return false;
}

std::string SimPattern::Text() const
{
    switch (kind) {
    case SimPatternKind::Ramp:
        return "ramp";
    case SimPatternKind::Const:
        return "const:" + std::to_string(constant);
    case SimPatternKind::Radar:
        return "radar";
    }
    return "ramp";
}
