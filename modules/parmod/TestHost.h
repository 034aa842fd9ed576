// A host double for the module's tests: serves the callbacks from plain fields and records them.
#pragma once

#include "ModuleTypesTarn.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace parmod {

class TTestHost {
public:
    TTestHost() { Current = this; }
    ~TTestHost() {
        if (Current == this)
            Current = nullptr;
    }
    TTestHost(const TTestHost &) = delete;
    TTestHost &operator=(const TTestHost &) = delete;

    static uint8_t Callback(int32_t moduleIndex, int32_t code, int32_t value, int32_t, intptr_t param1,
                            intptr_t param2, int32_t) {
        return Current ? Current->Serve(moduleIndex, code, value, param1, param2) : 0;
    }

    std::array<std::vector<uint8_t>, 4> Data;
    int32_t MemorySize = 0;
    int32_t FirstSample = 0;
    double SampleRate = 1000; // samples per millisecond
    std::array<int32_t, 2> ProbeRange{1000, 1000};
    std::array<int32_t, 2> Ground{0, 0};
    std::array<uint32_t, 4> Colours{0x111111, 0x222222, 0x333333, 0x444444};
    bool HasDataC = false, HasDataD = false;
    // Stored settings as texts, by key.
    std::map<std::string, std::string> Settings;
    std::vector<int32_t> Calls;
    int32_t SwitchOffs = 0;
    int32_t LastModuleIndex = -1;

    // Fills a channel and sets the memory size to its length.
    void SetChannel(int32_t channel, std::vector<uint8_t> samples) {
        MemorySize = static_cast<int32_t>(samples.size());
        Data[channel] = std::move(samples);
    }

private:
    static uint8_t *Cell(intptr_t p) { return reinterpret_cast<uint8_t *>(p); }
    static std::string Text(intptr_t p) { return reinterpret_cast<const char *>(p); }
    void Address(intptr_t cell, const std::vector<uint8_t> &v) {
        ModuleWriteAddress(Cell(cell), v.empty() ? 0 : reinterpret_cast<intptr_t>(v.data()));
    }

    uint8_t Serve(int32_t moduleIndex, int32_t code, int32_t, intptr_t param1, intptr_t param2) {
        Calls.push_back(code);
        LastModuleIndex = moduleIndex;
        switch (code) {
        case hcSwitchOff:
            ++SwitchOffs;
            return 1;
        case hcWriteInt:
            Settings[Text(param1)] = std::to_string(ModuleReadInt32(Cell(param2)));
            return 1;
        case hcWriteBool:
            Settings[Text(param1)] = ModuleReadBool(Cell(param2)) ? "true" : "false";
            return 1;
        case hcReadInt: {
            auto it = Settings.find(Text(param1));
            if (it == Settings.end())
                return 0;
            ModuleWriteInt32(Cell(param2), std::stoi(it->second));
            return 1;
        }
        case hcReadBool: {
            auto it = Settings.find(Text(param1));
            if (it == Settings.end())
                return 0;
            ModuleWriteBool(Cell(param2), it->second == "true");
            return 1;
        }
        case hcGetDataA:
        case hcGetDataB:
            Address(param1, Data[code - hcGetDataA]);
            return 1;
        case hcGetDataC:
        case hcGetDataD:
            Address(param1, Data[2 + code - hcGetDataC]);
            return 1;
        case hcGetGroundA:
        case hcGetGroundB:
            ModuleWriteInt32(Cell(param1), Ground[code - hcGetGroundA]);
            return 1;
        case hcGetProbeRangeA:
        case hcGetProbeRangeB:
            ModuleWriteInt32(Cell(param2), ProbeRange[code - hcGetProbeRangeA]);
            return 1;
        case hcGetMemorySize:
            ModuleWriteInt32(Cell(param1), MemorySize);
            return 1;
        case hcGetFirstSample:
            ModuleWriteInt32(Cell(param1), FirstSample);
            return 1;
        case hcGetSampleRate:
        case hcGetSampleRateAlt:
            ModuleWriteDouble(Cell(param2), SampleRate);
            return 1;
        case hcGetColorA:
        case hcGetColorB:
        case hcGetColorC:
        case hcGetColorD:
            ModuleWriteInt32(Cell(param1), static_cast<int32_t>(Colours[code - hcGetColorA]));
            return 1;
        case hcHasDataC:
            ModuleWriteBool(Cell(param1), HasDataC);
            return 1;
        case hcHasDataD:
            ModuleWriteBool(Cell(param1), HasDataD);
            return 1;
        default:
            return 0;
        }
    }

    static inline TTestHost *Current = nullptr;
};

} // namespace parmod
