// A bus subscriber that remembers every message it receives, for tests that check what was broadcast.
// It can also stand in for a unit that answers queries (a display telling its width).
#pragma once

#include "bus/ComponentsTarn.h"
#include "bus/ObjMasterTarn.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace scope {

class TBusRecorder : public TComponentTarn {
public:
    struct TEntry {
        int32_t Msg;
        int32_t Param;
        void *Data;
        // The recorder's name, for several recorders writing one shared log.
        std::string Who = {};
        // What Data pointed at when it came, for the messages named in IntData.
        int32_t Value = 0;
        std::thread::id Thread = {};
        // Data is often a pointer into the sender's frame: compare it by hand where it matters.
        bool operator==(const TEntry &o) const { return Msg == o.Msg && Param == o.Param && Who == o.Who; }
    };
    using TLog = std::vector<TEntry>;
    using TPairs = std::vector<std::pair<int32_t, int32_t>>;

    TBusRecorder() = default;
    explicit TBusRecorder(TObjMasterTarn &bus) { SetObjMaster(&bus); }
    // One of several recorders that write one log in delivery order, each entry with the recorder's name.
    TBusRecorder(std::string name, TLog &shared) : Name(std::move(name)), Into(&shared) {}
    TBusRecorder(const TBusRecorder &) = delete;
    TBusRecorder &operator=(const TBusRecorder &) = delete;

    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override {
        if (Msg == bmMasterDestroying && !KeepsBusEnd)
            return;
        if (const auto a = Answers.find(Msg); a != Answers.end()) {
            *static_cast<int32_t *>(Data) = a->second;
            if (!KeepsAnswered)
                return;
        }
        if (!Only.empty() && std::find(Only.begin(), Only.end(), Msg) == Only.end())
            return;
        TEntry e{Msg, Param, Data, Name};
        if (Data && std::find(IntData.begin(), IntData.end(), Msg) != IntData.end())
            e.Value = *static_cast<int32_t *>(Data);
        e.Thread = std::this_thread::get_id();
        Into->push_back(std::move(e));
        if (OnMessage)
            OnMessage(Msg, Param, Data);
    }

    // Messages in arrival order, numbers only.
    std::vector<int32_t> Messages() const {
        std::vector<int32_t> out;
        for (const TEntry &e : *Into)
            out.push_back(e.Msg);
        return out;
    }
    // Messages of one number, in order.
    TLog Of(int32_t msg) const {
        TLog out;
        for (const TEntry &e : *Into)
            if (e.Msg == msg)
                out.push_back(e);
        return out;
    }
    size_t Count(int32_t msg) const { return Of(msg).size(); }
    // Number and parameter of every message, or of the named ones only, in order.
    TPairs Pairs(std::initializer_list<int32_t> msgs = {}) const {
        TPairs out;
        for (const TEntry &e : *Into)
            if (msgs.size() == 0 || std::find(msgs.begin(), msgs.end(), e.Msg) != msgs.end())
                out.push_back({e.Msg, e.Param});
        return out;
    }
    // Parameters of the messages of one number, in order.
    std::vector<int32_t> Params(int32_t msg) const {
        std::vector<int32_t> out;
        for (const TEntry &e : *Into)
            if (e.Msg == msg)
                out.push_back(e.Param);
        return out;
    }
    void Clear() { Into->clear(); }

    std::string Name;
    TLog Log;
    TLog *Into = &Log;
    // Called after an entry was logged (Data is still valid here).
    std::function<void(int32_t, int32_t, void *)> OnMessage;
    // When not empty, only these messages are logged.
    std::vector<int32_t> Only;
    // Messages whose Data points at an int32_t that is kept in the entry's Value.
    std::vector<int32_t> IntData;
    // Queries whose Data points at an int32_t answered with the value; they are not logged unless
    // KeepsAnswered.
    std::map<int32_t, int32_t> Answers;
    bool KeepsAnswered = false;
    // The bus's message that it goes away is logged too.
    bool KeepsBusEnd = false;
};

} // namespace scope
