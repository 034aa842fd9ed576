#include "screens/XorRaster.h"

#include <algorithm>
#include <cstdlib>

namespace scope {

TXorRaster::TXorRaster(QImage &image)
    : Bits(image.bits()), Stride(image.bytesPerLine()), W(image.width()), H(image.height()) {}

void TXorRaster::FillRect(int x0, int y0, int x1, int y1, uint32_t color) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, W);
    y1 = std::min(y1, H);
    const uint32_t value = 0xFF000000u | ColorToPixelBits(color);
    for (int y = y0; y < y1; ++y) {
        auto *row = reinterpret_cast<uint32_t *>(Bits + qsizetype(y) * Stride);
        std::fill(row + x0, row + std::max(x0, x1), value);
    }
}

// Bresenham from the start point, stopping before the end point; value(i) gives the bits of the
// i-th pixel along the line. The error term starts at half the major extent in both directions, so the
// minor coordinate moves only once the line has drifted half a pixel (a vertical or horizontal line never
// moves sideways).
template <typename Plot> void TXorRaster::WalkWith(int x0, int y0, int x1, int y1, Plot plot) {
    const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    const int steps = std::max(dx, dy);
    int err = (dx > dy ? dx : dy) / 2;
    int x = x0, y = y0;
    for (int i = 0; i < steps; ++i) {
        plot(x, y, i);
        if (dx > dy) {
            x += sx;
            err -= dy;
            if (err < 0) {
                y += sy;
                err += dx;
            }
        } else {
            y += sy;
            err -= dx;
            if (err < 0) {
                x += sx;
                err += dy;
            }
        }
    }
}

template <typename PixelValue> void TXorRaster::Walk(int x0, int y0, int x1, int y1, PixelValue value) {
    WalkWith(x0, y0, x1, y1, [this, &value](int x, int y, int i) { Xor(x, y, value(i)); });
}

void TXorRaster::CopyLine(int x0, int y0, int x1, int y1, uint32_t color) {
    const uint32_t bits = ColorToPixelBits(color);
    WalkWith(x0, y0, x1, y1, [this, bits](int x, int y, int) { Set(x, y, bits); });
}

void TXorRaster::Line(int x0, int y0, int x1, int y1, uint32_t pen) {
    const uint32_t bits = ColorToPixelBits(pen);
    if (bits == 0)
        return;
    if (x0 == x1) {
        // Vertical lines are the common case (cursors, bars): clip the range instead of testing pixels.
        if (y0 == y1 || x0 < 0 || x0 >= W)
            return;
        const int a = y0 < y1 ? y0 : y1 + 1, b = y0 < y1 ? y1 - 1 : y0;
        VerticalSpan(x0, a, b, pen);
        return;
    }
    Walk(x0, y0, x1, y1, [bits](int) { return bits; });
}

void TXorRaster::DottedLine(int x0, int y0, int x1, int y1, uint32_t pen, uint32_t gap) {
    const uint32_t dot = ColorToPixelBits(pen), space = ColorToPixelBits(gap);
    Walk(x0, y0, x1, y1, [dot, space](int i) { return (i & 1) ? space : dot; });
}

void TXorRaster::VerticalSpan(int x, int y0, int y1, uint32_t pen) {
    XorRect(x, y0, x, y1, pen);
}

void TXorRaster::XorRect(int x0, int y0, int x1, int y1, uint32_t pen) {
    const uint32_t bits = ColorToPixelBits(pen);
    if (bits == 0)
        return;
    if (!ClipInclusiveRect(x0, y0, x1, y1, W, H))
        return;
    for (int y = y0; y <= y1; ++y) {
        auto *row = reinterpret_cast<uint32_t *>(Bits + qsizetype(y) * Stride);
        for (int x = x0; x <= x1; ++x)
            row[x] ^= bits;
    }
}

} // namespace scope
