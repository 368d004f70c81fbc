#pragma once

#include <chrono>
#include <cstdint>

namespace orvane {

using monotonic_clock = std::chrono::steady_clock;

// Durations are compared in whole milliseconds, where any started millisecond
// counts as a full one.
constexpr std::int64_t whole_milliseconds_rounded_up(std::chrono::nanoseconds elapsed) noexcept {
    return std::chrono::ceil<std::chrono::milliseconds>(elapsed).count();
}

// Sleeps until at least `duration` has passed on the monotonic clock, even when
// the underlying sleep returns early.
void sleep_at_least(std::chrono::nanoseconds duration);

} // namespace orvane
