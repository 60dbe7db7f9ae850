// How long each filter and the usual chains take on the block the radargram filters on
// every redraw (2000 and 2560 traces x 2048 samples, all valid), beside a memcpy of the same
// block and against the time each may take on one core; the band-pass also beside the direct
// sum over its taps on the same block (its ratio, target at most 0.25). Run by hand:
//   build/bin/bench_filters [repetitions [part of a filter name]]
#include "bench/common/RadarBlock.h"
#include "bench/common/Timing.h"
#include "filters/BackgroundRemoval.h"
#include "filters/BandPass.h"
#include "filters/DcRemoval.h"
#include "filters/FilterChain.h"
#include "filters/FilterLibrary.h"
#include "filters/Gain.h"
#include "filters/OverlapSave.h"
#include "filters/SampleArithmetic.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr int kSamples = 2048;
constexpr double kFrequency = 7174.63; // MHz, the header's default sampling frequency

// Median wall time of `work` in milliseconds.
double Median(int repetitions, const std::function<void()>& work)
{
    return Measure(repetitions, work).median;
}

std::vector<std::int16_t> RadarBlock(int traces)
{
    return ::RadarBlock(traces, kSamples);
}

// The band-pass as the direct sum over every tap, trace by trace (the way the filter worked
// before it convolved by transform): the reference its time is measured against.
void DirectBandPass(const std::vector<std::int16_t>& in, std::vector<std::int16_t>& out, int traces, double low,
                    double high)
{
    const std::vector<float> h = BandPass::Design(low, high, kFrequency);
    const int m = static_cast<int>(h.size()) - 1;
    std::vector<float> padded(static_cast<size_t>(kSamples + 2 * m));
    std::vector<float> y(kSamples);
    for (int t = 0; t < traces; ++t) {
        const std::int16_t* x = in.data() + static_cast<size_t>(t) * kSamples;
        for (int i = -m; i < kSamples + m; ++i)
            padded[static_cast<size_t>(i + m)] = x[OverlapSave::MirroredIndex(i, kSamples)];
        SampleArithmetic::ConvolveSymmetric(padded.data() + m, kSamples, h.data(), m, y.data());
        SampleArithmetic::StoreRounded(out.data() + static_cast<size_t>(t) * kSamples, y.data(), kSamples);
    }
}

struct Case {
    const char* name;
    double targetMs; // 0: no target of its own
    std::function<void(FilterChain&)> build;
};

} // namespace

int main(int argc, char** argv)
{
    const char* const usage = "usage: bench_filters [repetitions [part of a filter name]]   (default 15, all)\n";
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(usage, stdout);
        return 0;
    }
    char* end = nullptr;
    const long asked = argc > 1 ? std::strtol(argv[1], &end, 10) : 15;
    if (argc > 3 || asked < 1 || asked > 100000 || (end && *end)) {
        std::fputs(usage, stderr);
        return 2;
    }
    const int repetitions = static_cast<int>(asked);
    const char* only = argc > 2 ? argv[2] : "";
    const Case cases[] = {
        {"DC removal", 3, [](FilterChain& l) { l.add(DcRemoval::kName); }},
        {"Background removal (block)", 5, [](FilterChain& l) { l.add(BackgroundRemoval::kName); }},
        {"Background removal (25 traces)", 5,
         [](FilterChain& l) { l.add(BackgroundRemoval::kName)->setWhole(BackgroundRemoval::kTraces, 25); }},
        {"Gain (linear)", 3, [](FilterChain& l) { l.add(Gain::kName)->setFloat(Gain::kSlope, 0.5); }},
        {"Gain (exponential)", 3,
         [](FilterChain& l) {
             Filter* g = l.add(Gain::kName);
             g->setChoice(Gain::kType, Gain::kExponential);
             g->setFloat(Gain::kSlope, 0.2);
         }},
        {"Band-pass (100-1000 MHz, 237 taps)", 40,
         [](FilterChain& l) {
             Filter* b = l.add(BandPass::kName);
             b->setFloat(BandPass::kLow, 100);
             b->setFloat(BandPass::kHigh, 1000);
         }},
        {"Chain: DC, background, gain", 11,
         [](FilterChain& l) {
             l.add(DcRemoval::kName);
             l.add(BackgroundRemoval::kName);
             l.add(Gain::kName)->setFloat(Gain::kSlope, 0.5);
         }},
        {"Chain: DC, background, gain, band-pass", 51,
         [](FilterChain& l) {
             l.add(DcRemoval::kName);
             l.add(BackgroundRemoval::kName);
             l.add(Gain::kName)->setFloat(Gain::kSlope, 0.5);
             Filter* b = l.add(BandPass::kName);
             b->setFloat(BandPass::kLow, 100);
             b->setFloat(BandPass::kHigh, 1000);
         }},
    };

    std::printf("filters on one core, median of %d runs; all %d samples of each trace valid\n", repetitions, kSamples);
    for (int traces : {2000, 2560}) {
        const std::vector<std::int16_t> in = RadarBlock(traces);
        std::vector<std::int16_t> out(in.size());
        MeasureInfo info{};
        info.samplesPerTrace = kSamples;
        info.traces = traces;
        info.validSamples = kSamples;
        info.samplingFrequency = kFrequency;

        const double copy = Median(repetitions, [&] { std::memcpy(out.data(), in.data(), in.size() * 2); });
        std::printf("\n%d traces x %d samples: memcpy %.3f ms\n", traces, kSamples, copy);
        std::printf("  %-40s %9s %10s %8s %12s\n", "filter", "ms", "x memcpy", "target", "ms/target");
        for (const Case& c : cases) {
            if (!std::strstr(c.name, only))
                continue;
            const FilterListHandle handle = FilterListCreate();
            c.build(*FilterListLookup(handle));
            // the target is for 2000 traces; a wider view may take longer in proportion
            const double target = c.targetMs * traces / 2000.0;
            const double ms = Median(repetitions, [&] { FilterListApply(handle, in.data(), out.data(), info); });
            std::printf("  %-40s %9.3f %10.1f %8.1f %12.2f\n", c.name, ms, ms / copy, target, ms / target);
            FilterListDestroy(handle);
        }
        if (std::strstr("Band-pass (100-1000 MHz, 237 taps)", only)) {
            // The band-pass beside the direct sum over its 237 taps, taken in turns on the
            // same block, and the largest difference of their samples.
            const FilterListHandle handle = FilterListCreate();
            Filter* b = FilterListLookup(handle)->add(BandPass::kName);
            b->setFloat(BandPass::kLow, 100);
            b->setFloat(BandPass::kHigh, 1000);
            std::vector<std::int16_t> direct(in.size());
            std::vector<double> filterMs, directMs;
            for (int r = 0; r < repetitions; ++r) {
                filterMs.push_back(Median(1, [&] { FilterListApply(handle, in.data(), out.data(), info); }));
                directMs.push_back(Median(1, [&] { DirectBandPass(in, direct, traces, 100, 1000); }));
            }
            FilterListDestroy(handle);
            int difference = 0;
            for (size_t i = 0; i < in.size(); ++i)
                difference = std::max(difference, std::abs(out[i] - direct[i]));
            std::sort(filterMs.begin(), filterMs.end());
            std::sort(directMs.begin(), directMs.end());
            const double f = filterMs[filterMs.size() / 2], d = directMs[directMs.size() / 2];
            std::printf("  band-pass %.3f ms beside the direct sum over all taps %.3f ms: ratio %.3f (target <= 0.25); "
                        "samples differ by at most %d\n",
                        f, d, f / d, difference);
        }
    }
    return 0;
}
