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

namespace {

// Relative luminance of an sRGB colour 0x00BBGGRR, 0 (black) to 1 (white).
double Luminance(uint32_t c) {
    const auto linear = [](uint32_t byte) {
        const double v = byte / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c & 0xFF) + 0.7152 * linear((c >> 8) & 0xFF) + 0.0722 * linear((c >> 16) & 0xFF);
}

} // namespace

uint32_t TextColorOnPaper(uint32_t c) {
    const double contrast = 1.05 / (Luminance(c) + 0.05);
    return contrast >= 3.0 ? c : 0;
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
