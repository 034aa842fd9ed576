#include "ProgramBlock.h"

#include "MainForm.h"
#include "acquisition/DataSourceTarn.h"
#include "bus/ComponentsTarn.h"
#include "bus/ObjMasterTarn.h"
#include "dialogs/CommBrokenScreen.h"
#include "dialogs/SplashScreen.h"
#include "settings/SettingsTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/FakeDevice.h"
#include "testkit/TestFolder.h"
#include "testkit/ui/QtTestKit.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <dlfcn.h>
#include <filesystem>
#include <set>

#include <gtest/gtest.h>

namespace scope {

namespace {

TEST(ProgramBlock, OtherInstanceIsTwoProcessesOfTheSameFileName) {
    const struct {
        const char *what;
        std::vector<std::string> running;
        bool other;
    } cases[] = {
        {"only this one", {"/opt/a/scope", "/usr/bin/bash"}, false},
        {"a second copy in another folder", {"/opt/a/scope", "/home/u/b/scope"}, true},
        {"case differs", {"/opt/a/scope", "/opt/b/SCOPE"}, true},
        {"a name that only ends alike", {"/opt/a/scope", "/usr/bin/microscope"}, false},
        {"no process list at all", {}, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsOtherInstanceRunning(c.running, "/opt/a/scope"), c.other) << c.what;
}

struct TStatusLog : IStatusDisplay {
    void SetStatus(const std::string &text) override { Lines.push_back(text); }
    std::vector<std::string> Lines;
};

// A family table of doubles: each row creates a fake with its script.
struct TFamilies {
    std::vector<std::string> Log;
    std::vector<TFakeDevice::TScript> Scripts;
    std::vector<TDAO> Table;
    std::function<void()> OnFree;
    std::function<int32_t(int32_t)> OpenAnswer;
};
TFamilies *Current = nullptr;
template <int Row> std::unique_ptr<TDriverAbstraction> Create(const std::string &) {
    auto device = std::make_unique<TFakeDevice>(Current->Scripts[Row], &Current->Log);
    device->OnFree = Current->OnFree;
    device->OpenAnswer = Current->OpenAnswer;
    return device;
}

TEST(ProgramBlock, SearchTriesTheFamiliesInOrderAndKeepsTheFirstOpened) {
    TestApp();
    TFakeDevice::TScript noLib{drNoLibrary, false, {}, drOk, "P"};
    TFakeDevice::TScript allInUse{drOk, true, {{7, 0, 1}, {8, 1, 1}}, drOk, "T"};
    TFakeDevice::TScript empty{drOk, true, {}, drOk, "T"};
    TFakeDevice::TScript listed{drOk, true, {{7, 0, 1}, {9, 3, 0}, {11, 4, 0}}, drOk, "T", 1234};
    TFakeDevice::TScript notFound{drOk, false, {}, drDeviceNotFound, "V"};
    TFakeDevice::TScript plain{drOk, false, {}, drOk, "V", 55};
    TFakeDevice::TScript broken{drOk, false, {}, drCalibrationBroken, "V"};
    const struct {
        const char *what;
        std::vector<TFakeDevice::TScript> rows;
        std::string found; // name of the kept device, empty for none
        int32_t id;
        std::vector<std::string> log;
        size_t warnings;
    } cases[] = {
        {"nothing answers",
         {noLib, allInUse, notFound},
         "",
         0,
         {"load P", "free P", "load T", "enumerate T", "free T", "load V", "enumerate V", "open V -1",
          "free V"},
         0},
        {"empty enumeration goes on",
         {empty, plain},
         "V",
         0,
         {"load T", "enumerate T", "free T", "load V", "enumerate V", "open V -1"},
         0},
        {"the first free row is opened by its slot",
         {listed, plain},
         "T",
         9,
         {"load T", "enumerate T", "open T 3"},
         0},
        {"broken calibration is found, with one warning",
         {broken, plain},
         "V",
         0,
         {"load V", "enumerate V", "open V -1"},
         1},
    };
    for (const auto &c : cases) {
        TFamilies f;
        f.Scripts = c.rows;
        Current = &f;
        TDAO creators[] = {
            {&Create<0>, "Pellan series"}, {&Create<1>, "Tarnel series"}, {&Create<2>, "Vaskel series"}};
        for (size_t i = 0; i < c.rows.size(); ++i)
            f.Table.push_back(creators[i]);
        TStatusLog status;
        TScriptedMessages messages;
        TFoundDevice found = SearchDevice(f.Table, "/nowhere/", status, messages);
        EXPECT_EQ(found.Device ? found.Device->GetDeviceName() : "", c.found) << c.what;
        EXPECT_EQ(found.EnumeratedID, c.id) << c.what;
        EXPECT_EQ(f.Log, c.log) << c.what;
        ASSERT_EQ(messages.Log.size(), c.warnings) << c.what;
        if (c.warnings) {
            EXPECT_EQ(messages.Log[0].Kind, TMsgKind::Warning);
            EXPECT_EQ(messages.Log[0].Text,
                      "Calibration data in the device are broken. All measurements will be "
                      "inaccurate.\r\nPlease contact manufacturer for support.");
        }
        ASSERT_FALSE(status.Lines.empty());
        EXPECT_EQ(status.Lines.front(), "Checking and initializing " + f.Table[0].SeriesName + " ...");
        EXPECT_EQ(status.Lines.back(), "All devices checked.") << c.what;
        found.Device.reset();
    }
    Current = nullptr;
}

TEST(ProgramBlock, CaptionShowsTheSerialNumberOnlyForAnEnumeratedDevice) {
    TFakeDevice device({drOk, false, {}, drOk, "HS3", 27123}, nullptr);
    EXPECT_EQ(DeviceCaption(device, 0), "HS3");
    EXPECT_EQ(DeviceCaption(device, 9), "HS3 (SN:27123)");
}

} // namespace

namespace {

// A run of the program block against doubles: a recorder on the bus, a settings file of the test's
// making, the device log.
struct TStartupRig {
    TScriptedMessages Messages;
    std::vector<std::string> Log;
    std::string Folder;
    std::string SettingsFile;
    std::vector<std::string> Events;
    bool LoopEntered = false;
    std::string CaptionInLoop;
    // The splash form while the main form is built, and whether one is left once the loop runs.
    std::string SplashStatusAtForm;
    bool SplashInLoop = false;

