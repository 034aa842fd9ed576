#include "platform/MasterTimerDriver.h"

#include "acquisition/MasterTimerTarn.h"

namespace scope {

TMasterTimerDriver::TMasterTimerDriver(TMasterTimerTarn &timer, QObject *parent)
    : QObject(parent), Timer(timer) {
    Clock.setInterval(TMasterTimerTarn::IntervalMs);
    connect(&Clock, &QTimer::timeout, this, [this] { Timer.Tick(); });
    Timer.OnEnabledChanged = [this](bool on) {
        if (on)
            Clock.start();
        else
            Clock.stop();
    };
    if (Timer.Enabled())
        Clock.start();
}

TMasterTimerDriver::~TMasterTimerDriver() {
    Timer.OnEnabledChanged = nullptr;
}

} // namespace scope
