#include "controllers/ChannelWrapperTarn.h"

#include "controls/DragButtonTarn.h"
#include "controls/ModulesBoxTarn.h"
#include "settings/SettingsTarn.h"

#include <QAbstractButton>

namespace scope {

void TChannelWrapperTarn::SetButtons(QAbstractButton *a, QAbstractButton *b, TDragButtonTarn *c,
                                     TDragButtonTarn *d) {
    Buttons = {a, b, c, d};
    for (QAbstractButton *button : Buttons)
        AddControl(button);
}

QAbstractButton *TChannelWrapperTarn::ChannelButton(int32_t tag) const {
    return tag >= 0 && tag < int32_t(Buttons.size()) ? Buttons[size_t(tag)] : nullptr;
}

void TChannelWrapperTarn::ObjMasterMessage(int32_t Msg, int32_t Param, void *) {
    if (Msg == bmInitialize)
        Wire();
    else if ((Msg == bmSettingsApplied && Param == ssGeometry) || Msg == bmModuleListChanged)
        UpdateChannelButtons();
}

void TChannelWrapperTarn::Wire() {
    for (int32_t tag = 0; tag < int32_t(Buttons.size()); ++tag) {
        QAbstractButton *button = Buttons[size_t(tag)];
        if (!button)
            continue;
        Bind(button, &QAbstractButton::clicked, [this, tag](bool) { ButtonClick(tag); });
        if (auto *drag = qobject_cast<TDragButtonTarn *>(button)) {
            drag->Tag = tag;
            drag->OnDragOver = [this](TDragButtonTarn &t, const QMimeData *m, QObject *s) {
                return ButtonDragOver(t, m, s);
            };
            drag->OnDragDrop = [this](TDragButtonTarn &t, const QMimeData *m, QObject *s) {
                ButtonDragDrop(t, m, s);
            };
        }
    }
}

bool TChannelWrapperTarn::ChannelOn(int32_t tag) const {
    const TSettingsTarn *s = Settings();
    return s && tag >= 0 && size_t(tag) < s->ChannelsOn.size() && s->ChannelsOn[size_t(tag)];
}

void TChannelWrapperTarn::SetChannelOn(int32_t tag, bool on) {
    TSettingsTarn *s = Settings();
    if (s && tag >= 0 && size_t(tag) < s->ChannelsOn.size())
        s->ChannelsOn[size_t(tag)] = on ? 1 : 0;
}

void TChannelWrapperTarn::UpdateChannelButtons() {
    Fill([&] {
        for (int32_t tag = 0; tag < int32_t(Buttons.size()); ++tag) {
            QAbstractButton *button = Buttons[size_t(tag)];
            if (!button)
                continue;
            button->setChecked(ChannelOn(tag));
            if (tag >= 2)
                button->setText(ChannelOn(tag) ? QString::fromStdString(Captions[size_t(tag - 2)])
                                               : QString());
        }
    });
}

void TChannelWrapperTarn::ButtonClick(int32_t tag) {
    // A click only switches a module channel off; it is switched on by a drop.
    if (tag <= 1)
        SetChannelOn(tag, !ChannelOn(tag));
    else
        SetChannelOn(tag, false);
    UpdateChannelButtons();
    Broadcast(bmChannelToggled, tag);
}

int32_t TChannelWrapperTarn::FunctionModuleItem(const QMimeData *data, QObject *source,
                                                std::string *caption) {
    // Other programs' drags arrive too; only a module button of this program's box counts.
    const int32_t item = TModulesBoxTarn::DraggedItem(data);
    auto *button = qobject_cast<TDragButtonTarn *>(source);
    auto *box = button ? qobject_cast<TModulesBoxTarn *>(button->parentWidget()) : nullptr;
    if (item < 0 || !box || button->Tag != item || box->ItemKind(item) != IModulesBox::ikFunction)
        return -1;
    if (caption)
        *caption = box->ItemCaption(item);
    return item;
}

bool TChannelWrapperTarn::ButtonDragOver(TDragButtonTarn &target, const QMimeData *data, QObject *source) {
    return target.Tag >= 2 && !ChannelOn(target.Tag) && FunctionModuleItem(data, source, nullptr) >= 0;
}

void TChannelWrapperTarn::ButtonDragDrop(TDragButtonTarn &target, const QMimeData *data, QObject *source) {
    TSettingsTarn *s = Settings();
    std::string caption;
    const int32_t item = FunctionModuleItem(data, source, &caption);
    const int32_t t = target.Tag;
    const int32_t slot = s ? t - s->PhysicalChannelCount : -1;
    // Refused when the channel was switched on meanwhile.
    if (!s || item < 0 || ChannelOn(t) || slot < 0 || size_t(slot) >= s->VirtualChannels.size() ||
        size_t(slot) >= Captions.size())
        return;
    SetChannelOn(t, true);
    Captions[size_t(slot)] = caption;
    s->VirtualChannels[size_t(slot)] = item;
    UpdateChannelButtons();
    Broadcast(bmModuleChannelAssigned, t);
}

} // namespace scope
