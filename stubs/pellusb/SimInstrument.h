// The simulated Pellan instrument behind the USB access calls: registers with queued writes, the
// link and its callback, the instrument memory and the programmable-logic load.
#pragma once

#include "SimCalibration.h"
#include "SimCapture.h"
#include "SimSignal.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <random>
#include <vector>

namespace pellsim {

using TLinkCallback = void (*)(uint8_t linkUp);

struct TLogEntry {
    int32_t Register;
    int32_t Value;
    bool Flushing;
};

class TSimInstrument {
public:
    static constexpr int RegisterCount = 16;
    static constexpr int MemorySize = 512;

    TSimInstrument() { Reset(); }
    void Reset();

    // The calls of the USB access library.
    int32_t InitDevice();
    int32_t ConfigureFpga(const uint8_t *buffer, int32_t size);
    int32_t SingleRead(int32_t reg);
    void QueueWrite(int32_t reg, int32_t value);
    void Write(int32_t reg, int32_t value);
    int32_t Flush();
    void FifoRead(int32_t channel, void *buffer, int32_t byteCount);
    int32_t ReadMemory(int32_t address);
    int32_t DeviceId();
    void SetCallback(TLinkCallback callback) { Callback = callback; }
    int32_t Ready();

    // Test controls.
    void SetModel(int32_t type) { Type = type; }
    void SetLinkUp(bool up) { LinkUp = up; }
    void BreakLinkAfter(int32_t calls) { BreakCountdown = calls > 0 ? calls : 0; }
    void WriteMemory(int32_t address, const uint8_t *bytes, int32_t count);
    void CopyMemory(int32_t address, uint8_t *bytes, int32_t count) const;
    void DamageCalibration();
    void SetImageMismatch(bool on) { RejectImages = on; }
    bool Configured() const { return IsConfigured; }
    const std::vector<TLogEntry> &Log() const { return WriteLog; }
    void ClearLog() { WriteLog.clear(); }
    int32_t Register(int32_t reg) const;

    // Virtual time: by default it follows the steady clock; tests may hold it and step it.
    void SetManualTime(bool on);
    void AdvanceTime(double ns) { ManualNow += ns; }
    void SetTime(double ns) { ManualNow = ns; }
    double Now() const;
    void SetSignal(int channel, const TSignal &signal);
    void SetSeed(uint32_t seed) { Random.seed(seed); }
    void SetReportedCount(int32_t count) { Capture.SetReportedCount(count); }
    void SetFixedPhase(uint16_t phase) { Capture.SetFixedPhase(phase); }
    const TSimCapture &LastCapture() const { return Capture; }
    // Screen level (unclipped) of an input at a time, through the front end as set now.
    double InputLevelAt(int channel, double timeNs) const;

    // The front end of a channel as the registers set it.
    TInputStage Stage(int channel) const;

private:
    // Every call that reaches the device passes here: it may break the link, and tells the
    // callback when the link state it last reported has changed. False while the link is down.
    bool Reach();
    // The link as the tests set it: the flag and the link file of PELLUSB_LINK_FILE.
    bool LinkIsUp() const;
    void Apply(int32_t reg, int32_t value, bool flushing);
    void ArmCapture(uint16_t word);
    TCaptureSettings DecodeCaptureSettings(uint16_t word) const;
    // The after-trigger counter's steps, walked again only when its preload changes: a walk takes up to
    // 65,536 steps, and every arming asks.
    int32_t AfterTriggerSteps() const;
    int32_t RecordLength() const;

    int32_t Type = -1;
    bool Open = false;
    bool IsConfigured = false;
    bool RejectImages = false;
    bool LinkUp = true;
    bool ReportedUp = true;
    int32_t BreakCountdown = 0;
    TLinkCallback Callback = nullptr;
    std::array<uint16_t, RegisterCount> Registers{};
    std::vector<std::pair<int32_t, int32_t>> Queue;
    std::vector<TLogEntry> WriteLog;
    std::array<uint8_t, MemorySize> Memory{};
    TSignals Signals;
    TSimCapture Capture;
    std::mt19937 Random;
    bool ManualTime = false;
    double ManualNow = 0;
    std::chrono::steady_clock::time_point Origin = std::chrono::steady_clock::now();
    mutable uint16_t StepsPreload = 0;
    mutable int32_t StepsOfPreload = -1;
};

// The one simulated instrument of the loaded library.
TSimInstrument &Instrument();

} // namespace pellsim
