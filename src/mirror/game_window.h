#pragma once

#include "mirror/stacking.h"

#include <windows.h>

namespace orvane {

// The game's main window as the mirror follows it: its state each tick (one
// call), where it and the mirror stand among the windows on each look.
struct game_state {
    bool gone = false;
    bool minimized = false;
    bool enabled = true;
    bool operator==(const game_state&) const = default;
    // Input the mirror passes on reaches the game: Windows gives a disabled
    // window none, and a minimized one shows nothing of it.
    [[nodiscard]] bool takes_input() const noexcept { return !gone && enabled && !minimized; }
};
game_state game_state_of(HWND game) noexcept;

// The process of a window: the game's tells its windows from others'.
DWORD process_of(HWND window) noexcept;

// Who has the keyboard, where the mirror stands, and the game's windows
// above its main window, as the Z order says now.
stacking_facts stacking_facts_of(HWND game, DWORD game_process, HWND mirror, HWND foreground,
                                 const game_state& state) noexcept;

// Puts `mirror` just above `game`, in the game's band (topmost or not), in
// one move.
void move_just_above(HWND mirror, HWND game) noexcept;

// The monitor the game shows on; a minimized game's is where it shows once
// restored.
HMONITOR game_monitor(HWND game) noexcept;

} // namespace orvane
