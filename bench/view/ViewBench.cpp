// How long the radargram view takes to redraw 2000 traces x 2048 samples into a 1920 x 1080
// and a 2560 x 1080 view (offscreen), without filters and with DC removal, background
// removal, gain and band-pass at their defaults, beside a memcpy of the view's image; and
// the share of one core a measurement takes at one refresh per 101 ms when ten new traces
// arrive per refresh; also a change of palette colours, which draws every column again from
// the traces the view already holds. "x memcpy" divides the median redraw by the median memcpy, "best x" the
// fastest redraw by the fastest memcpy (target for a redraw without filters: 3). Run by hand:
//   build/bin/bench_view [repetitions]
#include "bench/common/RadarBlock.h"
#include "bench/common/Timing.h"
#include "display/RadarPalette.h"
#include "display/RadargramSource.h"
#include "display/RavikView.h"
#include "filters/BackgroundRemoval.h"
#include "filters/BandPass.h"
#include "filters/DcRemoval.h"
#include "filters/FilterChain.h"
#include "filters/FilterLibrary.h"
#include "filters/Gain.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kSamples = 2048;
constexpr int kTraces = 2000;
constexpr double kRefreshMs = 101.0;
constexpr int kNewPerRefresh = 10;

std::vector<std::int16_t> RadarBlock(int traces)
{
    return ::RadarBlock(traces, kSamples);
}

// The view's source over a block of stored traces, with an optional filter list.
class BenchSource : public RadargramSource {
public:
    BenchSource(const std::vector<std::int16_t>& block, int traces) : m_block(block), m_traces(traces)
    {
        channel.samples = kSamples;
        channel.headerSamples = kSamples;
        channel.trigType = 200;
        channel.traceSpacing = 0.01f;
        channel.verticalExtent = 0.1f;
    }
    RadargramChannel Channel() override { return channel; }
    int TraceCount() override { return count; }
    int CopyTraces(int first, int n, std::int16_t* rows, int stride, int samples) override
    {
        const int width = std::min(samples, stride);
        for (int j = 0; j < n; ++j) {
            std::int16_t* row = rows + static_cast<std::ptrdiff_t>(j) * stride;
            const int t = first + j;
            if (t >= 0 && t < count)
                std::memcpy(row, &m_block[static_cast<size_t>(t % m_traces) * kSamples], sizeof(std::int16_t) * width);
            else
                std::fill(row, row + width, 0);
        }
        return count;
    }
    std::uint64_t TraceSetKey() override { return key; }
    bool IsMeasuring() const override { return measuring; }
    std::int64_t NewestDistance() override { return 0; }
    int Margin() const override { return 0; }
    bool TraceWindow() const override { return false; }
    bool FiltersOn() override { return filters != 0; }
    bool ApplyFilters(const std::int16_t* in, std::int16_t* out, int stride, int traces) override
    {
        if (!filters)
            return false;
        MeasureInfo info{};
        info.samplesPerTrace = stride;
        info.traces = traces;
        info.validSamples = kSamples;
        info.samplingFrequency = 7174.63;
        return FilterListApply(filters, in, out, info) != 0;
    }
    std::vector<CMarker> Markers() override { return {}; }
    std::uint32_t MarkerColour(int) const override { return 0; }
    const CRadarPalette& Palette() const override { return palette; }
    std::int32_t Gain() const override { return 4; }
    void EditFilterList() override {}
    void ChangePalette() override {}

    RadargramChannel channel;
    int count = kTraces;
    std::uint64_t key = 1;  // another value: another set of traces
    bool measuring = false;
    FilterListHandle filters = 0;  // 0: no filters
    CRadarPalette palette;

private:
    const std::vector<std::int16_t>& m_block;
    int m_traces;
};

int Usage(const char* program, int status)
{
    std::fprintf(status ? stderr : stdout, "usage: %s [repetitions]\n  repetitions  timed redraws per case (default 15)\n",
                 program);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    int repetitions = 15;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h")
            return Usage(argv[0], 0);
        char* end = nullptr;
        const long v = std::strtol(argv[i], &end, 10);
        if (i != 1 || !end || *end || v < 1)
            return Usage(argv[0], 2);
        repetitions = static_cast<int>(v);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const std::vector<std::int16_t> block = RadarBlock(kTraces);
    FilterListHandle chain = FilterListCreate();
    {
        FilterChain& list = *FilterListLookup(chain);
        list.add(DcRemoval::kName);
        list.add(BackgroundRemoval::kName);
        list.add(Gain::kName);
        list.add(BandPass::kName);
    }

    std::printf("%-28s %10s %10s %10s %12s\n", "case", "ms", "memcpy ms", "x memcpy", "best x");
    for (int cx : {1920, 2560}) {
        const int cy = 1080;
        const int w = cx - 110, h = cy - 97;
        std::vector<std::uint32_t> a(static_cast<size_t>(w) * h, 1), b(a.size());
        const Timing copy = Measure(repetitions, [&] { std::memcpy(b.data(), a.data(), a.size() * 4); });
        for (bool filtered : {false, true}) {
            BenchSource source(block, kTraces);
            source.filters = filtered ? chain : 0;
            CRavikView view(source);
            view.resize(cx, cy);
            // A full redraw: another set of traces each time, copied out of the source and drawn.
            const Timing full = Measure(repetitions, [&] {
                ++source.key;
                view.refresh();
            });
            std::printf("%4d x %4d %-18s %10.3f %10.3f %10.1f %12.1f\n", cx, cy, filtered ? "full, filters" : "full, raw",
                        full.median, copy.median, full.median / copy.median, full.best / copy.best);
            // New colours: every column drawn again from the traces already copied.
            const Timing colours = Measure(repetitions, [&] {
                source.palette.m_Colours[0] ^= 1;
                view.refresh();
            });
            std::printf("%4d x %4d %-18s %10.3f %10.3f %10.1f %12.1f\n", cx, cy, filtered ? "colours, filters" : "colours, raw",
                        colours.median, copy.median, colours.median / copy.median, colours.best / copy.best);

            // Measuring: ten new traces per refresh, the view following them.
            source.measuring = true;
            source.count = kTraces;
            view.refresh();
            const double step = Measure(repetitions, [&] {
                                    source.count += kNewPerRefresh;
                                    view.refresh();
                                }).median;
            std::printf("%4d x %4d %-18s %10.3f %10s %9.1f%% of a core at one refresh per %.0f ms\n", cx, cy,
                        filtered ? "measuring, filters" : "measuring, raw", step, "", 100.0 * step / kRefreshMs,
                        kRefreshMs);
        }
    }
    FilterListDestroy(chain);
    return 0;
}
