#include "trigger/TriggerArithmetic.h"

#include "settings/SettingsTarn.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace scope {

int32_t RoundSaturated(double x) {
    if (std::isnan(x))
        return 0;
    const double r = std::nearbyint(x);
    if (r >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    if (r <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

int32_t Saturate32(int64_t x) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(x, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

const TTimeBaseRow *CurrentTimeBaseRow(const TSettingsTarn &s) {
    if (s.TimeBases.empty())
        return nullptr;
    const int64_t last = static_cast<int64_t>(s.TimeBases.size()) - 1;
    const TDeviceSettings &r = s.RequestedSettings();
    return &s.TimeBases[static_cast<size_t>(std::clamp<int64_t>(r.TimeBase, 0, last))];
}

double FirstRate(const TTimeBaseRow *row) {
    return row ? row->SampleRate : 0;
}

double SecondRate(const TTimeBaseRow *row) {
    return row ? row->RealSampleRate : 0;
}

int32_t EquivalentTimeFactor(const TTimeBaseRow *row) {
    if (!row || !(row->RealSampleRate > 0))
        return 1;
    return std::max(RoundSaturated(row->SampleRate / row->RealSampleRate), 1);
}

bool IsEquivalentTimeRow(const TTimeBaseRow *row) {
    return row && (row->EquivalentTime & 1) != 0;
}

int32_t DividingStep(int32_t step) {
    return step > 0 ? step : 1;
}

namespace {

int32_t Clamp(int64_t v, int32_t low, int32_t high) {
    // Raised first, then lowered, so that crossed limits end at the upper one.
    if (v < low)
        v = low;
    if (v > high)
        v = high;
    return static_cast<int32_t>(v);
}

// round(v / step) * step, in 64 bits.
int64_t ToMultiple(int64_t v, int32_t step, int32_t origin) {
    const int32_t d = DividingStep(step);
    const double steps = std::nearbyint((static_cast<double>(v) - origin) / d);
    return static_cast<int64_t>(steps) * d + origin;
}

} // namespace

void NormalizeTriggerSettings(TSettingsTarn &s) {
    TDeviceSettings &r = s.RequestedSettings();
    const TTimeBaseRow *row = CurrentTimeBaseRow(s);

    if (r.TriggerMode < 0)
        r.TriggerMode = 3;
    else if (r.TriggerMode > 3)
        r.TriggerMode = 0;
    if (s.ATMode < 0 || s.ATMode > 3)
        s.ATMode = 0;
    if (s.ATValueMode < 0 || s.ATValueMode > 1)
        s.ATValueMode = 0;

    switch (s.ATMode) {
    case 0:
        r.AfterTrigger = r.MemorySize / 2;
        break;
    case 1:
        r.AfterTrigger = r.MemorySize;
        break;
    case 3:
        r.AfterTrigger = 0;
        break;
    default:
        break;
    }
    const int32_t g = EquivalentTimeFactor(row);
    int64_t after = r.AfterTrigger;
    const int64_t lowest = static_cast<int64_t>(s.AfterTriggerMin) * g;
    if (after < lowest)
        after = lowest;
    if (after > s.AfterTriggerMax)
        after = s.AfterTriggerMax;
    after = (after / g) * g;
    r.AfterTrigger = Saturate32(after);

    if (IsEquivalentTimeRow(row))
        s.HFMode = 0;
    if (s.HFMode < 0 || s.HFMode > 1)
        s.HFMode = 0;
    if (s.SimpleTrigger)
        s.HFMode = 0;
    int64_t holdOff = r.HoldOff;
    if (s.HFMode == 0)
        holdOff = std::max<int64_t>(static_cast<int64_t>(r.MemorySize) - r.AfterTrigger, 0);
    holdOff = ToMultiple(holdOff, s.HoldOffStep, s.HoldOffMin);
    r.HoldOff = Clamp(holdOff, s.HoldOffMin, s.HoldOffMax);

    for (int32_t &count : r.TriggerCount)
        count = Clamp(count, s.CountMin, s.CountMax);

    if (s.SimpleTrigger) {
        r.TriggerLength[0] =
            IsEquivalentTimeRow(row) ? 0 : Saturate32(2 * static_cast<int64_t>(s.LengthStep));
        r.TriggerCount[0] = s.CountMin;
        std::fill(r.TriggerSourceOn[1].begin(), r.TriggerSourceOn[1].end(), uint8_t(0));
    }
    for (int32_t &length : r.TriggerLength) {
        int64_t l = ToMultiple(length, s.LengthStep, 0);
        if (l == s.LengthStep)
            l = s.LengthMin;
        length = Clamp(l, s.LengthMin, s.LengthMax);
    }
}

double SecondsOfSamples(int64_t samples, double rate) {
    return rate > 0 ? static_cast<double>(samples) / rate : 0;
}

int32_t SamplesOfTime(double rate, double seconds) {
    return RoundSaturated(rate * seconds);
}

int32_t SamplesOfPercent(int32_t memorySize, int32_t percent) {
    return RoundSaturated(static_cast<double>(memorySize) * percent / 100);
}

void RememberShownTimes(const TSettingsTarn &s, TTriggerTimes &times) {
    const TDeviceSettings &r = s.RequestedSettings();
    const double rate = FirstRate(CurrentTimeBaseRow(s));
    times.AfterTriggerTime = SecondsOfSamples(r.AfterTrigger, rate);
    times.AfterTriggerPercent =
        r.MemorySize > 0 ? static_cast<double>(static_cast<int64_t>(r.AfterTrigger) * 100) / r.MemorySize : 0;
    times.HoldOffTime = SecondsOfSamples(r.HoldOff, rate);
}

void RememberLengthTimes(const TSettingsTarn &s, TTriggerTimes &times) {
    const TDeviceSettings &r = s.RequestedSettings();
    const double rate = SecondRate(CurrentTimeBaseRow(s));
    for (size_t k = 0; k < 2; ++k)
        times.LengthTime[k] = SecondsOfSamples(r.TriggerLength[k], rate);
}

void CountsFromTimes(TSettingsTarn &s, const TTriggerTimes &times) {
    TDeviceSettings &r = s.RequestedSettings();
    const TTimeBaseRow *row = CurrentTimeBaseRow(s);
    if (s.ATValueMode == 0)
        r.AfterTrigger = SamplesOfTime(FirstRate(row), times.AfterTriggerTime);
    else if (s.ATValueMode == 1)
        r.AfterTrigger = RoundSaturated(static_cast<double>(r.MemorySize) * times.AfterTriggerPercent / 100);
    r.HoldOff = SamplesOfTime(FirstRate(row), times.HoldOffTime);
    for (size_t k = 0; k < 2; ++k)
        r.TriggerLength[k] = SamplesOfTime(SecondRate(row), times.LengthTime[k]);
}

TColor StatusLampColor(int32_t state, int32_t mode, bool startRequest, bool hold) {
    if (hold)
        return LampGreen;
    switch (state) {
    case 0:
        return (mode == 2 || mode == 3) && !startRequest ? LampGreen : LampRed;
    case 1:
        return LampYellow;
    case 2:
        return LampGreen;
    default:
        return LampGrey;
    }
}

std::optional<int32_t> MiddleLevel(const TWaveform &w) {
    const int64_t first = std::max<int64_t>(w.First, 0);
    const int64_t last = std::min<int64_t>(w.Last, static_cast<int64_t>(w.Data.size()) - 1);
    int32_t lowest = 255, highest = 0;
    for (int64_t i = first; i <= last; ++i) {
        const int32_t v = w.Data[static_cast<size_t>(i)];
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
    }
    if (first > last || highest < lowest)
        return std::nullopt;
    return (highest + lowest) / 2;
}

} // namespace scope
