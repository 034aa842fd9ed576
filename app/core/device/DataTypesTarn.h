// Acquisition records, device capabilities, and the short display texts of measured values.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace scope {

// The general error class and the conversion error of the parsers.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// One channel's record; empty when Last < First.
struct TWaveform {
    std::vector<uint8_t> Data;
    int32_t First = 0;
    int32_t Last = -1;

    bool Empty() const { return Last < First; }
    void MakeEmpty() {
        First = 0;
        Last = -1;
    }
};

// One element per channel: physical, then virtual, then those of a loaded record.
using TAcquiredData = std::vector<TWaveform>;
using TAcquiredDataPtrs = std::vector<void *>;

struct TDeviceListRow {
    int32_t ID = 0;
    int32_t SlotIndex = 0;
    int32_t InUse = 0;
};
using TDeviceList = std::vector<TDeviceListRow>;

struct TTimeBaseRow {
    double SampleRate = 0;     // effective rate of a record, samples per second
    double RealSampleRate = 0; // converter rate; clocks the pulse-length filter
    int32_t EquivalentTime = 0;
    int32_t DeviceValue = 0;
};

struct TRangeRow {
    double VoltsPerDiv = 0;
    int32_t DeviceValue = 0;
};

using TMemorySizeList = std::vector<int32_t>;
using TTimeBaseList = std::vector<TTimeBaseRow>;
using TRangeList = std::vector<TRangeRow>;

// What the attached instrument can do. Built-in defaults first, then the device object's values.
struct TCapabilities {
    int32_t PointsOnScreen = 0;
    int32_t PointsPerDiv = 0;
    int32_t LevelCount = 0;
    int32_t LevelsPerDiv = 0;
    int32_t ChannelCount = 0;
    int32_t PhysicalChannelCount = 0;
    int32_t VirtualChannelCount = 0;
    TMemorySizeList MemorySizes;
    TTimeBaseList TimeBases;
    TRangeList Ranges;
    int32_t ShiftMax = 0, ShiftMin = 0;
    int32_t TriggerSourceCount = 0;
    int32_t AfterTriggerMin = 0, AfterTriggerMax = 0;
    int32_t HoldOffMin = 0, HoldOffMax = 0, HoldOffStep = 0;
    int32_t CountMin = 0, CountMax = 0;
    int32_t LengthMin = 0, LengthMax = 0, LengthStep = 0;
    double TriggerLatency = 0;

    TMemorySizeList &MemorySizeList() { return MemorySizes; }
    TTimeBaseList &TimeBaseList() { return TimeBases; }
    TRangeList &RangeList() { return Ranges; }
    // Screen geometry, channel counts and memory sizes; touches nothing else.
    void SetDefaultCapabilities();
};

// Display texts: number and prefix only, callers append the unit.
std::string FormatInteger(int32_t n);
std::string FormatDecimalPrefix(int32_t n);
std::string FormatBinaryPrefix(int32_t n);
std::string FormatFrequency(double x);
std::string FormatTime(double x);
std::string FormatVoltage(double x);
// Parsers of typed values; they raise EConvertError or Exception.
int32_t ParsePercent(const std::string &s);
double ParseTime(const std::string &s);
std::string CouplingText(bool dc);
std::string ProbeText(int32_t probe);
int32_t ProbeFactor(int32_t probe);

// The shared ending of every Format function: rounded to three decimals (halves to even) and
// written in the shortest form with the user's decimal separator.
std::string NumberText(double x);

} // namespace scope
