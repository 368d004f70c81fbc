#pragma once

#include <string_view>

namespace orvane {

// How the game's picture is scaled onto the screen. nearest copies it as
// Windows does by default; integer enlarges it by a whole factor; smooth
// blends neighbouring pixels; sharp enlarges it by a whole factor, then blends
// only the edges between its pixels.
enum class scaling_mode { nearest, integer, smooth, sharp };

// The mode of that exact name; any other name is nearest.
scaling_mode scaling_mode_named(std::wstring_view name) noexcept;
// Its name, as the option takes it.
std::wstring_view scaling_mode_name(scaling_mode mode) noexcept;
// The mode after it, nearest after sharp.
scaling_mode next_scaling_mode(scaling_mode mode) noexcept;

} // namespace orvane
