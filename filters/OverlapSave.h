// Convolution of many traces with one symmetric FIR filter by overlap-save: each trace is cut
// into overlapping blocks of a power-of-two length, every block goes through a fast Fourier
// transform, is multiplied by the filter's (real) frequency response, and comes back; the
// outputs the circular wrap-around spoils are thrown away. Far cheaper than the direct sum once
// the filter has more than a few dozen taps.
//
// Sixteen traces go through at once: two traces share one complex transform (one the real
// part, one the imaginary part: a real, even response filters both without mixing them), and
// eight such pairs fill the lanes of a vector, so every butterfly works on sixteen traces.
#pragma once

#include <cstdint>
#include <vector>

class OverlapSave {
public:
    using Lanes = float __attribute__((vector_size(32)));
    struct alignas(32) LaneSample {
        Lanes re, im;
    };

    struct Twiddles {
        float c1, s1, c2, s2, c3, s3; // w^j, w^2j, w^3j of a radix-4 step, w = e^(-2 pi i / 4q)
    };

    static constexpr int kTraces = 16; // traces per call of Filter

    // The filter h[0] (centre tap) .. h[m] of ConvolveSymmetric, for traces of n samples.
    OverlapSave(const float* h, int m, int n);

    // Filters traces[0 .. count-1] (count <= kTraces), n samples each, into out[0 .. count-1]:
    // y[k] = h[0] x[k] + sum for j = 1..m of h[j] (x[k-j] + x[k+j]), with the trace mirrored
    // at both ends (MirroredIndex), rounded and saturated as SampleArithmetic::StoreRounded
    // does. An output may be its own input.
    void Filter(const std::int16_t* const* traces, std::int16_t* const* out, int count);

    // Index i (any integer) mirrored into 0..n-1 without repeating the edge sample, so that a
    // trace is extended smoothly at both ends instead of by a jump to zero.
    static int MirroredIndex(int i, int n);

private:
    int m_m = 0;
    int m_n = 0;
    int m_size = 0;   // transform length N
    int m_useful = 0; // outputs per block, N - 2m
    int m_blocks = 0;
    std::vector<float> m_response;   // real response / N, in the bit-reversed order of the transform
    // Twiddles: e^(-2 pi i j / N) for j < N/2, and those of each radix-4 step
    std::vector<float> m_radix2Cos, m_radix2Sin;
    std::vector<Twiddles> m_radix4;
    // Sixteen traces side by side: per sample, the eight real-part lanes, then the eight
    // imaginary-part lanes.
    std::vector<LaneSample> m_signal; // n + 2m
    std::vector<LaneSample> m_output; // n
    std::vector<LaneSample> m_work;   // N
    std::vector<std::int16_t> m_zeros; // n, for the lanes of a run that carry no trace
};
