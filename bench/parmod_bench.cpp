// The module's computation after one acquisition, and its transform beside FFTW's.
#include "AutoCorrelator.h"
#include "ParamCalculator.h"
#include "TestHost.h"
#include "Waveforms.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <random>

using namespace parmod;

namespace {

constexpr int32_t Samples = MaxWindowSamples;

struct FourChannels {
    FourChannels() {
        Link.Attach(0, TTestHost::Callback);
        DefineParamRows(Params);
        for (int32_t i = 0; i < 4; ++i)
            Stats.SetChannelVisible(i, true);
        Host.Ground = {128, 128};
        Host.SampleRate = 1000;
        Calculator.SetDataFlags({true, true, true, true});
    }
    TTestHost Host;
    THostLink Link;
    TWaveParamsPellx Params;
    TParamStatsPellx Stats;
    TParamCalculator Calculator{Link, Params, Stats};
};

std::vector<uint8_t> Noise(uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> x(Samples);
    for (auto &v : x)
        v = static_cast<uint8_t>(64 + random() % 128);
    return x;
}

// Stable signals: after the first record every finder tracks its period.
void BM_CalculateParams_Tracked(benchmark::State &state) {
    FourChannels f;
    f.Host.SetChannel(0, waveforms::Sine(100, 100, 128, Samples));
    f.Host.SetChannel(1, waveforms::Square(1000, 300, 40, 220, Samples));
    f.Host.SetChannel(2, waveforms::Sine(3333, 60, 128, Samples));
    f.Host.SetChannel(3, waveforms::Square(250, 125, 20, 200, Samples));
    f.Calculator.CalculateParams();
    for (auto _ : state)
        f.Calculator.CalculateParams();
}
BENCHMARK(BM_CalculateParams_Tracked)->Unit(benchmark::kMillisecond);

// Every record changes its period, so every finder searches through the transform each time.
void BM_CalculateParams_FullSearch(benchmark::State &state) {
    FourChannels f;
    const std::vector<uint8_t> a[2] = {waveforms::Square(1000, 300, 40, 220, Samples),
                                       waveforms::Square(1700, 850, 40, 220, Samples)};
    const std::vector<uint8_t> s[2] = {waveforms::Sine(100, 100, 128, Samples),
                                       waveforms::Sine(160, 100, 128, Samples)};
    int32_t k = 0;
    f.Calculator.CalculateParams(); // the finders and their tables exist from the first record on
    for (auto _ : state) {
        state.PauseTiming();
        k ^= 1;
        f.Host.SetChannel(0, a[k]);
        f.Host.SetChannel(1, s[k]);
        f.Host.SetChannel(2, a[k ^ 1]);
        f.Host.SetChannel(3, s[k ^ 1]);
        state.ResumeTiming();
        f.Calculator.CalculateParams();
    }
}
BENCHMARK(BM_CalculateParams_FullSearch)->Unit(benchmark::kMillisecond)->UseRealTime();

// Noise has no period: every finder sweeps all lags up to 85 % of the window.
void BM_CalculateParams_Noise(benchmark::State &state) {
    FourChannels f;
    for (int32_t i = 0; i < 4; ++i)
        f.Host.SetChannel(i, Noise(i + 1));
    f.Calculator.CalculateParams();
    for (auto _ : state)
        f.Calculator.CalculateParams();
}
BENCHMARK(BM_CalculateParams_Noise)->Unit(benchmark::kMillisecond)->UseRealTime();

// One complex transform of the correlation's size (2 x 131072 points).
void BM_Transform_Own(benchmark::State &state) {
    const int32_t n = 2 * Samples;
    const auto x = Noise(7);
    std::vector<double> re(n, 0.0), im(n, 0.0);
    std::copy(x.begin(), x.end(), re.begin());
    TAutoCorrelator correlator;
    const double scale = 1 / std::sqrt(double(n)); // keeps the values in range over repeated runs
    correlator.Transform(re, im, scale);
    for (auto _ : state) {
        correlator.Transform(re, im, scale);
        benchmark::DoNotOptimize(re[1]);
    }
}
BENCHMARK(BM_Transform_Own)->Unit(benchmark::kMillisecond);

void BM_Transform_FFTW(benchmark::State &state) {
    const int n = 2 * Samples;
    fftw_complex *data = fftw_alloc_complex(n);
    fftw_plan plan = fftw_plan_dft_1d(n, data, data, FFTW_FORWARD, FFTW_MEASURE);
    const auto x = Noise(7);
    for (int i = 0; i < n; ++i) {
        data[i][0] = i < Samples ? x[i] : 0;
        data[i][1] = 0;
    }
    for (auto _ : state) {
        fftw_execute(plan);
        benchmark::DoNotOptimize(data[1][0]);
    }
    fftw_destroy_plan(plan);
    fftw_free(data);
}
BENCHMARK(BM_Transform_FFTW)->Unit(benchmark::kMillisecond);

// The whole auto-correlation: two transforms and the power spectrum.
void BM_AutoCorrelation_Own(benchmark::State &state) {
    const auto x = Noise(7);
    TAutoCorrelator correlator;
    for (auto _ : state) {
        correlator.Compute(x.data(), Samples);
        benchmark::DoNotOptimize(correlator.Sum(1));
    }
}
BENCHMARK(BM_AutoCorrelation_Own)->Unit(benchmark::kMillisecond);

void BM_AutoCorrelation_FFTW(benchmark::State &state) {
    const int n = 2 * Samples;
    double *real = fftw_alloc_real(n);
    fftw_complex *spectrum = fftw_alloc_complex(n / 2 + 1);
    fftw_plan forward = fftw_plan_dft_r2c_1d(n, real, spectrum, FFTW_MEASURE);
    fftw_plan backward = fftw_plan_dft_c2r_1d(n, spectrum, real, FFTW_MEASURE);
    const auto x = Noise(7);
    for (auto _ : state) {
        for (int i = 0; i < n; ++i)
            real[i] = i < Samples ? x[i] : 0;
        fftw_execute(forward);
        for (int i = 0; i <= n / 2; ++i) {
            spectrum[i][0] = spectrum[i][0] * spectrum[i][0] + spectrum[i][1] * spectrum[i][1];
            spectrum[i][1] = 0;
        }
        fftw_execute(backward);
        benchmark::DoNotOptimize(real[1]);
    }
    fftw_destroy_plan(forward);
    fftw_destroy_plan(backward);
    fftw_free(spectrum);
    fftw_free(real);
}
BENCHMARK(BM_AutoCorrelation_FFTW)->Unit(benchmark::kMillisecond);

} // namespace
