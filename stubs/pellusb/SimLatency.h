// The time a USB 2.0 transfer takes, so that the simulated instrument costs its callers what a real one
// does: a control transfer per register access, bulk data at the bus's rate. Waits by sleeping.
#pragma once

#include <chrono>
#include <cstdint>

namespace pellsim {

class TUsbLatency {
public:
    static constexpr int64_t DefaultControlUs = 125;
    static constexpr int64_t BulkBytesPerSecond = 40'000'000;
    static constexpr int64_t MostControlUs = 1'000'000;

    // From the text of PELLUSB_LATENCY_US (microseconds per control transfer); null or not a number in
    // 0 .. 1,000,000 gives the default. 0 takes no time at all, bulk data included.
    explicit TUsbLatency(const char *setting);

    std::chrono::nanoseconds Control() const { return ControlTime; }
    // A control transfer's set-up plus the bytes at the bulk rate.
    std::chrono::nanoseconds Bulk(int64_t bytes) const;

    void WaitControl() const;
    void WaitBulk(int64_t bytes) const;

private:
    std::chrono::nanoseconds ControlTime;
};

// From the environment at the first transfer (tests set it before they load the library).
const TUsbLatency &Latency();

} // namespace pellsim
