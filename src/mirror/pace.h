#pragma once

#include <algorithm>
#include <cstdint>

namespace orvane {

// How often the mirror looks at the game: awake, at an interval that follows
// what a frame costs; resting, while the game's picture has been still for a
// second, eight times a second (ten cost a still game a seventh of a moving
// one's time, measured).
struct pace {
    static constexpr std::uint32_t awake_floor_ms = 20;
    static constexpr std::uint32_t resting_ms = 125;
    static constexpr std::int64_t rest_after_ms = 1000;

    std::uint32_t awake_ms = awake_floor_ms;
    bool resting = false;

    [[nodiscard]] std::uint32_t interval_ms() const noexcept {
        return resting ? std::max(awake_ms, resting_ms) : awake_ms;
    }
    bool operator==(const pace&) const = default;
};

// The pace after a tick that took `frame_ms`, the picture still for
// `still_ms` (since it last changed or the mirror was woken). The awake
// interval becomes the frame's time plus 5 ms when the frame took at least
// that interval, or when an interval above 20 ms is more than 10 ms longer
// than the frame, but never less than 20 ms; the mirror rests once the
// picture has been still for a second.
pace next_pace(const pace& now, std::int64_t frame_ms, std::int64_t still_ms) noexcept;

} // namespace orvane
