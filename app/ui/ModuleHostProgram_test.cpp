// The module host inside the running program: demonstration mode, a function module found at start-up and
// dropped onto channel C, its channel drawn on the screen, and its configuration kept at exit.
#include "MainForm.h"
#include "ProgramBlock.h"
#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "device/DemoDevice.h"
#include "modules/ModuleManagerTarn.h"
#include "screens/ScopeScreenTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/TestFolder.h"
#include "testkit/TestModules.h"
#include "testkit/ui/QtTestKit.h"

#include <QApplication>
#include <QWidget>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

namespace scope {

namespace {

// Pixels of the screen bitmap in a channel's colour (0x00BBGGRR); the background is black.
int PixelsOf(const QImage &image, uint32_t colour) {
    const QRgb rgb = qRgb(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == rgb;
    return n;
}

bool ServeUntil(const std::function<bool()> &done) {
    return ProcessEventsUntil(done, 15000);
}

TEST(ModuleHostInProgram, FunctionModuleChannelIsDrawnAndItsConfigurationKeptAtExit) {
    TestApp();
    const std::string folder = FreshTestFolder().string();
    AddTestModule(folder, "invert", "function", "short=Invert\nsavevalue=42\n");

    TScriptedMessages messages;
    messages.Answers = {mbNo}; // no device: demonstration mode
    TProgramEnvironment env;
    env.Messages = &messages;
    env.RunningExecutables = {"/opt/scope/scope"};
    env.OwnExecutable = "/opt/scope/scope";
    env.ProgramFolder = folder + "/";
    env.CreateDemonstration = [] { return std::make_unique<TDAO_DEMO>(); };
    TMainForm *form = nullptr;
    env.MainFormCreated = [&](TMainForm &f) {
        form = &f;
        f.SettingsTarn1().SettingsFileName = folder + "/settings.xml";
        f.ModuleManagerTarn1().ModulesFolder = folder + "/modules";
    };
    int listed = 0, pixelsBefore = -1, pixelsAfter = -1;
    bool recordsFlowed = false, assigned = false, channelComputed = false;
    env.RunMessageLoop = [&] {
        TModuleManagerTarn &host = form->ModuleManagerTarn1();
        TSettingsTarn &s = form->SettingsTarn1();
        TDataSourceTarn &source = form->DataSourceTarn1();
        listed = host.ModuleCount();
        if (listed != 1)
            return;
        const size_t c = size_t(s.PhysicalChannelCount);
        const uint32_t colourC = s.Options->GetColorArray(opColorChannels).at(c);
        recordsFlowed = ServeUntil([&] { return !source.Waveforms()[0].Empty(); });
        pixelsBefore = PixelsOf(form->ScopeScreenTarn1->Bitmap(), colourC);

        // What the channel controller does when the module's button is dropped onto C.
        s.ChannelsOn[c] = 1;
        s.VirtualChannels[0] = 0;
        form->ObjMasterTarn1().Broadcast(bmModuleChannelAssigned, int32_t(c), nullptr);
        assigned = host.Module(0).Enabled;
        channelComputed = ServeUntil([&] {
            const TWaveform &a = source.Waveforms()[0], &v = source.Waveforms()[c];
            if (v.Empty() || v.First != a.First || v.Last != a.Last)
                return false;
            for (int32_t i = a.First; i <= a.Last; ++i)
                if (v.Data[size_t(i)] != 255 - a.Data[size_t(i)])
                    return false;
            return PixelsOf(form->ScopeScreenTarn1->Bitmap(), colourC) > 0;
        });
        pixelsAfter = PixelsOf(form->ScopeScreenTarn1->Bitmap(), colourC);
    };
    TProgramBlock program(std::move(env));
    ASSERT_TRUE(program.Run());

    ASSERT_EQ(listed, 1);
    EXPECT_TRUE(recordsFlowed);
    EXPECT_EQ(pixelsBefore, 0) << "channel C is off before the module is assigned";
    EXPECT_TRUE(assigned);
    EXPECT_TRUE(channelComputed);
    EXPECT_GT(pixelsAfter, 0);

    // Stopped before the settings file was written: its configuration is in the file.
    std::vector<int32_t> codes;
    std::ifstream log(folder + "/modules/requests.log");
    std::string name;
    int32_t code, value, param;
    while (log >> name >> code >> value >> param)
        codes.push_back(code);
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(std::vector<int32_t>(codes.end() - 2, codes.end()), (std::vector<int32_t>{mrStop, mrDestroy}));
    TSettingsTarn reloaded;
    reloaded.SettingsFileName = folder + "/settings.xml";
    reloaded.LoadSettingsFile();
    int32_t saved = 0;
    EXPECT_TRUE(reloaded.ReadModuleInt("Invert", "saved", saved));
    EXPECT_EQ(saved, 42);
}

} // namespace

namespace {

// The project's analysis module under the host: switched on and off again and again, with records between.
TEST(ModuleHostInProgram, ParameterModuleSwitchesOnAndOffAndKeepsItsConfiguration) {
    TestApp();
    TObjMasterTarn bus;
    TSettingsTarn s;
    SmallModuleInstrument(s, 2);
    QWidget owner;
    TModuleManagerTarn host;
    host.ModulesFolder = std::string(PROGRAM_FOLDER) + "/modules";
    host.OwnerObject = &owner;
    host.SetSettings(&s);
    host.SetObjMaster(&bus);
    bus.Broadcast(bmInitialize, 0, nullptr);
    bus.Broadcast(bmStartupComplete, 0, nullptr);
    const int32_t wp = ModuleIndex(host, "Wp");
    ASSERT_GE(wp, 0) << "the parameter module is built into the program folder";
    TAcquiredData waves;
    HandSquareWaves(host, waves);
    auto windowShown = [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == "Waveform parameters")
                return true;
        return false;
    };

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        host.ExtraScreenActivate(wp);
        host.LoadUnloadModules();
        ASSERT_TRUE(host.Module(wp).Loaded);
        EXPECT_TRUE(windowShown());
        for (int k = 0; k < 3; ++k) {
            host.ProcessAcquisition();
            host.ShowResults();
            QCoreApplication::processEvents();
        }
        host.ExtraScreenDeactivate(wp);
        host.LoadUnloadModules();
        QCoreApplication::processEvents();
        EXPECT_FALSE(host.Module(wp).Loaded);
        EXPECT_FALSE(windowShown());
    }
    int32_t range = -1;
    EXPECT_TRUE(s.ReadModuleInt("Wp", "RangeC", range)) << "its configuration went into the settings";
}

} // namespace

} // namespace scope
