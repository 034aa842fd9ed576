#include "controls/LogScrollBarTarn.h"

#include <cmath>

namespace scope {

const double TLogScrollBarTarn::Scale = 1.0 / (std::pow(10.0, 0.01) - 1.0);

TLogScrollBarTarn::TLogScrollBarTarn(QWidget *parent) : TLogScrollBarTarn(Qt::Horizontal, parent) {}

TLogScrollBarTarn::TLogScrollBarTarn(Qt::Orientation orientation, QWidget *parent)
    : QScrollBar(orientation, parent) {}

void TLogScrollBarTarn::SetLogRange(int32_t a, int32_t b) {
    IsRanged = true;
    Low = a;
    Offset = a - Scale;
    if (b <= a) {
        // No span to map: one position, worth the bottom of the range.
        Decades = 0;
        setRange(0, 0);
        LogValue = a;
        return;
    }
    Decades = std::log10((static_cast<double>(b) - a) / Scale + 1.0);
    setRange(0, static_cast<int>(std::ceil(Decades * 100.0)));
    LogValue = -1.0;
}

double TLogScrollBarTarn::ValueAt(int position) const {
    if (maximum() <= 0)
        return Low;
    return std::pow(10.0, position * Decades / maximum()) * Scale + Offset;
}

void TLogScrollBarTarn::SetLogValue(double x) {
    if (!IsRanged || std::isnan(x))
        return;
    if (std::nearbyint(LogValue) == std::nearbyint(x))
        return;
    int position = 0;
    if (x > Offset && maximum() > 0) {
        const double p = std::nearbyint(std::log10((x - Offset) / Scale) * maximum() / Decades);
        position = p >= maximum() ? maximum() : p <= 0 ? 0 : static_cast<int>(p);
    }
    setValue(position);
}

void TLogScrollBarTarn::sliderChange(SliderChange change) {
    if (change == SliderValueChange && IsRanged)
        LogValue = ValueAt(value());
    QScrollBar::sliderChange(change);
}

} // namespace scope
