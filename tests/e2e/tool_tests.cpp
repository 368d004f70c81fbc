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
#include <cstdio>
#include <cstdlib>
#include <list>
#include <optional>
#include <set>
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

// The widest run of pixels whose colours the game's picture does not have
// (blends) across `p`, along the rows through the centres of its pixels.
LONG widest_blend(const picture& shot, const RECT& p, const std::set<std::uint32_t>& own) {
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
// factor on a 1920 x 1080 screen (7.5) rounds and floors differently: today's
// mirror (no scaling option) in full on every screen, and on a 1920 x 1080
// screen each scaling mode too. The last run ends with the game.
TEST(mirror, shows_the_game_scaled_and_passes_its_input_on_until_the_game_ends) {
    const temp_directory directory;
    const game_record record{.file = directory.path / L"record.txt"};
    const running_game game =
        start_game(directory.path, record, {{L"ORVANE_GAME_CLIENT_SIZE", L"160x144"}});
    const RECT source{0, 0, 160, 144};
    const picture art = capture(game.window, source);
    const std::set<std::uint32_t> own(art.pixels.begin(), art.pixels.end());
    MONITORINFO info{sizeof info, {}, {}, 0};
    ::GetMonitorInfoW(::MonitorFromWindow(game.window, MONITOR_DEFAULTTONEAREST), &info);
    // The desktop has as many monitors as scripts/lib/desktop.sh made.
    wchar_t monitors[8] = L"1";
    ::GetEnvironmentVariableW(L"ORVANE_TEST_MONITORS", monitors, 8);
    EXPECT_EQ(::GetSystemMetrics(SM_CMONITORS), std::stoi(monitors));
    EXPECT_EQ(::GetSystemMetrics(SM_CMONITORS) > 1, !(info.dwFlags & MONITORINFOF_PRIMARY));
    const RECT& monitor = info.rcMonitor;
    const RECT screen{0, 0, monitor.right - monitor.left, monitor.bottom - monitor.top};
    const std::wstring modes[] = {L"", L"nearest", L"integer", L"smooth", L"sharp"};
    const std::span runs(modes, screen.right == 1920 ? 5 : 1);
    picture today;
    for (const std::wstring& mode : runs) {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        // A game that runs is used: no path is looked up, nothing is started.
        tool_run tool(L"--orvane-exe-path=Z:\\no\\such\\game.exe " +
                          (mode.empty() ? L"" : L"--orvane-scaling=" + mode),
                      directory.path);
        ASSERT_TRUE(eventually([&] { return tool.watch() && tool.mirror; }));
        const RECT p =
            mode == L"integer" ? integer_rect(screen, source) : letterbox_rect(screen, source);
        if (mode.empty()) {
            RECT covered{};
            ::GetWindowRect(tool.mirror, &covered);
            EXPECT_TRUE(::EqualRect(&covered, &monitor));
            // Keys and mouse go to the game, the positions translated: the
            // centre, and a point in a bar, whose offset wraps around in 16
            // bits. F8 with gathered repeats is dropped, F8's key-up passed.
            const LPARAM centre = MAKELPARAM((p.left + p.right) / 2, (p.top + p.bottom) / 2),
                         game_centre = MAKELPARAM(80, 72), bar = MAKELPARAM(p.left / 2, p.top / 2),
                         dropped = -1;
            const std::tuple<UINT, WPARAM, LPARAM, LPARAM> inputs[] = {
                {WM_KEYDOWN, VK_F8, 0x40420002, dropped},
                {WM_KEYUP, VK_F8, 0xC0420001, 0xC0420001},
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
            for (const auto& [message, wparam, lparam, in_game] : inputs) {
                ::PostMessageW(tool.mirror, message, wparam, lparam);
                if (in_game != dropped) {
                    expected.push_back(stand_in::message_text(message, wparam, in_game));
                }
            }
            eventually([&] { return record.values(L"message").size() >= expected.size(); });
            EXPECT_EQ(record.values(L"message"), expected);
        }
        const float scale = static_cast<float>(p.right - p.left) / 160.0f;
        // Black bars, and each mode's promise: integer, every game pixel a
        // square of its colour; smooth, wide blends; sharp, blends a pixel or
        // two wide; nearest, today's picture. Each game pixel's centre shows
        // its colour, but where smoothing blends everything.
        const auto kept = [&](const picture& shot) {
            const LONG blend = widest_blend(shot, p, own);
            bool kept = shot.at(5, 5) == 0 && (mode == L"smooth"  ? blend >= 3
                                               : mode == L"sharp" ? blend >= 1 && blend <= 2
                                                                  : blend == 0);
            for (LONG x = p.left; kept && mode == L"integer" && x < p.right; ++x) {
                for (LONG y = p.top; kept && y < p.bottom; ++y) {
                    kept = shot.at(x, y) == art.at(static_cast<LONG>((x - p.left) / scale),
                                                   static_cast<LONG>((y - p.top) / scale));
                }
            }
            for (LONG i = 0; kept && mode != L"smooth" && i < 160 * 144; ++i) {
                kept = shot.at(p.left + static_cast<LONG>((i % 160 + 0.5f) * scale),
                               p.top + static_cast<LONG>((i / 160 + 0.5f) * scale)) ==
                       art.at(i % 160, i / 160);
            }
            return kept && (mode != L"nearest" || shot.pixels == today.pixels);
        };
        picture shot;
        EXPECT_TRUE(eventually([&] { return kept(shot = capture(nullptr, monitor)); }));
        today = mode.empty() ? shot : today;
        // F8 stretches the picture over the whole screen, and back.
        ::PostMessageW(tool.mirror, WM_KEYDOWN, VK_F8, 1);
        const RECT corner{monitor.left, monitor.top, monitor.left + 6, monitor.top + 6};
        EXPECT_TRUE(eventually([&] { return capture(nullptr, corner).at(5, 5) == art.at(0, 0); }));
        ::PostMessageW(tool.mirror, WM_KEYDOWN, VK_F8, 1);
        EXPECT_TRUE(eventually([&] { return kept(capture(nullptr, monitor)); }));
        // A click off the centre reaches the game where the picture shows it.
        const LPARAM click = MAKELPARAM(p.left + 71, p.top + 30);
        ::PostMessageW(tool.mirror, WM_LBUTTONDOWN, 0, click);
        const auto line =
            stand_in::message_text(WM_LBUTTONDOWN, 0, translate_mouse_position(click, p, source));
        EXPECT_TRUE(
            eventually([&] { return std::ranges::count(record.values(L"message"), line) > 0; }));
        // Alt+F4 ends the run and leaves the game running; the game's end, the
        // run within a tick or two.
        if (&mode != &runs.back()) {
            ::PostMessageW(tool.mirror, WM_SYSKEYDOWN, VK_F4, 0x203E0001);
        } else {
            ::PostMessageW(game.window, WM_CLOSE, 0, 0);
        }
        EXPECT_TRUE(eventually([&] { return !tool.watch(); }, 1s));
        EXPECT_EQ(tool.exit_code, 0u);
    }
}

// A pixel's colour is mostly this one's (blends included).
bool mostly(std::uint32_t colour, int channel) {
    const auto part = [&](int c) {
        return colour >> (16 - 8 * c) & 0xFF;
    };
    return part(channel) > part((channel + 1) % 3) + 0x40 &&
           part(channel) > part((channel + 2) % 3);
}
constexpr int red = 0, green = 1, blue = 2;

// On a 1920 x 1080 screen at 150 % (Wine 10, LogPixels 144), a game that is
// DPI aware and one the system scales: the mirror is per-monitor aware,
// covers the monitor's pixels, shows the game's client area and nothing of
// its frame, and a click reaches the game pixel the screen shows, read from
// the screen at the edges of the game's quadrants (half its client size, as
// the game draws them).
TEST(scaled_display, mirror_covers_the_real_pixels_and_clicks_reach_the_pixel_shown) {
    ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    const RECT monitor{0, 0, 1920, 1080};
    std::set<std::uint32_t> palette; // the game's colours, read from the game that is aware
    for (const bool aware : {true, false}) {
        const temp_directory directory;
        const game_record record{.file = directory.path / L"record.txt"};
        const running_game game = start_game(directory.path, record,
                                             {{L"ORVANE_GAME_CLIENT_SIZE", L"160x144"},
                                              {L"ORVANE_GAME_DPI_AWARE", aware ? L"1" : L"0"}});
        SIZE own{};
        std::swscanf(record.value(L"client").c_str(), L"%ldx%ld", &own.cx, &own.cy);
        const picture art = capture(game.window, {0, 0, 160, 144}); // exact when aware
        if (aware) {
            palette.insert(art.pixels.begin(), art.pixels.end());
        }
        for (const std::wstring mode : {L"integer", L"sharp"}) {
            SCOPED_TRACE(testing::Message() << (aware ? "aware " : "scaled ") << mode);
            tool_run tool(L"--orvane-scaling=" + mode, directory.path);
            ASSERT_TRUE(eventually([&] { return tool.watch() && tool.mirror; }));
            EXPECT_EQ(
                ::GetAwarenessFromDpiAwarenessContext(::GetWindowDpiAwarenessContext(tool.mirror)),
                DPI_AWARENESS_PER_MONITOR_AWARE);
            RECT covered{};
            ::GetWindowRect(tool.mirror, &covered);
            EXPECT_TRUE(::EqualRect(&covered, &monitor));

            // The picture: the box around everything that is not black.
            picture shot;
            RECT p{};
            eventually([&] {
                shot = capture(nullptr, monitor);
                p = {1920, 1080, 0, 0};
                for (LONG i = 0; i < 1920 * 1080; ++i) {
                    if (shot.pixels[static_cast<std::size_t>(i)]) {
                        p = {std::min(p.left, i % 1920), std::min(p.top, i / 1920),
                             std::max(p.right, i % 1920 + 1), std::max(p.bottom, i / 1920 + 1)};
                    }
                }
                return p.right > p.left && mostly(shot.at(p.left + 2, p.top + 2), red);
            });
            const LONG outside = static_cast<LONG>(
                std::count_if(shot.pixels.begin(), shot.pixels.end(),
                              [&](std::uint32_t c) { return !palette.contains(c); }));
            std::printf("%s %ls: picture (%ld, %ld, %ld, %ld), %.1f %% of it outside the game's "
                        "colours\n",
                        aware ? "aware" : "scaled", mode.c_str(), p.left, p.top, p.right, p.bottom,
                        100.0 * outside / ((p.right - p.left) * (p.bottom - p.top)));
            if (aware && mode == L"integer") {
                // Factor 7 of the real pixels: each game pixel a 7 x 7 square of its colour.
                EXPECT_EQ((std::array{p.left, p.top, p.right, p.bottom}),
                          (std::array<LONG, 4>{400, 36, 1520, 1044}));
                for (LONG i = 0; i < 1120 * 1008; ++i) {
                    ASSERT_EQ(shot.at(400 + i % 1120, 36 + i / 1120),
                              art.at(i % 1120 / 7, i / 1120 / 7))
                        << i % 1120 << " " << i / 1120;
                }
            }
            // Nothing of the frame, whose greys and title have blue in them:
            // the top row and the left column show the game's top quadrants,
            // red, green and black, and their blends. (A platform that scales
            // the game blends its last pixels with the frame beside them.)
            for (LONG x = p.left; x < p.right - (p.right - p.left) / own.cx; ++x) {
                EXPECT_LT(shot.at(x, p.top) & 0xFF, 0x40u) << x;
            }
            for (LONG y = p.top; y < p.top + (p.bottom - p.top) / 4; ++y) {
                EXPECT_TRUE(mostly(shot.at(p.left, y), red)) << y;
            }

            // Where red turns green along a row of the upper quadrants, and
            // red turns blue down a column of the left ones: the last red and
            // the first green or blue screen pixel. Where the platform scaled
            // and blended the game's picture, its edges may be a game pixel
            // off.
            const LONG row = p.top + (p.bottom - p.top) / 4,
                       column = p.left + (p.right - p.left) * 9 / 20;
            LONG to_green = p.left, to_blue = p.top;
            while (!mostly(shot.at(to_green, row), green))
                ++to_green;
            while (!mostly(shot.at(column, to_blue), blue))
                ++to_blue;
            const LONG off = aware ? 0 : 1;
            const std::tuple<LONG, LONG, LONG, LONG> clicks[] = {
                {to_green - 1, row, own.cx / 2 - 1, -1},
                {to_green, row, own.cx / 2, -1},
                {column, to_blue - 1, -1, own.cy / 2 - 1},
                {column, to_blue, -1, own.cy / 2},
            };
            for (const auto& [x, y, game_x, game_y] : clicks) {
                const auto before = record.values(L"message").size();
                ::PostMessageW(tool.mirror, WM_LBUTTONDOWN, 0, MAKELPARAM(x, y));
                ASSERT_TRUE(eventually([&] { return record.values(L"message").size() > before; }));
                unsigned message = 0, x_y = 0;
                unsigned long long wparam = 0;
                std::swscanf(record.values(L"message").back().c_str(), L"%x %llx %x", &message,
                             &wparam, &x_y);
                const LONG received_x = LOWORD(x_y), received_y = HIWORD(x_y);
                std::printf("  click at (%ld, %ld): game (%ld, %ld)\n", x, y, received_x,
                            received_y);
                EXPECT_TRUE(game_x < 0 || std::abs(received_x - game_x) <= off) << x;
                EXPECT_TRUE(game_y < 0 || std::abs(received_y - game_y) <= off) << y;
            }
            ::PostMessageW(tool.mirror, WM_SYSKEYDOWN, VK_F4, 0x203E0001);
            EXPECT_TRUE(eventually([&] { return !tool.watch(); }));
        }
    }
}

} // namespace
} // namespace orvane::test
