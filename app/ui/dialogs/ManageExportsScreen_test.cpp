#include "dialogs/ManageExportsScreen.h"

#include "settings/SettingsTarn.h"
#include "testkit/ui/QtTestKit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>

namespace scope {

namespace {

class TScriptedManageExports : public TManageExportsForm {
public:
    using TManageExportsForm::TManageExportsForm;
    std::function<int()> WhileShown;

protected:
    int ShowModal() override { return WhileShown(); }
};

std::vector<std::string> Names(const TExportArrayOption &list) {
    std::vector<std::string> n;
    for (const auto &e : list.List)
        n.push_back(e->PresetName);
    return n;
}

std::vector<std::string> ListedNames(const QListWidget &box) {
    std::vector<std::string> n;
    for (int i = 0; i < box.count(); ++i)
        n.push_back(box.item(i)->text().toStdString());
    return n;
}

std::vector<std::string> Items(const QComboBox &box) {
    std::vector<std::string> n;
    for (int i = 0; i < box.count(); ++i)
        n.push_back(box.itemText(i).toStdString());
    return n;
}

struct ManageExportsFixture : ::testing::Test {
    ManageExportsFixture() {
        List.Name = "DefinedExport";
        Buffer.Name = "DefaultExport";
        Buffer.SetFromText("Buffer;1;2;1;1;5;");
        for (const char *text : {"One;0;0;0;0;1;", "Two;1;1;1;1;2;", "Three;2;2;0;0;15;"}) {
            auto e = std::make_unique<TExportOption>();
            e->SetFromText(text);
            List.Add(std::move(e));
        }
    }
    // Types a preset into the editor fields.
    void Type(const std::string &name, int units, int area, int style, int target, int source) {
        Form.Edit1->setText(QString::fromStdString(name));
        Form.ComboBox1->setCurrentIndex(units);
        Form.ComboBox2->setCurrentIndex(area);
        Form.ComboBox3->setCurrentIndex(style);
        Form.ComboBox4->setCurrentIndex(target);
        for (size_t i = 0; i < 4; ++i)
            Form.Sources[i]->setChecked(source & (1 << i));
    }
    void Click(int row) {
        Form.ListBox1->setCurrentRow(row);
        Form.ListBox1Click();
    }
    // A mouse event on the list box's viewport at a point given in list-box coordinates.
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QWidget *viewport = Form.ListBox1->viewport();
        const QPoint local = viewport->mapFrom(Form.ListBox1, at);
        QMouseEvent e(type, local, viewport->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(viewport, &e);
    }
    QPoint RowCentre(int row) {
        const QRect r = Form.ListBox1->visualItemRect(Form.ListBox1->item(row));
        return Form.ListBox1->viewport()->mapTo(Form.ListBox1, r.center());
    }

