// Copies an opaque 32-bit bitmap into what a painter paints on. Where that is a plain 32-bit image (a
// window's backing store) the rows are copied as they are: no blend, no per-paint conversion and no
// helper threads; anything else (a scaled or rotated painter, another format) goes through the painter.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRegion>

namespace scope {

// Copies the pixels of `image` under `region` (the painter's coordinates, image at the origin).
void CopyOpaque(QPainter &painter, const QImage &image, const QRegion &region);

} // namespace scope
