// Exclusive-or drawing on a 32-bit image: every primitive flips the bits of its pixels with the pen
// value, so drawing the same primitive twice restores the image exactly.
#pragma once

#include <QImage>
#include <algorithm>
#include <cstdint>
#include <utility>

namespace scope {

// A colour 0x00BBGGRR as the pixel value of a Format_RGB32 image (alpha left alone).
inline uint32_t ColorToPixelBits(uint32_t color) {
    return ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

// Orders the corners of an inclusive rectangle and clips it to a w x h image; false when nothing is left.
inline bool ClipInclusiveRect(int &x0, int &y0, int &x1, int &y1, int w, int h) {
    if (x0 > x1)
        std::swap(x0, x1);
    if (y0 > y1)
        std::swap(y0, y1);
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, w - 1);
    y1 = std::min(y1, h - 1);
    return x0 <= x1 && y0 <= y1;
}

class TXorRaster {
public:
    // The image must be Format_RGB32; it stays owned by the caller.
    explicit TXorRaster(QImage &image);

    // Sets every pixel of [x0, x1) x [y0, y1) to the colour (no exclusive-or).
    void FillRect(int x0, int y0, int x1, int y1, uint32_t color);
    // Line from (x0, y0) towards (x1, y1), end point excluded, every pixel XORed with the pen.
    void Line(int x0, int y0, int x1, int y1, uint32_t pen);
    // The same pixels as Line, set to the colour instead of flipped (for paper, where nothing is undrawn).
    void CopyLine(int x0, int y0, int x1, int y1, uint32_t color);
    // The same line with a dotted pen: dots XOR the pen value, gaps XOR the gap value.
    void DottedLine(int x0, int y0, int x1, int y1, uint32_t pen, uint32_t gap);
    // Rows y0 .. y1 inclusive (either order) of column x.
    void VerticalSpan(int x, int y0, int y1, uint32_t pen);
    // Columns x0 .. x1 and rows y0 .. y1, both inclusive and in either order.
    void XorRect(int x0, int y0, int x1, int y1, uint32_t pen);

    int Width() const { return W; }
    int Height() const { return H; }

private:
    void Xor(int x, int y, uint32_t bits) {
        if (x >= 0 && y >= 0 && x < W && y < H)
            reinterpret_cast<uint32_t *>(Bits + qsizetype(y) * Stride)[x] ^= bits;
    }
    void Set(int x, int y, uint32_t bits) {
        if (x >= 0 && y >= 0 && x < W && y < H) {
            uint32_t &p = reinterpret_cast<uint32_t *>(Bits + qsizetype(y) * Stride)[x];
            p = (p & 0xFF000000u) | bits;
        }
    }
    template <typename PixelValue> void Walk(int x0, int y0, int x1, int y1, PixelValue value);
    template <typename Plot> void WalkWith(int x0, int y0, int x1, int y1, Plot plot);

    uchar *Bits;
    qsizetype Stride;
    int W, H;
};

} // namespace scope
