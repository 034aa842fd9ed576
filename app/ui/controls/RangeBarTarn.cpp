#include "controls/RangeBarTarn.h"

#include "platform/QtColors.h"
#include "settings/SettingsTarn.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <cmath>
#include <cstdlib>

namespace scope {

TRangeBarTarn::TRangeBarTarn(QWidget *parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    resize(16, 129);
}

TRangeBarTarn::~TRangeBarTarn() {
    StopRepeat();
}

void TRangeBarTarn::SetSettings(TSettingsTarn *settings) {
    SettingsRef = settings;
    Redraw();
    update();
}

void TRangeBarTarn::SetChannelID(int32_t id) {
    Channel = id;
    Redraw();
    update();
}

void TRangeBarTarn::SetMinValue(int32_t v) {
    Min = v;
    Redraw();
    update();
}

void TRangeBarTarn::SetMaxValue(int32_t v) {
    Max = v;
    Redraw();
    update();
}

int32_t TRangeBarTarn::Clamp(int32_t v) const {
    // An inverted range pins everything to MinValue.
    if (v > Max)
        v = Max;
    if (v < Min)
        v = Min;
    return v;
}

void TRangeBarTarn::SetPosition(int32_t v) {
    v = Clamp(v);
    if (v == Pos)
        return;
    Pos = v;
    Redraw();
    repaint();
}

int TRangeBarTarn::RangeBarY(int32_t v) const {
    const int H = height();
    if (Max <= Min || H < 8)
        return H - 4;
    const int32_t product = (Max - v) * (H - 7);
    return static_cast<int>(std::nearbyint(static_cast<double>(product) / (Max - Min) + 3));
}

int32_t TRangeBarTarn::RangeBarValue(int y) const {
    const int H = height();
    if (Max <= Min || H < 8)
        return Min;
    return static_cast<int32_t>(
        std::nearbyint(Max - static_cast<double>(y - 3) / (H - 7) * (static_cast<double>(Max) - Min)));
}

int TRangeBarTarn::RangeBarRegion(int y) const {
    const int d = RangeBarY(Pos);
    if (std::abs(d - y) <= 6)
        return 1;
    return y < d ? 2 : 3;
}

void TRangeBarTarn::Redraw() {
    ++Redraws;
    const int w = width(), H = height();
    if (Image.size() != size())
        Image = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    QPainter p(&Image);
    p.fillRect(0, 0, w, H, palette().color(QPalette::Button));
    if (!SettingsRef)
        return;
    if (Channel < 0 || Channel >= SettingsRef->ChannelCount) {
        p.setPen(Qt::black);
        p.drawLine(0, 0, w, H);
        p.drawLine(w, 0, 0, H);
        return;
    }
    TColor colour = 0x808080;
    if (SettingsRef->Options) {
        const TColorList colours = SettingsRef->Options->GetColorArray(opColorChannels);
        if (static_cast<size_t>(Channel) < colours.size())
            colour = colours[static_cast<size_t>(Channel)];
    }
    const QColor channel = ToQColor(colour);
    const int cx = w / 2, d = RangeBarY(Pos);
    // Slot with a one-pixel sunken edge: dark above and left, light below and right.
    const QRect slot(QPoint(cx - 3, RangeBarY(Max)), QPoint(cx + 2, RangeBarY(Min) - 1));
    p.fillRect(slot, channel);
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(slot.topLeft(), slot.topRight());
    p.drawLine(slot.topLeft(), slot.bottomLeft());
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(slot.bottomLeft(), slot.bottomRight());
    p.drawLine(slot.topRight(), slot.bottomRight());
    // Pointer: two triangles joined by a line, filled black while hovered.
    p.setPen(Qt::black);
    p.setBrush(Hover == 1 ? QColor(Qt::black) : channel);
    const QPoint left[] = {{cx - 4, d}, {cx - 8, d - 4}, {cx - 8, d + 4}};
    const QPoint right[] = {{cx + 3, d}, {cx + 7, d - 4}, {cx + 7, d + 4}};
    p.drawPolygon(left, 3);
    p.drawLine(cx - 4, d, cx + 4, d);
    p.drawPolygon(right, 3);
    p.setBrush(Qt::black);
    if (Hover == 2) {
        const QPoint up[] = {{cx + 3, d - 7}, {cx + 7, d - 7}, {cx + 5, d - 10}};
        p.drawPolygon(up, 3);
    } else if (Hover == 3) {
        const QPoint down[] = {{cx + 3, d + 7}, {cx + 7, d + 7}, {cx + 5, d + 10}};
        p.drawPolygon(down, 3);
    }
}

void TRangeBarTarn::paintEvent(QPaintEvent *) {
    if (Image.size() != size())
        Redraw();
    QPainter p(this);
    p.drawImage(0, 0, Image);
}

void TRangeBarTarn::mousePressEvent(QMouseEvent *event) {
    event->accept();
    const int y = static_cast<int>(event->position().y());
    Press = RangeBarRegion(y);
    if (Press == psUp || Press == psDown) {
        StopRepeat();
        Timer = new QTimer(this);
        connect(Timer, &QTimer::timeout, this, &TRangeBarTarn::Step);
        const QPointer<TRangeBarTarn> self(this);
        Step();
        if (self && Timer) {
            Timer->setInterval(FirstDelayMs);
            Timer->start();
        }
    }
}

void TRangeBarTarn::Step() {
    if (Timer && Timer->interval() == FirstDelayMs)
        Timer->setInterval(RepeatMs);
    if (Press == psUp)
        Pos = Clamp(Pos + 1);
    else if (Press == psDown)
        Pos = Clamp(Pos - 1);
    const QPointer<TRangeBarTarn> self(this);
    emit OnChange();
    if (!self)
        return;
    Redraw();
    repaint();
}

void TRangeBarTarn::MouseMoveAt(int y) {
    if (Press == psNone) {
        const int region = RangeBarRegion(y);
        if (region != Hover) {
            Hover = region;
            Redraw();
            repaint();
        }
    } else if (Press == psDrag) {
        Pos = Clamp(RangeBarValue(y));
        const QPointer<TRangeBarTarn> self(this);
        emit OnChange();
        if (!self)
            return;
        Redraw();
        repaint();
    }
}

void TRangeBarTarn::mouseMoveEvent(QMouseEvent *event) {
    event->accept();
    MouseMoveAt(static_cast<int>(event->position().y()));
}

void TRangeBarTarn::mouseReleaseEvent(QMouseEvent *event) {
    event->accept();
    Press = psNone;
    MouseMoveAt(static_cast<int>(event->position().y()));
    StopRepeat();
}

void TRangeBarTarn::leaveEvent(QEvent *event) {
    if (Press == psNone) {
        Hover = 0;
        Redraw();
        repaint();
    }
    QWidget::leaveEvent(event);
}

void TRangeBarTarn::hideEvent(QHideEvent *event) {
    // Hidden while held: no release will come.
    Press = psNone;
    StopRepeat();
    QWidget::hideEvent(event);
}

void TRangeBarTarn::StopRepeat() {
    delete Timer;
    Timer = nullptr;
}

} // namespace scope
