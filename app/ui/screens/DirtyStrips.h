// The changed part of a bitmap, kept as a row range per vertical strip: a trace touches every strip but
// only the rows it spans, so a repaint copies those rows and not the whole bitmap.
#pragma once

#include <QRegion>
#include <array>
#include <cstdint>
#include <vector>

namespace scope {

class TDirtyStrips {
public:
    static constexpr int Strips = 16;
    TDirtyStrips() { Clear(); }
    // Columns x0..x1, rows y0..y1 (inclusive, either order) of a width x height bitmap; a new size
    // forgets what was marked before.
    void Add(int x0, int y0, int x1, int y1, int width, int height);
    void All(int width, int height) { Add(0, 0, width - 1, height - 1, width, height); }
    void Clear();
    // Rectangles covering every marked pixel; neighbouring strips with the same rows are joined.
    QRegion Region() const;

private:
    int W = 0, H = 0;
    std::array<int, Strips> Top{}, Bottom{}; // empty while Top > Bottom
    std::vector<uint8_t> StripOf;            // the strip of each column
    bool Any = false;
};

} // namespace scope
