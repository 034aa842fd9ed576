// The tick counter and random source of the driver, replaceable by tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <random>

namespace pellex {

class ITickSource {
public:
    virtual ~ITickSource() = default;
    // Milliseconds, wrapping like a 32-bit tick counter.
    virtual uint32_t TickCount() = 0;
};

class IRandomSource {
public:
    virtual ~IRandomSource() = default;
    virtual void Seed(uint32_t seed) = 0;
    // A uniform integer in 0..range-1 (0 when range is below 1).
    virtual int32_t Next(int32_t range) = 0;
};

class TSteadyTicks : public ITickSource {
public:
    uint32_t TickCount() override {
        using namespace std::chrono;
        return static_cast<uint32_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
};

class TMersenneSource : public IRandomSource {
public:
    void Seed(uint32_t seed) override { Engine.seed(seed); }
    int32_t Next(int32_t range) override {
        if (range < 1)
            return 0;
        return std::uniform_int_distribution<int32_t>(0, range - 1)(Engine);
    }

private:
    std::mt19937 Engine;
};

} // namespace pellex
