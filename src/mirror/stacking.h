#pragma once

#include <windows.h>

namespace orvane {

// Whose window has the keyboard (the foreground window).
enum class foreground_holder { mirror, game, game_window, other, nobody };

// Where the mirror stands in the Z order, from the game's main window up.
enum class mirror_place {
    just_above_game,     // no visible window between them
    above_other_windows, // only windows of other programs between them
    above_a_game_window, // a window of the game between them, which it covers
    below_game,
};

// What the mirror looks at to keep its place next to the game.
struct stacking_facts {
    foreground_holder foreground = foreground_holder::nobody;
    mirror_place place = mirror_place::just_above_game;
    // The highest visible, enabled window of the game above its main window,
    // looked for only while the mirror has the keyboard; or null.
    HWND game_window_above = nullptr;
    bool game_minimized = false;
    bool game_topmost = false;
    bool mirror_topmost = false;
    bool operator==(const stacking_facts&) const = default;
};

// What the mirror does about it; nothing, by default. A move puts it just
// above the game in the game's band: topmost exactly while the game is.
struct stacking_action {
    bool move_just_above_game = false;
    HWND give_keyboard_to = nullptr;
    bool operator==(const stacking_action&) const = default;
};

// The mirror covers the game and nothing of the game's own: it stands just
// above the game's main window (higher only where it already is, with other
// programs' windows between), topmost exactly while the game is, and never
// moves higher than that, whoever has the keyboard. While it has the
// keyboard, a window of the game that comes up gets it. While the game is
// minimized it stays where it is, but for a topmost mirror over a game that
// is topmost no more: it goes down to the game.
stacking_action decide_stacking(const stacking_facts& facts) noexcept;

} // namespace orvane
