#include "common/elapsed_time.h"
#include "mirror/fullscreen_window.h"
#include "mirror/mirror_geometry.h"

namespace orvane {

void fullscreen_window::update_destination_rect() noexcept {
    picture->lay_out(keep_aspect_ratio);
    // Stretched, the picture covers everything: no black fill needed.
    needs_clear = needs_clear || keep_aspect_ratio;
}

void fullscreen_window::paint_frame() noexcept {
    const auto start = monotonic_clock::now();
    const HWND painted = window.get();
    PAINTSTRUCT paint{};
    HDC target = ::BeginPaint(painted, &paint);
    // Bars are filled after a new layout, and on a paint the system asked for
    // between ticks; a steady picture costs one StretchBlt per tick.
    if (needs_clear || !timer_paint) {
        needs_clear = false;
        timer_paint = false;
        ::FillRect(target, &client_rect, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    }
    if (!picture->copy(source_dc.get().dc, target) && !::IsWindow(source_window)) {
        ::DestroyWindow(painted); // the game has ended; WM_DESTROY detaches this object
    }
    ::EndPaint(painted, &paint);
    if (!window) {
        return;
    }

    const auto elapsed = whole_milliseconds_rounded_up(monotonic_clock::now() - start);
    if (const auto interval = adapted_timer_interval(timer_interval_ms, elapsed)) {
        timer_interval_ms = *interval;
        start_timer();
    }
}

} // namespace orvane
