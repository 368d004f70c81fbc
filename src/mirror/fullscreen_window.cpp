#include "mirror/fullscreen_window.h"

#include "common/windows_error.h"

#include <windowsx.h>

#include <algorithm>
#include <limits>
#include <utility>

namespace orvane {

fullscreen_window::fullscreen_window(const std::wstring& class_name, HWND source,
                                     const mirror_choices& choices, choice_keeper keep_choice)
    : keep_choice(std::move(keep_choice)) {
    // Released here rather than by the members' destructors: destroying the
    // window runs handle_message, which must find every member alive.
    try {
        construct(class_name, source, choices);
    } catch (...) {
        release();
        throw;
    }
}

fullscreen_window::~fullscreen_window() {
    release();
}

void fullscreen_window::release() noexcept {
    timer.reset();
    picture.reset();
    window.reset();
    source_dc.reset();
    window_class.reset();
}

void fullscreen_window::construct(const std::wstring& class_name, HWND source,
                                  const mirror_choices& choices) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW class_info{};
    class_info.cbSize = sizeof class_info;
    class_info.lpfnWndProc = mirror_window_proc;
    class_info.hInstance = instance;
    class_info.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    class_info.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    // Black until the first paint; no erase after it (WM_ERASEBKGND).
    class_info.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    class_info.lpszClassName = class_name.c_str();
    const ATOM atom = ::RegisterClassExW(&class_info);
    if (atom == 0) {
        throw windows_error("Unable to register the fullscreen window class");
    }
    window_class.reset(atom);

    source_window = source;
    source_process = process_of(source_window);
    game = game_state_of(source_window);
    dc_renewals = game.minimized ? renewals_after_minimized : 0;
    scaling = choices.scaling;
    keep_aspect_ratio = !choices.stretch;
    HDC dc = ::GetDC(source_window);
    if (!dc) {
        throw windows_error("Unable to get the window DC");
    }
    source_dc.reset({source_window, dc});
    const game_client area = locate_game_client(source_window, source_dc);

    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoW(game_monitor(source_window), &monitor)) {
        throw windows_error("Unable to get the monitor info from the source window");
    }

    // The whole monitor, task bar included; visible from creation on.
    HWND created = ::CreateWindowExW(
        0, class_name.c_str(), class_name.c_str(), WS_POPUP | WS_VISIBLE, monitor.rcMonitor.left,
        monitor.rcMonitor.top, monitor.rcMonitor.right - monitor.rcMonitor.left,
        monitor.rcMonitor.bottom - monitor.rcMonitor.top, nullptr, nullptr, instance, nullptr);
    if (!created) {
        throw windows_error("Unable to create the fullscreen window");
    }
    ::SetWindowLongPtrW(created, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    window.reset(created);

    if (!::GetClientRect(created, &client_rect)) {
        throw windows_error("Unable to get the window client area rect");
    }
    show_new_picture(area); // letterboxed

    // Without a timer the window repaints only when the system asks it to.
    start_timer();
}

// The timer running is stopped first: the new one has its identifier, which
// stopping it afterwards would stop.
void fullscreen_window::start_timer() noexcept {
    timer.reset();
    timer = start_window_timer(window.get(), tick_pace.interval_ms());
}

// Something that can change the picture happened: the full rate at once, and
// the picture still only from now on.
void fullscreen_window::wake() noexcept {
    still_since = monotonic_clock::now();
    if (tick_pace.resting) {
        tick_pace.resting = false;
        start_timer();
    }
}

LRESULT CALLBACK fullscreen_window::mirror_window_proc(HWND hwnd, UINT message, WPARAM wparam,
                                                       LPARAM lparam) noexcept {
    auto* self = reinterpret_cast<fullscreen_window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->handle_message(message, wparam, lparam)
                : ::DefWindowProcW(hwnd, message, wparam, lparam);
}

