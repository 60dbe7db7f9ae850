#include "filters/OverlapSave.h"

#include "filters/SampleArithmetic.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace overlap_save {

using Lanes = OverlapSave::Lanes;
using LaneSample = OverlapSave::LaneSample;
using Twiddles = OverlapSave::Twiddles;

inline void Multiply(Lanes& re, Lanes& im, float c, float s) // by c + i s
{
    const Lanes r = re * c - im * s;
    im = re * s + im * c;
    re = r;
}

inline void MultiplyConjugate(Lanes& re, Lanes& im, float c, float s) // by c - i s
{
    const Lanes r = re * c + im * s;
    im = im * c - re * s;
    re = r;
}

// One block through the forward transform, the response and the inverse transform, in place.
// Forward: decimation in frequency, natural order in, bit-reversed order out; inverse
// (conjugate twiddles, unscaled): decimation in time, bit-reversed in, natural order out. So
// the response is applied in bit-reversed order and no reordering pass is needed. Both go by
// radix 4 (each step two radix-2 stages at once), with one radix-2 stage at the wide end when
// the length is an odd power of two. `radix2` holds e^(-2 pi i j / size) for j < size / 2,
// `radix4` the twiddles of the step with quarter q from index q - 1.
DELVORA_WIDE_VECTORS
void FilterBlock(LaneSample* __restrict x, int size, const float* __restrict radix2Cos,
                 const float* __restrict radix2Sin, const Twiddles* __restrict radix4, const float* __restrict response)
{
    int widest = size / 4; // quarter of the widest radix-4 step
    if ((size & 0x55555555) == 0) {
        const int half = size / 2;
        for (int j = 0; j < half; ++j) {
            LaneSample& a = x[j];
            LaneSample& b = x[j + half];
            const Lanes dre = a.re - b.re, dim = a.im - b.im;
            a.re += b.re;
            a.im += b.im;
            b.re = dre;
            b.im = dim;
            Multiply(b.re, b.im, radix2Cos[j], radix2Sin[j]);
        }
        widest = size / 8;
    }
    for (int q = widest; q >= 1; q /= 4) {
        const Twiddles* w = radix4 + q - 1;
        for (int s = 0; s < size; s += 4 * q)
            for (int j = 0; j < q; ++j) {
                LaneSample& a0 = x[s + j];
                LaneSample& a1 = x[s + j + q];
                LaneSample& a2 = x[s + j + 2 * q];
                LaneSample& a3 = x[s + j + 3 * q];
                const Lanes t0re = a0.re + a2.re, t0im = a0.im + a2.im;
                const Lanes t1re = a0.re - a2.re, t1im = a0.im - a2.im;
                const Lanes t2re = a1.re + a3.re, t2im = a1.im + a3.im;
                const Lanes t3re = a1.im - a3.im, t3im = a3.re - a1.re; // (a1 - a3) times -i
                a0.re = t0re + t2re;
                a0.im = t0im + t2im;
                a1.re = t0re - t2re;
                a1.im = t0im - t2im;
                Multiply(a1.re, a1.im, w[j].c2, w[j].s2);
                a2.re = t1re + t3re;
                a2.im = t1im + t3im;
                Multiply(a2.re, a2.im, w[j].c1, w[j].s1);
                a3.re = t1re - t3re;
                a3.im = t1im - t3im;
                Multiply(a3.re, a3.im, w[j].c3, w[j].s3);
            }
    }
    for (int i = 0; i < size; ++i) {
        x[i].re *= response[i];
        x[i].im *= response[i];
    }
    for (int q = 1; q <= widest; q *= 4) {
        const Twiddles* w = radix4 + q - 1;
        for (int s = 0; s < size; s += 4 * q)
            for (int j = 0; j < q; ++j) {
                LaneSample& a0 = x[s + j];
                LaneSample& a1 = x[s + j + q];
                LaneSample& a2 = x[s + j + 2 * q];
                LaneSample& a3 = x[s + j + 3 * q];
                Lanes bre = a1.re, bim = a1.im, cre = a2.re, cim = a2.im, dre = a3.re, dim = a3.im;
                MultiplyConjugate(bre, bim, w[j].c2, w[j].s2);
                MultiplyConjugate(cre, cim, w[j].c1, w[j].s1);
                MultiplyConjugate(dre, dim, w[j].c3, w[j].s3);
                const Lanes sumRe = a0.re + bre, sumIm = a0.im + bim;
                const Lanes diffRe = a0.re - bre, diffIm = a0.im - bim;
                const Lanes cdRe = cre + dre, cdIm = cim + dim;
                const Lanes turnRe = dim - cim, turnIm = cre - dre; // (c - d) times i
                a0.re = sumRe + cdRe;
                a0.im = sumIm + cdIm;
                a2.re = sumRe - cdRe;
                a2.im = sumIm - cdIm;
                a1.re = diffRe + turnRe;
                a1.im = diffIm + turnIm;
                a3.re = diffRe - turnRe;
                a3.im = diffIm - turnIm;
            }
    }
    if ((size & 0x55555555) == 0) {
        const int half = size / 2;
        for (int j = 0; j < half; ++j) {
            LaneSample& a = x[j];
            LaneSample& b = x[j + half];
            MultiplyConjugate(b.re, b.im, radix2Cos[j], radix2Sin[j]);
            const Lanes bre = b.re, bim = b.im;
            b.re = a.re - bre;
            b.im = a.im - bim;
            a.re += bre;
            a.im += bim;
        }
    }
}

