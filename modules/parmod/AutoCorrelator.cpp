#include "AutoCorrelator.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace parmod {

void TSquareSum::SetData(const uint8_t *data, int32_t n) {
    Data = data;
    Length = n;
    Computed = false;
}

int64_t TSquareSum::Sum(int32_t first, int32_t last) const {
    int64_t s = 0;
    for (int32_t i = first; i <= last; ++i)
        s += Square(i);
    return s;
}

void TSquareSum::ComputeForLag(int32_t k) {
    const int32_t end1 = Length - k - 1, start2 = k, end2 = Length - 1;
    if (!Computed) {
        Sum1 = Sum(0, end1);
        Sum2 = Sum(start2, end2);
        Computed = true;
    } else {
        // Only the samples by which a window bound moved enter or leave.
        if (end1 > End1)
            Sum1 += Sum(End1 + 1, end1);
        else if (end1 < End1)
            Sum1 -= Sum(end1 + 1, End1);
        if (start2 > Start2)
            Sum2 -= Sum(Start2, start2 - 1);
        else if (start2 < Start2)
            Sum2 += Sum(start2, Start2 - 1);
        if (end2 > End2)
            Sum2 += Sum(End2 + 1, end2);
        else if (end2 < End2)
            Sum2 -= Sum(end2 + 1, End2);
    }
    End1 = end1;
    Start2 = start2;
    End2 = end2;
}

namespace {

// Points per block below which the remaining stages run one block at a time (128 KiB of work array).
constexpr int32_t CacheBlock = 8192;

int32_t Log2(int32_t n) {
    int32_t bits = 0;
    while ((1 << bits) < n)
        ++bits;
    return bits;
}

} // namespace

void TAutoCorrelator::Prepare(int32_t size) {
    Size = size;
    CacheCos.resize(Size);
    CacheSin.resize(Size);
    for (int32_t k = 0; k < Size; ++k) {
        const double angle = 2.0 * std::numbers::pi * k / Size;
        CacheCos[k] = std::cos(angle);
        CacheSin[k] = std::sin(angle);
    }
    const int32_t bits = Log2(Size);
    Twiddles.Cos.assign(bits + 1, {});
    Twiddles.Sin.assign(bits + 1, {});
    for (int32_t span = Size, level = bits; span >= 2; span /= 2, --level) {
        const int32_t half = span / 2, stride = Size / span;
        Twiddles.Cos[level].resize(half);
        Twiddles.Sin[level].resize(half);
        for (int32_t j = 0; j < half; ++j) {
            Twiddles.Cos[level][j] = CacheCos[j * stride];
            Twiddles.Sin[level][j] = CacheSin[j * stride];
        }
    }
    auto reversal = [](std::vector<int32_t> &table, int32_t n, int32_t width) {
        table.resize(n);
        for (int32_t i = 0; i < n; ++i) {
            int32_t r = 0;
            for (int32_t b = 0; b < width; ++b)
                if (i & (1 << b))
                    r |= 1 << (width - 1 - b);
            table[i] = r;
        }
    };
    reversal(BitReverse, Size, bits);
    reversal(BitReverseHalf, Size / 2, bits - 1);
    Re.resize(Size);
    Im.resize(Size);
    Power.resize(Size);
}

namespace {

// One butterfly: a := a + b, b := (a - b)(c - i s).
inline void Butterfly(double &ar, double &ai, double &br, double &bi, double c, double s) {
    const double xr = ar, xi = ai, yr = br, yi = bi;
    const double dr = xr - yr, di = xi - yi;
    ar = xr + yr;
    ai = xi + yi;
    br = dr * c + di * s;
    bi = di * c - dr * s;
}

} // namespace

// The butterfly loops are the module's hot path: compiled also for wider vector units and chosen at the
// first call. Not through an ifunc resolver (target_clones): that runs before the sanitizers' runtime.
#define PARMOD_VECTOR_BODY [[gnu::always_inline]] inline

