// What the simulated Pellan instrument reports for each of its models, through the program's own driver
// library: its controls come from the pellusb.so of the program folder, the one the driver loads. Its
// transfers take no time unless the environment asks for it, and its pauses pass on its own clock.
#pragma once

#include "device/DataTypesTarn.h"

#include <cstdint>
#include <string>

namespace scope {

class TSimulatedPellan {
public:
    explicit TSimulatedPellan(std::string programFolder);
    ~TSimulatedPellan();
    TSimulatedPellan(const TSimulatedPellan &) = delete;
    TSimulatedPellan &operator=(const TSimulatedPellan &) = delete;

    // Empty when the controls were found; else why not.
    const std::string &Error() const { return Failure; }
    // Attaches the model, opens it through the driver and reads its capabilities over the defaults;
    // false when it does not open.
    bool Capabilities(int32_t model, TCapabilities &capabilities);

private:
    std::string Folder, Failure;
    void *Handle = nullptr;
    void (*Reset)() = nullptr;
    void (*SetModel)(int32_t) = nullptr;
    void (*SetManualTime)(int32_t) = nullptr;
    void (*AdvanceTime)(double) = nullptr;
};

} // namespace scope
