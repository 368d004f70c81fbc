#include "app/dpi_awareness.h"
#include "app/game_contract.h"
#include "app/message_loop.h"
#include "mirror/fullscreen_window.h"
#include "options/known_options.h"
#include "options/settings_file.h"
#include "process/target_process.h"
#include "windows/resolution_dialog.h"
#include "windows/target_window_search.h"

#include <windows.h>

#include <stdexcept>
#include <string>

namespace orvane {
namespace {

// Starts the game, answers its resolution dialog and waits for its main window.
HWND start_game(const command_line_options& options, std::wstring_view window_text_start,
                std::wstring_view window_class_name) {
    start_target_process(std::wstring{get_option(options, option::exe_path)});
    select_game_resolution(options);
    HWND game_window = wait_for_window(window_text_start, window_class_name,
                                       game_contract::main_window_time_limit_seconds);
    if (!game_window) {
        throw std::runtime_error("The target window was not found");
    }
    return game_window;
}

int launch_sequence(const wchar_t* command_line) {
    command_line_options options = parse_command_line(command_line);
    settings_file settings;
    add_settings(options, settings.text()); // the command line wins
    const auto window_text_start = get_option(options, option::window_text_start);
    const auto window_class_name = get_option(options, option::window_class_name);

    HWND game_window = find_target_window(window_text_start, window_class_name);
    if (!game_window) {
        game_window = start_game(options, window_text_start, window_class_name);
    }

    const mirror_choices choices{.scaling =
                                     scaling_mode_named(get_option(options, option::scaling)),
                                 .stretch = get_option(options, option::stretch) == L"yes"};
    fullscreen_window mirror(L"ForceFullScreenWindow", game_window, choices,
                             [&settings](const known_option& option, std::wstring_view value) {
                                 settings.keep(option, value);
                             });
    run_message_loop(mirror);
    return 0;
}

} // namespace
} // namespace orvane

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int) {
    orvane::declare_per_monitor_dpi_awareness();
    // The one place where failures are caught: everything the run acquired has
    // been released by the time the box shows. The game keeps running.
    try {
        return orvane::launch_sequence(command_line);
    } catch (const std::exception& failure) {
        ::MessageBoxA(nullptr, failure.what(), "Error", MB_ICONERROR);
        return -1;
    }
}
