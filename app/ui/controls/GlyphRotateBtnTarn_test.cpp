#include "controls/GlyphRotateBtnTarn.h"

#include "settings/SettingsTarn.h"
#include "testkit/ui/QtTestKit.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

#include <gtest/gtest.h>

namespace scope {

namespace {

const QColor Frame0(255, 0, 0), Frame1(0, 255, 0), Grey0(90, 90, 90), Grey1(160, 160, 160);

// Two 8x6 frames: enabled looks red and green on top, disabled looks two greys below.
QImage Strip() {
    QImage strip(16, 12, QImage::Format_ARGB32);
    QPainter p(&strip);
    p.fillRect(0, 0, 8, 6, Frame0);
    p.fillRect(8, 0, 8, 6, Frame1);
    p.fillRect(0, 6, 8, 6, Grey0);
    p.fillRect(8, 6, 8, 6, Grey1);
    return strip;
}

QColor Centre(QWidget &w) {
    return w.grab().toImage().pixelColor(w.width() / 2, w.height() / 2);
}
QColor At(QWidget &w, int x, int y) {
    return w.grab().toImage().pixelColor(x, y);
}

struct TGlyphFixture : ::testing::Test {
    TGlyphFixture() {
        Button.SetGlyph(Strip());
        Button.SetGlyphAmount(2);
        Button.SetChannelColor(0x00FF0000); // blue in 0x00BBGGRR
        Button.SetChannelRect(1, 1, 4, 4);
        QObject::connect(&Button, &TGlyphRotateBtnTarn::OnUserItemChange,
                         [this] { Seen.push_back(Button.SelectedItem()); });
    }
    TTestAppFirst App;
    TGlyphRotateBtnTarn Button;
    std::vector<int32_t> Seen;
};

TEST_F(TGlyphFixture, ClicksWrapThroughTheFramesAndPaintTheEnabledLook) {
    EXPECT_EQ(Button.width(), 20);
    EXPECT_EQ(Button.height(), 15);
    EXPECT_EQ(Button.SelectedItem(), 0); // clamped from -1 once there are frames
    EXPECT_EQ(Centre(Button), Frame0);
    LeftClick(&Button, QPointF(3, 3));
    EXPECT_EQ(Centre(Button), Frame1);
    LeftClick(&Button, QPointF(3, 3));
    EXPECT_EQ(Centre(Button), Frame0);
    EXPECT_EQ(Seen, (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(At(Button, 2, 2), QColor(0, 0, 255));
}

TEST_F(TGlyphFixture, DisabledButtonDrawsTheBottomHalfAndNoMark) {
    Button.SetSelectedItem(1);
    Button.setEnabled(false);
    EXPECT_EQ(Centre(Button), Grey1);
    EXPECT_EQ(At(Button, 2, 2), Button.palette().color(QPalette::Button));
    Button.SetSelectedItem(0);
    EXPECT_EQ(Centre(Button), Grey0);
}

TEST_F(TGlyphFixture, MarkTakesTheChannelColourWhenThereIsOneAndItsOwnColourOtherwise) {
    TSettingsTarn settings;
    DefaultInstrument(settings);
    const TColorList channels = settings.Options->GetColorArray(opColorChannels);
    ASSERT_GE(channels.size(), 2u);
    Button.SetSettings(&settings);
    Button.SetChannelID(1);
    EXPECT_EQ(Button.MarkColor(), channels[1]);
    const TColor c = channels[1];
    EXPECT_EQ(At(Button, 2, 2), QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
    Button.SetChannelID(static_cast<int32_t>(channels.size()));
    EXPECT_EQ(Button.MarkColor(), 0x00FF0000u);
    Button.SetChannelID(-1);
    EXPECT_EQ(Button.MarkColor(), 0x00FF0000u);
}

TEST_F(TGlyphFixture, WithoutFramesOnlyTheFaceAndMarkAreDrawnAndClicksStillTell) {
    Button.SetGlyphAmount(0);
    EXPECT_EQ(Button.SelectedItem(), -1);
    EXPECT_EQ(Centre(Button), Button.palette().color(QPalette::Button));
    EXPECT_EQ(At(Button, 2, 2), QColor(0, 0, 255));
    LeftClick(&Button, QPointF(3, 3));
    EXPECT_EQ(Seen, std::vector<int32_t>{-1});
    // More frames than the strip is wide gives no frames rather than empty ones.
    Button.SetGlyphAmount(40);
    EXPECT_EQ(Button.FrameCount(), 0);
    EXPECT_EQ(Button.SelectedItem(), -1);
}

} // namespace

} // namespace scope
