// The module's side of the host callback: typed requests with their answer cells.
#pragma once

#include "ModuleTypesTarn.h"

#include <cstdint>
#include <string>

namespace parmod {

class THostLink {
public:
    void Attach(int32_t moduleIndex, THostCallback callback) {
        Index = moduleIndex;
        Callback = callback;
    }
    bool Attached() const { return Callback != nullptr; }
    int32_t ModuleIndex() const { return Index; }

    // The raw call; false when no host is attached.
    bool Call(int32_t code, int32_t value, intptr_t param1, intptr_t param2) const;

    // Integer, floating, Boolean and address answers; `fallback` stands when the host does not answer.
    int32_t IntAnswer(int32_t code, int32_t fallback = 0) const;       // cell in Param1
    int32_t IntAnswerParam2(int32_t code, int32_t fallback = 0) const; // cell in Param2
    double FloatAnswerParam2(int32_t code, double fallback = 0) const; // cell in Param2
    bool BoolAnswer(int32_t code, bool fallback = false) const;        // cell in Param1
    const uint8_t *AddressAnswer(int32_t code, int32_t value = 0) const;

    // Module settings; a read answers whether the key was found and leaves `value` alone otherwise.
    bool ReadBool(const std::string &key, bool &value) const;
    bool ReadInt(const std::string &key, int32_t &value) const;
    void WriteBool(const std::string &key, bool value) const;
    void WriteInt(const std::string &key, int32_t value) const;

    void SwitchOff() const { Call(hcSwitchOff, 0, 0, 0); }

private:
    int32_t Index = 0;
    THostCallback Callback = nullptr;
};

} // namespace parmod
