#pragma once

#include <windows.h>

#include <cstdint>

namespace orvane {

// Sizes come from rectangles whose left and top are 0.

// The largest rectangle of the source's aspect ratio inside the client area,
// centred; an odd gap widens the picture by a pixel rather than one bar. A
// source of zero width or height gives an empty rectangle in the centre.
RECT letterbox_rect(const RECT& client_rect, const RECT& source_rect) noexcept;

// The largest whole factor by which the source fits the client area; 0 when
// it does not fit even once or has no size.
LONG whole_scale(const RECT& client_rect, const RECT& source_rect) noexcept;

// The source enlarged by the largest whole factor that fits, each of its
// pixels a square of that many screen pixels, centred: each bar is half the gap
// rounded down. As letterbox_rect when no whole factor fits.
RECT integer_rect(const RECT& client_rect, const RECT& source_rect) noexcept;

// The pixel of `size` that screen pixel `offset` of a picture `picture_size`
// wide shows: the one whose share of the picture holds the screen pixel's
// centre, the lower one where the centre lies on the line between two. The
// scaling without blends samples by it, and clicks land by it. 0 for an empty
// picture or size.
std::int64_t pixel_shown(std::int64_t offset, LONG size, LONG picture_size) noexcept;

// A mouse position on the mirror's client area (as in a mouse message's
// lParam) in the client coordinates of a game of `game_size`, whose picture
// is `picture`: the pixel shown there. A point left of or above the picture
// wraps to a large offset, as 16-bit arithmetic gives it; x keeps its low 16
// bits, y all of them.
LPARAM position_in_game(LPARAM position, const RECT& picture, SIZE game_size) noexcept;

} // namespace orvane
