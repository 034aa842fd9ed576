#include "platform/FormTransparency.h"

#include <QGuiApplication>
#include <QWidget>
#include <algorithm>

namespace scope {

bool TWidgetOpacity::OpacitySupported() const {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

void TWidgetOpacity::SetOpacity(double opacity) {
    Window.setWindowOpacity(opacity);
}

TFormTransparency::TFormTransparency(IWindowOpacity &window, int32_t transparency) : Window(window) {
    SetTransparency(transparency);
}

void TFormTransparency::SetTransparency(int32_t value) {
    if (!IsSupported())
        return;
    value = std::clamp(value, 0, 255);
    Window.SetOpacity(value / 255.0);
    Value = value;
}

} // namespace scope
