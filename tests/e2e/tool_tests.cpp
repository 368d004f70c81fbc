// The tool as a player runs it: real processes, the stand-in game, the error
// box, the screen. First finding or starting the game, then the full-screen
// mirror. On a desktop of two monitors the game shows where only the second
// one is. Where the picture goes and how clicks map are pinned by the value
// tables.
#include "stand_in.h"
#include "test_support.h"

#include "windows/target_window_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <iostream>
#include <list>
#include <map>
#include <optional>
#include <span>
#include <tuple>

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
    std::string settings = "";              // the settings file, "{texts}" the row's texts
    bool read_only = false; // the tool in a folder it cannot write to, the file under %APPDATA%
};

const launch_row rows[] = {
    // The waits of 5 s first, so that the others run meanwhile.
    {"no_resolution_dialog", L"OrvanePC.exe", L"", L"window",
     L"Game Resolution selection window was not found"},
    {"main_window_too_late", L"OrvanePC.exe", L"", L"dialog", L"The target window was not found"},
    {"settings_name_the_class", nullptr, L"", L"", L"The target window was not found", 3,
     L"OrvanePC.exe",
     "[orvane-fullscreen]\r\nwindow-text-start={texts}\r\ngame-resolution-window-title={texts}\r\n"
     "window-class-name=NoSuchClass\r\n"},
    {"settings_name_the_game", nullptr, L"", L"", L"", 4, L"games\\Game.exe",
     "\xEF\xBB\xBF; mine\r\n[orvane-fullscreen]\r\nexe-path=games\\Game.exe\r\n"
     "window-text-start=\"{texts}\"\r\ngame-resolution-window-title={texts}\r\n"
     "game-resolution=ppc\r\nwindow-class-name=Afx:00400000:0\r\n"},
    {"command_line_over_settings", L"OrvanePC.exe", L"--orvane-game-resolution=palm", L"", L"", 1,
     L"OrvanePC.exe",
     "[orvane-fullscreen]\nexe-path=NoSuchGame.exe\ngame-resolution=ppc\nwindow-text-start=No\n"},
    {"read_only_folder_settings_under_appdata", nullptr, L"", L"", L"", 2, L"OrvanePC.exe",
     "[orvane-fullscreen]\r\nwindow-text-start={texts}\r\ngame-resolution-window-title={texts}\r\n"
     "game-resolution=palm+\r\n",
     true},
    {"read_only_folder_first_choice_under_appdata", L"OrvanePC.exe", L"", L"", L"", 3,
     L"OrvanePC.exe", "", true},
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

// The tool that cannot write to its folder (scripts/lib/test-pass mounts it).
const auto read_only_tool =
    tool_exe.parent_path().parent_path() / L"read-only" / tool_exe.filename();

// One row: a directory of its own with a copy of the game, the record of the
// game that the tool starts, and the tool. Rows with an executable path or
// settings give the game and the tool window texts of their own.
struct launch_run {
    launch_run(const launch_row& row, const std::wstring& texts) : row(row), texts(texts) {
        const auto game = directory.path / row.game_at;
        std::filesystem::create_directories(game.parent_path());
        std::filesystem::copy_file(game_exe, game);
        environment steering{{L"ORVANE_GAME_RECORD", record.file.native()},
                             {L"ORVANE_GAME_SHOWS", row.shows}};
        if (row.exe || !settings.empty()) {
            steering.emplace_back(L"ORVANE_GAME_TITLE", texts);
        }
        std::wstring options;
        if (row.exe) {
            exe_path = row.exe == std::wstring_view(L"{game}") ? game.native() : row.exe;
            options = L"\"--orvane-exe-path=" + exe_path + L"\" " + row.options +
                      L" --orvane-window-text-start=" + texts +
                      L" --orvane-game-resolution-window-title=" + texts;
        }
        for (auto at = settings.find("{texts}"); at != std::string::npos;
             at = settings.find("{texts}")) {
            settings.replace(at, 7, std::string(texts.begin(), texts.end()));
        }
        if (!settings.empty()) {
            write_file(settings_file, settings);
        }
        tool.emplace(options, directory.path, steering,
                     row.read_only ? read_only_tool : std::filesystem::path{});
    }
    bool watch() { return tool->watch(closing_the_mirror); }
    const launch_row& row;
    const std::wstring texts;
    temp_directory directory;
    game_record record{.file = directory.path / L"record.txt"};
    std::wstring exe_path = row.game_at;
    std::string settings = row.settings;
    const std::filesystem::path settings_file =
        row.read_only ? directory.path / L"appdata\\orvane-fullscreen" / settings_name
                      : directory.path / settings_name;
    std::optional<tool_run> tool;
};

TEST(launch, finds_or_starts_the_game_and_reports_each_failure) {
    std::filesystem::remove(tool_exe.parent_path() / settings_name); // seen by read_only_tool
    std::list<launch_run> runs;
    for (const auto& row : rows) {
        if (!row.read_only || std::filesystem::exists(read_only_tool)) {
            // "Row1." is no prefix of "Row10.".
            runs.emplace_back(row, L"Row" + std::to_wstring(runs.size()) + L".");
        } else {
            std::cout << "left out, no read-only folder: " << row.name << "\n";
        }
    }
    eventually([&] { return std::ranges::none_of(runs, &launch_run::watch); }, 30s);

    for (const auto& [row, texts, directory, record, exe_path, settings, settings_file, tool] :
         runs) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(tool->error_box.value_or(L""), row.error);
        EXPECT_EQ(tool->exit_code, row.error.empty() ? 0u : 0xFFFFFFFF);
        // The waits of 5 s, for the dialog from the start and for the main
        // window from the answer, end only after 5 s (on the coarse tick).
        EXPECT_TRUE(!row.error.ends_with(L"window was not found") ||
                    tool->error_tick >= 4900 + (row.shows == L"dialog"
                                                    ? std::stoull(record.value(L"answered"))
                                                    : tool->start_tick));
        // A game the tool started keeps running whatever happens, and a
        // dialog it gave up on is left as it was.
        const auto games = record.values(L"pid");
        EXPECT_EQ(games.size(), row.error.starts_with(L"Unable") ? 0u : 1u);
        const unique_handle game{
            games.empty() ? nullptr : ::OpenProcess(SYNCHRONIZE, FALSE, std::stoul(games[0]))};
        EXPECT_TRUE(games.empty() || ::WaitForSingleObject(game.get(), 0) == WAIT_TIMEOUT);
        if (HWND dialog = find_target_window(texts, L"#32770")) {
            EXPECT_EQ(::SendDlgItemMessageW(dialog, 1000, CB_GETCURSEL, 0, 0), 0);
        }
        if (row.error.empty()) {
            // In its own directory, with no arguments: the name as given.
            EXPECT_EQ(record.value(L"cwd"), (directory.path / row.game_at).parent_path().native());
            EXPECT_EQ(record.value(L"command_line"), exe_path);
            EXPECT_EQ(record.value(L"layout"), std::to_wstring(row.layout));
            // F8 before Alt+F4: kept in the settings file, a line added to the
            // player's, in the file's line ends; a new file says what it is.
            const std::string kept = file_bytes(settings_file),
                              newline = settings.find("\r\n") == std::string::npos &&
                                                settings.find('\n') != std::string::npos
                                            ? "\n"
                                            : "\r\n";
            EXPECT_TRUE(settings.empty()
                            ? kept.starts_with("; ") &&
                                  kept.ends_with("\r\n[orvane-fullscreen]\r\nstretch=yes\r\n")
                            : kept == settings + "stretch=yes" + newline)
                << kept;
        }
    }
}

