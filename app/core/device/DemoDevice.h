// The demonstration instrument: two channels that always see the same 10 kHz sine, used when no
// instrument answers. It finds the trigger edge on the sine analytically, generates the record around it
// with a little noise, and makes each record take as long to fill as it would at the chosen rate.
#pragma once

#include "device/DriverAbstraction.h"
#include "platform/Platform.h"

#include <memory>
#include <vector>

namespace scope {

class TDAO_DEMO : public TDriverAbstraction {
public:
    static constexpr int32_t RingSize = 1 << 20;
    static constexpr int32_t SineSteps = 16384; // table steps per signal period
    static constexpr double SignalFrequency = 10000;

    // Runs on the real clock, sleeper and a random source seeded from the clock by LoadDriver.
    TDAO_DEMO();
    // Runs on the given seams (tests); they must outlive the object.
    TDAO_DEMO(platform::IClock &clock, platform::ISleeper &sleeper, platform::IRandom &random);

    bool EnumerateDevices(TDeviceList &list) override;
    std::string GetDeviceName() override;
    int32_t LoadDriver() override;
    int32_t OpenDevice(int32_t index) override;
    void GetCapabilities(TCapabilities &capabilities) override;
    void StartAcquisition() override;
    void SetStartRequest(bool on) override;
    int32_t ReadAcquisition(TAcquiredData &data) override;
    void SetTimeBase(int32_t value) override;
    int32_t SetRange(int32_t channel, int32_t value) override;
    void SetVerticalShift(int32_t channel, int32_t shift) override;
    void SetTriggerMode(int32_t mode) override;
    void SetTriggerSource(int32_t which, int32_t source, bool on) override;
    void SetTriggerLeading(int32_t which, int32_t source, bool leading) override;
    void SetTriggerLevel(int32_t source, int32_t level) override;
    void SetAfterTrigger(int32_t samples) override;
    void SetHoldOff(int32_t value) override;
    void SetTriggerCount(int32_t which, int32_t count) override;
    void SetTriggerLength(int32_t which, int32_t length) override;
    void SetFilterOn(int32_t channel, bool on) override;
    void SetFilterFactor(int32_t channel, int32_t factor) override;
    void SetGround(int32_t channel, bool on) override;
    void SetDCCoupling(int32_t channel, bool on) override;
    void SetProbeMode(int32_t channel, int32_t mode) override;
    double GetGroundPosition(int32_t channel) override;
    int32_t PositionToShift(int32_t channel, int32_t position) override;
    void SetChannelHold(int32_t channel, bool on) override;
    void SetMemorySize(int32_t samples) override;
    void SetWCD(int32_t value) override;
    void GetSamplingProgress(int32_t &progressA, int32_t &progressB) override;
    void SetCompensationGenerator(bool on) override;
    void QueryDriverVersion(std::array<uint8_t, 2> &version) override;
    bool IsCommunicationOK() override;
    int32_t GetSerialNumber() override;

    // Phase in radians (0 <= phase <= 2 pi) of the first trigger edge within one sine period, or -1.
    double FindTriggerPhase() const;
    // Generates a record into the rings; true when a trigger edge was found. With requireTrigger and no
    // edge nothing is generated; noSearch skips the search and the pre-trigger part.
    bool GenerateRecord(bool requireTrigger, bool noSearch);
    // Milliseconds the last generated record takes to fill at the current rate.
    double FillTime() const;

    // Inspection of the simulation state.
    int32_t State() const { return StateValue; }
    int32_t GeneratedCount() const { return Generated; }
    int32_t WritePosition() const { return WritePos; }
    const std::vector<uint8_t> &Ring(int32_t channel) const { return channel == 0 ? RingA : RingB; }
    double Gain(int32_t channel) const { return GainOf[channel & 1]; }
    double SampleInterval() const { return Interval; }

private:
    static bool IsChannel(int32_t channel) { return channel == 0 || channel == 1; }
    void Reset();
    // Uniform 0..range-1; 0 for range <= 0.
    int32_t Random(int32_t range);
    bool FillTimePassed() const;
    uint32_t PauseBeforePoll() const;
    void CopyOut(TAcquiredData &data);

    std::unique_ptr<platform::IClock> OwnClock;
    std::unique_ptr<platform::ISleeper> OwnSleeper;
    std::unique_ptr<platform::IRandom> OwnRandom;
    platform::IClock *Clock;
    platform::ISleeper *Sleeper;
    platform::IRandom *RandomSource;
    // Levels of every sine step (rows) and noise value 0..9 (columns) at the gain and offset they were
    // made for; remade when those change.
    static constexpr int32_t NoiseValues = 10;
    static constexpr int32_t TableWorthSamples = 1 << 16;
    static constexpr int32_t TableWorthRecords = 8;
    bool LevelTablesCurrent() const;
    void UpdateLevelTables();
    int32_t ShortRecordsSinceChange = 0;
    std::vector<uint8_t> LevelTable[2];
    double TableGain[2] = {0, 0}, TableOffset[2] = {0, 0};

    std::vector<double> Sine;
    std::vector<uint8_t> RingA, RingB;
    int32_t WritePos = 0;
    int32_t Generated = 0;
    uint32_t StartTime = 0;
    double Interval;
    int32_t TriggerMode = tmAuto;
    int32_t StateValue = 0;
    bool StartRequest = false;
    double GainOf[2];
    double OffsetOf[2] = {0, 0};
    int32_t Shift[2] = {0, 0};
    bool TriggerSourceOn[2] = {false, false};
    int32_t TriggerLevel[2] = {0, 0};
    bool Leading[2] = {false, false};
    bool Ground[2] = {false, false};
    bool Hold[2] = {false, false};
    int32_t AfterTrigger = 0;
    int32_t HoldOff = 0;
    int32_t MemorySize = 0;
};

} // namespace scope
