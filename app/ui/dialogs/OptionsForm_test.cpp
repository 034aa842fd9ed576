#include "dialogs/OptionsForm.h"

#include "controls/ColorShape.h"
#include "controls/HotkeyEdit.h"
#include "controls/OptionCheckBox.h"
#include "controls/PageControl.h"
#include "controls/ShapeArrayTarn.h"
#include "dialogs/HotkeysForm.h"
#include "settings/SettingsTarn.h"
#include "testkit/ui/QtTestKit.h"
#include "testkit/ui/ScriptedColors.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <functional>

#include <gtest/gtest.h>

namespace scope {

namespace {

// The dialog with its modal cycles and the colour dialog scripted.
class TScriptedOptionsForm : public TOptionsForm, public TScriptedColors {
public:
    using TOptionsForm::TOptionsForm;
    std::function<int()> WhileShown;
    std::function<void()> InHotkeysForm;

protected:
    int ShowModal() override { return WhileShown(); }
    void ShowHotkeysForm() override { InHotkeysForm(); }
    bool PickColor(TColor &color) override { return Pick(color); }
};

TOptionCheckBox *CheckFor(TOptionsForm &form, int32_t option) {
    for (const auto &[id, control] : form.PageControl1->TaggedControls())
        if (id == option)
            return dynamic_cast<TOptionCheckBox *>(control);
    return nullptr;
}

struct TOptionsFixture : ::testing::Test {
    TSettingsTarn Settings;
    void SetUp() override {
        TestApp();
        DefaultInstrument(Settings);
    }
    TOptions &Options() { return *Settings.Options; }
    const TKeyList &Hold() { return static_cast<THotkeyOption *>(Options().GetOption(opHotkey_Hold))->Keys; }
    // Changes switches, colours and a hot key, then closes with the result given.
    int EditEverything(int result) {
        TScriptedOptionsForm form;
        form.Colors = {0x563412, 0x0000FF};
        form.InHotkeysForm = [&] {
            THotkeyEdit *hold = form.Hotkeys()->Edits[0];
            hold->SetKeyCount(2);
            hold->SetKey(0, 42);
            hold->SetKey(1, 63);
            form.Hotkeys()->ClearButtons[11]->click(); // zoom in
        };
        form.WhileShown = [&] {
            CheckFor(form, opPrintBlackWhite)->setChecked(false);
            CheckFor(form, opSeparateHold)->setChecked(true);
            form.Shape1MouseDown(*form.Shape1);
            form.ShapeArrayTarn2ShapeClick(*form.ShapeArrayTarn2, 0);
            form.Button3Click();
            return result;
        };
        return form.Execute(Settings);
    }
};

TEST_F(TOptionsFixture, OkStoresEverythingAtOnce) {
    ASSERT_EQ(EditEverything(QDialog::Accepted), QDialog::Accepted);
    EXPECT_FALSE(Options().GetBoolean(opPrintBlackWhite));
    EXPECT_TRUE(Options().GetBoolean(opSeparateHold));
    EXPECT_EQ(Options().GetColor(opColorScreen), 0x563412u);
    const TColorList channels = Options().GetColorArray(opColorChannels);
    const int32_t live = Settings.PhysicalChannelCount + Settings.VirtualChannelCount;
    ASSERT_GT(int32_t(channels.size()), live);
    EXPECT_EQ(channels[0], 0x0000FFu);
    EXPECT_EQ(channels[size_t(live)], TColorArrayOption::Lighter(0x0000FF)) << "the loaded trace's mirror";
    EXPECT_EQ(Hold(), (TKeyList{42, 63}));
    EXPECT_TRUE(static_cast<THotkeyOption *>(Options().GetOption(opHotkey_Zoom_In))->Keys.empty());
}

TEST_F(TOptionsFixture, CancelDropsEverythingIncludingTheHotkeys) {
    const TColorList channels = Options().GetColorArray(opColorChannels);
    ASSERT_EQ(EditEverything(QDialog::Rejected), QDialog::Rejected);
    EXPECT_TRUE(Options().GetBoolean(opPrintBlackWhite));
    EXPECT_FALSE(Options().GetBoolean(opSeparateHold));
    EXPECT_EQ(Options().GetColor(opColorScreen), 0u);
    EXPECT_EQ(Options().GetColorArray(opColorChannels), channels);
    EXPECT_EQ(Hold(), (TKeyList{29, 57}));
}

TEST_F(TOptionsFixture, ControlsShowTheOptionsAndACancelledColourDialogChangesNothing) {
    TScriptedOptionsForm form;
    form.WhileShown = [&] {
        EXPECT_TRUE(CheckFor(form, opPrintBlackWhite)->isChecked());
        EXPECT_FALSE(CheckFor(form, opSeparateHold)->isChecked());
        EXPECT_EQ(form.Shape2->FillColor(), 0xFFFFFFu);
        EXPECT_EQ(form.ShapeArrayTarn1->ShapeCount(), 2);
        EXPECT_EQ(form.ShapeArrayTarn2->GetColor(0), 65280u);
        EXPECT_EQ(form.Hotkeys()->Edits[0]->text(), "Ctrl + Space");
        form.Shape2->SetFillColor(0x123456);
        form.Shape1MouseDown(*form.Shape2);
        form.ShapeArrayTarn2ShapeClick(*form.ShapeArrayTarn2, 1);
        EXPECT_EQ(form.Shape2->FillColor(), 0x123456u);
        EXPECT_EQ(form.ShapeArrayTarn2->GetColor(1), 65535u);
        return int(QDialog::Accepted);
    };
    form.Execute(Settings);
    EXPECT_EQ(form.Offered, (std::vector<TColor>{0x123456, 65535}));
    EXPECT_EQ(Options().GetColor(opColorGrid), 0x123456u);
}

TEST_F(TOptionsFixture, SheetsTagsAndLayout) {
    TOptionsForm form;
    EXPECT_EQ(form.windowTitle(), "Options");
    EXPECT_EQ(form.size(), QSize(322, 373));
    ASSERT_EQ(form.PageControl1->SheetCount(), 6);
    EXPECT_EQ(form.PageControl1->TabRows(), 2) << "every tab in view within the width";
    for (int i = 0; i < 6; ++i) {
        const QRect tab = form.PageControl1->Tab(i)->geometry();
        EXPECT_LE(tab.right(), form.PageControl1->width());
    }
    EXPECT_TRUE(form.OKButton->isDefault());
    std::vector<int32_t> ids;
    for (const auto &[id, control] : form.PageControl1->TaggedControls())
        ids.push_back(id);
    EXPECT_EQ(ids, (std::vector<int32_t>{11, 10, 8, 9,  17, 0,  39, 1, 2,  3,  4,  12,
                                         15, 5,  6, 43, 44, 16, 40, 7, 18, 19, 20, 38}));
    // Swatches at 112, their labels at 16, rows 24 apart.
    EXPECT_EQ(form.ShapeArrayTarn2->x(), 112);
    EXPECT_EQ(form.Shape1->y() - form.ShapeArrayTarn1->y(), 24);
    // A section header's bevel starts 3 points right of its label.
    auto *label = form.PageControl1->Sheet(4)->findChildren<QLabel *>().front();
    const auto bevel = form.PageControl1->Sheet(4)->findChildren<QFrame *>(Qt::FindDirectChildrenOnly);
    QFrame *line = nullptr;
    for (QFrame *f : bevel)
        if (f->frameShape() == QFrame::HLine)
            line = f;
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(label->text(), "Printing");
    EXPECT_EQ(line->x(), label->x() + label->width() + 3);

    // Untagged controls, low tags and sheets of another tag are never bound.
    QWidget *extra = form.PageControl1->AddSheet("Extra");
    auto *loose = new TOptionCheckBox("x", extra);
    SetTag(loose, 1012);
    SetTag(extra, 0);
    auto *low = new TOptionCheckBox("y", form.PageControl1->Sheet(4));
    SetTag(low, 999);
    EXPECT_EQ(form.PageControl1->TaggedControls().size(), ids.size());
}

} // namespace

} // namespace scope
