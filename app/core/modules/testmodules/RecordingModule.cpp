// A test double of an analysis module. It answers the probe from a file "<library>.cfg" beside it (or from
// built-in defaults), appends every request it receives to "requests.log" in its folder as
// "<short name> <code> <value> <param1 set>", and calls back into the host where the file asks it to.
// A function module fills its own channel with the inverse of channel A and its row with channel A's
// scale.
#include "ModuleTypesTarn.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

#ifndef TEST_MODULE_KIND
#define TEST_MODULE_KIND 2
#endif
#ifndef TEST_MODULE_NAME
#define TEST_MODULE_NAME "TestWindow"
#endif

namespace {

struct TConfig {
    std::map<std::string, std::string> Values;
    bool Has(const std::string &k) const { return Values.count(k) != 0; }
    std::string Text(const std::string &k, const std::string &fallback) const {
        auto it = Values.find(k);
        return it == Values.end() ? fallback : it->second;
    }
    int32_t Int(const std::string &k, int32_t fallback) const {
        auto it = Values.find(k);
        return it == Values.end() ? fallback
                                  : static_cast<int32_t>(std::strtol(it->second.c_str(), nullptr, 10));
    }
};

std::string OwnPath() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void *>(&AppRequest), &info) || !info.dli_fname)
        return {};
    return info.dli_fname;
}

const TConfig &Config() {
    static TConfig config = [] {
        TConfig c;
        std::ifstream in(OwnPath() + ".cfg");
        std::string line;
        while (std::getline(in, line)) {
            const size_t eq = line.find('=');
            if (eq != std::string::npos)
                c.Values[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return c;
    }();
    return config;
}

std::string ShortName() {
    return Config().Text("short", TEST_MODULE_NAME);
}

void Log(int32_t code, int32_t value, intptr_t param1) {
    const std::string path = OwnPath();
    const std::string folder = path.substr(0, path.find_last_of('/') + 1);
    if (FILE *f = std::fopen((folder + "requests.log").c_str(), "a")) {
        std::fprintf(f, "%s %d %d %d\n", ShortName().c_str(), code, value, param1 ? 1 : 0);
        std::fclose(f);
    }
}

THostCallback Host = nullptr;
int32_t Index = -1;

uint8_t Call(int32_t code, int32_t value = 0, intptr_t param1 = 0, intptr_t param2 = 0) {
    return Host ? Host(Index, code, value, 0, param1, param2, 0) : 0;
}

void PutText(intptr_t buffer, intptr_t lengthCell, const std::string &text) {
    const size_t n = std::min(text.size(), static_cast<size_t>(MODULE_TEXT_BUFFER_SIZE - 1));
    std::memcpy(reinterpret_cast<char *>(buffer), text.data(), n);
    reinterpret_cast<char *>(buffer)[n] = 0;
    if (lengthCell)
        ModuleWriteInt32(reinterpret_cast<uint8_t *>(lengthCell), static_cast<int32_t>(n));
}

// Fills the whole 1024-byte buffer without a terminating zero.
void FillText(intptr_t buffer) {
    std::memset(reinterpret_cast<char *>(buffer), 'x', MODULE_TEXT_BUFFER_SIZE);
}

// The callbacks the file asks for while serving a request: "call<request>=<code>,<code>...".
void CallsAt(int32_t request) {
    // No std::to_string here: its unique symbols would keep the library from being unloaded.
    char name[32];
    std::snprintf(name, sizeof name, "call%d", request);
    std::stringstream list(Config().Text(name, ""));
    std::string code;
    while (std::getline(list, code, ','))
        Call(static_cast<int32_t>(std::strtol(code.c_str(), nullptr, 10)));
}

uint8_t *Address(int32_t code) {
    uint8_t cell[sizeof(intptr_t)] = {};
    if (!Call(code, 0, reinterpret_cast<intptr_t>(cell)))
        return nullptr;
    return reinterpret_cast<uint8_t *>(ModuleReadAddress(cell));
}

int32_t Int(int32_t code) {
    uint8_t cell[4] = {};
    Call(code, 0, reinterpret_cast<intptr_t>(cell));
    return ModuleReadInt32(cell);
}

void Compute() {
    if (Config().Int("kind", TEST_MODULE_KIND) != mkFunction)
        return;
    uint8_t *out = Address(hcGetOwnChannelData);
    const uint8_t *a = Address(hcGetDataA);
    const int32_t size = Int(hcGetMemorySize);
    if (!out || !a)
        return;
    for (int32_t i = 0; i < size; ++i)
        out[i] = static_cast<uint8_t>(255 - a[i]);
}

void Show(intptr_t row) {
    if (!row)
        return;
    uint8_t scale[MODULE_CHANNEL_SCALE_SIZE] = {};
    if (Call(hcGetChannelScale, 0, reinterpret_cast<intptr_t>(scale)))
        VerticalParamsWrite(reinterpret_cast<uint8_t *>(row),
                            ModuleReadDouble(scale + MODULE_CHANNEL_SCALE_VOLTS_PER_LEVEL_OFFSET),
                            ModuleReadDouble(scale + MODULE_CHANNEL_SCALE_GROUND_LEVEL_OFFSET));
}

} // namespace

extern "C" {

SCOPE_EXPORT uint8_t AppRequest(int32_t Code, int32_t Value, int32_t, intptr_t Param1, intptr_t Param2,
                                int32_t) {
    Log(Code, Value, Param1);
    const TConfig &c = Config();
    if (c.Int("throw", 0) == Code)
        throw std::runtime_error("requested failure");
    switch (Code) {
    case mrProbeShortName:
        if (c.Has("fillshort"))
            FillText(Param1);
        else
            PutText(Param1, Param2, ShortName());
        break;
    case mrProbeLongName:
        PutText(Param1, Param2, c.Text("long", std::string(TEST_MODULE_NAME) + " module"));
        break;
    case mrProbeSortKey:
        ModuleWriteInt32(reinterpret_cast<uint8_t *>(Param1), c.Int("sort", 10));
        break;
    case mrProbeKind:
        ModuleWriteInt32(reinterpret_cast<uint8_t *>(Param1), c.Int("kind", TEST_MODULE_KIND));
        break;
    case mrProbeStage:
        if (c.Has("stage"))
            ModuleWriteInt32(reinterpret_cast<uint8_t *>(Param1), c.Int("stage", 0));
        break;
    case mrAttach:
        Index = Value;
        Host = reinterpret_cast<THostCallback>(Param1);
        break;
    case mrStart:
        if (c.Int("refuse", 0))
            ModuleWriteInt32(reinterpret_cast<uint8_t *>(Param1), 0);
        break;
    case mrStop: {
        uint8_t cell[4];
        ModuleWriteInt32(cell, c.Int("savevalue", 0));
        if (c.Has("savevalue"))
            Call(hcWriteInt, 0, reinterpret_cast<intptr_t>("saved"), reinterpret_cast<intptr_t>(cell));
        break;
    }
    case mrProcessAcquisition:
        Compute();
        break;
    case mrShowResults:
        Show(Param1);
        break;
    default:
        break;
    }
    CallsAt(Code);
    return 1;
}

// For the tests: a callback into the host with this module's index, as the module would make it.
SCOPE_EXPORT uint8_t TestModuleCallHost(int32_t Code, int32_t Value, intptr_t Param1, intptr_t Param2) {
    return Call(Code, Value, Param1, Param2);
}

SCOPE_EXPORT int32_t TestModuleIndex(void) {
    return Index;
}
}