    static TSplashForm *Splash() {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *splash = qobject_cast<TSplashForm *>(w))
                return splash;
        return nullptr;
    }

    // The start-up's own messages, and the first push of the acquisition thread (which announces the
    // ground level of every channel), as events.
    TBusRecorder Recorder;
    bool ThreadSeen = false;
    void Note(TSettingsTarn &s, int32_t Msg, int32_t Param) {
        if (Msg == bmGroundLevelChanged) {
            if (!ThreadSeen)
                Events.push_back("thread pushed");
            ThreadSeen = true;
            return;
        }
        std::string e = "bus " + std::to_string(Msg);
        if (Msg == bmSettingsApplied)
            e += "." + std::to_string(Param) + " intensity " + std::to_string(s.GridIntensity) +
                 (s.RequestedSettings().TimeBase == s.ShownSettings().TimeBase ? "" : " copies differ");
        if (Msg == bmInitialize)
            e += " points " + std::to_string(s.PointsOnScreen);
        Events.push_back(e);
    }

    explicit TStartupRig(const std::string &name) {
        TestApp();
        Folder = FreshTestFolder(name).string();
        SettingsFile = Folder + "/settings.xml";
    }

    TProgramEnvironment Environment(std::vector<TDAO> families) {
        TProgramEnvironment env;
        env.Messages = &Messages;
        env.RunningExecutables = {"/opt/scope/scope", "/bin/bash"};
        env.OwnExecutable = "/opt/scope/scope";
        env.ProgramFolder = Folder + "/";
        env.Families = std::move(families);
        env.CreateDemonstration = [this] {
            return std::make_unique<TFakeDevice>(TFakeDevice::TScript{drOk, false, {}, drOk, "Demo"}, &Log);
        };
        env.MainFormCreated = [this](TMainForm &form) {
            if (TSplashForm *splash = Splash())
                SplashStatusAtForm = splash->isVisible() ? splash->Label1->text().toStdString() : "hidden";
            form.SettingsTarn1().SettingsFileName = SettingsFile;
            Recorder.Only = {bmInitialize, bmSettingsApplied, bmStartupComplete, bmGroundLevelChanged};
            Recorder.OnMessage = [this, &form](int32_t Msg, int32_t Param, void *) {
                Note(form.SettingsTarn1(), Msg, Param);
            };
            Recorder.SetObjMaster(&form.ObjMasterTarn1());
        };
        env.RunMessageLoop = [this] {
            LoopEntered = true;
            Events.push_back("loop");
            SplashInLoop = Splash() != nullptr;
            // Serve the GUI thread's queue until the acquisition thread has made its first push.
            ProcessEventsUntil([this] { return ThreadSeen; }, 30000);
            if (QWidget *w = QApplication::activeWindow())
                CaptionInLoop = w->windowTitle().toStdString();
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *form = qobject_cast<TMainForm *>(w))
                    CaptionInLoop = form->windowTitle().toStdString();
        };
        return env;
    }
};

std::vector<std::string> Expected(const std::string &intensity) {
    std::vector<std::string> e{"bus 1 points 500"};
    for (int stage = 0; stage < 10; ++stage)
        e.push_back("bus 7." + std::to_string(stage) + " intensity " + intensity);
    e.push_back("bus 42");
    return e;
}

const char *const Question =
    "Unable to find supported device. Do you want software to search again (otherwise the "
    "demonstration mode runs)?";

TEST(ProgramBlock, StartUpRunsItsStepsInOrderAndShutDownSavesTheSettings) {
    TStartupRig rig("order");
    // A settings file of the test's making: read after message 1, before the ten stages.
    {
        TSettingsTarn stored;
        stored.SetDefaultCapabilities();
        stored.GridIntensity = 0.375;
        stored.SettingsFileName = rig.SettingsFile;
        stored.SaveSettingsFile();
    }
    TFamilies f;
    f.Scripts = {{drOk, false, {}, drOk, "Found", 3}};
    // Shut-down order: the thread has ended and the settings are on disk before the device goes.
    const auto written = std::filesystem::last_write_time(rig.SettingsFile);
    bool savedBeforeFree = false;
    f.OnFree = [&] {
        savedBeforeFree = std::filesystem::last_write_time(rig.SettingsFile) != written && rig.ThreadSeen;
    };
    Current = &f;
    TProgramBlock program(rig.Environment({{&Create<0>, "Pellan series"}}));
    EXPECT_TRUE(program.Run());
    Current = nullptr;
    std::vector<std::string> expected = Expected(std::to_string(0.375));
    expected.push_back("loop");
    expected.push_back("thread pushed");
    EXPECT_EQ(rig.Events, expected);
    EXPECT_EQ(rig.CaptionInLoop, "Found");
    EXPECT_EQ(rig.SplashStatusAtForm, "Creating basic structures ...");
    EXPECT_FALSE(rig.SplashInLoop) << "the splash form is freed before the message loop";
    EXPECT_TRUE(rig.Messages.Log.empty());
    EXPECT_EQ(f.Log, (std::vector<std::string>{"load Found", "enumerate Found", "open Found -1",
                                               "capabilities Found", "free Found"}));
    EXPECT_EQ(DeviceObject, nullptr);
    EXPECT_TRUE(savedBeforeFree);
}

TEST(ProgramBlock, QuestionAnswersSearchAgainRunTheDemonstrationOrAbort) {
    const struct {
        const char *what;
        std::deque<TMsgButton> answers;
        size_t questions;
        bool loop;
        bool demoWarning;
    } cases[] = {
        {"No runs the demonstration", {mbNo}, 1, true, true},
        {"Yes searches again, then No", {mbYes, mbNo}, 2, true, true},
        {"Abort finishes start-up without the loop", {mbAbort}, 1, false, false},
    };
    for (const auto &c : cases) {
        TStartupRig rig(std::string("answers_") + std::to_string(c.questions) + (c.loop ? "l" : "a"));
        rig.Messages.Answers = c.answers;
        TFamilies f;
        f.Scripts = {{drNoLibrary, false, {}, drOk, "P"}};
        Current = &f;
        TProgramBlock program(rig.Environment({{&Create<0>, "Pellan series"}}));
        EXPECT_TRUE(program.Run()) << c.what;
        Current = nullptr;
        size_t questions = 0;
        bool warned = false;
        for (const auto &m : rig.Messages.Log) {
            if (m.Text == Question) {
                ++questions;
                EXPECT_EQ(m.Kind, TMsgKind::Error);
                EXPECT_EQ(m.Buttons, unsigned(mbYes | mbNo | mbAbort));
            }
            warned =
                warned || (m.Kind == TMsgKind::Warning &&
                           m.Text == "Application will run in demonstration mode.\r\nPlease note, that the "
                                     "simulation of the measurement in this mode may differ from real "
                                     "measurement.");
        }
        EXPECT_EQ(questions, c.questions) << c.what;
        EXPECT_EQ(warned, c.demoWarning) << c.what;
        EXPECT_EQ(rig.LoopEntered, c.loop) << c.what;
        EXPECT_EQ(program.TerminateRequested(), !c.loop) << c.what;
        // Start-up went through to message 42 on the demonstration device, and the settings were saved.
        ASSERT_GE(rig.Events.size(), 12u) << c.what;
        EXPECT_EQ(rig.Events[11], "bus 42") << c.what;
        EXPECT_EQ(rig.Log,
                  (std::vector<std::string>{"load Demo", "open Demo -1", "capabilities Demo", "free Demo"}))
            << c.what;
        if (c.loop)
            EXPECT_EQ(rig.CaptionInLoop, "Demo");
        EXPECT_TRUE(std::filesystem::exists(rig.SettingsFile)) << c.what;
    }
}

TEST(ProgramBlock, SecondCopyEndsBeforeAnyFormWithItsMessage) {
    TStartupRig rig("second");
    TProgramEnvironment env = rig.Environment({});
    env.RunningExecutables = {"/opt/scope/scope", "/home/u/copy/scope"};
    TProgramBlock program(std::move(env));
    EXPECT_FALSE(program.Run());
    ASSERT_EQ(rig.Messages.Log.size(), 1u);
    EXPECT_EQ(rig.Messages.Log[0].Kind, TMsgKind::Error);
    EXPECT_EQ(rig.Messages.Log[0].Text,
              "Other instance of the application is already running. Please use the other "
              "one to control oscilloscope.");
    EXPECT_TRUE(rig.Events.empty());
    EXPECT_FALSE(std::filesystem::exists(rig.SettingsFile));
}

TEST(ProgramBlock, ExitOnABrokenLinkEndsTheProgramWithoutTheQuestionAndKeepsTheSettings) {
    TStartupRig rig("broken");
    TFamilies f;
    TFakeDevice::TScript script{drOk, false, {}, drOk, "Found"};
    script.LinkUp = false;
    f.Scripts = {script};
    // Opened at start-up, then never again.
    int opens = 0;
    f.OpenAnswer = [&](int32_t) { return ++opens == 1 ? drOk : drDeviceNotFound; };
    Current = &f;
    TProgramEnvironment env = rig.Environment({{&Create<0>, "Pellan series"}});
    bool formSeen = false;
    env.RunMessageLoop = [&] {
        // Exit once the form has tried to reopen the device twice.
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *broken = qobject_cast<TCommBrokenForm *>(w); broken && broken->isVisible()) {
                    formSeen = true;
                    if (opens >= 3)
                        broken->Button1->click();
                }
        });
        watch.start(50);
        QTimer::singleShot(30000, [] { QCoreApplication::exit(1); });
        EXPECT_EQ(QApplication::exec(), 0);
    };
    TMainForm::CloseWithoutQuestion = false;
    TProgramBlock program(std::move(env));
    EXPECT_TRUE(program.Run());
    Current = nullptr;
    EXPECT_TRUE(formSeen);
    EXPECT_TRUE(TMainForm::CloseWithoutQuestion);
    EXPECT_TRUE(rig.Messages.Log.empty()) << "no exit question";
    EXPECT_TRUE(std::filesystem::exists(rig.SettingsFile));
    EXPECT_GE(opens, 3);
    // The same device object was reopened: one load, one free.
    EXPECT_EQ(std::count(f.Log.begin(), f.Log.end(), "load Found"), 1);
    EXPECT_EQ(std::count(f.Log.begin(), f.Log.end(), "free Found"), 1);
    TMainForm::CloseWithoutQuestion = false;
}

