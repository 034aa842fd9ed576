#include "MainScreen.h"
#include "ModuleTypesTarn.h"
#include "QtTestApp.h"
#include "TestHost.h"
#include "Waveforms.h"

#include <QApplication>
#include <QCloseEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <dlfcn.h>
#include <string>

namespace parmod {

namespace {

intptr_t Addr(void *p) {
    return reinterpret_cast<intptr_t>(p);
}

TMainForm *ModuleWindow() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *form = qobject_cast<TMainForm *>(w))
            return form;
    return nullptr;
}

// Attaches the module to a test host, creates and starts it; destroys it at the end.
class ModuleInUse : public ::testing::Test {
protected:
    void SetUp() override { TestApp(); }
    void TearDown() override { AppRequest(mrDestroy, 0, 0, 0, 0, 0); }

    int32_t Start() {
        AppRequest(mrAttach, 7, 0, Addr(reinterpret_cast<void *>(&TTestHost::Callback)), 0, 0);
        AppRequest(mrCreate, 0, 0, 0, 0, 0);
        uint8_t cell[4];
        ModuleWriteInt32(cell, 1);
        AppRequest(mrStart, 0, 0, Addr(cell), 0, 0);
        return ModuleReadInt32(cell);
    }

    TTestHost Host;
};

} // namespace

TEST(ModuleEntry, ProbingAnswers) {
    struct TextCase {
        int32_t Code;
        const char *Text;
    };
    for (TextCase c : {TextCase{mrProbeShortName, "Wp"}, TextCase{mrProbeLongName, "Waveform parameters"},
                       TextCase{mrGetVendorTag, "TRN"}}) {
        char buffer[MODULE_TEXT_BUFFER_SIZE];
        std::memset(buffer, 'x', sizeof buffer);
        uint8_t length[4] = {};
        EXPECT_EQ(AppRequest(c.Code, 0, 0, Addr(buffer), Addr(length), 0), 1);
        EXPECT_STREQ(buffer, c.Text);
        EXPECT_EQ(ModuleReadInt32(length), static_cast<int32_t>(std::strlen(c.Text)));
    }
    struct IntCase {
        int32_t Code, Preset, Answer;
    };
    for (IntCase c :
         {IntCase{mrGetInfo1, 0, 99}, IntCase{mrGetInfo6, 0, 255}, IntCase{mrProbeSortKey, 0, 1049},
          IntCase{mrProbeKind, 0, mkWindow}, IntCase{mrProbeStage, 0, 0}, IntCase{mrProbeStage, -1, -1},
          IntCase{0, 5, 5}, IntCase{9, 5, 5}, IntCase{16, 5, 5}, IntCase{99, 5, 5}}) {
        uint8_t cell[4];
        ModuleWriteInt32(cell, c.Preset);
        EXPECT_EQ(AppRequest(c.Code, 0, 0, Addr(cell), 0, 0), 1) << c.Code;
        EXPECT_EQ(ModuleReadInt32(cell), c.Answer) << c.Code;
    }
    // Requests that need a window do nothing before there is one.
    EXPECT_EQ(AppRequest(mrProcessAcquisition, 0, 0, 0, 0, 0), 1);
    EXPECT_EQ(AppRequest(mrShowResults, 0, 0, 0, 0, 0), 1);
}

// The library in the program folder exports the entry under its name.
TEST(ModuleEntry, LibraryInTheProgramFolderAnswersProbing) {
    const std::string path = std::string(PROGRAM_FOLDER) + "/modules/parmod.so";
    void *library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto entry = reinterpret_cast<TAppRequest>(dlsym(library, MODULE_ENTRY_NAME));
    ASSERT_NE(entry, nullptr);
    char buffer[MODULE_TEXT_BUFFER_SIZE] = {};
    uint8_t cell[4] = {};
    entry(mrProbeShortName, 0, 0, Addr(buffer), Addr(cell), 0);
    EXPECT_STREQ(buffer, "Wp");
    entry(mrProbeSortKey, 0, 0, Addr(cell), 0, 0);
    EXPECT_EQ(ModuleReadInt32(cell), 1049);
    entry(mrProbeKind, 0, 0, Addr(cell), 0, 0);
    EXPECT_EQ(ModuleReadInt32(cell), 2);
    dlclose(library);
}

TEST_F(ModuleInUse, MissingSectionGivesDefaultsAndDestroyWritesEveryKey) {
    EXPECT_EQ(Start(), 1);
    TMainForm *window = ModuleWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Host.LastModuleIndex, 7);
    EXPECT_EQ(window->windowTitle().toStdString(), "Waveform parameters");
    const TModuleSettings s = window->CurrentSettings();
    EXPECT_TRUE(std::all_of(s.Rows.begin(), s.Rows.end(), [](bool on) { return on; }));
    EXPECT_EQ(s.Channels, (std::array<bool, 4>{true, true, false, false}));
    EXPECT_EQ(s.Stats, (std::array<bool, 5>{true, true, false, false, false}));
    EXPECT_EQ(s.RangeC, 0);
    EXPECT_EQ(s.RangeD, 1);
    EXPECT_FALSE(window->StayOnTop());
    // The table is limited to nine tenths of the screen.
    EXPECT_EQ(window->Table()->MaxWidth, static_cast<int32_t>(std::nearbyint(
                                             QGuiApplication::primaryScreen()->geometry().width() * 0.9)));

    Host.Calls.clear();
    AppRequest(mrDestroy, 0, 0, 0, 0, 0);
    EXPECT_EQ(ModuleWindow(), nullptr);
    std::map<std::string, std::string> expected;
    for (int i = 0; i < 19; ++i)
        expected["param_" + std::to_string(i)] = "true";
    for (int i = 0; i < 4; ++i)
        expected["channel_" + std::to_string(i)] = i < 2 ? "true" : "false";
    for (int i = 0; i < 5; ++i)
        expected["stat_" + std::to_string(i)] = i < 2 ? "true" : "false";
    expected["RangeC"] = "0";
    expected["RangeD"] = "1";
    expected["stayontop"] = "false";
    EXPECT_EQ(Host.Settings, expected);
    // Booleans through hcWriteBool, the range sources through hcWriteInt.
    EXPECT_EQ(std::count(Host.Calls.begin(), Host.Calls.end(), hcWriteBool), 19 + 4 + 5 + 1);
    EXPECT_EQ(std::count(Host.Calls.begin(), Host.Calls.end(), hcWriteInt), 2);
}

