#include "platform/FrameClock.h"

#include <algorithm>

namespace scope {

TMonotonicFrameTime::TMonotonicFrameTime() {
    Clock.start();
    Timer.setSingleShot(true);
    Timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&Timer, &QTimer::timeout, [this] {
        if (Due)
            Due();
    });
}

void TMonotonicFrameTime::WakeIn(int64_t ns, std::function<void()> due) {
    Due = std::move(due);
    Timer.start(int((std::max<int64_t>(0, ns) + 999'999) / 1'000'000));
}

TFrameClock::TFrameClock(QObject *parent)
    : QObject(parent), OwnTime(std::make_unique<TMonotonicFrameTime>()), Time(*OwnTime) {}

TFrameClock::TFrameClock(IFrameTime &time, QObject *parent) : QObject(parent), Time(time) {}

TFrameClock::~TFrameClock() {
    Time.Cancel();
}

void TFrameClock::SetRate(double framesPerSecond) {
    if (!(framesPerSecond > 0) || framesPerSecond > 60)
        framesPerSecond = 60;
    Ns = int64_t(1e9 / framesPerSecond);
}

bool TFrameClock::DrewInFrame(const void *owner) const {
    return std::find(Drew.begin(), Drew.end(), owner) != Drew.end();
}

bool TFrameClock::Waiting(const void *owner) const {
    return std::any_of(Queue.begin(), Queue.end(), [owner](const auto &q) { return q.first == owner; });
}

void TFrameClock::Request(const void *owner, std::function<void()> draw) {
    if (!Started || Time.NowNs() - FrameStart >= Ns) {
        // The frame is over: what waits for its end goes first (the timer may not have fired yet).
        if (!Queue.empty())
            NextFrame();
        else
            StartFrame();
    }
    if (!DrewInFrame(owner)) {
        // Only an owner that drew in this frame waits, so nothing of this one is queued.
        Drew.push_back(owner);
        draw();
        return;
    }
    for (auto &q : Queue)
        if (q.first == owner) {
            q.second = std::move(draw);
            return;
        }
    Queue.emplace_back(owner, std::move(draw));
    if (!Time.Armed())
        Time.WakeIn(Ns - (Time.NowNs() - FrameStart), [this] { NextFrame(); });
}

void TFrameClock::Flush(const void *owner) {
    for (auto it = Queue.begin(); it != Queue.end(); ++it)
        if (it->first == owner) {
            const std::function<void()> draw = std::move(it->second);
            Queue.erase(it);
            draw();
            return;
        }
}

void TFrameClock::Forget(const void *owner) {
    Queue.erase(
        std::remove_if(Queue.begin(), Queue.end(), [owner](const auto &q) { return q.first == owner; }),
        Queue.end());
    Drew.erase(std::remove(Drew.begin(), Drew.end(), owner), Drew.end());
}

void TFrameClock::StartFrame() {
    Started = true;
    FrameStart = Time.NowNs();
    Drew.clear();
}

void TFrameClock::NextFrame() {
    Time.Cancel();
    StartFrame();
    auto due = std::move(Queue);
    Queue.clear();
    for (auto &[owner, draw] : due) {
        Drew.push_back(owner);
        draw();
    }
}

} // namespace scope