    TTestAppFirst AppFirst;
    TExportArrayOption List;
    TExportOption Buffer;
    TScriptedManageExports Form;
};

TEST_F(ManageExportsFixture, ControlsCarryTheirTextsAndItems) {
    EXPECT_EQ(Form.windowTitle(), "Manage exports");
    EXPECT_EQ(Form.GroupBox1->title(), "Export options");
    EXPECT_EQ(Form.Button5->text(), "Update selected");
    EXPECT_EQ(Form.Button1->text(), "Add");
    EXPECT_EQ(Form.Button2->text(), "Remove selected");
    EXPECT_EQ(Form.OKButton->text(), "OK");
    EXPECT_EQ(Form.CancelButton->text(), "Cancel");
    std::vector<std::string> labels;
    for (QLabel *l : Form.GroupBox1->findChildren<QLabel *>())
        labels.push_back(l->text().toStdString());
    EXPECT_EQ(labels, (std::vector<std::string>{"Name:", "Units:", "Area:", "Style:", "Source:", "Target:"}));
    EXPECT_EQ(Items(*Form.ComboBox1), (std::vector<std::string>{"mV", "V", "Points"}));
    EXPECT_EQ(Items(*Form.ComboBox2),
              (std::vector<std::string>{"Whole memory", "Screen", "Vertical cursors"}));
    EXPECT_EQ(Items(*Form.ComboBox3), (std::vector<std::string>{"No time", "Time in us"}));
    EXPECT_EQ(Items(*Form.ComboBox4), (std::vector<std::string>{"Clipboard", "File"}));
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(Form.Sources[i]->text().toStdString(), std::string("Channel ") + char('A' + i));
    // Every control lies inside the dialog.
    for (QWidget *w : Form.findChildren<QWidget *>())
        if (w->parentWidget() == &Form)
            EXPECT_TRUE(Form.rect().contains(w->geometry())) << w->objectName().toStdString();
}

TEST_F(ManageExportsFixture, FieldsShowAndReadEveryPresetField) {
    TExportOption in, out;
    in.SetFromText("Every field;2;1;1;1;10;");
    Form.ShowItem(in);
    EXPECT_EQ(Form.Edit1->text(), "Every field");
    EXPECT_EQ(Form.ComboBox1->currentText(), "Points");
    EXPECT_EQ(Form.ComboBox2->currentText(), "Screen");
    EXPECT_EQ(Form.ComboBox3->currentText(), "Time in us");
    EXPECT_EQ(Form.ComboBox4->currentText(), "File");
    EXPECT_FALSE(Form.Sources[0]->isChecked());
    EXPECT_TRUE(Form.Sources[1]->isChecked());
    EXPECT_TRUE(Form.Sources[3]->isChecked());
    Form.ReadItem(out);
    EXPECT_EQ(out.PresetName, "Every field");
    EXPECT_EQ(std::vector<int32_t>({out.Units, out.Area, out.Style, out.Target, out.Source}),
              std::vector<int32_t>({2, 1, 1, 1, 10}));
}

TEST_F(ManageExportsFixture, OkTakesTheWorkingListAndKeepsTheFields) {
    Form.WhileShown = [&] {
        // Opened with the buffer's fields and nothing selected.
        EXPECT_EQ(Form.Edit1->text(), "Buffer");
        EXPECT_EQ(Form.SelectedIndex(), -1);
        EXPECT_EQ(ListedNames(*Form.ListBox1), (std::vector<std::string>{"One", "Two", "Three"}));
        // Selecting shows the item and leaves the buffer alone.
        Click(1);
        EXPECT_EQ(Form.Edit1->text(), "Two");
        EXPECT_EQ(Form.ComboBox4->currentIndex(), 1);
        EXPECT_EQ(Form.BufferItem().PresetName, "Buffer");
        Type("Four", 1, 2, 1, 1, 3);
        Form.Button1->click();
        EXPECT_EQ(Form.SelectedIndex(), 3);
        // Update selected replaces item 0 and keeps it selected.
        Click(0);
        Type("Uno", 2, 0, 0, 0, 1);
        Form.Button5->click();
        EXPECT_EQ(Form.SelectedIndex(), 0);
        EXPECT_EQ(Names(List), (std::vector<std::string>{"One", "Two", "Three"}));
        Type("Last typed", 0, 1, 1, 0, 8);
        return int(QDialog::Accepted);
    };
    EXPECT_TRUE(Form.EditExports(List, Buffer));
    EXPECT_EQ(Names(List), (std::vector<std::string>{"Uno", "Two", "Three", "Four"}));
    EXPECT_EQ(List.List[3]->Area, 2);
    EXPECT_EQ(List.List[0]->Units, 2);
    EXPECT_EQ(Buffer.PresetName, "Last typed");
    EXPECT_EQ(Buffer.Source, 8);
    EXPECT_EQ(Form.WorkingList().Count(), 0);
}

TEST_F(ManageExportsFixture, CancelKeepsTheListButOffersTheFieldsTypedLast) {
    Form.WhileShown = [&] {
        for (const char *name : {"a", "b", "c"}) {
            Type(name, 0, 0, 0, 0, 1);
            Form.Button1->click();
        }
        EXPECT_EQ(ListedNames(*Form.ListBox1).size(), 6u);
        return int(QDialog::Rejected);
    };
    EXPECT_FALSE(Form.EditExports(List, Buffer));
    EXPECT_EQ(Names(List), (std::vector<std::string>{"One", "Two", "Three"}));
    EXPECT_EQ(Buffer.PresetName, "c");

    TScriptedManageExports again;
    again.WhileShown = [&] {
        EXPECT_EQ(again.Edit1->text(), "c");
        EXPECT_EQ(ListedNames(*again.ListBox1).size(), 3u);
        return int(QDialog::Rejected);
    };
    again.EditExports(List, Buffer);
}

TEST_F(ManageExportsFixture, RemoveAndUpdateFollowTheSelection) {
    Form.WhileShown = [&] {
        // Nothing selected: update and remove do nothing.
        Type("x", 0, 0, 0, 0, 1);
        Form.Button5->click();
        Form.Button2->click();
        EXPECT_EQ(ListedNames(*Form.ListBox1), (std::vector<std::string>{"One", "Two", "Three"}));
        // The last item: the new last is selected.
        Click(2);
        Form.Button2->click();
        EXPECT_EQ(Form.SelectedIndex(), 1);
        Click(0);
        Form.Button2->click();
        EXPECT_EQ(ListedNames(*Form.ListBox1), (std::vector<std::string>{"Two"}));
        EXPECT_EQ(Form.SelectedIndex(), 0);
        // The only item: nothing is selected afterwards.
        Form.Button2->click();
        EXPECT_EQ(Form.ListBox1->count(), 0);
        EXPECT_EQ(Form.SelectedIndex(), -1);
        return int(QDialog::Accepted);
    };
    EXPECT_TRUE(Form.EditExports(List, Buffer));
    EXPECT_EQ(List.Count(), 0);
}

TEST_F(ManageExportsFixture, DraggingReordersAndADropOutsideRestores) {
    Form.WhileShown = [&] {
        Form.resize(Form.size());
        // The first item dragged below the last one, dropped on the list: it is last now.
        const QPoint below(RowCentre(2).x(), Form.ListBox1->height() - 4);
        Mouse(QEvent::MouseButtonPress, RowCentre(0), Qt::LeftButton);
        Form.ListBox1Click();
        Mouse(QEvent::MouseMove, RowCentre(0) + QPoint(0, 12), Qt::LeftButton);
        Mouse(QEvent::MouseMove, below, Qt::LeftButton);
        EXPECT_EQ(ListedNames(*Form.ListBox1), (std::vector<std::string>{"Two", "Three", "One"}));
        EXPECT_EQ(Form.SelectedIndex(), 2);
        Mouse(QEvent::MouseButtonRelease, below, Qt::NoButton);
        EXPECT_EQ(ListedNames(*Form.ListBox1), (std::vector<std::string>{"Two", "Three", "One"}));

        // "Three" up to the top, then out of the list box and released there: the order before it.
        Mouse(QEvent::MouseButtonPress, RowCentre(1), Qt::LeftButton);
        Mouse(QEvent::MouseMove, RowCentre(0), Qt::LeftButton);
        EXPECT_EQ(ListedNames(*Form.ListBox1), (std::vector<std::string>{"Three", "Two", "One"}));
        const QPoint outside(Form.ListBox1->width() + 40, RowCentre(2).y());
        Mouse(QEvent::MouseMove, outside, Qt::LeftButton);
        EXPECT_EQ(ListedNames(*Form.ListBox1), (std::vector<std::string>{"Three", "Two", "One"}));
        Mouse(QEvent::MouseButtonRelease, outside, Qt::NoButton);
        EXPECT_EQ(ListedNames(*Form.ListBox1), (std::vector<std::string>{"Two", "Three", "One"}));
        EXPECT_FALSE(Form.DragReordered());

        // A plain click is no drag.
        Mouse(QEvent::MouseButtonPress, RowCentre(1), Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, RowCentre(1), Qt::NoButton);
        EXPECT_EQ(ListedNames(*Form.ListBox1), (std::vector<std::string>{"Two", "Three", "One"}));
        return int(QDialog::Accepted);
    };
    EXPECT_TRUE(Form.EditExports(List, Buffer));
    EXPECT_EQ(Names(List), (std::vector<std::string>{"Two", "Three", "One"}));
}

} // namespace

} // namespace scope
