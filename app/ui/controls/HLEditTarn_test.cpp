#include "controls/HLEditTarn.h"

#include "testkit/ui/QtTestKit.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QStringList>

#include <gtest/gtest.h>

namespace scope {

namespace {

void Key(QWidget &w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString &text = {}) {
    QKeyEvent e(QEvent::KeyPress, key, mods, text);
    QCoreApplication::sendEvent(&w, &e);
}

struct THLEditFixture : ::testing::Test {
    THLEditFixture() {
        Window = Edit.palette().color(QPalette::Base);
        QObject::connect(&Edit, &THLEditTarn::OnUserEnter, [this](const QString &t) { Entered << t; });
        Edit.SetText("10");
    }
    TTestAppFirst App;
    bool Red() const { return Edit.palette().color(QPalette::Base) == QColor(255, 0, 0); }
    THLEditTarn Edit;
    QColor Window;
    QStringList Entered;
};

TEST_F(THLEditFixture, BoxIsRedOnlyWhileItDiffersFromTheCommittedText) {
    EXPECT_EQ(Edit.alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_FALSE(Red());
    Edit.setText("105");
    EXPECT_TRUE(Red());
    EXPECT_EQ(Edit.Text(), "10"); // reading gives the committed text
    Edit.setText("10");
    EXPECT_FALSE(Red());
    EXPECT_EQ(Edit.palette().color(QPalette::Base), Window);
    Edit.setText("7");
    Edit.SetText("7"); // committing the shown text clears the red
    EXPECT_FALSE(Red());
    EXPECT_EQ(Edit.Text(), "7");
}

TEST_F(THLEditFixture, SettingTheCommittedTextAgainChangesNothingUnlessForced) {
    Edit.setText("12");
    Edit.SetText("10"); // equal to the committed text: the typed text stays
    EXPECT_EQ(Edit.text(), "12");
    EXPECT_TRUE(Red());
    Edit.ForceNextText();
    Edit.SetText("10");
    EXPECT_EQ(Edit.text(), "10");
    EXPECT_FALSE(Red());
    // The force is used up.
    Edit.setText("12");
    Edit.SetText("10");
    EXPECT_EQ(Edit.text(), "12");
}

TEST_F(THLEditFixture, EnterAndKeypadEnterFireWithTheTypedText) {
    Key(Edit, Qt::Key_Return);
    Edit.setText("2,5");
    Key(Edit, Qt::Key_Enter, Qt::KeypadModifier);
    Key(Edit, Qt::Key_A, Qt::NoModifier, "a");
    Key(Edit, Qt::Key_Escape);
    EXPECT_EQ(Entered, (QStringList{"10", "2,5"}));
    EXPECT_EQ(Edit.text(), "2,5a");
    EXPECT_EQ(Edit.Text(), "10");
}

} // namespace

} // namespace scope
