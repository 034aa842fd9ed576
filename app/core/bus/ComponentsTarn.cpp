#include "bus/ComponentsTarn.h"

#include "bus/ObjMasterTarn.h"

namespace scope {

TBusMember::~TBusMember() {
    if (Master)
        Master->UnregisterHandler({&TBusMember::Dispatch, this});
}

void TBusMember::SetObjMaster(TObjMasterTarn *Value) {
    if (Value == Master)
        return;
    // A stale entry would be called after this component is gone.
    if (Master)
        Master->UnregisterHandler({&TBusMember::Dispatch, this});
    Master = Value;
    if (Master)
        Master->RegisterHandler({&TBusMember::Dispatch, this});
}

void TBusMember::Dispatch(void *Object, int32_t Msg, int32_t Param, void *Data) {
    auto *self = static_cast<TBusMember *>(Object);
    if (Msg == bmMasterDestroying)
        self->Master = nullptr;
    self->ObjMasterMessage(Msg, Param, Data);
}

} // namespace scope
