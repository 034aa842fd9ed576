// Test helpers: the simulated instrument's controls, a driver in the test process bound to it,
// and a tick counter and random source the tests move.
#pragma once

#include "PellexDriver.h"
#include "ScopeConstsPellX.h"
#include "SimControls.h"

#include <cstdlib>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace pellex::test {

inline std::string ProgramFile(const char *name) {
    return std::string(PROGRAM_FOLDER) + "/" + name;
}

struct TWrite {
    int32_t Register, Value, Flushing;
    bool operator==(const TWrite &) const = default;
};

inline std::ostream &operator<<(std::ostream &os, const TWrite &w) {
    return os << "{" << w.Register << ", 0x" << std::hex << w.Value << std::dec
              << (w.Flushing ? ", write}" : ", queue}");
}

// The simulated instrument's controls, bound from the same pellusb.so the driver loads.
struct TSim {
    void *Handle = nullptr;
    Tsim_Reset Reset = nullptr;
    Tsim_SetModel SetModel = nullptr;
    Tsim_SetLinkUp SetLinkUp = nullptr;
    Tsim_BreakLinkAfter BreakLinkAfter = nullptr;
    Tsim_WriteMemory WriteMemory = nullptr;
    Tsim_ReadMemory ReadMemory = nullptr;
    Tsim_DamageCalibration DamageCalibration = nullptr;
    Tsim_SetImageMismatch SetImageMismatch = nullptr;
    Tsim_IsConfigured IsConfigured = nullptr;
    Tsim_ReadRegisterLog ReadRegisterLog = nullptr;
    Tsim_ClearRegisterLog ClearRegisterLog = nullptr;
    Tsim_GetRegister GetRegister = nullptr;
    TUSBSingleRead SingleRead = nullptr;
    Tsim_SetManualTime SetManualTime = nullptr;
    Tsim_AdvanceTime AdvanceTime = nullptr;
    Tsim_SetSignal SetSignal = nullptr;
    Tsim_SetSeed SetSeed = nullptr;
    Tsim_SetPhase SetPhase = nullptr;
    Tsim_SetSampleCount SetSampleCount = nullptr;
    Tsim_TriggerTime TriggerTime = nullptr;
    Tsim_SampleInterval SampleInterval = nullptr;
    Tsim_SampleTime SampleTime = nullptr;
    Tsim_InputLevel InputLevel = nullptr;

    static TSim &Get() {
        static TSim sim = [] {
            TSim s;
            // The simulated transfers take no time here unless the environment asks for it.
            setenv("PELLUSB_LATENCY_US", "0", 0);
            s.Handle = dlopen(ProgramFile("pellusb.so").c_str(), RTLD_NOW);
            if (!s.Handle)
                return s;
            auto bind = [&](const char *name, auto &slot) {
                slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(dlsym(s.Handle, name));
            };
            bind("sim_Reset", s.Reset);
            bind("sim_SetModel", s.SetModel);
            bind("sim_SetLinkUp", s.SetLinkUp);
            bind("sim_BreakLinkAfter", s.BreakLinkAfter);
            bind("sim_WriteMemory", s.WriteMemory);
            bind("sim_ReadMemory", s.ReadMemory);
            bind("sim_DamageCalibration", s.DamageCalibration);
            bind("sim_SetImageMismatch", s.SetImageMismatch);
            bind("sim_IsConfigured", s.IsConfigured);
            bind("sim_ReadRegisterLog", s.ReadRegisterLog);
            bind("sim_ClearRegisterLog", s.ClearRegisterLog);
            bind("sim_GetRegister", s.GetRegister);
            bind("USBSingleRead", s.SingleRead);
            bind("sim_SetManualTime", s.SetManualTime);
            bind("sim_AdvanceTime", s.AdvanceTime);
            bind("sim_SetSignal", s.SetSignal);
            bind("sim_SetSeed", s.SetSeed);
            bind("sim_SetPhase", s.SetPhase);
            bind("sim_SetSampleCount", s.SetSampleCount);
            bind("sim_TriggerTime", s.TriggerTime);
            bind("sim_SampleInterval", s.SampleInterval);
            bind("sim_SampleTime", s.SampleTime);
            bind("sim_InputLevel", s.InputLevel);
            return s;
        }();
        return sim;
    }

    std::vector<TWrite> Log() const {
        const int32_t n = ReadRegisterLog(nullptr, 0);
        std::vector<int32_t> cells(3 * static_cast<size_t>(n));
        ReadRegisterLog(cells.data(), n);
        std::vector<TWrite> log;
        for (int32_t i = 0; i < n; ++i)
            log.push_back({cells[3 * i], cells[3 * i + 1], cells[3 * i + 2]});
        return log;
    }
};

class TTestTicks : public ITickSource {
public:
    uint32_t TickCount() override { return Now; }
    uint32_t Now = 1000;
};

// Answers from a script, each limited to its range; after the script, 0.
class TScriptedRandom : public IRandomSource {
public:
    void Seed(uint32_t) override {}
    int32_t Next(int32_t range) override {
        if (range < 1)
            return 0;
        const int32_t v = Index < Script.size() ? Script[Index++] : 0;
        return ((v % range) + range) % range;
    }
    std::vector<int32_t> Script;
    size_t Index = 0;
};

// A driver in the test process on the simulated instrument.
class DriverTest : public ::testing::Test {
public:
    void SetUp() override {
        ASSERT_NE(Sim().Handle, nullptr) << dlerror();
        Sim().Reset();
        Sim().SetModel(1);
        MakeDriver(ProgramFile("pellusb.so"));
    }
    void TearDown() override {
        Driver.reset();
        Current = nullptr;
        Sim().Reset();
    }

    void MakeDriver(const std::string &usbPath) {
        Driver.reset();
        Driver = std::make_unique<TPellexDriver>(usbPath, &Callback, Ticks, Random);
        Current = Driver.get();
        LinkByte = 0;
        Call(dfSetLinkFlag, reinterpret_cast<intptr_t>(&LinkByte));
    }

    int32_t Start(int32_t type) {
        Sim().SetModel(type);
        const int32_t r = Driver->Initialize(Desc.data());
        Sim().ClearRegisterLog();
        return r;
    }

    // Calls a device function; returns its Result cell (Result starts at -12345).
    int32_t Call(int32_t code, intptr_t value = 0, void *buffer = nullptr, uint8_t *ret = nullptr) {
        int32_t result = -12345;
        const uint8_t r = Driver->Function(code, buffer, value, &result);
        if (ret)
            *ret = r;
        return result;
    }

    // Polls, stepping virtual time, until the capture is complete; then reads it. Returns the read
    // result; count receives the Result cell.
    uint8_t Capture(std::vector<uint16_t> &buffer, int32_t &count, double stepNs, int maxPolls = 100000) {
        for (int i = 0; i < maxPolls; ++i) {
            uint8_t complete = 0;
            Call(dfPollStatus, 0, nullptr, &complete);
            if (complete)
                break;
            Sim().AdvanceTime(stepNs);
        }
        uint8_t read = 0;
        count = Call(dfReadRecord, 0, buffer.data(), &read);
        return read;
    }

    static TSim &Sim() { return TSim::Get(); }
    static void Callback(uint8_t up) {
        if (Current)
            Current->LinkStateChanged(up);
    }

    static inline TPellexDriver *Current = nullptr;
    TTestTicks Ticks;
    TScriptedRandom Random;
    std::unique_ptr<TPellexDriver> Driver;
    uint8_t LinkByte = 0;
    std::array<uint8_t, ddSize> Desc{};
};

} // namespace pellex::test
