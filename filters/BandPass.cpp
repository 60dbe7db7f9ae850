#include "filters/BandPass.h"

#include "filters/OverlapSave.h"
#include "filters/SampleArithmetic.h"

#include <algorithm>
#include <cmath>
#include <numbers>

BandPass::BandPass()
    : FilterKind(kName, {FilterParamSpec::Float("Low cut (MHz)", 100.0f, 0.0f, 100000.0f),
                         FilterParamSpec::Float("High cut (MHz)", 1000.0f, 0.0f, 100000.0f)})
{
}

std::vector<float> BandPass::Design(double low, double high, double frequency)
{
    if (!(frequency > 0) || !std::isfinite(frequency))
        return {};
    const double nyquist = frequency / 2;
    high = std::min(high, nyquist);
    if (!(low >= 0) || low >= high || (low == 0 && high == nyquist))
        return {};
    // Taps from the narrowest transition: the band itself, and the distance of each cut-off
    // from 0 and from half the sampling frequency where there is a cut-off there.
    double narrowest = high - low;
    if (low > 0)
        narrowest = std::min(narrowest, low);
    if (high < nyquist)
        narrowest = std::min(narrowest, nyquist - high);
    const double wanted = std::ceil(3.3 * frequency / narrowest);
    const int taps = static_cast<int>(std::clamp(wanted, 3.0, static_cast<double>(kMaxTaps))) | 1;
    const int m = taps / 2;

    const double pi = std::numbers::pi;
    const double wl = 2 * pi * low / frequency, wh = 2 * pi * high / frequency;
    std::vector<float> h(static_cast<size_t>(m) + 1);
    for (int j = 0; j <= m; ++j) {
        const double ideal = j == 0 ? (wh - wl) / pi : (std::sin(wh * j) - std::sin(wl * j)) / (pi * j);
        const double window = 0.54 + 0.46 * std::cos(pi * j / m);
        h[j] = static_cast<float>(ideal * window);
    }
    return h;
}

void BandPass::apply(const std::vector<FilterParamValue>& values, TraceBlock& block) const
{
    if (block.valid <= 0 || block.traces <= 0)
        return;
    const std::vector<float> h = Design(values[kLow].real, values[kHigh].real, block.frequency);
    if (h.empty()) {
        block.passThrough();
        return;
    }
    const int m = static_cast<int>(h.size()) - 1;
    const int n = block.valid;
    if (2 * m + 1 >= kFewestTapsByTransform) {
        OverlapSave convolver(h.data(), m, n);
        for (int first = 0; first < block.traces; first += OverlapSave::kTraces) {
            const int count = std::min(OverlapSave::kTraces, block.traces - first);
            const std::int16_t* in[OverlapSave::kTraces];
            std::int16_t* out[OverlapSave::kTraces];
            for (int lane = 0; lane < count; ++lane) {
                in[lane] = block.input(first + lane);
                out[lane] = block.trace(first + lane);
            }
            convolver.Filter(in, out, count);
        }
        return;
    }
    std::vector<float> padded(static_cast<size_t>(n + 2 * m));
    std::vector<float> y(static_cast<size_t>(n));
    for (int t = 0; t < block.traces; ++t) {
        const std::int16_t* x = block.input(t);
        float* centre = padded.data() + m;
        for (int i = 0; i < n; ++i)
            centre[i] = x[i];
        for (int i = 1; i <= m; ++i) {
            centre[-i] = x[OverlapSave::MirroredIndex(-i, n)];
            centre[n - 1 + i] = x[OverlapSave::MirroredIndex(n - 1 + i, n)];
        }
        SampleArithmetic::ConvolveSymmetric(padded.data() + m, n, h.data(), m, y.data());
        SampleArithmetic::StoreRounded(block.trace(t), y.data(), n);
    }
}
