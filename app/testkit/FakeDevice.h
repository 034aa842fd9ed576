// A device double for the start-up tests: scripted answers to the search, a log of the calls.
#pragma once

#include "device/DriverAbstraction.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace scope {

class TFakeDevice : public TDriverAbstraction {
public:
    struct TScript {
        int32_t LoadResult = drOk;
        bool Enumerates = false;
        TDeviceList List;
        int32_t OpenResult = drOk;
        std::string Name = "Fake";
        int32_t Serial = 0;
        std::array<uint8_t, 2> DriverVersion{0, 0};
        bool LinkUp = true;
    };
    TFakeDevice(TScript script, std::vector<std::string> *log) : Script(std::move(script)), Log(log) {}
    ~TFakeDevice() override {
        Note("free " + Script.Name);
        if (OnFree)
            OnFree();
    }
    std::function<void()> OnFree;
    // When set, answers OpenDevice by index in place of the script's one result.
    std::function<int32_t(int32_t index)> OpenAnswer;

    bool EnumerateDevices(TDeviceList &list) override {
        Note("enumerate " + Script.Name);
        if (Script.Enumerates)
            list = Script.List;
        return Script.Enumerates;
    }
    std::string GetDeviceName() override { return Script.Name; }
    int32_t LoadDriver() override {
        Note("load " + Script.Name);
        return Script.LoadResult;
    }
    int32_t OpenDevice(int32_t index) override {
        Note("open " + Script.Name + " " + std::to_string(index));
        return OpenAnswer ? OpenAnswer(index) : Script.OpenResult;
    }
    void GetCapabilities(TCapabilities &) override { Note("capabilities " + Script.Name); }
    void StartAcquisition() override {}
    void SetStartRequest(bool) override {}
    int32_t ReadAcquisition(TAcquiredData &) override { return asWaiting; }
    void SetTimeBase(int32_t) override {}
    int32_t SetRange(int32_t, int32_t) override { return 0; }
    void SetVerticalShift(int32_t, int32_t) override {}
    void SetTriggerMode(int32_t) override {}
    void SetTriggerSource(int32_t, int32_t, bool) override {}
    void SetTriggerLeading(int32_t, int32_t, bool) override {}
    void SetTriggerLevel(int32_t, int32_t) override {}
    void SetAfterTrigger(int32_t) override {}
    void SetHoldOff(int32_t) override {}
    void SetTriggerCount(int32_t, int32_t) override {}
    void SetTriggerLength(int32_t, int32_t) override {}
    void SetFilterOn(int32_t, bool) override {}
    void SetFilterFactor(int32_t, int32_t) override {}
    void SetGround(int32_t, bool) override {}
    void SetDCCoupling(int32_t, bool) override {}
    void SetProbeMode(int32_t, int32_t) override {}
    double GetGroundPosition(int32_t) override { return 128; }
    int32_t PositionToShift(int32_t, int32_t) override { return 0; }
    void SetChannelHold(int32_t, bool) override {}
    void SetMemorySize(int32_t) override {}
    void SetWCD(int32_t) override {}
    void GetSamplingProgress(int32_t &a, int32_t &b) override { a = b = 100; }
    void SetCompensationGenerator(bool) override {}
    void QueryDriverVersion(std::array<uint8_t, 2> &v) override { v = Script.DriverVersion; }
    bool IsCommunicationOK() override { return Script.LinkUp; }
    int32_t GetSerialNumber() override { return Script.Serial; }

    TScript Script;

private:
    void Note(const std::string &s) {
        if (Log)
            Log->push_back(s);
    }
    std::vector<std::string> *Log;
};

// Tells whether a lock was held while a device call ran: from within the call, another thread tries to
// take the lock and is given a moment to do so.
class TLockProbe {
public:
    TLockProbe(std::function<void()> lock, std::function<void()> unlock)
        : LockFn(std::move(lock)), UnlockFn(std::move(unlock)) {}
    ~TLockProbe() {
        if (Other.joinable())
            Other.join();
    }
    // Called inside the device call.
    void Probe() {
        if (Other.joinable())
            return;
        Other = std::thread([this] {
            LockFn();
            Taken = true;
            UnlockFn();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        HeldDuringCall = !Taken;
        Probed = true;
    }
    bool Probed = false;
    bool HeldDuringCall = false;

private:
    std::function<void()> LockFn, UnlockFn;
    std::atomic<bool> Taken{false};
    std::thread Other;
};

} // namespace scope
