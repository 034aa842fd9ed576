#include "dialogs/HotkeysForm.h"

#include "controls/HotkeyEdit.h"
#include "controls/PageControl.h"
#include "platform/KeyCodes.h"
#include "settings/OptionsTarn.h"
#include "testkit/ui/QtTestKit.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace scope {

namespace {

// X11 gives the Linux input code + 8.
constexpr quint32 X11(quint32 input) {
    return input + 8;
}

void Key(QWidget *to, QEvent::Type type, int key, Qt::KeyboardModifiers mods = {}, quint32 native = 0,
         bool repeat = false) {
    QKeyEvent e(type, key, mods, native, 0, 0, QString(), repeat);
    QApplication::sendEvent(to, &e);
}

TEST(KeyCodes, NativeScanCodesFirstThenTheKeyAsFallback) {
    TestApp();
    struct Row {
        int Key;
        Qt::KeyboardModifiers Mods;
        quint32 Native;
        int32_t Code;
    } rows[] = {
        {Qt::Key_Control, {}, X11(29), 29},
        {Qt::Key_Control, {}, X11(97), 285}, // right Ctrl
        {Qt::Key_Up, {}, X11(103), 328},
        {Qt::Key_PageDown, {}, X11(109), 337},
        {Qt::Key_Plus, Qt::KeypadModifier, X11(78), 78},
        {Qt::Key_Space, {}, 0, 57},
        {Qt::Key_Up, {}, 0, 328},
        {Qt::Key_Plus, Qt::KeypadModifier, 0, 78},
        {Qt::Key_Plus, {}, 0, 0}, // no code: handled as a key without one
        {Qt::Key_F5, {}, 0, 63},
    };
    for (const Row &r : rows) {
        QKeyEvent e(QEvent::KeyPress, r.Key, r.Mods, r.Native, 0, 0);
        EXPECT_EQ(KeyCodeOf(e), r.Code) << r.Key << " " << r.Native;
    }
    QKeyEvent alt(QEvent::KeyPress, Qt::Key_A, Qt::AltModifier);
    QKeyEvent f10(QEvent::KeyPress, Qt::Key_F10, {});
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, {}, 0, 0, 0, QString(), true);
    EXPECT_EQ(KeyMessageOf(alt).Kind, TKeyMessage::Other);
    EXPECT_EQ(KeyMessageOf(f10).Kind, TKeyMessage::Other);
    EXPECT_EQ(KeyMessageOf(repeat).Kind, TKeyMessage::Other);
    QKeyEvent unknown(QEvent::KeyPress, Qt::Key_Plus, {});
    EXPECT_TRUE(KeyMessageOf(unknown).NoVirtualKey);
}

TEST(HotkeysForm, SeventeenRowsOnFourSheetsTaggedByOption) {
    TestApp();
    THotkeysForm form;
    EXPECT_EQ(form.windowTitle(), "Configure hotkeys");
    ASSERT_EQ(form.PageControl1->SheetCount(), 4);
    const auto tagged = form.PageControl1->TaggedControls();
    ASSERT_EQ(tagged.size(), 17u);
    for (size_t i = 0; i < tagged.size(); ++i)
        EXPECT_EQ(tagged[i].first, opHotkey_Hold + int32_t(i));
    EXPECT_EQ(form.Labels[0]->text(), "Hold");
    EXPECT_EQ(form.Labels[16]->text(), "Move screen left (8 divs):");
    // Rows 21 apart on each sheet; the edit between the label and the 21 x 21 clear button.
    EXPECT_EQ(form.Edits[2]->y() - form.Edits[1]->y(), 21);
    EXPECT_EQ(form.Edits[9]->y(), form.Edits[0]->y()) << "first row of its sheet";
    for (size_t i = 0; i < 17; ++i) {
        EXPECT_EQ(form.ClearButtons[i]->size(), QSize(21, 21));
        EXPECT_EQ(form.Edits[i]->x(), form.Labels[i]->x() + form.Labels[i]->width() + 3);
        EXPECT_EQ(form.Edits[i]->x() + form.Edits[i]->width(), form.ClearButtons[i]->x() - 2);
        EXPECT_TRUE(form.Edits[i]->isReadOnly());
    }
}

