#include "controllers/ZoomWrapperTarn.h"

#include "Hints.h"
#include "bus/ObjMasterTarn.h"
#include "device/DataTypesTarn.h"
#include "screens/QVScreenTarn.h"
#include "screens/ScreenGeometry.h"
#include "settings/OptionsTarn.h"
#include "settings/SettingsTarn.h"

#include <QLabel>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <utility>

namespace scope {

namespace {

// Scroll-bar steps are 16-bit quantities of at least 1.
int Step16(long double v) {
    return std::clamp(RoundToInt(v), 1, 32767);
}

bool Option(const TSettingsTarn &s, int32_t id) {
    return s.Options && s.Options->GetBoolean(id);
}

} // namespace

void TZoomWrapperTarn::AddControls() {
    for (QObject *c : std::initializer_list<QObject *>{MinButton, MaxButton, AvgButton, ZoomButton, ZoomUpBtn,
                                                       ZoomDownBtn, DisplayStartBar, MemSizeBar})
        AddControl(c);
}

double TZoomWrapperTarn::SamplesPerPoint() const {
    const TSettingsTarn &s = *Settings();
    if (s.ZoomOn)
        return s.ZoomRatio;
    if (s.PointsOnScreen <= 0)
        return 0.5;
    int64_t r = 1;
    while (int64_t(s.ViewSamples) >= int64_t(s.PointsOnScreen) * r)
        r *= 2;
    return double(r) / 2;
}

bool TZoomWrapperTarn::UpdateDisplayRatio() {
    TSettingsTarn &s = *Settings();
    const double r = SamplesPerPoint();
    const bool changed = r != s.DisplayRatio;
    s.DisplayRatio = r;
    return changed;
}

bool TZoomWrapperTarn::ClampView() {
    TSettingsTarn &s = *Settings();
    const double zoomBefore = s.ZoomRatio;
    const int32_t startBefore = s.DisplayStart;
    const int64_t M = std::max(s.ShownSettings().MemorySize, 0);
    const int64_t P = std::max(s.PointsOnScreen, 0);

    s.QuickViewOn = 3 * M > P * P && Option(s, opDispAllowQuickView);
    if (QVScreen)
        QVScreen->SetVisible(s.QuickViewOn);

    if (s.QuickViewOn) {
        int64_t ratio = 1;
        while ((3 * M) / ratio > P * P)
            ratio *= 2;
        s.QuickViewRatio = int32_t(ratio);
        s.ViewSamples = int32_t(M / ratio);
        if (M / ratio + s.QuickViewStart > M)
            s.QuickViewStart = int32_t(M - M / ratio);
    } else {
        s.ViewSamples = int32_t(M);
    }
    s.QuickViewStart = std::max(s.QuickViewStart, 0);

    // A ratio read from a damaged file is treated like one below the smallest.
    if (!std::isfinite(s.ZoomRatio) || s.ZoomRatio < 0.125)
        s.ZoomRatio = 0.125;
    // Only a slice of at least one sample can bound the window; an empty one would halve without end.
    while (s.ViewSamples >= 1 && double(P) * s.ZoomRatio > s.ViewSamples)
        s.ZoomRatio /= 2;

    const long double r = SamplesPerPoint();
    if (RoundToInt(P * r + s.DisplayStart) >= s.ViewSamples)
        s.DisplayStart = RoundToInt(s.ViewSamples - P * r);
    s.DisplayStart = std::max(s.DisplayStart, 0);

    if (RoundToInt(P * static_cast<long double>(s.ZoomRatio) + s.ZoomStart) >= s.ViewSamples)
        s.ZoomStart = RoundToInt(s.ViewSamples - P * static_cast<long double>(s.ZoomRatio));
    s.ZoomStart = std::max(s.ZoomStart, 0);

    return s.ZoomRatio != zoomBefore || s.DisplayStart != startBefore;
}

std::string TZoomWrapperTarn::ZoomLabel() const {
    const double z = Settings()->ZoomRatio;
    if (z >= 1)
        return "1:" + std::to_string(RoundToInt(z));
    if (z <= 0)
        return "1:0";
    return std::to_string(RoundToInt(1.0L / z)) + ":1";
}

void TZoomWrapperTarn::UpdateZoomControls() {
    TSettingsTarn *settings = Settings();
    if (!settings)
        return;
    TSettingsTarn &s = *settings;
    ClampView();
    UpdateDisplayRatio();
    const int64_t P = s.PointsOnScreen;
    Fill([&] {
        if (MemSizeLabel)
            MemSizeLabel->setText(
                QString::fromStdString(FormatBinaryPrefix(std::as_const(s).RequestedSettings().MemorySize)));
        if (MinButton)
            MinButton->setChecked(s.DisplayMode == 0 || s.DisplayMode == 3);
        if (MaxButton)
            MaxButton->setChecked(s.DisplayMode == 1 || s.DisplayMode == 3);
        if (AvgButton)
            AvgButton->setChecked(s.DisplayMode == 2);
        if (ZoomButton) {
            ZoomButton->setText(QString::fromStdString(ZoomLabel()));
            ZoomButton->setChecked(s.ZoomOn);
        }
        const long double ratio = s.DisplayRatio;
        if (s.ZoomOn) {
            if (DisplayStartBar) {
                const int small = Step16(std::max(ratio, 1.0L));
                DisplayStartBar->setRange(0, std::max(0, int(std::floor(s.ViewSamples - P * ratio))));
                DisplayStartBar->setValue(s.DisplayStart);
                DisplayStartBar->setSingleStep(small);
                DisplayStartBar->setPageStep(Step16(std::min(ratio, 1.0L) * (s.PointsPerDiv * small)));
            }
        } else {
            Range = RoundToInt(s.ViewSamples - P * ratio);
            const long double window = s.ViewSamples - P * static_cast<long double>(s.ZoomRatio);
            // A zoom window as long as the slice leaves the bar nowhere to go.
            const int32_t position = window > 0 ? RoundToInt(int64_t(s.ZoomStart) * P / window) : 0;
            if (DisplayStartBar) {
                DisplayStartBar->setRange(0, int(std::max<int64_t>(P, 0)));
                DisplayStartBar->setValue(position);
                DisplayStartBar->setPageStep(Step16(s.PointsPerDiv));
                DisplayStartBar->setSingleStep(1);
            }
        }
        if (DspAmountLabel)
            DspAmountLabel->setText(QString::fromStdString(FormatDecimalPrefix(RoundToInt(P * ratio))));
    });
}

void TZoomWrapperTarn::ModeButtonClick(QAbstractButton *sender) {
    TSettingsTarn &s = *Settings();
    if (sender && sender == AvgButton) {
        s.DisplayMode = 2;
    } else {
        const bool min = MinButton && MinButton->isChecked(), max = MaxButton && MaxButton->isChecked();
        if (min && !max)
            s.DisplayMode = 0;
        else if (max && !min)
            s.DisplayMode = 1;
        else if (min && max)
            s.DisplayMode = 3;
    }
    UpdateZoomControls();
    Broadcast(bmDisplayModeChanged);
}

void TZoomWrapperTarn::ZoomUpClick() {
    TSettingsTarn &s = *Settings();
    s.ZoomRatio /= 2;
    ClampView();
    UpdateDisplayRatio();
    UpdateZoomControls();
    Broadcast(bmZoomChanged);
    if (!s.ZoomOn)
        Broadcast(bmZoomMarksShow);
}

void TZoomWrapperTarn::ZoomDownClick() {
    TSettingsTarn &s = *Settings();
    s.ZoomRatio *= 2;
    ClampView();
    UpdateDisplayRatio();
    UpdateZoomControls();
    Broadcast(bmZoomChanged);
    if (!s.ZoomOn)
        Broadcast(bmZoomMarksShow);
}

void TZoomWrapperTarn::ZoomButtonClick() {
    TSettingsTarn &s = *Settings();
    s.ZoomOn = ZoomButton && ZoomButton->isChecked();
    if (s.ZoomOn) {
        s.DisplayStart = s.ZoomStart;
        ClampView();
        UpdateDisplayRatio();
        UpdateZoomControls();
        Broadcast(bmZoomChanged);
        Broadcast(bmZoomMarksHide);
        return;
    }
    s.ZoomStart = s.DisplayStart;
    ClampView();
    UpdateDisplayRatio();
    UpdateZoomControls();
    const int64_t max = DisplayStartBar ? DisplayStartBar->maximum() : 0;
    const int64_t position = DisplayStartBar ? DisplayStartBar->value() : 0;
    s.DisplayStart = max > 0 ? int32_t(RoundDivide(position * Range, max)) : 0;
    UpdateZoomControls();
    Broadcast(bmZoomChanged);
    Broadcast(bmZoomMarksShow);
}

void TZoomWrapperTarn::DisplayStartBarChange() {
    TSettingsTarn &s = *Settings();
    if (!DisplayStartBar)
        return;
    const int64_t position = DisplayStartBar->value();
    if (s.ZoomOn) {
        s.DisplayStart = int32_t(position);
    } else {
        const int64_t max = DisplayStartBar->maximum();
        if (max > 0) {
            s.DisplayStart = int32_t(RoundDivide(position * Range, max));
            s.ZoomStart = RoundToInt(
                (s.ViewSamples - s.PointsOnScreen * static_cast<long double>(s.ZoomRatio)) * position / max);
        }
    }
    ClampView();
    if (!s.ZoomOn)
        Broadcast(bmZoomMarksShow);
    Broadcast(bmDisplayWindowChanged);
}

void TZoomWrapperTarn::MemSizeBarChange() {
    TSettingsTarn &s = *Settings();
    const TMemorySizeList &list = s.MemorySizeList();
    if (!MemSizeBar || MemSizeBar->value() < 0 || size_t(MemSizeBar->value()) >= list.size())
        return;
    s.RequestedSettings().MemorySize = list[size_t(MemSizeBar->value())];
    UpdateZoomControls();
    Broadcast(bmMemorySizeChanged);
}

void TZoomWrapperTarn::SliceMove(int32_t value) {
    TSettingsTarn &s = *Settings();
    const int64_t previous = s.QuickViewStart;
    s.QuickViewStart = value;
    ClampView();
    if (s.ZoomOn) {
        // The zoom window keeps its place in the record.
        s.DisplayStart =
            int32_t(std::clamp<int64_t>(previous + s.DisplayStart - s.QuickViewStart, INT32_MIN, INT32_MAX));
        ClampView();
    }
    UpdateZoomControls();
    Broadcast(bmDisplayWindowChanged);
}

void TZoomWrapperTarn::ScreenMove(int32_t value) {
    TSettingsTarn &s = *Settings();
    if (!s.ZoomOn)
        return;
    s.DisplayStart = value;
    ClampView();
    UpdateZoomControls();
    Broadcast(bmDisplayWindowChanged);
}

void TZoomWrapperTarn::Wire() {
    for (QAbstractButton *b : {MinButton, MaxButton, AvgButton})
        Bind(b, &QAbstractButton::clicked, [this, b](bool) { ModeButtonClick(b); });
    Bind(ZoomUpBtn, &QAbstractButton::clicked, [this](bool) { ZoomUpClick(); });
    Bind(ZoomDownBtn, &QAbstractButton::clicked, [this](bool) { ZoomDownClick(); });
    Bind(ZoomButton, &QAbstractButton::clicked, [this](bool) { ZoomButtonClick(); });
    Bind(DisplayStartBar, &QScrollBar::valueChanged, [this](int) { DisplayStartBarChange(); });
    if (QVScreen) {
        QVScreen->OnSliceMove = [this](int32_t v) { SliceMove(v); };
        QVScreen->OnScreenMove = [this](int32_t v) { ScreenMove(v); };
    }
}

void TZoomWrapperTarn::ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) {
    TSettingsTarn *settings = Settings();
    if (!settings || Msg == bmMasterDestroying)
        return;
    TSettingsTarn &s = *settings;
    switch (Msg) {
    case bmInitialize: {
        const size_t entries = s.MemorySizeList().size();
        if (MemSizeBar) {
            MemSizeBar->setEnabled(entries > 1);
            if (entries > 1)
                MemSizeBar->setRange(0, int(entries - 1));
        }
        Wire();
        break;
    }
    case bmSettingsApplied:
        if (Param == ssLimits) {
            const TMemorySizeList &list = s.MemorySizeList();
            if (list.empty())
                break;
            int32_t &size = s.RequestedSettings().MemorySize;
            const auto it = std::find(list.begin(), list.end(), size);
            const int index = it == list.end() ? 0 : int(it - list.begin());
            size = list[size_t(index)];
            // Not blocked: from the second round on, the bar's handler runs when the index changes.
            if (MemSizeBar)
                MemSizeBar->setValue(index);
        } else if (Param == ssGeometry) {
            ClampView();
            UpdateZoomControls();
            Bind(MemSizeBar, &QScrollBar::valueChanged, [this](int) { MemSizeBarChange(); });
        }
        break;
    case bmTraceDraggedX:
        if (Option(s, opDispAllowStartChange) && s.ZoomOn && Data && DisplayStartBar &&
            *static_cast<int32_t *>(Data) < s.PhysicalChannelCount + s.VirtualChannelCount)
            DisplayStartBar->setValue(RoundToInt(
                DisplayStartBar->value() - std::max(s.DisplayRatio, 1.0) * static_cast<long double>(Param)));
        break;
    case bmRecordLengthChanged:
        UpdateZoomControls();
        break;
    case bmHotkeyZoomIn:
        ZoomUpClick();
        break;
    case bmHotkeyZoomOut:
        ZoomDownClick();
        break;
    case bmHotkeyMoveScreen:
        StepBar(DisplayStartBar, Param);
        break;
    default:
        break;
    }
}

