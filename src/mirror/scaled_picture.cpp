#include "mirror/scaled_picture.h"

#include "mirror/mirror_geometry.h"

#include <algorithm>

namespace orvane {

scaled_picture::scaled_picture(const game_client& client, SIZE screen, scaling_mode mode) noexcept
    : source(client), screen_rect{0, 0, screen.cx, screen.cy}, source_rect{0, 0, client.size.cx,
                                                                           client.size.cy},
      scaling(mode), destination(screen_rect) {
    // Smooth and sharp scaling are computed here from the game's picture,
    // into the screen's picture a band of rows at a time; what they need is
    // made once. Without it the picture matters more than the filter.
    if (scaling != scaling_mode::smooth && scaling != scaling_mode::sharp) {
        return;
    }
    const LONG whole = scaling == scaling_mode::sharp
                           ? std::max(whole_scale(screen_rect, source_rect), LONG{1})
                           : 1;
    filter_source = pixel_bitmap(source.size);
    filter_band = pixel_bitmap({screen.cx, band_rows});
    filter.emplace(source.size, whole, screen.cx);
    if (!filter_source || !filter_band || !*filter) {
        filter_source.reset();
        filter_band.reset();
        filter.reset();
        scaling = scaling_mode::nearest;
    }
}

void scaled_picture::lay_out(bool keep_aspect_ratio) noexcept {
    destination = !keep_aspect_ratio                 ? screen_rect
                  : scaling == scaling_mode::integer ? integer_rect(screen_rect, source_rect)
                                                     : letterbox_rect(screen_rect, source_rect);
    if (filter) {
        filter->scale_to(
            {destination.right - destination.left, destination.bottom - destination.top});
    }
}

// Nearest and integer scaling are one StretchBlt in the device context's own
// stretch mode, which copies without blending when it enlarges.
BOOL scaled_picture::copy(HDC source_dc, HDC target) noexcept {
    if (filter) {
        return copy_filtered(source_dc, target);
    }
    const RECT& to = destination;
    return ::StretchBlt(target, to.left, to.top, to.right - to.left, to.bottom - to.top, source_dc,
                        source.origin.x, source.origin.y, source.size.cx, source.size.cy, SRCCOPY);
}

// The game's picture, copied as it is, then scaled here a band at a time.
BOOL scaled_picture::copy_filtered(HDC source_dc, HDC target) noexcept {
    if (!::BitBlt(filter_source.get().dc, 0, 0, source.size.cx, source.size.cy, source_dc,
                  source.origin.x, source.origin.y, SRCCOPY)) {
        return FALSE;
    }
    ::GdiFlush(); // the copy is in the pixels before they are read
    const RECT& to = destination;
    const SIZE to_size{to.right - to.left, to.bottom - to.top};
    for (LONG first = 0; first < to_size.cy; first += band_rows) {
        const LONG count = std::min(band_rows, to_size.cy - first);
        filter->scale_rows(static_cast<const std::uint32_t*>(filter_source.get().pixels), first,
                           count, screen_rect.right,
                           static_cast<std::uint32_t*>(filter_band.get().pixels));
        ::BitBlt(target, to.left, to.top + first, to_size.cx, count, filter_band.get().dc, 0, 0,
                 SRCCOPY);
    }
    return TRUE;
}

// Nearest scaling shows a game pixel where the platform's copy puts it, which
// the rounded scale follows; the others align the pixels' centres.
LPARAM scaled_picture::game_position(LPARAM position) const noexcept {
    if (scaling == scaling_mode::nearest) {
        return translate_mouse_position(position, destination,
                                        {0, 0, source.own_size.cx, source.own_size.cy});
    }
    return pixel_under(position, destination, source.own_size);
}

} // namespace orvane
