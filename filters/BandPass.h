// "Band-pass": keeps the frequencies between two cut-offs and removes the rest (low-frequency
// drift and "wow", high-frequency noise). A zero-phase FIR filter (windowed sinc, Hamming
// window, at most 255 taps), so reflections keep their time. Needs the sampling frequency:
// without one, or with cut-offs that leave no band, the traces pass unchanged.
#pragma once

#include "filters/FilterKind.h"

class BandPass : public FilterKind {
public:
    static constexpr const char* kName = "Band-pass";
    enum Param { kLow, kHigh };
    static constexpr int kMaxTaps = 255;
    // From this many taps on, traces are filtered by fast convolution (overlap-save), below it
    // by the direct sum; both give the same samples within rounding.
    static constexpr int kFewestTapsByTransform = 33;

    BandPass();
    void apply(const std::vector<FilterParamValue>& values, TraceBlock& block) const override;
    bool readsSource() const override { return true; }

    // Half of the symmetric impulse response: h[0] the centre tap, h[j] = h[-j]. Empty when
    // the filter would pass everything or nothing is left to pass. A high cut at or above
    // half the sampling frequency makes it a high-pass, a low cut of 0 a low-pass.
    static std::vector<float> Design(double low, double high, double frequency);
};
