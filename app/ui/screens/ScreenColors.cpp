#include "screens/ScreenColors.h"

#include <algorithm>
#include <cmath>

namespace scope {

uint32_t MixWithScreenColor(uint32_t c, double f, uint32_t background) {
    uint32_t m = c & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const double ck = (c >> shift) & 0xFF, bk = (background >> shift) & 0xFF;
        const long v = std::lrint(std::nearbyint((ck - bk) * f + bk));
        m |= (static_cast<uint32_t>(v) & 0xFFu) << shift;
    }
    return m ^ (background & 0x00FFFFFFu);
}

uint32_t LightenColor(uint32_t c, int amount) {
    uint32_t r = c & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
        r |= static_cast<uint32_t>(std::min<int>(255, static_cast<int>((c >> shift) & 0xFF) + amount))
             << shift;
    return r;
}

uint32_t HighlightColor(uint32_t c, bool hover, uint32_t screenColor) {
    return (hover ? LightenColor(c, 192) : c) ^ (screenColor & 0x00FFFFFFu);
}

} // namespace scope
