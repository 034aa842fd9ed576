// Base of the controllers of the main form's control areas: a bus component that drives a set of controls.
//
// The pattern every controller follows: a control event changes the requested settings (or the visual
// state), the values are brought back within the device limits, the controls are filled from the settings
// while the updating guard is up, and the change is broadcast. Filling never echoes back as a request:
// handlers return at once while the guard is up, and the controls' signals are blocked meanwhile.
#pragma once

#include "bus/ComponentsTarn.h"
#include "bus/ObjMasterTarn.h"

#include <QAbstractSlider>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace scope {

class TControllerBase : public TComponentTarn {
public:
    TControllerBase() = default;
    ~TControllerBase() override { UnbindAll(); }

    // True while the controls are being filled from the settings.
    bool Updating() const { return UpdatingDepth > 0; }

    // The controls this controller drives; their signals are blocked while they are filled.
    void AddControl(QObject *control) {
        if (control)
            Controls.push_back(control);
    }
    const std::vector<QPointer<QObject>> &ControlList() const { return Controls; }

    // Runs fill with the updating guard up and every control's signals blocked; nests.
    template <typename F> void Fill(F &&fill) {
        std::vector<std::pair<QObject *, bool>> blocked;
        for (const QPointer<QObject> &c : Controls)
            if (c)
                blocked.emplace_back(c.data(), c->blockSignals(true));
        ++UpdatingDepth;
        try {
            fill();
        } catch (...) {
            Restore(blocked);
            throw;
        }
        Restore(blocked);
    }

    // Binds fn to a signal of a control; binding the same signal of the same control again replaces the
    // earlier connection, so a handler never runs twice for one event. fn is skipped while updating.
    template <typename Sender, typename Signal, typename Fn>
    void Bind(Sender *control, Signal signal, Fn fn) {
        if (!control)
            return;
        const std::string key = KeyOf(control, signal);
        auto it = Bindings.find(key);
        if (it != Bindings.end()) {
            QObject::disconnect(it->second);
            Bindings.erase(it);
        }
        Bindings[key] = QObject::connect(control, signal, control, [this, fn](auto &&...args) {
            if (!Updating())
                fn(std::forward<decltype(args)>(args)...);
        });
    }
    // Removes every binding of this controller.
    void UnbindAll() {
        for (auto &b : Bindings)
            QObject::disconnect(b.second);
        Bindings.clear();
    }
    size_t BindingCount() const { return Bindings.size(); }

protected:
    // Broadcasts a change on this controller's bus (nothing while not subscribed).
    void Broadcast(int32_t Msg, int32_t Param = 0, void *Data = nullptr) {
        if (TObjMasterTarn *bus = ObjMaster())
            bus->Broadcast(Msg, Param, Data);
    }

    // Moves a bar by a hot key's step; the bar keeps it within its range, the sum cannot overflow.
    static void StepBar(QAbstractSlider *bar, int32_t step) {
        if (bar)
            bar->setValue(int(std::clamp<int64_t>(int64_t(bar->value()) + step, INT32_MIN, INT32_MAX)));
    }

private:
    void Restore(const std::vector<std::pair<QObject *, bool>> &blocked) {
        --UpdatingDepth;
        for (const auto &[object, was] : blocked)
            object->blockSignals(was);
    }
    template <typename Sender, typename Signal> static std::string KeyOf(Sender *control, Signal signal) {
        std::string key(reinterpret_cast<const char *>(&control), sizeof control);
        key.append(reinterpret_cast<const char *>(&signal), sizeof signal);
        return key;
    }

    int UpdatingDepth = 0;
    std::vector<QPointer<QObject>> Controls;
    std::map<std::string, QMetaObject::Connection> Bindings;
};

} // namespace scope