// Each sheet shows every one of its rows whole: label, edit and clear button inside the sheet, and
// the sheet itself inside the page control's frame and the dialog.
TEST(HotkeysForm, EveryRowOfEverySheetShowsWhole) {
    TestApp();
    THotkeysForm form;
    form.show();
    for (int sheetIndex = 0; sheetIndex < form.PageControl1->SheetCount(); ++sheetIndex) {
        SCOPED_TRACE(sheetIndex);
        form.PageControl1->SetCurrentSheet(sheetIndex);
        QWidget *sheet = form.PageControl1->Sheet(sheetIndex);
        const auto *frame = qobject_cast<const QFrame *>(sheet->parentWidget());
        ASSERT_NE(frame, nullptr);
        EXPECT_TRUE(frame->contentsRect().contains(sheet->geometry())) << "the sheet inside the frame";
        EXPECT_EQ(sheet->visibleRegion(), QRegion(sheet->rect())) << "the sheet not clipped";
        int rows = 0;
        for (size_t i = 0; i < form.Edits.size(); ++i) {
            if (form.Edits[i]->parentWidget() != sheet)
                continue;
            ++rows;
            for (QWidget *w :
                 std::initializer_list<QWidget *>{form.Labels[i], form.Edits[i], form.ClearButtons[i]}) {
                SCOPED_TRACE(form.Labels[i]->text().toStdString());
                EXPECT_TRUE(sheet->rect().contains(w->geometry())) << w->metaObject()->className();
                EXPECT_EQ(w->visibleRegion(), QRegion(w->rect())) << w->metaObject()->className();
            }
        }
        EXPECT_GT(rows, 0);
    }
    EXPECT_TRUE(form.rect().contains(form.OKButton->geometry()));
    EXPECT_GE(form.OKButton->y(), form.PageControl1->y() + form.PageControl1->height());
}

TEST(HotkeysForm, EditCapturesKeysAndTheClearButtonEmptiesIt) {
    TestApp();
    THotkeysForm form;
    form.show();
    THotkeyEdit *edit = form.Edits[0];
    edit->setFocus();
    Key(edit, QEvent::KeyPress, Qt::Key_Control, {}, X11(97));
    Key(edit, QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier, X11(57));
    Key(edit, QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier, X11(57), true);
    Key(edit, QEvent::KeyRelease, Qt::Key_Space, Qt::ControlModifier, X11(57), true);
    Key(edit, QEvent::KeyRelease, Qt::Key_Space, Qt::ControlModifier, X11(57));
    Key(edit, QEvent::KeyRelease, Qt::Key_Control, {}, X11(97));
    EXPECT_EQ(edit->text(), "Right Ctrl + Space");
    ASSERT_EQ(edit->KeyCount(), 2);
    EXPECT_EQ(edit->Key(0), 285);
    // Alt combinations are never captured.
    Key(edit, QEvent::KeyPress, Qt::Key_Alt, {}, X11(56));
    Key(edit, QEvent::KeyPress, Qt::Key_X, Qt::AltModifier, X11(45));
    EXPECT_EQ(edit->text(), "Right Ctrl + Space");
    Key(edit, QEvent::KeyRelease, Qt::Key_X, Qt::AltModifier, X11(45));
    Key(edit, QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier, X11(56));
    form.ClearButtons[0]->click();
    EXPECT_EQ(edit->KeyCount(), 0);
    EXPECT_EQ(edit->text(), "");
    THotkeyOption option;
    option.FromControl(*edit);
    EXPECT_EQ(option.Text(), ";");
}

TEST(HotkeysForm, TabMovesTheFocusUncaptured) {
    TestApp();
    THotkeysForm form;
    form.show();
    QApplication::setActiveWindow(&form);
    form.PageControl1->SetCurrentSheet(1);
    THotkeyEdit *edit = form.Edits[1];
    edit->setFocus();
    ASSERT_TRUE(edit->hasFocus());
    Key(edit, QEvent::KeyPress, Qt::Key_Tab, {}, X11(15));
    Key(edit, QEvent::KeyRelease, Qt::Key_Tab, {}, X11(15));
    EXPECT_FALSE(edit->hasFocus());
    EXPECT_EQ(edit->text(), "");
    EXPECT_EQ(edit->KeyCount(), 0);
}

TEST(HotkeysForm, EscapeClosesTheFormUncaptured) {
    TestApp();
    THotkeysForm form;
    THotkeyEdit *edit = form.Edits[0];
    edit->SetKeyCount(1);
    edit->SetKey(0, 57);
    QTimer::singleShot(0, &form, [&] {
        edit->setFocus();
        Key(edit, QEvent::KeyPress, Qt::Key_Escape, {}, X11(1));
    });
    QTimer::singleShot(30000, &form, [&] { form.done(42); }); // a safety net: fails below
    const int result = form.exec();
    EXPECT_NE(result, 42);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(edit->text(), "Space");
}

} // namespace

} // namespace scope
