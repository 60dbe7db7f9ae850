// Palette mapping of a whole radargram (2560 traces of 2048 samples into a 32-bit image)
// beside a memcpy of the same image. Prints both times and their ratio; the target is a
// ratio of at most 4.
//
// Usage: bench_render [--rounds N]   (default 20)

#include "display/RadarPalette.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kTraces = 2560;
constexpr int kSamples = 2048;

int Usage(std::FILE* out, int status)
{
    std::fputs("usage: bench_render [--rounds N]\n"
               "  Maps 2560 x 2048 samples through the radar palette into a 32-bit image and\n"
               "  copies the same image with memcpy; prints the best time of each and the ratio.\n",
               out);
    return status;
}

double Seconds(const std::chrono::steady_clock::time_point& start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 20;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h")
            return Usage(stdout, 0);
        if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
            if (rounds > 0)
                continue;
        }
        return Usage(stderr, 2);
    }

    std::vector<std::int16_t> traces(static_cast<std::size_t>(kTraces) * kSamples);
    // Traces as the unit sends them: a ringing that dies away with depth, plus noise.
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, 300.0);
    for (std::size_t i = 0; i < traces.size(); ++i) {
        const double k = static_cast<double>(i % kSamples);
        const double v = 30000.0 * std::sin(k * 0.07) * std::exp(-k / 700.0) + noise(random);
        traces[i] = static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
    }
    auto map = std::make_unique<SamplePixelMap>();
    BuildSamplePixelMap(CRadarPalette::GreyRamp(), 11, *map);
    std::vector<std::uint32_t> image(traces.size(), 1u), copy(traces.size(), 2u);

    // The two are timed in turn within each round, so a busy spell of the machine slows both
    // rather than one; the best round of each is kept.
    double mapped = 1e9, copied = 1e9;
    for (int i = 0; i < rounds; ++i) {
        auto start = std::chrono::steady_clock::now();
        MapTracesToPixels(traces.data(), kSamples, kTraces, kSamples, 0, *map, image.data(), kTraces);
        mapped = std::min(mapped, Seconds(start));
        start = std::chrono::steady_clock::now();
        std::memcpy(copy.data(), image.data(), image.size() * sizeof image[0]);
        copied = std::min(copied, Seconds(start));
    }
    std::uint64_t check = 0;
    for (std::size_t i = 0; i < image.size(); i += 4099)
        check += image[i] + copy[i];
    std::printf("palette mapping %.2f ms, memcpy %.2f ms, ratio %.2f (target <= 4)  [%llu]\n",
                mapped * 1e3, copied * 1e3, mapped / copied, static_cast<unsigned long long>(check));
    return 0;
}
