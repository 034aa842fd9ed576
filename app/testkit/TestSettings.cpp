#include "testkit/TestSettings.h"

#include "bus/ComponentsTarn.h"
#include "bus/ObjMasterTarn.h"
#include "device/DriverAbstraction.h"
#include "settings/SettingsTarn.h"

#include <memory>

namespace scope {

void DefaultInstrument(TSettingsTarn &s) {
    s.SetDefaultCapabilities();
    s.Options = std::make_unique<TOptions>(&s);
}

bool DemoInstrument(TDriverAbstraction &demo, TSettingsTarn &s) {
    if (demo.LoadDriver() != drOk || !DeviceUsable(demo.OpenDevice(-1)))
        return false;
    s.SetDefaultCapabilities();
    demo.GetCapabilities(s);
    s.Options = std::make_unique<TOptions>(&s);
    return true;
}

void SmallModuleInstrument(TSettingsTarn &s, double displayRatio) {
    s.SetDefaultCapabilities();
    s.VirtualChannelCount = 2;
    s.TimeBases = {{1e6, 1e6, 0, 0}};
    s.Ranges = {{1, 1}};
    for (TDeviceSettings *d : {&s.RequestedSettings(), &s.AcquisitionSettings(), &s.ShownSettings()}) {
        d->MemorySize = 1024;
        s.BringWithinCapabilities(*d);
    }
    s.ChannelsOn.assign(size_t(s.ChannelCount), 1);
    s.VirtualChannels = {-1, -1};
    s.DisplayRatio = displayRatio;
}

void RecordInstrument(TSettingsTarn &s) {
    s.SetDefaultCapabilities();
    s.VirtualChannelCount = 2;
    s.ShiftMin = -100;
    s.ShiftMax = 100;
    s.TimeBases = {{1e8, 1e8, 0, 1}, {5e7, 1e8, 0, 2}, {1e6, 1e6, 0, 3}};
    s.Ranges = {{0.05, 1}, {0.5, 2}, {5, 3}};
    s.AfterTriggerMax = s.HoldOffMax = 1048576;
    s.CountMax = 65535;
    s.LengthMax = 1048576;
    TDeviceSettings &r = s.RequestedSettings();
    r.MemorySize = 8192;
    r.TimeBase = 1;
    s.BringWithinCapabilities(r);
    r.Range = {1, 2};
    TSettingsTarn::CopyDeviceSettings(r, s.AcquisitionSettings());
    TSettingsTarn::CopyDeviceSettings(r, s.ShownSettings());
    s.ChannelsOn = {1, 1, 0, 0, 0, 0};
    s.DisplayRatio = 1;
}

void ScreenInstrument(TSettingsTarn &s, int points, int levels) {
    s.SetDefaultCapabilities();
    if (points > 0)
        s.PointsOnScreen = points;
    if (levels > 0)
        s.LevelCount = levels;
    s.TimeBases = {{1e6, 1e6, 0, 0}, {1e8, 1e8, 0, 1}};
    s.Ranges = {{0.1, 0}, {1.0, 1}};
    s.Options = std::make_unique<TOptions>(&s);
    s.BringWithinCapabilities(s.RequestedSettings());
    s.StartAcquisitionSettings();
    s.ShowAcquisitionSettings();
    s.DisplayRatio = 1;
    s.ChannelsOn.assign(size_t(s.ChannelCount), true);
}

void SetBoolOption(TSettingsTarn &s, int32_t id, bool value) {
    static_cast<TBooleanOption *>(s.Options->GetOption(id))->Value = value;
}

void JoinBus(TObjMasterTarn &bus, TSettingsTarn &s, std::initializer_list<TBusMember *> members) {
    for (TBusMember *m : members) {
        m->SetSettings(&s);
        m->SetObjMaster(&bus);
    }
}

int BusPlace(const TObjMasterTarn &bus, const TBusMember &member) {
    const auto &handlers = bus.Handlers();
    for (size_t i = 0; i < handlers.size(); ++i)
        if (handlers[i].Object == static_cast<const void *>(&member))
            return int(i);
    return -1;
}

} // namespace scope
