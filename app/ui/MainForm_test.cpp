#include "MainForm.h"

#include "acquisition/DataSourceTarn.h"
#include "acquisition/MasterTimerTarn.h"
#include "bus/ComponentsTarn.h"
#include "bus/ObjMasterTarn.h"
#include "controllers/ChannelWrapperTarn.h"
#include "controllers/ExportAsImageWrapperTarn.h"
#include "controllers/ExportWrapperTarn.h"
#include "controllers/KeyboardControlWrapperTarn.h"
#include "controllers/ParamWrapperTarn.h"
#include "controllers/SaveLoadWrapperTarn.h"
#include "controllers/TimeBaseWrapperTarn.h"
#include "controllers/TriggerWrapperTarn.h"
#include "controllers/VerticalWrapperTarn.h"
#include "controls/HLEditTarn.h"
#include "controls/ModulesBoxTarn.h"
#include "controls/StatusLampTarn.h"
#include "controls/TextFit.h"
#include "device/DemoDevice.h"
#include "dialogs/WaitScreen.h"
#include "platform/KeyMessageTarget.h"
#include "screens/QVScreenTarn.h"
#include "screens/ScopeScreenTarn.h"
#include "screens/TriggerPositionScreenTarn.h"
#include "settings/ExportOptionsTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/BusRecorder.h"
#include "testkit/ScriptedMessages.h"
#include "testkit/SimulatedPellan.h"
#include "testkit/TestFolder.h"
#include "testkit/ui/QtTestKit.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>

#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <tuple>

namespace scope {

namespace {

QAction *ActionNamed(TMainForm &form, const char *name) {
    for (QAction *a : form.findChildren<QAction *>())
        if (a->objectName() == name)
            return a;
    for (QMenu *m : form.findChildren<QMenu *>())
        if (m->objectName() == name)
            return m->menuAction();
    return nullptr;
}

TEST(MainForm, MenusCarryTheirCaptionsAndShortcuts) {
    TestApp();
    TScriptedMessages messages;
    TMainForm form(messages);
    const struct {
        const char *name, *caption, *shortcut;
    } items[] = {
        {"Files1", "&File", ""},
        {"Print1", "&Print", "Ctrl+P"},
        {"Exit1", "E&xit", ""},
        {"Edit3", "Edit", ""},
        {"Exporttoclipboard1", "Export as ASCII", ""},
        {"Manageexports1", "Manage exports", ""},
        {"Exportasimage1", "Export as image", ""},
        {"Manageexports2", "Manage exports", ""},
        {"Settings1", "&Settings", ""},
        {"Savesettings1", "Save settings", ""},
        {"Loadsettings1", "Load settings", ""},
        {"Compensationgenerator1", "Compensation generator", ""},
        {"WCDsensitivity1", "WCD Sensitivity", ""},
        {"Options1", "&Options", ""},
        {"Help1", "&Help", ""},
        {"Help2", "&Help", "F1"},
        {"Viewreadme1", "View readme", ""},
        {"About1", "About", ""},
    };
    for (const auto &i : items) {
        QAction *a = ActionNamed(form, i.name);
        ASSERT_NE(a, nullptr) << i.name;
        EXPECT_EQ(a->text().toStdString(), i.caption) << i.name;
        EXPECT_EQ(a->shortcut().toString().toStdString(), i.shortcut) << i.name;
    }
    // Menu bar order and the WCD radio items with their tags.
    QStringList titles;
    for (QAction *a : form.menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{"&File", "Edit", "&Settings", "&Help"}));
    QStringList wcd;
    QList<int> tags;
    for (QAction *a : form.WCDsensitivity1->actions()) {
        wcd << a->text();
        tags << a->data().toInt();
        EXPECT_TRUE(a->isCheckable());
    }
    EXPECT_EQ(wcd, (QStringList{"Very high", "High", "Medium", "Low", "Off"}));
    EXPECT_EQ(tags, (QList<int>{8, 12, 16, 20, 255}));
    EXPECT_TRUE(form.WCDGroup->isExclusive());
    EXPECT_TRUE(form.Compensationgenerator1->isCheckable());
    EXPECT_EQ(form.minimumSize(), QSize(800, 600));
}

TEST(MainForm, AreasCarryTheirCaptions) {
    TestApp();
    TScriptedMessages messages;
    TMainForm form(messages);
    const struct {
        QGroupBox *box;
        const char *caption;
    } areas[] = {
        {form.GroupBox1, "Screen"},    {form.GroupBox2, "Zoom"},      {form.GroupBox3, "Horizontal"},
        {form.GroupBox5, "Vertical"},  {form.GroupBox6, "Trigger"},   {form.GroupBox7, "Trigger mode"},
        {form.GroupBox4, "Position"},  {form.GroupBox8, "Input"},     {form.ModulesBoxTarn1, "Functions"},
        {form.GroupBox11, "Channels"}, {form.GroupBox12, "Save/load"}};
    for (const auto &a : areas)
        EXPECT_EQ(a.box->title().toStdString(), a.caption);
}

TEST(MainForm, RecordsAreShownOnTheDisplayFrame) {
    TestApp();
    TScriptedMessages messages;
    TMainForm form(messages);
    EXPECT_TRUE(form.ScopeScreenTarn1->FramePacing());
    EXPECT_TRUE(form.QVScreenTarn1->FramePacing());
    EXPECT_TRUE(form.ParamWrapperTarn1().FramePacing());
    ASSERT_NE(form.TriggerWrapperTarn1().TriggerStatusShp, nullptr);
    EXPECT_TRUE(form.TriggerWrapperTarn1().TriggerStatusShp->FramePacing());
}

struct Rect {
    int l, t, w, h;
};
Rect R(const QWidget *w) {
    return {w->x(), w->y(), w->width(), w->height()};
}

TEST(MainForm, ResizeLaysTheAreasOut) {
    TestApp();
    TScriptedMessages messages;
    TMainForm form(messages);
    bool &quickView = form.SettingsTarn1().QuickViewOn;
    quickView = false;
    for (QSize size : {QSize(1001, 733), QSize(800, 575), QSize(1600, 1000)}) {
        form.Client()->resize(size);
        form.FormResize();
        const int W = size.width(), H = size.height();
        SCOPED_TRACE(W);
        EXPECT_EQ(R(form.GroupBox10).l, W / 2);
        EXPECT_EQ(R(form.GroupBox9).w, W / 2 - 2);
        EXPECT_EQ(R(form.GroupBox10).l + R(form.GroupBox10).w, W);
        const Rect mod = R(form.ModulesBoxTarn1);
        EXPECT_EQ(mod.t + mod.h, H - 1);
        for (QWidget *b : {form.GroupBox8, form.GroupBox4, form.GroupBox5})
            EXPECT_EQ(b->x() + b->width(), W);
        // Bottom row: left to right, 1 pixel apart, bottoms one pixel above the edge, centred right of
        // the modules box.
        QWidget *row[] = {form.GroupBox12, form.GroupBox2, form.GroupBox3, form.GroupBox7, form.GroupBox6};
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(row[i]->y() + row[i]->height(), H - 1);
            if (i > 0) {
                EXPECT_EQ(row[i]->x(), row[i - 1]->x() + row[i - 1]->width() + 1);
            }
        }
        const int total = row[4]->x() + row[4]->width() - row[0]->x();
        EXPECT_EQ(row[0]->x(), (W - mod.w) / 2 + mod.w - total / 2);
        const Rect bar = R(form.ScrollBar2);
        EXPECT_EQ(bar.l, mod.w + 1);
        EXPECT_EQ(bar.l + bar.w, form.GroupBox5->x() - 2);
        EXPECT_EQ(bar.t + bar.h, form.GroupBox12->y() - 1);
        const Rect strip = R(form.TriggerPositionScreenTarn1);
        EXPECT_EQ(strip.l, bar.l);
        EXPECT_EQ(strip.w, bar.w);
        EXPECT_EQ(strip.t + strip.h, bar.t - 1);
        const Rect scope = R(form.ScopeScreenTarn1);
        const int readoutBottom = form.GroupBox9->y() + form.GroupBox9->height();
        EXPECT_EQ(scope.l, bar.l);
        EXPECT_EQ(scope.w, bar.w);
        EXPECT_EQ(scope.t, readoutBottom + 1);
        EXPECT_EQ(scope.h, strip.t - readoutBottom - 2);
        EXPECT_TRUE(form.Bevel9->isHidden());
        EXPECT_EQ(form.GroupBox5->y() + form.GroupBox5->height(), bar.t + bar.h + 1);
        EXPECT_EQ(form.GroupBox4->y() + form.GroupBox4->height(), form.GroupBox5->y() - 1);

        // The quick view takes a seventh of the free height from the screen.
        quickView = true;
        form.FormResize();
        const int freeHeight = strip.t - readoutBottom - 2;
        const Rect qv = R(form.QVScreenTarn1);
        EXPECT_EQ(qv.h, freeHeight / 7);
        const Rect scopeQv = R(form.ScopeScreenTarn1);
        EXPECT_EQ(scopeQv.t, readoutBottom + qv.h + 7);
        EXPECT_EQ(scopeQv.t + scopeQv.h, strip.t - 2);
        EXPECT_FALSE(form.Bevel9->isHidden());
        EXPECT_EQ(form.Bevel9->y(), qv.t + qv.h + 1);
        EXPECT_EQ(form.Bevel9->width(), scopeQv.w + 2);
        quickView = false;
    }
}

