#include "mirror/pace.h"

namespace orvane {

pace next_pace(const pace& now, std::int64_t frame_ms, std::int64_t still_ms) noexcept {
    pace next = now;
    const std::int64_t interval = now.awake_ms;
    if (frame_ms >= interval || (interval > pace::awake_floor_ms && interval - frame_ms > 10)) {
        // Bounded, so that any frame time gives a defined interval.
        next.awake_ms = static_cast<std::uint32_t>(
            std::clamp<std::int64_t>(frame_ms + 5, pace::awake_floor_ms, std::int64_t{60'000}));
    }
    next.resting = still_ms >= pace::rest_after_ms;
    return next;
}

} // namespace orvane
