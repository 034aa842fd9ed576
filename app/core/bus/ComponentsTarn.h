// Base classes of the bus subscribers: the subscription to the object master and the shared settings.
#pragma once

#include <cstdint>

namespace scope {

class TObjMasterTarn;
class TSettingsTarn;

// What every subscriber has: its bus, the settings component, and the one handler of bus messages.
// Painted controls combine this with their widget class.
class TBusMember {
public:
    TBusMember() = default;
    // Unregisters from a bus that still exists.
    virtual ~TBusMember();
    TBusMember(const TBusMember &) = delete;
    TBusMember &operator=(const TBusMember &) = delete;

    TObjMasterTarn *ObjMaster() const { return Master; }
    // Subscribes to Value, leaving the previous bus; the same bus again changes nothing.
    void SetObjMaster(TObjMasterTarn *Value);

    TSettingsTarn *Settings() const { return SettingsRef; }
    void SetSettings(TSettingsTarn *Value) { SettingsRef = Value; }

    // Each subscriber handles the numbers that concern it and ignores the others.
    virtual void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) = 0;

private:
    static void Dispatch(void *Object, int32_t Msg, int32_t Param, void *Data);

    TObjMasterTarn *Master = nullptr;
    TSettingsTarn *SettingsRef = nullptr;
};

// A non-visual bus component.
class TComponentTarn : public TBusMember {};

} // namespace scope
