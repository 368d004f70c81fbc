#include "common/elapsed_time.h"
#include "mirror/fullscreen_window.h"
#include "mirror/mirror_geometry.h"

namespace orvane {

// The new layout shows at once, its bars filled black.
void fullscreen_window::update_destination_rect() noexcept {
    picture->lay_out(keep_aspect_ratio);
    ::InvalidateRect(window.get(), nullptr, FALSE);
}

// A tick follows the game, reads its picture and shows it only when it has
// changed: a still game costs one read and one comparison. A minimized game's
// picture is not its own: the last one stays.
void fullscreen_window::next_frame() noexcept {
    const auto start = monotonic_clock::now();
    if (!::IsWindow(source_window)) {
        ::DestroyWindow(window.get()); // the game has ended; WM_DESTROY detaches this object
        return;
    }
    if (mode_name_until != monotonic_clock::time_point{} && start >= mode_name_until) {
        mode_name_until = {};
        ::InvalidateRect(window.get(), &mode_name_rect, FALSE); // the mode's name goes
    }
    keep_in_z_order();
    if (::IsIconic(source_window)) {
        dc_renewals = renewals_after_minimized;
        return;
    }
    fit_to_game(dc_renewals > 0 && dc_renewals--);
    const picture_read read = picture->read(source_dc.get().dc);
    if (read == picture_read::changed) {
        // Painted now, so that the interval follows what the whole frame costs.
        ::InvalidateRect(window.get(), &picture->rect(), FALSE);
        ::UpdateWindow(window.get());
    }
    const auto elapsed = whole_milliseconds_rounded_up(monotonic_clock::now() - start);
    if (const auto interval = adapted_timer_interval(timer_interval_ms, elapsed)) {
        timer_interval_ms = *interval;
        start_timer();
    }
}

// A paint that covers more than the picture (a new layout, or the system
// asking, when the window is uncovered) fills the bars black first; the
// ticks' paints cover the picture alone.
void fullscreen_window::paint_frame() noexcept {
    PAINTSTRUCT paint{};
    HDC target = ::BeginPaint(window.get(), &paint);
    RECT inside{};
    ::IntersectRect(&inside, &paint.rcPaint, &picture->rect());
    if (!::EqualRect(&inside, &paint.rcPaint)) {
        ::FillRect(target, &client_rect, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    }
    picture->present(target);
    if (mode_name_until != monotonic_clock::time_point{}) {
        show_mode_name(target);
    }
    ::EndPaint(window.get(), &paint);
}

} // namespace orvane
