// Auto-correlation of a record of 8-bit samples for every lag at once, and the energies of the two
// windows that normalise a correlation.
#pragma once

#include <cstdint>
#include <vector>

namespace parmod {

// Sums of squared samples of the windows 0 .. n - k - 1 and k .. n - 1 of one sample array, updated
// incrementally when the lag moves so that a sweep over lags costs a few operations per lag.
class TSquareSum {
public:
    void SetData(const uint8_t *data, int32_t n);
    // The next computation sums both windows in full.
    void Reset() { Computed = false; }
    // Brings E1 and E2 to the windows of lag k (0 <= k < n).
    void ComputeForLag(int32_t k);
    double E1() const { return static_cast<double>(Sum1); }
    double E2() const { return static_cast<double>(Sum2); }
    // max(E1, E2), the normaliser of a correlation.
    double Norm() const { return static_cast<double>(Sum1 > Sum2 ? Sum1 : Sum2); }

private:
    int64_t Square(int32_t i) const { return int64_t(Data[i]) * Data[i]; }
    // Sum over first..last, inclusive.
    int64_t Sum(int32_t first, int32_t last) const;

    const uint8_t *Data = nullptr;
    int32_t Length = 0;
    int32_t End1 = -1, Start2 = 0, End2 = -1;
    int64_t Sum1 = 0, Sum2 = 0;
    bool Computed = false;
};

// The twiddles of each stage of the transform in the order the stage uses them, by log2(span).
struct TStageTwiddles {
    std::vector<std::vector<double>> Cos, Sin;
};

// Linear auto-correlation through a radix-2 transform of twice the next power of two.
class TAutoCorrelator {
public:
    // Computes the correlation sums of the n samples for every lag; the array must stay valid while
    // Correlation is asked.
    void Compute(const uint8_t *data, int32_t n);
    // Normalised correlation at lag k: sum / max(E1, E2), 0 when that is 0 or k is out of range.
    double Correlation(int32_t k);
    // Raw correlation sum at lag k (sum of x[i] x[i + k]), 0 <= k < n.
    double Sum(int32_t k) const { return Sums[k]; }
    int32_t TransformSize() const { return Size; }

    // The forward transform in place of N = re.size() points (a power of two, equal to im.size()):
    // decimation in frequency, then the bit-reversal permutation, then every element multiplied by scale.
    void Transform(std::vector<double> &re, std::vector<double> &im, double scale);

private:
    void Prepare(int32_t size);
    // The sums through two complex transforms of the full size (small sizes).
    void ComputeComplex(const uint8_t *data);
    // The sums through two complex transforms of half the size: the samples are real and so is their
    // power spectrum.
    void ComputeReal(const uint8_t *data);
    // The decimation-in-frequency stages over one block of `span` points, without the reordering. Large
    // blocks take their first stage and then recurse into their halves, so that the later stages run
    // on blocks that fit in the cache; every butterfly sees the same operands as in stage order.
    void Stages(double *re, double *im, int32_t span);

    // Work array, real and imaginary parts apart.
    std::vector<double> Re, Im;
    // cos and sin of 2 pi k / N, k = 0 .. N - 1.
    std::vector<double> CacheCos, CacheSin;
    TStageTwiddles Twiddles;
    std::vector<int32_t> BitReverse, BitReverseHalf;
    std::vector<double> Power;
    // The correlation sums in lag order.
    std::vector<double> Sums;
    int32_t Size = 0;
    const uint8_t *Data = nullptr;
    int32_t Length = 0;
    TSquareSum Energies;
};

} // namespace parmod
