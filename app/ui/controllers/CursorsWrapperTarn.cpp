#include "controllers/CursorsWrapperTarn.h"

#include "platform/FormTransparency.h"
#include "settings/SettingsTarn.h"

#include <QAbstractButton>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace scope {

namespace {

bool Down(QAbstractButton *b) {
    return b && b->isChecked();
}

void SetDown(QAbstractButton *b, bool down) {
    if (b)
        b->setChecked(down);
}

} // namespace

void TCursorsWrapperTarn::SetControls(const TControls &controls) {
    C = controls;
    for (QObject *o : {static_cast<QObject *>(C.VerButton), static_cast<QObject *>(C.HorButton),
                       static_cast<QObject *>(C.TrcButton), static_cast<QObject *>(C.XButton),
                       static_cast<QObject *>(C.GridButton), static_cast<QObject *>(C.ClearButton),
                       static_cast<QObject *>(C.IntensityBar), static_cast<QObject *>(C.TransparencyBar)})
        AddControl(o);
    const std::pair<QAbstractButton *, int32_t> toggles[] = {{C.VerButton, bmVerCursorsToggled},
                                                             {C.HorButton, bmHorCursorsToggled},
                                                             {C.TrcButton, bmTrackToggled},
                                                             {C.XButton, bmCrossToggled},
                                                             {C.GridButton, bmGridToggled}};
    for (const auto &[button, msg] : toggles)
        Bind(button, &QAbstractButton::clicked, [this, msg = msg](bool) { ToggleClick(msg); });
    Bind(C.ClearButton, &QAbstractButton::clicked, [this](bool) { ClearClick(); });
    for (QScrollBar *bar : {C.IntensityBar, C.TransparencyBar})
        Bind(bar, &QScrollBar::valueChanged, [this, bar](int) { BarChange(bar); });
}

void TCursorsWrapperTarn::ObjMasterMessage(int32_t Msg, int32_t Param, void *) {
    // Stored cursors may come from a larger screen (another instrument, a settings file): they are brought
    // onto this one before the screen and the readouts use them.
    if (Msg == bmSettingsApplied && Param == ssLimits) {
        if (TSettingsTarn *s = Settings())
            s->BringCursorsOnScreen();
    }
    if ((Msg == bmSettingsApplied && Param == ssGeometry) || Msg == bmTransparencyChanged)
        UpdateCursorControls();
}

void TCursorsWrapperTarn::ToggleClick(int32_t msg) {
    TSettingsTarn *s = Settings();
    if (!s || Updating())
        return;
    s->VerCursorsOn = Down(C.VerButton);
    s->HorCursorsOn = Down(C.HorButton);
    s->CursorTrackOn = Down(C.TrcButton);
    s->CursorsXOn = Down(C.XButton);
    s->GridOn = Down(C.GridButton);
    Broadcast(msg);
    UpdateCursorControls();
}

void TCursorsWrapperTarn::ClearClick() {
    if (!Updating())
        Broadcast(bmClearScreen);
}

void TCursorsWrapperTarn::BarChange(QScrollBar *bar) {
    TSettingsTarn *s = Settings();
    if (!s || Updating() || !bar)
        return;
    if (bar == C.IntensityBar) {
        double old = s->GridIntensity;
        s->GridIntensity = bar->value() / 100.0;
        Broadcast(bmIntensityChanged, 0, &old);
    } else if (bar == C.TransparencyBar) {
        s->Transparency = bar->value();
        Broadcast(bmTransparencyChanged);
    }
}

void TCursorsWrapperTarn::UpdateCursorControls() {
    const TSettingsTarn *s = Settings();
    if (!s)
        return;
    Fill([&] {
        SetDown(C.VerButton, s->VerCursorsOn);
        SetDown(C.HorButton, s->HorCursorsOn);
        SetDown(C.TrcButton, s->CursorTrackOn);
        SetDown(C.XButton, s->CursorsXOn);
        SetDown(C.GridButton, s->GridOn);
        // The bars keep their positions within their ranges; the stored values stay as they are.
        if (C.IntensityBar) {
            // A stored intensity far outside 0..1 (or not a number) has no integer bar position.
            const double intensity = s->GridIntensity >= 0 ? std::min(s->GridIntensity, 1.0) : 0.0;
            C.IntensityBar->setValue(int(std::nearbyint(intensity * 100)));
        }
        if (C.TransparencyBar) {
            const bool supported = C.TransparencyControl && C.TransparencyControl->IsSupported();
            C.TransparencyBar->setEnabled(supported);
            if (supported) {
                C.TransparencyBar->setValue(s->Transparency);
                C.TransparencyControl->SetTransparency(C.TransparencyBar->value());
            }
        }
    });
}

} // namespace scope
