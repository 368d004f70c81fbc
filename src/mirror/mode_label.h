#pragma once

#include "common/elapsed_time.h"

#include <windows.h>

#include <string_view>

namespace orvane {

// The scaling mode's name in the top-left corner of the screen, for two
// seconds after the player switched to it: white on black, on the bar where
// there is one, a twenty-fourth of the screen's height, readable at any size.
class mode_label {
public:
    void show_from(monotonic_clock::time_point now) noexcept;
    // Whether its time ran out at `now`; its place is then to be painted anew.
    bool ends(monotonic_clock::time_point now) noexcept;
    [[nodiscard]] bool shown() const noexcept { return until != monotonic_clock::time_point{}; }
    [[nodiscard]] const RECT& place() const noexcept { return where; }
    // Draws `name` while the label shows, on a screen `screen_height` high.
    void draw(HDC target, std::wstring_view name, LONG screen_height) noexcept;

private:
    monotonic_clock::time_point until{};
    RECT where{};
};

} // namespace orvane
