// Makes the main window translucent where the window system can: on X11 through the window opacity
// property, which a compositing window manager honours. Elsewhere it is not supported and does nothing.
#pragma once

#include <cstdint>

class QWidget;

namespace scope {

// The window whose opacity is set; tests put their own behind it.
class IWindowOpacity {
public:
    virtual ~IWindowOpacity() = default;
    virtual bool OpacitySupported() const = 0;
    // 0 transparent .. 1 opaque.
    virtual void SetOpacity(double opacity) = 0;
};

// A widget's top-level window; supported on the X11 platform only.
class TWidgetOpacity : public IWindowOpacity {
public:
    explicit TWidgetOpacity(QWidget &window) : Window(window) {}
    bool OpacitySupported() const override;
    void SetOpacity(double opacity) override;

private:
    QWidget &Window;
};

class TFormTransparency {
public:
    explicit TFormTransparency(IWindowOpacity &window, int32_t transparency = 255);

    bool IsSupported() const { return Window.OpacitySupported(); }
    int32_t Transparency() const { return Value; }
    // 0..255, 255 opaque; ignored (and not stored) where not supported.
    void SetTransparency(int32_t value);

private:
    IWindowOpacity &Window;
    int32_t Value = 255;
};

} // namespace scope