LRESULT fullscreen_window::handle_message(UINT message, WPARAM wparam, LPARAM lparam) noexcept {
    // Until construction has made the picture, default processing only.
    if (!picture && message != WM_DESTROY) {
        return ::DefWindowProcW(window.get(), message, wparam, lparam);
    }
    // Input goes on only where the game takes it; the rest is dropped.
    if (message >= WM_MOUSEFIRST && message <= WM_XBUTTONDBLCLK) {
        if (game_state_of(source_window).takes_input()) {
            ::PostMessageW(source_window, message, wparam,
                           message == WM_MOUSEWHEEL ? wheel_position(lparam)
                                                    : picture->game_position(lparam));
            wake();
        }
        return 0;
    }
    switch (message) {
    case WM_TIMER:
        next_frame();
        return 0;
    case WM_ERASEBKGND:
        return 1; // the paint fills the bars, and only them
    case WM_PAINT:
        paint_frame();
        return 0;
    case WM_SIZE:
        if (wparam != SIZE_MINIMIZED) {
            fit_to_window();
        }
        return 0;
    case WM_DESTROY:
        detach();
        return 0;
    case WM_DISPLAYCHANGE: // the monitor's size, its scaling, or the monitors themselves
    case WM_DPICHANGED:
        cover_game_monitor();
        if (!::IsIconic(source_window)) {
            follow_game_client(true);
        }
        wake();
        return 0;
    case WM_KEYDOWN:
        if (wparam == VK_F8) {
            act_on_f8(lparam);
            return 0;
        }
        [[fallthrough]];
    case WM_KEYUP:
        if (game_state_of(source_window).takes_input()) {
            ::PostMessageW(source_window, message, wparam, lparam);
            wake();
        }
        return 0;
    default:
        return ::DefWindowProcW(window.get(), message, wparam, lparam);
    }
}

// With Shift, the next scaling mode, once a press; without, stretched or
// not, on each repeat too, but a key-down that gathers several repeats is
// dropped. Shift counts where the keyboard has it down both as this key-down
// saw it and now: one let go while another window had the keyboard does not
// (the thread's own state need not have seen that), at the price of a Shift
// let go before its F8 is handled counting as let go.
void fullscreen_window::act_on_f8(LPARAM lparam) noexcept {
    wake();
    const bool repeated = (lparam & (LPARAM{1} << 30)) != 0;
    if (::GetKeyState(VK_SHIFT) < 0 && ::GetAsyncKeyState(VK_SHIFT) < 0) {
        if (!repeated) {
            switch_scaling();
        }
    } else if (LOWORD(lparam) <= 1) {
        keep_aspect_ratio = !keep_aspect_ratio;
        update_destination_rect();
        if (keep_choice) {
            keep_choice(option::stretch, keep_aspect_ratio ? L"no" : L"yes");
        }
    }
}

// A wheel message carries the pointer's place on the screen: the game gets
// the screen place of the game pixel shown there.
LPARAM fullscreen_window::wheel_position(LPARAM screen_position) const noexcept {
    POINT at{GET_X_LPARAM(screen_position), GET_Y_LPARAM(screen_position)};
    ::ScreenToClient(window.get(), &at);
    const LPARAM pixel = picture->game_position(MAKELPARAM(at.x, at.y));
    const auto y = std::clamp<std::int64_t>(pixel >> 16, 0, std::numeric_limits<LONG>::max());
    const POINT on_screen =
        game_screen_position(source_window, {LOWORD(pixel), static_cast<LONG>(y)});
    return MAKELPARAM(on_screen.x, on_screen.y);
}