TEST(MainForm, ClosingAsksTheExitQuestionUnlessTheLinkBrokePath) {
    TestApp();
    const struct {
        bool withoutQuestion;
        TMsgButton answer;
        bool closes;
        size_t questions;
    } cases[] = {{false, mbYes, true, 1}, {false, mbNo, false, 1}, {true, mbNo, true, 0}};
    for (const auto &c : cases) {
        TScriptedMessages messages;
        messages.Answers = {c.answer};
        TMainForm form(messages);
        form.show();
        TMainForm::CloseWithoutQuestion = c.withoutQuestion;
        form.Exit1Click();
        TMainForm::CloseWithoutQuestion = false;
        EXPECT_EQ(form.isVisible(), !c.closes);
        ASSERT_EQ(messages.Log.size(), c.questions);
        if (c.questions) {
            EXPECT_EQ(messages.Log[0].Text, "You are about to exit. Are you sure?");
            EXPECT_EQ(messages.Log[0].Kind, TMsgKind::Warning);
            EXPECT_EQ(messages.Log[0].Buttons, unsigned(mbYes | mbNo));
        }
    }
}

TEST(MainForm, ClosingEndsTheMessageLoopWhileOtherWindowsStayOpen) {
    TestApp();
    TScriptedMessages messages;
    messages.Answers = {mbYes};
    TMainForm form(messages);
    QWidget moduleWindow; // a module's own top-level window
    form.show();
    moduleWindow.show();
    bool ended = false;
    QTimer::singleShot(0, &form, [&form] { form.close(); });
    // Safety net: a loop that does not end by itself is ended here and the test fails.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(30000);
    ended = QCoreApplication::exec() == 0;
    EXPECT_TRUE(ended);
    EXPECT_TRUE(moduleWindow.isVisible());
}

TEST(MainForm, SettingsFileNamesGetTheSettingsExtension) {
    const struct {
        const char *in, *out;
    } cases[] = {{"/home/u/a.txt", "/home/u/a.st"},
                 {"/home/u/a", "/home/u/a.st"},
                 {"/home/u/a.st", "/home/u/a.st"},
                 {"/home/u.d/a", "/home/u.d/a.st"},
                 {"/home/u/a.b.c", "/home/u/a.b.st"}};
    for (const auto &c : cases)
        EXPECT_EQ(ChangeFileExt(c.in, ".st"), c.out) << c.in;
}

class TFormWithChosenFile : public TMainForm {
public:
    using TMainForm::TMainForm;
    std::string Chosen;
    std::vector<bool> Asked;

protected:
    std::string AskSettingsFileName(bool forSaving) override {
        Asked.push_back(forSaving);
        return Chosen;
    }
};

