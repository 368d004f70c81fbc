#include "mirror/game_window.h"

namespace orvane {

DWORD process_of(HWND window) noexcept {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    return process;
}

namespace {

constexpr int max_steps = 4096;

bool is_topmost(HWND window) noexcept {
    return (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

bool of_game(HWND window, HWND game, DWORD game_process) noexcept {
    return process_of(window) == game_process || ::GetWindow(window, GW_OWNER) == game;
}

foreground_holder holder_of(HWND foreground, HWND game, DWORD game_process, HWND mirror) noexcept {
    if (!foreground) {
        return foreground_holder::nobody;
    }
    if (foreground == mirror) {
        return foreground_holder::mirror;
    }
    if (foreground == game) {
        return foreground_holder::game;
    }
    return process_of(foreground) == game_process ? foreground_holder::game_window
                                                  : foreground_holder::other;
}

} // namespace

game_state game_state_of(HWND game) noexcept {
    const LONG_PTR style = ::GetWindowLongPtrW(game, GWL_STYLE);
    if (style == 0 && !::IsWindow(game)) {
        return {.gone = true};
    }
    return {.minimized = (style & WS_MINIMIZE) != 0, .enabled = (style & WS_DISABLED) == 0};
}

stacking_facts stacking_facts_of(HWND game, DWORD game_process, HWND mirror, HWND foreground,
                                 const game_state& state) noexcept {
    stacking_facts facts{.foreground = holder_of(foreground, game, game_process, mirror),
                         .place = mirror_place::below_game,
                         .game_minimized = state.minimized,
                         .game_topmost = is_topmost(game),
                         .mirror_topmost = is_topmost(mirror)};
    // From the game up to the mirror; past it only while the mirror has the
    // keyboard, and so stands near the top. The walk is bounded: windows that
    // come and go meanwhile could make it a loop.
    bool between = true, other_between = false, game_between = false;
    const bool whole_way = facts.foreground == foreground_holder::mirror;
    int steps = 0;
    for (HWND above = ::GetWindow(game, GW_HWNDPREV);
         above && (between || whole_way) && ++steps <= max_steps;
         above = ::GetWindow(above, GW_HWNDPREV)) {
        if (above == mirror) {
            between = false;
            facts.place = game_between    ? mirror_place::above_a_game_window
                          : other_between ? mirror_place::above_other_windows
                                          : mirror_place::just_above_game;
            continue;
        }
        if (!::IsWindowVisible(above)) {
            continue;
        }
        const bool game_window = of_game(above, game, game_process);
        game_between |= between && game_window;
        other_between |= between && !game_window;
        if (whole_way && game_window && ::IsWindowEnabled(above)) {
            facts.game_window_above = above;
        }
    }
    return facts;
}

void move_just_above(HWND mirror, HWND game) noexcept {
    const bool topmost = is_topmost(game);
    HWND above = ::GetWindow(game, GW_HWNDPREV);
    if (above == mirror) {
        if (is_topmost(mirror) == topmost) {
            return;
        }
        above = ::GetWindow(mirror, GW_HWNDPREV);
    }
    // In one move: a window placed after a topmost window becomes topmost,
    // after another one it is topmost no more. Where nothing of the game's
    // band is above the game, at the top of that band.
    const HWND after = above && is_topmost(above) == topmost ? above
                       : topmost                             ? HWND_TOPMOST
                       : is_topmost(mirror)                  ? HWND_NOTOPMOST
                                                             : HWND_TOP;
    ::SetWindowPos(mirror, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HMONITOR game_monitor(HWND game) noexcept {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!::IsIconic(game) || !::GetWindowPlacement(game, &placement)) {
        return ::MonitorFromWindow(game, MONITOR_DEFAULTTONEAREST);
    }
    // In workspace coordinates, which start at the corner of the work area
    // (the monitor less the task bar) of the monitor they lie on.
    RECT normal = placement.rcNormalPosition;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!(::GetWindowLongPtrW(game, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) &&
        ::GetMonitorInfoW(::MonitorFromRect(&normal, MONITOR_DEFAULTTONEAREST), &monitor)) {
        ::OffsetRect(&normal, monitor.rcWork.left - monitor.rcMonitor.left,
                     monitor.rcWork.top - monitor.rcMonitor.top);
    }
    return ::MonitorFromRect(&normal, MONITOR_DEFAULTTONEAREST);
}

} // namespace orvane
