#include "dialogs/ManageExportsAsImageScreen.h"

#include "controls/ColorShape.h"
#include "controls/ShapeArrayTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/ui/QtTestKit.h"
#include "testkit/ui/ScriptedColors.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace scope {

namespace {

class TScriptedImageExports : public TManageExportsAsImageForm, public TScriptedColors {
public:
    using TManageExportsAsImageForm::TManageExportsAsImageForm;
    std::function<int()> WhileShown;

protected:
    int ShowModal() override { return WhileShown(); }
    bool PickColor(TColor &color) override { return Pick(color); }
};

void Press(QWidget &w, QPoint at) {
    QMouseEvent e(QEvent::MouseButtonPress, at, w.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

struct ImageExportsFixture : ::testing::Test {
    ImageExportsFixture() {
        S.SetDefaultCapabilities();
        S.Options = std::make_unique<TOptions>(&S);
    }
    TExportAsImageArrayOption &List() {
        return *static_cast<TExportAsImageArrayOption *>(S.Options->GetOption(opDefinedExportAsImage));
    }
    TExportAsImageOption &Buffer() {
        return *static_cast<TExportAsImageOption *>(S.Options->GetOption(opDefaultExportAsImage));
    }

    TTestAppFirst AppFirst;
    TSettingsTarn S;
    TScriptedImageExports Form;
};

TEST_F(ImageExportsFixture, ControlsCarryTheirTextsAndItems) {
    EXPECT_EQ(Form.windowTitle(), "Manage image exports");
    EXPECT_EQ(Form.GroupBox1->title(), "Export options");
    std::vector<std::string> labels;
    for (QLabel *l : Form.GroupBox1->findChildren<QLabel *>())
        labels.push_back(l->text().toStdString());
    EXPECT_EQ(labels, (std::vector<std::string>{"Name:", "Channel colors:", "Cursor colors:", "Screen color:",
                                                "Grid color:", "Screen info color:"}));
    const char *checks[] = {"Export vertical cursors", "Export horizontal cursors", "Export grid",
                            "Export screen info", "Use application color scheme"};
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(Form.CheckBoxes[i]->text(), checks[i]);
    ASSERT_EQ(Form.ComboBox1->count(), 3);
    EXPECT_EQ(Form.ComboBox1->itemText(0), "PNG");
    EXPECT_EQ(Form.ComboBox1->itemText(1), "JPG");
    EXPECT_EQ(Form.ComboBox1->itemText(2), "BMP");
    EXPECT_EQ(Form.ShapeArrayTarn1->ShapeCount(), 8);
    EXPECT_EQ(Form.ShapeArrayTarn2->ShapeCount(), 2);
    for (QWidget *w : Form.GroupBox1->findChildren<QWidget *>())
        EXPECT_TRUE(Form.GroupBox1->rect().contains(w->geometry())) << w->objectName().toStdString();
}

TEST_F(ImageExportsFixture, FieldsRoundTripAndTheQuickViewIsAlwaysOff) {
    TExportAsImageOption in, out;
    in.Settings = &S;
    in.SetFromText("Every field|1;2;3;4;5;6;7;8;|2;$0000FF;$FF0000;|$102030|$405060|$708090|true|false|"
                   "true|false|true|2|false|");
    ASSERT_TRUE(in.QuickViewOn);
    Form.ShowItem(in);
    EXPECT_EQ(Form.Edit1->text(), "Every field");
    // One swatch per channel colour of the preset.
    ASSERT_EQ(Form.ShapeArrayTarn1->ShapeCount(), S.ChannelCount);
    EXPECT_EQ(Form.ShapeArrayTarn1->GetColor(5), 6u);
    EXPECT_EQ(Form.ShapeArrayTarn2->GetColor(1), 0xFF0000u);
    EXPECT_EQ(Form.Shape2->FillColor(), 0x405060u);
    EXPECT_EQ(Form.ComboBox1->currentText(), "BMP");
    EXPECT_TRUE(Form.CheckBoxes[0]->isChecked());
    EXPECT_FALSE(Form.CheckBoxes[4]->isChecked());
    out.Settings = &S;
    Form.ReadItem(out);
    EXPECT_EQ(out.PresetName, "Every field");
    EXPECT_EQ(out.ChannelColors.Colors, in.ChannelColors.Colors);
    EXPECT_EQ(out.CursorColors.Colors, in.CursorColors.Colors);
    EXPECT_EQ(std::vector<TColor>({out.ScreenColor, out.GridColor, out.InfoColor}),
              std::vector<TColor>({0x102030, 0x405060, 0x708090}));
    EXPECT_EQ(
        std::vector<bool>({out.VerCursorsOn, out.HorCursorsOn, out.GridOn, out.InfoOn, out.OverrideColors}),
        std::vector<bool>({true, false, false, true, false}));
    EXPECT_EQ(out.OutputFormat, 2);
    EXPECT_FALSE(out.QuickViewOn);
}

TEST_F(ImageExportsFixture, SwatchesTakeTheChosenColoursIntoTheNextPreset) {
    Form.Colors = {0x0000FF, 0x00FF00, 0x123456};
    Form.WhileShown = [&] {
        // Buffer: "Current screen (PNG)".
        EXPECT_EQ(Form.Edit1->text(), "Current screen (PNG)");
        // Swatch 1 of the channel row (x 16 to 31 at height 17), swatch 0 of the cursors, the grid swatch.
        Press(*Form.ShapeArrayTarn1, QPoint(20, 5));
        Press(*Form.ShapeArrayTarn2, QPoint(3, 5));
        Press(*Form.Shape2, QPoint(3, 3));
        // Cancelled: the screen swatch stays.
        Press(*Form.Shape1, QPoint(3, 3));
        Form.Edit1->setText("Mine");
        Form.Button1->click();
        return int(QDialog::Accepted);
    };
    EXPECT_TRUE(Form.EditExports(List(), Buffer()));
    EXPECT_EQ(Form.Offered, (std::vector<TColor>{65535, 255, 0xA0A0A0, 0}));
    ASSERT_EQ(List().Count(), 3);
    const TExportAsImageOption &mine = *List().List[2];
    EXPECT_EQ(mine.PresetName, "Mine");
    EXPECT_EQ(mine.ChannelColors.Colors[1], 0x0000FFu);
    EXPECT_EQ(mine.ChannelColors.Colors[0], 65280u);
    EXPECT_EQ(mine.CursorColors.Colors[0], 0x00FF00u);
    EXPECT_EQ(mine.GridColor, 0x123456u);
    EXPECT_EQ(mine.ScreenColor, 0u);
    EXPECT_EQ(mine.Settings, &S);
    EXPECT_EQ(Buffer().PresetName, "Mine");
}

TEST_F(ImageExportsFixture, CancelLeavesTheListAndKeepsTheFields) {
    Form.WhileShown = [&] {
        for (int i = 0; i < 3; ++i)
            Form.Button1->click();
        Form.Edit1->setText("typed");
        return int(QDialog::Rejected);
    };
    EXPECT_FALSE(Form.EditExports(List(), Buffer()));
    ASSERT_EQ(List().Count(), 2);
    EXPECT_EQ(List().List[1]->PresetName, "Black/white (PNG)");
    EXPECT_EQ(Buffer().PresetName, "typed");
}

// The real colour dialog: it opens with the swatch's colour and its choice comes back as 0x00BBGGRR.
TEST(ImageExportsColourDialog, ColoursAreConvertedBothWays) {
    TestApp();
    TManageExportsAsImageForm form;
    form.Shape3->SetFillColor(0x563412);
    QColor offered;
    QTimer::singleShot(0, [&] {
        offered = form.ColorDialog1->currentColor();
        form.ColorDialog1->setCurrentColor(QColor(0x01, 0x02, 0x03));
        form.ColorDialog1->accept();
    });
    form.Shape1MouseDown(*form.Shape3);
    EXPECT_EQ(offered, QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(form.Shape3->FillColor(), 0x030201u);
}

} // namespace

} // namespace scope
