#include "dialogs/CommBrokenScreen.h"

#include "MainForm.h"
#include "testkit/FakeDevice.h"
#include "testkit/ui/QtTestKit.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace scope {
namespace {

const char *const Explanation =
    "Communication with the device is broken. Application will automatically try to reinitialize "
    "communication. Click \"Exit\" button to terminate application.";

TCommBrokenForm *ShownForm() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *f = qobject_cast<TCommBrokenForm *>(w); f && f->isVisible())
            return f;
    return nullptr;
}

// Presses Exit once the form shows and `ready` holds; looks again every 20 ms while it lives.
std::unique_ptr<QTimer> PressExitWhen(std::function<bool()> ready) {
    auto watch = std::make_unique<QTimer>();
    QObject::connect(watch.get(), &QTimer::timeout, [ready = std::move(ready)] {
        if (TCommBrokenForm *f = ShownForm(); f && ready())
            f->Button1->click();
    });
    watch->start(20);
    return watch;
}

TEST(CommBrokenForm, LooksAsTheNoticeOfABrokenLink) {
    TestApp();
    TFakeDevice device(TFakeDevice::TScript{}, nullptr);
    QWidget owner;
    owner.setGeometry(100, 100, 800, 600);
    TCommBrokenForm form(&owner, device, 0);
    EXPECT_EQ(form.windowTitle(), "Communication broken");
    EXPECT_EQ(form.Memo1->toPlainText(), Explanation);
    EXPECT_TRUE(form.Memo1->isReadOnly());
    EXPECT_EQ(form.Memo1->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(form.Button1->text(), "Exit");
    EXPECT_EQ(form.size(), QSize(273, 130));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_FALSE(form.Image1->pixmap().isNull());
    EXPECT_LT(form.Image1->x(), 20);
    EXPECT_LT(form.Image1->y(), 20);
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.Timer1->interval(), 500);
    EXPECT_LE((form.geometry().center() - owner.frameGeometry().center()).manhattanLength(), 2);
    form.show();
    form.Button1->click();
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST(CommBrokenForm, EachTickReopensTheSameDeviceTheWayItWasOpened) {
    TestApp();
    const TDeviceList list = {{3, 0, 0}, {5, 1, 1}, {5, 2, 0}, {5, 4, 0}};
    const struct {
        const char *what;
        bool enumerates;
        int32_t id;
        std::function<int32_t(int32_t)> answer;
        std::vector<std::string> log;
        bool reconnected;
    } cases[] = {
        {"opened without a list", false, 0, [](int32_t) { return drOk; }, {"open D -1"}, true},
        {"without a list, still gone",
         false,
         0,
         [](int32_t) { return drDeviceNotFound; },
         {"open D -1"},
         false},
        {"broken calibration is a success",
         false,
         0,
         [](int32_t) { return drCalibrationBroken; },
         {"open D -1"},
         true},
        {"by its own slots, the first success ends the tick",
         true,
         5,
         [](int32_t i) { return i == 2 ? drOk : drDeviceNotFound; },
         {"enumerate D", "open D 1", "open D 2"},
         true},
        {"its ID no longer listed", true, 9, [](int32_t) { return drOk; }, {"enumerate D"}, false},
        {"its slots fail", true, 3, [](int32_t) { return drFpgaFailed; }, {"enumerate D", "open D 0"}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> log;
        TFakeDevice::TScript script;
        script.Name = "D";
        script.Enumerates = c.enumerates;
        script.List = list;
        TFakeDevice device(script, &log);
        device.OpenAnswer = c.answer;
        TCommBrokenForm form(nullptr, device, c.id);
        form.show();
        form.Timer1Timer();
        EXPECT_EQ(log, c.log);
        EXPECT_EQ(form.isVisible(), !c.reconnected);
        EXPECT_EQ(form.Timer1->isActive(), !c.reconnected);
        if (c.reconnected)
            EXPECT_EQ(form.result(), QDialog::Accepted);
    }
}

TEST(CommBrokenForm, WaitsUntilTheDeviceOpensAgain) {
    TestApp();
    std::vector<std::string> log;
    TFakeDevice device(TFakeDevice::TScript{}, &log);
    int attempts = 0;
    // Back on the third attempt.
    device.OpenAnswer = [&](int32_t) { return ++attempts == 3 ? drOk : drDeviceNotFound; };
    TCommBrokenForm form(nullptr, device, 0);
    EXPECT_TRUE(form.WaitForReconnect());
    EXPECT_EQ(attempts, 3);
}

TEST(CommBrokenForm, ExitClosesTheMainFormWithoutItsQuestion) {
    TestApp();
    TScriptedMessages messages;
    TMainForm main(messages);
    main.show();
    std::vector<std::string> log;
    TFakeDevice device(TFakeDevice::TScript{drOk, false, {}, drDeviceNotFound, "D"}, &log);
    TMainForm::CloseWithoutQuestion = false;
    const std::unique_ptr<QTimer> press = PressExitWhen([&] { return log.size() >= 2; });
    // As in the program: the form comes up inside the main loop, which the main form's close ends.
    bool reconnected = true;
    QTimer::singleShot(0, &main, [&] { reconnected = ShowCommBroken(main, device, 0); });
    QTimer::singleShot(30000, &main, [] { QCoreApplication::exit(1); }); // a hang
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(reconnected);
    EXPECT_TRUE(TMainForm::CloseWithoutQuestion);
    EXPECT_FALSE(main.isVisible());
    EXPECT_TRUE(messages.Log.empty()) << "no exit question";
    EXPECT_GE(log.size(), 1u) << "it kept trying until Exit";
    TMainForm::CloseWithoutQuestion = false;
}

TEST(CommBrokenForm, AReconnectionLeavesTheMainFormOpen) {
    TestApp();
    TScriptedMessages messages;
    TMainForm main(messages);
    main.show();
    TFakeDevice device(TFakeDevice::TScript{}, nullptr);
    TMainForm::CloseWithoutQuestion = false;
    EXPECT_TRUE(ShowCommBroken(main, device, 0));
    EXPECT_FALSE(TMainForm::CloseWithoutQuestion);
    EXPECT_TRUE(main.isVisible());
}

// A key pressed and released where the user's key goes: the focus widget of the active form.
void PressKey(QWidget &form, int key) {
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : &form;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

TEST(CommBrokenForm, StrayKeysDoNothingOnlyExitAndTheCloseBoxLeave) {
    TestApp();
    const struct {
        const char *what;
        std::function<void(TCommBrokenForm &)> act;
        bool leaves;
    } cases[] = {
        {"Escape", [](TCommBrokenForm &f) { PressKey(f, Qt::Key_Escape); }, false},
        {"Escape on the Exit button",
         [](TCommBrokenForm &f) {
             f.Button1->setFocus();
             PressKey(f, Qt::Key_Escape);
         },
         false},
        {"Return", [](TCommBrokenForm &f) { PressKey(f, Qt::Key_Return); }, false},
        {"Space on the Exit button",
         [](TCommBrokenForm &f) {
             f.Button1->setFocus();
             PressKey(f, Qt::Key_Space);
         },
         true},
        {"the Exit button", [](TCommBrokenForm &f) { f.Button1->click(); }, true},
        {"the close box", [](TCommBrokenForm &f) { f.close(); }, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TFakeDevice device(TFakeDevice::TScript{drOk, false, {}, drDeviceNotFound, "D"}, nullptr);
        TCommBrokenForm form(nullptr, device, 0);
        form.show();
        form.activateWindow();
        ASSERT_TRUE(ProcessEventsUntil([&] { return form.isActiveWindow(); }, 10000));
        c.act(form);
        QCoreApplication::processEvents();
        EXPECT_EQ(form.isVisible(), !c.leaves);
        EXPECT_EQ(form.result(), QDialog::Rejected) << "a way out is never a reconnection";
    }
}

TEST(CommBrokenForm, AStrayEscapeDoesNotEndTheProgram) {
    TestApp();
    TScriptedMessages messages;
    TMainForm main(messages);
    main.show();
    TFakeDevice device(TFakeDevice::TScript{drOk, false, {}, drDeviceNotFound, "D"}, nullptr);
    TMainForm::CloseWithoutQuestion = false;
    bool stillOpen = false;
    // Inside the form's own modal loop: Escape, then Exit once Escape was seen to change nothing.
    QTimer::singleShot(0, &main, [&] {
        TCommBrokenForm *form = ShownForm(); // this timer runs inside its modal loop
        ASSERT_NE(form, nullptr);
        form->activateWindow();
        EXPECT_TRUE(ProcessEventsUntil([form] { return form->isActiveWindow(); }, 10000));
        PressKey(*form, Qt::Key_Escape);
        QCoreApplication::processEvents();
        stillOpen = ShownForm() == form && main.isVisible() && !TMainForm::CloseWithoutQuestion;
        if (ShownForm())
            ShownForm()->Button1->click();
    });
    const bool reconnected = ShowCommBroken(main, device, 0);
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(reconnected);
    EXPECT_TRUE(TMainForm::CloseWithoutQuestion);
    TMainForm::CloseWithoutQuestion = false;
}

} // namespace
} // namespace scope
