#include "controls/ModulesBoxTarn.h"

#include "MainForm.h"
#include "bus/ObjMasterTarn.h"
#include "controls/DragButtonTarn.h"
#include "modules/ModuleManagerTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/TestModules.h"
#include "testkit/ui/QtTestKit.h"

#include <QApplication>
#include <QMimeData>
#include <QPointer>
#include <QWidget>
#include <functional>

#include <gtest/gtest.h>

namespace scope {

namespace {

constexpr uint8_t F = IModulesBox::ikFunction, W = IModulesBox::ikWindow;

// A box whose drags are played by the test: the host's answer, if any, arrives while the button is dragged.
class TScriptedDragBox : public TModulesBoxTarn {
public:
    std::function<void(TModulesBoxTarn &, TDragButtonTarn &)> DuringDrag;
    int Drags = 0;
    bool DownWhileDragged = false;
    uint8_t StateWhileDragged = 0xFF;

protected:
    void DragButton(TDragButtonTarn &button) override {
        ++Drags;
        DownWhileDragged = button.Down();
        StateWhileDragged = ItemState(button.Tag);
        if (DuringDrag)
            DuringDrag(*this, button);
        ButtonEndDrag(button);
    }
};

struct TEvents {
    std::vector<int32_t> FunctionDeactivate, Activate, Deactivate;
    void Wire(IModulesBox &box) {
        box.SetModuleEvents([this](int32_t id) { FunctionDeactivate.push_back(id); },
                            [this](int32_t id) { Activate.push_back(id); },
                            [this](int32_t id) { Deactivate.push_back(id); });
    }
};

// Runs what the event loop would: queued calls and the freeing of deleted widgets.
void Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST(ModulesBox, FiveModulesGiveThreeRowsOfTwo) {
    TestApp();
    TModulesBoxTarn box;
    box.resize(121, 300);
    box.GroupIndexStart = 100000;
    const struct {
        uint8_t Kind;
        const char *Caption;
    } items[] = {{W, "Wp"}, {F, "Inv"}, {F, "Sum"}, {W, "Fft"}, {F, "Avg"}};
    for (const auto &item : items)
        box.AddItem(item.Kind, item.Caption, std::string(item.Caption) + " module");
    EXPECT_EQ(box.Button(0), nullptr) << "no button before Rebuild";
    box.Rebuild();

    const struct { int Left, Top; } expected[] = {{3, 15}, {60, 15}, {3, 35}, {60, 35}, {3, 55}};
    for (int32_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        TDragButtonTarn *b = box.Button(i);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->geometry(), QRect(expected[i].Left, expected[i].Top, 57, 20));
        EXPECT_EQ(b->Tag, i);
        EXPECT_EQ(b->GroupIndex, 100000 + i);
        EXPECT_EQ(b->text().toStdString(), items[i].Caption);
        EXPECT_EQ(b->toolTip().toStdString(), std::string(items[i].Caption) + " module");
        EXPECT_EQ(b->palette().color(QPalette::ButtonText),
                  items[i].Kind == F ? QColor(0, 0, 255) : QColor(0, 128, 0));
        EXPECT_FALSE(b->Down());
    }
}

TEST(ModulesBox, RebuildReplacesEveryButtonAndKeepsTheStates) {
    TestApp();
    TModulesBoxTarn box;
    box.resize(121, 300);
    box.AddItem(W, "Wp", "");
    box.Rebuild();
    box.AddItem(F, "Inv", "");
    box.SetItemState(0, IModulesBox::isOn);
    QPointer<TDragButtonTarn> old = box.Button(0);
    box.Rebuild();
    Settle();
    EXPECT_TRUE(old.isNull()) << "the old button is freed";
    EXPECT_EQ(box.findChildren<TDragButtonTarn *>().size(), 2u);
    EXPECT_TRUE(box.Button(0)->Down());
    EXPECT_FALSE(box.Button(1)->Down());
}

TEST(ModulesBox, RebuildFromInsideAButtonsOwnClickIsSafe) {
    TestApp();
    TModulesBoxTarn box;
    box.resize(121, 300);
    box.AddItem(W, "Wp", "");
    box.Rebuild();
    box.SetModuleEvents(
        nullptr, [&](int32_t) { box.Rebuild(); }, nullptr);
    box.Button(0)->click();
    Settle();
    ASSERT_NE(box.Button(0), nullptr);
    EXPECT_TRUE(box.Button(0)->Down());
    EXPECT_EQ(box.findChildren<TDragButtonTarn *>().size(), 1u);
}

TEST(ModulesBox, ClicksChangeStatesAndFireTheirEventOnce) {
    TestApp();
    const struct {
        const char *Name;
        uint8_t Kind, Before, After;
        size_t FunctionDeactivates, Activates, Deactivates;
    } cases[] = {
        {"window module off is switched on", W, IModulesBox::isOff, IModulesBox::isOn, 0, 1, 0},
        {"active window module is switched off", W, IModulesBox::isOn, IModulesBox::isOff, 0, 0, 1},
        {"active function module is left to the host", F, IModulesBox::isOn, IModulesBox::isOn, 1, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        TModulesBoxTarn box;
        box.resize(121, 300);
        box.AddItem(F, "Other", "");
        box.AddItem(c.Kind, "Mod", "");
        box.Rebuild();
        TEvents events;
        events.Wire(box);
        box.SetItemState(1, c.Before);
        box.UpdateButtons();
        box.Button(1)->click();
        EXPECT_EQ(box.ItemState(1), c.After);
        EXPECT_EQ(box.Button(1)->Down(), c.After != IModulesBox::isOff);
        EXPECT_EQ(events.FunctionDeactivate.size(), c.FunctionDeactivates);
        EXPECT_EQ(events.Activate.size(), c.Activates);
        EXPECT_EQ(events.Deactivate.size(), c.Deactivates);
        for (const auto *ids : {&events.FunctionDeactivate, &events.Activate, &events.Deactivate})
            for (int32_t id : *ids)
                EXPECT_EQ(id, 1);
        EXPECT_EQ(box.ItemState(0), IModulesBox::isOff) << "the other item is untouched";
        Settle();
    }
}

TEST(ModulesBox, ClicksWithoutHandlersOnlyChangeStates) {
    TestApp();
    TModulesBoxTarn box;
    box.resize(121, 300);
    box.AddItem(W, "Wp", "");
    box.AddItem(F, "Inv", "");
    box.Rebuild();
    box.SetItemState(1, IModulesBox::isOn);
    box.Button(0)->click();
    box.Button(1)->click();
    EXPECT_EQ(box.ItemState(0), IModulesBox::isOn);
    EXPECT_EQ(box.ItemState(1), IModulesBox::isOn);
}

TEST(ModulesBox, CancelledFunctionModuleDragLeavesItsButtonUp) {
    TestApp();
    TModulesBoxTarn box;
    box.resize(121, 300);
    box.AddItem(F, "Inv", "");
    box.Rebuild();
    TEvents events;
    events.Wire(box);
    box.Button(0)->click();
    EXPECT_EQ(box.ItemState(0), IModulesBox::isDragged);
    EXPECT_TRUE(box.Button(0)->Down()) << "down while it is dragged";
    // The platform's drag finds no target and ends.
    Settle();
    EXPECT_EQ(box.ItemState(0), IModulesBox::isOff);
    EXPECT_FALSE(box.Button(0)->Down());
    EXPECT_TRUE(events.FunctionDeactivate.empty());
}

TEST(ModulesBox, FunctionModuleDragEndsAsTheHostDecided) {
    TestApp();
    const struct {
        const char *Name;
        bool HostAssigns;
        uint8_t After;
    } cases[] = {{"dropped on a channel the host assigns", true, IModulesBox::isOn},
                 {"dropped nowhere", false, IModulesBox::isOff}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        TScriptedDragBox box;
        box.resize(121, 300);
        box.AddItem(W, "Wp", "");
        box.AddItem(F, "Inv", "");
        box.Rebuild();
        if (c.HostAssigns)
            box.DuringDrag = [](TModulesBoxTarn &b, TDragButtonTarn &button) {
                b.SetItemState(button.Tag, IModulesBox::isOn);
                b.UpdateButtons();
            };
        box.Button(1)->click();
        EXPECT_EQ(box.Drags, 0) << "the drag starts once the click is over";
        Settle();
        EXPECT_EQ(box.Drags, 1);
        EXPECT_TRUE(box.DownWhileDragged);
        EXPECT_EQ(box.StateWhileDragged, IModulesBox::isDragged);
        EXPECT_EQ(box.ItemState(1), c.After);
        EXPECT_EQ(box.Button(1)->Down(), c.After != IModulesBox::isOff);
        EXPECT_FALSE(box.Button(0)->Down());
    }
}

TEST(ModulesBox, DraggedItemReadsOnlyItsOwnPayload) {
    TestApp();
    const struct {
        const char *Format;
        QByteArray Payload;
        int32_t Item;
    } cases[] = {{TModulesBoxTarn::ItemMimeType, "3", 3},
                 {TModulesBoxTarn::ItemMimeType, "0", 0},
                 {TModulesBoxTarn::ItemMimeType, "-2", -1},
                 {TModulesBoxTarn::ItemMimeType, "x", -1},
                 {"text/plain", "3", -1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Payload.toStdString());
        QMimeData data;
        data.setData(c.Format, c.Payload);
        EXPECT_EQ(TModulesBoxTarn::DraggedItem(&data), c.Item);
    }
    EXPECT_EQ(TModulesBoxTarn::DraggedItem(nullptr), -1);
}

TEST(ModulesBox, UnknownItemsAreIgnored) {
    TestApp();
    TModulesBoxTarn box;
    box.AddItem(W, "Wp", "");
    box.SetItemState(1, IModulesBox::isOn);
    box.SetItemState(-1, IModulesBox::isOn);
    EXPECT_EQ(box.ItemState(1), IModulesBox::isOff);
    EXPECT_EQ(box.ItemState(-1), IModulesBox::isOff);
    EXPECT_EQ(box.ItemState(0), IModulesBox::isOff);
    EXPECT_EQ(box.Button(5), nullptr);
    box.UpdateButtons(); // no buttons yet
}

// The box under the real host with the project's parameter module from the program folder.
class ModulesBoxWithHost : public ::testing::Test {
protected:
    void SetUp() override {
        SmallModuleInstrument(s, 1);
        box.resize(121, 300);
        host.ModulesFolder = std::string(PROGRAM_FOLDER) + "/modules";
        host.OwnerObject = &owner;
        host.SetSettings(&s);
        host.SetObjMaster(&bus);
        host.SetModulesBox(&box);
        bus.Broadcast(bmInitialize, 0, nullptr);
        bus.Broadcast(bmStartupComplete, 0, nullptr);
        wp = ModuleIndex(host, "Wp");
        HandSquareWaves(host, waves);
    }
    void TearDown() override {
        host.StopModules();
        host.FreeModules();
    }
    // What the acquisition thread's pass does in the GUI thread, then one record shown.
    void Pass() {
        host.LoadUnloadModules();
        host.ProcessAcquisition();
        host.ShowResults();
        Settle();
    }
    static QWidget *ModuleWindow() {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == "Waveform parameters")
                return w;
        return nullptr;
    }

    QApplication &app = TestApp(); // before the widgets
    TObjMasterTarn bus;
    TSettingsTarn s;
    QWidget owner;
    TModulesBoxTarn box;
    TModuleManagerTarn host;
    TAcquiredData waves;
    int32_t wp = -1;
};

TEST_F(ModulesBoxWithHost, ClicksSwitchTheParameterWindowOnAndOff) {
    ASSERT_GE(wp, 0) << "the parameter module is built into the program folder";
    ASSERT_EQ(box.ItemCount(), host.ModuleCount());
    TDragButtonTarn *button = box.Button(wp);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "Wp");
    EXPECT_EQ(button->toolTip(), "Waveform parameters");
    EXPECT_FALSE(button->Down());

