// Drives the master timer from a Qt timer in the GUI thread's event loop.
#pragma once

#include <QObject>
#include <QTimer>

namespace scope {

class TMasterTimerTarn;

class TMasterTimerDriver : public QObject {
    Q_OBJECT
public:
    TMasterTimerDriver(TMasterTimerTarn &timer, QObject *parent = nullptr);
    ~TMasterTimerDriver() override;
    bool Running() const { return Clock.isActive(); }

private:
    TMasterTimerTarn &Timer;
    QTimer Clock{this};
};

} // namespace scope
