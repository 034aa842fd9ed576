// What every record costs the trigger panel: the acquisition states 0, 1 and 2 and one screen-data
// message, through the bus of an offscreen main form with the demonstration instrument's capabilities,
// and through a bus that holds the trigger controller alone.
#include "MainForm.h"
#include "ScreenBenchRig.h"
#include "bus/ObjMasterTarn.h"
#include "controllers/TriggerWrapperTarn.h"
#include "device/DemoDevice.h"
#include "platform/UserMessages.h"
#include "settings/SettingsTarn.h"

#include <QApplication>
#include <QGroupBox>
#include <benchmark/benchmark.h>
#include <memory>

using namespace scope;

namespace {

using bench::App;

struct TQuietMessages : IUserMessages {
    TMsgButton Show(TMsgKind, const std::string &, const std::string &, unsigned, TMsgButton d) override {
        return d;
    }
};

// Demonstration capabilities and the default settings, without a settings file.
void DemoSettings(TSettingsTarn &s) {
    TDAO_DEMO demo;
    demo.GetCapabilities(s);
    s.SettingsFileName = "/nonexistent/settings.xml";
    s.LoadSettingsFile();
    s.SimpleTrigger = false;
    s.RequestedSettings().TriggerMode = 2; // Single: the lamp changes colour with every state
}

void OneRecord(TObjMasterTarn &bus, bool screenData = true) {
    bus.Broadcast(bmAcquisitionState, 0, nullptr);
    bus.Broadcast(bmAcquisitionState, 1, nullptr);
    bus.Broadcast(bmAcquisitionState, 2, nullptr);
    if (screenData)
        bus.Broadcast(bmScreenDataReady, 3, nullptr);
}

void BM_RecordOnTheMainFormBus(benchmark::State &state) {
    App();
    TQuietMessages messages;
    TMainForm form(messages);
    DemoSettings(form.SettingsTarn1());
    TObjMasterTarn &bus = form.ObjMasterTarn1();
    bus.Broadcast(bmInitialize, 0, nullptr);
    BroadcastSettingsApplied(bus);
    for (auto _ : state) {
        form.SettingsTarn1().RequestedSettings().StartRequest = true;
        OneRecord(bus, state.range(0) != 0);
    }
    // The screen-data message is the screens' redraw; without it the three states alone.
    state.SetLabel(state.range(0) ? "states 0, 1, 2 and screen data" : "states 0, 1, 2");
}
BENCHMARK(BM_RecordOnTheMainFormBus)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_RecordOnTheTriggerControllerAlone(benchmark::State &state) {
    App();
    TObjMasterTarn bus;
    TSettingsTarn settings;
    DemoSettings(settings);
    QGroupBox modeBox, triggerBox;
    TTriggerWrapperTarn trigger;
    MakeTriggerControls(&modeBox, &triggerBox, trigger);
    trigger.SetSettings(&settings);
    trigger.SetObjMaster(&bus);
    BroadcastSettingsApplied(bus);
    for (auto _ : state) {
        settings.RequestedSettings().StartRequest = true;
        OneRecord(bus);
    }
}
BENCHMARK(BM_RecordOnTheTriggerControllerAlone)->Unit(benchmark::kMicrosecond);

} // namespace
