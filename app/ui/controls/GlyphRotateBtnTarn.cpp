#include "controls/GlyphRotateBtnTarn.h"

#include "platform/QtColors.h"
#include "settings/SettingsTarn.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace scope {

TGlyphRotateBtnTarn::TGlyphRotateBtnTarn(QWidget *parent) : QWidget(parent) {
    resize(20, 15);
    setFocusPolicy(Qt::NoFocus);
}

void TGlyphRotateBtnTarn::SetGlyph(const QImage &glyph) {
    GlyphStrip = glyph.convertToFormat(QImage::Format_ARGB32);
    RebuildFrames();
    update();
}

void TGlyphRotateBtnTarn::SetGlyphAmount(int32_t amount) {
    Amount = amount < 0 ? 0 : amount;
    RebuildFrames();
    update();
}

void TGlyphRotateBtnTarn::SetSelectedItem(int32_t item) {
    if (item == Selected)
        return;
    Selected = Clamped(item);
    update();
}

void TGlyphRotateBtnTarn::SetSettings(TSettingsTarn *settings) {
    SettingsRef = settings;
    update();
}

void TGlyphRotateBtnTarn::SetChannelID(int32_t id) {
    Channel = id;
    update();
}

void TGlyphRotateBtnTarn::SetChannelColor(TColor color) {
    OwnColor = color;
    update();
}

void TGlyphRotateBtnTarn::SetChannelRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    Mark = QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1));
    update();
}

int32_t TGlyphRotateBtnTarn::Clamped(int32_t item) const {
    const int32_t n = FrameCount();
    if (n == 0)
        return -1;
    return item < 0 ? 0 : item > n - 1 ? n - 1 : item;
}

void TGlyphRotateBtnTarn::RebuildFrames() {
    Frames.clear();
    const int32_t n = Amount;
    const int w = n > 0 ? GlyphStrip.width() / n : 0;
    const int h = GlyphStrip.height() / 2;
    if (n > 0 && w > 0 && h > 0)
        for (int32_t i = 0; i < n; ++i)
            Frames.push_back({GlyphStrip.copy(w * i, 0, w, h), GlyphStrip.copy(w * i, h, w, h)});
    Selected = Clamped(Selected);
}

TColor TGlyphRotateBtnTarn::MarkColor() const {
    if (SettingsRef && SettingsRef->Options && Channel >= 0) {
        const TColorList colors = SettingsRef->Options->GetColorArray(opColorChannels);
        if (static_cast<size_t>(Channel) < colors.size())
            return colors[static_cast<size_t>(Channel)];
    }
    return OwnColor;
}

void TGlyphRotateBtnTarn::mousePressEvent(QMouseEvent *event) {
    event->accept();
    IsPressed = true;
    const int32_t n = FrameCount();
    if (n > 0)
        Selected = Clamped(Selected + 1 >= n ? 0 : Selected + 1);
    // The owner usually sets the item again from its settings; it may also free the button.
    const QPointer<TGlyphRotateBtnTarn> self(this);
    emit OnUserItemChange();
    if (self)
        update();
}

void TGlyphRotateBtnTarn::mouseReleaseEvent(QMouseEvent *event) {
    event->accept();
    IsPressed = false;
    update();
}

void TGlyphRotateBtnTarn::changeEvent(QEvent *event) {
    if (event->type() == QEvent::EnabledChange)
        update();
    QWidget::changeEvent(event);
}

void TGlyphRotateBtnTarn::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const int W = width(), H = height();
    p.fillRect(rect(), palette().color(QPalette::Button));
    // One-pixel edge: light top and left, dark bottom and right; the other way round while pressed.
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    p.setPen(IsPressed ? dark : light);
    p.drawLine(0, 0, W - 1, 0);
    p.drawLine(0, 0, 0, H - 1);
    p.setPen(IsPressed ? light : dark);
    p.drawLine(0, H - 1, W - 1, H - 1);
    p.drawLine(W - 1, 0, W - 1, H - 1);
    const int shift = IsPressed ? 1 : 0;
    if (Selected >= 0 && Selected < FrameCount()) {
        const TFrame &f = Frames[static_cast<size_t>(Selected)];
        const QImage &img = isEnabled() ? f.Enabled : f.Disabled;
        p.drawImage((W - img.width()) / 2 + shift, (H - img.height()) / 2 + shift, img);
    }
    if (isEnabled() && !Mark.isEmpty())
        p.fillRect(Mark.translated(shift, shift), ToQColor(MarkColor()));
}

} // namespace scope
