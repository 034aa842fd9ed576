#include "modules/ModuleManagerTarn.h"

#include "bus/ObjMasterTarn.h"
#include "modules/ModulesBoxInterface.h"
#include "settings/SettingsTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/TestFolder.h"
#include "testkit/TestModules.h"
#include "testkit/TestSettings.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace scope {

namespace {

namespace fs = std::filesystem;

class TFakeBox : public IModulesBox {
public:
    struct TItem {
        uint8_t Kind;
        std::string Caption, Hint;
        uint8_t State = isOff;
    };
    std::vector<TItem> Items;
    int Rebuilds = 0, Updates = 0;
    TModuleOnOff FunctionDeactivate, ExtraActivate, ExtraDeactivate;

    void AddItem(uint8_t kind, const std::string &caption, const std::string &hint) override {
        Items.push_back({kind, caption, hint});
    }
    void Rebuild() override { ++Rebuilds; }
    int32_t ItemCount() const override { return int32_t(Items.size()); }
    uint8_t ItemState(int32_t id) const override { return Items[size_t(id)].State; }
    void SetItemState(int32_t id, uint8_t state) override { Items[size_t(id)].State = state; }
    void UpdateButtons() override { ++Updates; }
    void SetModuleEvents(TModuleOnOff f, TModuleOnOff a, TModuleOnOff d) override {
        FunctionDeactivate = f;
        ExtraActivate = a;
        ExtraDeactivate = d;
    }
    std::vector<std::string> Captions() const {
        std::vector<std::string> out;
        for (const TItem &i : Items)
            out.push_back(i.Caption);
        return out;
    }
};

struct TLogLine {
    std::string Module;
    int32_t Code, Value, Param1Set;
};

struct THostFixture : ::testing::Test {
    std::string Folder;
    TObjMasterTarn Bus;
    TSettingsTarn Settings;
    TFakeBox Box;
    // The bus traffic with the thread it came in; plays the screen's part for the cursor message.
    TBusRecorder Watcher;
    std::unique_ptr<TModuleManagerTarn> Host = std::make_unique<TModuleManagerTarn>();
    TAcquiredData Waves;

    void SetUp() override {
        Folder = FreshTestFolder().string();
        fs::create_directories(Folder + "/modules");

        Settings.SetDefaultCapabilities();
        Settings.VirtualChannelCount = 2;
        Settings.TimeBases = {{1e6, 1e6, 0, 100}, {5e7, 1e8, 0, 101}};
        Settings.Ranges = {{0.1, 1}, {0.5, 2}, {2, 3}};
        for (TDeviceSettings *d :
             {&Settings.RequestedSettings(), &Settings.AcquisitionSettings(), &Settings.ShownSettings()}) {
            d->MemorySize = 1024;
            Settings.BringWithinCapabilities(*d);
            d->VerticalParams.assign(2, TVerticalParamsRow{});
        }
        Settings.ChannelsOn.assign(size_t(Settings.ChannelCount), 0);
        Settings.VirtualChannels = {-1, -1};
        Settings.DisplayRatio = 1;

        Host->ModulesFolder = Folder + "/modules";
        Host->SetModulesBox(&Box);
        Watcher.IntData = {bmSetHorCursor};
        Watcher.OnMessage = [this](int32_t Msg, int32_t Param, void *Data) {
            if (Msg == bmSetHorCursor)
                Settings.SetHorCursorPos(Param, *static_cast<int32_t *>(Data));
        };
        JoinBus(Bus, Settings, {Host.get(), &Watcher});
        Bus.Broadcast(bmInitialize, 0, nullptr);

        Waves.assign(4, TWaveform{});
        for (size_t i = 0; i < Waves.size(); ++i) {
            Waves[i].Data.assign(1024, 0);
            Host->SetChannelBuffer(int32_t(i), &Waves[i]);
        }
    }

    void TearDown() override { Host.reset(); }

    // A copy of a module double under modules/, with its answers.
    std::string AddModule(const std::string &file, const std::string &kind, const std::string &config) {
        return AddTestModule(Folder, file, kind, config);
    }

    void Start() { Bus.Broadcast(bmStartupComplete, 0, nullptr); }

    int32_t IndexOf(const std::string &shortName) const { return ModuleIndex(*Host, shortName); }

    // Drops a function module onto a virtual channel, as the channel controller does.
    void Assign(const std::string &shortName, int32_t slot) {
        Settings.ChannelsOn[size_t(2 + slot)] = 1;
        Settings.VirtualChannels[size_t(slot)] = IndexOf(shortName);
        Bus.Broadcast(bmModuleChannelAssigned, 2 + slot, nullptr);
    }

    std::vector<TLogLine> Log() const {
        std::vector<TLogLine> out;
        std::ifstream in(Folder + "/modules/requests.log");
        TLogLine l;
        while (in >> l.Module >> l.Code >> l.Value >> l.Param1Set)
            out.push_back(l);
        return out;
    }
    std::vector<int32_t> Codes(const std::string &module) const {
        std::vector<int32_t> out;
        for (const TLogLine &l : Log())
            if (l.Module == module)
                out.push_back(l.Code);
        return out;
    }
    // Which modules got a request, in order.
    std::vector<std::string> Receivers(int32_t code) const {
        std::vector<std::string> out;
        for (const TLogLine &l : Log())
            if (l.Code == code)
                out.push_back(l.Module);
        return out;
    }
    void ClearLog() { fs::remove(Folder + "/modules/requests.log"); }

