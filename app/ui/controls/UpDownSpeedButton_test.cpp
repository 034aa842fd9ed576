#include "controls/UpDownSpeedButton.h"

#include "testkit/ui/QtTestKit.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QTimerEvent>

#include <gtest/gtest.h>

namespace scope {

namespace {

void Mouse(QWidget &w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
    const QPointF at(5, 5);
    QMouseEvent e(type, at, w.mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &e);
}

struct TUpDownFixture : ::testing::Test {
    TUpDownFixture() {
        QObject::connect(&Button, &TUpDownSpeedButton::OnUpDown, [this] { ++Steps; });
        Button.resize(20, 20);
    }
    TTestAppFirst App;
    TUpDownSpeedButton Button;
    int Steps = 0;
};

TEST_F(TUpDownFixture, HeldForOneSecondStepsAtOnceAfterHalfASecondThenEveryFiftyMs) {
    Mouse(Button, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(Steps, 1);
    QTimer *timer = Button.RepeatTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 500);
    ExpireTimer(timer); // 500 ms
    EXPECT_EQ(Steps, 2);
    EXPECT_EQ(timer->interval(), 50);
    int elapsed = 500;
    while (elapsed + timer->interval() <= 1000) {
        ExpireTimer(timer);
        elapsed += timer->interval();
    }
    EXPECT_EQ(Steps, 1 + 1 + 10);
    Mouse(Button, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(Button.RepeatTimer(), nullptr);
    EXPECT_EQ(Steps, 12);
}

TEST_F(TUpDownFixture, AnyMouseButtonStepsAndASecondPressLeavesNoTimerAfterRelease) {
    Mouse(Button, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(Steps, 1);
    QTimer *first = Button.RepeatTimer();
    ASSERT_NE(first, nullptr);
    Mouse(Button, QEvent::MouseButtonPress, Qt::LeftButton, Qt::RightButton | Qt::LeftButton);
    EXPECT_EQ(Steps, 2);
    EXPECT_EQ(Button.findChildren<QTimer *>().size(), 1);
    Mouse(Button, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::RightButton);
    EXPECT_EQ(Button.RepeatTimer(), nullptr);
    EXPECT_TRUE(Button.findChildren<QTimer *>().isEmpty());
    Mouse(Button, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(Button.RepeatTimer(), nullptr);
    EXPECT_EQ(Steps, 2);
}

TEST_F(TUpDownFixture, HidingTheHeldButtonStopsTheRepeat) {
    Button.show();
    Mouse(Button, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    ASSERT_NE(Button.RepeatTimer(), nullptr);
    Button.hide();
    EXPECT_EQ(Button.RepeatTimer(), nullptr);
}

} // namespace

} // namespace scope