// Whether a colour is mostly of this channel (blends included).
constexpr int red = 0, blue = 2;
bool mostly(std::uint32_t colour, int channel) {
    const auto part = [&](int c) {
        return colour >> (16 - 8 * c) & 0xFF;
    };
    return part(channel) > part((channel + 1) % 3) + 0x40 &&
           part(channel) > part((channel + 2) % 3);
}

// The game's picture on the screen: the box around all that is not black.
RECT picture_box(const picture& shot) {
    const LONG height = static_cast<LONG>(shot.pixels.size()) / shot.width;
    RECT box{shot.width, height, 0, 0};
    for (LONG i = 0; i < shot.width * height; ++i) {
        if (shot.pixels[static_cast<std::size_t>(i)]) {
            const LONG x = i % shot.width, y = i / shot.width;
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                   std::max(box.bottom, y + 1)};
        }
    }
    return box;
}

// The widest run of pixels whose colours the game's picture does not have
// (blends) across `p`, along the rows through the centres of its pixels.
LONG widest_blend(const picture& shot, const RECT& p, const std::map<std::uint32_t, LPARAM>& own) {
    LONG widest = 0;
    for (LONG row = 0; row < 144; ++row) {
        const LONG y = p.top + (2 * row + 1) * (p.bottom - p.top) / 288;
        for (LONG x = p.left, run = 0; x < p.right; ++x) {
            widest = std::max(widest, run = own.contains(shot.at(x, y)) ? 0 : run + 1);
        }
    }
    return widest;
}

// The first visible window above `window` in the Z order as Wine reports it
// (what X draws can differ: each process restacks its own windows), and
// whether `upper` is above `lower` there.
HWND visible_above(HWND window) {
    for (HWND above = ::GetWindow(window, GW_HWNDPREV); above;
         above = ::GetWindow(above, GW_HWNDPREV)) {
        if (::IsWindowVisible(above)) {
            return above;
        }
    }
    return nullptr;
}
bool is_above(HWND upper, HWND lower) {
    HWND above = lower;
    while (above && above != upper) {
        above = ::GetWindow(above, GW_HWNDPREV);
    }
    return above != nullptr;
}
bool topmost(HWND window) {
    return ::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST;
}

// The keyboard given to `window`, raised, as the player's click would: Wine
// leaves a window its thread has active where it is. Wine then matches its
// keys' state to X's, which would let go a key pressed too soon.
bool give_keyboard(HWND window) {
    ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetForegroundWindow(window);
    const bool given = eventually([&] { return ::GetForegroundWindow() == window; });
    std::this_thread::sleep_for(300ms);
    return given;
}

constexpr bool down = true, up = false;

