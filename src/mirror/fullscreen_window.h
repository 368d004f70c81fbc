#pragma once

#include "common/elapsed_time.h"
#include "common/windows_owners.h"
#include "mirror/scaled_picture.h"
#include "mirror/scaling_mode.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace orvane {

// The borderless window that covers the game window's monitor and shows the
// game's client area on it, scaled as `scaling` says and refreshed by a
// self-adjusting timer whenever the game's picture has changed. It follows the
// game: its client size and minimized or restored each tick; its monitor and
// its own windows, which show above the mirror while they are up, ten times a
// second and at once when the keyboard moves. Input that reaches it is posted
// on to the game window; F8 switches between keeping the proportions and
// stretching, Shift+F8 to the next scaling mode. Its address is in the
// window's GWLP_USERDATA, so it stays at one place: neither copied nor moved.
class fullscreen_window {
public:
    // Throws windows_error, having released what it acquired.
    fullscreen_window(const std::wstring& class_name, HWND source_window,
                      scaling_mode scaling = scaling_mode::nearest);
    ~fullscreen_window();
    fullscreen_window(const fullscreen_window&) = delete;
    fullscreen_window& operator=(const fullscreen_window&) = delete;

    // The mirror window; null once it has been destroyed.
    [[nodiscard]] HWND handle() const noexcept { return window.get(); }
    [[nodiscard]] const RECT& picture_rect() const noexcept { return picture->rect(); }
    [[nodiscard]] std::uint32_t interval_ms() const noexcept { return timer_interval_ms; }

    static LRESULT CALLBACK mirror_window_proc(HWND hwnd, UINT message, WPARAM wparam,
                                               LPARAM lparam) noexcept;

private:
    void construct(const std::wstring& class_name, HWND source, scaling_mode scaling);
    void release() noexcept;
    LRESULT handle_message(UINT message, WPARAM wparam, LPARAM lparam) noexcept;
    void start_timer() noexcept;
    void detach() noexcept;
    HMONITOR game_monitor() const noexcept;
    void keep_in_z_order(HWND foreground) noexcept;
    void fit_to_game(bool renew_dc, bool look_around) noexcept;
    void show_new_picture(const game_client& area) noexcept;
    void switch_scaling() noexcept;
    void show_mode_name(HDC target) noexcept;

    // frame_copy.cpp
    void update_destination_rect() noexcept;
    void next_frame() noexcept;
    void paint_frame() noexcept;
    void draw_picture(HDC target) noexcept;

    // In the order of acquisition; released in reverse.
    registered_class window_class;
    HWND source_window = nullptr;
    window_dc source_dc;
    unique_window window;
    RECT client_rect{};
    std::optional<scaled_picture> picture;
    window_timer timer;
    bool keep_aspect_ratio = true;
    std::uint32_t timer_interval_ms = 20;
    scaling_mode scaling = scaling_mode::nearest;
    DWORD source_thread = 0;
    // Ticks on which the game's device context is got afresh: after the game
    // was minimized, it goes on reading the minimized picture for a while.
    int dc_renewals = 0;
    static constexpr int renewals_after_minimized = 25; // half a second of ticks
    // The Z order and the monitor are looked at again then, or sooner.
    monotonic_clock::time_point next_look_around{};
    static constexpr auto look_around_interval = std::chrono::milliseconds(100);
    HWND foreground_window = nullptr;
    bool game_minimized = false;
    bool game_popup_up = false;
    bool game_had_keyboard = false;
    bool shift_down = false; // as the key messages that reached the mirror say
    // The scaling mode's name shows in a corner until then, over that place.
    monotonic_clock::time_point mode_name_until{};
    RECT mode_name_rect{};
};

} // namespace orvane