TEST(MainForm, SettingsMenuExportsAndImportsUnderTheSettingsExtension) {
    TestApp();
    TScriptedMessages messages;
    TFormWithChosenFile form(messages);
    TBusRecorder recorder;
    recorder.SetObjMaster(&form.ObjMasterTarn1());
    int forced = 0;
    form.ForceSettingsPush = [&forced] { ++forced; };
    const std::string folder = FreshTestFolder().string();

    form.SettingsTarn1().GridIntensity = 0.25;
    form.Chosen = folder + "/mine.txt";
    form.Savesettings1Click();
    EXPECT_TRUE(std::filesystem::exists(folder + "/mine.st"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/mine.txt"));
    EXPECT_TRUE(recorder.Pairs().empty());

    form.SettingsTarn1().GridIntensity = 0.75;
    form.Chosen = folder + "/mine"; // no extension: the settings extension is added
    form.Loadsettings1Click();
    EXPECT_DOUBLE_EQ(form.SettingsTarn1().GridIntensity, 0.25);
    ASSERT_EQ(recorder.Pairs().size(), 10u);
    EXPECT_EQ(recorder.Pairs().back(), std::make_pair(int32_t(bmSettingsApplied), int32_t(9)));
    EXPECT_EQ(forced, 1);

    form.Chosen = ""; // cancelled dialogs do nothing
    form.Savesettings1Click();
    form.Loadsettings1Click();
    EXPECT_EQ(forced, 1);
    EXPECT_EQ(form.Asked, (std::vector<bool>{true, false, true, false}));
    EXPECT_TRUE(messages.Log.empty());
}

TEST(MainForm, WaitNoticeIsReplacedAndHidden) {
    TestApp();
    TScriptedMessages messages;
    TMainForm form(messages);
    form.SaveLoadWrapperTarn1WaitHide(); // nothing shown: nothing happens
    EXPECT_EQ(form.WaitForm(), nullptr);
    form.SaveLoadWrapperTarn1WaitDisplay();
    QPointer<TWaitForm> first = form.WaitForm();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->Label1->text(), "Please wait ...");
    form.SaveLoadWrapperTarn1WaitDisplay();
    EXPECT_TRUE(first.isNull());
    ASSERT_NE(form.WaitForm(), nullptr);
    form.SaveLoadWrapperTarn1WaitHide();
    EXPECT_EQ(form.WaitForm(), nullptr);
}

// Counts the paints of the text of every "Please wait" notice.
class TWaitTextPaints : public QObject {
public:
    int Count = 0;
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint && qobject_cast<TWaitForm *>(watched->parent()))
            ++Count;
        return false;
    }
};

TEST(MainForm, EveryWaitNoticeIsDrawnBeforeItsLongWorkBegins) {
    TestApp();
    TScriptedMessages messages;
    TMainForm form(messages);
    form.show();
    RecordInstrument(form.SettingsTarn1());
    BroadcastSettingsApplied(form.ObjMasterTarn1());
    TAcquiredData waves(2);
    for (TWaveform &w : waves) {
        w.Data.assign(8192, 100);
        w.First = 0;
        w.Last = 8191;
    }
    form.DataSourceTarn1().SetAcquiredData(waves);
    form.ExportWrapperTarn1().RebuildMenu();

    TWaitTextPaints paints;
    qApp->installEventFilter(&paints);
    // The work of a caller begins as soon as its notice has come up: what was painted by then is all the
    // user sees until the work ends.
    std::vector<std::string> paintedAtStart;
    const auto watch = [&](std::function<void()> &display, const char *caller) {
        display = [&paints, &paintedAtStart, caller, show = display] {
            paints.Count = 0;
            show();
            if (paints.Count > 0)
                paintedAtStart.push_back(caller);
        };
    };
    TSaveLoadWrapperTarn &files = form.SaveLoadWrapperTarn1();
    watch(files.OnWaitDisplay, "text record");
    watch(form.ExportWrapperTarn1().OnWaitDisplay, "text export");
    const std::string record = (FreshTestFolder() / "record.rsa").string();
    files.SaveEdit->setText(QString::fromStdString(record));
    files.SaveClick();
    files.LoadEdit->setText(QString::fromStdString(record));
    files.LoadClick();
    form.Exporttoclipboard1->actions().front()->trigger();
    qApp->removeEventFilter(&paints);
    for (const auto &m : messages.Log)
        ADD_FAILURE() << m.Text;
    EXPECT_EQ(paintedAtStart, (std::vector<std::string>{"text record", "text record", "text export"}))
        << "a save, a load and an export, each drawn before its work";
    EXPECT_EQ(form.WaitForm(), nullptr);
}

TEST(MainForm, AcceptedOptionsApplyTheSettingsInTenStages) {
    TestApp();
    TScriptedMessages messages;
    TMainForm form(messages);
    TBusRecorder recorder;
    recorder.SetObjMaster(&form.ObjMasterTarn1());
    bool accept = false;
    TMainForm::TDialogs dialogs;
    dialogs.Options = [&accept] { return accept; };
    form.SetDialogs(dialogs);
    EXPECT_TRUE(form.Options1->isEnabled());
    form.Options1Click();
    EXPECT_TRUE(recorder.Pairs().empty());
    accept = true;
    form.Options1Click();
    ASSERT_EQ(recorder.Pairs().size(), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(recorder.Pairs()[i], std::make_pair(int32_t(bmSettingsApplied), int32_t(i)));
}

TEST(MainForm, TextExportItemPutsTheRecordOnTheClipboardWithTheWaitNotice) {
    TestApp();
    TScriptedMessages messages;
    TMainForm form(messages);
    TSettingsTarn &s = form.SettingsTarn1();
    s.SetDefaultCapabilities();
    s.Ranges = {{1.0, 0}};
    s.TimeBases = {{1e6, 1e6, 0, 0}};
    s.Options = std::make_unique<TOptions>(&s);
    TDeviceSettings &shown = s.ShownSettings();
    shown.MemorySize = 3;
    shown.AfterTrigger = 3;
    shown.Range = {0, 0};
    shown.GroundPosition = {128, 128};
    TAcquiredData &waves = form.DataSourceTarn1().Waveforms();
    waves.assign(size_t(s.ChannelCount), TWaveform{});
    waves[0] = {{128, 160, 96}, 0, 2};
    waves[1] = {{1, 2, 3}, 0, 2};
    form.ExportWrapperTarn1().RebuildMenu();
    // The default preset: whole memory of A and B in mV, to the clipboard.
    QAction *item = form.Exporttoclipboard1->actions().front();
    ASSERT_EQ(item->text(), "Whole memory in mV");
    QGuiApplication::clipboard()->clear();
    item->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "0\t-3968.75\r\n1000\t-3937.5\r\n-1000\t-3906.25\r\n");
    EXPECT_EQ(form.WaitForm(), nullptr);
    // The export's wait notice is the form's.
    form.ExportWrapperTarn1().OnWaitDisplay();
    EXPECT_NE(form.WaitForm(), nullptr);
    form.ExportWrapperTarn1().OnWaitHide();
    EXPECT_EQ(form.WaitForm(), nullptr);
}