// The simulated instrument's test controls, from the library the driver loads.
struct TSimControls {
    void *Handle = dlopen(PROGRAM_FOLDER "/pellusb.so", RTLD_NOW | RTLD_LOCAL);
    template <typename F> F Bind(const char *name) { return reinterpret_cast<F>(dlsym(Handle, name)); }
    void (*Reset)() = Bind<void (*)()>("sim_Reset");
    void (*SetModel)(int32_t) = Bind<void (*)(int32_t)>("sim_SetModel");
    void (*SetLinkUp)(int32_t) = Bind<void (*)(int32_t)>("sim_SetLinkUp");
    int32_t (*ReadLog)(int32_t *, int32_t) = Bind<int32_t (*)(int32_t *, int32_t)>("sim_ReadRegisterLog");
    void (*ClearLog)() = Bind<void (*)()>("sim_ClearRegisterLog");
    ~TSimControls() {
        if (Handle) {
            Reset();
            dlclose(Handle);
        }
    }
    // The registers written since the log was last cleared.
    std::set<int32_t> Written() {
        std::vector<int32_t> cells(size_t(3 * std::max(ReadLog(nullptr, 0), 0)));
        ReadLog(cells.data(), int32_t(cells.size() / 3));
        std::set<int32_t> registers;
        for (size_t i = 0; i < cells.size(); i += 3)
            registers.insert(cells[i]);
        return registers;
    }
};