namespace {

PARMOD_VECTOR_BODY void ButterfliesBody(const TStageTwiddles &tw, double *re, double *im, int32_t span,
                                        int32_t blockLength) {
    const int32_t half = span / 2;
    if (span == 2) {
        // The twiddle is exactly 1.
        for (int32_t k = 0; k < blockLength; k += 2) {
            const double ar = re[k], ai = im[k], br = re[k + 1], bi = im[k + 1];
            re[k] = ar + br;
            im[k] = ai + bi;
            re[k + 1] = ar - br;
            im[k + 1] = ai - bi;
        }
        return;
    }
    const int32_t level = Log2(span);
    const double *__restrict cs = tw.Cos[level].data(), *__restrict sn = tw.Sin[level].data();
    for (int32_t block = 0; block < blockLength; block += span) {
        double *__restrict re0 = re + block, *__restrict im0 = im + block;
        double *__restrict re1 = re0 + half, *__restrict im1 = im0 + half;
        for (int32_t j = 0; j < half; ++j)
            Butterfly(re0[j], im0[j], re1[j], im1[j], cs[j], sn[j]);
    }
}

PARMOD_VECTOR_BODY void TwoStagesBody(const TStageTwiddles &tw, double *re, double *im, int32_t span,
                                      int32_t blockLength) {
    // Stage `span` and then stage `span` / 2, four points at a time: each point meets the same
    // butterflies in the same order as stage by stage, with one pass over the memory.
    const int32_t quarter = span / 4;
    const int32_t level = Log2(span);
    const double *__restrict c1 = tw.Cos[level].data(), *__restrict s1 = tw.Sin[level].data();
    const double *__restrict c2 = tw.Cos[level - 1].data(), *__restrict s2 = tw.Sin[level - 1].data();
    for (int32_t block = 0; block < blockLength; block += span) {
        double *__restrict r0 = re + block, *__restrict i0 = im + block;
        double *__restrict r1 = r0 + quarter, *__restrict i1 = i0 + quarter;
        double *__restrict r2 = r1 + quarter, *__restrict i2 = i1 + quarter;
        double *__restrict r3 = r2 + quarter, *__restrict i3 = i2 + quarter;
        for (int32_t j = 0; j < quarter; ++j) {
            double ar = r0[j], ai = i0[j], br = r1[j], bi = i1[j], cr = r2[j], ci = i2[j], dr = r3[j],
                   di = i3[j];
            Butterfly(ar, ai, cr, ci, c1[j], s1[j]);
            Butterfly(br, bi, dr, di, c1[j + quarter], s1[j + quarter]);
            Butterfly(ar, ai, br, bi, c2[j], s2[j]);
            Butterfly(cr, ci, dr, di, c2[j], s2[j]);
            r0[j] = ar;
            i0[j] = ai;
            r1[j] = br;
            i1[j] = bi;
            r2[j] = cr;
            i2[j] = ci;
            r3[j] = dr;
            i3[j] = di;
        }
    }
}

using TStageKernel = void (*)(const TStageTwiddles &, double *, double *, int32_t, int32_t);

void ButterfliesPlain(const TStageTwiddles &tw, double *re, double *im, int32_t span, int32_t blockLength) {
    ButterfliesBody(tw, re, im, span, blockLength);
}
void TwoStagesPlain(const TStageTwiddles &tw, double *re, double *im, int32_t span, int32_t blockLength) {
    TwoStagesBody(tw, re, im, span, blockLength);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void ButterfliesAvx2(const TStageTwiddles &tw, double *re, double *im,
                                                     int32_t span, int32_t blockLength) {
    ButterfliesBody(tw, re, im, span, blockLength);
}
__attribute__((target("avx2"))) void TwoStagesAvx2(const TStageTwiddles &tw, double *re, double *im,
                                                   int32_t span, int32_t blockLength) {
    TwoStagesBody(tw, re, im, span, blockLength);
}

bool HasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
#endif

void Butterflies(const TStageTwiddles &tw, double *re, double *im, int32_t span, int32_t blockLength) {
#if defined(__x86_64__) || defined(__i386__)
    static const TStageKernel kernel = HasAvx2() ? ButterfliesAvx2 : ButterfliesPlain;
#else
    const TStageKernel kernel = ButterfliesPlain;
#endif
    kernel(tw, re, im, span, blockLength);
}

void TwoStages(const TStageTwiddles &tw, double *re, double *im, int32_t span, int32_t blockLength) {
#if defined(__x86_64__) || defined(__i386__)
    static const TStageKernel kernel = HasAvx2() ? TwoStagesAvx2 : TwoStagesPlain;
#else
    const TStageKernel kernel = TwoStagesPlain;
#endif
    kernel(tw, re, im, span, blockLength);
}

} // namespace

void TAutoCorrelator::Stages(double *re, double *im, int32_t span) {
    if (span > CacheBlock) {
        TwoStages(Twiddles, re, im, span, span);
        for (int32_t q = 0; q < 4; ++q)
            Stages(re + q * (span / 4), im + q * (span / 4), span / 4);
        return;
    }
    int32_t s = span;
    for (; s >= 8; s /= 4)
        TwoStages(Twiddles, re, im, s, span);
    for (; s >= 2; s /= 2)
        Butterflies(Twiddles, re, im, s, span);
}

void TAutoCorrelator::Transform(std::vector<double> &reals, std::vector<double> &imaginaries, double scale) {
    const int32_t n = static_cast<int32_t>(reals.size());
    if (n < 2 || (n & (n - 1)) != 0 || imaginaries.size() != reals.size())
        return;
    if (n != Size)
        Prepare(n);
    double *re = reals.data(), *im = imaginaries.data();
    Stages(re, im, n);
    // Reordering through the spare array, one part at a time, with the scaling on the way.
    double *spare = Power.data();
    for (double *part : {re, im}) {
        for (int32_t i = 0; i < n; ++i)
            spare[i] = part[BitReverse[i]] * scale;
        std::copy(spare, spare + n, part);
    }
}

namespace {

// Below this size the half-size transform saves nothing worth its set-up.
constexpr int32_t RealTransformFrom = 32;

// To the nearest integer, halves to even (the default rounding mode), for |x| below 2^51; inline,
// where the library's nearbyint is a call on the baseline processor.
inline double RoundSum(double x) {
    constexpr double magic = 6755399441055744.0; // 1.5 * 2^52
    return (x + magic) - magic;
}

} // namespace

void TAutoCorrelator::Compute(const uint8_t *data, int32_t n) {
    Data = data;
    Length = n > 0 ? n : 0;
    int32_t size = 1;
    while (size < Length)
        size *= 2;
    size *= 2;
    if (size != Size)
        Prepare(size);
    Sums.resize(Length);
    if (Size >= RealTransformFrom)
        ComputeReal(data);
    else
        ComputeComplex(data);
    Energies.SetData(data, Length);
    Energies.Reset();
}

// With N = Size and M = N / 2, the N real points (samples, then zeros) are taken as M complex points
// z[m] = x[2m] + i x[2m + 1]; one M-point transform Z gives the spectrum X of the samples through
// X[k] = E[k] + w^k O[k], w = exp(-2 pi i / N), E and O the spectra of the even and odd samples. The
// power P = |X|^2 is real and symmetric, so the inverse transform is real as well: it is one M-point
// transform again, whose real and imaginary parts are the even and odd correlation sums. The sums
// are integers, and the rounding at the end gives them exactly, as the full transforms do.
void TAutoCorrelator::ComputeReal(const uint8_t *data) {
    const int32_t M = Size / 2, quarter = M / 2, levelM = Log2(M);
    double *re = Re.data(), *im = Im.data();
    // First stage of the forward transform: z is zero from quarter on (there are at most M samples).
    {
        const double *cs = Twiddles.Cos[levelM].data(), *sn = Twiddles.Sin[levelM].data();
        for (int32_t j = 0; j < quarter; ++j) {
            const double ar = 2 * j < Length ? data[2 * j] : 0.0;
            const double ai = 2 * j + 1 < Length ? data[2 * j + 1] : 0.0;
            re[j] = ar;
            im[j] = ai;
            re[j + quarter] = ar * cs[j] + ai * sn[j];
            im[j + quarter] = ai * cs[j] - ar * sn[j];
        }
    }
    Stages(re, im, quarter);
    Stages(re + quarter, im + quarter, quarter);
    // The power spectrum P[0 .. M].
    const int32_t *reverse = BitReverseHalf.data();
    double *power = Power.data();
    for (int32_t k = 0; k <= M; ++k) {
        const int32_t a = reverse[k == M ? 0 : k], b = reverse[k == 0 ? 0 : M - k];
        const double zr = re[a], zi = im[a], cr = re[b], ci = -im[b]; // Z[k] and conj(Z[M - k])
        const double er = (zr + cr) * 0.5, ei = (zi + ci) * 0.5;
        const double orr = (zi - ci) * 0.5, oi = -(zr - cr) * 0.5;
        const double wc = CacheCos[k], ws = CacheSin[k];
        const double xr = er + (orr * wc + oi * ws), xi = ei + (oi * wc - orr * ws);
        power[k] = xr * xr + xi * xi;
    }
    // The inverse transform's input, conjugated, so that the forward transform computes it:
    // Z'[k] = (P[k] + P[k + M]) + i exp(2 pi i k / N) (P[k] - P[k + M]), with P[k + M] = P[M - k].
    for (int32_t k = 0; k < M; ++k) {
        const double a = power[k], b = power[k == 0 ? M : M - k];
        const double sum = a + b, difference = a - b;
        re[k] = sum - CacheSin[k] * difference;
        im[k] = -(CacheCos[k] * difference);
    }
    Stages(re, im, M);
    const double scale = 1.0 / Size;
    for (int32_t m = 0; 2 * m < Length; ++m) {
        const int32_t r = reverse[m];
        Sums[2 * m] = RoundSum(re[r] * scale);
        if (2 * m + 1 < Length)
            Sums[2 * m + 1] = RoundSum(-im[r] * scale);
    }
}

// The two transforms of the correlation, with the work that the zero padding and the real power
// spectrum make unnecessary left out: the results are those of the full transforms.
void TAutoCorrelator::ComputeComplex(const uint8_t *data) {
    const int32_t half = Size / 2;
    double *re = Re.data(), *im = Im.data();
    // First stage of the forward transform: the upper half is zero.
    {
        const double *cs = Twiddles.Cos[Log2(Size)].data(), *sn = Twiddles.Sin[Log2(Size)].data();
        for (int32_t j = 0; j < half; ++j) {
            const double a = j < Length ? data[j] : 0.0;
            re[j] = a;
            im[j] = 0.0;
            re[j + half] = a * cs[j];
            im[j + half] = -(a * sn[j]);
        }
    }
    Stages(re, im, half);
    Stages(re + half, im + half, half);
    // Division by N (exact, a power of two), the power, and the reordering into the next transform's
    // input, which is real.
    const double inverse = 1.0 / Size;
    for (int32_t i = 0; i < Size; ++i) {
        const double pr = re[i] * inverse, pi = im[i] * inverse;
        re[i] = pr * pr + pi * pi;
    }
    double *power = Power.data();
    for (int32_t i = 0; i < Size; ++i)
        power[i] = re[BitReverse[i]];
    {
        const double *cs = Twiddles.Cos[Log2(Size)].data(), *sn = Twiddles.Sin[Log2(Size)].data();
        for (int32_t j = 0; j < half; ++j) {
            const double a = power[j], b = power[j + half], d = a - b;
            re[j] = a + b;
            im[j] = 0.0;
            re[j + half] = d * cs[j];
            im[j + half] = -(d * sn[j]);
        }
    }
    Stages(re, im, half);
    Stages(re + half, im + half, half);
    // Reordering and the multiplication by N, for the lags that exist. The sums are sums of products
    // of integers; rounding removes the transform's noise, which would otherwise let a constant
    // signal's correlation dip below its running mean.
    const double scale = Size;
    for (int32_t k = 0; k < Length; ++k)
        Sums[k] = std::nearbyint(re[BitReverse[k]] * scale);
}

double TAutoCorrelator::Correlation(int32_t k) {
    if (k < 0 || k > Length - 2)
        return 0.0;
    Energies.ComputeForLag(k);
    const double norm = Energies.Norm();
    return norm == 0.0 ? 0.0 : Sums[k] / norm;
}

} // namespace parmod
