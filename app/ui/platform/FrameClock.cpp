#include "platform/FrameClock.h"

#include <algorithm>

namespace scope {

TFrameClock::TFrameClock(QObject *parent) : QObject(parent) {
    Timer.setSingleShot(true);
    Timer.setTimerType(Qt::PreciseTimer);
    connect(&Timer, &QTimer::timeout, this, [this] { NextFrame(); });
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
    if (!FrameStart.isValid() || FrameStart.nsecsElapsed() >= Ns) {
        // The frame is over: what waits for its end goes first (the timer may not have fired yet).
        if (!Queue.empty())
            NextFrame();
        else {
            FrameStart.start();
            Drew.clear();
        }
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
    if (!Timer.isActive()) {
        const int64_t left = std::max<int64_t>(0, Ns - FrameStart.nsecsElapsed());
        Timer.start(int((left + 999'999) / 1'000'000));
    }
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

void TFrameClock::NextFrame() {
    Timer.stop();
    FrameStart.start();
    Drew.clear();
    auto due = std::move(Queue);
    Queue.clear();
    for (auto &[owner, draw] : due) {
        Drew.push_back(owner);
        draw();
    }
}

} // namespace scope