TEST(MainForm, PresetDialogsGetTheirOptionsAndOkRebuildsTheMenu) {
    TestApp();
    TScriptedMessages messages;
    TMainForm form(messages);
    TOptions &options = *form.SettingsTarn1().Options;
    auto captions = [](QMenu *menu) { return MenuCaptions(*menu); };
    BroadcastSettingsApplied(form.ObjMasterTarn1());
    EXPECT_EQ(captions(form.Exporttoclipboard1),
              (std::vector<std::string>{"Whole memory in mV", "|", "Manage exports"}));
    EXPECT_EQ(captions(form.Exportasimage1),
              (std::vector<std::string>{"Current screen (PNG)", "Black/white (PNG)", "|", "Manage exports"}));

    bool answer = false;
    std::vector<const void *> passed;
    TMainForm::TDialogs dialogs;
    dialogs.ManageExports = [&](TExportArrayOption &list, TExportOption &buffer) {
        passed = {&list, &buffer};
        auto added = std::make_unique<TExportOption>();
        added->PresetName = "Added";
        list.Add(std::move(added));
        return answer;
    };
    dialogs.ManageImageExports = [&](TExportAsImageArrayOption &list, TExportAsImageOption &buffer) {
        passed = {&list, &buffer};
        list.Delete(0);
        return answer;
    };
    form.SetDialogs(dialogs);
    // A false answer leaves the menu as it was.
    form.Manageexports1Click();
    EXPECT_EQ(passed, (std::vector<const void *>{options.GetOption(opDefinedExport),
                                                 options.GetOption(opDefaultExport)}));
    EXPECT_EQ(captions(form.Exporttoclipboard1).size(), 3u);
    answer = true;
    form.Manageexports1Click();
    EXPECT_EQ(captions(form.Exporttoclipboard1),
              (std::vector<std::string>{"Whole memory in mV", "Added", "Added", "|", "Manage exports"}));
    form.Manageexports2Click();
    EXPECT_EQ(passed, (std::vector<const void *>{options.GetOption(opDefinedExportAsImage),
                                                 options.GetOption(opDefaultExportAsImage)}));
    EXPECT_EQ(captions(form.Exportasimage1),
              (std::vector<std::string>{"Black/white (PNG)", "|", "Manage exports"}));
    EXPECT_EQ(form.Exportasimage1->actions()[0]->data().toInt(), 0);

    // Bus places: text export after the channels, then the keyboard, then the image export, then the screens.
    auto place = [&](const TBusMember &m) { return BusPlace(form.ObjMasterTarn1(), m); };
    EXPECT_LT(place(form.ChannelWrapperTarn1()), place(form.ExportWrapperTarn1()));
    EXPECT_EQ(place(form.KeyboardControlWrapperTarn1()), place(form.ExportWrapperTarn1()) + 1);
    EXPECT_EQ(place(form.ExportAsImageWrapperTarn1()), place(form.KeyboardControlWrapperTarn1()) + 1);
    EXPECT_EQ(place(*form.ScopeScreenTarn1), place(form.ExportAsImageWrapperTarn1()) + 1);
}

} // namespace

namespace {

struct TKeyLog : IKeyMessageTarget {
    std::vector<std::string> Seen;
    bool Handle = false;
    void ProcessMessage(QKeyEvent &message, bool &handled) override {
        Seen.push_back((message.type() == QEvent::KeyPress ? "down " : "up ") +
                       std::to_string(message.key()));
        handled = Handle;
    }
    void ResetPressedKeys() override { Seen.push_back("reset"); }
};

TEST(MainForm, KeyMessagesReachTheHotkeyDetectorOnlyWhileTheFormIsActive) {
    TestApp();
    TScriptedMessages messages;
    TMainForm form(messages);
    TKeyLog keys;
    form.SetKeyMessageTarget(&keys);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(form.isActiveWindow());
    // Keys arrive at the window and go on to the focused control (one that does not take them, so that
    // they travel up through its parents): the detector sees each once.
    form.ScopeScreenTarn1->setFocusPolicy(Qt::StrongFocus);
    form.ScopeScreenTarn1->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::ControlModifier);
    QApplication::sendEvent(form.windowHandle(), &press);
    QApplication::sendEvent(form.windowHandle(), &release);
    EXPECT_EQ(keys.Seen, (std::vector<std::string>{"down 32", "up 32"}));
    keys.Seen.clear();
    // A handled key does not reach the controls.
    struct TKeySpy : QObject {
        int Keys = 0;
        bool eventFilter(QObject *, QEvent *e) override {
            Keys += e->type() == QEvent::KeyPress;
            return false;
        }
    } spy;
    form.ScopeScreenTarn1->installEventFilter(&spy);
    QKeyEvent again(QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier);
    QApplication::sendEvent(form.windowHandle(), &again);
    EXPECT_EQ(spy.Keys, 1);
    keys.Handle = true;
    QKeyEvent handled(QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier);
    QApplication::sendEvent(form.windowHandle(), &handled);
    EXPECT_EQ(spy.Keys, 1);
    keys.Handle = false;