void MakeZoomControls(QWidget *box, QScrollBar *displayStartBar, TZoomWrapperTarn &zoom) {
    auto button = [box](const char *name, const char *caption, int x, int y, int w, bool checkable) {
        auto *b = MakeControl<QToolButton>(box, name);
        b->setText(caption);
        b->setCheckable(checkable);
        b->setGeometry(x, y, w, 22);
        return b;
    };
    zoom.MinButton = button("SpeedButton5", "Min", 6, 18, 34, true);
    zoom.AvgButton = button("SpeedButton7", "Avg", 42, 18, 34, true);
    zoom.MaxButton = button("SpeedButton8", "Max", 78, 18, 34, true);
    zoom.ZoomButton = button("SpeedButton9", "1:1", 6, 44, 54, true);
    zoom.ZoomUpBtn = button("SpeedButton10", "+", 62, 44, 24, false);
    zoom.ZoomDownBtn = button("SpeedButton11", "-", 88, 44, 24, false);
    zoom.MemSizeBar = MakeControl<QScrollBar>(box, "ScrollBar3", Qt::Horizontal);
    zoom.MemSizeBar->setGeometry(6, 72, 106, 17);
    zoom.MemSizeBar->setPageStep(1);
    zoom.MemSizeLabel = MakeControl<QLabel>(box, "MemSizeLabel");
    zoom.MemSizeLabel->setGeometry(6, 91, 106, 15);
    zoom.DspAmountLabel = MakeControl<QLabel>(box, "DspAmountLabel");
    zoom.DspAmountLabel->setGeometry(6, 107, 106, 15);
    zoom.DisplayStartBar = displayStartBar;
    zoom.AddControls();
}

} // namespace scope
