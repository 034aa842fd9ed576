#include "AutoCorrelator.h"
#include "PeriodFinder.h"
#include "Waveforms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace parmod {

namespace {

int64_t BruteSquares(const std::vector<uint8_t> &x, int32_t first, int32_t last) {
    int64_t s = 0;
    for (int32_t i = first; i <= last; ++i)
        s += int64_t(x[i]) * x[i];
    return s;
}

std::vector<uint8_t> Noise(int32_t length, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> x(length);
    for (auto &v : x)
        v = static_cast<uint8_t>(random() & 0xFF);
    return x;
}

} // namespace

// Window energies follow the lag in either direction, by single steps and by jumps.
TEST(SquareSum, IncrementalSumsMatchFullSums) {
    const auto x = Noise(300, 1);
    const int32_t n = static_cast<int32_t>(x.size());
    TSquareSum sums;
    sums.SetData(x.data(), n);
    for (int32_t k : {0, 1, 2, 3, 50, 49, 48, 200, 7, 298, 299, 0, 150, 151, 149}) {
        sums.ComputeForLag(k);
        EXPECT_EQ(sums.E1(), double(BruteSquares(x, 0, n - k - 1))) << k;
        EXPECT_EQ(sums.E2(), double(BruteSquares(x, k, n - 1))) << k;
    }
    sums.Reset();
    sums.ComputeForLag(10);
    EXPECT_EQ(sums.E2(), double(BruteSquares(x, 10, n - 1)));
}

// The transform's correlation sums are the linear auto-correlation, for sizes that are and are not powers
// of two.
TEST(AutoCorrelator, SumsEqualTheDirectLinearCorrelation) {
    for (int32_t n : {1, 2, 3, 9, 16, 17, 1000, 1024, 1025, 4096, 20000, 65537, 131072}) {
        const auto x = Noise(n, n);
        TAutoCorrelator correlator;
        correlator.Compute(x.data(), n);
        int32_t expectedSize = 2;
        while (expectedSize < 2 * n)
            expectedSize *= 2;
        EXPECT_EQ(correlator.TransformSize(), expectedSize) << n;
        for (int32_t k = 0; k < n; k += std::max(1, n / 37)) {
            double direct = 0;
            for (int32_t i = 0; i + k < n; ++i)
                direct += double(x[i]) * x[i + k];
            EXPECT_EQ(correlator.Sum(k), direct) << n << " lag " << k;
        }
    }
}

// The transform against the defining sum, for a size within one cache block and one above it.
TEST(AutoCorrelator, TransformIsTheDiscreteFourierTransform) {
    for (int32_t n : {16, 65536}) {
        std::mt19937 random(n);
        std::uniform_real_distribution<double> value(-1, 1);
        std::vector<double> re(n), im(n);
        for (int32_t i = 0; i < n; ++i) {
            re[i] = value(random);
            im[i] = value(random);
        }
        const auto re0 = re, im0 = im;
        TAutoCorrelator correlator;
        correlator.Transform(re, im, 0.5);
        for (int32_t k : {0, 1, 3, n / 2 - 1, n / 2, n - 1}) {
            double sr = 0, si = 0;
            for (int32_t i = 0; i < n; ++i) {
                const double angle = -2 * std::numbers::pi * double((int64_t(i) * k) % n) / n;
                sr += re0[i] * std::cos(angle) - im0[i] * std::sin(angle);
                si += re0[i] * std::sin(angle) + im0[i] * std::cos(angle);
            }
            EXPECT_NEAR(re[k], 0.5 * sr, 1e-9 * n) << n << " bin " << k;
            EXPECT_NEAR(im[k], 0.5 * si, 1e-9 * n) << n << " bin " << k;
        }
    }
}

TEST(AutoCorrelator, CorrelationIsNormalisedByTheLargerWindow) {
    const std::vector<uint8_t> x{1, 2, 3, 4};
    TAutoCorrelator correlator;
    correlator.Compute(x.data(), 4);
    // lag 1: 1*2 + 2*3 + 3*4 = 20; windows 1+4+9 = 14 and 4+9+16 = 29
    EXPECT_NEAR(correlator.Correlation(1), 20.0 / 29.0, 1e-12);
    EXPECT_EQ(correlator.Correlation(3), 0.0); // fewer than two samples overlap
    const std::vector<uint8_t> zeros(16, 0);
    correlator.Compute(zeros.data(), 16);
    EXPECT_EQ(correlator.Correlation(2), 0.0);
}

