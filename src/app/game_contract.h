#pragma once

#include <cstdint>

namespace orvane::game_contract {

// After its resolution dialog has been answered, the game opens its main window within this time.
inline constexpr std::int64_t main_window_time_limit_seconds = 5;

} // namespace orvane::game_contract
