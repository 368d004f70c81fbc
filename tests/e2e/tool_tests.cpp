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

// The full-screen mirror on a running stand-in game of 160 x 144, whose
// factor on a 1920 x 1080 screen (7.5) rounds and floors differently: with no
// scaling option on every screen, and on a 1920 x 1080 screen in each mode.
// On a display scaled to 150 % (Wine 10), on a game that is DPI aware and on
// one the system scales, whose picture the platform blends. The last run ends
// with the game.
TEST(mirror, shows_the_game_scaled_and_passes_its_input_on_until_the_game_ends) {
    ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2); // real pixels
    const bool scaled_display = ::GetDpiForSystem() > USER_DEFAULT_SCREEN_DPI;
    // The game's colours, from the game that is DPI aware, and where each is:
    // every pixel has its own.
    std::map<std::uint32_t, LPARAM> colours;
    // The game pixel shown at a screen point (x, y, stretched) on the aware
    // game's exact picture.
    std::map<std::tuple<LONG, LONG, bool>, LPARAM> shown_pixels;
    for (const bool aware : {true, false}) {
        if (!aware && !scaled_display) {
            break;
        }
        const temp_directory directory;
        const game_record record{.file = directory.path / L"record.txt"};
        // The game that is aware starts minimized, the mirror with it.
        const running_game game = start_game(directory.path, record,
                                             {{L"ORVANE_GAME_CLIENT_SIZE", L"160x144"},
                                              {L"ORVANE_GAME_PIXEL_CODES", L"1"},
                                              {L"ORVANE_GAME_MINIMIZED", aware ? L"1" : L"0"},
                                              {L"ORVANE_GAME_DPI_AWARE", aware ? L"1" : L"0"}});
        picture art; // exact when aware, once the game shows
        MONITORINFOEXW info{};
        info.cbSize = sizeof info;
        WINDOWPLACEMENT placed{};
        placed.length = sizeof placed;
        ::GetWindowPlacement(game.window, &placed); // where it shows once restored
        ::GetMonitorInfoW(::MonitorFromRect(&placed.rcNormalPosition, MONITOR_DEFAULTTONEAREST),
                          &info);
        // As many monitors as scripts/lib/desktop.sh made; the game on the second.
        wchar_t monitors[8] = L"1";
        ::GetEnvironmentVariableW(L"ORVANE_TEST_MONITORS", monitors, 8);
        const bool two_monitors = std::wstring_view(monitors) == L"2";
        EXPECT_EQ(::GetSystemMetrics(SM_CMONITORS), two_monitors ? 2 : 1);
        EXPECT_EQ(::GetSystemMetrics(SM_CMONITORS) > 1, !(info.dwFlags & MONITORINFOF_PRIMARY));
        const RECT& monitor = info.rcMonitor;
        const bool wide = monitor.right - monitor.left == 1920;
        const std::wstring modes[] = {L"", L"nearest", L"integer", L"smooth", L"sharp"};
        const std::span runs(modes, wide ? 5 : 1);
        for (const std::wstring& mode : runs) {
            SCOPED_TRACE(testing::Message() << (aware ? "" : "scaled game, ") << "mode " << mode);
            // A game that runs is used: no path is looked up, nothing is started.
            tool_run tool(L"--orvane-exe-path=Z:\\no\\such\\game.exe " +
                              (mode.empty() ? L"" : L"--orvane-scaling=" + mode),
                          directory.path);
            ASSERT_TRUE(eventually([&] { return tool.watch() && tool.mirror; }));
            EXPECT_EQ(
                ::GetAwarenessFromDpiAwarenessContext(::GetWindowDpiAwarenessContext(tool.mirror)),
                DPI_AWARENESS_PER_MONITOR_AWARE);
            RECT covered{};
            ::GetWindowRect(tool.mirror, &covered);
            EXPECT_TRUE(::EqualRect(&covered, &monitor));
            const auto capture_screen = [&] {
                return capture(nullptr, {monitor.left, monitor.top, monitor.right, monitor.bottom});
            };
            // Minimized, nothing of the game window shows; restored, it is
            // above the mirror until the mirror puts itself back.
            const auto restore = [&] {
                std::this_thread::sleep_for(200ms);
                const picture meanwhile = capture_screen();
                EXPECT_TRUE(std::ranges::all_of(meanwhile.pixels, [&](std::uint32_t pixel) {
                    return pixel == 0 || colours.contains(pixel);
                }));
                ::ShowWindow(game.window, SW_RESTORE);
            };
            if (mode.empty() && aware) {
                restore();
                eventually([&] {
                    const picture before =
                        std::exchange(art, capture(game.window, {0, 0, 160, 144}));
                    return mostly(art.at(0, 0), red) && art.pixels == before.pixels;
                });
                for (LONG i = 0; i < 160 * 144; ++i) {
                    colours[art.pixels[std::size_t(i)]] = MAKELPARAM(i % 160, i / 160);
                }
                // Keys and mouse go to the game, the centre to the centre. F8
                // with gathered repeats is dropped, F8's key-up passed.
                const LPARAM centre = MAKELPARAM((monitor.right - monitor.left) / 2,
                                                 (monitor.bottom - monitor.top) / 2),
                             game_centre = MAKELPARAM(80, 72), dropped = -1;
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
                    {WM_MOUSEHWHEEL, MAKEWPARAM(0, WHEEL_DELTA), centre, dropped},
                };
                std::vector<std::wstring> expected;
                for (const auto& [message, wparam, lparam, in_game] : inputs) {
                    ::PostMessageW(tool.mirror, message, wparam, lparam);
                    if (in_game != dropped) {
                        expected.push_back(stand_in::message_text(message, wparam, in_game));
                    }
                }
                eventually([&] { return record.values(L"message").size() >= expected.size(); });
                EXPECT_EQ(record.values(L"message"), expected);
            }
            // Where the picture goes, by the worked examples: 7.11 on
            // 1280 x 1024; 7.5 on 1920 x 1080, 7 in integer scaling; 5 for
            // the scaled game's 240 x 216 pixels.
            const auto rect_in = [&](std::wstring_view shown_mode) {
                return !wide                               ? RECT{71, 0, 1209, 1024}
                       : shown_mode == L"integer" && aware ? RECT{400, 36, 1520, 1044}
                                                           : RECT{360, 0, 1560, 1080};
            };
            const RECT p = rect_in(mode);
            // Black bars, and the game's red corner in the picture's corner,
            // not the grey and blue of the game window's frame. Each mode's
            // promise on the game that is aware: integer and nearest copy
            // without blends; smooth, wide blends; sharp, blends a pixel or
            // two wide. Each game pixel's centre shows its colour, but where
            // smoothing blends everything.
            const auto kept = [&](const picture& shot, std::wstring_view shown = {}) {
                shown = shown.empty() ? std::wstring_view(mode) : shown;
                const RECT p = rect_in(shown);
                const RECT box = picture_box(shot);
                bool kept = ::EqualRect(&box, &p) && mostly(shot.at(p.left, p.top), red);
                if (!kept || !aware) {
                    return kept;
                }
                const LONG blend = widest_blend(shot, p, colours);
                kept = shown == L"smooth"  ? blend >= 3
                       : shown == L"sharp" ? blend >= 1 && blend <= 2
                                           : blend == 0;
                const float scale = static_cast<float>(p.right - p.left) / 160.0f;
                for (LONG i = 0; kept && shown != L"smooth" && i < 160 * 144; ++i) {
                    kept = shot.at(p.left + static_cast<LONG>((i % 160 + 0.5f) * scale),
                                   p.top + static_cast<LONG>((i / 160 + 0.5f) * scale)) ==
                           art.at(i % 160, i / 160);
                }
                return kept;
            };
            picture shot;
            EXPECT_TRUE(eventually([&] { return kept(shot = capture_screen()); }));

            // Clicks along a row and down a column through the picture, at
            // its first and last 16 screen pixels and 16 in its middle: its
            // edges, game pixels' edges and exact ties. Each reaches the game
            // pixel whose colour the screen shows there where the aware
            // game's picture is exact; where it blends, and on the game the
            // system scales, the one the nearest picture showed at the same
            // place (the same rectangle and game size, so the same pixel).
            const auto clicks_land = [&](const picture& shot, const RECT& p, bool stretched) {
                const bool exact = aware && mode != L"smooth" && mode != L"sharp";
                const auto before = record.values(L"message").size();
                std::vector<std::wstring> expected;
                for (int i = 0; i < 96; ++i) {
                    const bool across = i < 48;
                    const LONG from = across ? p.left : p.top, to = across ? p.right : p.bottom,
                               k = i % 48, middle = (from + to) / 2 - 24,
                               at = k < 16   ? from + k
                                    : k < 32 ? middle + k
                                             : to - 48 + k;
                    const LONG x = across ? at : p.left + (p.right - p.left) * 9 / 20,
                               y = across ? p.top + (p.bottom - p.top) / 4 : at;
                    const auto key = std::tuple(x, y, stretched);
                    if (const auto own = colours.find(shot.at(x, y));
                        exact && own != colours.end()) {
                        shown_pixels[key] = own->second;
                    }
                    ASSERT_TRUE(shown_pixels.contains(key)) << x << ", " << y;
                    expected.push_back(
                        stand_in::message_text(WM_LBUTTONDOWN, 0, shown_pixels[key]));
                    ::PostMessageW(tool.mirror, WM_LBUTTONDOWN, 0, MAKELPARAM(x, y));
                }
                ASSERT_TRUE(eventually(
                    [&] { return record.values(L"message").size() >= before + expected.size(); }));
                const auto received = record.values(L"message");
                EXPECT_EQ(std::vector(received.begin() + long(before), received.end()), expected);
            };
            clicks_land(shot, p, false);

            // The game minimized and restored; its message box above the
            // mirror, closed with a real click; the game a size larger, its
            // centre under the screen's centre; each time the mirror follows.
            if (mode.empty() && aware) {
                ::ShowWindow(game.window, SW_MINIMIZE);
                restore();
                EXPECT_TRUE(eventually([&] { return kept(capture_screen()); }));
                ::PostMessageW(tool.mirror, WM_KEYDOWN, 'M', 0x00320001);
                HWND box = nullptr;
                RECT button{};
                EXPECT_TRUE(eventually([&] {
                    box = find_window(game.process.id, L"#32770", L"Stand-in message");
                    RECT client{};
                    POINT corner{0, 0};
                    if (!::GetWindowRect(::GetDlgItem(box, IDOK), &button) ||
                        !::GetClientRect(box, &client) || !::ClientToScreen(box, &corner)) {
                        return false;
                    }
                    ::OffsetRect(&client, corner.x, corner.y);
                    return capture(nullptr, client).pixels ==
                           capture(box,
                                   {0, 0, client.right - client.left, client.bottom - client.top})
                               .pixels;
                }));
                // The pointer on the OK button's centre, for long enough that
                // no older pointer event of X's moves it back, then a click.
                const POINT on_ok{(button.left + button.right) / 2,
                                  (button.top + button.bottom) / 2};
                int steady = 0;
                EXPECT_TRUE(eventually([&] {
                    POINT pointer{};
                    ::SetCursorPos(on_ok.x, on_ok.y);
                    steady =
                        ::GetCursorPos(&pointer) && pointer.x == on_ok.x && pointer.y == on_ok.y
                            ? steady + 1
                            : 0;
                    return steady > 5;
                }));
                INPUT click[2]{};
                click[0].type = click[1].type = INPUT_MOUSE;
                click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
                click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
                ::SendInput(2, click, sizeof(INPUT));
                EXPECT_TRUE(eventually([&] { return !::IsWindow(box) && kept(capture_screen()); }))
                    << (::IsWindow(box) ? "the box is still up" : "the box is gone");
                // 240 x 144: 7.5 on 1920 x 1080, 1800 x 1080; 5.33 on 1280 x
                // 1024, 1280 x 768.
                ::PostMessageW(tool.mirror, WM_KEYDOWN, 'R', 0x00130001);
                const RECT larger = wide ? RECT{60, 0, 1860, 1080} : RECT{0, 128, 1280, 896};
                EXPECT_TRUE(eventually([&] {
                    const RECT shown = picture_box(capture_screen());
                    return ::EqualRect(&shown, &larger);
                }));
                const auto before = record.values(L"message").size();
                ::PostMessageW(
                    tool.mirror, WM_LBUTTONDOWN, 0,
                    MAKELPARAM((larger.left + larger.right) / 2, (larger.top + larger.bottom) / 2));
                EXPECT_TRUE(eventually([&] { return record.values(L"message").size() > before; }));
                EXPECT_EQ(record.values(L"message").back(),
                          stand_in::message_text(WM_LBUTTONDOWN, 0, MAKELPARAM(120, 72)));
                ::PostMessageW(tool.mirror, WM_KEYDOWN, 'R', 0x00130001);
                EXPECT_TRUE(eventually([&] { return kept(capture_screen()); }));
                // The game's monitor at 1600 x 900 (the desktop offers that
                // mode), then as it was: 6.25 times, 1000 x 900.
                if (two_monitors) {
                    DEVMODEW smaller{};
                    smaller.dmSize = sizeof smaller;
                    smaller.dmPelsWidth = 1600;
                    smaller.dmPelsHeight = 900;
                    smaller.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
                    ASSERT_EQ(::ChangeDisplaySettingsExW(info.szDevice, &smaller, nullptr,
                                                         CDS_FULLSCREEN, nullptr),
                              DISP_CHANGE_SUCCESSFUL);
                    // The mirror covers `covered`, the picture at `shown` on it.
                    const auto covers = [&](const RECT& covered, const RECT& shown) {
                        return eventually([&] {
                            RECT now{};
                            const RECT box = picture_box(capture(nullptr, covered));
                            return ::GetWindowRect(tool.mirror, &now) &&
                                   ::EqualRect(&now, &covered) && ::EqualRect(&box, &shown);
                        });
                    };
                    EXPECT_TRUE(
                        covers({monitor.left, monitor.top, monitor.left + 1600, monitor.top + 900},
                               {300, 0, 1300, 900}));
                    ::ChangeDisplaySettingsExW(info.szDevice, nullptr, nullptr, 0, nullptr);
                    EXPECT_TRUE(eventually([&] {
                        RECT now{};
                        return ::GetWindowRect(tool.mirror, &now) && ::EqualRect(&now, &monitor) &&
                               kept(capture_screen());
                    }));
                    // The game moved onto the first monitor, 1280 x 1024, and back.
                    RECT at{};
                    ::GetWindowRect(game.window, &at);
                    for (const LONG left : {LONG{100}, at.left}) {
                        ::SetWindowPos(game.window, nullptr, left, at.top, 0, 0,
                                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                        EXPECT_TRUE(left == at.left
                                        ? covers(monitor, p)
                                        : covers({0, 0, 1280, 1024}, {71, 0, 1209, 1024}));
                    }
                }
            }

            // Shift+F8 gives the next mode each time, its name on the bar's
            // corner for a while; F8 stretches in between. The game gets
            // Shift and F8's key-up, never F8's key-down.
            if (mode.empty() && aware && wide) {
                const auto before = record.values(L"message").size();
                std::vector<std::wstring> expected;
                for (const std::wstring_view next : {L"integer", L"smooth", L"sharp", L"nearest"}) {
                    const std::tuple<UINT, WPARAM, LPARAM> keys[] = {
                        {WM_KEYDOWN, VK_SHIFT, 0x002A0001},
                        {WM_KEYDOWN, VK_F8, 0x00420001},
                        {WM_KEYUP, VK_F8, 0xC0420001},
                        {WM_KEYUP, VK_SHIFT, 0xC02A0001}};
                    for (const auto& [message, key, lparam] : keys) {
                        ::PostMessageW(tool.mirror, message, key, lparam);
                        if (message == WM_KEYUP || key == VK_SHIFT) {
                            expected.push_back(stand_in::message_text(message, key, lparam));
                        }
                    }
                    EXPECT_TRUE(eventually([&] {
                        const picture corner =
                            capture(nullptr, {monitor.left, monitor.top, monitor.left + 300,
                                              monitor.top + 120});
                        return std::ranges::count(corner.pixels, 0xFFFFFFu) > 50;
                    })) << "the name of "
                        << std::string(next.begin(), next.end());
                    EXPECT_TRUE(eventually([&] { return kept(capture_screen(), next); }));
                    if (next == L"integer") {
                        ::PostMessageW(tool.mirror, WM_KEYDOWN, VK_F8, 1);
                        EXPECT_TRUE(
                            eventually([&] { return mostly(capture_screen().at(5, 5), red); }));
                        ::PostMessageW(tool.mirror, WM_KEYDOWN, VK_F8, 1);
                        EXPECT_TRUE(eventually([&] { return kept(capture_screen(), next); }));
                    }
                }
                const auto received = record.values(L"message");
                EXPECT_EQ(std::vector(received.begin() + long(before), received.end()), expected);
            }

            // F8 stretches the picture over the whole screen (its corners
            // red and, drawn last, blue), and back.
            ::PostMessageW(tool.mirror, WM_KEYDOWN, VK_F8, 1);
            const RECT screen{0, 0, monitor.right - monitor.left, monitor.bottom - monitor.top};
            EXPECT_TRUE(eventually([&] {
                shot = capture_screen();
                return mostly(shot.at(5, 5), red) && mostly(shot.at(5, screen.bottom - 5), blue);
            }));
            clicks_land(shot, screen, true);
            ::PostMessageW(tool.mirror, WM_KEYDOWN, VK_F8, 1);
            EXPECT_TRUE(eventually([&] { return kept(capture_screen()); }));
            // Alt+F4 ends the run and leaves the game running; the game's
            // end, the run within a tick or two.
            if (&mode != &runs.back() || (aware && scaled_display)) {
                ::PostMessageW(tool.mirror, WM_SYSKEYDOWN, VK_F4, 0x203E0001);
            } else {
                ::PostMessageW(game.window, WM_CLOSE, 0, 0);
            }
            EXPECT_TRUE(eventually([&] { return !tool.watch(); }, 1s));
            EXPECT_EQ(tool.exit_code, 0u);
        }
    }
}

} // namespace
} // namespace orvane::test
