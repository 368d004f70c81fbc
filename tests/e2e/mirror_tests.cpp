// The full-screen mirror as the player sees it: the real tool on a running
// stand-in game, read back from the screen and from the game's record.
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace orvane::test {
namespace {

constexpr COLORREF black = RGB(0, 0, 0);
constexpr COLORREF red = RGB(255, 0, 0);
constexpr COLORREF green = RGB(0, 255, 0);
constexpr COLORREF blue = RGB(0, 0, 255);
constexpr COLORREF yellow = RGB(255, 255, 0);

// Where the stand-in game's 640 x 480 picture lands on the screens the tests
// run on, and where a point in a black bar goes in the game.
struct screen_layout {
    SIZE screen;
    RECT picture;
    POINT bar_point;
    POINT bar_point_in_game; // 16-bit offsets wrap around
};

constexpr screen_layout layouts[] = {
    {{1280, 1024}, {0, 32, 1280, 992}, {100, 10}, {50, 32757}},
    {{1920, 1080}, {240, 0, 1680, 1080}, {100, 540}, {29065, 240}},
};

LPARAM at(POINT point) {
    return MAKELPARAM(point.x, point.y);
}

std::wstring hex(unsigned long long value) {
    wchar_t text[32];
    std::swprintf(text, 32, L"0x%llx", value);
    return text;
}

std::wstring message_line(UINT message, WPARAM wparam, LPARAM lparam) {
    return hex(message) + L" wparam=" + hex(wparam) + L" lparam=" +
           hex(static_cast<unsigned long long>(lparam));
}

struct pixel_check {
    POINT point;
    COLORREF colour;
};

// The four quadrants inside `picture`, and black beyond each edge that has a bar.
std::vector<pixel_check> picture_checks(const RECT& picture, SIZE screen) {
    const LONG quarter_x = (picture.right - picture.left) / 4;
    const LONG quarter_y = (picture.bottom - picture.top) / 4;
    const LONG left_x = picture.left + quarter_x;
    const LONG top_y = picture.top + quarter_y;
    std::vector<pixel_check> checks{
        {{left_x, top_y}, red},
        {{picture.right - quarter_x, top_y}, green},
        {{left_x, picture.bottom - quarter_y}, blue},
        {{picture.right - quarter_x, picture.bottom - quarter_y}, yellow},
        {{picture.left + 2, picture.top + 2}, red},
        {{picture.right - 3, picture.top + 2}, green},
        {{picture.left + 2, picture.bottom - 3}, blue},
        {{picture.right - 3, picture.bottom - 3}, yellow},
    };
    if (picture.top > 0) {
        checks.push_back({{left_x, picture.top - 2}, black});
        checks.push_back({{left_x, 0}, black});
    }
    if (picture.bottom < screen.cy) {
        checks.push_back({{left_x, picture.bottom + 1}, black});
        checks.push_back({{left_x, screen.cy - 1}, black});
    }
    if (picture.left > 0) {
        checks.push_back({{picture.left - 2, top_y}, black});
        checks.push_back({{0, top_y}, black});
    }
    if (picture.right < screen.cx) {
        checks.push_back({{picture.right + 1, top_y}, black});
        checks.push_back({{screen.cx - 1, top_y}, black});
    }
    return checks;
}

// The checks that the screen does not pass yet, after waiting up to 3 s for them.
std::vector<std::wstring> screen_mismatches(const std::vector<pixel_check>& checks) {
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    for (;;) {
        std::vector<std::wstring> mismatches;
        for (const auto& [point, colour] : checks) {
            if (const COLORREF seen = screen_pixel(point); seen != colour) {
                mismatches.push_back(L"(" + std::to_wstring(point.x) + L", " +
                                     std::to_wstring(point.y) + L"): " + hex(seen) +
                                     L" instead of " + hex(colour));
            }
        }
        if (mismatches.empty() || std::chrono::steady_clock::now() > deadline) {
            return mismatches;
        }
        std::this_thread::sleep_for(20ms);
    }
}

class mirror : public testing::Test {
protected:
    void SetUp() override {
        game_ = start_stand_in_game(directory_.path(), record_);
        game_window_ = game_.main_window;
        ASSERT_NE(game_window_, nullptr);
        ASSERT_NO_FATAL_FAILURE(place_game());

        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromWindow(game_window_, MONITOR_DEFAULTTONEAREST),
                                      &monitor));
        monitor_ = monitor.rcMonitor;
        screen_ = {monitor_.right - monitor_.left, monitor_.bottom - monitor_.top};
        const auto layout = std::find_if(std::begin(layouts), std::end(layouts), [&](auto& row) {
            return row.screen.cx == screen_.cx && row.screen.cy == screen_.cy;
        });
        ASSERT_NE(layout, std::end(layouts))
            << "no expected layout for a " << screen_.cx << "x" << screen_.cy << " screen";
        layout_ = *layout;

        tool_ = start_process(tool_exe(), L"", directory_.path());
        mirror_ = wait_for_mirror_window(tool_.id);
        ASSERT_NE(mirror_, nullptr);
    }

    // Where the game window is when the tool starts; the game puts it at the
    // primary monitor's top-left corner.
    virtual void place_game() {}

    void TearDown() override {
        end_process(tool_.id);
        end_process(game_.process.id);
    }

    void post(UINT message, WPARAM wparam, LPARAM lparam) {
        ASSERT_TRUE(::PostMessageW(mirror_, message, wparam, lparam));
    }

    // The key and mouse messages the game received, in order; mouse moves that
    // the system itself may generate are left out.
    std::vector<std::wstring> game_messages() const {
        auto messages = record_.values(L"message");
        std::erase_if(messages,
                      [](const std::wstring& line) { return line.starts_with(L"0x200 "); });
        return messages;
    }

    // Waits until the game has received `marker` (posted last), then returns
    // everything it received.
    std::vector<std::wstring> game_messages_until(const std::wstring& marker) const {
        const auto deadline = std::chrono::steady_clock::now() + 3s;
        auto messages = game_messages();
        while (std::find(messages.begin(), messages.end(), marker) == messages.end() &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(20ms);
            messages = game_messages();
        }
        return messages;
    }

    DWORD tool_exit_code(std::chrono::milliseconds limit) const {
        DWORD code = STILL_ACTIVE;
        if (::WaitForSingleObject(tool_.handle.get(), static_cast<DWORD>(limit.count())) ==
            WAIT_OBJECT_0) {
            ::GetExitCodeProcess(tool_.handle.get(), &code);
        }
        return code;
    }

    temp_directory directory_;
    game_record record_{directory_.path() / L"game-record.txt"};
    started_game game_;
    HWND game_window_ = nullptr;
    RECT monitor_{};
    SIZE screen_{};
    screen_layout layout_{};
    started_process tool_;
    HWND mirror_ = nullptr;
};