    static bool IsLoaded(const std::string &path) {
        void *h = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (h)
            dlclose(h);
        return h != nullptr;
    }
    // A callback made by the module itself, through the callback and index it was attached with.
    static uint8_t ModuleCalls(const std::string &path, int32_t code, int32_t value, intptr_t p1,
                               intptr_t p2) {
        void *h = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (!h)
            ADD_FAILURE() << "module not loaded: " << path;
        if (!h)
            return 0;
        auto call = reinterpret_cast<uint8_t (*)(int32_t, int32_t, intptr_t, intptr_t)>(
            dlsym(h, "TestModuleCallHost"));
        const uint8_t result = call(code, value, p1, p2);
        dlclose(h);
        return result;
    }
};

const std::vector<int32_t> ProbeSequence = {mrProbeShortName, mrProbeLongName, mrProbeSortKey, mrProbeKind,
                                            mrProbeStage};

TEST_F(THostFixture, ProbingAsksEachLibraryOnceAndFreesIt) {
    const std::string win = AddModule("win", "window", "short=Win\nlong=A window\nsort=3\nstage=1\n");
    const std::string fun = AddModule("fun", "function", "short=Fun\nlong=A function\nsort=2\n");
    Start();

    ASSERT_EQ(Host->ModuleCount(), 2);
    const TModuleEntry &f = Host->Module(0), &w = Host->Module(1);
    EXPECT_EQ(f.ShortName, "Fun");
    EXPECT_EQ(f.LongName, "A function");
    EXPECT_EQ(f.SortKey, 2);
    EXPECT_EQ(f.Kind, TModuleManagerTarn::mkFunctionModule);
    EXPECT_EQ(f.Stage, 0) << "a module that writes no stage has stage 0";
    EXPECT_EQ(f.Path, fun);
    EXPECT_EQ(w.Kind, TModuleManagerTarn::mkWindowModule);
    EXPECT_EQ(w.Stage, 1);
    for (const TModuleEntry *m : {&f, &w}) {
        EXPECT_FALSE(m->Enabled);
        EXPECT_FALSE(m->Loaded);
    }
    EXPECT_EQ(Codes("Win"), ProbeSequence);
    EXPECT_EQ(Codes("Fun"), ProbeSequence);
    EXPECT_FALSE(IsLoaded(win));
    EXPECT_FALSE(IsLoaded(fun));

    ASSERT_EQ(Box.Items.size(), 2u);
    EXPECT_EQ(Box.Items[0].Kind, IModulesBox::ikFunction);
    EXPECT_EQ(Box.Items[0].Caption, "Fun");
    EXPECT_EQ(Box.Items[0].Hint, "A function");
    EXPECT_EQ(Box.Items[1].Kind, IModulesBox::ikWindow);
    EXPECT_EQ(Box.Rebuilds, 1);
    EXPECT_GE(Box.Updates, 1);
}

TEST_F(THostFixture, FilesThatAreNoUsableModulesAreLeftOut) {
    AddModule("good", "window", "short=Good\n");
    AddModule("throws", "window", "short=Throws\nthrow=7\n");
    std::ofstream(Folder + "/modules/text.so") << "not a library";
    fs::create_directories(Folder + "/modules/folder.so");
    fs::copy_file(TestModulesFolder() + "/testwindowmodule.so", Folder + "/modules/other.dll");
    // A library without the entry point.
    fs::copy_file(std::string(PROGRAM_FOLDER) + "/pellusb.so", Folder + "/modules/noentry.so");
    Start();

    ASSERT_EQ(Host->ModuleCount(), 1);
    EXPECT_EQ(Host->Module(0).ShortName, "Good");
    EXPECT_EQ(Box.Captions(), std::vector<std::string>{"Good"});
    EXPECT_FALSE(IsLoaded(Folder + "/modules/throws.so"));
}

TEST_F(THostFixture, NoModulesFolderGivesAnEmptyBox) {
    fs::remove_all(Folder + "/modules");
    Start();
    EXPECT_EQ(Host->ModuleCount(), 0);
    EXPECT_TRUE(Box.Items.empty());
    EXPECT_EQ(Box.Rebuilds, 1);
}

TEST_F(THostFixture, ProbeTextsAreTakenWithinTheBuffer) {
    AddModule("long", "window", "fillshort=1\n");
    Start();
    ASSERT_EQ(Host->ModuleCount(), 1);
    EXPECT_EQ(Host->Module(0).ShortName, std::string(MODULE_TEXT_BUFFER_SIZE - 1, 'x'));
}

TEST_F(THostFixture, SortsByKeyThenByNameInCharacterOrder) {
    AddModule("m1", "window", "short=beta\nsort=5\n");
    AddModule("m2", "window", "short=Zeta\nsort=5\n");
    AddModule("m3", "function", "short=alpha\nsort=5\n");
    AddModule("m4", "window", "short=last\nsort=9\n");
    AddModule("m5", "function", "short=first\nsort=-2\n");
    AddModule("m6", "window", "short=Alpha\nsort=5\n");
    Start();
    EXPECT_EQ(Box.Captions(), (std::vector<std::string>{"first", "Alpha", "Zeta", "alpha", "beta", "last"}));
}

TEST_F(THostFixture, WindowModuleIsAttachedWhileSwitchedOn) {
    const std::string path = AddModule("win", "window", "short=Win\n");
    AddModule("other", "window", "short=Other\nsort=20\n");
    Start();
    ClearLog();
    const int32_t i = IndexOf("Win");
    ASSERT_EQ(i, 0);

    Box.ExtraActivate(i);
    EXPECT_TRUE(Host->Module(i).Enabled);
    EXPECT_FALSE(IsLoaded(path)) << "loaded on the next pass, not at the click";
    Host->LoadUnloadModules();
    EXPECT_TRUE(Host->Module(i).Loaded);
    EXPECT_TRUE(IsLoaded(path));
    Host->UpdateBoxStates();
    EXPECT_EQ(Box.Items[0].State, IModulesBox::isOn);
    EXPECT_EQ(Box.Items[1].State, IModulesBox::isOff);

    Host->LoadUnloadModules(); // nothing more to do
    Host->ProcessAcquisition();
    Host->ShowResults();
    Box.ExtraDeactivate(i);
    Host->LoadUnloadModules();

    EXPECT_EQ(Codes("Win"), (std::vector<int32_t>{mrAttach, mrCreate, mrStart, mrProcessAcquisition,
                                                  mrShowResults, mrStop, mrDestroy}));
    EXPECT_EQ(Log()[0].Value, i) << "attached with its module index";
    EXPECT_EQ(Log()[0].Param1Set, 1) << "and the callback";
    EXPECT_EQ(Log()[4].Param1Set, 0) << "a window module is shown without arguments";
    EXPECT_TRUE(Codes("Other").empty());
    EXPECT_FALSE(Host->Module(i).Loaded);
    EXPECT_FALSE(IsLoaded(path));
}

TEST_F(THostFixture, RefusedStartIsUndoneWithinOnePass) {
    const std::string path = AddModule("fun", "function", "short=Fun\nrefuse=1\n");
    Start();
    ClearLog();
    Assign("Fun", 0);
    EXPECT_TRUE(Host->Module(0).Enabled);
    EXPECT_EQ(Box.Items[0].State, IModulesBox::isOn);

    Host->LoadUnloadModules();

    EXPECT_EQ(Codes("Fun"), (std::vector<int32_t>{mrAttach, mrCreate, mrStart, mrStop, mrDestroy}));
    EXPECT_FALSE(Host->Module(0).Enabled);
    EXPECT_FALSE(Host->Module(0).Loaded);
    EXPECT_FALSE(IsLoaded(path));
    EXPECT_EQ(Settings.ChannelsOn[2], 0) << "its channel is switched off";
    EXPECT_EQ(Box.Items[0].State, IModulesBox::isOff);
    EXPECT_EQ(Watcher.Of(bmModuleListChanged).size(), 1u);
}

TEST_F(THostFixture, ModulesAreServedStageByStageInListOrder) {
    AddModule("a", "window", "short=late\nsort=1\nstage=1\n");
    AddModule("b", "window", "short=early\nsort=2\nstage=-1\n");
    AddModule("c", "window", "short=normal1\nsort=3\n");
    AddModule("d", "window", "short=odd\nsort=4\nstage=7\n");
    AddModule("e", "function", "short=normal2\nsort=5\nstage=0\n");
    AddModule("f", "window", "short=off\nsort=6\nstage=-1\n");
    Start();
    for (const char *name : {"late", "early", "normal1", "odd"})
        Box.ExtraActivate(IndexOf(name));
    Assign("normal2", 1);
    Host->LoadUnloadModules();
    ClearLog();

    Host->ProcessAcquisition();
    Host->ShowResults();

    const std::vector<std::string> order = {"early", "normal1", "normal2", "late"};
    EXPECT_EQ(Receivers(mrProcessAcquisition), order);
    EXPECT_EQ(Receivers(mrShowResults), order);
    EXPECT_TRUE(Host->Module(IndexOf("odd")).Loaded)
        << "a module of no known stage is attached, never served";
}

TEST_F(THostFixture, FunctionModuleFillsItsChannelAndItsRow) {
    AddModule("fun", "function", "short=Fun\n");
    Start();
    Assign("Fun", 0);
    Host->LoadUnloadModules();
    TDeviceSettings &acquired = Settings.AcquisitionSettings();
    acquired.Range = {2, 0};
    acquired.GroundPosition = {100, 50};
    Host->SetServedSettings(&acquired);
    for (size_t i = 0; i < 1024; ++i)
        Waves[0].Data[i] = uint8_t(i * 7);

    Host->ProcessAcquisition();
    Host->ShowResults();

    for (size_t i = 0; i < 1024; ++i)
        ASSERT_EQ(Waves[2].Data[i], uint8_t(255 - uint8_t(i * 7))) << i;
    EXPECT_TRUE(std::all_of(Waves[3].Data.begin(), Waves[3].Data.end(), [](uint8_t v) { return v == 0; }));
    const uint8_t *row = acquired.VerticalParams[0].data();
    EXPECT_DOUBLE_EQ(VerticalParamsVoltsPerLevel(row), 2.0 / 32);
    EXPECT_DOUBLE_EQ(VerticalParamsGroundLevel(row), 100);
    EXPECT_EQ(Log().back().Param1Set, 1);

    // The row is zeroed before each display request: a module that cannot fill it leaves zeros.
    acquired.Range = {99, 0};
    Host->ShowResults();
    EXPECT_EQ(acquired.VerticalParams[0], TVerticalParamsRow{});
}

TEST_F(THostFixture, ChannelOffAndBoxButtonSwitchTheFunctionModuleOff) {
    const std::string path = AddModule("fun", "function", "short=Fun\n");
    Start();

    // The channel button switches the channel off.
    Assign("Fun", 1);
    Host->LoadUnloadModules();
    ASSERT_TRUE(Host->Module(0).Loaded);
    Settings.ChannelsOn[3] = 0;
    Bus.Broadcast(bmChannelToggled, 3, nullptr);
    EXPECT_FALSE(Host->Module(0).Enabled);
    EXPECT_EQ(Box.Items[0].State, IModulesBox::isOff);
    EXPECT_TRUE(IsLoaded(path)) << "freed on the next pass";
    Host->LoadUnloadModules();
    EXPECT_FALSE(IsLoaded(path));

    // The module's button in the box.
    Assign("Fun", 0);
    Host->LoadUnloadModules();
    Box.FunctionDeactivate(0);
    EXPECT_FALSE(Host->Module(0).Enabled);
    EXPECT_EQ(Settings.ChannelsOn[2], 0);
    EXPECT_EQ(Box.Items[0].State, IModulesBox::isOff);
    EXPECT_EQ(Watcher.Of(bmModuleListChanged).size(), 1u);
    Host->LoadUnloadModules();
    EXPECT_FALSE(IsLoaded(path));
    EXPECT_EQ(Codes("Fun"), (std::vector<int32_t>{2, 3, 7, 8, 18, 11, 12, 13, 14, 15, 11, 12, 13, 14, 15}));
}

TEST_F(THostFixture, ClickOnAnOffChannelLeavesTheModuleThatMovedOnRunning) {
    const std::string path = AddModule("fun", "function", "short=Fun\n");
    Start();
    Assign("Fun", 0);
    Host->LoadUnloadModules();
    Settings.ChannelsOn[2] = 0;
    Bus.Broadcast(bmChannelToggled, 2, nullptr);
    Host->LoadUnloadModules();
    ASSERT_FALSE(Host->Module(0).Loaded);

    // Now on D; C still names it, and a click on C (which is off) must not stop it.
    Assign("Fun", 1);
    Host->LoadUnloadModules();
    ASSERT_EQ(Settings.VirtualChannels[0], 0);
    Bus.Broadcast(bmChannelToggled, 2, nullptr);
    EXPECT_TRUE(Host->Module(0).Enabled);
    Host->LoadUnloadModules();
    EXPECT_TRUE(IsLoaded(path));
    EXPECT_EQ(Box.Items[0].State, IModulesBox::isOn);
    uint8_t cell[4] = {};
    ASSERT_EQ(ModuleCalls(path, hcGetOwnChannelId, 0, intptr_t(cell), 0), 1);
    EXPECT_EQ(ModuleReadInt32(cell), 400);
}

TEST_F(THostFixture, UnknownIndicesChangeNothing) {
    AddModule("fun", "function", "short=Fun\n");
    AddModule("win", "window", "short=Win\nsort=20\n");
    AddModule("what", "window", "short=What\nkind=5\nsort=30\n");
    Start();
    const size_t busBefore = Watcher.Log.size();

    Box.ExtraActivate(7);
    Box.ExtraActivate(-1);
    Box.FunctionDeactivate(3);
    Settings.VirtualChannels = {9, -1};
    Settings.ChannelsOn[2] = 1;
    Bus.Broadcast(bmModuleChannelAssigned, 2, nullptr);
    Bus.Broadcast(bmChannelToggled, 2, nullptr);
    Bus.Broadcast(bmChannelToggled, 17, nullptr);
    // A window module dropped onto a channel is not a function module.
    Settings.VirtualChannels = {IndexOf("Win"), -1};
    Bus.Broadcast(bmModuleChannelAssigned, 2, nullptr);
    Bus.Broadcast(bmModuleChannelAssigned, 40, nullptr);
    for (int32_t i = 0; i < Host->ModuleCount(); ++i)
        EXPECT_FALSE(Host->Module(i).Enabled) << i;
    EXPECT_EQ(Watcher.Log.size(), busBefore + 5) << "only the test's own broadcasts";

    uint8_t cell[4] = {9, 9, 9, 9};
    EXPECT_FALSE(Host->HostRequest(3, hcGetMidLevel, 0, intptr_t(cell), 0));
    EXPECT_FALSE(Host->HostRequest(-1, hcGetMidLevel, 0, intptr_t(cell), 0));
    EXPECT_FALSE(TModuleManagerTarn::HostCallback(5, hcGetMidLevel, 0, 0, intptr_t(cell), 0, 0));
    EXPECT_EQ(ModuleReadInt32(cell), 0x09090909);

    // A module that named no kind is listed but never loaded.
    ASSERT_EQ(Box.Captions().back(), "What");
    ClearLog();
    Box.ExtraActivate(IndexOf("What"));
    Host->LoadUnloadModules();
    EXPECT_TRUE(Codes("What").empty());
    EXPECT_FALSE(Host->Module(IndexOf("What")).Enabled);
}

// The answer cell of a callback, prefilled so that an untouched cell shows.
struct TCallRow {
    int32_t Code, Value;
    int Slot; // 1 or 2: the parameter that carries the cell
    enum { Int, Float, Bool, Addr, Untouched } Type;
    double Expected;
    bool Result;
};

TEST_F(THostFixture, EveryCallbackAnswersInItsSlot) {
    const std::string path = AddModule("fun", "function", "short=Fun\n");
    AddModule("win", "window", "short=Win\nsort=20\n");
    Start();
    Assign("Fun", 1);
    Host->LoadUnloadModules();
    ASSERT_TRUE(Host->Module(0).Loaded);

    // The served copy differs from the shown one, so the answers show which one they read.
    TDeviceSettings &d = Settings.AcquisitionSettings();
    d.MemorySize = 2048;
    d.TimeBase = 1;
    d.Range = {1, 2};
    d.ProbeMode = {1, 3};
    d.GroundPosition = {100.5, 130.6};
    Host->SetServedSettings(&d);
    Waves[0].First = 5;
    Waves[0].Last = 1300;
    Waves[2].First = 0;
    Waves[2].Last = 10;
    Settings.PointsOnScreen = 500;
    Settings.DisplayStart = 100;
    Settings.DisplayRatio = 2.5;
    Settings.QuickViewOn = true;
    Settings.QuickViewStart = 50;
    // With the zoom on the display start is already the zoom window's first sample.
    Settings.ZoomOn = true;
    Settings.ZoomStart = 100;
    Settings.DisplayMode = 2;
    Host->OwnerHandle = 0x1234;
    int ownerForm = 0;
    Host->OwnerObject = &ownerForm;
    Settings.Options = std::make_unique<TOptions>(&Settings); // colours for every channel
    const TColorList colours = Settings.Options->GetColorArray(opColorChannels);
    ASSERT_GE(colours.size(), 4u);
    void *entry = nullptr;
    {
        void *h = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        entry = dlsym(h, "AppRequest");
        dlclose(h);
    }
    auto addr = [](const void *p) { return double(reinterpret_cast<intptr_t>(p)); };

    const std::vector<TCallRow> rows = {
        {0, 0, 1, TCallRow::Untouched, 0, false},
        {hcGetOwnChannelId, 0, 1, TCallRow::Int, 400, true},
        {hcNop, 0, 1, TCallRow::Untouched, 0, true},
        {7, 0, 1, TCallRow::Untouched, 0, false},
        {hcGetChannelData, 200, 1, TCallRow::Addr, addr(Waves[1].Data.data()), true},
        {hcGetChannelData, 300, 1, TCallRow::Addr, addr(Waves[2].Data.data()), true},
        {hcGetChannelData, 400, 1, TCallRow::Addr, addr(Waves[3].Data.data()), true},
        {hcGetChannelData, 999, 1, TCallRow::Addr, addr(Waves[0].Data.data()), true},
        {hcGetOwnChannelData, 0, 1, TCallRow::Addr, addr(Waves[3].Data.data()), true},
        {hcGetDataA, 0, 1, TCallRow::Addr, addr(Waves[0].Data.data()), true},
        {hcGetDataB, 0, 1, TCallRow::Addr, addr(Waves[1].Data.data()), true},
        {hcGetMidLevel, 0, 1, TCallRow::Int, 127, true},
        {17, 0, 1, TCallRow::Untouched, 0, false},
        {hcGetGroundA, 0, 1, TCallRow::Int, 100, true}, // halves to even
        {hcGetGroundB, 0, 1, TCallRow::Int, 131, true},
        {hcGetMidLevelAlt, 0, 1, TCallRow::Int, 127, true},
        {hcGetRangeA, 0, 1, TCallRow::Int, 500, true},
        {hcGetRangeB, 0, 1, TCallRow::Int, 2000, true},
        {hcGetMemorySize, 0, 1, TCallRow::Int, 2048, true},
        {hcGetFirstSample, 0, 1, TCallRow::Int, 5, true},
        {hcGetScreenStart, 0, 1, TCallRow::Int, 150, true},
        {hcGetScreenEnd, 0, 1, TCallRow::Int, 1300, true}, // 1250 + 150, at most Last of A
        {30, 0, 1, TCallRow::Untouched, 0, false},
        {hcGetDataC, 0, 1, TCallRow::Addr, addr(Waves[2].Data.data()), true},
        {hcGetDataD, 0, 1, TCallRow::Addr, addr(Waves[3].Data.data()), true},
        {hcGetSampleRateAlt, 0, 2, TCallRow::Float, 50000, true},
        {hcGetProbeRangeA, 0, 2, TCallRow::Int, 5000, true},
        {hcGetProbeRangeB, 0, 2, TCallRow::Int, 2000000, true},
        {37, 0, 1, TCallRow::Untouched, 0, false},
        {hcGetSamplesPerDivision, 0, 2, TCallRow::Int, 125, true},
        {hcGetColorA, 0, 1, TCallRow::Int, double(colours[0]), true},
        {hcGetColorB, 0, 1, TCallRow::Int, double(colours[1]), true},
        {hcGetColorC, 0, 1, TCallRow::Int, double(colours[2]), true},
        {hcGetColorD, 0, 1, TCallRow::Int, double(colours[3]), true},
        {hcGetOwnerHandle, 0, 1, TCallRow::Int, 0x1234, true},
        {hcGetOwnerObject, 0, 1, TCallRow::Addr, addr(&ownerForm), true},
        {hcGetDisplayRatio, 0, 2, TCallRow::Float, 2.5, true},
        {hcGetDisplayMode, 0, 1, TCallRow::Int, 3, true},
        {hcHasDataC, 0, 1, TCallRow::Bool, 1, true},
        {hcHasDataD, 0, 1, TCallRow::Bool, 0, true},
        {hcGetSampleRate, 0, 2, TCallRow::Float, 50000, true},
        {hcGetChannelScale, 2, 1, TCallRow::Untouched, 0, false},
        {52, 0, 1, TCallRow::Untouched, 0, false},
        {1000, 0, 1, TCallRow::Untouched, 0, false},
    };
    for (const TCallRow &r : rows) {
        SCOPED_TRACE("code " + std::to_string(r.Code) + " value " + std::to_string(r.Value));
        uint8_t cell[16], other[16];
        std::memset(cell, 0xAB, sizeof cell);
        std::memset(other, 0xCD, sizeof other);
        const intptr_t p1 = intptr_t(r.Slot == 1 ? cell : other), p2 = intptr_t(r.Slot == 2 ? cell : other);
        EXPECT_EQ(ModuleCalls(path, r.Code, r.Value, p1, p2), r.Result ? 1 : 0);
        EXPECT_TRUE(std::all_of(other, other + 16, [](uint8_t b) { return b == 0xCD; }))
            << "other slot written";
        switch (r.Type) {
        case TCallRow::Int:
            EXPECT_EQ(ModuleReadInt32(cell), int32_t(r.Expected));
            EXPECT_EQ(cell[4], 0xAB);
            break;
        case TCallRow::Float:
            EXPECT_DOUBLE_EQ(ModuleReadDouble(cell), r.Expected);
            break;
        case TCallRow::Bool:
            EXPECT_EQ(cell[0], uint8_t(r.Expected));
            EXPECT_EQ(cell[1], 0xAB);
            break;
        case TCallRow::Addr:
            EXPECT_EQ(ModuleReadAddress(cell), intptr_t(r.Expected));
            break;
        case TCallRow::Untouched:
            EXPECT_TRUE(std::all_of(cell, cell + 16, [](uint8_t b) { return b == 0xAB; }));
            break;
        }
    }

    // The records.
    Settings.SetVerCursorPos(0, 10);
    Settings.SetVerCursorPos(1, 21);
    Settings.SetHorCursorPos(0, 40);
    Settings.SetHorCursorPos(1, 200);
    uint8_t cursors[MODULE_CURSORS_SIZE];
    ASSERT_EQ(ModuleCalls(path, hcGetCursors, 0, 0, intptr_t(cursors)), 1);
    EXPECT_EQ(ModuleReadInt32(cursors + MODULE_CURSORS_VER0_OFFSET), 125 + 50);
    EXPECT_EQ(ModuleReadInt32(cursors + MODULE_CURSORS_VER1_OFFSET), 152 + 50); // 152.5 halves to even
    EXPECT_EQ(ModuleReadInt32(cursors + MODULE_CURSORS_HOR0_OFFSET), 40);
    EXPECT_EQ(ModuleReadInt32(cursors + MODULE_CURSORS_HOR1_OFFSET), 200);
    EXPECT_EQ(ModuleReadInt32(cursors + MODULE_CURSORS_MID_OFFSET), 127);
    uint8_t scale[MODULE_CHANNEL_SCALE_SIZE];
    ASSERT_EQ(ModuleCalls(path, hcGetChannelScale, 1, intptr_t(scale), 0), 1);
    EXPECT_DOUBLE_EQ(ModuleReadDouble(scale + MODULE_CHANNEL_SCALE_VOLTS_PER_LEVEL_OFFSET), 2.0 / 32);
    EXPECT_DOUBLE_EQ(ModuleReadDouble(scale + MODULE_CHANNEL_SCALE_GROUND_LEVEL_OFFSET), 130.6);

    // Another switched-on module by its exact short name.
    uint8_t found[8] = {};
    EXPECT_EQ(ModuleCalls(path, hcFindModule, 0, intptr_t("Fun"), intptr_t(found)), 1);
    EXPECT_EQ(ModuleReadAddress(found), intptr_t(entry));
    EXPECT_EQ(ModuleCalls(path, hcFindModule, 0, intptr_t("Win"), intptr_t(found)), 0) << "listed, not on";
    EXPECT_EQ(ModuleCalls(path, hcFindModule, 0, intptr_t("fun"), intptr_t(found)), 0);

    // An out-of-range display mode leaves the cell alone.
    Settings.DisplayMode = 4;
    uint8_t mode[4] = {7, 0, 0, 0};
    EXPECT_EQ(ModuleCalls(path, hcGetDisplayMode, 0, intptr_t(mode), 0), 1);
    EXPECT_EQ(ModuleReadInt32(mode), 7);
}

// Ranges from a driver's description block and ground positions past any level: the integer answers are
// held to 32 bits instead of converting out of range.
TEST_F(THostFixture, AnswersOfValuesPastTheIntegerRangeAreSaturated) {
    const std::string path = AddModule("fun", "function", "short=Fun\n");
    Start();
    Assign("Fun", 1);
    Host->LoadUnloadModules();
    ASSERT_TRUE(Host->Module(0).Loaded);
    Settings.Ranges = {{1e300, 1}, {3e6, 2}};
    TDeviceSettings &d = Settings.AcquisitionSettings();
    d.Range = {0, 1};
    d.ProbeMode = {0, 3};
    d.GroundPosition = {1e308, -6.5e150};
    Host->SetServedSettings(&d);
    const struct {
        int32_t Code;
        int Slot;
        int32_t Expected;
    } rows[] = {
        {hcGetGroundA, 1, std::numeric_limits<int32_t>::max()},
        {hcGetGroundB, 1, std::numeric_limits<int32_t>::min()},
        {hcGetRangeA, 1, std::numeric_limits<int32_t>::max()},
        {hcGetRangeB, 1, std::numeric_limits<int32_t>::max()}, // 3e9 mV
        {hcGetProbeRangeB, 2, std::numeric_limits<int32_t>::max()},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE("code " + std::to_string(r.Code));
        uint8_t cell[4] = {}, other[4] = {};
        const intptr_t p1 = intptr_t(r.Slot == 1 ? cell : other), p2 = intptr_t(r.Slot == 2 ? cell : other);
        EXPECT_EQ(ModuleCalls(path, r.Code, 0, p1, p2), 1);
        EXPECT_EQ(ModuleReadInt32(cell), r.Expected);
    }
}

TEST_F(THostFixture, WindowModuleGetsNoOwnChannelAndFunctionSlotC) {
    const std::string win = AddModule("win", "window", "short=Win\n");
    const std::string fun = AddModule("fun", "function", "short=Fun\nsort=20\n");
    Start();
    Box.ExtraActivate(IndexOf("Win"));
    Assign("Fun", 0);
    Host->LoadUnloadModules();
    uint8_t cell[8];
    std::memset(cell, 0xAB, sizeof cell);
    EXPECT_EQ(ModuleCalls(win, hcGetOwnChannelData, 0, intptr_t(cell), 0), 1);
    EXPECT_EQ(cell[0], 0xAB);
    EXPECT_EQ(ModuleCalls(fun, hcGetOwnChannelData, 0, intptr_t(cell), 0), 1);
    EXPECT_EQ(ModuleReadAddress(cell), intptr_t(Waves[2].Data.data()));
    EXPECT_EQ(ModuleCalls(fun, hcGetOwnChannelId, 0, intptr_t(cell), 0), 1);
    EXPECT_EQ(ModuleReadInt32(cell), 300);
}

TEST_F(THostFixture, ModuleSettingsRoundTripUnderTheShortName) {
    const std::string path = AddModule("win", "window", "short=Win\n");
    Start();
    Box.ExtraActivate(0);
    Host->LoadUnloadModules();
    auto call = [&](int32_t code, const char *key, const void *cell, int32_t value = 0) {
        return ModuleCalls(path, code, value, intptr_t(key), intptr_t(cell));
    };
    uint8_t i32[4], b[1], f64[8];
    ModuleWriteInt32(i32, -77);
    ModuleWriteBool(b, 1);
    ModuleWriteDouble(f64, 2.25);
    EXPECT_EQ(call(hcWriteInt, "count", i32), 1);
    EXPECT_EQ(call(hcWriteBool, "shown", b), 1);
    EXPECT_EQ(call(hcWriteFloat, "gain", f64), 1);
    EXPECT_EQ(call(hcWriteString, "title", "hello"), 1);
    EXPECT_EQ(call(hcWriteInt, "bad key", i32), 0) << "a key that cannot be stored is not reported written";

    int32_t stored = 0;
    EXPECT_TRUE(Settings.ReadModuleInt("Win", "count", stored));
    EXPECT_EQ(stored, -77);

    std::memset(i32, 0, 4);
    std::memset(f64, 0, 8);
    b[0] = 0;
    EXPECT_EQ(call(hcReadInt, "count", i32), 1);
    EXPECT_EQ(ModuleReadInt32(i32), -77);
    EXPECT_EQ(call(hcReadBool, "shown", b), 1);
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(call(hcReadFloat, "gain", f64), 1);
    EXPECT_DOUBLE_EQ(ModuleReadDouble(f64), 2.25);
    EXPECT_EQ(call(hcReadStringLength, "title", i32), 1);
    EXPECT_EQ(ModuleReadInt32(i32), 6);
    char text[16];
    std::memset(text, '#', sizeof text);
    EXPECT_EQ(call(hcReadString, "title", text), 1);
    EXPECT_STREQ(text, "hello");
    EXPECT_EQ(text[6], '#') << "nothing written past the length it was told";
    std::memset(text, '#', sizeof text);
    EXPECT_EQ(call(hcReadString, "title", text, 3), 1);
    EXPECT_STREQ(text, "he") << "a buffer size in Value bounds the copy";
    EXPECT_EQ(text[3], '#');

    // Missing keys: false, cells untouched, the length answer 1.
    ModuleWriteInt32(i32, 55);
    EXPECT_EQ(call(hcReadInt, "missing", i32), 0);
    EXPECT_EQ(ModuleReadInt32(i32), 55);
    EXPECT_EQ(call(hcReadStringLength, "missing", i32), 0);
    EXPECT_EQ(ModuleReadInt32(i32), 1);
    std::memset(text, '#', sizeof text);
    EXPECT_EQ(call(hcReadString, "missing", text), 0);
    EXPECT_EQ(text[0], '#');
    // A key without its zero within the host's text bound is not read.
    std::vector<char> endless(MODULE_TEXT_BUFFER_SIZE + 8, 'k');
    EXPECT_EQ(call(hcWriteInt, endless.data(), i32), 0);
}

// Keys that name no single entry below the module's section: without a segment they would name the section
// itself, "." and ".." segments name no element. A write of one answers false and leaves everything stored
// as it was; a read of one finds nothing, even in a file whose section itself holds a value (what a write of
// "" used to leave behind).
TEST_F(THostFixture, KeysThatNameNoEntryBelowTheSectionAreRefused) {
    const std::string path = AddModule("win", "window", "short=Win\n");
    Start();
    Box.ExtraActivate(0);
    Host->LoadUnloadModules();
    auto call = [&](int32_t code, const char *key, const void *cell) {
        return ModuleCalls(path, code, 0, intptr_t(key), intptr_t(cell));
    };
    uint8_t i32[4], b[1], f64[8];
    ModuleWriteInt32(i32, 7);
    ModuleWriteBool(b, 1);
    ModuleWriteDouble(f64, 0.5);
    ASSERT_EQ(call(hcWriteInt, "count", i32), 1);
    ASSERT_EQ(call(hcWriteBool, "stats/on", b), 1) << "a nested key names an entry below the section";
    const std::string stored = Settings.Document.FileText();

    const char *const refused[] = {
        "",        "/",        "//",  "///",           ".", "..", "/..", "../count", "./count",
        "count/.", "count/..", "/./", "stats/../count"};
    const struct {
        int32_t Code;
        const void *Cell;
    } writes[] = {{hcWriteInt, i32}, {hcWriteBool, b}, {hcWriteFloat, f64}, {hcWriteString, "text"}};
    for (const char *key : refused)
        for (const auto &w : writes) {
            SCOPED_TRACE("code " + std::to_string(w.Code) + " key \"" + key + "\"");
            EXPECT_EQ(call(w.Code, key, w.Cell), 0);
            EXPECT_EQ(Settings.Document.FileText(), stored);
        }
    std::memset(i32, 0, 4);
    b[0] = 0;
    EXPECT_EQ(call(hcReadInt, "count", i32), 1);
    EXPECT_EQ(ModuleReadInt32(i32), 7);
    EXPECT_EQ(call(hcReadBool, "stats/on", b), 1);
    EXPECT_EQ(b[0], 1);

    for (const std::string type : {"int", "bool", "float", "string"}) {
        const std::string file = Folder + "/section-" + type + ".xml";
        std::ofstream(file) << "<SETTINGS version=\"1\"><APPCONTAINER><WIN type=\"" + type +
                                   "\">1</WIN></APPCONTAINER></SETTINGS>";
        ASSERT_TRUE(Settings.Document.LoadFromFile(file));
        for (const char *key : refused) {
            SCOPED_TRACE("section of type " + type + ", key \"" + key + "\"");
            std::memset(i32, 0xAB, 4);
            std::memset(f64, 0xAB, 8);
            b[0] = 0xAB;
            char text[8];
            std::memset(text, '#', sizeof text);
            EXPECT_EQ(call(hcReadInt, key, i32), 0);
            EXPECT_EQ(call(hcReadBool, key, b), 0);
            EXPECT_EQ(call(hcReadFloat, key, f64), 0);
            EXPECT_EQ(call(hcReadString, key, text), 0);
            EXPECT_TRUE(std::all_of(i32, i32 + 4, [](uint8_t c) { return c == 0xAB; }));
            EXPECT_TRUE(std::all_of(f64, f64 + 8, [](uint8_t c) { return c == 0xAB; }));
            EXPECT_EQ(b[0], 0xAB);
            EXPECT_TRUE(std::all_of(text, text + sizeof text, [](char c) { return c == '#'; }));
            EXPECT_EQ(call(hcReadStringLength, key, i32), 0);
            EXPECT_EQ(ModuleReadInt32(i32), 1);
        }
    }
}

TEST_F(THostFixture, ConfigurationSavedAtExitSurvivesTheSettingsFile) {
    const std::string path = AddModule("win", "window", "short=Win\nsavevalue=42\n");
    Start();
    Box.ExtraActivate(0);
    Host->LoadUnloadModules();
    ClearLog();

    // The exit order: modules stop (and save) first, the settings file is written, the libraries go last.
    Host->StopModules();
    EXPECT_EQ(Codes("Win"), (std::vector<int32_t>{mrStop, mrDestroy}));
    EXPECT_TRUE(IsLoaded(path));
    uint8_t cell[8] = {};
    EXPECT_FALSE(Host->HostRequest(0, hcGetDataA, 0, intptr_t(cell), 0))
        << "the acquisition thread's records are gone by now";
    Settings.SettingsFileName = Folder + "/settings.xml";
    ASSERT_TRUE(Settings.SaveSettingsFile());
    Host->FreeModules();
    EXPECT_FALSE(IsLoaded(path));
    Host.reset();
    EXPECT_EQ(Codes("Win"), (std::vector<int32_t>{mrStop, mrDestroy})) << "nothing sent twice";

    TSettingsTarn reloaded;
    reloaded.SetDefaultCapabilities();
    reloaded.SettingsFileName = Settings.SettingsFileName;
    reloaded.LoadSettingsFile();
    int32_t saved = 0;
    EXPECT_TRUE(reloaded.ReadModuleInt("Win", "saved", saved));
    EXPECT_EQ(saved, 42);
}

TEST_F(THostFixture, DestroyingTheHostDetachesModulesStillOn) {
    const std::string path = AddModule("win", "window", "short=Win\n");
    Start();
    Box.ExtraActivate(0);
    Host->LoadUnloadModules();
    ClearLog();
    Host.reset();
    EXPECT_EQ(Codes("Win"), (std::vector<int32_t>{mrStop, mrDestroy}));
    EXPECT_FALSE(IsLoaded(path));
}

TEST_F(THostFixture, SwitchOffFromTheAcquisitionThreadRunsInTheGuiThread) {
    // The module asks to be switched off while it computes.
    AddModule("fun", "function", "short=Fun\ncall17=3\n");
    AddModule("win", "window", "short=Win\nsort=20\n");
    Start();
    Assign("Fun", 0);
    Box.ExtraActivate(IndexOf("Win"));
    Host->LoadUnloadModules();
    int queued = 0;
    Host->OnCallQueued = [&] { ++queued; };
    ClearLog();

    std::thread worker([&] { Host->ProcessAcquisition(); });
    worker.join();
    EXPECT_EQ(queued, 1);
    EXPECT_TRUE(Host->Module(0).Enabled) << "nothing changed outside the GUI thread";
    EXPECT_EQ(Settings.ChannelsOn[2], 1);
    EXPECT_TRUE(Watcher.Of(bmModuleListChanged).empty());

    Host->ShowResults();
    EXPECT_FALSE(Host->Module(0).Enabled);
    EXPECT_EQ(Settings.ChannelsOn[2], 0);
    ASSERT_EQ(Watcher.Of(bmModuleListChanged).size(), 1u);
    EXPECT_EQ(Watcher.Of(bmModuleListChanged)[0].Thread, std::this_thread::get_id());
    EXPECT_EQ(Receivers(mrShowResults), std::vector<std::string>{"Win"})
        << "a module switched off is not shown";
    Host->LoadUnloadModules();
    EXPECT_EQ(Codes("Fun"), (std::vector<int32_t>{mrProcessAcquisition, mrStop, mrDestroy}));
}

TEST_F(THostFixture, MovesTheHorizontalCursorsInward) {
    const std::string path = AddModule("win", "window", "short=Win\n");
    Start();
    Box.ExtraActivate(0);
    Host->LoadUnloadModules();
    struct TCase {
        int32_t C0, C1, First, Second;
    };
    for (const TCase &c : {TCase{200, 40, 184, 54}, TCase{40, 200, 56, 186}, TCase{100, 95, 100, 95}}) {
        Watcher.Log.clear();
        Settings.SetHorCursorPos(0, c.C0);
        Settings.SetHorCursorPos(1, c.C1);
        // From the GUI thread it happens at once.
        EXPECT_EQ(ModuleCalls(path, hcMoveCursorsInward, 0, 0, 0), 1);
        const auto seen = Watcher.Of(bmSetHorCursor);
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen[0].Param, 0);
        EXPECT_EQ(seen[0].Value, c.First);
        EXPECT_EQ(seen[1].Param, 1);
        EXPECT_EQ(seen[1].Value, c.Second);
    }

    // From another thread it waits for the GUI thread.
    Watcher.Log.clear();
    std::thread worker([&] { ModuleCalls(path, hcMoveCursorsInward, 0, 0, 0); });
    worker.join();
    EXPECT_TRUE(Watcher.Of(bmSetHorCursor).empty());
    Host->RunQueuedCalls();
    EXPECT_EQ(Watcher.Of(bmSetHorCursor).size(), 2u);
}

} // namespace

} // namespace scope
