#include "SimulatedPellan.h"

#include "device/DriverAbstraction.h"
#include "platform/Platform.h"

#include <cstdlib>
#include <dlfcn.h>
#include <utility>

namespace scope {

namespace {

template <typename F> F Bind(void *handle, const char *name) {
    return handle ? reinterpret_cast<F>(dlsym(handle, name)) : nullptr;
}

// The driver's pauses pass on the instrument's clock, as they would in real time.
class TSimSleeper : public platform::ISleeper {
public:
    explicit TSimSleeper(void (*advance)(double)) : Advance(advance) {}
    void Sleep(uint32_t milliseconds) override { Advance(milliseconds * 1e6); }

private:
    void (*Advance)(double);
};

} // namespace

TSimulatedPellan::TSimulatedPellan(std::string programFolder) : Folder(std::move(programFolder)) {
    setenv("PELLUSB_LATENCY_US", "0", 0);
    Handle = dlopen((Folder + "/pellusb.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    Reset = Bind<void (*)()>(Handle, "sim_Reset");
    SetModel = Bind<void (*)(int32_t)>(Handle, "sim_SetModel");
    SetManualTime = Bind<void (*)(int32_t)>(Handle, "sim_SetManualTime");
    AdvanceTime = Bind<void (*)(double)>(Handle, "sim_AdvanceTime");
    if (!Handle)
        Failure = dlerror();
    else if (!Reset || !SetModel || !SetManualTime || !AdvanceTime)
        Failure = "the simulated instrument's controls are missing";
}

TSimulatedPellan::~TSimulatedPellan() {
    if (Handle) {
        if (Reset)
            Reset();
        dlclose(Handle);
    }
}

bool TSimulatedPellan::Capabilities(int32_t model, TCapabilities &capabilities) {
    if (!Failure.empty())
        return false;
    Reset();
    SetManualTime(1);
    SetModel(model);
    TSimSleeper sleeper(AdvanceTime);
    TDAO_Pellan device(Folder, &sleeper);
    if (device.LoadDriver() != drOk || device.OpenDevice(-1) != drOk)
        return false;
    capabilities.SetDefaultCapabilities();
    device.GetCapabilities(capabilities);
    return true;
}

} // namespace scope
