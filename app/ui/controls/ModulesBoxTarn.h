// The box that lists the analysis modules as toggle buttons, two per row. The module host fills it and
// keeps the item states; the box draws the buttons and turns clicks into state changes and events.
#pragma once

#include "modules/ModulesBoxInterface.h"

#include <QGroupBox>
#include <QPointer>
#include <cstdint>
#include <string>
#include <vector>

class QMimeData;

namespace scope {

class TDragButtonTarn;

class TModulesBoxTarn : public QGroupBox, public IModulesBox {
    Q_OBJECT
public:
    // The payload of a dragged function-module button: the item index as decimal text.
    static constexpr const char *ItemMimeType = "application/x-scope-module-item";
    // The item index a drag carries, or -1 when it carries none.
    static int32_t DraggedItem(const QMimeData *data);

    explicit TModulesBoxTarn(QWidget *parent = nullptr);

    // The group index of the first button; each button gets its own.
    int32_t GroupIndexStart = 0;
    TModuleOnOff OnFunctionDeactivate, OnExtraScreenActivate, OnExtraScreenDeactivate;

    void AddItem(uint8_t kind, const std::string &caption, const std::string &hint) override;
    void Rebuild() override;
    int32_t ItemCount() const override { return static_cast<int32_t>(Items.size()); }
    // An unknown item reads as off and ignores a new state.
    uint8_t ItemState(int32_t id) const override;
    void SetItemState(int32_t id, uint8_t state) override;
    void UpdateButtons() override;
    void SetModuleEvents(TModuleOnOff functionDeactivate, TModuleOnOff extraScreenActivate,
                         TModuleOnOff extraScreenDeactivate) override;

    // The item's kind and caption; an unknown item reads as a window module without a caption.
    uint8_t ItemKind(int32_t id) const {
        return Valid(id) ? Items[static_cast<size_t>(id)].Kind : uint8_t(ikWindow);
    }
    std::string ItemCaption(int32_t id) const {
        return Valid(id) ? Items[static_cast<size_t>(id)].Caption : std::string();
    }
    // The item's button, none before Rebuild.
    TDragButtonTarn *Button(int32_t id) const;

    void ButtonClick(TDragButtonTarn &button);
    void ButtonEndDrag(TDragButtonTarn &button);

protected:
    // Drags the button to its end (dropped or cancelled) and then calls ButtonEndDrag.
    virtual void DragButton(TDragButtonTarn &button);

private:
    struct TItem {
        uint8_t Kind = ikFunction;
        std::string Caption;
        std::string Hint;
        QPointer<TDragButtonTarn> Button;
        uint8_t State = isOff;
    };
    bool Valid(int32_t id) const { return id >= 0 && static_cast<size_t>(id) < Items.size(); }

    std::vector<TItem> Items;
};

} // namespace scope