// The stand-in game of 160 x 144 that is DPI aware, whose factor on a 1920 x
// 1080 screen (7.5) rounds and floors differently, started minimized; every
// pixel of its picture has a colour of its own. Another program beside it.
// The monitor the game shows on: on two monitors, the second one.
struct mirror_desktop {
    mirror_desktop() {
        ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2); // real pixels
        scaled_display = ::GetDpiForSystem() > USER_DEFAULT_SCREEN_DPI;
        game = start_game(directory.path, record,
                          {{L"ORVANE_GAME_CLIENT_SIZE", L"160x144"},
                           {L"ORVANE_GAME_PIXEL_CODES", L"1"},
                           {L"ORVANE_GAME_MINIMIZED", L"1"},
                           {L"ORVANE_GAME_DPI_AWARE", L"1"}});
        WINDOWPLACEMENT placed{};
        placed.length = sizeof placed;
        ::GetWindowPlacement(game.window, &placed); // where it shows once restored
        info.cbSize = sizeof info;
        ::GetMonitorInfoW(::MonitorFromRect(&placed.rcNormalPosition, MONITOR_DEFAULTTONEAREST),
                          &info);
        monitor = info.rcMonitor;
        size = {monitor.right - monitor.left, monitor.bottom - monitor.top};
        wide = size.cx == 1920;
        wchar_t monitors[8] = L"1"; // as many as scripts/lib/desktop.sh made
        ::GetEnvironmentVariableW(L"ORVANE_TEST_MONITORS", monitors, 8);
        two_monitors = std::wstring_view(monitors) == L"2";
    }
    // The game restored, and its exact picture read with the place of each colour.
    void read_art() {
        ::ShowWindow(game.window, SW_RESTORE);
        give_keyboard(game.window); // as its task bar button does
        eventually([&] {
            const picture before = std::exchange(art, capture(game.window, {0, 0, 160, 144}));
            return mostly(art.at(0, 0), red) && art.pixels == before.pixels;
        });
        for (LONG i = 0; i < 160 * 144; ++i) {
            colours[art.pixels[std::size_t(i)]] = MAKELPARAM(i % 160, i / 160);
        }
    }
    temp_directory directory;
    game_record record{.file = directory.path / L"record.txt"},
        other_record{.file = directory.path / L"other.txt"};
    running_game game,
        other = start_game(directory.path, other_record, {{L"ORVANE_GAME_TITLE", L"Another"}});
    MONITORINFOEXW info{};
    RECT monitor{};
    SIZE size{};
    bool scaled_display = false, wide = false, two_monitors = false;
    picture art;
    std::map<std::uint32_t, LPARAM> colours;
    // The game pixel shown at a screen point (x, y, stretched) on the exact picture.
    std::map<std::tuple<LONG, LONG, bool>, LPARAM> shown_pixels;
};
mirror_desktop& desktop() {
    static mirror_desktop shared;
    return shared;
}

