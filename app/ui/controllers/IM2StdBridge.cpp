#include "controllers/IM2StdBridge.h"

#include "bus/ObjMasterTarn.h"
#include "settings/SettingsTarn.h"

#include <QApplication>
#include <QEvent>
#include <QToolTip>

namespace scope {

TIM2StdBridge::TIM2StdBridge(QObject *parent) : QObject(parent) {
    if (qApp)
        qApp->installEventFilter(this);
}

TIM2StdBridge::~TIM2StdBridge() {
    if (qApp)
        qApp->removeEventFilter(this);
}

void TIM2StdBridge::ObjMasterMessage(int32_t Msg, int32_t Param, void *) {
    if (Msg != bmSettingsApplied || Param != SettingsStageCount - 1)
        return;
    TSettingsTarn *s = Settings();
    if (s && s->Options)
        SetShowHints(s->Options->GetBoolean(opToolTip));
}

void TIM2StdBridge::SetShowHints(bool on) {
    ShowHints = on;
    if (!on)
        QToolTip::hideText();
}

bool TIM2StdBridge::eventFilter(QObject *watched, QEvent *event) {
    if (!ShowHints && event->type() == QEvent::ToolTip)
        return true;
    return QObject::eventFilter(watched, event);
}

} // namespace scope
