#include "filters/BandPass.h"

#include "filters/SampleArithmetic.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
// The convolution is the most expensive filter by far; let it use the wider vector units
// where the processor has them.
#define DELVORA_WIDE_VECTORS __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define DELVORA_WIDE_VECTORS
#endif

namespace {

// Mirror an index into 0..n-1 without repeating the edge sample, so that a trace is extended
// smoothly at both ends instead of by a jump to zero.
int Reflect(int i, int n)
{
    if (n == 1)
        return 0;
    const int period = 2 * (n - 1);
    i = std::abs(i) % period;
    return i < n ? i : period - i;
}

// y[k] = h[0] p[k] + sum over j of h[j] (p[k-j] + p[k+j]), p padded by m on both sides.
DELVORA_WIDE_VECTORS
void ConvolveSymmetric(const float* __restrict centre, int n, const float* __restrict h, int m,
                       float* __restrict y)
{
    const float h0 = h[0];
    for (int k = 0; k < n; ++k)
        y[k] = h0 * centre[k];
    for (int j = 1; j <= m; ++j) {
        const float hj = h[j];
        const float* __restrict before = centre - j;
        const float* __restrict after = centre + j;
        for (int k = 0; k < n; ++k)
            y[k] += hj * (before[k] + after[k]);
    }
}

} // namespace

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
    if (h.empty())
        return;
    const int m = static_cast<int>(h.size()) - 1;
    const int n = block.valid;
    std::vector<float> padded(static_cast<size_t>(n + 2 * m));
    std::vector<float> y(static_cast<size_t>(n));
    for (int t = 0; t < block.traces; ++t) {
        std::int16_t* x = block.trace(t);
        for (int i = -m; i < n + m; ++i)
            padded[static_cast<size_t>(i + m)] = x[i >= 0 && i < n ? i : Reflect(i, n)];
        ConvolveSymmetric(padded.data() + m, n, h.data(), m, y.data());
        for (int k = 0; k < n; ++k)
            x[k] = SampleArithmetic::RoundToSample(y[k]);
    }
}