    button->click();
    EXPECT_TRUE(host.Module(wp).Enabled);
    Pass();
    EXPECT_TRUE(host.Module(wp).Loaded);
    EXPECT_NE(ModuleWindow(), nullptr);
    EXPECT_TRUE(button->Down());

    button->click();
    EXPECT_FALSE(host.Module(wp).Enabled);
    Pass();
    EXPECT_FALSE(host.Module(wp).Loaded);
    EXPECT_EQ(ModuleWindow(), nullptr);
    EXPECT_FALSE(button->Down());
}

TEST_F(ModulesBoxWithHost, ClosingTheModuleWindowPutsItsButtonUp) {
    ASSERT_GE(wp, 0);
    box.Button(wp)->click();
    Pass();
    QWidget *window = ModuleWindow();
    ASSERT_NE(window, nullptr);
    window->close();
    Settle();
    EXPECT_FALSE(host.Module(wp).Enabled);
    EXPECT_EQ(box.ItemState(wp), IModulesBox::isOff);
    EXPECT_FALSE(box.Button(wp)->Down());
    Pass();
    EXPECT_FALSE(host.Module(wp).Loaded);
    // And it can be switched on again from its button.
    box.Button(wp)->click();
    Pass();
    EXPECT_TRUE(host.Module(wp).Loaded);
    EXPECT_NE(ModuleWindow(), nullptr);
}

