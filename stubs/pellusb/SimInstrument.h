// The simulated Pellan instrument behind the USB access calls: registers with queued writes, the
// link and its callback, the instrument memory and the programmable-logic load.
#pragma once

#include "SimCalibration.h"

#include <array>
#include <cstdint>
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

    // The front end of a channel as the registers set it.
    TInputStage Stage(int channel) const;

private:
    // Every call that reaches the device passes here: it may break the link, and tells the
    // callback when the link state it last reported has changed. False while the link is down.
    bool Reach();
    void Apply(int32_t reg, int32_t value, bool flushing);

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
};

// The one simulated instrument of the loaded library.
TSimInstrument &Instrument();

} // namespace pellsim
