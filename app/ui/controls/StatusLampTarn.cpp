#include "controls/StatusLampTarn.h"

#include "platform/QtColors.h"

#include <QPainter>

namespace scope {

TStatusLampTarn::TStatusLampTarn(QWidget *parent) : QWidget(parent) {
    resize(14, 14);
    // The lamp changes with every record: filling its own background keeps the group box beneath from
    // being repainted each time.
    setAutoFillBackground(true);
}

void TStatusLampTarn::SetBrushColor(TColor color) {
    if (color == Brush)
        return;
    Brush = color;
    // Up to three colours a record: more than one repaint a display frame shows nothing more, and each
    // costs the window a flush of its own.
    Frame.Request();
}

void TStatusLampTarn::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(ToQColor(Brush));
    const int d = std::min(width(), height()) - 1;
    p.drawEllipse(QRectF((width() - 1 - d) / 2.0, (height() - 1 - d) / 2.0, d, d));
}

} // namespace scope
