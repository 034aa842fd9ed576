#include "screens/QVScreenTarn.h"

#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "platform/OpaqueBlit.h"
#include "screens/ScreenGeometry.h"
#include "screens/XorRaster.h"
#include "settings/OptionsTarn.h"
#include "settings/SettingsTarn.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace scope {

namespace {

constexpr uint32_t White = 0xFFFFFF, Black = 0, Yellow = 0x00FFFF, Red = 0x0000FF;

// Floor of a / b for b > 0.
int64_t FloorDivide(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && (a < 0))
        --q;
    return q;
}

int32_t Saturate(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// Rows y0 .. y1 - 1 of column x, clipped; XOR or copy.
void Column(QImage &image, int x, int y0, int y1, uint32_t color, bool xorMode) {
    if (x < 0 || x >= image.width())
        return;
    const uint32_t bits = ColorToPixelBits(color);
    y0 = std::max(y0, 0);
    y1 = std::min(y1, image.height());
    if (y0 >= y1)
        return;
    uchar *row = image.bits() + qsizetype(y0) * image.bytesPerLine();
    const qsizetype stride = image.bytesPerLine();
    for (int y = y0; y < y1; ++y, row += stride) {
        uint32_t &p = reinterpret_cast<uint32_t *>(row)[x];
        p = xorMode ? p ^ bits : (p & 0xFF000000u) | bits;
    }
}

} // namespace

TQVScreenTarn::TQVScreenTarn(QWidget *parent) : TGraphicControlTarn(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(500, 60);
    Image = QImage(500, 60, QImage::Format_RGB32);
    Image.fill(Qt::black);
    hide();
}

// Drawn less than a frame ago: this record waits for the frame, and a later one may take its place.
void TQVScreenTarn::NewData() {
    Frame.Request();
}

void TQVScreenTarn::DrawNewData() {
    RedrawQuickView();
    Paint();
}

int64_t TQVScreenTarn::Samples() const {
    return Settings() ? Settings()->ShownSettings().MemorySize : 0;
}

int32_t TQVScreenTarn::QuickViewX(int64_t sample) const {
    const int64_t M = Samples();
    return M > 0 ? Saturate(FloorDivide(sample * W, M)) : 0;
}

int32_t TQVScreenTarn::QuickViewSample(int64_t x) const {
    return W > 0 ? Saturate(RoundDivide(x * Samples(), W)) : 0;
}

int32_t TQVScreenTarn::QuickViewLevelY(int64_t level) const {
    const int32_t levels = Settings() ? Settings()->LevelCount : 0;
    return levels > 0 ? Saturate(H - level * H / levels) : H;
}

void TQVScreenTarn::SetVisible(bool value) {
    const bool changed = value != Shown;
    Shown = value;
    setVisible(value);
    if (changed && OnVisibilityOnOff)
        OnVisibilityOnOff();
}

void TQVScreenTarn::RedrawQuickView() {
    TSettingsTarn *s = Settings();
    if (!s)
        return;
    const uint32_t screen = s->Options ? s->Options->GetColor(opColorScreen) : Black;
    const uint32_t base = Mode == 0 ? screen : White;
    Image.fill(QColor(int(base & 0xFF), int((base >> 8) & 0xFF), int((base >> 16) & 0xFF)));

    if (Source)
        for (int32_t i = 0; i < Source->ChannelCount(); ++i) {
            const TChannelWave &w = Source->QuickViewColumns(i);
            if (!w.Valid)
                continue;
            const uint32_t pen = Mode == 0 ? screen ^ w.Colour : Mode == 1 ? Black : w.Colour ^ White;
            const int n = std::min<int>(int(w.Columns.size()), W);
            for (int x = 0; x < n; ++x) {
                const TColumn &c = w.Columns[size_t(x)];
                if (c.Valid)
                    Column(Image, x, QuickViewLevelY(c.Maximum), QuickViewLevelY(c.Minimum) + 1, pen,
                           Mode != 1);
            }
        }

    // Before the first record there is nothing to place the slice, the band or the trigger on.
    const int64_t M = Samples();
    if (M <= 0)
        return;
    if (s->QuickViewRatio != 0 && Mode == 0) {
        const int x0 = QuickViewX(int64_t(s->QuickViewStart));
        const int x1 = QuickViewX(M / s->QuickViewRatio + s->QuickViewStart);
        for (int x = x0; x < x1; ++x)
            Column(Image, x, 0, H, White, true);
    }

    if (s->ZoomOn) {
        const int64_t start = int64_t(s->DisplayStart) + s->QuickViewStart;
        const int a = QuickViewX(start);
        const int b =
            std::max(a, QuickViewX(int64_t(std::floor(
                            s->PointsOnScreen * static_cast<long double>(s->DisplayRatio) + start))) -
                            1);
        if (Mode == 0) {
            for (int x = std::max(a, -1); x <= std::min(b, W); ++x)
                Column(Image, x, 0, H, Yellow, true);
        } else {
            Column(Image, a, 0, H, Black, false);
            Column(Image, b, 0, H, Black, false);
        }
    }

    {
        const int b = QuickViewX(M - s->ShownSettings().AfterTrigger);
        for (int n = H / 8, k = 0; n >= 1; --n, ++k) {
            Column(Image, b + k, H - n, H, Red, false);
            Column(Image, b - k, H - n, H, Red, false);
        }
    }
}

