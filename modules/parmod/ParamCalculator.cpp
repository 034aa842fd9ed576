#include "ParamCalculator.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <thread>
#include <utility>
#include <vector>

namespace parmod {

void DefineParamRows(TWaveParamsPellx &params) {
    struct Row {
        const char *Name, *Unit;
        bool NoPrefix;
    };
    static const Row rows[ParamRowCount] = {
        {"Peak-peak", "V", false},
        {"Peak+", "V", false},
        {"Peak-", "V", false},
        {"Frequency", "Hz", false},
        {"RPM", "", true},
        {"Period", "s", false},
        {"DC voltage", "V", false},
        {"Vrms", "V", false},
        {"Vavg", "V", false},
        {"Crest factor", "%", true},
        {"High pulse width", "s", false},
        {"Low pulse width", "s", false},
        {"Duty factor", "%", true},
        {"High pulse level", "V", false},
        {"Low pulse level", "V", false},
        {"High overshoot", "%", true},
        {"Low overshoot", "%", true},
        {"Rise time", "s", false},
        {"Fall time", "s", false},
    };
    for (const Row &r : rows)
        params.AddParam(r.Name, r.Unit, r.NoPrefix);
}

namespace {

// Circular index arithmetic within one period.
struct TRing {
    int32_t n;
    int32_t Next(int32_t j) const { return j + 1 == n ? 0 : j + 1; }
    int32_t Prev(int32_t j) const { return j == 0 ? n - 1 : j - 1; }
    int32_t Diff(int32_t a, int32_t b) const { return ((a + n - b) % n + n) % n; }
};

bool InBand(int32_t sample, int32_t centre) {
    return sample >= centre - 4 && sample <= centre + 4;
}

// First index after `start` (circularly, `start` itself excluded) whose sample passes, or -1.
template <typename Pred> int32_t FirstAfter(const uint8_t *x, TRing ring, int32_t start, Pred pred) {
    for (int32_t j = ring.Next(start); j != start; j = ring.Next(j))
        if (pred(x[j]))
            return j;
    return -1;
}

bool FindEdges(const uint8_t *x, TRing ring, TPulseAnalysis &p) {
    const double d = (p.Top - p.Base) / 10, hi = p.Top - d, lo = p.Base + d, mid = (p.Top + p.Base) / 2;
    p.A = -1;
    p.B = p.High;
    bool seen = false;
    for (int32_t j = ring.Prev(p.High); j != p.Low; j = ring.Prev(j)) {
        if (!seen && x[j] > hi)
            p.B = j;
        if (x[j] < lo) {
            p.A = j;
            break;
        }
        if (x[j] <= hi)
            seen = true;
    }
    if (p.A == -1 || p.A == p.B)
        return false;
    p.C = -1;
    p.D = p.Low;
    seen = false;
    for (int32_t j = ring.Prev(p.Low); j != p.High; j = ring.Prev(j)) {
        if (!seen && x[j] < lo)
            p.D = j;
        if (x[j] > hi) {
            p.C = j;
            break;
        }
        if (x[j] >= lo)
            seen = true;
    }
    if (p.C == -1 || p.C == p.D)
        return false;
    int32_t w = -1;
    bool passed = false;
    for (int32_t j = ring.Next(p.Low); j != p.Low; j = ring.Next(j)) {
        passed = passed || j == p.C;
        if (x[j] < mid && w != -1 && passed)
            break;
        if (w == -1 && x[j] > mid)
            w = 0;
        if (w != -1)
            ++w;
    }
    p.Width = w;
    return w != -1;
}

} // namespace

bool AnalysePulse(const uint8_t *x, int32_t n, TPulseAnalysis &p) {
    if (n <= 0)
        return false;
    const TRing ring{n};
    std::array<int32_t, 256> h{};
    for (int32_t i = 0; i < n; ++i)
        ++h[x[i]];
    auto windowSum = [&](int32_t j) {
        int32_t s = 0;
        for (int32_t i = j - 4; i <= j + 4; ++i)
            s += h[i];
        return s;
    };
    int32_t p1 = 4, s1 = 0;
    for (int32_t j = 4; j <= 251; ++j)
        if (const int32_t s = windowSum(j); s > s1) {
            s1 = s;
            p1 = j;
        }
    int32_t p2 = 251, s2 = 0;
    for (int32_t j = 4; j <= 251; ++j)
        if (j < p1 - 8 || j > p1 + 8)
            if (const int32_t s = windowSum(j); s > s2) {
                s2 = s;
                p2 = j;
            }
    if (!(s1 + s2 > n / 2 && s1 > 0 && s2 > 0))
        return false;
    if (p2 < p1) {
        std::swap(p1, p2);
        std::swap(s1, s2);
    }
    const int32_t L = p1, H = p2;
    auto bandMean = [&](int32_t c, int32_t sum) {
        double s = 0;
        for (int32_t i = c - 4; i <= c + 4; ++i)
            s += double(i) * h[i];
        return s / sum;
    };
    p.Base = bandMean(L, s1);
    p.Top = bandMean(H, s2);
    const int32_t m = static_cast<int32_t>(std::nearbyint((p.Top - p.Base) / 4));

    int32_t i0 = -1;
    for (int32_t i = 0; i < n && i0 < 0; ++i)
        if (InBand(x[i], L))
            i0 = i;
    if (i0 < 0)
        return false;
    const int32_t pos = FirstAfter(x, ring, i0, [&](int32_t v) { return InBand(v, H); });
    if (pos < 0)
        return false;
    const int32_t e = FirstAfter(x, ring, pos, [&](int32_t v) { return v <= p.Top - m; });
    if (e < 0)
        return false;

    // Falling phase: a ceiling follows the signal down; one bounce above it is tolerated.
    int32_t t = H - 4, bounces = 0, low = -1;
    for (int32_t j = ring.Next(e); j != e; j = ring.Next(j)) {
        const int32_t v = x[j];
        if (v > t) {
            if (++bounces > 1)
                return false;
            t = v + m;
        }
        if (t - v > m)
            t = v + m;
        if (InBand(v, L)) {
            low = j;
            break;
        }
    }
    if (low < 0)
        return false;
    const int32_t r0 = FirstAfter(x, ring, low, [&](int32_t v) { return v >= p.Base + m; });
    if (r0 < 0)
        return false;

    // Rising phase: a floor follows the signal up.
    t = L + 4;
    bounces = 0;
    int32_t high = -1;
    for (int32_t j = r0; j != ring.Prev(r0); j = ring.Next(j)) {
        const int32_t v = x[j];
        if (v < t) {
            if (++bounces > 1)
                return false;
            t = v - m;
        }
        if (v - t > m)
            t = v - m;
        if (InBand(v, H)) {
            high = j;
            break;
        }
    }
    if (high < 0 || high != pos)
        return false;
    p.Low = low;
    p.High = pos;
    return FindEdges(x, ring, p);
}

TParamCalculator::TParamCalculator(const THostLink &host, TWaveParamsPellx &params, TParamStatsPellx &stats)
    : Host(host), Params(params), Stats(stats) {
    for (auto &flag : DataFlags)
        flag = false;
}

void TParamCalculator::SetDataFlags(const std::array<bool, ParamChannelCount> &flags) {
    for (int32_t i = 0; i < ParamChannelCount; ++i)
        DataFlags[i] = flags[i];
}

void TParamCalculator::Invalidate(int32_t channel, int32_t firstRow, int32_t lastRow) {
    std::lock_guard guard(Params.Mutex());
    for (int32_t row = firstRow; row <= lastRow && row < Params.Count(); ++row)
        Params.Param(row).ResetChannel(channel);
}

void TParamCalculator::SetRow(int32_t row, int32_t channel, double value) {
    if (row >= Params.Count())
        return;
    if (std::isfinite(value))
        Params.Param(row).AddValue(channel, value);
    else
        Params.Param(row).ResetChannel(channel);
}

void TParamCalculator::CalculateParams() {
    std::lock_guard windowGuard(Lock);
    Snapshot.Assign(Stats);
    const double rate = Host.FloatAnswerParam2(hcGetSampleRate);
    const int32_t end = std::min(Host.IntAnswer(hcGetMemorySize), MaxWindowSamples);
    const int32_t first = std::max(Host.IntAnswer(hcGetFirstSample), 0);
    const int32_t length = end - first;
    for (int32_t i = 0; i < ParamChannelCount; ++i) {
        const bool on = Snapshot.ChannelVisible(i);
        if (on && !Finders[i]) {
            Finders[i] = std::make_unique<TPeriodFinder>();
            Finders[i]->SmartUpdate = true;
            Finders[i]->Mode = pfmWiener;
        } else if (!on && Finders[i]) {
            Finders[i].reset();
        }
        if (Finders[i]) {
            Finders[i]->MaxPeriod = static_cast<int32_t>(std::nearbyint(std::max(length, 0) * 0.85));
            Finders[i]->SetSamplingRate(rate);
        }
    }
    std::array<TChannelWork, ParamChannelCount> work{};
    for (int32_t i = 0; i < ParamChannelCount; ++i) {
        if (!Snapshot.ChannelVisible(i) || !DataFlags[i] || length <= 0)
            Invalidate(i, 0, ParamRowCount - 1);
        else
            work[size_t(i)] = StartChannel(i, first, length);
    }
    FindPeriods(work, length);
    for (int32_t i = 0; i < ParamChannelCount; ++i)
        if (work[size_t(i)].X)
            FinishChannel(i, work[size_t(i)], length, rate);
}

// A tracked period is cheap and found in turn. The full searches are the costly part and touch nothing
// but their own finder and the samples, so the channels search side by side where the processor has
// cores for them.
void TParamCalculator::FindPeriods(std::array<TChannelWork, ParamChannelCount> &work, int32_t length) {
    std::vector<int32_t> channels;
    for (int32_t i = 0; i < ParamChannelCount; ++i)
        if (work[size_t(i)].X) {
            work[size_t(i)].Period = Finders[i]->Follow(work[size_t(i)].X, length);
            if (work[size_t(i)].Period == -1)
                channels.push_back(i);
        }
    auto find = [&](int32_t i) { work[size_t(i)].Period = Finders[i]->Search(); };
    const unsigned cores = std::thread::hardware_concurrency();
    if (channels.size() < 2 || cores < 2) {
        for (int32_t i : channels)
            find(i);
        return;
    }
    std::vector<std::exception_ptr> failures(channels.size());
    std::vector<std::thread> helpers;
    const size_t parallel = std::min<size_t>(channels.size(), cores);
    for (size_t h = 1; h < parallel; ++h)
        helpers.emplace_back([&, h] {
            for (size_t c = h; c < channels.size(); c += parallel)
                try {
                    find(channels[c]);
                } catch (...) {
                    failures[c] = std::current_exception();
                }
        });
    for (size_t c = 0; c < channels.size(); c += parallel)
        try {
            find(channels[c]);
        } catch (...) {
            failures[c] = std::current_exception();
        }
    for (std::thread &t : helpers)
        t.join();
    for (const std::exception_ptr &failure : failures)
        if (failure)
            std::rethrow_exception(failure);
}

TParamCalculator::TChannelWork TParamCalculator::StartChannel(int32_t channel, int32_t first,
                                                              int32_t length) {
    static const int32_t dataCodes[ParamChannelCount] = {hcGetDataA, hcGetDataB, hcGetDataC, hcGetDataD};
    TChannelWork w;
    const uint8_t *data = Host.AddressAnswer(dataCodes[channel]);
    const int32_t source = channel < 2 ? channel : RangeSource(channel);
    const int32_t range = Host.IntAnswerParam2(source == 0 ? hcGetProbeRangeA : hcGetProbeRangeB);
    w.Zero = Host.IntAnswer(source == 0 ? hcGetGroundA : hcGetGroundB);
    if (!data) {
        Invalidate(channel, 0, ParamRowCount - 1);
        return w;
    }
    w.X = data + first;
    w.Q = range / 32.0;
    const auto [minIt, maxIt] = std::minmax_element(w.X, w.X + length);
    w.Max = *maxIt;
    w.Min = *minIt;
    const double q = w.Q;
    const int32_t zero = w.Zero;
    std::lock_guard guard(Params.Mutex());
    SetRow(prPeakPeak, channel, (w.Max - w.Min) * q / 1000);
    SetRow(prPeakPlus, channel, (w.Max - zero) * q / 1000);
    SetRow(prPeakMinus, channel, (w.Min - zero) * q / 1000);
    return w;
}

void TParamCalculator::FinishChannel(int32_t channel, const TChannelWork &w, int32_t length, double rate) {
    const uint8_t *x = w.X;
    const double q = w.Q;
    const int32_t zero = w.Zero, max = w.Max, min = w.Min;
    const double peakPeak = (max - min) * q / 1000;
    int32_t n = w.Period;
    if (peakPeak == 0)
        n = -1;
    if (n <= 0 || n > length || max - min <= 3) {
        Invalidate(channel, prFrequency, ParamRowCount - 1);
        return;
    }
    double sum = 0, sumAbs = 0, sumSquares = 0;
    for (int32_t i = 0; i < n; ++i) {
        const double d = double(x[i]) - zero;
        sum += d;
        sumAbs += std::fabs(d);
        sumSquares += d * d;
    }
    const double dc = (sum / n) * q / 1000, vavg = q * (sumAbs / n) / 1000,
                 vrms = q * std::sqrt(sumSquares / n) / 1000;
    // Times need a sample rate; without one they are not available.
    const bool timed = rate > 0 && std::isfinite(rate);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double samplesPerSecond = rate * 1000;
    auto seconds = [&](int32_t samples) { return timed ? samples / samplesPerSecond : nan; };
    {
        std::lock_guard guard(Params.Mutex());
        SetRow(prFrequency, channel, timed ? rate * 1000 / n : nan);
        const double rpm = rate * 60000 / n;
        SetRow(prRPM, channel, timed && rpm <= 99999 ? rpm : nan);
        SetRow(prPeriod, channel, seconds(n));
        SetRow(prDCVoltage, channel, dc);
        SetRow(prVrms, channel, vrms);
        SetRow(prVavg, channel, vavg);
        SetRow(prCrestFactor, channel, vrms * 200 / peakPeak);
    }
    TPulseAnalysis pulse;
    if (!AnalysePulse(x, n, pulse)) {
        Invalidate(channel, prHighPulseWidth, ParamRowCount - 1);
        return;
    }
    const TRing ring{n};
    std::lock_guard guard(Params.Mutex());
    SetRow(prDutyFactor, channel, pulse.Width * 100.0 / n);
    SetRow(prLowPulseWidth, channel, seconds(ring.Diff(pulse.A, pulse.D)));
    SetRow(prHighPulseWidth, channel, seconds(ring.Diff(pulse.C, pulse.B)));
    SetRow(prHighPulseLevel, channel, (pulse.Top - zero) * q / 1000);
    SetRow(prLowPulseLevel, channel, (pulse.Base - zero) * q / 1000);
    const int32_t rise = ring.Diff(pulse.B, pulse.A), fall = ring.Diff(pulse.D, pulse.C);
    SetRow(prRiseTime, channel, rise == 1 ? nan : seconds(ring.Diff(pulse.B - 1, pulse.A)));
    SetRow(prFallTime, channel, fall == 1 ? nan : seconds(ring.Diff(pulse.D - 1, pulse.C)));
    SetRow(prHighOvershoot, channel, (max - pulse.Top) * 100 / (pulse.Top - pulse.Base));
    SetRow(prLowOvershoot, channel, (pulse.Base - min) * 100 / (pulse.Top - pulse.Base));
}

} // namespace parmod
