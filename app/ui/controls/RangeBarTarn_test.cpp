#include "controls/RangeBarTarn.h"

#include "settings/SettingsTarn.h"
#include "testkit/ui/QtTestKit.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QTimerEvent>

#include <gtest/gtest.h>

namespace scope {

namespace {

void Mouse(QWidget &w, QEvent::Type type, int y, Qt::MouseButtons held = Qt::LeftButton) {
    const QPointF at(8, y);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, w.mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &e);
}

QColor Channel(TSettingsTarn &s, int id) {
    const TColor c = s.Options->GetColorArray(opColorChannels)[static_cast<size_t>(id)];
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

struct TRangeBarFixture : ::testing::Test {
    TRangeBarFixture() {
        DefaultInstrument(Settings);
        Bar.resize(16, 129);
        Bar.SetSettings(&Settings);
        Bar.SetChannelID(0);
        QObject::connect(&Bar, &TRangeBarTarn::OnChange, [this] { Changes.push_back(Bar.Position()); });
    }
    TTestAppFirst App;
    TSettingsTarn Settings;
    TRangeBarTarn Bar;
    std::vector<int32_t> Changes;
};

TEST_F(TRangeBarFixture, MapsValuesToRowsAndBack) {
    EXPECT_EQ(Bar.RangeBarY(4095), 3);
    EXPECT_EQ(Bar.RangeBarY(0), 125);
    EXPECT_EQ(Bar.RangeBarY(2048), 64);
    EXPECT_EQ(Bar.RangeBarValue(3), 4095);
    EXPECT_EQ(Bar.RangeBarValue(125), 0);
    for (int y : {3, 40, 64, 100, 125})
        EXPECT_EQ(Bar.RangeBarY(Bar.RangeBarValue(y)), y);
}

TEST_F(TRangeBarFixture, NoRangeOrNoRoomPutsThePointerAtTheBottomAndDragsGiveTheMinimum) {
    struct Case {
        int Min, Max, Height;
    };
    for (Case c : {Case{100, 100, 129}, Case{500, 100, 129}, Case{0, 4095, 7}, Case{0, 4095, 5}}) {
        SCOPED_TRACE(testing::Message() << c.Min << ".." << c.Max << " h " << c.Height);
        TRangeBarTarn bar;
        bar.resize(16, c.Height);
        bar.SetMinValue(c.Min);
        bar.SetMaxValue(c.Max);
        EXPECT_EQ(bar.RangeBarY(bar.Position()), c.Height - 4);
        EXPECT_EQ(bar.RangeBarValue(0), c.Min);
        bar.SetPosition(3000);
        EXPECT_EQ(bar.Position(), c.Max > c.Min ? std::min(3000, c.Max) : c.Min);
        EXPECT_FALSE(bar.grab().isNull());
    }
}

TEST_F(TRangeBarFixture, PressNearThePointerDragsAndBeyondTheEndsClamps) {
    Mouse(Bar, QEvent::MouseButtonPress, 64 + 6);
    EXPECT_EQ(Bar.PressState(), TRangeBarTarn::psDrag);
    EXPECT_EQ(Bar.RepeatTimer(), nullptr);
    EXPECT_TRUE(Changes.empty());
    Mouse(Bar, QEvent::MouseMove, 3);
    Mouse(Bar, QEvent::MouseMove, -40);
    Mouse(Bar, QEvent::MouseMove, 125);
    Mouse(Bar, QEvent::MouseMove, 400);
    EXPECT_EQ(Changes, (std::vector<int32_t>{4095, 4095, 0, 0}));
    Mouse(Bar, QEvent::MouseButtonRelease, 400, Qt::NoButton);
    EXPECT_EQ(Bar.PressState(), TRangeBarTarn::psNone);
    Mouse(Bar, QEvent::MouseMove, 10);
    EXPECT_EQ(Changes.size(), 4u);
}

TEST_F(TRangeBarFixture, PressAboveStepsUpWithRepeatAndBelowStepsDown) {
    Mouse(Bar, QEvent::MouseButtonPress, 64 - 7);
    EXPECT_EQ(Bar.PressState(), TRangeBarTarn::psUp);
    EXPECT_EQ(Changes, std::vector<int32_t>{2049});
    QTimer *timer = Bar.RepeatTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 500);
    ExpireTimer(timer);
    EXPECT_EQ(timer->interval(), 50);
    ExpireTimer(timer);
    EXPECT_EQ(Bar.Position(), 2051);
    Mouse(Bar, QEvent::MouseButtonRelease, 64 - 7, Qt::NoButton);
    EXPECT_EQ(Bar.RepeatTimer(), nullptr);
    Bar.SetPosition(1000);
    Changes.clear();
    Mouse(Bar, QEvent::MouseButtonPress, Bar.RangeBarY(1000) + 7);
    EXPECT_EQ(Bar.PressState(), TRangeBarTarn::psDown);
    ExpireTimer(Bar.RepeatTimer());
    EXPECT_EQ(Changes, (std::vector<int32_t>{999, 998}));
    Mouse(Bar, QEvent::MouseButtonRelease, 102, Qt::NoButton);
}

TEST_F(TRangeBarFixture, HoverShowsArrowsAndBlackPointerAndLeavingClearsThem) {
    const int cx = 8;
    Mouse(Bar, QEvent::MouseMove, 30, Qt::NoButton);
    EXPECT_EQ(Bar.HoverRegion(), 2);
    EXPECT_EQ(Bar.Bitmap().pixelColor(cx + 5, 64 - 8), QColor(Qt::black));
    Mouse(Bar, QEvent::MouseMove, 100, Qt::NoButton);
    EXPECT_EQ(Bar.HoverRegion(), 3);
    EXPECT_EQ(Bar.Bitmap().pixelColor(cx + 5, 64 + 8), QColor(Qt::black));
    EXPECT_NE(Bar.Bitmap().pixelColor(cx + 5, 64 - 8), QColor(Qt::black));
    Mouse(Bar, QEvent::MouseMove, 66, Qt::NoButton);
    EXPECT_EQ(Bar.HoverRegion(), 1);
    EXPECT_EQ(Bar.Bitmap().pixelColor(cx - 6, 64), QColor(Qt::black));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&Bar, &leave);
    EXPECT_EQ(Bar.HoverRegion(), 0);
    EXPECT_EQ(Bar.Bitmap().pixelColor(cx - 6, 64), Channel(Settings, 0));
    EXPECT_EQ(Bar.Bitmap().pixelColor(cx, 100), Channel(Settings, 0)); // the slot
}