std::unique_ptr<TDriverAbstraction> CreatePellan(const std::string &) {
    return std::make_unique<TDAO_Pellan>(PROGRAM_FOLDER);
}

TEST(ProgramBlock, ReopenedInstrumentIsSentEverySettingAgain) {
    TSimControls sim;
    ASSERT_NE(sim.Handle, nullptr) << dlerror();
    sim.Reset();
    sim.SetModel(1);
    sim.ClearLog();
    TStartupRig rig("reopen");
    TProgramEnvironment env = rig.Environment({{&CreatePellan, "Pellan series"}});
    std::set<int32_t> beforeBreak, afterReopen;
    bool formSeen = false, formGone = false;
    env.RunMessageLoop = [&] {
        auto serveUntil = [&](const std::function<bool()> &done) { return ProcessEventsUntil(done, 30000); };
        // Everything written before the break is written again.
        auto rewritten = [&] {
            const std::set<int32_t> now = sim.Written();
            return std::includes(now.begin(), now.end(), beforeBreak.begin(), beforeBreak.end());
        };
        TCommBrokenForm *broken = nullptr;
        auto shown = [&] {
            broken = nullptr;
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *f = qobject_cast<TCommBrokenForm *>(w); f && f->isVisible())
                    broken = f;
            return broken != nullptr;
        };
        ASSERT_TRUE(serveUntil([&] { return rig.ThreadSeen; }));
        // Print and About come with the program block.
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *form = qobject_cast<TMainForm *>(w)) {
                EXPECT_TRUE(form->Print1->isEnabled());
                EXPECT_TRUE(form->About1->isEnabled());
            }
        // Start-up, the first push and polls have reached the instrument once a record is shown.
        ASSERT_TRUE(serveUntil([] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *form = qobject_cast<TMainForm *>(w))
                    return !form->DataSourceTarn1().Waveforms().empty() &&
                           !form->DataSourceTarn1().Waveforms()[0].Empty();
            return false;
        }));
        // The break is seen by the thread's next poll; the form then runs its own loop in this thread,
        // where the watch sees it.
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (formSeen || !shown())
                return;
            formSeen = true;
            // The thread waits for the form now: the instrument is ours alone.
            beforeBreak = sim.Written();
            sim.ClearLog();
            sim.SetLinkUp(1);
        });
        watch.start(50);
        sim.SetLinkUp(0);
        serveUntil([&] { return formSeen; });
        formGone = serveUntil([&] { return !shown(); });
        serveUntil(rewritten);
    };
    TProgramBlock program(std::move(env));
    EXPECT_TRUE(program.Run());
    ASSERT_TRUE(formSeen);
    EXPECT_TRUE(formGone) << "the form closes once the instrument answers again";
    afterReopen = sim.Written();
    ASSERT_FALSE(beforeBreak.empty());
    // Everything start-up and the first push had written is written again after the reopening.
    std::vector<int32_t> missing;
    std::set_difference(beforeBreak.begin(), beforeBreak.end(), afterReopen.begin(), afterReopen.end(),
                        std::back_inserter(missing));
    EXPECT_TRUE(missing.empty()) << missing.size() << " registers not written again, first " << missing[0];
    EXPECT_TRUE(rig.Messages.Log.empty());
}

} // namespace

} // namespace scope
