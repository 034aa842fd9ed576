// The module host with the demonstration instrument, the acquisition thread and the data source: a
// function module on channel C computes from each new record, and the record that reaches the data
// source carries its channel. This test's thread stands in for the GUI thread.
#include "acquisition/AcquisitionThread.h"
#include "acquisition/DataSourceTarn.h"
#include "acquisition/QueuedSynchronizer.h"
#include "bus/ObjMasterTarn.h"
#include "device/DemoDevice.h"
#include "modules/ModuleManagerTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/ServeUntil.h"
#include "testkit/TestFolder.h"
#include "testkit/TestModules.h"
#include "testkit/TestSettings.h"

#include <functional>
#include <string>

#include <gtest/gtest.h>

namespace scope {

namespace {

TEST(ModuleHostEndToEnd, FunctionModuleChannelReachesTheDataSource) {
    const std::string folder = FreshTestFolder().string();
    AddTestModule(folder, "fun", "function", "short=Invert\n");

    TObjMasterTarn bus;
    TSettingsTarn settings;
    TDataSourceTarn source;
    TBusRecorder screens;
    screens.Answers[bmQueryQuickViewWidth] = 100;
    TModuleManagerTarn host;
    TDAO_DEMO device;
    TQueuedSynchronizer gui;
    ASSERT_TRUE(DemoInstrument(device, settings));
    settings.SettingsFileName = folder + "/settings.xml"; // absent: the defaults
    settings.RequestedSettings().MemorySize = 1024;
    settings.RequestedSettings().TimeBase = 13;
    settings.LoadSettingsFile();
    settings.DisplayRatio = 1024.0 / settings.PointsOnScreen;
    host.ModulesFolder = folder + "/modules";
    JoinBus(bus, settings, {&source, &host, &screens});
    bus.Broadcast(bmInitialize, 0, nullptr);
    bus.Broadcast(bmStartupComplete, 0, nullptr);
    ASSERT_EQ(host.ModuleCount(), 1);

    // The module is dropped onto channel C.
    const size_t c = size_t(settings.PhysicalChannelCount);
    settings.ChannelsOn[c] = 1;
    settings.VirtualChannels[0] = 0;
    bus.Broadcast(bmModuleChannelAssigned, int32_t(c), nullptr);

    TAcquisitionContext context;
    context.Settings = &settings;
    context.DataSource = &source;
    context.ModuleHost = &host;
    context.Bus = &bus;
    context.Device = &device;
    context.Synchronizer = &gui;
    context.ServePending = [&] { gui.ServePending(); };
    TAcquisitionThread thread(context);
    thread.Start();
    ServeUntil(gui, [&] { return screens.Count(bmScreenDataReady) >= 3; });
    thread.WaitFor();
    ASSERT_GE(screens.Count(bmScreenDataReady), 3u);
    EXPECT_TRUE(host.Module(0).Loaded);

    const TWaveform &a = source.Waveforms()[0], &virtualC = source.Waveforms()[c];
    ASSERT_FALSE(a.Empty());
    EXPECT_EQ(virtualC.First, a.First);
    EXPECT_EQ(virtualC.Last, a.Last);
    bool varies = false;
    for (int32_t i = a.First; i <= a.Last; ++i) {
        ASSERT_EQ(virtualC.Data[size_t(i)], 255 - a.Data[size_t(i)]) << i;
        varies = varies || a.Data[size_t(i)] != a.Data[size_t(a.First)];
    }
    EXPECT_TRUE(varies) << "the demonstration signal should not be flat";
    EXPECT_TRUE(source.Waveforms()[c + 1].Empty()) << "channel D is off";

    // The module's row reached the settings of the data on screen.
    const TDeviceSettings &shown = settings.ShownSettings();
    const double voltsPerDiv = settings.Ranges[size_t(shown.Range[0])].VoltsPerDiv;
    ASSERT_EQ(shown.VerticalParams.size(), 2u);
    EXPECT_DOUBLE_EQ(VerticalParamsVoltsPerLevel(shown.VerticalParams[0].data()),
                     voltsPerDiv / settings.LevelsPerDiv);
    EXPECT_DOUBLE_EQ(VerticalParamsGroundLevel(shown.VerticalParams[0].data()), shown.GroundPosition[0]);
}

} // namespace

} // namespace scope