TEST(ModulesBoxOnMainForm, TheHostListsTheModulesInTheFunctionsBox) {
    TestApp();
    TScriptedMessages messages;
    TMainForm form(messages);
    ASSERT_NE(form.ModulesBoxTarn1, nullptr);
    EXPECT_EQ(form.ModulesBoxTarn1->title(), "Functions");
    EXPECT_EQ(form.ModulesBoxTarn1->GroupIndexStart, 100000);
    TSettingsTarn &s = form.SettingsTarn1();
    s.SetDefaultCapabilities();
    form.ModuleManagerTarn1().ModulesFolder = std::string(PROGRAM_FOLDER) + "/modules";
    form.ObjMasterTarn1().Broadcast(bmInitialize, 0, nullptr);
    form.ObjMasterTarn1().Broadcast(bmStartupComplete, 0, nullptr);
    TModulesBoxTarn &box = *form.ModulesBoxTarn1;
    int32_t wp = -1;
    for (int32_t i = 0; i < box.ItemCount(); ++i)
        if (box.Button(i) && box.Button(i)->text() == "Wp")
            wp = i;
    ASSERT_GE(wp, 0);
    box.Button(wp)->click();
    EXPECT_TRUE(form.ModuleManagerTarn1().Module(wp).Enabled) << "the box's events reach the host";
    box.Button(wp)->click();
    EXPECT_FALSE(form.ModuleManagerTarn1().Module(wp).Enabled);
}

} // namespace

} // namespace scope
