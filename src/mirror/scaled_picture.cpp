#include "mirror/scaled_picture.h"

#include "mirror/mirror_geometry.h"

#include <algorithm>
#include <utility>

namespace orvane {

scaled_picture::scaled_picture(const game_client& client, SIZE screen, scaling_mode mode) noexcept
    : source(client), screen_rect{0, 0, screen.cx, screen.cy}, source_rect{0, 0, client.size.cx,
                                                                           client.size.cy},
      scaling(mode), destination(screen_rect), part_rows(rows_per_read(client)) {
    // Every mode is computed here from the game's pixels, so that the pixel
    // shown is the same on every platform. Sharp enlarges by the largest
    // whole factor, smooth by none; the others do not blend.
    const LONG whole = mode == scaling_mode::sharp
                           ? std::max(whole_scale(screen_rect, source_rect), LONG{1})
                           : LONG{mode == scaling_mode::smooth};
    frame = pixel_bitmap(source.size);
    part = pixel_bitmap({source.size.cx, part_rows});
    band = pixel_bitmap({screen.cx, band_rows});
    scaler.emplace(source.size, whole, screen.cx);
    if (!frame || !part || !band || !*scaler) {
        scaler.reset();
    }
}

void scaled_picture::lay_out(bool keep_aspect_ratio) noexcept {
    destination = !keep_aspect_ratio                 ? screen_rect
                  : scaling == scaling_mode::integer ? integer_rect(screen_rect, source_rect)
                                                     : letterbox_rect(screen_rect, source_rect);
    if (scaler) {
        scaler->scale_to(
            {destination.right - destination.left, destination.bottom - destination.top});
    }
}

picture_read scaled_picture::read(HDC source_dc) noexcept {
    if (!scaler) {
        return picture_read::failed;
    }
    const auto* read = static_cast<const std::uint32_t*>(part.get().pixels);
    auto* kept = static_cast<std::uint32_t*>(frame.get().pixels);
    const LONG rows = part_rows;
    // Rows that changed before a later part failed are in the picture, not
    // yet on the screen: the next read reports them.
    bool changed = std::exchange(unshown_change, false);
    for (LONG top = 0; top < source.size.cy; top += rows) {
        const LONG count = std::min(rows, source.size.cy - top);
        if (!copy_game_rows(source, source_dc, top, count, part.get().dc)) {
            unshown_change = changed;
            return picture_read::failed;
        }
        ::GdiFlush(); // the copy is in the pixels before they are read
        const std::size_t pixels = std::size_t(count) * std::size_t(source.size.cx);
        std::uint32_t* at = kept + std::size_t(top) * std::size_t(source.size.cx);
        if (same_pixels(read, at, pixels)) {
            continue;
        }
        changed = true;
        if (count == source.size.cy) {
            std::swap(frame, part); // read whole: the rows read are the picture
        } else {
            std::copy_n(read, pixels, at);
        }
    }
    return changed ? picture_read::changed : picture_read::unchanged;
}

void scaled_picture::keep_pixels_of(const scaled_picture& earlier) noexcept {
    if (scaler && earlier.scaler && earlier.source.size.cx == source.size.cx &&
        earlier.source.size.cy == source.size.cy) {
        std::copy_n(static_cast<const std::uint32_t*>(earlier.frame.get().pixels),
                    std::size_t(source.size.cx) * std::size_t(source.size.cy),
                    static_cast<std::uint32_t*>(frame.get().pixels));
    }
}

bool scaled_picture::present(HDC target) noexcept {
    if (!scaler) {
        return false;
    }
    const RECT& to = destination;
    const SIZE to_size{to.right - to.left, to.bottom - to.top};
    const auto* from = static_cast<const std::uint32_t*>(frame.get().pixels);
    auto* rows = static_cast<std::uint32_t*>(band.get().pixels);
    for (LONG first = 0; first < to_size.cy; first += band_rows) {
        const LONG count = std::min(band_rows, to_size.cy - first);
        scaler->scale_rows(from, first, count, screen_rect.right, rows);
        ::BitBlt(target, to.left, to.top + first, to_size.cx, count, band.get().dc, 0, 0, SRCCOPY);
        ::GdiFlush(); // the band is copied before its next rows are written
    }
    return true;
}

LPARAM scaled_picture::game_position(LPARAM position) const noexcept {
    return position_in_game(position, destination, source.own_size);
}

} // namespace orvane
