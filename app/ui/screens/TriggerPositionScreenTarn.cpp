#include "screens/TriggerPositionScreenTarn.h"

#include "bus/ObjMasterTarn.h"
#include "screens/ScreenGeometry.h"
#include "screens/XorRaster.h"
#include "settings/OptionsTarn.h"
#include "settings/SettingsTarn.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

namespace scope {

namespace {

constexpr uint32_t Red = 0x0000FF, LightRed = 0xC0C0FF, Magenta = 0xFF00FF;

int32_t Saturate(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

TTriggerPositionScreenTarn::TTriggerPositionScreenTarn(QWidget *parent) : TGraphicControlTarn(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(500, 11);
    Image = QImage(500, 11, QImage::Format_RGB32);
    Image.fill(Qt::black);
}

int32_t TTriggerPositionScreenTarn::TriggerStripX(int64_t sample) const {
    const TSettingsTarn *s = Settings();
    if (!s || s->PointsOnScreen <= 0 || !(s->DisplayRatio > 0))
        return 0;
    const long double point =
        std::nearbyintl((sample - s->DisplayStart) / static_cast<long double>(s->DisplayRatio));
    // Far outside the screen the exact place no longer matters, only the side.
    const int64_t p = int64_t(std::clamp<long double>(point, -1e12L, 1e12L));
    return Saturate(RoundDivide(p * Image.width(), s->PointsOnScreen));
}

int32_t TTriggerPositionScreenTarn::TriggerStripSample(int64_t x) const {
    const TSettingsTarn *s = Settings();
    if (!s)
        return 0;
    if (Image.width() <= 0)
        return s->DisplayStart;
    return RoundToInt(x * static_cast<long double>(s->DisplayRatio) * s->PointsOnScreen / Image.width() +
                      s->DisplayStart);
}

std::pair<int32_t, int32_t> TTriggerPositionScreenTarn::Positions() {
    TSettingsTarn &s = *Settings();
    auto at = [&](const TDeviceSettings &d) {
        int64_t sample = int64_t(d.MemorySize) - d.AfterTrigger + s.TriggerDelaySamples(d);
        if (s.QuickViewOn)
            sample -= s.QuickViewStart;
        return TriggerStripX(sample);
    };
    return {at(std::as_const(s).RequestedSettings()), at(s.ShownSettings())};
}

void TTriggerPositionScreenTarn::Pixel(int x, int y, uint32_t bits) {
    if (x >= 0 && y >= 0 && x < Image.width() && y < Image.height())
        reinterpret_cast<uint32_t *>(Image.scanLine(y))[x] = 0xFF000000u | bits;
}

void TTriggerPositionScreenTarn::DrawTriggerMark(int32_t x, uint32_t color) {
    const int W = Image.width(), H = Image.height(), h2 = H / 2;
    const uint32_t bits = ColorToPixelBits(color);
    if (x < 0) {
        Mark.setCoords(LeftOffset, 0, LeftOffset + h2, H);
        for (int k = 0; k < h2; ++k)
            for (int y = h2 - k; y <= h2 + k; ++y)
                Pixel(LeftOffset + k, y, bits);
        LeftOffset = h2 + 2;
    } else if (x > W) {
        Mark.setCoords(RightOffset + W - h2, 0, RightOffset + W, H);
        for (int k = 0; k < h2; ++k)
            for (int y = h2 - k; y <= h2 + k; ++y)
                Pixel(RightOffset + W - k, y, bits);
        RightOffset = -h2 - 2;
    } else {
        Mark.setCoords(x - H, 0, x + H, H);
        for (int i = 0; i < H; ++i)
            for (int px = std::max(x - i, 0); px <= std::min(x + i, W - 1); ++px)
                Pixel(px, i, bits);
    }
}

void TTriggerPositionScreenTarn::RedrawMarks() {
    TSettingsTarn *s = Settings();
    if (!s) {
        Image.fill(Qt::black);
        return;
    }
    LeftOffset = 1;
    RightOffset = -2;
    const uint32_t screen = s->Options ? s->Options->GetColor(opColorScreen) : 0;
    Image.fill(QColor(int(screen & 0xFF), int((screen >> 8) & 0xFF), int((screen >> 16) & 0xFF)));
    std::tie(XRequested, XShown) = Positions();
    if (XShown != XRequested)
        DrawTriggerMark(XShown, Magenta);
    DrawTriggerMark(XRequested, Hover ? LightRed : Red);
}

void TTriggerPositionScreenTarn::Paint() {
    if (width() > 0 && height() > 0 && Image.size() != size()) {
        Image = QImage(size(), QImage::Format_RGB32);
        RedrawMarks();
    }
    update();
}

void TTriggerPositionScreenTarn::paintEvent(QPaintEvent *) {
    if (Image.size() != size() && width() > 0 && height() > 0) {
        Image = QImage(size(), QImage::Format_RGB32);
        RedrawMarks();
    }
    QPainter p(this);
    p.drawImage(0, 0, Image);
}

bool TTriggerPositionScreenTarn::CanDragMark(int X, int Y) const {
    const TSettingsTarn *s = Settings();
    if (!s || !s->Options || !s->Options->GetBoolean(opAllowTriggerDrag))
        return false;
    if (!s->Options->GetBoolean(opAutosetATMode) && s->ATMode != 2)
        return false;
    return Mark.left() <= X && X <= Mark.right() && Mark.top() <= Y && Y <= Mark.bottom();
}

void TTriggerPositionScreenTarn::MouseMove(int X, int Y) {
    TSettingsTarn *s = Settings();
    if (!s)
        return;
    if (!Dragging) {
        const bool hover = CanDragMark(X, Y);
        if (hover != Hover) {
            Hover = hover;
            RedrawMarks();
            Paint();
        }
        return;
    }
    // The count that puts the red mark under the pointer, the slice start and the trigger delay included.
    TDeviceSettings &r = s->RequestedSettings();
    const int64_t sample = int64_t(TriggerStripSample(X)) + (s->QuickViewOn ? s->QuickViewStart : 0);
    const int64_t after = int64_t(r.MemorySize) + s->TriggerDelaySamples(r) - sample;
    if (ObjMaster())
        ObjMaster()->Broadcast(bmPostTriggerDragged, Saturate(after), nullptr);
}

void TTriggerPositionScreenTarn::MouseDown(int X, int Y) {
    Dragging = CanDragMark(X, Y);
}

void TTriggerPositionScreenTarn::MouseUp(int X, int Y) {
    Dragging = false;
    MouseMove(X, Y);
}

void TTriggerPositionScreenTarn::MouseLeave() {
    if (!Dragging)
        MouseMove(-200, -200);
}

void TTriggerPositionScreenTarn::mousePressEvent(QMouseEvent *event) {
    MouseDown(int(event->position().x()), int(event->position().y()));
}

void TTriggerPositionScreenTarn::mouseMoveEvent(QMouseEvent *event) {
    MouseMove(int(event->position().x()), int(event->position().y()));
}

void TTriggerPositionScreenTarn::mouseReleaseEvent(QMouseEvent *event) {
    MouseUp(int(event->position().x()), int(event->position().y()));
}

void TTriggerPositionScreenTarn::leaveEvent(QEvent *) {
    MouseLeave();
}

void TTriggerPositionScreenTarn::ObjMasterMessage(int32_t Msg, int32_t Param, void *) {
    if (!Settings() || Msg == bmMasterDestroying)
        return;
    switch (Msg) {
    case bmSettingsApplied:
        if (Param == ssFinal) {
            RedrawMarks();
            Paint();
        }
        break;
    case bmScreenDataReady:
    case bmZoomChanged:
    case bmDisplayWindowChanged:
    case bmPostTriggerChanged: {
        const auto [r, s] = Positions();
        if (r != XRequested || s != XShown) {
            RedrawMarks();
            Paint();
        }
        break;
    }
    default:
        break;
    }
}

} // namespace scope
