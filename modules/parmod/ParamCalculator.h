// The waveform parameters of the four channels, computed after every acquisition in the host's
// acquisition thread from the data the host callbacks hand out. Touches no widget.
#pragma once

#include "HostLink.h"
#include "PeriodFinder.h"
#include "WaveParamsPellx.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace parmod {

enum TParamRow {
    prPeakPeak,
    prPeakPlus,
    prPeakMinus,
    prFrequency,
    prRPM,
    prPeriod,
    prDCVoltage,
    prVrms,
    prVavg,
    prCrestFactor,
    prHighPulseWidth,
    prLowPulseWidth,
    prDutyFactor,
    prHighPulseLevel,
    prLowPulseLevel,
    prHighOvershoot,
    prLowOvershoot,
    prRiseTime,
    prFallTime,
    ParamRowCount
};

// The nineteen rows in table order.
void DefineParamRows(TWaveParamsPellx &params);

// The largest window, in samples.
constexpr int32_t MaxWindowSamples = 131072;

// Result of the pulse analysis of one period: levels, anchors and edge indices within the period.
struct TPulseAnalysis {
    double Base = 0, Top = 0;
    int32_t Low = -1, High = -1;
    int32_t A = -1, B = -1, C = -1, D = -1;
    int32_t Width = -1;
};

// Decides whether the n samples are one clean period of a two-level pulse and finds its edges.
bool AnalysePulse(const uint8_t *x, int32_t n, TPulseAnalysis &result);

class TParamCalculator {
public:
    TParamCalculator(const THostLink &host, TWaveParamsPellx &params, TParamStatsPellx &stats);

    void CalculateParams();

    // Which channels hold data; C and D are computed only when the host says so.
    void SetDataFlags(const std::array<bool, ParamChannelCount> &flags);
    // Range and ground source of a virtual channel (2 = C, 3 = D): 0 = A, 1 = B.
    int32_t RangeSource(int32_t channel) const { return RangeSources[channel == 3 ? 1 : 0]; }
    void SetRangeSource(int32_t channel, int32_t source) {
        RangeSources[channel == 3 ? 1 : 0] = source == 1 ? 1 : 0;
    }

    // Held for the whole computation; whoever changes the finders or the range sources takes it.
    std::mutex &WindowLock() { return Lock; }
    const TPeriodFinder *Finder(int32_t channel) const { return Finders[channel].get(); }

private:
    // One channel's part of a computation: its samples (null: nothing to compute), level scale,
    // 0 V level, extremes and period.
    struct TChannelWork {
        const uint8_t *X = nullptr;
        double Q = 0;
        int32_t Zero = 0, Max = 0, Min = 0, Period = -1;
    };
    // The peaks, asked and set in channel order; then the periods; then the other rows.
    TChannelWork StartChannel(int32_t channel, int32_t first, int32_t length);
    void FindPeriods(std::array<TChannelWork, ParamChannelCount> &work, int32_t length);
    void FinishChannel(int32_t channel, const TChannelWork &w, int32_t length, double rate);
    void Invalidate(int32_t channel, int32_t firstRow, int32_t lastRow);
    // Sets a row, or invalidates it when the value is not a finite number.
    void SetRow(int32_t row, int32_t channel, double value);

    const THostLink &Host;
    TWaveParamsPellx &Params;
    TParamStatsPellx &Stats;
    TParamStatsPellx Snapshot;
    std::mutex Lock;
    std::array<std::unique_ptr<TPeriodFinder>, ParamChannelCount> Finders;
    std::array<std::atomic<bool>, ParamChannelCount> DataFlags{};
    std::array<std::atomic<int32_t>, 2> RangeSources{0, 1};
};

} // namespace parmod
