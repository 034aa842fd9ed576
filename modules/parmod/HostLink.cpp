#include "HostLink.h"

namespace parmod {

bool THostLink::Call(int32_t code, int32_t value, intptr_t param1, intptr_t param2) const {
    if (!Callback)
        return false;
    return Callback(Index, code, value, 0, param1, param2, 0) != 0;
}

int32_t THostLink::IntAnswer(int32_t code, int32_t fallback) const {
    uint8_t cell[4];
    ModuleWriteInt32(cell, fallback);
    Call(code, 0, reinterpret_cast<intptr_t>(cell), 0);
    return ModuleReadInt32(cell);
}

int32_t THostLink::IntAnswerParam2(int32_t code, int32_t fallback) const {
    uint8_t cell[4];
    ModuleWriteInt32(cell, fallback);
    Call(code, 0, 0, reinterpret_cast<intptr_t>(cell));
    return ModuleReadInt32(cell);
}

double THostLink::FloatAnswerParam2(int32_t code, double fallback) const {
    uint8_t cell[8];
    ModuleWriteDouble(cell, fallback);
    Call(code, 0, 0, reinterpret_cast<intptr_t>(cell));
    return ModuleReadDouble(cell);
}

bool THostLink::BoolAnswer(int32_t code, bool fallback) const {
    uint8_t cell[1];
    ModuleWriteBool(cell, fallback);
    Call(code, 0, reinterpret_cast<intptr_t>(cell), 0);
    return ModuleReadBool(cell);
}

const uint8_t *THostLink::AddressAnswer(int32_t code, int32_t value) const {
    uint8_t cell[sizeof(intptr_t)];
    ModuleWriteAddress(cell, 0);
    Call(code, value, reinterpret_cast<intptr_t>(cell), 0);
    return reinterpret_cast<const uint8_t *>(ModuleReadAddress(cell));
}

bool THostLink::ReadBool(const std::string &key, bool &value) const {
    uint8_t cell[1];
    ModuleWriteBool(cell, value);
    if (!Call(hcReadBool, 0, reinterpret_cast<intptr_t>(key.c_str()), reinterpret_cast<intptr_t>(cell)))
        return false;
    value = ModuleReadBool(cell);
    return true;
}

bool THostLink::ReadInt(const std::string &key, int32_t &value) const {
    uint8_t cell[4];
    ModuleWriteInt32(cell, value);
    if (!Call(hcReadInt, 0, reinterpret_cast<intptr_t>(key.c_str()), reinterpret_cast<intptr_t>(cell)))
        return false;
    value = ModuleReadInt32(cell);
    return true;
}

void THostLink::WriteBool(const std::string &key, bool value) const {
    uint8_t cell[1];
    ModuleWriteBool(cell, value);
    Call(hcWriteBool, 0, reinterpret_cast<intptr_t>(key.c_str()), reinterpret_cast<intptr_t>(cell));
}

void THostLink::WriteInt(const std::string &key, int32_t value) const {
    uint8_t cell[4];
    ModuleWriteInt32(cell, value);
    Call(hcWriteInt, 0, reinterpret_cast<intptr_t>(key.c_str()), reinterpret_cast<intptr_t>(cell));
}

} // namespace parmod
