// Cost of an idle pass of the acquisition loop: nothing changed, a poll, no record.
#include "acquisition/AcquisitionThread.h"
#include "acquisition/DataSourceTarn.h"
#include "acquisition/QueuedSynchronizer.h"
#include "bus/ObjMasterTarn.h"
#include "device/DemoDevice.h"
#include "platform/QtSynchronizer.h"
#include "settings/SettingsTarn.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <ctime>
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

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

QCoreApplication &GuiThread() {
    static int argc = 1;
    static char name[] = "acquisition_bench";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// As in the program: the real thread and the real hand-off into this thread's event loop, which stands
// in for the GUI thread. Each iteration lets the loop run for 50 ms; the counter is the CPU time of the
// whole process per pass of the thread. Argument 1 pushes before every poll (the loop without its
// shortcut), 0 only when something changed.
void IdlePassQtHandOff(benchmark::State &state) {
    GuiThread();
    TIdleRig rig;
    TQtSynchronizer gui;
    TAcquisitionContext context = rig.Context(gui);
    context.ServePending = [&] { gui.ServePending(); };
    context.PushEveryPass = state.range(0) != 0;
    TAcquisitionThread thread(context);
    thread.Start();
    uint64_t passes = 0;
    double cpu = 0;
    for (auto _ : state) {
        const uint64_t passesBefore = thread.Passes();
        const double cpuBefore = ProcessCpuSeconds();
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
        passes += thread.Passes() - passesBefore;
        cpu += ProcessCpuSeconds() - cpuBefore;
    }
    thread.WaitFor();
    state.counters["passes"] = double(passes);
    state.counters["cpu_us_per_pass"] = passes > 0 ? cpu * 1e6 / double(passes) : 0;
}
BENCHMARK(IdlePassQtHandOff)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
