// Cost of an idle pass of the acquisition loop: a push with nothing changed, a poll, no record.
#include "acquisition/AcquisitionThread.h"
#include "acquisition/DataSourceTarn.h"
#include "acquisition/QueuedSynchronizer.h"
#include "bus/ObjMasterTarn.h"
#include "device/DemoDevice.h"
#include "settings/SettingsTarn.h"

#include <benchmark/benchmark.h>

#include <thread>

using namespace scope;

namespace {

// The demonstration device's settings side, with a poll that never finds a record.
class TIdleDevice : public TDAO_DEMO {
public:
    int32_t ReadAcquisition(TAcquiredData &) override { return asWaiting; }
};

struct TIdleRig {
    TIdleDevice Device;
    TObjMasterTarn Bus;
    TSettingsTarn Settings;
    TDataSourceTarn Source;

    TIdleRig() {
        Device.LoadDriver();
        Device.OpenDevice(-1);
        Settings.SetDefaultCapabilities();
        Device.GetCapabilities(Settings);
        Settings.Options = std::make_unique<TOptions>(&Settings);
        TXMLSettings empty;
        Settings.LoadFromXML(empty);
        Settings.StartAcquisitionSettings();
        Settings.ShowAcquisitionSettings();
        Source.SetSettings(&Settings);
        Source.SetObjMaster(&Bus);
        Bus.Broadcast(bmInitialize, 0, nullptr);
    }
    TAcquisitionContext Context(platform::ISynchronizer &sync) {
        TAcquisitionContext context;
        context.Settings = &Settings;
        context.DataSource = &Source;
        context.Bus = &Bus;
        context.Device = &Device;
        context.Synchronizer = &sync;
        return context;
    }
};

// The pass itself, with the push run inline.
void IdlePass(benchmark::State &state) {
    TIdleRig rig;
    platform::TInlineSynchronizer inline_;
    TAcquisitionThread thread(rig.Context(inline_));
    thread.Prepare();
    for (auto _ : state)
        benchmark::DoNotOptimize(thread.Pass());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(IdlePass)->MeasureProcessCPUTime()->UseRealTime();

// As in the program: the real thread, its push queued to this thread standing in for the GUI thread.
// One iteration serves one push, so one iteration is one pass; CPU time counts both threads.
void IdlePassQueued(benchmark::State &state) {
    TIdleRig rig;
    TQueuedSynchronizer gui;
    TAcquisitionContext context = rig.Context(gui);
    context.ServePending = [&] { gui.ServePending(); };
    TAcquisitionThread thread(context);
    thread.Start();
    for (auto _ : state)
        while (gui.ServePending() == 0)
            std::this_thread::yield();
    thread.WaitFor();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(IdlePassQueued)->MeasureProcessCPUTime()->UseRealTime();

} // namespace
