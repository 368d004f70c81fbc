#pragma once

#include "options/command_line_options.h"

#include <string_view>

namespace orvane {

// An option the tool reads, and the value it has when the command line does
// not give it.
struct known_option {
    std::wstring_view key;
    std::wstring_view default_value;
};

// Every option of the tool, in one place.
namespace option {
// The game's executable, started when the game is not running yet.
inline constexpr known_option exe_path{L"--orvane-exe-path", L"OrvanePC.exe"};
// The layout chosen in the game's resolution dialog.
inline constexpr known_option game_resolution{L"--orvane-game-resolution", L"palm+landscape"};
// How the game's main window is found.
inline constexpr known_option window_text_start{L"--orvane-window-text-start", L"Orvane - "};
inline constexpr known_option window_class_name{L"--orvane-window-class-name", L"Afx:00400000:0"};
// How the game's resolution dialog is found.
inline constexpr known_option dialog_title{L"--orvane-game-resolution-window-title",
                                           L"Game Resolution"};
inline constexpr known_option dialog_class_name{L"--orvane-game-resolution-window-class-name",
                                                L"#32770"};
// How the game's picture is scaled.
inline constexpr known_option scaling{L"--orvane-scaling", L"nearest"};
// "yes": the picture stretched over the whole screen from the start, as F8 does.
inline constexpr known_option stretch{L"--orvane-stretch", L"no"};
} // namespace option

// The option's value on the command line or in the settings file, or its default.
inline std::wstring_view get_option(const command_line_options& options,
                                    const known_option& known) {
    return get_option(options, known.key, known.default_value);
}

} // namespace orvane