TEST_F(ModuleInUse, StoredSettingsAreAppliedAndChecked) {
    Host.Settings = {{"param_3", "false"},  {"param_18", "false"}, {"channel_0", "false"},
                     {"channel_2", "true"}, {"stat_4", "true"},    {"RangeC", "1"},
                     {"RangeD", "7"},       {"stayontop", "true"}};
    Start();
    TMainForm *window = ModuleWindow();
    ASSERT_NE(window, nullptr);
    TModuleSettings s = window->CurrentSettings();
    EXPECT_FALSE(s.Rows[3]);
    EXPECT_FALSE(s.Rows[18]);
    EXPECT_TRUE(s.Rows[4]);
    EXPECT_EQ(s.Channels, (std::array<bool, 4>{false, true, true, false}));
    EXPECT_EQ(s.Stats, (std::array<bool, 5>{true, true, false, false, true}));
    EXPECT_EQ(s.RangeC, 1);
    EXPECT_EQ(s.RangeD, 0); // not a channel: A
    EXPECT_TRUE(window->StayOnTop());
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->RangeAction(2, 1)->isChecked());
    AppRequest(mrDestroy, 0, 0, 0, 0, 0);

    // A group stored all off takes its defaults.
    for (int i = 0; i < 19; ++i)
        Host.Settings["param_" + std::to_string(i)] = "false";
    for (int i = 0; i < 4; ++i)
        Host.Settings["channel_" + std::to_string(i)] = "false";
    for (int i = 0; i < 5; ++i)
        Host.Settings["stat_" + std::to_string(i)] = "false";
    Start();
    s = ModuleWindow()->CurrentSettings();
    EXPECT_TRUE(std::all_of(s.Rows.begin(), s.Rows.end(), [](bool on) { return on; }));
    EXPECT_EQ(s.Channels, (std::array<bool, 4>{true, true, false, false}));
    EXPECT_EQ(s.Stats, (std::array<bool, 5>{true, true, false, false, false}));
}

// Compute in request 17, show in request 5: the first computation before any show has no data flags.
TEST_F(ModuleInUse, AcquisitionRequestsComputeAndShow) {
    Host.SetChannel(0, waveforms::Square(100, 50, 50, 200, 10000));
    Host.Ground = {128, 128};
    Host.HasDataC = true;
    Host.Data[2] = Host.Data[0];
    Start();
    TMainForm *window = ModuleWindow();
    ASSERT_NE(window, nullptr);
    window->Stats().SetChannelVisible(2, true);
    AppRequest(mrProcessAcquisition, 0, 0, 0, 0, 0);
    EXPECT_FALSE(window->Params().Param(prPeakPeak).Channel(0).Valid);
    Host.Calls.clear();
    AppRequest(mrShowResults, 0, 0, 0, 0, 0);
    for (int32_t code : {hcGetColorA, hcGetColorB, hcGetColorC, hcGetColorD, hcHasDataC, hcHasDataD})
        EXPECT_NE(std::find(Host.Calls.begin(), Host.Calls.end(), code), Host.Calls.end()) << code;
    EXPECT_EQ(window->Stats().Colour(2), 0x333333u);
    AppRequest(mrProcessAcquisition, 0, 0, 0, 0, 0);
    EXPECT_TRUE(window->Params().Param(prPeakPeak).Channel(0).Valid);
    EXPECT_TRUE(window->Params().Param(prPeakPeak).Channel(2).Valid);
    EXPECT_FALSE(window->Params().Param(prPeakPeak).Channel(1).Valid); // B holds no samples
    EXPECT_NEAR(window->Params().Param(prFrequency).Channel(0).Now, 10000, 1e-6);
}

TEST_F(ModuleInUse, ClosingTheWindowSwitchesTheModuleOff) {
    Start();
    TMainForm *window = ModuleWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Host.SwitchOffs, 0);
    window->close();
    EXPECT_EQ(Host.SwitchOffs, 1);
    // The host detaches the module, which saves the settings and frees the window.
    AppRequest(mrStop, 0, 0, 0, 0, 0);
    AppRequest(mrDestroy, 0, 0, 0, 0, 0);
    EXPECT_EQ(ModuleWindow(), nullptr);
    EXPECT_EQ(Host.Settings.count("stayontop"), 1u);
}

} // namespace parmod
