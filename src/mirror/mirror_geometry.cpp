#include "mirror/mirror_geometry.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace orvane {
namespace {

// roundf halves away from zero, then truncation into [0, limit]: the limit
// keeps the float-to-integer conversion defined for any size.
LONG rounded_pixels(float value, LONG limit) noexcept {
    return static_cast<LONG>(std::clamp(static_cast<std::int64_t>(std::roundf(value)),
                                        std::int64_t{0}, std::int64_t{limit}));
}

// The offsets of a position from the picture's corner, as 16-bit arithmetic gives them.
std::pair<std::uint16_t, std::uint16_t> offsets(LPARAM position, const RECT& picture) noexcept {
    return {static_cast<std::uint16_t>(LOWORD(position) - LOWORD(picture.left)),
            static_cast<std::uint16_t>(HIWORD(position) - LOWORD(picture.top))};
}

// y is not cut to 16 bits: a position below the source's height stays there.
LPARAM position_lparam(std::int64_t x, std::int64_t y) noexcept {
    return static_cast<LPARAM>((static_cast<std::uint64_t>(x) & 0xFFFF) |
                               (static_cast<std::uint64_t>(y) << 16));
}

} // namespace

RECT letterbox_rect(const RECT& client_rect, const RECT& source_rect) noexcept {
    const LONG client_width = std::max(client_rect.right, LONG{0});
    const LONG client_height = std::max(client_rect.bottom, LONG{0});
    if (source_rect.right <= 0 || source_rect.bottom <= 0) {
        return {client_width / 2, client_height / 2, client_width / 2, client_height / 2};
    }
    const float width_scale =
        static_cast<float>(client_width) / static_cast<float>(source_rect.right);
    const float height_scale =
        static_cast<float>(client_height) / static_cast<float>(source_rect.bottom);
    const float scale = width_scale < height_scale ? width_scale : height_scale;
    const LONG picture_height =
        rounded_pixels(static_cast<float>(source_rect.bottom) * scale, client_height);
    const LONG picture_width =
        rounded_pixels(static_cast<float>(source_rect.right) * scale, client_width);
    const LONG gap_x = client_width - picture_width;
    const LONG gap_y = client_height - picture_height;
    const LONG left = gap_x / 2;
    const LONG top = gap_y / 2;
    return {left, top, gap_x - left + picture_width, gap_y - top + picture_height};
}

LONG whole_scale(const RECT& client_rect, const RECT& source_rect) noexcept {
    if (source_rect.right <= 0 || source_rect.bottom <= 0) {
        return 0;
    }
    return std::max(
        std::min(client_rect.right / source_rect.right, client_rect.bottom / source_rect.bottom),
        LONG{0});
}

RECT integer_rect(const RECT& client_rect, const RECT& source_rect) noexcept {
    const LONG scale = whole_scale(client_rect, source_rect);
    if (scale == 0) {
        return letterbox_rect(client_rect, source_rect);
    }
    // An odd gap widens one bar rather than the picture, whose pixels must
    // stay squares of `scale`.
    const LONG left = (client_rect.right - source_rect.right * scale) / 2;
    const LONG top = (client_rect.bottom - source_rect.bottom * scale) / 2;
    return {left, top, left + source_rect.right * scale, top + source_rect.bottom * scale};
}

std::int64_t pixel_shown(std::int64_t offset, LONG size, LONG picture_size) noexcept {
    if (picture_size <= 0 || size <= 0) {
        return 0;
    }
    // The centre (2 offset + 1) / 2 in pixels of `size`, rounded up, less
    // one: ties go to the lower pixel. At most 2^17 × 2^31: it fits 64 bits.
    return ((2 * offset + 1) * size - 1) / (2 * std::int64_t{picture_size});
}

LPARAM position_in_game(LPARAM position, const RECT& picture, SIZE game_size) noexcept {
    const auto [offset_x, offset_y] = offsets(position, picture);
    return position_lparam(pixel_shown(offset_x, game_size.cx, picture.right - picture.left),
                           pixel_shown(offset_y, game_size.cy, picture.bottom - picture.top));
}

} // namespace orvane
