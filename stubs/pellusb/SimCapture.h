// One capture of the simulated instrument: the trigger on the input signals, the sample clock
// and the samples the FIFO delivers.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>

namespace pellsim {

// A trigger condition: sources (A, B, Ext) with their edges, the count of events and the shortest
// pulse before a qualifying edge (in samples).
struct TEdgeSpec {
    std::array<bool, 3> On{};
    std::array<bool, 3> Falling{};
    int32_t Count = 1;
    int32_t LengthSamples = 0;
    bool Any() const { return On[0] || On[1] || On[2]; }
};

struct TCaptureSettings {
    double SampleIntervalNs = 20;
    bool EquivalentTime = false;
    int32_t RecordLength = 4096;
    int32_t AfterTrigger = 0; // samples after the trigger
    int32_t HoldOffSamples = 0;
    TEdgeSpec Primary;
    bool SecondaryOn = false;
    TEdgeSpec Secondary;
    std::array<double, 3> Levels{128, 128, 128};
};

// Periods of the signals at the trigger's sources: the search steps by the shortest and gives up
// after a few of the longest.
struct TPeriods {
    double Shortest = 1e6;
    double Longest = 1e6;
};

// Level of a trigger source (0 A, 1 B, 2 Ext) at a time in ns.
using TSourceLevel = std::function<double(int source, double timeNs)>;

class TSimCapture {
public:
    static constexpr double Never = std::numeric_limits<double>::infinity();

    void Arm(double now, const TCaptureSettings &settings, const TSourceLevel &level, std::mt19937 &random,
             const TPeriods &periods);
    void Stop() { Armed = false; }
    bool IsArmed() const { return Armed; }

    uint16_t StatusWord(double now) const;
    // The sample count the instrument reports for a complete capture (the test control's when set).
    int32_t SampleCount(double now) const;
    // Samples the FIFO holds: the reported count, at most the record.
    int32_t ValidSamples(double now) const;
    double SampleTime(int32_t index, double now) const;
    // The same for a FIFO holding `valid` samples (ValidSamples at that time).
    double SampleTimeOf(int32_t index, int32_t valid) const {
        const double ts = Settings.SampleIntervalNs;
        if (Untriggered)
            return ArmTime + Delay + index * ts;
        const int32_t count = valid > 1 ? valid : 1;
        return Trigger + Delay + (index - (count - Settings.AfterTrigger)) * ts;
    }
    double TriggerTime() const { return Trigger; }
    double SampleInterval() const { return Settings.SampleIntervalNs; }
    int32_t RecordLength() const { return Settings.RecordLength; }
    void SetReportedCount(int32_t count) { ReportedCount = count; }
    // A fixed phase for every capture (0: random phases).
    void SetFixedPhase(uint16_t phase) { FixedPhase = phase; }

private:
    double FindEvent(double from, const TEdgeSpec &spec, const TSourceLevel &level,
                     const TPeriods &periods) const;
    double DoneTime() const;

    TCaptureSettings Settings;
    bool Armed = false;
    bool Untriggered = false;
    double ArmTime = 0;
    double Trigger = Never;
    double Delay = 0; // from the trigger (untriggered: the arming) to the next sample clock
    uint16_t Phase = 0;
    int32_t ReportedCount = 0;
    uint16_t FixedPhase = 0;
};

} // namespace pellsim