    // Another window active: its keys are not the detector's business; losing the focus releases all.
    keys.Seen.clear();
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QKeyEvent elsewhere(QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier);
    QApplication::sendEvent(other.windowHandle(), &elsewhere);
    QKeyEvent stray(QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier);
    QApplication::sendEvent(form.windowHandle(), &stray);
    EXPECT_EQ(keys.Seen, std::vector<std::string>{"reset"});
    form.SetKeyMessageTarget(nullptr);
}

class TFormOpening : public TMainForm {
public:
    using TMainForm::TMainForm;
    std::vector<std::string> Opened;
    bool HandlerOpens = true;

protected:
    bool OpenWithDesktop(const std::string &absolutePath) override {
        Opened.push_back(absolutePath);
        return HandlerOpens;
    }
};

TEST(MainForm, HelpAndReadmeOpenTheShippedFiles) {
    TestApp();
    TScriptedMessages messages;
    TFormOpening form(messages);
    form.Help2->trigger();
    form.Viewreadme1->trigger();
    const std::filesystem::path here = std::filesystem::current_path();
    EXPECT_EQ(form.Opened,
              (std::vector<std::string>{(here / "help/help.htm").string(), (here / "readme.txt").string()}));
    EXPECT_TRUE(messages.Log.empty());
    // Both ship in the program folder with content of their own.
    for (const char *name : {"help/help.htm", "readme.txt"}) {
        const auto path = std::filesystem::path(PROGRAM_FOLDER) / name;
        ASSERT_TRUE(std::filesystem::exists(path)) << name;
        EXPECT_GT(std::filesystem::file_size(path), 1000u) << name;
    }
}

TEST(MainForm, AFileTheDesktopCannotOpenIsReportedWithItsPath) {
    TestApp();
    TScriptedMessages messages;
    TFormOpening form(messages);
    form.HandlerOpens = false;
    form.Help2->trigger();
    form.Viewreadme1->trigger();
    ASSERT_EQ(messages.Log.size(), 2u);
    EXPECT_EQ(messages.Log[0].Kind, TMsgKind::Error);
    EXPECT_NE(messages.Log[0].Text.find(form.Opened[0]), std::string::npos) << messages.Log[0].Text;
    EXPECT_NE(messages.Log[0].Text.find("help/help.htm"), std::string::npos);
    EXPECT_NE(messages.Log[1].Text.find("readme.txt"), std::string::npos) << messages.Log[1].Text;
}

} // namespace

} // namespace scope

namespace scope {

namespace {

TEST(MainForm, HotkeyOfTheWindowReachesTheBusThroughTheKeyboardController) {
    TestApp();
    TScriptedMessages messages;
    TMainForm form(messages);
    form.SetKeyMessageTarget(&form.HotkeyKeyEvents());
    form.SettingsTarn1().SetDefaultCapabilities();
    form.ObjMasterTarn1().Broadcast(bmInitialize, 0, nullptr);
    BroadcastSettingsApplied(form.ObjMasterTarn1());
    TBusRecorder recorder(form.ObjMasterTarn1());
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(form.isActiveWindow());
    auto send = [&](QEvent::Type type, int key, Qt::KeyboardModifiers mods) {
        QKeyEvent e(type, key, mods);
        QApplication::sendEvent(form.windowHandle(), &e);
    };
    send(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    send(QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier);
    send(QEvent::KeyRelease, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(recorder.Messages(), (std::vector<int32_t>{bmHotkeyHold, bmRepeatStop, bmHotkeyReleased}));
    // A repeat in progress ends when the window loses the focus.
    recorder.Clear();
    send(QEvent::KeyPress, Qt::Key_PageUp, Qt::ControlModifier);
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    EXPECT_EQ(recorder.Messages(),
              (std::vector<int32_t>{bmRepeatStart, bmHotkeyShiftUp, bmRepeatStop, bmHotkeyReleased}));
    EXPECT_EQ(form.MasterTimerTarn1().Countdown(TMasterTimerTarn::cdRepeat), 0);
}

} // namespace

} // namespace scope

namespace scope {

namespace {

// The vertical and time-base controls in their boxes, the controllers subscribed fifth and sixth, and the
// time-base and shift hot keys of the window acting on them.
TEST(MainForm, InputAndTimeBaseControlsFillTheirBoxesAndFollowTheHotKeys) {
    TestApp();
    TScriptedMessages messages;
    TMainForm form(messages);
    form.SetKeyMessageTarget(&form.HotkeyKeyEvents());
    TSettingsTarn &s = form.SettingsTarn1();
    s.SetDefaultCapabilities();
    TDAO_DEMO().GetCapabilities(s);
    form.ObjMasterTarn1().Broadcast(bmInitialize, 0, nullptr);
    TXMLSettings empty;
    s.LoadFromXML(empty);
    BroadcastSettingsApplied(form.ObjMasterTarn1());

    const auto &handlers = form.ObjMasterTarn1().Handlers();
    ASSERT_GT(handlers.size(), 5u);
    EXPECT_EQ(handlers[4].Object, static_cast<TBusMember *>(&form.VerticalWrapperTarn1()));
    EXPECT_EQ(handlers[5].Object, static_cast<TBusMember *>(&form.TimeBaseWrapperTarn1()));

    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(form.isActiveWindow());
    const struct {
        QGroupBox *Box;
        std::vector<const char *> Names;
    } boxes[] = {
        {form.GroupBox5,
         {"ChannelButtonTarn1", "ChannelButtonTarn2", "ChannelButtonTarn3", "ChannelButtonTarn4",
          "GlyphRotateBtnTarn7", "GlyphRotateBtnTarn8", "UpDownSpeedButton9", "UpDownSpeedButton10",
          "UpDownSpeedButton11", "UpDownSpeedButton12"}},
        {form.GroupBox8,
         {"ChannelButtonTarn5", "ChannelButtonTarn6", "ChannelButtonTarn7", "ChannelButtonTarn8",
          "GlyphRotateBtnTarn9", "GlyphRotateBtnTarn10"}},
        {form.GroupBox4, {"RangeBarTarn1", "RangeBarTarn2"}},
        {form.GroupBox3, {"ScrollBar4"}},
    };
    for (const auto &b : boxes)
        for (const char *name : b.Names) {
            SCOPED_TRACE(name);
            QWidget *w = b.Box->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
            ASSERT_NE(w, nullptr);
            EXPECT_FALSE(w->toolTip().isEmpty()) << "made before the hints were given";
            EXPECT_TRUE(QRect(QPoint(0, 0), b.Box->size()).contains(w->geometry()))
                << w->geometry().x() << "," << w->geometry().y();
        }
    EXPECT_EQ(form.GroupBox4->findChild<QWidget *>("RangeBarTarn2")->height(), form.GroupBox4->height() - 24);

    auto send = [&](QEvent::Type type, int key, Qt::KeyboardModifiers mods) {
        QKeyEvent e(type, key, mods);
        QApplication::sendEvent(form.windowHandle(), &e);
    };
    TDeviceSettings &r = s.RequestedSettings();
    const int32_t timeBase = r.TimeBase, shift = r.Shift[0];
    send(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    send(QEvent::KeyPress, Qt::Key_Right, Qt::ControlModifier);
    send(QEvent::KeyRelease, Qt::Key_Right, Qt::ControlModifier);
    send(QEvent::KeyPress, Qt::Key_PageUp, Qt::ControlModifier);
    send(QEvent::KeyRelease, Qt::Key_PageUp, Qt::ControlModifier);
    send(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    EXPECT_EQ(r.TimeBase, timeBase + 1);
    EXPECT_EQ(r.Shift[0], shift + 128);
    EXPECT_EQ(form.GroupBox3->findChild<QScrollBar *>("ScrollBar4")->value(), timeBase + 1);

    // The WCD items the form made are the controller's.
    ActionNamed(form, "High1")->trigger();
    EXPECT_EQ(r.WCD, 12);
    EXPECT_TRUE(ActionNamed(form, "High1")->isChecked());
}

} // namespace

} // namespace scope

namespace scope {

namespace {

// The instruments whose limits the texts come from: the demonstration instrument and each model of the
// simulated Pellan instrument, through the program's own driver.
struct TInstrument {
    std::string Name;
    TCapabilities Caps;
};
std::vector<TInstrument> Instruments() {
    std::vector<TInstrument> all(1);
    all[0].Name = "demonstration";
    all[0].Caps.SetDefaultCapabilities();
    TDAO_DEMO().GetCapabilities(all[0].Caps);
    TSimulatedPellan sim(PROGRAM_FOLDER);
    EXPECT_EQ(sim.Error(), "");
    for (int32_t model = 0; model <= 5; ++model) {
        TInstrument i{"simulated model " + std::to_string(model), {}};
        EXPECT_TRUE(sim.Capabilities(model, i.Caps)) << i.Name;
        all.push_back(std::move(i));
    }
    return all;
}

// The main form at its default size with an instrument's capabilities, its settings applied and shown.
struct TFormAtDefaultSize {
    TScriptedMessages Messages;
    TMainForm Form{Messages};
    TSettingsTarn &S = Form.SettingsTarn1();

