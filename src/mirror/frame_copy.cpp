#include "common/elapsed_time.h"
#include "mirror/fullscreen_window.h"
#include "mirror/mirror_geometry.h"

#include <algorithm>

namespace orvane {

void fullscreen_window::update_destination_rect() noexcept {
    if (!keep_aspect_ratio) {
        // The picture covers everything: no black fill needed.
        destination_rect = client_rect;
    } else {
        destination_rect = scaling == scaling_mode::integer
                               ? integer_rect(client_rect, source_rect)
                               : letterbox_rect(client_rect, source_rect);
        needs_clear = true;
    }
    if (sharp) {
        sharp->scale_to({destination_rect.right - destination_rect.left,
                         destination_rect.bottom - destination_rect.top});
    }
}

void fullscreen_window::paint_frame() noexcept {
    const auto start = monotonic_clock::now();
    const HWND painted = window.get();
    if (scaling == scaling_mode::smooth) {
        // A smoothed copy that is clipped is scaled anew from the part that
        // shows, a piece out of place: it is always painted whole.
        ::InvalidateRect(painted, nullptr, FALSE);
    }
    PAINTSTRUCT paint{};
    HDC target = ::BeginPaint(painted, &paint);
    // Bars are filled after a new layout, and on a paint the system asked for
    // between ticks; a steady picture costs one StretchBlt per tick.
    if (needs_clear || !timer_paint) {
        needs_clear = false;
        timer_paint = false;
        ::FillRect(target, &client_rect, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    }
    if (!copy_frame(target) && !::IsWindow(source_window)) {
        ::DestroyWindow(painted); // the game has ended; WM_DESTROY detaches this object
    }
    ::EndPaint(painted, &paint);
    if (!window) {
        return;
    }

    const auto elapsed = whole_milliseconds_rounded_up(monotonic_clock::now() - start);
    if (const auto interval = adapted_timer_interval(timer_interval_ms, elapsed)) {
        timer_interval_ms = *interval;
        timer.reset();
        start_timer();
    }
}

// Nearest and integer scaling are one StretchBlt in the device context's own
// stretch mode, which copies without blending when it enlarges; smooth scaling
// blends, unless the picture keeps its size.
BOOL fullscreen_window::copy_frame(HDC target) noexcept {
    if (scaling == scaling_mode::sharp) {
        return copy_sharp_frame(target);
    }
    const RECT& to = destination_rect;
    const SIZE to_size{to.right - to.left, to.bottom - to.top};
    if (scaling == scaling_mode::smooth &&
        (to_size.cx != source_rect.right || to_size.cy != source_rect.bottom)) {
        ::SetStretchBltMode(target, HALFTONE);
        ::SetBrushOrgEx(target, 0, 0, nullptr); // as HALFTONE requires
    }
    return ::StretchBlt(target, to.left, to.top, to_size.cx, to_size.cy, source_dc.get().dc, 0, 0,
                        source_rect.right, source_rect.bottom, SRCCOPY);
}

// The game's picture, copied as it is, then scaled here a band at a time.
BOOL fullscreen_window::copy_sharp_frame(HDC target) noexcept {
    const SIZE from{source_rect.right, source_rect.bottom};
    if (!::BitBlt(sharp_source.get().dc, 0, 0, from.cx, from.cy, source_dc.get().dc, 0, 0,
                  SRCCOPY)) {
        return FALSE;
    }
    ::GdiFlush(); // the copy is in the pixels before they are read
    const RECT& to = destination_rect;
    const SIZE to_size{to.right - to.left, to.bottom - to.top};
    for (LONG first = 0; first < to_size.cy; first += sharp_band_rows) {
        const LONG count = std::min(sharp_band_rows, to_size.cy - first);
        sharp->scale_rows(static_cast<const std::uint32_t*>(sharp_source.get().pixels), first,
                          count, client_rect.right,
                          static_cast<std::uint32_t*>(sharp_band.get().pixels));
        ::BitBlt(target, to.left, to.top + first, to_size.cx, count, sharp_band.get().dc, 0, 0,
                 SRCCOPY);
    }
    return TRUE;
}

} // namespace orvane
