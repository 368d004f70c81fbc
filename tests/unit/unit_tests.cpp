// In this process: the pure computations, by tables of the documented cases
// and degenerate sizes, then the window search and the mirror object on real
// windows.
#include "test_support.h"

#include "app/message_loop.h"
#include "common/elapsed_time.h"
#include "common/windows_error.h"
#include "mirror/fullscreen_window.h"
#include "mirror/mirror_geometry.h"
#include "mirror/pace.h"
#include "mirror/pixel_scaling.h"
#include "mirror/stacking.h"
#include "options/command_line_options.h"
#include "options/settings_text.h"
#include "windows/resolution_dialog.h"
#include "windows/target_window_search.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <optional>
#include <tuple>
#include <type_traits>

namespace orvane::test {
namespace {

TEST(options, key_value_elements_lookups_and_the_names_of_layouts_and_modes) {
    const std::pair<const wchar_t*, command_line_options> cases[] = {
        // Element 0 follows the program-name rule: it ends at the first blank
        // and a quotation mark inside it is an ordinary character.
        {L"--k=\"a b\"", {{L"--k", L"\"a"}}},
        {L"--x=1 --k=\"a b\"", {{L"--x", L"1"}, {L"--k", L"a b"}}},
        {L"--k=", {{L"--k", L""}}},
        {L"=", {{L"", L""}}},
        {L"--k=a=b=c", {{L"--k", L"a=b=c"}}},
        {L"--k=1 --k=2", {{L"--k", L"1"}}},
        {L"--x=1 \"\" plain", {{L"--x", L"1"}}},
    };
    for (const auto& [command_line, expected] : cases) {
        EXPECT_EQ(parse_command_line(command_line), expected) << std::wstring(command_line);
    }
    // A lookup views the stored value, even an empty one, else the default.
    const auto options = parse_command_line(L"--empty= --set=value --K=upper");
    constexpr std::wstring_view fallback = L"default";
    const auto viewed = [](std::wstring_view view) {
        return std::pair(view.data(), view.size());
    };
    EXPECT_EQ(viewed(get_option(options, std::wstring_view(L"--set=").substr(0, 5), fallback)),
              viewed(options.at(L"--set")));
    EXPECT_EQ(get_option(options, L"--empty", fallback), L"");
    EXPECT_EQ(viewed(get_option(options, L"--k", fallback)), viewed(fallback));
    EXPECT_EQ(viewed(get_option(options, L"--absent", fallback)), viewed(fallback));

    // Layout names: exactly one of the six, else the default.
    const std::wstring_view names[] = {L"nokia-communicator", L"palm", L"palm+",
                                       L"palm+landscape",     L"ppc",  L"symbian-uiq"};
    for (int index = 0; index < 6; ++index) {
        EXPECT_EQ(game_resolution_index(names[index]), index);
    }
    for (const auto* name : {L"Palm", L"palm ", L"", L"ppc2"}) {
        EXPECT_EQ(game_resolution_index(name), 3) << name;
    }
    // Scaling modes: exactly one of the four, else nearest.
    const std::wstring_view modes[] = {L"nearest", L"integer", L"smooth", L"sharp"};
    for (int mode = 0; mode < 4; ++mode) {
        EXPECT_EQ(scaling_mode_named(modes[mode]), static_cast<scaling_mode>(mode));
    }
    for (const auto* name : {L"Nearest", L"Integer", L"Smooth", L"Sharp", L"sharp ", L"", L"x"}) {
        EXPECT_EQ(scaling_mode_named(name), scaling_mode::nearest) << name;
    }
}

// The settings file as players save it, to the options it gives next to a
// command line that names the exe path; nothing where it is not text. What
// is read is written back in the same bytes.
TEST(settings_text, each_file_gives_its_settings_and_an_edit_keeps_the_rest) {
    const std::string section = "[orvane-fullscreen]\r\nscaling=sharp\r\nstretch=yes\r\n";
    std::string utf16le = "\xFF\xFE", utf16be = "\xFE\xFF";
    for (const char c : section) {
        utf16le += {c, '\0'};
        utf16be += {'\0', c};
    }
    const command_line_options given = {{L"--orvane-scaling", L"sharp"},
                                        {L"--orvane-stretch", L"yes"}};
    const std::pair<std::string, std::optional<command_line_options>> files[] = {
        {section, given},
        {utf16le, given},
        {utf16be, given},
        {"; mine\n# scaling=integer\n\n[other]\nscaling=smooth\n [ Orvane-Fullscreen ] \n"
         "  Scaling = \"integer\" \nscaling=sharp\nunknown=1\nexe-path=file.exe\nstretch=1\n",
         command_line_options{{L"--orvane-scaling", L"integer"},
                              {L"--orvane-unknown", L"1"},
                              {L"--orvane-stretch", L"1"}}},
        {"\xEF\xBB\xBF[orvane-fullscreen]\nwindow-text-start=Orvane \xE2\x80\x93 "
         "Gr\xC3\xB6\xC3\x9F",
         command_line_options{{L"--orvane-window-text-start", L"Orvane \u2013 Gr\u00F6\u00DF"}}},
        {"scaling=sharp\n", command_line_options{}},
        {"", command_line_options{}},
        {std::string("[orvane-fullscreen]\nscaling=sharp\0", 34), std::nullopt},
        {"[orvane-fullscreen]\nscaling=\xC3(", std::nullopt},
        {"\xFF\xFE[", std::nullopt},
        {std::string("\xFF\xFE\x00\xD8[\0", 6), std::nullopt},
    };
    for (const auto& [bytes, expected] : files) {
        SCOPED_TRACE(bytes);
        const auto read = decode_settings(bytes);
        ASSERT_EQ(read.has_value(), expected.has_value());
        if (read) {
            command_line_options options = parse_command_line(L"--orvane-exe-path=cmd.exe");
            add_settings(options, read->text);
            command_line_options all = *expected;
            all.emplace(L"--orvane-exe-path", L"cmd.exe");
            EXPECT_EQ(options, all);
            EXPECT_EQ(encode_settings(*read), bytes);
        }
    }
    // Each edit as worked by hand: the key's value, else a line after the
    // section's last setting, else the section at the end, in the text's line ends.
    const std::wstring mine =
        L"# mine\n[other]\nscaling=x\n[orvane-fullscreen]\n; keep\nscaling = integer\n"
        L"stretch=no\n\n[later]\n";
    const std::tuple<std::wstring, const wchar_t*, const wchar_t*, std::wstring> edits[] = {
        {mine, L"scaling", L"sharp",
         L"# mine\n[other]\nscaling=x\n[orvane-fullscreen]\n; keep\nscaling = sharp\n"
         L"stretch=no\n\n[later]\n"},
        {mine, L"exe-path", L"a b.exe",
         L"# mine\n[other]\nscaling=x\n[orvane-fullscreen]\n; keep\nscaling = integer\n"
         L"stretch=no\nexe-path=a b.exe\n\n[later]\n"},
        {L"[orvane-fullscreen]\nexe-path=a.exe", L"stretch", L"yes",
         L"[orvane-fullscreen]\nexe-path=a.exe\nstretch=yes\n"},
        {L"[orvane-fullscreen]\n# note\n\n[other]\n", L"scaling", L"smooth",
         L"[orvane-fullscreen]\nscaling=smooth\n# note\n\n[other]\n"},
        {L"[other]\r\nx=1", L"scaling", L"smooth",
         L"[other]\r\nx=1\r\n[orvane-fullscreen]\r\nscaling=smooth\r\n"},
    };
    for (const auto& [text, key, value, expected] : edits) {
        EXPECT_EQ(with_setting(text, key, value), expected);
    }
    const std::wstring created = with_setting(L"", L"stretch", L"yes");
    EXPECT_TRUE(created.starts_with(L"; ") && created.find(L"\r\n") < created.find(L'[') &&
                created.ends_with(L"\r\n[orvane-fullscreen]\r\nstretch=yes\r\n"))
        << created;
}

TEST(mirror_geometry, picture_rectangles_and_mouse_translation) {
    // Client and source sizes, then the letterbox and the integer rectangle.
    const std::array<LONG, 12> rect_cases[] = {
        {1920, 1080, 640, 480, 240, 0, 1680, 1080, 320, 60, 1600, 1020}, // scale 2.25
        {1280, 1024, 640, 480, 0, 32, 1280, 992, 0, 32, 1280, 992},      // scale 2
        {1280, 800, 640, 480, 106, 0, 1174, 800, 320, 160, 960, 640}, // odd gap: picture 1068 wide
        {1920, 1080, 176, 208, 503, 0, 1417, 1080, 520, 20, 1400, 1060},
        {1920, 1080, 160, 144, 360, 0, 1560, 1080, 400, 36, 1520, 1044}, // 7.5, but 7
        {1600, 1200, 640, 480, 0, 0, 1600, 1200, 160, 120, 1440, 1080},  // equal aspect ratios
        {1920, 1080, 1920, 1, 0, 539, 1920, 541, 0, 539, 1920, 540},
        {1281, 1024, 640, 480, 0, 31, 1281, 993, 0, 32, 1280, 992},     // odd gaps: bars round down
        {1920, 1080, 2000, 1000, 0, 60, 1920, 1020, 0, 60, 1920, 1020}, // no whole factor fits
        // Nothing to scale: an empty picture in the centre, no division by zero.
        {1920, 1080, 0, 480, 960, 540, 960, 540, 960, 540, 960, 540},
        {1920, 1080, 640, 0, 960, 540, 960, 540, 960, 540, 960, 540},
        {0, 0, 640, 480, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    const auto corners = [](const RECT& r) {
        return std::array{r.left, r.top, r.right, r.bottom};
    };
    for (const auto& row : rect_cases) {
        const RECT client{0, 0, row[0], row[1]}, source{0, 0, row[2], row[3]};
        EXPECT_EQ(corners(letterbox_rect(client, source)),
                  (std::array{row[4], row[5], row[6], row[7]}));
        EXPECT_EQ(corners(integer_rect(client, source)),
                  (std::array{row[8], row[9], row[10], row[11]}));
    }

    // Filtered samples: source pixel and the next one's weight in 256ths.
    // Sharp: 2 pixels enlarged twice and shown on 5, and 160 by 7 on 1200.
    // Smooth (bilinear, factor 1): pixel i's centre at (i + 0.5) * 2 / 5 - 0.5
    // of 2 pixels on 5 (0.1, 0.5, 0.9; 1.3 past the last), and at 79.567 for
    // pixel 600 of 160 on 1200.
    const std::array<LONG, 6> filter_cases[] = {
        {0, 2, 5, 2, 0, 0},       {1, 2, 5, 2, 0, 0},           {2, 2, 5, 2, 0, 128},
        {3, 2, 5, 2, 1, 0},       {4, 2, 5, 2, 1, 0},           {7, 160, 1200, 7, 0, 128},
        {41, 160, 1200, 7, 5, 0}, {1199, 160, 1200, 7, 159, 0}, {0, 2, 5, 1, 0, 0},
        {1, 2, 5, 1, 0, 25},      {2, 2, 5, 1, 0, 128},         {3, 2, 5, 1, 0, 230},
        {4, 2, 5, 1, 1, 0},       {600, 160, 1200, 1, 79, 145}, {3, 0, 5, 1, 0, 0},
        {3, 2, 0, 1, 0, 0}};
    for (const auto& row : filter_cases) {
        const filtered_sample sample = filtered_sample_at(row[0], row[1], row[2], row[3]);
        EXPECT_EQ((std::array{sample.source, LONG(sample.weight)}), (std::array{row[4], row[5]}));
    }

    // Blends round to the nearest level, four pixels at a time and one:
    // smooth 2 on 5 mixes pixel 1 by 25 / 256 across, 255 * 25 / 256 = 24.9
    // to 25, then down, (25 * 231 + 255 * 25) / 256 = 47.46 to 47 (truncated
    // twice, 46); 2 on 3 mixes pixel 1 by 128 / 256, 127.5 to 128, then 191.5
    // to 192.
    const std::uint32_t art[] = {0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    std::uint32_t scaled[5][5]{};
    pixel_scaler smooth({2, 2}, 1, 5);
    for (const LONG size : {5, 3}) {
        smooth.scale_to({size, size});
        smooth.scale_rows(art, 0, size, 5, scaled[0]);
        EXPECT_EQ((std::array{scaled[0][1], scaled[1][1]}),
                  (size == 5 ? std::array<std::uint32_t, 2>{0x191919, 0x2F2F2F}
                             : std::array<std::uint32_t, 2>{0x808080, 0xC0C0C0}));
    }

    // Position, picture rectangle, game size, then the game pixel shown: the
    // one under the screen pixel's centre, (offset + 0.5) * game / picture
    // rounded down, an exact tie to the lower pixel.
    const std::array<LONG, 10> mouse_cases[] = {
        {960, 540, 240, 0, 1680, 1080, 640, 480, 320, 240},       // 720.5 * 640 / 1440 = 320.2
        {100, 540, 240, 0, 1680, 1080, 640, 480, 29065, 240},     // left of it: offset 65396
        {100, 10, 0, 32, 1280, 992, 640, 480, 50, 32757},         // above it: offset 65514
        {0, 65535, 0, 0, 100, 100, 640, 480, 3, 314570},          // y keeps all its bits,
        {65535, 0, 0, 0, 100, 100, 640, 480, 419427 & 0xFFFF, 2}, // x its low 16
        {7, 7, 0, 0, 1200, 1080, 160, 144, 0, 0},                 // 7.5 * 160 / 1200 = 1: a tie
        {1199, 1079, 0, 0, 1200, 1080, 160, 144, 159, 143},       // the last column and row
        // An empty picture or game: position 0, never a division by zero.
        {960, 540, 960, 540, 960, 540, 640, 480, 0, 0},
        {960, 540, 240, 0, 1680, 1080, 0, 0, 0, 0},
    };
    for (const auto& row : mouse_cases) {
        const RECT picture{row[2], row[3], row[4], row[5]};
        EXPECT_EQ(position_in_game(MAKELPARAM(row[0], row[1]), picture, {row[6], row[7]}),
                  std::int64_t{row[9]} << 16 | row[8])
            << row[0] << ", " << row[1];
    }
    EXPECT_EQ(whole_milliseconds_rounded_up(1'000'001ns), 2); // any started millisecond counts
}

// The awake interval and resting, a frame's time and how long the picture has
// been still, in ms; then the awake interval, resting, and the timer's
// interval. A frame that takes the interval or more lengthens it to the frame
// plus 5; an interval above 20 more than 10 longer than the frame shrinks to
// the frame plus 5, but not below 20 (25 and 3 gave 8, for good); a picture
// still for a second rests, at 125 ms or the awake interval if longer;
// woken (still for 0), the awake interval again.
TEST(pace, the_interval_follows_the_frame_and_rests_after_a_still_second) {
    const std::array<std::int64_t, 7> rows[] = {
        {20, 0, 3, 0, 20, 0, 20},        {20, 0, 20, 0, 25, 0, 25},    {20, 0, 37, 0, 42, 0, 42},
        {42, 0, 33, 0, 42, 0, 42},       {42, 0, 31, 0, 36, 0, 36},    {25, 0, 3, 0, 20, 0, 20},
        {31, 0, 21, 0, 31, 0, 31},       {31, 0, 20, 0, 25, 0, 25},    {10, 0, 10, 0, 20, 0, 20},
        {20, 0, 3, 999, 20, 0, 20},      {20, 0, 3, 1000, 20, 1, 125}, {42, 1, 3, 5000, 20, 1, 125},
        {20, 0, 150, 2000, 155, 1, 155}, {20, 1, 3, 0, 20, 0, 20},
    };
    for (const auto& [awake, resting, frame, still, next_awake, next_resting, interval] : rows) {
        const pace next = next_pace({std::uint32_t(awake), resting != 0}, frame, still);
        EXPECT_EQ((std::array<std::int64_t, 3>{next.awake_ms, next.resting, next.interval_ms()}),
                  (std::array{next_awake, next_resting, interval}))
            << awake << " " << resting << " " << frame << " " << still;
    }
}

// Pictures of pseudo-random pixels scaled by the SSE2 loops and by the
// fastest the CPU has (AVX2 where it is there) in each mode (whole factor 0
// nearest, 1 smooth, more sharp), to sizes whose rows and columns end in
// every remainder of 8, against the rule worked pixel by pixel: the source
// pixels under the sample of each column and row, mixed across, then down,
// each byte p (256 - w) + q w + 128 over 256, rounded down.
TEST(pixel_scaling, every_loop_gives_the_pixels_of_the_rule) {
    const auto mixed = [](std::uint32_t p, std::uint32_t q, std::uint32_t w) {
        std::uint32_t result = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const std::uint32_t a = p >> shift & 0xFF, b = q >> shift & 0xFF;
            result |= ((a * (256 - w) + b * w + 128) >> 8) << shift;
        }
        return result;
    };
    const std::array<LONG, 5> cases[] = {{37, 23, 0, 301, 211},     {37, 23, 1, 298, 211},
                                         {37, 23, 8, 303, 190},     {160, 144, 7, 1203, 1080},
                                         {160, 144, 1, 1201, 1079}, {5, 3, 1, 19, 7},
                                         {6, 4, 3, 20, 13},         {640, 480, 0, 1443, 1080}};
    std::uint32_t seed = 12345;
    for (const auto& row : cases) {
        const LONG width = row[0], height = row[1], whole = row[2], to_width = row[3],
                   to_height = row[4];
        std::vector<std::uint32_t> art(std::size_t(width * height));
        for (auto& pixel : art) {
            pixel = (seed = seed * 1103515245 + 12345) >> 8 & 0xFFFFFF;
        }
        const auto sample = [&](LONG i, LONG from, LONG to) {
            return whole ? filtered_sample_at(i, from, to, whole)
                         : filtered_sample{LONG(pixel_shown(i, from, to)), 0};
        };
        const auto across = [&](LONG row, LONG x) {
            const filtered_sample column = sample(x, width, to_width);
            const std::uint32_t* in = art.data() + row * width;
            return column.weight ? mixed(in[column.source], in[column.source + 1], column.weight)
                                 : in[column.source];
        };
        for (const pixel_loops loops : {pixel_loops::sse2, pixel_loops::fastest}) {
            pixel_scaler scaler({width, height}, whole, to_width, loops);
            scaler.scale_to({to_width, to_height});
            std::vector<std::uint32_t> rows(std::size_t(to_width * to_height));
            for (LONG first = 0; first < to_height; first += 64) {
                scaler.scale_rows(art.data(), first, std::min(LONG{64}, to_height - first),
                                  to_width, rows.data() + first * to_width);
            }
            long wrong = 0;
            for (LONG y = 0; y < to_height; ++y) {
                const filtered_sample sampled = sample(y, height, to_height);
                for (LONG x = 0; x < to_width; ++x) {
                    const std::uint32_t expected =
                        sampled.weight ? mixed(across(sampled.source, x),
                                               across(sampled.source + 1, x), sampled.weight)
                                       : across(sampled.source, x);
                    wrong += rows[std::size_t(y * to_width + x)] != expected;
                }
            }
            EXPECT_EQ(wrong, 0) << width << "x" << height << " by " << whole << " to " << to_width
                                << "x" << to_height << (loops == pixel_loops::sse2 ? " sse2" : "");
        }
    }
    // Equal pictures found equal, one changed pixel anywhere found.
    std::vector<std::uint32_t> a(37, 7), b(37, 7);
    EXPECT_TRUE(same_pixels(a.data(), b.data(), a.size()));
    for (std::size_t i = 0; i < a.size(); ++i) {
        b[i] = 8;
        EXPECT_FALSE(same_pixels(a.data(), b.data(), a.size())) << i;
        b[i] = 7;
    }
}

// Each situation, then what the rules ask of the mirror: it stands just above
// the game (never higher, whoever has the keyboard; higher only where it
// already is, with other programs' windows between), topmost exactly while the
// game is, passes the keyboard to a window of the game only while it has the
// keyboard itself, and does nothing while the game is minimized but go down to
// a game that is topmost no more.
TEST(stacking, each_situation_gives_the_move_the_rules_ask_for) {
    using enum foreground_holder;
    using enum mirror_place;
    HWND box = reinterpret_cast<HWND>(0x1234);
    const stacking_action move{.move_just_above_game = true};
    const struct {
        const char* situation;
        stacking_facts facts;
        stacking_action action;
    } rows[] = {
        // clang-format off
        {"another program in front when the game's box closes",
         {.foreground = other, .place = just_above_game}, {}},
        {"another program in front, the game raised above the mirror",
         {.foreground = other, .place = below_game}, move},
        {"the game clicked in the task bar", {.foreground = game, .place = below_game}, move},
        {"nobody has the keyboard, the game above", {.foreground = nobody, .place = below_game}, move},
        {"a topmost game", {.foreground = game, .place = below_game, .game_topmost = true}, move},
        {"a topmost game covered",
         {.foreground = mirror, .game_topmost = true, .mirror_topmost = true}, {}},
        {"the game topmost no more", {.foreground = other, .mirror_topmost = true}, move},
        {"a box of the game below its main window", {.foreground = game_window}, {}},
        {"a box of the game under the mirror", {.foreground = other, .place = above_a_game_window},
         move},
        {"the mirror in place", {.foreground = mirror}, {}},
        {"the mirror higher, other programs' windows between",
         {.foreground = mirror, .place = above_other_windows}, {}},
        {"a box of the game comes up while the mirror has the keyboard",
         {.foreground = mirror, .game_window_above = box}, {.give_keyboard_to = box}},
        {"a box of the game comes up while the game has the keyboard",
         {.foreground = game, .game_window_above = box}, {}},
        {"the game minimized, topmost, a box above",
         {.foreground = mirror, .place = below_game, .game_window_above = box,
          .game_minimized = true, .game_topmost = true}, {}},
        {"the game minimized, topmost no more",
         {.foreground = other, .game_minimized = true, .mirror_topmost = true}, move},
        // clang-format on
    };
    for (const auto& [situation, facts, action] : rows) {
        EXPECT_TRUE(decide_stacking(facts) == action) << situation;
    }
}

// Hidden; the texts carry the process id, so that nothing else matches.
unique_window create(const std::wstring& class_name, const std::wstring& text) {
    return unique_window{::CreateWindowExW(0, class_name.c_str(), text.c_str(), 0, 0, 0, 100, 100,
                                           nullptr, nullptr, nullptr, nullptr)};
}
const std::wstring id = L" " + std::to_wstring(::GetCurrentProcessId()), long_class(255, L'L');

// Its windows count how often their text length is asked for: once a pass.
int passes = 0;
LRESULT CALLBACK counting_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    passes += message == WM_GETTEXTLENGTH;
    return ::DefWindowProcW(window, message, wparam, lparam);
}
registered_class register_class(const wchar_t* name) {
    WNDCLASSW info{};
    info.lpfnWndProc = counting_proc;
    info.hInstance = ::GetModuleHandleW(nullptr);
    info.lpszClassName = name;
    return registered_class{::RegisterClassW(&info)};
}

TEST(window_search, finds_by_text_start_and_exact_class_in_passes_every_100_ms) {
    const std::wstring text = L"Orvane - Search" + id;
    // Of the longest name there is, and counting the passes.
    const registered_class registration = register_class(long_class.c_str());
    const unique_window window = create(L"Static", text), untitled = create(L"Button", L""),
                        counting = create(long_class, L"Orvane - Long" + id);
    // Anything with a text: the first in the platform's order.
    HWND first = ::GetTopWindow(nullptr);
    while (::GetWindowTextLengthW(first) == 0) {
        first = ::GetWindow(first, GW_HWNDNEXT);
    }
    const std::tuple<std::wstring, std::wstring, HWND> cases[] = {
        {text, L"Static", window.get()},
        {L"Orvane - Sea", L"Static", window.get()},
        {text + L"!", L"Static", nullptr},
        {L"orvane - Search" + id, L"Static", nullptr},
        {L" Orvane - Search", L"Static", nullptr},
        {text, L"", window.get()}, // any class
        {text, L"static", nullptr},
        {text, L"Stati", nullptr},
        {text, L"StaticX", nullptr},
        {L"Orvane - Long" + id, long_class, counting.get()}, // read whole
        {L"", L"Button", nullptr},                           // a window without text never matches
        {L"", L"", first},
    };
    for (const auto& [start, class_name, expected] : cases) {
        EXPECT_EQ(find_target_window(start, class_name), expected) << start << " " << class_name;
    }

    // With the window there, any pass would find it.
    auto start = clock::now();
    EXPECT_EQ(wait_for_window(text, L"", 0), nullptr);
    EXPECT_EQ(wait_for_window(text, L"", -3), nullptr);
    EXPECT_EQ(wait_for_window(text, L"", 5), window.get());
    EXPECT_LT(clock::now() - start, 100ms); // no pause before the first pass
    passes = 0;
    start = clock::now();
    EXPECT_EQ(wait_for_window(text + L"!", L"", 1), nullptr);
    const auto gave_up = clock::now() - start;
    // The last test comes at most one pass and one pause late; the passes at
    // 0, 100, ... 900 ms.
    EXPECT_TRUE(gave_up >= 1000ms && gave_up < 1200ms);
    EXPECT_TRUE(passes >= 8 && passes <= 10) << passes;
}

std::string construction_failure(HWND source) {
    try {
        fullscreen_window mirror(std::wstring(mirror_class), source);
    } catch (const windows_error& failure) {
        return failure.what();
    }
    return "";
}

TEST(fullscreen_window, releases_what_it_acquired_and_leaves_no_quit_message) {
    unique_window game = create(L"Static", L"Game" + id);
    {
        // A class of that name registered already: nothing was acquired.
        const registered_class taken = register_class(mirror_class);
        EXPECT_EQ(construction_failure(game.get()),
                  "Unable to register the fullscreen window class");
        EXPECT_FALSE(register_class(mirror_class)); // still there
    }
    // No such window: the registration is released.
    EXPECT_EQ(construction_failure(reinterpret_cast<HWND>(0x7ff01234)),
              "Unable to get the window DC");
    EXPECT_TRUE(register_class(mirror_class));
    {
        fullscreen_window mirror(std::wstring(mirror_class), game.get());
        // The exe's own icon is for the file; the window keeps the system's.
        EXPECT_EQ(reinterpret_cast<HICON>(::GetClassLongPtrW(mirror.handle(), GCLP_HICON)),
                  ::LoadIconW(nullptr, IDI_APPLICATION));
        // The game goes: the loop ends, and no quit message is left, which
        // would close a failure's message box at once.
        game.reset();
        run_message_loop(mirror);
        MSG quit{};
        EXPECT_FALSE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    }
    EXPECT_TRUE(register_class(mirror_class));

    // A still game is read each tick but shown again only once its picture
    // has changed, on the next tick; a repaint the system asks for is always
    // made, bars black. A mark drawn over the mirror shows which.
    game.reset(::CreateWindowExW(0, L"Static", L"\n\n\n\n\nGame", WS_POPUP | WS_VISIBLE, 0, 0, 64,
                                 128, nullptr, nullptr, nullptr, nullptr));
    {
        fullscreen_window mirror(std::wstring(mirror_class), game.get());
        const auto marked_after_ticks = [&](int ticks, auto change) {
            HDC dc = ::GetDC(mirror.handle());
            ::PatBlt(dc, 0, 0, 8192, 8192, WHITENESS);
            ::ReleaseDC(mirror.handle(), dc);
            change();
            for (MSG message{}; ticks > 0 && ::GetMessageW(&message, nullptr, 0, 0) > 0;
                 ::DispatchMessageW(&message)) {
                ticks -= message.message == WM_TIMER && message.hwnd == mirror.handle();
            }
            const LONG x = mirror.picture_rect().left + 1;
            return capture(mirror.handle(), {x, 1, x + 1, 2}).at(0, 0) == 0xFFFFFF;
        };
        marked_after_ticks(2, [] {}); // its first paints
        EXPECT_TRUE(marked_after_ticks(3, [] {}));
        EXPECT_FALSE(marked_after_ticks(1, [&] { // its lower half only
            ::SetWindowTextW(game.get(), L"\n\n\n\n\nChanged");
        }));
        EXPECT_FALSE(marked_after_ticks(1, [&] { ::InvalidateRect(mirror.handle(), nullptr, 1); }));
        EXPECT_EQ(capture(mirror.handle(), {0, 0, 1, 1}).at(0, 0), 0u);
        // The system's erase leaves what is there: the paint fills only the bars.
        const memory_bitmap white = pixel_bitmap({1, 1});
        ::PatBlt(white.get().dc, 0, 0, 1, 1, WHITENESS);
        EXPECT_TRUE(::SendMessageW(mirror.handle(), WM_ERASEBKGND, WPARAM(white.get().dc), 0));
        EXPECT_EQ(*static_cast<std::uint32_t*>(white.get().pixels) & 0xFFFFFF, 0xFFFFFFu);
    }

    // Destroyed while its window lives: the window goes first, its WM_DESTROY
    // while the class is still there, then the class.
    game = create(L"Static", L"Game" + id);
    static HWND destroyed = nullptr;
    static bool class_at_destroy = false;
    const auto watch = [](int code, WPARAM wparam, LPARAM lparam) -> LRESULT {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lparam);
        if (sent->message == WM_DESTROY && sent->hwnd == destroyed) {
            WNDCLASSW info{};
            class_at_destroy = ::GetClassInfoW(::GetModuleHandleW(nullptr), mirror_class, &info);
        }
        return ::CallNextHookEx(nullptr, code, wparam, lparam);
    };
    const std::unique_ptr<std::remove_pointer_t<HHOOK>, decltype(&::UnhookWindowsHookEx)> hook(
        ::SetWindowsHookExW(WH_CALLWNDPROC, watch, nullptr, ::GetCurrentThreadId()),
        &::UnhookWindowsHookEx);
    {
        fullscreen_window mirror(std::wstring(mirror_class), game.get());
        destroyed = mirror.handle();
    }
    EXPECT_TRUE(class_at_destroy);
    EXPECT_FALSE(::IsWindow(destroyed));
    EXPECT_TRUE(register_class(mirror_class));

    // A window's timer, once stopped, sends nothing more.
    const auto timer_messages = [&](HWND window) {
        int count = 0;
        MSG message{};
        for (const auto end = clock::now() + 100ms; clock::now() < end;) {
            while (::PeekMessageW(&message, window, WM_TIMER, WM_TIMER, PM_REMOVE)) {
                ++count;
            }
        }
        return count;
    };
    window_timer timer = start_window_timer(game.get(), 10);
    EXPECT_GT(timer_messages(game.get()), 0);
    timer.reset();
    EXPECT_EQ(timer_messages(game.get()), 0);
}

} // namespace
} // namespace orvane::test
