#pragma once

#include "options/command_line_options.h"

#include <string_view>

namespace orvane {

// Combobox item index of a screen layout name in the game's dialog; a name
// that is not one of the six (compared exactly) falls back to "palm+landscape".
int game_resolution_index(std::wstring_view name) noexcept;

// Waits for the freshly started game's resolution dialog, selects the layout
// given on the command line and presses OK.
void select_game_resolution(const command_line_options& options);

} // namespace orvane