// The tool on a game of the desktop, in one scaling mode ("": nearest, no
// option), from `folder` with the settings file `settings` there, where given;
// the mode in the file where the file names one.
struct mirror_view {
    mirror_view(const running_game& game, const game_record& record, bool aware, std::wstring mode,
                const std::wstring& folder, const std::wstring& options = L"",
                const std::string& settings = "")
        : d(desktop()), game(game), record(record), aware(aware), mode(std::move(mode)),
          folder(prepared(d.directory.path / folder, settings)),
          // A game that runs is used: no path is looked up, nothing is started.
          tool(L"--orvane-exe-path=Z:\\no\\such\\game.exe " + options +
                   (this->mode.empty() || settings.find("scaling=") != std::string::npos
                        ? L""
                        : L" --orvane-scaling=" + this->mode),
               this->folder) {
        eventually([&] { return tool.watch() && tool.mirror; });
    }
    static std::filesystem::path prepared(const std::filesystem::path& folder,
                                          const std::string& settings) {
        if (!settings.empty()) {
            write_file(folder / settings_name, settings);
        }
        return folder;
    }
    std::string settings_now() const { return file_bytes(folder / settings_name); }
    // What the mirror shows, read from its own window.
    picture shown() const { return capture(tool.mirror, {0, 0, d.size.cx, d.size.cy}); }
    // Where the picture goes, by the worked examples: 7.11 on 1280 x 1024;
    // 7.5 on 1920 x 1080, 7 in integer scaling; 5 for the scaled game's 240 x
    // 216 pixels.
    RECT rect_in(std::wstring_view shown_mode) const {
        return !d.wide                             ? RECT{71, 0, 1209, 1024}
               : shown_mode == L"integer" && aware ? RECT{400, 36, 1520, 1044}
                                                   : RECT{360, 0, 1560, 1080};
    }
    // Black bars, and the game's red corner in the picture's corner, not the
    // grey and blue of the game window's frame. Each mode's promise on the
    // game that is aware: integer and nearest copy without blends; smooth,
    // wide blends; sharp, blends a pixel or two wide. Each game pixel's centre
    // shows its colour, but where smoothing blends everything.
    bool kept(const picture& shot, std::wstring_view shown_mode) const {
        const RECT p = rect_in(shown_mode);
        const RECT box = picture_box(shot);
        bool kept = ::EqualRect(&box, &p) && mostly(shot.at(p.left, p.top), red);
        if (!kept || !aware) {
            return kept;
        }
        const LONG blend = widest_blend(shot, p, d.colours);
        kept = shown_mode == L"smooth"  ? blend >= 3
               : shown_mode == L"sharp" ? blend >= 1 && blend <= 2
                                        : blend == 0;
        const float scale = static_cast<float>(p.right - p.left) / 160.0f;
        for (LONG i = 0; kept && shown_mode != L"smooth" && i < 160 * 144; ++i) {
            kept = shot.at(p.left + static_cast<LONG>((i % 160 + 0.5f) * scale),
                           p.top + static_cast<LONG>((i / 160 + 0.5f) * scale)) ==
                   d.art.at(i % 160, i / 160);
        }
        return kept;
    }
    bool shows(std::wstring_view shown_mode = {}) const {
        return eventually([&] { return kept(shown(), shown_mode.empty() ? mode : shown_mode); });
    }
    // The mirror just above the game in the Z order, as the rules place it.
    bool in_place() const {
        return eventually([&] {
            return visible_above(game.window) == tool.mirror &&
                   topmost(tool.mirror) == topmost(game.window);
        });
    }
    // The record's messages since `before`.
    std::vector<std::wstring> messages_since(std::size_t before, std::size_t count) const {
        eventually([&] { return record.values(L"message").size() >= before + count; });
        const auto received = record.values(L"message");
        return {received.begin() + long(std::min(before, received.size())), received.end()};
    }
    // Clicks along a row and down a column through the picture, at its first
    // and last 16 screen pixels and 16 in its middle: its edges, game pixels'
    // edges and exact ties. Each reaches the game pixel whose colour the
    // mirror shows there where the aware game's picture is exact; where it
    // blends, and on the game the system scales, the one the nearest picture
    // showed at the same place (the same rectangle and game size, so the same
    // pixel).
    void clicks_land(const picture& shot, const RECT& p, bool stretched) {
        const bool exact = aware && mode != L"smooth" && mode != L"sharp";
        const auto before = record.values(L"message").size();
        std::vector<std::wstring> expected;
        for (int i = 0; i < 96; ++i) {
            const bool across = i < 48;
            const LONG from = across ? p.left : p.top, to = across ? p.right : p.bottom, k = i % 48,
                       middle = (from + to) / 2 - 24,
                       at = k < 16   ? from + k
                            : k < 32 ? middle + k
                                     : to - 48 + k;
            const LONG x = across ? at : p.left + (p.right - p.left) * 9 / 20,
                       y = across ? p.top + (p.bottom - p.top) / 4 : at;
            const auto key = std::tuple(x, y, stretched);
            if (const auto own = d.colours.find(shot.at(x, y)); exact && own != d.colours.end()) {
                d.shown_pixels[key] = own->second;
            }
            ASSERT_TRUE(d.shown_pixels.contains(key)) << x << ", " << y;
            expected.push_back(stand_in::message_text(WM_LBUTTONDOWN, 0, d.shown_pixels[key]));
            ::PostMessageW(tool.mirror, WM_LBUTTONDOWN, 0, MAKELPARAM(x, y));
        }
        EXPECT_EQ(messages_since(before, expected.size()), expected);
    }
    // The picture stretched over the whole screen: its corners red and,
    // drawn last, blue.
    bool shows_stretched(picture& shot) const {
        return eventually([&] {
            shot = shown();
            return mostly(shot.at(5, 5), red) && mostly(shot.at(5, d.size.cy - 5), blue);
        });
    }
    // F8 stretches the picture, clicks land there too, and F8 lays it out as before.
    void stretches_and_back() {
        ::PostMessageW(tool.mirror, WM_KEYDOWN, VK_F8, 1);
        picture shot;
        EXPECT_TRUE(shows_stretched(shot));
        clicks_land(shot, {0, 0, d.size.cx, d.size.cy}, true);
        ::PostMessageW(tool.mirror, WM_KEYDOWN, VK_F8, 1);
        EXPECT_TRUE(shows());
    }
    mirror_desktop& d;
    const running_game& game;
    const game_record& record;
    const bool aware;
    const std::wstring mode;
    const std::filesystem::path folder;
    tool_run tool;
};

// The mirror with no scaling option on the game that is DPI aware, step by
// step on one run, on every screen.
class mirror_scenario : public testing::Test {
protected:
    static void TearDownTestSuite() { view.reset(); }
    static mirror_view& mirror() {
        if (!view) {
            view.emplace(desktop().game, desktop().record, true, L"", L"scenario", L"",
                         std::string(player_settings));
        }
        return *view;
    }
    static inline std::optional<mirror_view> view;
    static constexpr std::string_view player_settings =
        "# my settings\r\n[orvane-fullscreen]\r\n; the game runs already\r\n"
        "window-text-start=\"Orvane - \"\r\n\r\n[notes]\r\nseen=yes\r\n";
};

TEST_F(mirror_scenario, covers_the_monitor_per_monitor_aware_black_while_the_game_is_minimized) {
    mirror_desktop& d = desktop();
    EXPECT_EQ(::GetSystemMetrics(SM_CMONITORS), d.two_monitors ? 2 : 1);
    EXPECT_EQ(::GetSystemMetrics(SM_CMONITORS) > 1, !(d.info.dwFlags & MONITORINFOF_PRIMARY));
    const mirror_view& m = mirror();
    ASSERT_TRUE(m.tool.mirror);
    EXPECT_EQ(::GetAwarenessFromDpiAwarenessContext(::GetWindowDpiAwarenessContext(m.tool.mirror)),
              DPI_AWARENESS_PER_MONITOR_AWARE);
    RECT covered{};
    ::GetWindowRect(m.tool.mirror, &covered);
    EXPECT_TRUE(::EqualRect(&covered, &d.monitor));
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(std::ranges::all_of(m.shown().pixels, [](std::uint32_t pixel) { return !pixel; }));
    d.read_art();
    EXPECT_TRUE(m.shows());
    EXPECT_TRUE(m.in_place());
}

