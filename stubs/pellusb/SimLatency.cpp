#include "SimLatency.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace pellsim {

TUsbLatency::TUsbLatency(const char *setting) : ControlTime(std::chrono::microseconds(DefaultControlUs)) {
    if (!setting)
        return;
    const char *end = setting + std::strlen(setting);
    int64_t us = -1;
    const auto [last, error] = std::from_chars(setting, end, us);
    if (error == std::errc() && last == end && last != setting && us >= 0 && us <= MostControlUs)
        ControlTime = std::chrono::microseconds(us);
}

std::chrono::nanoseconds TUsbLatency::Bulk(int64_t bytes) const {
    if (ControlTime.count() == 0)
        return ControlTime;
    const int64_t data = bytes > 0 ? bytes * 1'000'000'000 / BulkBytesPerSecond : 0;
    return ControlTime + std::chrono::nanoseconds(data);
}

void TUsbLatency::WaitControl() const {
    if (ControlTime.count() > 0)
        std::this_thread::sleep_for(ControlTime);
}

void TUsbLatency::WaitBulk(int64_t bytes) const {
    const std::chrono::nanoseconds t = Bulk(bytes);
    if (t.count() > 0)
        std::this_thread::sleep_for(t);
}

const TUsbLatency &Latency() {
    static const TUsbLatency latency(std::getenv("PELLUSB_LATENCY_US"));
    return latency;
}

} // namespace pellsim
