#include "common/elapsed_time.h"

#include <thread>

namespace orvane {

void sleep_at_least(std::chrono::nanoseconds duration) {
    const auto end = monotonic_clock::now() + duration;
    for (auto now = monotonic_clock::now(); now < end; now = monotonic_clock::now()) {
        std::this_thread::sleep_for(end - now);
    }
}

} // namespace orvane
