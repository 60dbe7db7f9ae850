// A millisecond tick count that wraps at 2^32, like the one the view refresh is throttled
// against. The program reads the steady clock; tests drive their own.
#pragma once

#include <chrono>
#include <cstdint>

class TickClock {
public:
    virtual ~TickClock() = default;
    virtual std::uint32_t Now() const = 0;
};

// Milliseconds of the monotonic clock, truncated to 32 bits: never goes back while the
// program runs, and wraps as any tick count does (differences are taken unsigned).
class SteadyTickClock : public TickClock {
public:
    std::uint32_t Now() const override
    {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        return static_cast<std::uint32_t>(ms.count());
    }
};
