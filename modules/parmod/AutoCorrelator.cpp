#include "AutoCorrelator.h"

#include <cmath>
#include <numbers>
#include <utility>

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

void TAutoCorrelator::BuildSineCache() {
    CacheCos.resize(Size);
    CacheSin.resize(Size);
    for (int32_t k = 0; k < Size; ++k) {
        const double angle = 2.0 * std::numbers::pi * k / Size;
        CacheCos[k] = std::cos(angle);
        CacheSin[k] = std::sin(angle);
    }
    int32_t bits = 0;
    while ((1 << bits) < Size)
        ++bits;
    BitReverse.resize(Size);
    for (int32_t i = 0; i < Size; ++i) {
        int32_t r = 0;
        for (int32_t b = 0; b < bits; ++b)
            if (i & (1 << b))
                r |= 1 << (bits - 1 - b);
        BitReverse[i] = r;
    }
}

void TAutoCorrelator::Transform(double scale) {
    const int32_t n = Size;
    double *re = Re.data(), *im = Im.data();
    for (int32_t span = n; span >= 2; span /= 2) {
        const int32_t half = span / 2, stride = n / span;
        for (int32_t block = 0; block < n; block += span) {
            double *re0 = re + block, *im0 = im + block, *re1 = re0 + half, *im1 = im0 + half;
            for (int32_t j = 0; j < half; ++j) {
                const double c = CacheCos[j * stride], s = CacheSin[j * stride];
                const double ar = re0[j], ai = im0[j], br = re1[j], bi = im1[j];
                const double dr = ar - br, di = ai - bi;
                re0[j] = ar + br;
                im0[j] = ai + bi;
                // (d)(c - i s)
                re1[j] = dr * c + di * s;
                im1[j] = di * c - dr * s;
            }
        }
    }
    for (int32_t i = 0; i < n; ++i) {
        const int32_t r = BitReverse[i];
        if (r > i) {
            std::swap(re[i], re[r]);
            std::swap(im[i], im[r]);
        }
    }
    for (int32_t i = 0; i < n; ++i) {
        re[i] *= scale;
        im[i] *= scale;
    }
}

void TAutoCorrelator::Compute(const uint8_t *data, int32_t n) {
    Data = data;
    Length = n > 0 ? n : 0;
    int32_t size = 1;
    while (size < Length)
        size *= 2;
    size *= 2;
    Re.assign(size, 0.0);
    Im.assign(size, 0.0);
    for (int32_t i = 0; i < Length; ++i)
        Re[i] = data[i];
    if (size != Size) {
        Size = size;
        BuildSineCache();
    }
    Transform(1.0 / Size);
    for (int32_t i = 0; i < Size; ++i) {
        Re[i] = Re[i] * Re[i] + Im[i] * Im[i];
        Im[i] = 0.0;
    }
    Transform(Size);
    // The sums are sums of products of integers; rounding removes the transform's noise, which would
    // otherwise let a constant signal's correlation dip below its running mean.
    for (int32_t i = 0; i < Size; ++i)
        Re[i] = std::nearbyint(Re[i]);
    Energies.SetData(data, Length);
    Energies.Reset();
}

double TAutoCorrelator::Correlation(int32_t k) {
    if (k < 0 || k > Length - 2)
        return 0.0;
    Energies.ComputeForLag(k);
    const double norm = Energies.Norm();
    return norm == 0.0 ? 0.0 : Re[k] / norm;
}