using Int16x8 = std::int16_t __attribute__((vector_size(16)));
using Int32x8 = std::int32_t __attribute__((vector_size(32)));

// r[i][j] := r[j][i]: eight samples of eight traces into eight samples of eight lanes, and back.
inline void Transpose8(Lanes r[8])
{
    using Mask = std::int32_t __attribute__((vector_size(32)));
    const Mask low = {0, 8, 1, 9, 4, 12, 5, 13}, high = {2, 10, 3, 11, 6, 14, 7, 15};
    const Mask pairLow = {0, 1, 8, 9, 4, 5, 12, 13}, pairHigh = {2, 3, 10, 11, 6, 7, 14, 15};
    const Mask halfLow = {0, 1, 2, 3, 8, 9, 10, 11}, halfHigh = {4, 5, 6, 7, 12, 13, 14, 15};
    Lanes t[8], u[8];
    for (int i = 0; i < 8; i += 2) {
        t[i] = __builtin_shuffle(r[i], r[i + 1], low);
        t[i + 1] = __builtin_shuffle(r[i], r[i + 1], high);
    }
    for (int i = 0; i < 8; i += 4) {
        u[i] = __builtin_shuffle(t[i], t[i + 2], pairLow);
        u[i + 1] = __builtin_shuffle(t[i], t[i + 2], pairHigh);
        u[i + 2] = __builtin_shuffle(t[i + 1], t[i + 3], pairLow);
        u[i + 3] = __builtin_shuffle(t[i + 1], t[i + 3], pairHigh);
    }
    for (int i = 0; i < 4; ++i) {
        r[i] = __builtin_shuffle(u[i], u[i + 4], halfLow);
        r[i + 4] = __builtin_shuffle(u[i], u[i + 4], halfHigh);
    }
}

// Eight traces of n samples into every other lane vector of `lanes` (the real or the imaginary
// parts), mirrored m samples beyond both ends.
DELVORA_WIDE_VECTORS
void LoadLanes(Lanes* __restrict lanes, const std::int16_t* const* rows, int n, int m)
{
    Lanes* centre = lanes + 2 * m;
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        Lanes r[8];
        for (int l = 0; l < 8; ++l) {
            Int16x8 v;
            std::memcpy(&v, rows[l] + k, sizeof v);
            r[l] = __builtin_convertvector(v, Lanes);
        }
        Transpose8(r);
        for (int i = 0; i < 8; ++i)
            centre[2 * (k + i)] = r[i];
    }
    for (; k < n; ++k)
        for (int l = 0; l < 8; ++l)
            centre[2 * k][l] = rows[l][k];
    for (int i = 1; i <= m; ++i) {
        const int before = OverlapSave::MirroredIndex(-i, n), after = OverlapSave::MirroredIndex(n - 1 + i, n);
        for (int l = 0; l < 8; ++l) {
            centre[-2 * i][l] = rows[l][before];
            centre[2 * (n - 1 + i)][l] = rows[l][after];
        }
    }
}

// Every other lane vector of `lanes`, n samples, rounded and saturated into the eight traces
// of `out` (null: no trace in that lane).
DELVORA_WIDE_VECTORS
void StoreLanes(const Lanes* __restrict lanes, std::int16_t* const* out, int n)
{
    const Lanes half = Lanes{} + 0.5f, lowest = Lanes{} - 32768.0f, highest = Lanes{} + 32767.0f;
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        Lanes r[8];
        for (int i = 0; i < 8; ++i)
            r[i] = lanes[2 * (k + i)];
        Transpose8(r);
        for (int l = 0; l < 8; ++l) {
            if (!out[l])
                continue;
            Lanes v = r[l] + (r[l] < 0 ? -half : half);
            v = v < lowest ? lowest : v;
            v = v > highest ? highest : v;
            const Int16x8 samples = __builtin_convertvector(__builtin_convertvector(v, Int32x8), Int16x8);
            std::memcpy(out[l] + k, &samples, sizeof samples);
        }
    }
    for (; k < n; ++k)
        for (int l = 0; l < 8; ++l)
            if (out[l])
                SampleArithmetic::StoreRounded(out[l] + k, &lanes[2 * k][l], 1);
}

} // namespace overlap_save

