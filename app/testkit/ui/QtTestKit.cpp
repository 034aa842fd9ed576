#include "testkit/ui/QtTestKit.h"
#include "settings/SettingsTarn.h"

namespace scope {

QApplication &TestApp() {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char *argv[] = {name, nullptr};
    if (!qApp)
        new QApplication(argc, argv);
    return *static_cast<QApplication *>(QCoreApplication::instance());
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

} // namespace scope