TEST_F(TRangeBarFixture, ChannelBeyondTheChannelCountShowsACrossAndStillSteps) {
    Bar.SetChannelID(Settings.ChannelCount);
    const QImage &img = Bar.Bitmap();
    EXPECT_EQ(img.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(8, 64), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(8, 100), Bar.palette().color(QPalette::Button)); // no slot, no pointer
    EXPECT_EQ(img.pixelColor(8 - 6, 64), Bar.palette().color(QPalette::Button));
    Mouse(Bar, QEvent::MouseButtonPress, 20);
    Mouse(Bar, QEvent::MouseButtonRelease, 20, Qt::NoButton);
    EXPECT_EQ(Changes, std::vector<int32_t>{2049});
}

TEST_F(TRangeBarFixture, SettingThePositionNeverFiresAndAnEqualValueDrawsNothing) {
    const int drawn = Bar.RedrawCount();
    Bar.SetPosition(2048);
    EXPECT_EQ(Bar.RedrawCount(), drawn);
    Bar.SetPosition(5000);
    EXPECT_EQ(Bar.Position(), 4095);
    EXPECT_EQ(Bar.RedrawCount(), drawn + 1);
    Bar.SetPosition(-1);
    EXPECT_EQ(Bar.Position(), 0);
    EXPECT_TRUE(Changes.empty());
}

} // namespace

} // namespace scope