namespace {

int Log2(int size)
{
    int bits = 0;
    while ((1 << bits) < size)
        ++bits;
    return bits;
}

int BitReversed(int i, int bits)
{
    int r = 0;
    for (int b = 0; b < bits; ++b)
        r |= ((i >> b) & 1) << (bits - 1 - b);
    return r;
}

} // namespace

OverlapSave::OverlapSave(const float* h, int m, int n)
    : m_m(m), m_n(n)
{
    // The transform length with the least work per trace: blocks * N log N, N > 2m.
    double best = 0;
    for (int size = 2; size < 2 * (n + 2 * m) + 2; size *= 2) {
        if (size <= 2 * m)
            continue;
        const int useful = size - 2 * m;
        const int blocks = (n + useful - 1) / useful;
        const double cost = double(blocks) * size * Log2(size);
        if (best == 0 || cost < best) {
            best = cost;
            m_size = size;
            m_useful = useful;
            m_blocks = blocks;
        }
    }
    const int size = m_size;
    const int bits = Log2(size);
    const double pi = std::numbers::pi;

    // The response of the centred filter, h[|j|] at j and at N - j, is real and even.
    std::vector<double> cosTable(static_cast<size_t>(size));
    for (int r = 0; r < size; ++r)
        cosTable[r] = std::cos(2 * pi * r / size);
    m_response.resize(static_cast<size_t>(size));
    for (int k = 0; k < size; ++k) {
        double v = h[0];
        for (int j = 1; j <= m; ++j)
            v += 2.0 * h[j] * cosTable[static_cast<size_t>((j * k) & (size - 1))];
        m_response[static_cast<size_t>(BitReversed(k, bits))] = static_cast<float>(v / size);
    }
    m_radix2Cos.resize(static_cast<size_t>(size / 2));
    m_radix2Sin.resize(static_cast<size_t>(size / 2));
    for (int j = 0; j < size / 2; ++j) {
        m_radix2Cos[static_cast<size_t>(j)] = static_cast<float>(std::cos(2 * pi * j / size));
        m_radix2Sin[static_cast<size_t>(j)] = static_cast<float>(-std::sin(2 * pi * j / size));
    }
    m_radix4.resize(static_cast<size_t>(size));
    for (int q = 1; 4 * q <= size; q *= 2)
        for (int j = 0; j < q; ++j) {
            const double angle = -2 * pi * j / (4 * q);
            m_radix4[static_cast<size_t>(q - 1 + j)] = {
                static_cast<float>(std::cos(angle)),     static_cast<float>(std::sin(angle)),
                static_cast<float>(std::cos(2 * angle)), static_cast<float>(std::sin(2 * angle)),
                static_cast<float>(std::cos(3 * angle)), static_cast<float>(std::sin(3 * angle))};
        }
    m_signal.assign(static_cast<size_t>(n + 2 * m), LaneSample{});
    m_output.assign(static_cast<size_t>(n), LaneSample{});
    m_work.assign(static_cast<size_t>(size), LaneSample{});
    m_zeros.assign(static_cast<size_t>(n), 0);
}

int OverlapSave::MirroredIndex(int i, int n)
{
    if (n == 1)
        return 0;
    const int period = 2 * (n - 1);
    i = std::abs(i) % period;
    return i < n ? i : period - i;
}

void OverlapSave::Filter(const std::int16_t* const* traces, std::int16_t* const* out, int count)
{
    const std::int16_t* rows[kTraces];
    std::int16_t* outs[kTraces];
    for (int lane = 0; lane < kTraces; ++lane) {
        rows[lane] = lane < count ? traces[lane] : m_zeros.data();
        outs[lane] = lane < count ? out[lane] : nullptr;
    }
    Lanes* signal = reinterpret_cast<Lanes*>(m_signal.data());
    Lanes* output = reinterpret_cast<Lanes*>(m_output.data());
    overlap_save::LoadLanes(signal, rows, m_n, m_m);
    overlap_save::LoadLanes(signal + 1, rows + 8, m_n, m_m);

    const int length = m_n + 2 * m_m;
    for (int b = 0; b < m_blocks; ++b) {
        const int start = b * m_useful;
        const int taken = std::min(m_size, length - start);
        std::memcpy(m_work.data(), m_signal.data() + start, sizeof(LaneSample) * taken);
        std::fill(m_work.begin() + taken, m_work.end(), LaneSample{});
        overlap_save::FilterBlock(m_work.data(), m_size, m_radix2Cos.data(), m_radix2Sin.data(), m_radix4.data(),
                                  m_response.data());
        // Outputs m .. N-1-m of the circular convolution are those of the linear one.
        const int kept = std::min(m_useful, m_n - start);
        std::memcpy(m_output.data() + start, m_work.data() + m_m, sizeof(LaneSample) * kept);
    }

    overlap_save::StoreLanes(output, outs, m_n);
    overlap_save::StoreLanes(output + 1, outs + 8, m_n);
}
