// The host of the analysis modules: finds the module libraries, lists them in the modules box, loads a
// module while it is switched on, sends it the compute and display requests after each record, and
// serves its callbacks.
#pragma once

#include "ModuleTypesTarn.h"
#include "bus/ComponentsTarn.h"
#include "device/DataTypesTarn.h"
#include "modules/ModuleHost.h"
#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace scope {

class IModulesBox;
struct TDeviceSettings;

// One module file, in list order; its index is the module index the module is attached with.
struct TModuleEntry {
    std::string ShortName;
    std::string LongName;
    int32_t SortKey = 0;
    std::string Path;
    uint8_t Kind = 0; // 0 function module, 1 window module
    // False when the module named no kind it could be used as: it is listed but never loaded.
    bool KindKnown = false;
    int32_t ChannelSlot = 0; // virtual channel slot (0 = C, 1 = D) the function module last fed
    int32_t Stage = 0;
    bool Enabled = false;
    bool Loaded = false;
    std::unique_ptr<platform::TLibrary> Library;
    TAppRequest Entry = nullptr;
};

class TModuleManagerTarn : public TComponentTarn, public IModuleHost {
public:
    enum : uint8_t { mkFunctionModule = 0, mkWindowModule = 1 };

    // The constructing thread is the GUI thread.
    TModuleManagerTarn();
    // Modules still attached are stopped and destroyed, then every library is freed.
    ~TModuleManagerTarn() override;

    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;

    // Published.
    IModulesBox *ModulesBox() const { return Box; }
    void SetModulesBox(IModulesBox *box) { Box = box; }
    // Where the module libraries are searched ("modules" in the program folder unless set).
    std::string ModulesFolder;
    // The form that owns the host, for hcGetOwnerHandle and hcGetOwnerObject.
    intptr_t OwnerHandle = 0;
    void *OwnerObject = nullptr;
    // Told, in the calling thread, that a call was queued for the GUI thread; the program posts a
    // wake-up that runs RunQueuedCalls. Without it the queue is served at the next load/unload or display
    // step.
    std::function<void()> OnCallQueued;

    // Start-up steps (bus message 42 runs them in this order).
    void ScanModules();
    void ProbeModule(const std::string &path);
    void SortModules();
    void FillModulesBox();
    void UpdateBoxStates();

    // IModuleHost.
    void Lock() override { Mutex.lock(); }
    void Unlock() override { Mutex.unlock(); }
    void SetChannelBuffer(int32_t channel, TWaveform *buffer) override;
    void SetServedSettings(TDeviceSettings *settings) override;
    void ProcessAcquisition() override;
    void ShowResults() override;
    void LoadUnloadModules() override;
    bool LoadUnloadPending() override;

    // Modules box events.
    void FunctionDeactivate(int32_t module);
    void ExtraScreenActivate(int32_t module);
    void ExtraScreenDeactivate(int32_t module);

    // Exit: every attached module gets mrStop and mrDestroy (so that it saves its configuration before the
    // settings file is written); FreeModules afterwards frees their libraries.
    void StopModules();
    void FreeModules();

    // A module's callback, in whichever thread it calls from.
    bool HostRequest(int32_t module, int32_t code, int32_t value, intptr_t param1, intptr_t param2);
    // The callback handed to every module; forwards to the registered host.
    static uint8_t HostCallback(int32_t ModuleIndex, int32_t Code, int32_t Value, int32_t Reserved1,
                                intptr_t Param1, intptr_t Param2, int32_t Reserved2);

    // Runs the calls that module callbacks from other threads left for the GUI thread.
    void RunQueuedCalls();

    int32_t ModuleCount() const { return static_cast<int32_t>(Modules.size()); }
    const TModuleEntry &Module(int32_t i) const { return Modules[static_cast<size_t>(i)]; }

private:
    void AttachModule(int32_t i);
    void DetachModule(int32_t i);
    // Disables the module, switches off the virtual channels fed by it, updates the box and announces it.
    void SwitchOffModule(int32_t i);
    void MoveCursorsInward();
    // Runs now in the GUI thread, otherwise queues the call for it.
    void InGuiThread(std::function<void()> call);
    bool ValidModule(int32_t i) const { return i >= 0 && static_cast<size_t>(i) < Modules.size(); }
    // Virtual slot of a channel index of the full list, or -1.
    int32_t VirtualSlot(int32_t channel) const;
    // Some switched-on virtual channel is assigned to the module.
    bool FeedsChannelOn(int32_t module) const;
    // Module assigned to a virtual slot, or -1 when none or unknown.
    int32_t AssignedModule(int32_t slot) const;
    void Request(int32_t i, int32_t code, int32_t value = 0, intptr_t param1 = 0, intptr_t param2 = 0);
    void ForEachByStage(const std::function<void(int32_t)> &serve) const;
    TDeviceSettings *Served() const;
    TWaveform *Buffer(int32_t channel) const;
    bool Serve(int32_t module, int32_t code, int32_t value, intptr_t param1, intptr_t param2);

    std::vector<TModuleEntry> Modules;
    std::vector<TWaveform *> ChannelBuffers;
    TDeviceSettings *ServedSettings = nullptr;
    IModulesBox *Box = nullptr;
    std::recursive_mutex Mutex;
    std::thread::id GuiThread;
    std::mutex QueueMutex;
    std::vector<std::function<void()>> Queue;
};

} // namespace scope
