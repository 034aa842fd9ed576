// One display-frame clock for every control that shows records. A control that has not drawn in the
// current frame draws at once; asked again within the frame, it draws once at the frame's end, together
// with every other control that waits, so records faster than the display cost one wake-up a frame.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace scope {

// Where a frame clock reads the time and sets its wake-up for a frame's end.
class IFrameTime {
public:
    virtual ~IFrameTime() = default;
    virtual int64_t NowNs() = 0;
    // Calls `due` once, `ns` from now, unless cancelled first; a new wake-up replaces the one set.
    virtual void WakeIn(int64_t ns, std::function<void()> due) = 0;
    virtual void Cancel() = 0;
    virtual bool Armed() const = 0;
};

// The program's time: the monotonic clock and a precise timer of the GUI thread.
class TMonotonicFrameTime : public IFrameTime {
public:
    TMonotonicFrameTime();
    int64_t NowNs() override { return Clock.nsecsElapsed(); }
    void WakeIn(int64_t ns, std::function<void()> due) override;
    void Cancel() override { Timer.stop(); }
    bool Armed() const override { return Timer.isActive(); }

private:
    QElapsedTimer Clock;
    QTimer Timer;
    std::function<void()> Due;
};

class TFrameClock : public QObject {
public:
    // On the monotonic clock.
    explicit TFrameClock(QObject *parent = nullptr);
    // On the given time, which outlives the clock (tests step it).
    explicit TFrameClock(IFrameTime &time, QObject *parent = nullptr);
    ~TFrameClock() override;

    // Frames a second: the display's refresh rate, 60 at most (and where it is not known).
    void SetRate(double framesPerSecond);
    int64_t FrameNs() const { return Ns; }

    // Runs `draw` for `owner` now or at the end of the frame (once, however often it is asked).
    void Request(const void *owner, std::function<void()> draw);
    bool Waiting(const void *owner) const;
    // Runs what `owner` has waiting now (an export, or pacing switched off, needs the latest picture).
    void Flush(const void *owner);
    // The owner is going: nothing of it runs any more.
    void Forget(const void *owner);

private:
    void NextFrame();
    void StartFrame();
    bool DrewInFrame(const void *owner) const;

    int64_t Ns = 1'000'000'000 / 60;
    std::unique_ptr<IFrameTime> OwnTime;
    IFrameTime &Time;
    bool Started = false;
    int64_t FrameStart = 0;
    std::vector<const void *> Drew; // owners that drew in the current frame
    std::vector<std::pair<const void *, std::function<void()>>> Queue;
};

// A control's place on a frame clock: its drawing runs when the clock says, or at once without a clock.
class TFrameSlot {
public:
    explicit TFrameSlot(std::function<void()> draw) : Draw(std::move(draw)) {}
    // Going, it draws nothing more: its owner is being taken down.
    ~TFrameSlot() {
        if (Clock)
            Clock->Forget(this);
    }
    TFrameSlot(const TFrameSlot &) = delete;
    TFrameSlot &operator=(const TFrameSlot &) = delete;

    // Taking the clock away draws what waits for it.
    void SetClock(TFrameClock *clock) {
        if (Clock) {
            Clock->Flush(this);
            Clock->Forget(this);
        }
        Clock = clock;
    }
    bool Paced() const { return Clock != nullptr; }
    void Request() {
        if (Clock)
            Clock->Request(this, Draw);
        else
            Draw();
    }

private:
    QPointer<TFrameClock> Clock;
    std::function<void()> Draw;
};

} // namespace scope