TEST_F(mirror, covers_the_monitor_with_the_letterboxed_picture) {
    RECT covered{};
    ASSERT_TRUE(::GetWindowRect(mirror_, &covered));
    EXPECT_TRUE(::EqualRect(&covered, &monitor_));
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(mirror_, GWL_STYLE));
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_THICKFRAME), static_cast<DWORD>(WS_POPUP));
    const auto mismatches = screen_mismatches(picture_checks(layout_.picture, screen_));
    EXPECT_TRUE(mismatches.empty()) << testing::PrintToString(mismatches);
}

TEST_F(mirror, f8_switches_to_stretch_and_back_once_per_single_key_down) {
    const auto letterbox = picture_checks(layout_.picture, screen_);
    const auto stretch = picture_checks({0, 0, screen_.cx, screen_.cy}, screen_);
    constexpr LPARAM single = 0x00420001;   // repeat count 1
    constexpr LPARAM gathered = 0x40420002; // repeat count 2: dropped
    constexpr LPARAM key_up = static_cast<LPARAM>(0xC0420001);
    ASSERT_TRUE(screen_mismatches(letterbox).empty());

    post(WM_KEYDOWN, VK_F8, single);
    post(WM_KEYUP, VK_F8, key_up);
    auto mismatches = screen_mismatches(stretch);
    EXPECT_TRUE(mismatches.empty()) << "stretched: " << testing::PrintToString(mismatches);

    post(WM_KEYDOWN, VK_F8, single);
    post(WM_KEYUP, VK_F8, key_up);
    mismatches = screen_mismatches(letterbox);
    EXPECT_TRUE(mismatches.empty()) << "letterboxed again: " << testing::PrintToString(mismatches);

    post(WM_KEYDOWN, VK_F8, gathered);
    post(WM_KEYUP, VK_F8, key_up);
    std::this_thread::sleep_for(200ms); // ten ticks
    mismatches = screen_mismatches(letterbox);
    EXPECT_TRUE(mismatches.empty())
        << "after a gathered repeat: " << testing::PrintToString(mismatches);

    // Only the key-ups reached the game, unchanged.
    const auto up = message_line(WM_KEYUP, VK_F8, key_up);
    EXPECT_EQ(game_messages_until(up), std::vector<std::wstring>(3, up));
}