bool TQVScreenTarn::Ready() const {
    return Source && Settings() && ObjMaster() && Shown;
}

void TQVScreenTarn::Paint() {
    if (!Ready())
        return;
    if (width() > 0 && height() > 0 && (Image.width() != width() || Image.height() != height())) {
        W = width();
        H = height();
        Image = QImage(W, H, QImage::Format_RGB32);
        Source->ReduceAllToQuickView();
        RedrawQuickView();
    }
    update();
}

void TQVScreenTarn::paintEvent(QPaintEvent *event) {
    if (!Ready())
        return;
    if (Image.width() != width() || Image.height() != height())
        Paint();
    QPainter p(this);
    CopyOpaque(p, Image, event->region());
}

void TQVScreenTarn::MouseDown(int X) {
    TSettingsTarn *s = Settings();
    if (!s)
        return;
    const int64_t P = s->PointsOnScreen;
    if (s->ZoomOn) {
        const int64_t start = int64_t(s->QuickViewStart) + s->DisplayStart;
        const int b = QuickViewX(start);
        const int c = QuickViewX(RoundToInt(P * static_cast<long double>(s->DisplayRatio) + start));
        if (b - 3 <= X && X < c + 3) {
            State = 2;
            Offset = b - X;
            return;
        }
    }
    // Before the zoom controller has sized the slice there is nothing to grab.
    if (s->QuickViewRatio == 0)
        return;
    const int b = QuickViewX(s->QuickViewStart);
    const int c = QuickViewX(Samples() / s->QuickViewRatio + s->QuickViewStart);
    if (b <= X && X < c) {
        State = 1;
        Offset = b - X;
    }
}

void TQVScreenTarn::MouseMove(int X) {
    TSettingsTarn *s = Settings();
    if (!s || State == 0)
        return;
    const int32_t sample = QuickViewSample(int64_t(X) + Offset);
    if (State == 1) {
        if (OnSliceMove)
            OnSliceMove(sample);
    } else if (OnScreenMove) {
        OnScreenMove(Saturate(int64_t(sample) - s->QuickViewStart));
    }
    RedrawQuickView();
    Paint();
}

void TQVScreenTarn::MouseUp() {
    State = 0;
}

void TQVScreenTarn::mousePressEvent(QMouseEvent *event) {
    MouseDown(int(event->position().x()));
}

void TQVScreenTarn::mouseMoveEvent(QMouseEvent *event) {
    MouseMove(int(event->position().x()));
}

void TQVScreenTarn::mouseReleaseEvent(QMouseEvent *) {
    MouseUp();
}

void TQVScreenTarn::RenderForPrinter(QPainter &target, int width, int height) {
    TSettingsTarn *s = Settings();
    if (!s || !s->QuickViewOn)
        return;
    Mode = s->Options && s->Options->GetBoolean(opPrintBlackWhite) ? 1 : 2;
    RedrawQuickView();
    Mode = 0;
    target.drawImage(QRect(0, 0, width, height), Image);
    RedrawQuickView();
}

void TQVScreenTarn::ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) {
    TSettingsTarn *s = Settings();
    if (!s || Msg == bmMasterDestroying)
        return;
    switch (Msg) {
    case bmSettingsApplied:
        if (Param == ssQuickViewVisibility) {
            if (OnVisibilityOnOff)
                OnVisibilityOnOff();
        } else if (Param == ssFinal) {
            RedrawQuickView();
            Paint();
        }
        break;
    case bmZoomChanged:
    case bmDisplayWindowChanged:
        if (s->QuickViewOn) {
            RedrawQuickView();
            Paint();
        }
        break;
    case bmQueryQuickViewWidth:
        if (Data)
            *static_cast<int32_t *>(Data) = width();
        break;
    case bmQuickViewDataReady:
        NewData();
        break;
    default:
        break;
    }
}

} // namespace scope
