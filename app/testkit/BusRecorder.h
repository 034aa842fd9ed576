// A bus subscriber that remembers every message it receives, for tests that check what was broadcast.
#pragma once

#include "bus/ComponentsTarn.h"
#include "bus/ObjMasterTarn.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace scope {

class TBusRecorder : public TComponentTarn {
public:
    struct TEntry {
        int32_t Msg;
        int32_t Param;
        void *Data;
        bool operator==(const TEntry &o) const { return Msg == o.Msg && Param == o.Param; }
    };

    TBusRecorder() = default;
    explicit TBusRecorder(TObjMasterTarn &bus) { SetObjMaster(&bus); }

    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override {
        if (Msg == bmMasterDestroying)
            return;
        Log.push_back({Msg, Param, Data});
        if (OnMessage)
            OnMessage(Msg, Param, Data);
    }

    // Messages in arrival order, numbers only.
    std::vector<int32_t> Messages() const {
        std::vector<int32_t> out;
        for (const TEntry &e : Log)
            out.push_back(e.Msg);
        return out;
    }
    // Messages of one number, in order.
    std::vector<TEntry> Of(int32_t msg) const {
        std::vector<TEntry> out;
        for (const TEntry &e : Log)
            if (e.Msg == msg)
                out.push_back(e);
        return out;
    }
    size_t Count(int32_t msg) const { return Of(msg).size(); }
    void Clear() { Log.clear(); }

    std::vector<TEntry> Log;
    // Called after an entry was logged (Data is still valid here).
    std::function<void(int32_t, int32_t, void *)> OnMessage;
};

} // namespace scope
