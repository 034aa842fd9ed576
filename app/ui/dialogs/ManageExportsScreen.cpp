#include "dialogs/ManageExportsScreen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace scope {

namespace {

constexpr int GroupWidth = 310, GroupHeight = 214;
constexpr int LabelLeft = 10, FieldLeft = 64, FieldWidth = GroupWidth - FieldLeft - 10, RowStep = 28;

} // namespace

TManageExportsForm::TManageExportsForm(QWidget *parent) : TPresetListDialog(parent) {
    setObjectName("ManageExportsForm");
    auto label = [this](const char *text, int top) {
        auto *l = new QLabel(QString::fromLatin1(text), GroupBox1);
        l->move(LabelLeft, top + 3);
        l->adjustSize();
    };
    auto combo = [this](const char *name, int top) {
        auto *c = new QComboBox(GroupBox1);
        c->setObjectName(name);
        c->setGeometry(FieldLeft, top, FieldWidth, 22);
        return c;
    };
    int top = 22;
    label("Name:", top);
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(FieldLeft, top, FieldWidth, 22);
    top += RowStep;
    label("Units:", top);
    ComboBox1 = combo("ComboBox1", top);
    top += RowStep;
    label("Area:", top);
    ComboBox2 = combo("ComboBox2", top);
    top += RowStep;
    label("Style:", top);
    ComboBox3 = combo("ComboBox3", top);
    top += RowStep;
    label("Source:", top);
    for (size_t i = 0; i < Sources.size(); ++i) {
        Sources[i] = new QCheckBox(GroupBox1);
        Sources[i]->setObjectName(QString("CheckBox%1").arg(i + 1));
        Sources[i]->setGeometry(FieldLeft + int(i % 2) * (FieldWidth / 2), top + int(i / 2) * 20,
                                FieldWidth / 2, 20);
    }
    top += RowStep + 20;
    label("Target:", top);
    ComboBox4 = combo("ComboBox4", top);
    PlaceControls(GroupWidth, GroupHeight);
    LoadCaptions();
}

void TManageExportsForm::LoadCaptions() {
    setWindowTitle("Manage exports");
    ComboBox1->addItems({"mV", "V", "Points"});
    ComboBox2->addItems({"Whole memory", "Screen", "Vertical cursors"});
    ComboBox3->addItems({"No time", "Time in us"});
    ComboBox4->addItems({"Clipboard", "File"});
    const char *const channels[] = {"Channel A", "Channel B", "Channel C", "Channel D"};
    for (size_t i = 0; i < Sources.size(); ++i)
        Sources[i]->setText(channels[i]);
}

void TManageExportsForm::ShowItem(const TExportOption &item) {
    Edit1->setText(QString::fromStdString(item.PresetName));
    // A value outside a list leaves its box empty.
    auto show = [](QComboBox *box, int32_t value) {
        box->setCurrentIndex(value >= 0 && value < box->count() ? value : -1);
    };
    show(ComboBox1, item.Units);
    show(ComboBox2, item.Area);
    show(ComboBox3, item.Style);
    show(ComboBox4, item.Target);
    for (size_t i = 0; i < Sources.size(); ++i)
        Sources[i]->setChecked(item.Source & (1 << i));
}

void TManageExportsForm::ReadItem(TExportOption &item) {
    item.PresetName = Edit1->text().toStdString();
    item.Units = ComboBox1->currentIndex();
    item.Area = ComboBox2->currentIndex();
    item.Style = ComboBox3->currentIndex();
    item.Target = ComboBox4->currentIndex();
    item.Source = 0;
    for (size_t i = 0; i < Sources.size(); ++i)
        if (Sources[i]->isChecked())
            item.Source |= 1 << i;
}

} // namespace scope
