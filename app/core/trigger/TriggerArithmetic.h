// The trigger panel's arithmetic, free of any control: the clamp of every trigger setting to the device
// limits, the conversions between times and sample counts, the times kept across time-base and
// memory-size changes, the status lamp's colour and the middle level of a waveform.
#pragma once

#include "device/DataTypesTarn.h"
#include "settings/LampColors.h"
#include "settings/OptionsTarn.h"

#include <array>
#include <cstdint>
#include <optional>

namespace scope {

class TSettingsTarn;

// Rounds to the nearest integer, halves to even, saturated to the 32-bit range; NaN gives 0.
int32_t RoundSaturated(double x);
int32_t Saturate32(int64_t x);

// The time-base row of the requested time base; null when the instrument has no time bases.
const TTimeBaseRow *CurrentTimeBaseRow(const TSettingsTarn &s);
// Effective rate over the pulse-length clock, rounded; at least 1.
int32_t EquivalentTimeFactor(const TTimeBaseRow *row);
bool IsEquivalentTimeRow(const TTimeBaseRow *row);
double FirstRate(const TTimeBaseRow *row);
double SecondRate(const TTimeBaseRow *row);
// A step not above 0 would divide by zero; it counts as 1 where it divides.
int32_t DividingStep(int32_t step);

// Derives the after-trigger and hold-off amounts from their modes and brings every trigger setting
// within the device limits.
void NormalizeTriggerSettings(TSettingsTarn &s);

// The times the panel keeps so that a change of time base or memory size keeps times, not counts.
struct TTriggerTimes {
    double AfterTriggerTime = 0;    // seconds
    double AfterTriggerPercent = 0; // of the memory size
    double HoldOffTime = 0;         // seconds
    std::array<double, 2> LengthTime{};
};

// The after-trigger time and percentage and the hold-off time of the current counts.
void RememberShownTimes(const TSettingsTarn &s, TTriggerTimes &times);
// The pulse-length times of the current counts.
void RememberLengthTimes(const TSettingsTarn &s, TTriggerTimes &times);
// Counts of the current time base and memory size from the kept times (not yet clamped).
void CountsFromTimes(TSettingsTarn &s, const TTriggerTimes &times);

// Sample counts of a typed time or percentage, saturated.
int32_t SamplesOfTime(double rate, double seconds);
int32_t SamplesOfPercent(int32_t memorySize, int32_t percent);
double SecondsOfSamples(int64_t samples, double rate);

// The lamp's colour for the last acquisition state.
TColor StatusLampColor(int32_t state, int32_t mode, bool startRequest, bool hold);

// Half-way between the lowest and highest level of the waveform's samples; none for an empty one.
std::optional<int32_t> MiddleLevel(const TWaveform &w);

} // namespace scope
