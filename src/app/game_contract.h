#pragma once

#include <cstdint>
#include <string_view>

namespace orvane::game_contract {

// How the game's main window is found, and where the game is started from when
// it is not running yet; each can be changed by the option named beside it.
inline constexpr std::wstring_view window_text_start_key = L"--orvane-window-text-start";
inline constexpr std::wstring_view default_window_text_start = L"Orvane - ";

inline constexpr std::wstring_view window_class_name_key = L"--orvane-window-class-name";
inline constexpr std::wstring_view default_window_class_name = L"Afx:00400000:0";

inline constexpr std::wstring_view exe_path_key = L"--orvane-exe-path";
inline constexpr std::wstring_view default_exe_path = L"OrvanePC.exe";

// After its resolution dialog has been answered, the game opens its main window within this time.
inline constexpr std::int64_t main_window_time_limit_seconds = 5;

} // namespace orvane::game_contract
