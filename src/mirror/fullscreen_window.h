#pragma once

#include "common/elapsed_time.h"
#include "common/windows_owners.h"
#include "mirror/game_window.h"
#include "mirror/mode_label.h"
#include "mirror/pace.h"
#include "mirror/scaled_picture.h"
#include "mirror/scaling_mode.h"
#include "options/known_options.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace orvane {

// How the picture is shown; the player switches both.
struct mirror_choices {
    scaling_mode scaling = scaling_mode::nearest;
    bool stretch = false;
};

// Keeps the player's choice of an option for the next run. Must not throw.
using choice_keeper = std::function<void(const known_option& option, std::wstring_view value)>;

// The borderless window that covers the game window's monitor and shows the
// game's client area on it, scaled as `scaling` says and refreshed by a
// self-adjusting timer whenever the game's picture has changed, resting while
// it is still and woken by what can change it. It follows the
// game (game_window): its state and client size each tick; its place in the Z
// order, the keyboard and its monitor a few times a second and at once when
// the game's state or the keyboard changes. Input that reaches it is posted
// on to the game window while the game takes input; F8 switches between
// keeping the proportions and stretching, Shift+F8 to the next scaling mode;
// each switch goes to `keep_choice`.
// Its address is in the window's GWLP_USERDATA, so it stays at one place:
// neither copied nor moved.
class fullscreen_window {
public:
    // Throws windows_error, having released what it acquired.
    fullscreen_window(const std::wstring& class_name, HWND source_window,
                      const mirror_choices& choices = {}, choice_keeper keep_choice = {});
    ~fullscreen_window();
    fullscreen_window(const fullscreen_window&) = delete;
    fullscreen_window& operator=(const fullscreen_window&) = delete;

    // The mirror window; null once it has been destroyed.
    [[nodiscard]] HWND handle() const noexcept { return window.get(); }
    [[nodiscard]] const RECT& picture_rect() const noexcept { return picture->rect(); }
    [[nodiscard]] std::uint32_t interval_ms() const noexcept { return tick_pace.interval_ms(); }

    static LRESULT CALLBACK mirror_window_proc(HWND hwnd, UINT message, WPARAM wparam,
                                               LPARAM lparam) noexcept;

private:
    void construct(const std::wstring& class_name, HWND source, const mirror_choices& choices);
    void release() noexcept;
    LRESULT handle_message(UINT message, WPARAM wparam, LPARAM lparam) noexcept;
    void act_on_f8(LPARAM lparam) noexcept;
    [[nodiscard]] LPARAM wheel_position(LPARAM screen_position) const noexcept;
    void start_timer() noexcept;
    void wake() noexcept;
    void detach() noexcept;
    void look_around(HWND foreground) noexcept;
    void cover_game_monitor() noexcept;
    void fit_to_window() noexcept;
    void follow_game_client(bool own_size_too) noexcept;
    void show_new_picture(const game_client& area) noexcept;
    void switch_scaling() noexcept;

    // fullscreen_window_paint.cpp
    void update_destination_rect() noexcept;
    void next_frame() noexcept;
    void paint_frame() noexcept;
    bool draw_picture(HDC target) noexcept;

    // In the order of acquisition; released in reverse.
    registered_class window_class;
    HWND source_window = nullptr;
    DWORD source_process = 0;
    window_dc source_dc;
    unique_window window;
    RECT client_rect{};
    std::optional<scaled_picture> picture;
    window_timer timer;
    bool keep_aspect_ratio = true;
    pace tick_pace;
    // Since when the picture has not changed, nor anything that can change it
    // happened.
    monotonic_clock::time_point still_since = monotonic_clock::now();
    scaling_mode scaling = scaling_mode::nearest;
    // Ticks on which the game's device context is got afresh: after the game
    // was minimized, it goes on reading the minimized picture for a while.
    int dc_renewals = 0;
    static constexpr int renewals_after_minimized = 25; // half a second of ticks
    // The game and the keyboard as the last tick saw them; the Z order and
    // the monitor are looked at again when they change, or at the next look.
    game_state game;
    HWND foreground_window = nullptr;
    std::optional<stacking_facts> facts_acted_on;
    int tries_unseen = 0;      // since the facts last changed
    int looks_to_next_try = 0; // 0: none
    monotonic_clock::time_point next_look{};
    static constexpr auto look_interval = std::chrono::milliseconds(100);
    mode_label label;
    choice_keeper keep_choice;
};

} // namespace orvane
