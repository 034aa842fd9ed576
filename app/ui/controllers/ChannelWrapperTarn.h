// The channel buttons: A and B switch the physical channels, C and D take a function module dropped on
// them from the modules box and are switched off by a click.
#pragma once

#include "controllers/ControllerBase.h"

#include <array>
#include <cstdint>
#include <string>

class QAbstractButton;
class QMimeData;
class QObject;

namespace scope {

class TDragButtonTarn;

class TChannelWrapperTarn : public TControllerBase {
public:
    // The buttons of channels A, B (toggles) and C, D.
    void SetButtons(QAbstractButton *a, QAbstractButton *b, TDragButtonTarn *c, TDragButtonTarn *d);
    // The button of a channel of the full list (its tag), null beyond D.
    QAbstractButton *ChannelButton(int32_t tag) const;

    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;

    void UpdateChannelButtons();
    void ButtonClick(int32_t tag);
    // Only a function module's button from the modules box can be dropped, and only on a channel that
    // is off.
    bool ButtonDragOver(TDragButtonTarn &target, const QMimeData *data, QObject *source);
    void ButtonDragDrop(TDragButtonTarn &target, const QMimeData *data, QObject *source);

    // The caption a module channel shows while it is on (slot 0 is C); empty for another slot.
    std::string StoredCaption(int32_t slot) const {
        return slot >= 0 && size_t(slot) < Captions.size() ? Captions[size_t(slot)] : std::string();
    }

private:
    bool ChannelOn(int32_t tag) const;
    void SetChannelOn(int32_t tag, bool on);
    // The item a drag carries when it is a function module's button of the modules box, else -1.
    static int32_t FunctionModuleItem(const QMimeData *data, QObject *source, std::string *caption);
    void Wire();

    std::array<QAbstractButton *, 4> Buttons{};
    std::array<std::string, 2> Captions;
};

} // namespace scope