    explicit TFormAtDefaultSize(const TCapabilities &caps) {
        S.SetDefaultCapabilities();
        static_cast<TCapabilities &>(S) = caps;
        Form.ObjMasterTarn1().Broadcast(bmInitialize, 0, nullptr);
        TXMLSettings empty;
        S.LoadFromXML(empty);
        BroadcastSettingsApplied(Form.ObjMasterTarn1());
        Form.show();
        QApplication::processEvents();
    }
};

// Widgets of a box that overlap one another, by name.
std::vector<std::string> Overlaps(const QWidget &box) {
    std::vector<std::string> found;
    const QList<QWidget *> children = box.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (qsizetype i = 0; i < children.size(); ++i)
        for (qsizetype j = i + 1; j < children.size(); ++j)
            if (!children[i]->isHidden() && !children[j]->isHidden() &&
                children[i]->geometry().intersects(children[j]->geometry()))
                found.push_back(children[i]->objectName().toStdString() + " over " +
                                children[j]->objectName().toStdString());
    return found;
}

// The texts a control was given that it could not show whole, with the first of each control.
struct TMisfits {
    std::map<std::string, std::string> First;
    std::map<std::string, size_t> Longest;
    void Check(const QWidget &control, const QString &text) {
        const std::string name = control.objectName().toStdString();
        Longest[name] = std::max(Longest[name], size_t(text.size()));
        if (!ShowsWhole(control, text))
            First.emplace(name, text.toStdString() + " (" + std::to_string(TextWidth(control, text)) +
                                    " px in " + std::to_string(TextRoom(control)) + ")");
    }
    std::string Report() const {
        std::string r;
        for (const auto &[name, text] : First)
            r += name + ": " + text + "\n";
        return r;
    }
};

} // namespace

// What the readout controller writes across every range, probe, coupling, ground position, cursor span
// and both signs, in display mode 3 (both envelope values at the cursor), fits its label at the default
// window size; the labels lie inside their boxes and clear of one another.
TEST(MainFormTexts, EveryReadoutShowsWhateverItWritesAtTheDefaultSize) {
    TestApp();
    for (const TInstrument &instrument : Instruments()) {
        SCOPED_TRACE(instrument.Name);
        TFormAtDefaultSize f(instrument.Caps);
        ASSERT_EQ(f.Form.size(), QSize(800, 600));
        TSettingsTarn &s = f.S;
        TParamWrapperTarn &readouts = f.Form.ParamWrapperTarn1();
        const int32_t levels = s.LevelCount;
        s.ChannelsOn.assign(size_t(s.ChannelCount), 1);
        s.VerCursorsOn = s.HorCursorsOn = true;
        s.DisplayMode = 3;
        s.SetVerCursorPos(0, 0);
        TDeviceSettings &shown = s.ShownSettings(), &requested = s.RequestedSettings();
        for (TDeviceSettings *d : {&shown, &requested})
            for (auto &sources : d->TriggerSourceOn)
                std::fill(sources.begin(), sources.end(), uint8_t(1));
        for (int32_t c = 0; c < 2; ++c) {
            TChannelWave &w = f.Form.DataSourceTarn1().ScreenColumns(c);
            w.Columns.resize(size_t(std::max(s.PointsOnScreen, 1)));
            w.FirstColumn = 0;
            w.LastColumn = int32_t(w.Columns.size()) - 1;
            w.Valid = true;
            w.PointsPerSample = 1;
        }
        TMisfits misfits;
        auto checkAll = [&] {
            readouts.UpdateReadouts();
            for (int32_t c = 0; c < 2; ++c)
                for (int32_t kind = 0; kind < TParamWrapperTarn::LabelKinds; ++kind)
                    misfits.Check(*readouts.Label(kind, c), readouts.Label(kind, c)->text());
        };
        // Fractional grounds give every place of the voltages; they lie up to half a screen off it.
        const double grounds[] = {-levels / 2 + 0.1234567, 0.1234567, levels / 2 + 0.6543219,
                                  1.5 * levels - 0.0123457};
        const int32_t bytes[] = {0, 1, 17, 100, levels / 2 - 1, levels / 2, 200, levels - 1};
        for (int32_t range = 0; range < int32_t(s.Ranges.size()); ++range)
            for (int32_t probe = 0; probe < 4; ++probe)
                for (double ground : grounds)
                    for (int32_t b : bytes) {
                        for (TDeviceSettings *d : {&shown, &requested}) {
                            d->Range.assign(2, range);
                            d->ProbeMode.assign(2, probe);
                            d->DCCoupling.assign(2, uint8_t(probe % 2));
                            d->GroundPosition.assign(2, ground);
                            d->TriggerLevel.assign(3, b);
                        }
                        for (int32_t c = 0; c < 2; ++c)
                            for (TColumn &col : f.Form.DataSourceTarn1().ScreenColumns(c).Columns)
                                col = {uint8_t(levels - 1 - b), uint8_t(b), uint8_t(b), 1};
                        // The whole height over the cursor span and back: the dB readout's two ends.
                        for (const auto &[h0, h1] : {std::pair{0, levels - 1}, std::pair{b, b + 1}}) {
                            s.SetHorCursorPos(0, h0);
                            s.SetHorCursorPos(1, h1);
                            checkAll();
                        }
                    }
        s.VerCursorsOn = s.HorCursorsOn = false;
        checkAll();
        EXPECT_TRUE(misfits.First.empty()) << misfits.Report();
        EXPECT_GE(misfits.Longest["Label27"], std::string("-798.932mV -798.932mV").size())
            << "the sweep gave the cursor readout two negative millivolt values";
        EXPECT_GE(misfits.Longest["Label28"], std::string("-48.1 dB").size());
        for (QGroupBox *box : {f.Form.GroupBox9, f.Form.GroupBox10}) {
            SCOPED_TRACE(box->objectName().toStdString());
            EXPECT_TRUE(f.Form.Client()->rect().contains(box->geometry()));
            for (QWidget *w : box->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                EXPECT_TRUE(QRect(QPoint(0, 0), box->size()).contains(w->geometry()))
                    << w->objectName().toStdString();
            EXPECT_EQ(Overlaps(*box), std::vector<std::string>{});
        }
    }
}

// What the trigger controller writes into its time and count boxes at the limits of every time base and
// memory size (the largest counts, counts with many places, a typed "1000s", hold-off Auto, the
// after-trigger box in both units) fits the box at the default window size; the boxes and the bars and
// buttons beside them lie inside the group and clear of one another.
TEST(MainFormTexts, EveryTriggerTimeAndCountBoxShowsWhateverItWritesAtTheDefaultSize) {
    TestApp();
    for (const TInstrument &instrument : Instruments()) {
        SCOPED_TRACE(instrument.Name);
        TFormAtDefaultSize f(instrument.Caps);
        TSettingsTarn &s = f.S;
        TTriggerWrapperTarn &t = f.Form.TriggerWrapperTarn1();
        TDeviceSettings &r = s.RequestedSettings();
        TMisfits misfits;
        auto checkAll = [&] {
            for (THLEditTarn *box : {t.AfterTriggerBox, t.HoldOffBox, t.PrimaryLengthBox,
                                     t.SecondaryLengthBox, t.PrimaryAmountBox, t.SecondaryAmountBox})
                misfits.Check(*box, box->text());
        };
        auto manyPlaces = [](int32_t most) {
            return std::vector<int32_t>{most, most - 1, most / 3 * 2 + 1, most / 7 + 3};
        };
        for (int32_t tb = 0; tb < int32_t(s.TimeBases.size()); ++tb)
            for (int32_t size : s.MemorySizes) {
                r.TimeBase = tb;
                r.MemorySize = size;
                for (const auto &[at, hf, unit] :
                     {std::tuple{2, 1, 0}, std::tuple{2, 1, 1}, std::tuple{1, 0, 0}})
                    for (size_t k = 0; k < 4; ++k) {
                        s.ATMode = at;
                        s.HFMode = hf;
                        s.ATValueMode = unit;
                        r.AfterTrigger = manyPlaces(s.AfterTriggerMax)[k];
                        r.HoldOff = manyPlaces(s.HoldOffMax)[k];
                        r.TriggerLength = {manyPlaces(s.LengthMax)[k], manyPlaces(s.LengthMax)[3 - k]};
                        r.TriggerCount = {manyPlaces(s.CountMax)[k], s.CountMin};
                        t.NormalizeTriggerSettings();
                        t.UpdateTriggerControls();
                        checkAll();
                    }
                s.ATMode = 2;
                s.HFMode = 1;
                s.ATValueMode = 0;
                t.AfterTriggerBoxEnter("1000s");
                t.HoldOffBoxEnter("1000s");
                t.LengthBoxEnter(0, "1000s");
                checkAll();
            }
        EXPECT_TRUE(misfits.First.empty()) << misfits.Report();
        EXPECT_GE(misfits.Longest["AfterTriggerBox"], std::string("419.43ms").size());
        EXPECT_TRUE(f.Form.Client()->rect().contains(f.Form.GroupBox6->geometry()));
        for (QWidget *w : f.Form.GroupBox6->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            EXPECT_TRUE(QRect(QPoint(0, 0), f.Form.GroupBox6->size()).contains(w->geometry()))
                << w->objectName().toStdString();
        EXPECT_EQ(Overlaps(*f.Form.GroupBox6), std::vector<std::string>{});
    }
}

// The texts the labels and boxes are sized by hold the widest ones users met: both values of the cursor
// readout, the largest range at the largest probe, the after-trigger and hold-off maximums.
TEST(MainFormTexts, TheSizingTextsHoldTheWidestOnesUsersMet) {
    const std::vector<TInstrument> instruments = Instruments();
    auto has = [](const std::vector<std::string> &texts, const char *text) {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    };
    const TCapabilities &demo = instruments[0].Caps;
    EXPECT_TRUE(has(ReadoutTexts(demo, TParamWrapperTarn::rkVoltage), "-999.999mV -999.999mV"));
    EXPECT_TRUE(has(ReadoutTexts(demo, TParamWrapperTarn::rkVoltage), "N/A"));
    EXPECT_TRUE(has(ReadoutTexts(demo, TParamWrapperTarn::rkRange), "5kV/d"));
    EXPECT_TRUE(has(ReadoutTexts(demo, TParamWrapperTarn::rkInput), "AC 1:1000"));
    EXPECT_TRUE(has(ReadoutTexts(demo, TParamWrapperTarn::rkAttenuation), "-48.2 dB"));
    TSettingsTarn s;
    static_cast<TCapabilities &>(s) = demo;
    EXPECT_TRUE(has(TriggerBoxTexts(s, TTriggerBox::AfterTrigger), "419.43ms"));
    EXPECT_TRUE(has(TriggerBoxTexts(s, TTriggerBox::Count), "32767"));
    ASSERT_EQ(instruments.size(), 7u);
    static_cast<TCapabilities &>(s) = instruments[3].Caps; // model 2
    EXPECT_TRUE(has(TriggerBoxTexts(s, TTriggerBox::HoldOff), "52.427ms"));
}

namespace {

// The main form as the program starts it on an instrument: its capabilities, message 1, the settings file,
// the ten stages.
struct TFormStartedWith {
    TScriptedMessages Messages;
    TMainForm Form{Messages};
    TSettingsTarn &S = Form.SettingsTarn1();

    TFormStartedWith(const TCapabilities &caps, const std::string &settingsFile) {
        S.SetDefaultCapabilities();
        static_cast<TCapabilities &>(S) = caps;
        Form.ObjMasterTarn1().Broadcast(bmInitialize, 0, nullptr);
        S.SettingsFileName = settingsFile;
        S.LoadSettingsFile();
        BroadcastSettingsApplied(Form.ObjMasterTarn1());
    }

    // What the cursor readouts show: the time labels and channel A's level labels.
    std::vector<std::string> CursorReadouts() {
        TTimeBaseWrapperTarn &t = Form.TimeBaseWrapperTarn1();
        TParamWrapperTarn &p = Form.ParamWrapperTarn1();
        t.UpdateTimeBaseLabels();
        p.UpdateReadouts();
        std::vector<std::string> texts;
        for (QLabel *l :
             {t.CursorsTimeLabel, t.CursorsFreqLabel, t.RedCursorLabel,
              p.Label(TParamWrapperTarn::rkRedCursor, 0), p.Label(TParamWrapperTarn::rkCursors, 0)})
            texts.push_back(l ? l->text().toStdString() : "no label");
        return texts;
    }
};

// Cursors stored on the 500-point screen of simulated model 0, loaded for model 4 and its 400 points, at
// start-up and through the settings menu: those off the screen come onto it as the drag rules keep them, the
// others stay, and the readouts measure where the cursors now stand.
TEST(MainForm, CursorsStoredOnALargerScreenAreBroughtOntoTheInstrumentsScreen) {
    TestApp();
    TSimulatedPellan sim(PROGRAM_FOLDER);
    ASSERT_EQ(sim.Error(), "");
    TCapabilities wide, narrow;
    ASSERT_TRUE(sim.Capabilities(0, wide));
    ASSERT_TRUE(sim.Capabilities(4, narrow));
    ASSERT_EQ(wide.PointsOnScreen, 500);
    ASSERT_EQ(narrow.PointsOnScreen, 400);
    const int32_t top = narrow.LevelCount - 1;
    ASSERT_GT(top, 30);
    const std::string folder = FreshTestFolder().string();
    auto saveOnTheWideScreen = [&](const std::string &name, const std::array<int32_t, 4> &positions) {
        TSettingsTarn s;
        static_cast<TCapabilities &>(s) = wide;
        s.VerCursorsOn = s.HorCursorsOn = true;
        s.CursorPositions = positions;
        s.SettingsFileName = folder + "/" + name;
        EXPECT_TRUE(s.SaveSettingsFile());
        return s.SettingsFileName;
    };
    // Vertical cursor 1 beyond model 4's last point, horizontal cursor 0 above the top level (a hand-edited
    // file); the other two lie on both screens.
    const std::string offScreen = saveOnTheWideScreen("off.xml", {120, 450, top + 45, 30});
    const std::array<int32_t, 4> onScreen{120, 399, top, 30};
    const std::string reference = saveOnTheWideScreen("on.xml", onScreen);

    TFormStartedWith started(narrow, offScreen), expected(narrow, reference);
    EXPECT_EQ(started.S.CursorPositions, onScreen);
    EXPECT_EQ(expected.S.CursorPositions, onScreen) << "positions on the screen stay as stored";
    const std::vector<std::string> readouts = expected.CursorReadouts();
    EXPECT_EQ(started.CursorReadouts(), readouts);

    // The readouts do depend on the positions: at the stored ones they would read otherwise.
    TFormStartedWith unclamped(narrow, reference);
    unclamped.S.CursorPositions = {120, 450, top + 45, 30};
    EXPECT_NE(unclamped.CursorReadouts(), readouts);

    // A settings file loaded through the menu on a form already running on the instrument.
    TFormStartedWith running(narrow, reference);
    running.S.CursorPositions = {1, 2, 3, 4};
    EXPECT_TRUE(running.S.ImportSettings(offScreen));
    EXPECT_EQ(running.S.CursorPositions, onScreen);
    EXPECT_EQ(running.CursorReadouts(), readouts);
    EXPECT_TRUE(running.Messages.Log.empty());
}

} // namespace

} // namespace scope
