#include "platform/OpaqueBlit.h"

#include "testkit/ui/QtTestKit.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace scope {
namespace {

QImage Pattern(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, 0xFF000000u | uint32_t(x * 7919 + y * 104729));
    return image;
}

// What the painter itself gives: the reference the row copy must match pixel for pixel.
QImage ByPainter(const QImage &source, QImage target, const QTransform &t, const QRegion &region) {
    QPainter p(&target);
    p.setTransform(t);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect &r : region)
        p.drawImage(r.topLeft(), source, r);
    return target;
}

QImage ByCopy(const QImage &source, QImage target, const QTransform &t, const QRegion &region,
              const QRegion *clip = nullptr) {
    QPainter p(&target);
    p.setTransform(t);
    if (clip)
        p.setClipRegion(*clip);
    CopyOpaque(p, source, region);
    return target;
}

TEST(OpaqueBlit, CopiesTheRegionAsThePainterWould) {
    TestApp();
    const QImage source = Pattern(60, 40);
    struct Case {
        const char *what;
        QImage::Format format;
        QTransform transform;
        QRegion region;
    };
    QRegion strips = QRegion(0, 0, 10, 40) + QRegion(20, 5, 15, 10) + QRegion(50, 30, 10, 10);
    const Case cases[] = {
        {"whole image, premultiplied target", QImage::Format_ARGB32_Premultiplied, {}, QRegion(0, 0, 60, 40)},
        {"strips, moved within a window", QImage::Format_ARGB32_Premultiplied, QTransform::fromTranslate(7, 3),
         strips},
        {"partly outside the target", QImage::Format_RGB32, QTransform::fromTranslate(40, 25), strips},
        {"outside the image", QImage::Format_RGB32, {}, QRegion(50, 30, 40, 40)},
        {"scaled: through the painter", QImage::Format_RGB32, QTransform::fromScale(2, 2), strips},
        {"16-bit target: through the painter", QImage::Format_RGB16, QTransform::fromTranslate(1, 1), strips},
    };
    for (const Case &c : cases) {
        QImage blank(80, 60, c.format);
        blank.fill(Qt::gray);
        EXPECT_EQ(ByCopy(source, blank, c.transform, c.region), ByPainter(source, blank, c.transform, c.region))
            << c.what;
    }
}

TEST(OpaqueBlit, KeepsToThePaintersClip) {
    TestApp();
    const QImage source = Pattern(60, 40);
    QImage blank(60, 40, QImage::Format_ARGB32_Premultiplied);
    blank.fill(Qt::gray);
    const QRegion clip(10, 10, 20, 20);
    const QImage copied = ByCopy(source, blank, {}, QRegion(0, 0, 60, 40), &clip);
    EXPECT_EQ(copied.pixel(15, 15), source.pixel(15, 15));
    EXPECT_EQ(copied.pixel(5, 5), QColor(Qt::gray).rgb());
    EXPECT_EQ(copied.pixel(35, 35), QColor(Qt::gray).rgb());
}

} // namespace
} // namespace scope