// Keys and mouse go to the game, the centre to the centre; the wheel's place
// is on the screen, and the game gets the screen place of the pixel shown
// there. F8 with gathered repeats is dropped, F8's key-up passed.
TEST_F(mirror_scenario, passes_keys_and_mouse_on_the_wheel_at_the_pixels_screen_place) {
    const mirror_desktop& d = desktop();
    const mirror_view& m = mirror();
    const LPARAM centre = MAKELPARAM(d.size.cx / 2, d.size.cy / 2),
                 game_centre = MAKELPARAM(80, 72), dropped = -1;
    POINT origin{0, 0};
    ::ClientToScreen(d.game.window, &origin);
    const std::tuple<UINT, WPARAM, LPARAM, LPARAM> inputs[] = {
        {WM_KEYDOWN, VK_F8, 0x40420002, dropped},
        {WM_KEYUP, VK_F8, 0xC0420001, 0xC0420001},
        {WM_KEYDOWN, 'A', 0x001E0001, 0x001E0001},
        {WM_CHAR, 'a', 0x001E0001, dropped},
        {WM_KEYDOWN, VK_SPACE, 0x40390005, 0x40390005}, // gathered repeats pass
        {WM_SYSKEYDOWN, 'X', 0x202D0001, dropped},
        {WM_SYSKEYUP, 'X', 0xE02D0001, dropped},
        {WM_LBUTTONDOWN, MK_LBUTTON, centre, game_centre},
        {WM_XBUTTONDBLCLK, MAKEWPARAM(0, XBUTTON1), centre, game_centre},
        {WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA),
         MAKELPARAM(d.monitor.left + d.size.cx / 2, d.monitor.top + d.size.cy / 2),
         MAKELPARAM(origin.x + 80, origin.y + 72)},
        {WM_MOUSEHWHEEL, MAKEWPARAM(0, WHEEL_DELTA), centre, dropped},
    };
    const auto before = d.record.values(L"message").size();
    std::vector<std::wstring> expected;
    for (const auto& [message, wparam, lparam, in_game] : inputs) {
        ::PostMessageW(m.tool.mirror, message, wparam, lparam);
        if (in_game != dropped) {
            expected.push_back(stand_in::message_text(message, wparam, in_game));
        }
    }
    EXPECT_EQ(m.messages_since(before, expected.size()), expected);
}

TEST_F(mirror_scenario, clicks_land_on_the_game_pixel_shown) {
    mirror().clicks_land(mirror().shown(), mirror().rect_in(L""), false);
}

TEST_F(mirror_scenario, follows_the_game_minimized_and_restored) {
    const mirror_desktop& d = desktop();
    const mirror_view& m = mirror();
    ::ShowWindow(d.game.window, SW_MINIMIZE);
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(std::ranges::all_of(m.shown().pixels, [&](std::uint32_t pixel) {
        return pixel == 0 || d.colours.contains(pixel);
    }));
    ::ShowWindow(d.game.window, SW_RESTORE);
    give_keyboard(d.game.window); // as its task bar button does
    EXPECT_TRUE(m.shows());
    EXPECT_TRUE(m.in_place());
}

// The game's box shows above the mirror and gets the keyboard; clicks and
// keys meanwhile do not reach the game, whose window Windows disables. Closed
// with a real click, the mirror is just above the game again, exact, and
// input reaches the game again.
TEST_F(mirror_scenario, lets_the_games_box_above_with_the_keyboard_and_drops_input_meanwhile) {
    const mirror_desktop& d = desktop();
    const mirror_view& m = mirror();
    give_keyboard(m.tool.mirror); // the player on the mirror
    const auto before = d.record.values(L"message").size();
    ::PostMessageW(m.tool.mirror, WM_KEYDOWN, 'M', 0x00320001);
    HWND box = nullptr;
    RECT button{};
    ASSERT_TRUE(eventually([&] {
        box = find_window(d.game.process.id, L"#32770", L"Stand-in message");
        return ::GetWindowRect(::GetDlgItem(box, IDOK), &button) &&
               !::IsWindowEnabled(d.game.window);
    }));
    EXPECT_TRUE(eventually([&] { return ::GetForegroundWindow() == box; }));
    EXPECT_TRUE(is_above(box, m.tool.mirror));
    const LPARAM centre = MAKELPARAM(d.size.cx / 2, d.size.cy / 2);
    const std::tuple<UINT, WPARAM, LPARAM> inputs[] = {{WM_LBUTTONDOWN, MK_LBUTTON, centre},
                                                       {WM_KEYDOWN, VK_RETURN, 0x001C0001}};
    for (const auto& [message, wparam, lparam] : inputs) {
        ::PostMessageW(m.tool.mirror, message, wparam, lparam);
    }
    // The pointer on the OK button's centre, for long enough that no older
    // pointer event of X's moves it back, then a click.
    const POINT on_ok{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    int steady = 0;
    EXPECT_TRUE(eventually([&] {
        POINT pointer{};
        ::SetCursorPos(on_ok.x, on_ok.y);
        steady = ::GetCursorPos(&pointer) && pointer.x == on_ok.x && pointer.y == on_ok.y
                     ? steady + 1
                     : 0;
        return steady > 5;
    }));
    INPUT click[2]{};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, click, sizeof(INPUT));
    ASSERT_TRUE(eventually([&] { return !::IsWindow(box); })) << "the box is still up";
    EXPECT_TRUE(m.in_place());
    EXPECT_TRUE(m.shows());
    std::vector<std::wstring> expected{stand_in::message_text(WM_KEYDOWN, 'M', 0x00320001)};
    for (const auto& [message, wparam, lparam] : inputs) {
        ::PostMessageW(m.tool.mirror, message, wparam, lparam);
        expected.push_back(stand_in::message_text(
            message, wparam, message == WM_KEYDOWN ? lparam : MAKELPARAM(80, 72)));
    }
    EXPECT_EQ(m.messages_since(before, expected.size()), expected);
}