// The mirror's place next to the game and the keyboard, as decide_stacking
// says, once for each change of the facts, not on a timer: an action is
// taken again only when it was not seen to take (the system refused a move,
// or the game rose above the mirror again at once), after 1, 2, 4 ... 32 looks.
// And the monitor it covers. Only the mirror's own window is moved.
void fullscreen_window::look_around(HWND foreground) noexcept {
    const auto facts_now = [&](HWND holder) {
        return stacking_facts_of(source_window, source_process, window.get(), holder, game);
    };
    const stacking_facts facts = facts_now(foreground);
    const bool changed = facts != facts_acted_on;
    if (changed) {
        tries_unseen = 0;
        looks_to_next_try = 0;
    }
    if (changed || (looks_to_next_try > 0 && --looks_to_next_try == 0)) {
        wake(); // the game's windows or the keyboard changed
        const stacking_action action = decide_stacking(facts);
        if (action.move_just_above_game) {
            move_just_above(window.get(), source_window);
        }
        // Still the foreground process, so the mirror's to give.
        if (action.give_keyboard_to && ::GetForegroundWindow() == window.get()) {
            ::SetForegroundWindow(action.give_keyboard_to);
        }
        facts_acted_on = action == stacking_action{} ? facts : facts_now(::GetForegroundWindow());
        // Not seen to take (something raced it): asked for again, ever more
        // rarely, so that a window that keeps taking the place is not fought.
        if (facts_acted_on == facts && !(action == stacking_action{})) {
            looks_to_next_try = 1 << tries_unseen;
            tries_unseen = std::min(tries_unseen + 1, 5);
        }
    }
    cover_game_monitor();
}

// A new size lays the picture out anew (WM_SIZE).
void fullscreen_window::cover_game_monitor() noexcept {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT covered{};
    if (!::GetMonitorInfoW(game_monitor(source_window), &monitor) ||
        !::GetWindowRect(window.get(), &covered) || ::EqualRect(&covered, &monitor.rcMonitor)) {
        return;
    }
    const RECT& now = monitor.rcMonitor;
    ::SetWindowPos(window.get(), nullptr, now.left, now.top, now.right - now.left,
                   now.bottom - now.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void fullscreen_window::fit_to_window() noexcept {
    RECT now{};
    if (::GetClientRect(window.get(), &now) && !::EqualRect(&now, &client_rect)) {
        client_rect = now;
        show_new_picture(picture->client());
    }
}

// The picture laid out anew for the game's client area when it has changed:
// each tick by the size the mirror sees, one call; with `own_size_too`, by
// the game's own size as well. For a while after the game was minimized, the
// game is read through a new device context each tick.
void fullscreen_window::follow_game_client(bool own_size_too) noexcept {
    if (dc_renewals > 0) {
        --dc_renewals;
        if (HDC dc = ::GetDC(source_window)) {
            source_dc.reset({source_window, dc});
        }
    } else if (same_game_client(source_window, picture->client(), own_size_too)) {
        return;
    }
    // A game window that goes away meanwhile ends the run on the next tick.
    try {
        const game_client area = locate_game_client(source_window, source_dc);
        if (!(area == picture->client())) {
            show_new_picture(area);
        }
    } catch (const windows_error&) {
    }
}

// A picture of the game's client area `area` on the whole client area, in the
// scaling in force, laid out. It starts from the last picture's pixels where
// the game's size is the same, and is read at once unless the game is
// minimized: a minimized game's picture is not its own.
void fullscreen_window::show_new_picture(const game_client& area) noexcept {
    scaled_picture next(area, SIZE{client_rect.right, client_rect.bottom}, scaling);
    if (picture) {
        next.keep_pixels_of(*picture);
    }
    if (!::IsIconic(source_window)) {
        next.read(source_dc.get().dc);
    }
    picture = std::move(next);
    update_destination_rect();
}

// The next scaling mode, laid out at once, its name shown for two seconds.
void fullscreen_window::switch_scaling() noexcept {
    scaling = next_scaling_mode(scaling);
    label.show_from(monotonic_clock::now());
    show_new_picture(picture->client());
    if (keep_choice) {
        keep_choice(option::scaling, scaling_mode_name(scaling));
    }
}

// The window is going: the object lets go of it without destroying anything,
// and wakes the message loop, which ends when it sees the handle gone. A
// thread message rather than WM_QUIT: if a failure follows and its message box
// is shown, a WM_QUIT left in the queue would close the box at once.
void fullscreen_window::detach() noexcept {
    timer.reset();
    ::SetWindowLongPtrW(window.get(), GWLP_USERDATA, 0);
    window.release();
    ::PostMessageW(nullptr, WM_NULL, 0, 0);
}

} // namespace orvane
