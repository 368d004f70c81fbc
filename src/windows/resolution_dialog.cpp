#include "windows/resolution_dialog.h"

#include "common/windows_error.h"
#include "options/known_options.h"
#include "windows/target_window_search.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <iterator>

namespace orvane {

namespace {

// The game's combobox lists the layouts in this order.
constexpr std::array<std::wstring_view, 6> game_resolution_indices{
    L"nokia-communicator", L"palm", L"palm+", L"palm+landscape", L"ppc", L"symbian-uiq"};

constexpr int combobox_id = 1000;
constexpr std::int64_t dialog_time_limit_seconds = 5;

} // namespace

int game_resolution_index(std::wstring_view name) noexcept {
    auto found = std::find(game_resolution_indices.begin(), game_resolution_indices.end(), name);
    if (found == game_resolution_indices.end()) {
        found = std::find(game_resolution_indices.begin(), game_resolution_indices.end(),
                          option::game_resolution.default_value);
    }
    return static_cast<int>(std::distance(game_resolution_indices.begin(), found));
}

void select_game_resolution(const command_line_options& options) {
    const auto resolution = get_option(options, option::game_resolution);
    const auto title = get_option(options, option::dialog_title);
    const auto class_name = get_option(options, option::dialog_class_name);
    const int index = game_resolution_index(resolution);

    HWND dialog = wait_for_window(title, class_name, dialog_time_limit_seconds);
    if (!dialog) {
        throw windows_error("Game Resolution selection window was not found");
    }
    // Both controls are looked up before anything is sent, so a dialog that
    // lacks one is left untouched.
    HWND combobox = ::GetDlgItem(dialog, combobox_id);
    if (!combobox) {
        throw windows_error("Game Resolution selection combobox was not found");
    }
    HWND ok_button = ::GetDlgItem(dialog, IDOK);
    if (!ok_button) {
        throw windows_error("Game Resolution selection OK button was not found");
    }
    ::SendMessageW(combobox, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageW(ok_button, BM_CLICK, 0, 0);
}

} // namespace orvane
