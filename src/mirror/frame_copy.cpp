#include "common/elapsed_time.h"
#include "mirror/fullscreen_window.h"
#include "mirror/mirror_geometry.h"

namespace orvane {

void fullscreen_window::update_destination_rect() noexcept {
    if (!keep_aspect_ratio) {
        // The picture covers everything: no black fill needed.
        destination_rect = client_rect;
        return;
    }
    destination_rect = scaling == scaling_mode::integer ? integer_rect(client_rect, source_rect)
                                                        : letterbox_rect(client_rect, source_rect);
    needs_clear = true;
}

void fullscreen_window::paint_frame() noexcept {
    const auto start = monotonic_clock::now();
    const HWND painted = window.get();
    if (smoothing()) {
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
// stretch mode, which copies without blending when it enlarges. Sharp scaling
// first enlarges the game's picture by a whole factor into its bitmap; smooth
// and sharp then blend, unless the picture keeps its size.
BOOL fullscreen_window::copy_frame(HDC target) noexcept {
    HDC source = source_dc.get().dc;
    SIZE size{source_rect.right, source_rect.bottom};
    if (scaling == scaling_mode::sharp) {
        if (!::StretchBlt(scaled_frame.get().dc, 0, 0, scaled_size.cx, scaled_size.cy, source, 0, 0,
                          size.cx, size.cy, SRCCOPY)) {
            return FALSE;
        }
        source = scaled_frame.get().dc;
        size = scaled_size;
    }
    const RECT& to = destination_rect;
    const SIZE to_size{to.right - to.left, to.bottom - to.top};
    if (smoothing() && (to_size.cx != size.cx || to_size.cy != size.cy)) {
        ::SetStretchBltMode(target, HALFTONE);
        ::SetBrushOrgEx(target, 0, 0, nullptr); // as HALFTONE requires
    }
    return ::StretchBlt(target, to.left, to.top, to_size.cx, to_size.cy, source, 0, 0, size.cx,
                        size.cy, SRCCOPY);
}

} // namespace orvane