struct PeriodCase {
    const char *Name;
    std::vector<uint8_t> Samples;
    int32_t Period;
};

class PeriodFinderExact : public ::testing::TestWithParam<TPeriodFinderMode> {};

// Exact periods in both modes: a narrow correlation peak must not read one sample long.
TEST_P(PeriodFinderExact, FindsExactPeriods) {
    const std::vector<PeriodCase> cases{
        {"square 100", waveforms::Square(100, 50, 50, 200, 10000), 100},
        {"square 37 narrow duty", waveforms::Square(37, 30, 20, 230, 5000), 37},
        {"square 1000", waveforms::Square(1000, 500, 10, 250, 20000), 1000},
        {"sine 250", waveforms::Sine(250, 100, 128, 10000), 250},
        {"sine 100 (10 kHz at 1 MS/s)", waveforms::Sine(100, 120, 128, 16384), 100},
    };
    for (const auto &c : cases) {
        TPeriodFinder finder;
        finder.Mode = GetParam();
        finder.MaxPeriod = static_cast<int32_t>(c.Samples.size() * 0.85);
        EXPECT_EQ(finder.FindPeriod(c.Samples.data(), static_cast<int32_t>(c.Samples.size())), c.Period)
            << c.Name;
    }
}

TEST_P(PeriodFinderExact, SignalsWithoutPeriodGiveNone) {
    for (const auto &x : {waveforms::Constant(100, 2000), waveforms::Constant(0, 2000)}) {
        TPeriodFinder finder;
        finder.Mode = GetParam();
        finder.MaxPeriod = 1700;
        EXPECT_EQ(finder.FindPeriod(x.data(), 2000), -1);
        EXPECT_EQ(finder.LastPeriod(), -1);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, PeriodFinderExact, ::testing::Values(pfmNormal, pfmWiener));

// A correlation that stays above its mean until the last lag returns the candidate it has.
TEST(PeriodFinder, SearchEndingWhileArmedReturnsItsCandidate) {
    const auto x = waveforms::Square(100, 50, 50, 200, 10000);
    TPeriodFinder finder;
    finder.MaxPeriod = 102;
    EXPECT_EQ(finder.FindPeriod(x.data(), 10000), 100);
}

// Tracking searches only around the last period: it follows a drift, and it keeps a period that is
// still a period of the new record where a full search would find the shorter one.
TEST(PeriodFinder, TrackingSearchesAroundTheLastPeriod) {
    for (bool smart : {true, false}) {
        TPeriodFinder finder;
        finder.SmartUpdate = smart;
        finder.Mode = pfmWiener;
        finder.MaxPeriod = 8000;
        auto first = waveforms::Square(200, 100, 40, 220, 10000);
        ASSERT_EQ(finder.FindPeriod(first.data(), 10000), 200);
        auto halved = first;
        for (int32_t i = 0; i < 10000; ++i)
            halved[i] = first[(2 * i) % 200]; // period 100, and so also 200
        EXPECT_EQ(finder.FindPeriod(halved.data(), 10000), smart ? 200 : 100) << smart;
        ASSERT_EQ(finder.FindPeriod(first.data(), 10000), 200);
        auto drifted = waveforms::Square(203, 101, 40, 220, 10000);
        EXPECT_EQ(finder.FindPeriod(drifted.data(), 10000), 203);
        auto unrelated = waveforms::Square(777, 300, 40, 220, 10000);
        EXPECT_EQ(finder.FindPeriod(unrelated.data(), 10000), 777) << smart;
    }
}

TEST(PeriodFinder, ChangingTheSampleRateForgetsTheLastPeriod) {
    const auto x = waveforms::Square(100, 50, 50, 200, 4000);
    TPeriodFinder finder;
    finder.MaxPeriod = 3400;
    finder.SetSamplingRate(10);
    ASSERT_EQ(finder.FindPeriod(x.data(), 4000), 100);
    finder.SetSamplingRate(10);
    EXPECT_EQ(finder.LastPeriod(), 100);
    finder.SetSamplingRate(20);
    EXPECT_EQ(finder.LastPeriod(), -1);
}

} // namespace parmod