TEST_F(mirror, keys_and_mouse_reach_the_game_with_translated_positions) {
    const RECT& picture = layout_.picture;
    const POINT centre{(picture.left + picture.right) / 2, (picture.top + picture.bottom) / 2};
    const POINT corner{picture.left, picture.top};
    const struct {
        UINT message;
        WPARAM wparam;
        LPARAM lparam;
        std::optional<LPARAM> in_game; // none: not passed on
    } cases[] = {
        {WM_KEYDOWN, 'A', 0x001E0001, 0x001E0001},
        {WM_CHAR, 'a', 0x001E0001, std::nullopt},
        {WM_KEYUP, 'A', static_cast<LPARAM>(0xC01E0001), static_cast<LPARAM>(0xC01E0001)},
        {WM_KEYDOWN, VK_SPACE, 0x40390005, 0x40390005}, // repeats gathered: passed as they are
        {WM_SYSKEYDOWN, 'X', 0x202D0001, std::nullopt},
        {WM_LBUTTONDOWN, MK_LBUTTON, at(centre), MAKELPARAM(320, 240)},
        {WM_LBUTTONUP, 0, at(centre), MAKELPARAM(320, 240)},
        {WM_RBUTTONDOWN, MK_RBUTTON, at(corner), MAKELPARAM(0, 0)},
        {WM_MBUTTONDOWN, MK_MBUTTON, at(layout_.bar_point), at(layout_.bar_point_in_game)},
        {WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), at(centre), MAKELPARAM(320, 240)},
        {WM_XBUTTONDBLCLK, MAKEWPARAM(0, XBUTTON1), at(centre), MAKELPARAM(320, 240)},
        {WM_MOUSEHWHEEL, MAKEWPARAM(0, WHEEL_DELTA), at(centre), std::nullopt},
        {WM_KEYUP, VK_F9, static_cast<LPARAM>(0xC0430001), static_cast<LPARAM>(0xC0430001)},
    };
    std::vector<std::wstring> expected;
    for (const auto& row : cases) {
        post(row.message, row.wparam, row.lparam);
        if (row.in_game) {
            expected.push_back(message_line(row.message, row.wparam, *row.in_game));
        }
    }
    EXPECT_EQ(game_messages_until(expected.back()), expected);
}

TEST_F(mirror, ends_with_zero_soon_after_the_game_window_goes) {
    ASSERT_TRUE(::PostMessageW(game_window_, WM_CLOSE, 0, 0));
    ASSERT_EQ(::WaitForSingleObject(game_.process.handle.get(), 5000), WAIT_OBJECT_0);
    const auto game_gone = std::chrono::steady_clock::now();
    EXPECT_EQ(tool_exit_code(5s), 0u);
    // One tick (20 ms) and the failing copy; the bound leaves room for a busy machine.
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - game_gone);
    EXPECT_LT(took, 1s) << took.count() << " ms";
    RecordProperty("tool_end_after_game_ms", static_cast<int>(took.count()));
}

struct close_case {
    const char* name;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

void PrintTo(const close_case& row, std::ostream* out) {
    *out << row.name;
}

class mirror_close : public mirror, public testing::WithParamInterface<close_case> {};

TEST_P(mirror_close, ends_with_zero_and_leaves_the_game_running) {
    post(GetParam().message, GetParam().wparam, GetParam().lparam);
    EXPECT_EQ(tool_exit_code(5s), 0u);
    EXPECT_TRUE(process_running(game_.process.id));
    EXPECT_TRUE(::IsWindowVisible(game_window_));
}

// Alt+F4 is closed by default processing, as a player's keypress would be.
INSTANTIATE_TEST_SUITE_P(by, mirror_close,
                         testing::Values(close_case{"alt_f4", WM_SYSKEYDOWN, VK_F4, 0x203E0001},
                                         close_case{"wm_close", WM_CLOSE, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

BOOL CALLBACK collect_monitor(HMONITOR monitor, HDC, LPRECT, LPARAM lparam) {
    reinterpret_cast<std::vector<HMONITOR>*>(lparam)->push_back(monitor);
    return TRUE;
}

// Run on a desktop of two monitors: the game moved to where only the
// secondary one is.
class second_monitor : public mirror {
protected:
    void place_game() override {
        std::vector<HMONITOR> monitors;
        ::EnumDisplayMonitors(nullptr, nullptr, collect_monitor,
                              reinterpret_cast<LPARAM>(&monitors));
        ASSERT_GE(monitors.size(), 2u) << "this test needs a desktop of two monitors";
        const HMONITOR primary = ::MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
        MONITORINFO primary_info{};
        primary_info.cbSize = sizeof primary_info;
        ::GetMonitorInfoW(primary, &primary_info);
        for (HMONITOR monitor : monitors) {
            MONITORINFO info{};
            info.cbSize = sizeof info;
            ::GetMonitorInfoW(monitor, &info);
            if (monitor == primary || ::EqualRect(&info.rcMonitor, &primary_info.rcMonitor)) {
                continue;
            }
            // A corner of it that the primary monitor does not hold.
            const POINT corner{info.rcMonitor.right - 1, info.rcMonitor.bottom - 1};
            if (!::PtInRect(&primary_info.rcMonitor, corner)) {
                ASSERT_TRUE(::SetWindowPos(game_window_, nullptr, corner.x - 700, corner.y - 600, 0,
                                           0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
                ASSERT_EQ(::MonitorFromWindow(game_window_, MONITOR_DEFAULTTONEAREST), monitor);
                secondary_ = info.rcMonitor;
                return;
            }
        }
        FAIL() << "no part of a secondary monitor lies outside the primary one";
    }

    RECT secondary_{};
};

TEST_F(second_monitor, mirror_covers_the_monitor_of_the_game_window) {
    RECT covered{};
    ASSERT_TRUE(::GetWindowRect(mirror_, &covered));
    EXPECT_TRUE(::EqualRect(&covered, &secondary_));
    const auto mismatches = screen_mismatches(picture_checks(layout_.picture, screen_));
    EXPECT_TRUE(mismatches.empty()) << testing::PrintToString(mismatches);
}

} // namespace
} // namespace orvane::test
