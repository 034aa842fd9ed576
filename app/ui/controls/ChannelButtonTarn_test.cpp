#include "controls/ChannelButtonTarn.h"
#include "platform/QtColors.h"
#include "settings/SettingsTarn.h"
#include "testkit/ui/QtTestKit.h"

#include <QImage>
#include <gtest/gtest.h>

namespace scope {
namespace {

QImage Grab(TChannelButtonTarn &b) {
    b.resize(30, 20);
    QImage img(b.size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    b.render(&img);
    return img;
}

TEST(ChannelButtonTarn, PaintsTheMarkInTheChannelColourGreyBeyondTheListAndShiftedWhenDown) {
    TestApp();
    TSettingsTarn settings;
    DefaultInstrument(settings);
    const TColorList colours = settings.Options->GetColorArray(opColorChannels);
    ASSERT_GE(colours.size(), 2u);
    TChannelButtonTarn b;
    b.setCheckable(true);
    b.SetChannelRect(4, 4, 10, 8);
    b.SetSettings(&settings);

    struct Case {
        int32_t Id;
        QColor Expected;
    } cases[] = {{1, ToQColor(colours[1])},
                 {int32_t(colours.size()), QColor(0x80, 0x80, 0x80)},
                 {-1, QColor(0x80, 0x80, 0x80)}};
    for (const Case &c : cases) {
        b.SetChannelID(c.Id);
        b.setChecked(false);
        QImage up = Grab(b);
        EXPECT_EQ(up.pixelColor(4, 4), c.Expected) << c.Id;
        EXPECT_EQ(up.pixelColor(9, 7), c.Expected) << c.Id;
        EXPECT_NE(up.pixelColor(10, 8), c.Expected) << c.Id;
        b.setChecked(true);
        QImage down = Grab(b);
        EXPECT_NE(down.pixelColor(4, 4), c.Expected) << c.Id;
        EXPECT_EQ(down.pixelColor(5, 5), c.Expected) << c.Id;
        EXPECT_EQ(down.pixelColor(10, 8), c.Expected) << c.Id;
    }
}

TEST(ChannelButtonTarn, WithoutSettingsOnlyTheButtonIsPainted) {
    TestApp();
    TChannelButtonTarn plain, bare, marked;
    TSettingsTarn settings;
    marked.SetChannelRect(4, 4, 10, 8);
    marked.SetSettings(&settings);
    plain.SetChannelRect(4, 4, 10, 8);
    EXPECT_EQ(Grab(plain), Grab(bare));
    EXPECT_NE(Grab(plain), Grab(marked));
}

} // namespace
} // namespace scope
