// What the acquisition thread needs from the host of the analysis modules.
#pragma once

#include "device/DataTypesTarn.h"

#include <cstdint>

namespace scope {

struct TDeviceSettings;

class IModuleHost {
public:
    virtual ~IModuleHost() = default;
    // The host's own lock; the buffers and the served settings are switched under it.
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
    // Channel: physical channels first, then the module channels.
    virtual void SetChannelBuffer(int32_t channel, TWaveform *buffer) = 0;
    // The device settings the module callbacks answer from.
    virtual void SetServedSettings(TDeviceSettings *settings) = 0;
    // Compute requests of the enabled modules, in the acquisition thread.
    virtual void ProcessAcquisition() = 0;
    // Display requests of the enabled modules, in the GUI thread.
    virtual void ShowResults() = 0;
    // Loads the enabled and frees the disabled modules, in the GUI thread.
    virtual void LoadUnloadModules() = 0;
    // Whether LoadUnloadModules has work: a module to load or free, or a queued call (any thread).
    // A push with nothing else to do is skipped when this is false.
    virtual bool LoadUnloadPending() { return true; }
};

// Holds the host's lock for a scope.
class TModuleHostLock {
public:
    explicit TModuleHostLock(IModuleHost &host) : Host(host) { Host.Lock(); }
    ~TModuleHostLock() { Host.Unlock(); }
    TModuleHostLock(const TModuleHostLock &) = delete;
    TModuleHostLock &operator=(const TModuleHostLock &) = delete;

private:
    IModuleHost &Host;
};

} // namespace scope
