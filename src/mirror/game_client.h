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
};

// Reads where the client area of `game` is in `dc`, its GetDC device context,
// which it replaces where the platform needs another one. Throws
// windows_error.
game_client locate_game_client(HWND game, window_dc& dc);

} // namespace orvane
