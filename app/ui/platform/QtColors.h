// Colours of the settings (0x00BBGGRR, red in the lowest byte) to and from Qt's colours.
#pragma once

#include <QColor>
#include <cstdint>

class QColorDialog;

namespace scope {

inline QColor ToQColor(uint32_t c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

inline uint32_t FromQColor(const QColor &c) {
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}

// Runs the colour dialog on the colour; false, the colour untouched, when it was cancelled.
bool ChooseColor(QColorDialog &dialog, uint32_t &color);

} // namespace scope