// Another program brought up while the game's notice is up, the notice then
// closed by the game itself: the mirror stays below that program, which
// keeps the keyboard, and just above the game.
TEST_F(mirror_scenario, stays_below_another_program_when_the_games_notice_closes_by_itself) {
    mirror_desktop& d = desktop();
    const mirror_view& m = mirror();
    HWND other = d.other.window;
    ::PostMessageW(m.tool.mirror, WM_KEYDOWN, 'N', 0x00310001);
    HWND notice = nullptr;
    ASSERT_TRUE(eventually(
        [&] { return (notice = find_window(d.game.process.id, L"Static", L"Stand-in notice")); }));
    ASSERT_TRUE(give_keyboard(other)); // the player in the other program
    ::PostMessageW(d.game.window, WM_APP, 0, 0);
    ASSERT_TRUE(eventually([&] { return !::IsWindow(notice); }));
    for (const auto end = clock::now() + 500ms; clock::now() < end;) { // five looks and more
        ASSERT_EQ(::GetForegroundWindow(), other);
        ASSERT_TRUE(is_above(other, m.tool.mirror));
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(m.in_place());
}

// A game that makes itself topmost is covered: the mirror is topmost while
// the game is, just above it, and stays in that place, with no fight; then
// not topmost with the game.
TEST_F(mirror_scenario, covers_a_topmost_game_and_stays_in_place) {
    const mirror_desktop& d = desktop();
    const mirror_view& m = mirror();
    for (const bool game_topmost : {true, false}) {
        ::PostMessageW(m.tool.mirror, WM_KEYDOWN, 'T', 0x00140001);
        ASSERT_TRUE(eventually([&] { return topmost(d.game.window) == game_topmost; }));
        EXPECT_TRUE(m.in_place());
        const auto z_order = [] {
            std::vector<HWND> order;
            for (HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
                order.push_back(::IsWindowVisible(w) ? w : nullptr);
            }
            std::erase(order, nullptr);
            return order;
        };
        const auto order = z_order();
        for (const auto end = clock::now() + 1s; clock::now() < end;) {
            ASSERT_EQ(z_order(), order) << "the mirror moved";
            std::this_thread::sleep_for(20ms);
        }
    }
    EXPECT_TRUE(m.shows());
}

// After two still seconds the mirror rests; a key passed on to the game wakes
// it, and the game's picture, changed by the key, is on the screen within a
// few ticks, well before a resting look. Then as it was.
TEST_F(mirror_scenario, rests_while_the_game_is_still_and_wakes_for_a_key) {
    const mirror_desktop& d = desktop();
    const mirror_view& m = mirror();
    const RECT p = m.rect_in(L"");
    const LONG x = p.left + (p.right - p.left) / 320, y = p.top + (p.bottom - p.top) / 288;
    const auto corner = [&] {
        return capture(m.tool.mirror, {x, y, x + 1, y + 1}).at(0, 0);
    };
    for (const std::uint32_t colour : {d.art.at(0, 0) ^ 0xFFFFFF, d.art.at(0, 0)}) {
        std::this_thread::sleep_for(2s);
        const auto start = clock::now();
        ::PostMessageW(m.tool.mirror, WM_KEYDOWN, 'I', 0x00170001);
        EXPECT_TRUE(eventually([&] { return corner() == colour; }));
        EXPECT_LT(clock::now() - start, 75ms) << "inverted: " << (colour != d.art.at(0, 0));
    }
    EXPECT_TRUE(m.shows());
}

// A game a size larger, its centre under the screen's centre, and back:
// 240 x 144: 7.5 on 1920 x 1080, 1800 x 1080; 5.33 on 1280 x 1024, 1280 x 768.
TEST_F(mirror_scenario, lays_out_a_resized_game_anew) {
    const mirror_desktop& d = desktop();
    const mirror_view& m = mirror();
    ::PostMessageW(m.tool.mirror, WM_KEYDOWN, 'R', 0x00130001);
    const RECT larger = d.wide ? RECT{60, 0, 1860, 1080} : RECT{0, 128, 1280, 896};
    EXPECT_TRUE(eventually([&] {
        const RECT shown = picture_box(m.shown());
        return ::EqualRect(&shown, &larger);
    }));
    const auto before = d.record.values(L"message").size();
    ::PostMessageW(m.tool.mirror, WM_LBUTTONDOWN, 0,
                   MAKELPARAM((larger.left + larger.right) / 2, (larger.top + larger.bottom) / 2));
    EXPECT_EQ(m.messages_since(before, 1),
              std::vector{stand_in::message_text(WM_LBUTTONDOWN, 0, MAKELPARAM(120, 72))});
    ::PostMessageW(m.tool.mirror, WM_KEYDOWN, 'R', 0x00130001);
    EXPECT_TRUE(m.shows());
}

// The game's monitor at 1600 x 900 (the desktop offers that mode), then as
// it was: 6.25 times, 1000 x 900. The game moved onto the first monitor,
// 1280 x 1024, and back.
TEST_F(mirror_scenario, follows_the_display_and_the_game_onto_another_monitor) {
    mirror_desktop& d = desktop();
    const mirror_view& m = mirror();
    if (!d.two_monitors) {
        GTEST_SKIP() << "one monitor";
    }
    // The mirror covers `covered`, the picture at `shown` on it.
    const auto covers = [&](const RECT& covered, const RECT& shown) {
        return eventually([&] {
            RECT now{};
            const RECT box = picture_box(capture(
                m.tool.mirror, {0, 0, covered.right - covered.left, covered.bottom - covered.top}));
            return ::GetWindowRect(m.tool.mirror, &now) && ::EqualRect(&now, &covered) &&
                   ::EqualRect(&box, &shown);
        });
    };
    DEVMODEW smaller{};
    smaller.dmSize = sizeof smaller;
    smaller.dmPelsWidth = 1600;
    smaller.dmPelsHeight = 900;
    smaller.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    ASSERT_EQ(
        ::ChangeDisplaySettingsExW(d.info.szDevice, &smaller, nullptr, CDS_FULLSCREEN, nullptr),
        DISP_CHANGE_SUCCESSFUL);
    const RECT& at = d.monitor;
    EXPECT_TRUE(covers({at.left, at.top, at.left + 1600, at.top + 900}, {300, 0, 1300, 900}));
    ::ChangeDisplaySettingsExW(d.info.szDevice, nullptr, nullptr, 0, nullptr);
    EXPECT_TRUE(covers(at, m.rect_in(L"")));
    EXPECT_TRUE(m.shows());
    RECT game{};
    ::GetWindowRect(d.game.window, &game);
    for (const LONG left : {LONG{100}, game.left}) {
        ::SetWindowPos(d.game.window, nullptr, left, game.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_TRUE(left == game.left ? covers(at, m.rect_in(L""))
                                      : covers({0, 0, 1280, 1024}, {71, 0, 1209, 1024}));
    }
}

// Shift+F8, Shift held on the keyboard, gives the next mode each time, once a
// press (a repeated key-down does nothing), its name on the bar's corner for
// a while; F8 stretches in between. The game gets Shift and F8's key-up,
// never F8's key-down. Then Shift let go in another program: F8 stretches.
TEST_F(mirror_scenario, switches_modes_with_shift_f8_once_a_press_shift_as_the_keyboard_has_it) {
    mirror_desktop& d = desktop();
    const mirror_view& m = mirror();
    if (!d.wide) {
        GTEST_SKIP() << "the modes are compared on 1920 x 1080";
    }
    // Shift pressed or let go as the player does, seen by the program with the keyboard.
    const auto shift = [&](bool pressed, const game_record& record) {
        const auto seen = record.values(L"message").size();
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = VK_SHIFT;
        input.ki.dwFlags = pressed ? 0 : KEYEVENTF_KEYUP;
        ::SendInput(1, &input, sizeof input);
        const std::wstring key =
            stand_in::message_text(pressed ? WM_KEYDOWN : WM_KEYUP, VK_SHIFT, 0);
        return eventually([&] {
            const auto received = record.values(L"message");
            return std::any_of(received.begin() + long(std::min(seen, received.size())),
                               received.end(), [&](const std::wstring& message) {
                                   return message.starts_with(key.substr(0, key.rfind(L' ')));
                               });
        });
    };
    ASSERT_TRUE(give_keyboard(m.tool.mirror));
    for (const std::wstring_view next : {L"integer", L"smooth", L"sharp", L"nearest"}) {
        ASSERT_TRUE(shift(down, d.record)) << "Shift reaches the game";
        const auto before = d.record.values(L"message").size();
        for (const LPARAM f8 : {0x00420001u, 0x40420001u, 0xC0420001u}) {
            ::PostMessageW(m.tool.mirror, f8 < 0xC0000000 ? WM_KEYDOWN : WM_KEYUP, VK_F8, f8);
        }
        EXPECT_EQ(m.messages_since(before, 1),
                  std::vector{stand_in::message_text(WM_KEYUP, VK_F8, 0xC0420001)});
        ASSERT_TRUE(shift(up, d.record));
        EXPECT_TRUE(eventually([&] {
            const picture shot = m.shown();
            return std::count_if(shot.pixels.begin(), shot.pixels.begin() + 120 * d.size.cx,
                                 [&](std::uint32_t pixel) { return pixel == 0xFFFFFF; }) > 50;
        })) << "the name of "
            << std::string(next.begin(), next.end());
        EXPECT_TRUE(m.shows(next));
        if (next == L"integer") {
            ::PostMessageW(m.tool.mirror, WM_KEYDOWN, VK_F8, 1);
            EXPECT_TRUE(eventually([&] { return mostly(m.shown().at(5, 5), red); }));
            ::PostMessageW(m.tool.mirror, WM_KEYDOWN, VK_F8, 1);
            EXPECT_TRUE(m.shows(next));
        }
    }
    HWND other = d.other.window;
    ASSERT_TRUE(shift(down, d.record));
    ASSERT_TRUE(give_keyboard(other));
    ASSERT_TRUE(shift(up, d.other_record)) << "Shift let go in the other program";
    ASSERT_TRUE(give_keyboard(m.tool.mirror));
    mirror().stretches_and_back();
}

// F8 stretches and back, and stretches again; Alt+F4 ends the run and leaves
// the game running. The last choices, Shift+F8's on the wide screen, are in
// the settings file, the player's lines as they were; the next start takes
// them.
TEST_F(mirror_scenario, stretches_with_f8_and_ends_with_alt_f4_leaving_the_game) {
    mirror_view& m = mirror();
    m.stretches_and_back();
    ::PostMessageW(m.tool.mirror, WM_KEYDOWN, VK_F8, 1);
    ::PostMessageW(m.tool.mirror, WM_SYSKEYDOWN, VK_F4, 0x203E0001);
    EXPECT_TRUE(eventually([&] { return !m.tool.watch(); }, 1s));
    EXPECT_EQ(m.tool.exit_code, 0u);
    EXPECT_TRUE(::IsWindow(desktop().game.window));
    EXPECT_EQ(m.settings_now(),
              "# my settings\r\n[orvane-fullscreen]\r\n; the game runs already\r\n"
              "window-text-start=\"Orvane - \"\r\n" +
                  std::string(desktop().wide ? "scaling=nearest\r\n" : "") +
                  "stretch=yes\r\n\r\n[notes]\r\nseen=yes\r\n");
    mirror_view next(desktop().game, desktop().record, true, L"", L"scenario");
    picture shot;
    EXPECT_TRUE(next.shows_stretched(shot));
}

// On a 1920 x 1080 screen each mode on the game that is aware and, on a
// display scaled to 150 % (Wine 10), on one the system scales, whose picture
// the platform blends; the game's end ends the last run within a tick or two.
TEST(mirror_modes, each_shows_its_picture_and_clicks_land) {
    mirror_desktop& d = desktop();
    if (d.art.pixels.empty()) {
        d.read_art();
    }
    std::optional<running_game> scaled_game;
    std::optional<game_record> scaled_record;
    for (const bool aware : {true, false}) {
        if (!aware) {
            if (!d.scaled_display) {
                break;
            }
            scaled_record.emplace(game_record{.file = d.directory.path / L"scaled.txt"});
            scaled_game = start_game(d.directory.path, *scaled_record,
                                     {{L"ORVANE_GAME_CLIENT_SIZE", L"160x144"},
                                      {L"ORVANE_GAME_TITLE", L"Orvane - Scaled"}});
        }
        const running_game& game = aware ? d.game : *scaled_game;
        const game_record& record = aware ? d.record : *scaled_record;
        for (const wchar_t* mode : {L"", L"nearest", L"integer", L"smooth", L"sharp"}) {
            if (!d.wide || (aware && !*mode)) {
                continue;
            }
            SCOPED_TRACE(testing::Message() << (aware ? "" : "scaled game, ") << "mode " << mode);
            // Integer and sharp named in the settings file; nearest with a
            // file that is not text, which names sharp and stays as it was.
            const std::wstring_view name{mode};
            const std::string settings =
                name == L"integer" || name == L"sharp"
                    ? "[orvane-fullscreen]\r\nscaling=" + std::string(name.begin(), name.end())
                : name == L"nearest" ? std::string("[orvane-fullscreen]\r\nscaling=sharp\0\x01", 36)
                                     : "";
            mirror_view m(
                game, record, aware, mode, (aware ? L"" : L"scaled-") + std::wstring(name),
                aware ? L"" : L"\"--orvane-window-text-start=Orvane - Scaled\"", settings);
            ASSERT_TRUE(m.tool.mirror);
            EXPECT_TRUE(m.shows());
            m.clicks_land(m.shown(), m.rect_in(mode), false);
            m.stretches_and_back();
            ::PostMessageW(m.tool.mirror, WM_SYSKEYDOWN, VK_F4, 0x203E0001);
            EXPECT_TRUE(eventually([&] { return !m.tool.watch(); }, 1s));
            EXPECT_EQ(m.tool.exit_code, 0u);
            EXPECT_TRUE(name != L"nearest" || m.settings_now() == settings);
        }
    }
    scaled_record.reset(); // the scaled game ends with its record
    mirror_view last(d.game, d.record, true, L"", L"last");
    ::PostMessageW(d.game.window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(eventually([&] { return !last.tool.watch(); }, 1s));
    EXPECT_EQ(last.tool.exit_code, 0u);
}

} // namespace
} // namespace orvane::test
