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
// picture is not its own: the last one stays. The Z order and the monitor
// cost several calls into the system: they are looked at a few times a
// second, and at once when the game is minimized or restored or another
// window takes the keyboard.
void fullscreen_window::next_frame() noexcept {
    const auto start = monotonic_clock::now();
    const LONG_PTR style = ::GetWindowLongPtrW(source_window, GWL_STYLE);
    if (style == 0 && !::IsWindow(source_window)) {
        ::DestroyWindow(window.get()); // the game has ended; WM_DESTROY detaches this object
        return;
    }
    if (mode_name_until != monotonic_clock::time_point{} && start >= mode_name_until) {
        mode_name_until = {};
        ::InvalidateRect(window.get(), &mode_name_rect, FALSE); // the mode's name goes
    }
    const bool minimized = (style & WS_MINIMIZE) != 0;
    HWND foreground = ::GetForegroundWindow();
    const bool look_around = start >= next_look_around || minimized != game_minimized ||
                             foreground != std::exchange(foreground_window, foreground);
    game_minimized = minimized;
    if (look_around) {
        next_look_around = start + look_around_interval;
        keep_in_z_order(foreground);
    }
    if (minimized) {
        dc_renewals = renewals_after_minimized;
        return;
    }
    fit_to_game(dc_renewals > 0 && dc_renewals--, look_around);
    if (picture->read(source_dc.get().dc) == picture_read::changed) {
        // Drawn now, so that the interval follows what the whole frame costs.
        if (HDC target = ::GetDC(window.get())) {
            draw_picture(target);
            ::ReleaseDC(window.get(), target);
        }
    }
    const auto elapsed = whole_milliseconds_rounded_up(monotonic_clock::now() - start);
    if (const auto interval = adapted_timer_interval(timer_interval_ms, elapsed)) {
        timer_interval_ms = *interval;
        start_timer();
    }
}

// The picture, and the scaling mode's name over it while it shows.
void fullscreen_window::draw_picture(HDC target) noexcept {
    picture->present(target);
    if (mode_name_until != monotonic_clock::time_point{}) {
        show_mode_name(target);
    }
}

// A paint that covers more than the picture (a new layout, or the system
// asking, when the window is uncovered) fills the bars black first.
void fullscreen_window::paint_frame() noexcept {
    PAINTSTRUCT paint{};
    HDC target = ::BeginPaint(window.get(), &paint);
    RECT inside{};
    ::IntersectRect(&inside, &paint.rcPaint, &picture->rect());
    if (!::EqualRect(&inside, &paint.rcPaint)) {
        ::FillRect(target, &client_rect, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    }
    draw_picture(target);
    ::EndPaint(window.get(), &paint);
}

} // namespace orvane
