// What the module host needs from the box that lists the analysis modules as buttons.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace scope {

class IModulesBox {
public:
    // Item kinds and states as the box keeps them.
    enum : uint8_t { ikFunction = 0, ikWindow = 1 };
    enum : uint8_t { isOff = 0, isDragged = 1, isOn = 2 };

    // Told the index of the item whose button the user acted on.
    using TModuleOnOff = std::function<void(int32_t id)>;

    virtual ~IModulesBox() = default;
    // Appends an item without a button, state off.
    virtual void AddItem(uint8_t kind, const std::string &caption, const std::string &hint) = 0;
    // Recreates every button from the items.
    virtual void Rebuild() = 0;
    virtual int32_t ItemCount() const = 0;
    virtual uint8_t ItemState(int32_t id) const = 0;
    virtual void SetItemState(int32_t id, uint8_t state) = 0;
    // Each button is down exactly when its item's state is not off.
    virtual void UpdateButtons() = 0;
    // A click on a switched-on function module; a click switching a window module on; one switching it off.
    virtual void SetModuleEvents(TModuleOnOff functionDeactivate, TModuleOnOff extraScreenActivate,
                                 TModuleOnOff extraScreenDeactivate) = 0;
};

} // namespace scope
