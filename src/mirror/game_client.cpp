#include "mirror/game_client.h"

#include "common/system_procedure.h"
#include "common/windows_error.h"
#include "common/windows_owners.h"

#include <algorithm>

namespace orvane {
namespace {

// `call` made in the game's own DPI awareness, so that it sees the game's
// coordinates as the game does; where the system lacks per-thread awareness,
// nothing is scaled per window.
template <typename Call> BOOL in_game_dpi(HWND game, Call call) noexcept {
    using get_context = DPI_AWARENESS_CONTEXT(WINAPI*)(HWND);
    using set_context = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
    static const auto window_context =
        system_procedure<get_context>(L"user32.dll", "GetWindowDpiAwarenessContext");
    static const auto thread_context =
        system_procedure<set_context>(L"user32.dll", "SetThreadDpiAwarenessContext");
    const DPI_AWARENESS_CONTEXT game_context = window_context ? window_context(game) : nullptr;
    if (!game_context || !thread_context) {
        return call();
    }
    const DPI_AWARENESS_CONTEXT previous = thread_context(game_context);
    const BOOL done = call();
    thread_context(previous);
    return done;
}

bool own_client_rect(HWND game, RECT& rect) noexcept {
    return in_game_dpi(game, [&] { return ::GetClientRect(game, &rect); });
}

} // namespace

game_client locate_game_client(HWND game, window_dc& dc) {
    RECT own{}, ours{};
    if (!own_client_rect(game, own) || !::GetClientRect(game, &ours)) {
        throw windows_error("Unable to get the window client area rect");
    }
    const SIZE own_size{own.right, own.bottom};
    // Windows hands out the device context of a window it scales with the
    // window's own, unscaled picture (the scaling happens on the screen).
    // Wine's holds the scaled picture instead, starting elsewhere than at the
    // client area, and no call tells the two apart; its window device context
    // starts at the window's corner, which the window's rectangles place.
    if ((ours.right == own.right && ours.bottom == own.bottom) || !runs_under_wine()) {
        return {{0, 0}, own_size, own_size};
    }
    RECT frame{};
    POINT corner{0, 0};
    HDC window_dc = ::GetWindowDC(game);
    if (!window_dc) {
        throw windows_error("Unable to get the window DC");
    }
    dc.reset({game, window_dc});
    if (!::GetWindowRect(game, &frame) || !::ClientToScreen(game, &corner)) {
        throw windows_error("Unable to get the window client area rect");
    }
    return {{corner.x - frame.left, corner.y - frame.top}, {ours.right, ours.bottom}, own_size};
}

bool same_game_client(HWND game, const game_client& client, bool own_size_too) noexcept {
    RECT own{}, ours{};
    return ::GetClientRect(game, &ours) && ours.right == client.size.cx &&
           ours.bottom == client.size.cy &&
           (!own_size_too || (own_client_rect(game, own) && own.right == client.own_size.cx &&
                              own.bottom == client.own_size.cy));
}

POINT game_screen_position(HWND game, POINT pixel) noexcept {
    in_game_dpi(game, [&] { return ::ClientToScreen(game, &pixel); });
    return pixel;
}

// Under Wine a read of another process's window goes through buffers of the
// C library, which takes fresh pages for each one above its threshold (at
// first 128 KB): a 640x480 read costs 8 ms instead of 0.4. It raises that
// threshold for good when it gives back a larger block, so one large read of
// the screen, once, lets the game be read in one piece. Reads of half of what
// that read took, or of at most 120 KB, take no fresh pages.
LONG rows_per_read(const game_client& client) noexcept {
    const LONG width = std::max(client.size.cx, LONG{1});
    const LONG height = std::max(client.size.cy, LONG{1});
    if (!runs_under_wine()) {
        return height;
    }
    static std::size_t unmapped_read = 120 * 1024, tried_for = 0;
    const std::size_t row = 4 * std::size_t(width), whole = row * std::size_t(height);
    if (unmapped_read < whole && tried_for < whole) {
        tried_for = whole;
        // Twice the game's picture and a megabyte more, as far as the screen
        // and the library's highest threshold (32 MB) allow.
        const LONG screen_width = std::max(::GetSystemMetrics(SM_CXSCREEN), 1);
        const std::size_t rows =
            std::min<std::size_t>({(2 * whole + (1 << 20)) / (4 * std::size_t(screen_width)),
                                   std::size_t(::GetSystemMetrics(SM_CYSCREEN)),
                                   (std::size_t(30) << 20) / (4 * std::size_t(screen_width))});
        HDC screen = ::GetDC(nullptr);
        const memory_bitmap pixel = pixel_bitmap({1, 1});
        if (screen && pixel &&
            ::StretchBlt(pixel.get().dc, 0, 0, 1, 1, screen, 0, 0, screen_width,
                         static_cast<int>(rows), SRCCOPY)) {
            unmapped_read = std::max(unmapped_read, rows * 4 * std::size_t(screen_width) / 2);
        }
        ::ReleaseDC(nullptr, screen);
    }
    return static_cast<LONG>(std::clamp<std::size_t>(unmapped_read / row, 1, std::size_t(height)));
}

BOOL copy_game_rows(const game_client& client, HDC dc, LONG top, LONG count, HDC target) noexcept {
    return ::BitBlt(target, 0, 0, client.size.cx, count, dc, client.origin.x, client.origin.y + top,
                    SRCCOPY);
}

} // namespace orvane
