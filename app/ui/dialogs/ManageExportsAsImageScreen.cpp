#include "dialogs/ManageExportsAsImageScreen.h"

#include "controls/ColorShape.h"
#include "controls/ShapeArrayTarn.h"
#include "platform/QtColors.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

namespace scope {

namespace {

constexpr int GroupWidth = 310, GroupHeight = 330;
constexpr int LabelLeft = 10, FieldLeft = 118, RowStep = 26;

// One swatch per colour of the preset's list; an empty list keeps the row as it is.
void ShowColors(const TColorList &colors, TShapeArrayTarn &row) {
    if (!colors.empty() && size_t(row.ShapeCount()) != colors.size())
        row.SetShapeCount(int32_t(colors.size()));
    for (int32_t i = 0; i < row.ShapeCount(); ++i)
        row.SetColor(i, size_t(i) < colors.size() ? colors[size_t(i)] : 0xFFFFFF);
}

// A list that has no colours yet takes the whole row.
void ReadColors(const TShapeArrayTarn &row, TColorList &colors) {
    if (colors.empty())
        colors.resize(size_t(row.ShapeCount()), 0);
    for (size_t i = 0; i < colors.size() && i < size_t(row.ShapeCount()); ++i)
        colors[i] = row.GetColor(int32_t(i));
}

} // namespace

TManageExportsAsImageForm::TManageExportsAsImageForm(QWidget *parent) : TPresetListDialog(parent) {
    setObjectName("ManageExportsAsImageForm");
    int top = 22;
    auto label = [this](const char *text, int at) {
        auto *l = new QLabel(QString::fromLatin1(text), GroupBox1);
        l->move(LabelLeft, at + 2);
        l->adjustSize();
    };
    label("Name:", top);
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(FieldLeft - 50, top - 2, GroupWidth - FieldLeft + 50 - 10, 22);
    top += RowStep + 2;
    auto row = [&](const char *text, const char *name, int32_t count) {
        label(text, top);
        auto *r = new TShapeArrayTarn(GroupBox1);
        r->setObjectName(name);
        r->SetShapeCount(count);
        r->move(FieldLeft, top);
        r->OnShapeClick = [this](TShapeArrayTarn &clicked, int32_t index) {
            ShapeArrayTarn1ShapeClick(clicked, index);
        };
        top += RowStep;
        return r;
    };
    ShapeArrayTarn1 = row("Channel colors:", "ShapeArrayTarn1", ChannelSwatches);
    ShapeArrayTarn2 = row("Cursor colors:", "ShapeArrayTarn2", CursorSwatches);
    auto swatch = [&](const char *text, const char *name) {
        label(text, top);
        auto *s = new TColorShape(GroupBox1);
        s->setObjectName(name);
        s->move(FieldLeft, top);
        s->OnMouseDown = [this](TColorShape &pressed) { Shape1MouseDown(pressed); };
        top += RowStep;
        return s;
    };
    Shape1 = swatch("Screen color:", "Shape1");
    Shape2 = swatch("Grid color:", "Shape2");
    Shape3 = swatch("Screen info color:", "Shape3");
    for (size_t i = 0; i < CheckBoxes.size(); ++i) {
        CheckBoxes[i] = new QCheckBox(GroupBox1);
        CheckBoxes[i]->setObjectName(QString("CheckBox%1").arg(i + 1));
        CheckBoxes[i]->setGeometry(LabelLeft, top, GroupWidth - 2 * LabelLeft, 20);
        top += 22;
    }
    ComboBox1 = new QComboBox(GroupBox1);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setGeometry(LabelLeft, top + 4, 80, 22);
    ColorDialog1 = new QColorDialog(this);
    ColorDialog1->setOption(QColorDialog::DontUseNativeDialog);
    PlaceControls(GroupWidth, GroupHeight);
    LoadCaptions();
}

void TManageExportsAsImageForm::LoadCaptions() {
    setWindowTitle("Manage image exports");
    const char *const checks[] = {"Export vertical cursors", "Export horizontal cursors", "Export grid",
                                  "Export screen info", "Use application color scheme"};
    for (size_t i = 0; i < CheckBoxes.size(); ++i)
        CheckBoxes[i]->setText(checks[i]);
    ComboBox1->addItems({"PNG", "JPG", "BMP"});
}

void TManageExportsAsImageForm::ShowItem(const TExportAsImageOption &item) {
    Edit1->setText(QString::fromStdString(item.PresetName));
    ShowColors(item.ChannelColors.Colors, *ShapeArrayTarn1);
    ShowColors(item.CursorColors.Colors, *ShapeArrayTarn2);
    Shape1->SetFillColor(item.ScreenColor);
    Shape2->SetFillColor(item.GridColor);
    Shape3->SetFillColor(item.InfoColor);
    CheckBoxes[0]->setChecked(item.VerCursorsOn);
    CheckBoxes[1]->setChecked(item.HorCursorsOn);
    CheckBoxes[2]->setChecked(item.GridOn);
    CheckBoxes[3]->setChecked(item.InfoOn);
    CheckBoxes[4]->setChecked(item.OverrideColors);
    ComboBox1->setCurrentIndex(
        item.OutputFormat >= 0 && item.OutputFormat < ComboBox1->count() ? item.OutputFormat : -1);
}

void TManageExportsAsImageForm::ReadItem(TExportAsImageOption &item) {
    item.PresetName = Edit1->text().toStdString();
    ReadColors(*ShapeArrayTarn1, item.ChannelColors.Colors);
    ReadColors(*ShapeArrayTarn2, item.CursorColors.Colors);
    item.ScreenColor = Shape1->FillColor();
    item.GridColor = Shape2->FillColor();
    item.InfoColor = Shape3->FillColor();
    item.VerCursorsOn = CheckBoxes[0]->isChecked();
    item.HorCursorsOn = CheckBoxes[1]->isChecked();
    item.GridOn = CheckBoxes[2]->isChecked();
    item.InfoOn = CheckBoxes[3]->isChecked();
    item.OverrideColors = CheckBoxes[4]->isChecked();
    item.QuickViewOn = false;
    item.OutputFormat = ComboBox1->currentIndex();
}

bool TManageExportsAsImageForm::PickColor(TColor &color) {
    return ChooseColor(*ColorDialog1, color);
}

void TManageExportsAsImageForm::ShapeArrayTarn1ShapeClick(TShapeArrayTarn &row, int32_t index) {
    TColor color = row.GetColor(index);
    if (PickColor(color))
        row.SetColor(index, color);
}

void TManageExportsAsImageForm::Shape1MouseDown(TColorShape &shape) {
    TColor color = shape.FillColor();
    if (PickColor(color))
        shape.SetFillColor(color);
}

} // namespace scope
