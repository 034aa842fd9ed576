#include "screens/DirtyStrips.h"

#include "screens/XorRaster.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace scope {

void TDirtyStrips::Add(int x0, int y0, int x1, int y1, int width, int height) {
    if (width != W || height != H) {
        Clear();
        W = width;
        H = height;
        // A trace adds a rectangle a segment: its strips are looked up, not divided out.
        const int strip = (W + Strips - 1) / Strips;
        StripOf.resize(size_t(std::max(W, 0)));
        for (int x = 0; x < W; ++x)
            StripOf[size_t(x)] = uint8_t(x / strip);
    }
    if (!ClipInclusiveRect(x0, y0, x1, y1, W, H))
        return;
    for (int k = StripOf[size_t(x0)]; k <= StripOf[size_t(x1)]; ++k) {
        Top[size_t(k)] = std::min(Top[size_t(k)], y0);
        Bottom[size_t(k)] = std::max(Bottom[size_t(k)], y1);
    }
    Any = true;
}

void TDirtyStrips::Clear() {
    Top.fill(std::numeric_limits<int>::max());
    Bottom.fill(-1);
    Any = false;
}

QRegion TDirtyStrips::Region() const {
    QRegion region;
    if (!Any)
        return region;
    const int strip = (W + Strips - 1) / Strips;
    for (int k = 0; k < Strips; ++k) {
        if (Top[size_t(k)] > Bottom[size_t(k)])
            continue;
        // Neighbouring strips with the same rows make one rectangle.
        int end = k;
        while (end + 1 < Strips && Top[size_t(end + 1)] == Top[size_t(k)] &&
               Bottom[size_t(end + 1)] == Bottom[size_t(k)])
            ++end;
        const int left = k * strip, right = std::min(W, (end + 1) * strip);
        if (right > left)
            region += QRect(left, Top[size_t(k)], right - left, Bottom[size_t(k)] - Top[size_t(k)] + 1);
        k = end;
    }
    return region;
}

} // namespace scope
