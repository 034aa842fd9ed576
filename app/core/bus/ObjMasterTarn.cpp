#include "bus/ObjMasterTarn.h"

#include <algorithm>

namespace scope {

TObjMasterTarn::~TObjMasterTarn() {
    Broadcast(bmMasterDestroying, 0, nullptr);
}

void TObjMasterTarn::Broadcast(int32_t Msg, int32_t Param, void *Data) {
    // The count is taken once; a handler that removes subscribers shortens the list, so each
    // position is checked again, and the entry is copied because a nested registration may move it.
    const size_t count = List.size();
    for (size_t i = 0; i < count && i < List.size(); ++i) {
        const TObjMasterHandler entry = List[i];
        entry.Code(entry.Object, Msg, Param, Data);
    }
}

void TObjMasterTarn::RegisterHandler(const TObjMasterHandler &Handler) {
    List.push_back(Handler);
}

void TObjMasterTarn::UnregisterHandler(const TObjMasterHandler &Handler) {
    auto it = std::find(List.begin(), List.end(), Handler);
    if (it != List.end())
        List.erase(it);
}

void BroadcastSettingsApplied(TObjMasterTarn &Bus) {
    for (int32_t stage = 0; stage < SettingsStageCount; ++stage)
        Bus.Broadcast(bmSettingsApplied, stage, nullptr);
}

} // namespace scope
