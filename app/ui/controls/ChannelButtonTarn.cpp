#include "controls/ChannelButtonTarn.h"

#include "platform/QtColors.h"
#include "settings/SettingsTarn.h"

#include <QPainter>

namespace scope {

namespace {
constexpr uint32_t Grey = 0x808080;
}

TChannelButtonTarn::TChannelButtonTarn(QWidget *parent) : QToolButton(parent) {}

void TChannelButtonTarn::SetChannelID(int32_t id) {
    Channel = id;
    update();
}

void TChannelButtonTarn::SetChannelRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    X1 = x1;
    Y1 = y1;
    X2 = x2;
    Y2 = y2;
    update();
}

void TChannelButtonTarn::SetSettings(TSettingsTarn *settings) {
    SettingsRef = settings;
    update();
}

uint32_t TChannelButtonTarn::MarkColor() const {
    if (!SettingsRef || !SettingsRef->Options)
        return Grey;
    const TColorList colours = SettingsRef->Options->GetColorArray(opColorChannels);
    return Channel >= 0 && size_t(Channel) < colours.size() ? colours[size_t(Channel)] : Grey;
}

void TChannelButtonTarn::paintEvent(QPaintEvent *event) {
    QToolButton::paintEvent(event);
    if (!SettingsRef || X2 <= X1 || Y2 <= Y1)
        return;
    // The mark moves with the face while the button is pressed or down.
    const int shift = (isDown() || isChecked()) ? 1 : 0;
    QPainter p(this);
    p.fillRect(QRect(X1 + shift, Y1 + shift, X2 - X1, Y2 - Y1), ToQColor(MarkColor()));
}

} // namespace scope
