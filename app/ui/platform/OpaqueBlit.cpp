#include "platform/OpaqueBlit.h"

#include <QPaintEngine>
#include <QTransform>
#include <cstring>

namespace scope {

namespace {

bool Plain32(QImage::Format f) {
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32_Premultiplied ||
           f == QImage::Format_ARGB32;
}

// The painter's own image, where a row copy gives what drawing the image would: a translation only, the
// same pixel size and a 32-bit format with the bits of opaque pixels unchanged.
QImage *DirectTarget(QPainter &painter, const QImage &image, QPoint &offset) {
    QPaintEngine *engine = painter.paintEngine();
    QPaintDevice *device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image || !Plain32(image.format()))
        return nullptr;
    auto *target = static_cast<QImage *>(device);
    const QTransform t = painter.deviceTransform();
    if (t.type() > QTransform::TxTranslate || !Plain32(target->format()) || target->devicePixelRatio() != 1 ||
        image.devicePixelRatio() != 1)
        return nullptr;
    const QPointF d(t.dx(), t.dy());
    offset = d.toPoint();
    if (QPointF(offset) != d)
        return nullptr;
    return target;
}

} // namespace

void CopyOpaque(QPainter &painter, const QImage &image, const QRegion &region) {
    QPoint offset;
    QImage *target = DirectTarget(painter, image, offset);
    if (!target) {
        const QPainter::CompositionMode mode = painter.compositionMode();
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect &r : region)
            painter.drawImage(r.topLeft(), image, r);
        painter.setCompositionMode(mode);
        return;
    }
    // The painter's clip (the region being painted) is honoured by copying only inside it.
    QRegion clip = region & image.rect();
    if (painter.hasClipping())
        clip &= painter.clipRegion();
    // Written through the painter's own buffer: taking bits() could detach a shared image from it.
    auto *bits = const_cast<uchar *>(target->constBits());
    const qsizetype stride = target->bytesPerLine();
    const QRect bounds = target->rect().translated(-offset);
    for (const QRect &part : clip) {
        const QRect r = part & bounds;
        if (r.isEmpty())
            continue;
        const size_t bytes = size_t(r.width()) * 4;
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memcpy(bits + qsizetype(y + offset.y()) * stride + qsizetype(r.left() + offset.x()) * 4,
                        image.constScanLine(y) + qsizetype(r.left()) * 4, bytes);
    }
}

} // namespace scope
