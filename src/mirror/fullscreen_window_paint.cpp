#include "common/elapsed_time.h"
#include "mirror/fullscreen_window.h"

namespace orvane {

// The new layout shows at once, its bars filled black.
void fullscreen_window::update_destination_rect() noexcept {
    picture->lay_out(keep_aspect_ratio);
    ::InvalidateRect(window.get(), nullptr, FALSE);
}

// A tick follows the game, reads its picture and shows it only when it has
// changed: a still game costs one read and one comparison, and after a still
// second the ticks rest. A minimized game's picture is not its own: the last
// one stays. The Z order, the keyboard and the monitor cost several calls into
// the system: they are looked at a few times a second, and at once when the
// game's state or the keyboard changes.
void fullscreen_window::next_frame() noexcept {
    const auto start = monotonic_clock::now();
    const game_state now = game_state_of(source_window);
    if (now.gone) {
        ::DestroyWindow(window.get()); // the game has ended; WM_DESTROY detaches this object
        return;
    }
    if (label.ends(start)) {
        ::InvalidateRect(window.get(), &label.place(), FALSE); // the mode's name goes
    }
    HWND foreground = ::GetForegroundWindow();
    if (now != game || foreground != foreground_window) {
        wake();
        next_look = start; // looked at once
    }
    game = now;
    foreground_window = foreground;
    const bool look = start >= next_look;
    if (look) {
        next_look = start + look_interval;
        look_around(foreground);
    }
    if (game.minimized) {
        dc_renewals = renewals_after_minimized;
    } else {
        follow_game_client(look);
        if (picture->read(source_dc.get().dc) == picture_read::changed) {
            still_since = start;
            // Drawn now, so that the interval follows what the whole frame costs.
            if (HDC target = ::GetDC(window.get())) {
                draw_picture(target);
                ::ReleaseDC(window.get(), target);
            }
        }
    }
    const auto end = monotonic_clock::now();
    const pace next = next_pace(tick_pace, whole_milliseconds_rounded_up(end - start),
                                whole_milliseconds_rounded_up(end - still_since));
    const bool new_interval = next.interval_ms() != tick_pace.interval_ms();
    tick_pace = next;
    if (new_interval) {
        start_timer();
    }
}

// The picture, and the scaling mode's name over it while it shows; false
// where there is no picture to show.
bool fullscreen_window::draw_picture(HDC target) noexcept {
    const bool drawn = picture->present(target);
    label.draw(target, scaling_mode_name(scaling), client_rect.bottom);
    return drawn;
}

// The bars are filled black and the picture drawn over the rest: no black
// frame shows where the picture goes.
void fullscreen_window::paint_frame() noexcept {
    PAINTSTRUCT paint{};
    HDC target = ::BeginPaint(window.get(), &paint);
    const RECT& p = picture->rect();
    const RECT& c = client_rect;
    const RECT bars[] = {{0, 0, c.right, p.top},
                         {0, p.bottom, c.right, c.bottom},
                         {0, p.top, p.left, p.bottom},
                         {p.right, p.top, c.right, p.bottom}};
    const auto black = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    for (const RECT& bar : bars) {
        ::FillRect(target, &bar, black);
    }
    if (!draw_picture(target)) {
        ::FillRect(target, &p, black);
    }
    ::EndPaint(window.get(), &paint);
}

} // namespace orvane
