#include "mirror/fullscreen_window.h"

#include "common/windows_error.h"

#include <algorithm>
#include <utility>

namespace orvane {

fullscreen_window::fullscreen_window(const std::wstring& class_name, HWND source,
                                     scaling_mode scaling) {
    // Released here rather than by the members' destructors: destroying the
    // window runs handle_message, which must find every member alive.
    try {
        construct(class_name, source, scaling);
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
                                  scaling_mode scaling) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW class_info{};
    class_info.cbSize = sizeof class_info;
    class_info.lpfnWndProc = mirror_window_proc;
    class_info.hInstance = instance;
    class_info.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    class_info.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    // Shows only where the system erases the background: black fills take over.
    class_info.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    class_info.lpszClassName = class_name.c_str();
    const ATOM atom = ::RegisterClassExW(&class_info);
    if (atom == 0) {
        throw windows_error("Unable to register the fullscreen window class");
    }
    window_class.reset(atom);

    source_window = source;
    source_thread = ::GetWindowThreadProcessId(source_window, nullptr);
    dc_renewals = ::IsIconic(source_window) ? renewals_after_minimized : 0;
    this->scaling = scaling;
    HDC dc = ::GetDC(source_window);
    if (!dc) {
        throw windows_error("Unable to get the window DC");
    }
    source_dc.reset({source_window, dc});
    const game_client area = locate_game_client(source_window, source_dc);

    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoW(game_monitor(), &monitor)) {
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
    timer = start_window_timer(window.get(), timer_interval_ms);
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
    if (message >= WM_MOUSEFIRST && message <= WM_XBUTTONDBLCLK) {
        ::PostMessageW(source_window, message, wparam, picture->game_position(lparam));
        return 0;
    }
    switch (message) {
    case WM_TIMER:
        next_frame();
        return 0;
    case WM_PAINT:
        paint_frame();
        return 0;
    case WM_DESTROY:
        detach();
        return 0;
    case WM_DISPLAYCHANGE: // the monitor's size, its scaling, or the monitors themselves
    case WM_DPICHANGED:
        fit_to_game(false, true);
        return 0;
    case WM_KEYDOWN:
        if (wparam == VK_F8) {
            // Held down, the key repeats with counts of 1 and acts each time;
            // a key-down that gathers several repeats is dropped. With Shift,
            // the next scaling mode; without, stretched or not.
            if (LOWORD(lparam) <= 1 && (shift_down || ::GetKeyState(VK_SHIFT) < 0)) {
                switch_scaling();
            } else if (LOWORD(lparam) <= 1) {
                keep_aspect_ratio = !keep_aspect_ratio;
                update_destination_rect();
            }
            return 0;
        }
        [[fallthrough]];
    case WM_KEYUP:
        shift_down = wparam == VK_SHIFT ? message == WM_KEYDOWN : shift_down;
        ::PostMessageW(source_window, message, wparam, lparam);
        return 0;
    default:
        return ::DefWindowProcW(window.get(), message, wparam, lparam);
    }
}

// The game window's monitor; a minimized game's is where it shows once restored.
HMONITOR fullscreen_window::game_monitor() const noexcept {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    return ::IsIconic(source_window) && ::GetWindowPlacement(source_window, &placement)
               ? ::MonitorFromRect(&placement.rcNormalPosition, MONITOR_DEFAULTTONEAREST)
               : ::MonitorFromWindow(source_window, MONITOR_DEFAULTTONEAREST);
}

// The game's own windows (a message box, a dialog) show above the mirror while
// they are up, the mirror just below the lowest of them; otherwise the mirror
// stays above the game's main window, and takes the keyboard back when the
// game had it. Only the mirror's own window is moved.
void fullscreen_window::keep_in_z_order(HWND foreground) noexcept {
    // The game's thread's windows, from the top down; menus and other topmost
    // windows are above the mirror anyway.
    std::pair<HWND, HWND> game_and_lowest_popup{source_window, nullptr};
    const auto find = [](HWND popup, LPARAM found) -> BOOL {
        auto& [game, lowest] = *reinterpret_cast<std::pair<HWND, HWND>*>(found);
        if (popup != game && ::IsWindowVisible(popup) &&
            !(::GetWindowLongPtrW(popup, GWL_EXSTYLE) & WS_EX_TOPMOST)) {
            lowest = popup;
        }
        return TRUE;
    };
    ::EnumThreadWindows(source_thread, find, reinterpret_cast<LPARAM>(&game_and_lowest_popup));
    HWND lowest_popup = game_and_lowest_popup.second;
    constexpr UINT z_order_only = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    if (lowest_popup) {
        if (::GetWindow(lowest_popup, GW_HWNDNEXT) != window.get()) {
            ::SetWindowPos(window.get(), lowest_popup, 0, 0, 0, 0, z_order_only);
        }
        game_popup_up = true;
        return;
    }
    // Back on top when the game's main window came above it or got the
    // keyboard (restored, activated, its message box closed). Without a
    // window manager, X may draw the game above the mirror whatever Wine's
    // order says, until the mirror puts itself back; and what the game's
    // windows covered is painted anew.
    const bool game_active = foreground == source_window;
    const bool back = std::exchange(game_popup_up, false) || (game_active && !game_had_keyboard);
    game_had_keyboard = game_active;
    HWND above = ::GetWindow(source_window, GW_HWNDPREV);
    while (above && above != window.get()) {
        above = ::GetWindow(above, GW_HWNDPREV);
    }
    if (!back && above) {
        return;
    }
    ::SetWindowPos(window.get(), HWND_TOP, 0, 0, 0, 0, z_order_only);
    ::InvalidateRect(window.get(), nullptr, FALSE);
    if (game_active) {
        ::SetForegroundWindow(window.get()); // where the system lets it
    }
}

// The picture is laid out anew for the game's client area as it is now; with
// `look_around`, the window covers the game's monitor as it is now, and the
// game's own client size is looked at too; with `renew_dc`, the game is read
// through a new device context (one got while it was minimized keeps its
// minimized picture).
void fullscreen_window::fit_to_game(bool renew_dc, bool look_around) noexcept {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT covered{};
    if (look_around && (!::GetMonitorInfoW(game_monitor(), &monitor) ||
                        !::GetWindowRect(window.get(), &covered))) {
        return;
    }
    const RECT& now = monitor.rcMonitor;
    const bool moved = look_around && !::EqualRect(&covered, &now);
    if (!moved && !renew_dc && same_game_client(source_window, picture->client(), look_around)) {
        return;
    }
    if (moved) {
        ::SetWindowPos(window.get(), nullptr, now.left, now.top, now.right - now.left,
                       now.bottom - now.top, SWP_NOZORDER | SWP_NOACTIVATE);
        ::GetClientRect(window.get(), &client_rect);
    }
    HDC dc = renew_dc ? ::GetDC(source_window) : nullptr;
    if (dc) {
        source_dc.reset({source_window, dc});
    }
    // A game window that goes away meanwhile ends the run on the next tick.
    try {
        const game_client area = locate_game_client(source_window, source_dc);
        if (moved || !(area == picture->client())) {
            show_new_picture(area);
        }
    } catch (const windows_error&) {
    }
}

// A picture of the game's client area `area` on the whole client area, in the
// scaling in force, read at once and laid out.
void fullscreen_window::show_new_picture(const game_client& area) noexcept {
    picture.emplace(area, SIZE{client_rect.right, client_rect.bottom}, scaling);
    picture->read(source_dc.get().dc);
    update_destination_rect();
}

// The next scaling mode, laid out at once, its name shown for two seconds.
void fullscreen_window::switch_scaling() noexcept {
    scaling = next_scaling_mode(scaling);
    mode_name_until = monotonic_clock::now() + std::chrono::seconds(2);
    show_new_picture(picture->client());
}

// White on black in the top-left corner, on the bar where there is one, a
// twenty-fourth of the screen's height: readable at any size and scaling.
void fullscreen_window::show_mode_name(HDC target) noexcept {
    const LONG height = std::max(client_rect.bottom / 24, LONG{12});
    const unique_gdi_object font{::CreateFontW(
        -height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Segoe UI")};
    const HGDIOBJ previous = ::SelectObject(target, font.get());
    const std::wstring_view name = scaling_mode_name(scaling);
    SIZE text{};
    ::GetTextExtentPoint32W(target, name.data(), static_cast<int>(name.size()), &text);
    const LONG margin = height / 2;
    mode_name_rect = {margin, margin, 3 * margin + text.cx, 2 * margin + text.cy};
    ::SetTextColor(target, RGB(255, 255, 255));
    ::SetBkColor(target, RGB(0, 0, 0));
    ::ExtTextOutW(target, 2 * margin, margin + margin / 2, ETO_OPAQUE, &mode_name_rect, name.data(),
                  static_cast<UINT>(name.size()), nullptr);
    ::SelectObject(target, previous);
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
