// The tool as a player runs it: real processes, the stand-in game, the error
// box, the screen. First finding or starting the game, then the full-screen
// mirror. On a desktop of two monitors the game shows where only the second
// one is. Where the picture goes and how clicks map are pinned by the value
// tables.
#include "stand_in.h"
#include "test_support.h"

#include "mirror/mirror_geometry.h"
#include "windows/target_window_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <list>

namespace orvane::test {
namespace {

struct launch_row {
    const char* name;
    const wchar_t* exe;   // --orvane-exe-path, "{game}" the copy's path; null: every option absent
    std::wstring options; // further options
    std::wstring shows;   // what the game the tool starts shows ("": a dialog, then its window)
    std::wstring error;   // the error box's text; empty: the mirror shows
    int layout = 3;       // chosen in the dialog
    std::wstring game_at = L"OrvanePC.exe"; // where the stand-in game is copied
};

const launch_row rows[] = {
    // The two waits of 5 s first, so that the others run meanwhile.
    {"no_resolution_dialog", L"OrvanePC.exe", L"", L"window",
     L"Game Resolution selection window was not found"},
    {"main_window_too_late", L"OrvanePC.exe", L"", L"dialog", L"The target window was not found"},
    {"every_default", nullptr, L"", L"", L""},
    {"absolute_path_with_blank", L"{game}", L"--orvane-game-resolution=ppc", L"", L"", 4,
     L"my games\\Orvane PC.exe"},
    {"relative_with_slashes_and_dots", L"games/gone/../dotted/./Game.exe",
     L"--orvane-game-resolution=nokia-communicator", L"", L"", 0, L"games\\dotted\\Game.exe"},
    {"missing_executable", L"NoSuchGame.exe", L"", L"", L"Unable to start the target process"},
    {"empty_executable_path", L"", L"", L"", L"Unable to start the target process"},
    {"dialog_without_combobox", L"OrvanePC.exe", L"", L"dialog-without-combobox",
     L"Game Resolution selection combobox was not found"},
    {"dialog_without_ok_button", L"OrvanePC.exe", L"", L"dialog-without-ok",
     L"Game Resolution selection OK button was not found"},
};

// One row: a directory of its own with a copy of the game, the record of the
// game that the tool starts, and the tool. Rows with an executable path give
// the game and the tool window texts of their own.
struct launch_run {
    launch_run(const launch_row& row, const std::wstring& texts) : row(row), texts(texts) {
        const auto game = directory.path / row.game_at;
        std::filesystem::create_directories(game.parent_path());
        std::filesystem::copy_file(game_exe, game);
        environment steering{{L"ORVANE_GAME_RECORD", record.file.native()},
                             {L"ORVANE_GAME_SHOWS", row.shows}};
        std::wstring options;
        if (row.exe) {
            steering.emplace_back(L"ORVANE_GAME_TITLE", texts);
            exe_path = row.exe == std::wstring_view(L"{game}") ? game.native() : row.exe;
            options = L"\"--orvane-exe-path=" + exe_path + L"\" " + row.options +
                      L" --orvane-window-text-start=" + texts +
                      L" --orvane-game-resolution-window-title=" + texts;
        }
        tool.emplace(options, directory.path, steering);
    }
    bool watch() { return tool->watch(closing_the_mirror); }
    const launch_row& row;
    const std::wstring texts;
    temp_directory directory;
    game_record record{.file = directory.path / L"record.txt"};
    std::wstring exe_path = L"OrvanePC.exe";
    std::optional<tool_run> tool;
};

TEST(launch, finds_or_starts_the_game_and_reports_each_failure) {
    std::list<launch_run> runs;
    for (const auto& row : rows) {
        runs.emplace_back(row, L"Row" + std::to_wstring(runs.size()));
    }
    eventually([&] { return std::ranges::none_of(runs, &launch_run::watch); }, 30s);

    for (const auto& [row, texts, directory, record, exe_path, tool] : runs) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(tool->error_box.value_or(L""), row.error);
        EXPECT_EQ(tool->exit_code, row.error.empty() ? 0u : 0xFFFFFFFF);
        // The two waits of 5 s end only after 5 s.
        EXPECT_TRUE(!row.error.ends_with(L"window was not found") || tool->error_after >= 5s);
        // A game the tool started keeps running whatever happens, and a
        // dialog it gave up on is left as it was.
        const auto games = record.values(L"pid");
        EXPECT_EQ(games.size(), row.error.starts_with(L"Unable") ? 0u : 1u);
        const unique_handle game{
            games.empty() ? nullptr : ::OpenProcess(SYNCHRONIZE, FALSE, std::stoul(games[0]))};
        EXPECT_TRUE(!game || ::WaitForSingleObject(game.get(), 0) == WAIT_TIMEOUT);
        if (HWND dialog = find_target_window(texts, L"#32770")) {
            EXPECT_EQ(::SendDlgItemMessageW(dialog, 1000, CB_GETCURSEL, 0, 0), 0);
        }
        if (row.error.empty()) {
            // In its own directory, with no arguments: the name as given.
            EXPECT_EQ(record.value(L"cwd"), (directory.path / row.game_at).parent_path().native());
            EXPECT_EQ(record.value(L"command_line"), exe_path);
            EXPECT_EQ(record.value(L"layout"), std::to_wstring(row.layout));
        }
    }
}

// Whether the monitor shows, within a few seconds, the game's four quadrants
// in `p` and black around it, on each side of every edge: the picture's, its
// centre lines and the monitor's.
bool shows(const RECT& monitor, const RECT& p) {
    const auto sides = [](LONG low, LONG high, LONG size) {
        const LONG mid = (low + high) / 2;
        return std::array{0L,       std::max(low - 3, 0L),        low + 2, mid - 3, mid + 2,
                          high - 3, std::min(high + 2, size - 1), size - 1};
    };
    return eventually([&] {
        HDC screen = ::GetDC(nullptr);
        bool shown = true;
        for (const LONG x : sides(p.left, p.right, monitor.right - monitor.left)) {
            for (const LONG y : sides(p.top, p.bottom, monitor.bottom - monitor.top)) {
                const bool inside = x >= p.left && x < p.right && y >= p.top && y < p.bottom;
                const int quadrant = (2 * x >= p.left + p.right) + 2 * (2 * y >= p.top + p.bottom);
                shown = shown && ::GetPixel(screen, monitor.left + x, monitor.top + y) ==
                                     (inside ? stand_in::quadrant_colours[quadrant] : RGB(0, 0, 0));
            }
        }
        ::ReleaseDC(nullptr, screen);
        return shown;
    });
}

TEST(mirror, shows_the_game_and_passes_its_input_on_until_the_game_ends) {
    const temp_directory directory;
    const game_record record{.file = directory.path / L"record.txt"};
    const running_game game = start_game(directory.path, record);
    MONITORINFO info{sizeof info, {}, {}, 0};
    ::GetMonitorInfoW(::MonitorFromWindow(game.window, MONITOR_DEFAULTTONEAREST), &info);
    EXPECT_EQ(::GetSystemMetrics(SM_CMONITORS) > 1, !(info.dwFlags & MONITORINFOF_PRIMARY));
    const RECT& monitor = info.rcMonitor;
    const RECT screen{0, 0, monitor.right - monitor.left, monitor.bottom - monitor.top};
    const RECT source{0, 0, 640, 480}, p = letterbox_rect(screen, source);

    // A game that runs is used: no path is looked up, nothing is started.
    tool_run tool(L"--orvane-exe-path=Z:\\no\\such\\game.exe", directory.path);
    ASSERT_TRUE(eventually([&] { return tool.watch() && tool.mirror; }));
    RECT covered{};
    ::GetWindowRect(tool.mirror, &covered);
    EXPECT_TRUE(::EqualRect(&covered, &monitor));
    EXPECT_TRUE(shows(monitor, p));

    // F8 toggles when pressed on its own; a key-down that gathers repeats is
    // dropped, and only F8's key-ups reach the game. The centre and a point in
    // a bar, whose offset wraps around in 16 bits, go to the game translated.
    const LPARAM centre = MAKELPARAM((p.left + p.right) / 2, (p.top + p.bottom) / 2),
                 game_centre = MAKELPARAM(320, 240), bar = MAKELPARAM(p.left / 2, p.top / 2),
                 dropped = -1, f8_up = 0xC0420001;
    const struct {
        UINT message;
        WPARAM wparam;
        LPARAM lparam, in_game;
        const RECT* then_shows = nullptr;
    } inputs[] = {
        {WM_KEYDOWN, VK_F8, 0x00420001, dropped},
        {WM_KEYUP, VK_F8, f8_up, f8_up, &screen},
        {WM_KEYDOWN, VK_F8, 0x40420002, dropped},
        {WM_KEYUP, VK_F8, f8_up, f8_up},
        {WM_KEYDOWN, VK_F8, 0x00420001, dropped},
        {WM_KEYUP, VK_F8, f8_up, f8_up, &p},
        {WM_KEYDOWN, 'A', 0x001E0001, 0x001E0001},
        {WM_CHAR, 'a', 0x001E0001, dropped},
        {WM_KEYDOWN, VK_SPACE, 0x40390005, 0x40390005}, // gathered repeats pass as they are
        {WM_SYSKEYDOWN, 'X', 0x202D0001, dropped},
        {WM_LBUTTONDOWN, MK_LBUTTON, centre, game_centre},
        {WM_MBUTTONDOWN, MK_MBUTTON, bar, translate_mouse_position(bar, p, source)},
        {WM_XBUTTONDBLCLK, MAKEWPARAM(0, XBUTTON1), centre, game_centre},
        {WM_MOUSEHWHEEL, MAKEWPARAM(0, WHEEL_DELTA), centre, dropped},
    };
    std::vector<std::wstring> expected;
    for (const auto& input : inputs) {
        ::PostMessageW(tool.mirror, input.message, input.wparam, input.lparam);
        if (input.in_game != dropped) {
            expected.push_back(stand_in::message_text(input.message, input.wparam, input.in_game));
        }
        EXPECT_TRUE(!input.then_shows || shows(monitor, *input.then_shows));
    }
    eventually([&] { return record.values(L"message").size() >= expected.size(); });
    EXPECT_EQ(record.values(L"message"), expected);

    // The game ends: the tool follows within a tick or two.
    ::PostMessageW(game.window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(eventually([&] { return !tool.watch(); }, 1s));
    EXPECT_EQ(tool.exit_code, 0u);
}

} // namespace
} // namespace orvane::test
