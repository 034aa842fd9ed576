// A device double: scripted answers to the search and start-up (noted as "load Name", "open Name 3" ... in a
// log the caller may share between devices), every setting sent to the instrument logged as a call
// ("TimeBase(100)"), and scripted results of the polls. The acquisition thread drives it from its own
// thread, so its counters and the call log are safe to read from the test's.
#pragma once

#include "device/DriverAbstraction.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace scope {

class TFakeDevice : public TDriverAbstraction {
public:
    using TLog = std::vector<std::string>;
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
    TFakeDevice() : TFakeDevice(TScript{}, nullptr) {}
    TFakeDevice(TScript script, TLog *log) : Script(std::move(script)), Log(log) {
        Version = Script.DriverVersion;
        LinkOk = Script.LinkUp;
    }
    ~TFakeDevice() override {
        Note("free " + Script.Name);
        if (OnFree)
            OnFree();
    }

    // "Name(a,b)": how a call that sends something is logged.
    static std::string Call(const std::string &name, std::initializer_list<int> args) {
        std::string s = name + "(";
        bool first = true;
        for (int a : args) {
            s += (first ? "" : ",") + std::to_string(a);
            first = false;
        }
        return s + ")";
    }
    // The calls sent since the last time, emptied.
    TLog Take() {
        std::lock_guard<std::mutex> g(SentMutex);
        TLog out;
        out.swap(Sent);
        return out;
    }
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
    void StartAcquisition() override {
        if (OnStart)
            OnStart();
        ++Starts;
        Send("Start");
    }
    void SetStartRequest(bool on) override { Send(Call("StartRequest", {on})); }
    int32_t ReadAcquisition(TAcquiredData &data) override {
        ++Reads;
        if (OnRead)
            OnRead();
        if (ThrowOnRead)
            throw Exception("read failed");
        int32_t state = asWaiting;
        {
            std::lock_guard<std::mutex> g(SentMutex);
            if (!States.empty()) {
                state = States.front();
                if (States.size() > 1)
                    States.pop_front();
            }
        }
        // A record of channels A and B: 10 + i % 5 and 20 + i % 5.
        if (state == asRecordRead)
            for (size_t c = 0; c < 2 && c < data.size(); ++c) {
                for (size_t i = 0; i < data[c].Data.size(); ++i)
                    data[c].Data[i] = uint8_t(10 * (c + 1) + i % 5);
                data[c].First = 0;
                data[c].Last = int32_t(data[c].Data.size()) - 1;
            }
        return state;
    }
    void SetTimeBase(int32_t v) override { Send(Call("TimeBase", {v})); }
    int32_t SetRange(int32_t c, int32_t v) override {
        Send(Call("Range", {c, v}));
        return ShiftFromRange ? ShiftFromRange + c : 0;
    }
    void SetVerticalShift(int32_t c, int32_t s) override { Send(Call("Shift", {c, s})); }
    void SetTriggerMode(int32_t m) override { Send(Call("TriggerMode", {m})); }
    void SetTriggerSource(int32_t w, int32_t s, bool on) override { Send(Call("Source", {w, s, on})); }
    void SetTriggerLeading(int32_t w, int32_t s, bool l) override { Send(Call("Leading", {w, s, l})); }
    void SetTriggerLevel(int32_t s, int32_t l) override { Send(Call("Level", {s, l})); }
    void SetAfterTrigger(int32_t v) override { Send(Call("AfterTrigger", {v})); }
    void SetHoldOff(int32_t v) override { Send(Call("HoldOff", {v})); }
    void SetTriggerCount(int32_t w, int32_t v) override { Send(Call("Count", {w, v})); }
    void SetTriggerLength(int32_t w, int32_t v) override { Send(Call("Length", {w, v})); }
    void SetFilterOn(int32_t c, bool on) override { Send(Call("FilterOn", {c, on})); }
    void SetFilterFactor(int32_t c, int32_t f) override { Send(Call("FilterFactor", {c, f})); }
    void SetGround(int32_t c, bool on) override { Send(Call("Ground", {c, on})); }
    void SetDCCoupling(int32_t c, bool on) override { Send(Call("DC", {c, on})); }
    void SetProbeMode(int32_t c, int32_t m) override { Send(Call("Probe", {c, m})); }
    double GetGroundPosition(int32_t c) override { return Ground[c & 1]; }
    int32_t PositionToShift(int32_t c, int32_t p) override {
        Send(Call("PositionToShift", {c, p}));
        return p * ShiftPerPosition;
    }
    void SetChannelHold(int32_t c, bool on) override { Send(Call("ChannelHold", {c, on})); }
    void SetMemorySize(int32_t s) override {
        if (OnSetMemorySize)
            OnSetMemorySize();
        Send(Call("MemorySize", {s}));
    }
    void SetWCD(int32_t v) override { Send(Call("WCD", {v})); }
    void GetSamplingProgress(int32_t &a, int32_t &b) override {
        a = ProgressA;
        b = ProgressB;
    }
    void SetCompensationGenerator(bool on) override { Send(Call("Compensation", {on})); }
    void QueryDriverVersion(std::array<uint8_t, 2> &v) override { v = Version; }
    bool IsCommunicationOK() override { return LinkOk; }
    int32_t GetSerialNumber() override { return Script.Serial; }

    TScript Script;
    std::function<void()> OnFree, OnSetMemorySize, OnRead, OnStart;
    // Results of ReadAcquisition in turn; the last one repeats, none is asWaiting.
    std::deque<int32_t> States;
    bool ThrowOnRead = false;
    std::atomic<bool> LinkOk{true};
    std::atomic<int> Reads{0}, Starts{0};
    double Ground[2] = {128, 128};
    // The shift a range change answers is this plus the channel (0: none); a position's shift, the position
    // times ShiftPerPosition.
    int32_t ShiftFromRange = 0;
    int32_t ShiftPerPosition = 0;
    int32_t ProgressA = 100, ProgressB = 100;
    std::array<uint8_t, 2> Version{0, 0};

private:
    void Note(const std::string &s) {
        if (Log)
            Log->push_back(s);
    }
    void Send(const std::string &s) {
        std::lock_guard<std::mutex> g(SentMutex);
        Sent.push_back(s);
    }
    TLog *Log;
    std::mutex SentMutex;
    TLog Sent;
};

// Tells whether a lock was held while a device call ran: from within the call, another thread tries to
// take the lock and gives it back at once if it got it.
class TLockProbe {
public:
    TLockProbe(std::function<bool()> tryLock, std::function<void()> unlock)
        : TryLockFn(std::move(tryLock)), UnlockFn(std::move(unlock)) {}
    // Called inside the device call.
    void Probe() {
        if (Probed)
            return;
        bool taken = false;
        std::thread([&] {
            taken = TryLockFn();
            if (taken)
                UnlockFn();
        }).join();
        HeldDuringCall = !taken;
        Probed = true;
    }
    bool Probed = false;
    bool HeldDuringCall = false;

private:
    std::function<bool()> TryLockFn;
    std::function<void()> UnlockFn;
};

} // namespace scope
