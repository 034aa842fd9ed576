// The Pellan family's driver library: its three exports over the one device it serves.
#include "PellexDriver.h"
#include "ScopeConstsPellX.h"

#include <dlfcn.h>
#include <string>

namespace {

std::string OwnFolder();
void LinkCallback(uint8_t linkUp);

// The library's state: one device per loaded library.
struct TLibraryInstance {
    pellex::TSteadyTicks Ticks;
    pellex::TMersenneSource Random;
    pellex::TPellexDriver Driver{OwnFolder() + "pellusb.so", LinkCallback, Ticks, Random};
};

TLibraryInstance &Instance() {
    static TLibraryInstance instance;
    return instance;
}

// The USB library lives beside the driver library.
std::string OwnFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&OwnFolder), &info) == 0 || !info.dli_fname)
        return {};
    const std::string path = info.dli_fname;
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string{} : path.substr(0, slash + 1);
}

void LinkCallback(uint8_t linkUp) {
    Instance().Driver.LinkStateChanged(linkUp);
}

} // namespace

extern "C" {

SCOPE_EXPORT int32_t InitializeDevice(void *Desc) {
    try {
        return Instance().Driver.Initialize(static_cast<uint8_t *>(Desc));
    } catch (...) {
        return irDeviceNotFound;
    }
}

SCOPE_EXPORT uint8_t DeviceFunction(int32_t Code, int32_t, int32_t, void *Buffer, int32_t, intptr_t Value,
                                    int32_t *ResultPtr) {
    try {
        return Instance().Driver.Function(Code, Buffer, Value, ResultPtr);
    } catch (...) {
        return 1;
    }
}

SCOPE_EXPORT void DeInitializeDevice(void) {
    try {
        Instance().Driver.DeInitialize();
    } catch (...) {
    }
}
}
