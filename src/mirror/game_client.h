#pragma once

#include "common/windows_owners.h"

#include <windows.h>

namespace orvane {

// The game window's client area as the mirror reads it: where it starts in
// the device context it is copied from, its size there, and its size in the
// game's own coordinates, which its mouse messages use. The two sizes differ
// where the system scales a game that is not DPI aware and the device context
// holds the scaled picture.
struct game_client {
    POINT origin{};
    SIZE size{};
    SIZE own_size{};
    bool operator==(const game_client& other) const noexcept {
        return origin.x == other.origin.x && origin.y == other.origin.y &&
               size.cx == other.size.cx && size.cy == other.size.cy &&
               own_size.cx == other.own_size.cx && own_size.cy == other.own_size.cy;
    }
};

// Reads where the client area of `game` is in `dc`, its GetDC device context,
// which it replaces where the platform needs another one. Throws
// windows_error.
game_client locate_game_client(HWND game, window_dc& dc);

// Whether the client area of `game` still has the sizes `client` was located
// with; it has none while the game is minimized. Without `own_size_too` only
// the size the mirror sees, one call: it changes with the game's own size
// wherever the system scales the game up or not at all.
bool same_game_client(HWND game, const game_client& client, bool own_size_too) noexcept;

// Where the game's own client position `pixel` is on the screen, as the game
// itself sees the screen.
POINT game_screen_position(HWND game, POINT pixel) noexcept;

// How many rows of the game's picture one read takes.
LONG rows_per_read(const game_client& client) noexcept;

// Copies `count` rows of the game's picture from its row `top` in `dc`, as
// located, 1:1 into `target` at 0, 0; FALSE when they could not be read.
BOOL copy_game_rows(const game_client& client, HDC dc, LONG top, LONG count, HDC target) noexcept;

} // namespace orvane
