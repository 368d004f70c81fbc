// The mirror object in this process, against a running stand-in game.
#include "test_support.h"

#include "app/message_loop.h"
#include "common/windows_error.h"
#include "mirror/fullscreen_window.h"

#include <gtest/gtest.h>

#include <future>
#include <optional>
#include <string>

namespace orvane::test {
namespace {

const std::wstring class_name{mirror_class_name};

bool class_registered() {
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    return ::GetClassInfoExW(::GetModuleHandleW(nullptr), class_name.c_str(), &info) != FALSE;
}

std::optional<std::string> construction_failure(HWND source) {
    try {
        const fullscreen_window mirror(class_name, source);
    } catch (const windows_error& failure) {
        return failure.what();
    }
    return std::nullopt;
}

class fullscreen_window_test : public testing::Test {
protected:
    void SetUp() override {
        game_ = start_stand_in_game(directory_.path(), record_);
        game_window_ = game_.main_window;
        ASSERT_TRUE(::IsWindow(game_window_));
    }
    void TearDown() override { end_process(game_.process.id); }

    temp_directory directory_;
    game_record record_{directory_.path() / L"game-record.txt"};
    started_game game_;
    HWND game_window_ = nullptr;
};

TEST_F(fullscreen_window_test, construction_failures_release_what_was_acquired) {
    // A class of that name registered already: nothing was acquired.
    WNDCLASSEXW taken{};
    taken.cbSize = sizeof taken;
    taken.lpfnWndProc = ::DefWindowProcW;
    taken.hInstance = ::GetModuleHandleW(nullptr);
    taken.lpszClassName = class_name.c_str();
    ASSERT_NE(::RegisterClassExW(&taken), 0);
    EXPECT_EQ(construction_failure(game_window_), "Unable to register the fullscreen window class");
    EXPECT_TRUE(class_registered()); // not ours to release
    ASSERT_TRUE(::UnregisterClassW(class_name.c_str(), ::GetModuleHandleW(nullptr)));

    // No such window: the class registration is released.
    EXPECT_EQ(construction_failure(reinterpret_cast<HWND>(0x7ff01234)),
              "Unable to get the window DC");
    EXPECT_FALSE(class_registered());

    // So a mirror can be built afterwards, and is released again when it goes.
    {
        const fullscreen_window mirror(class_name, game_window_);
        EXPECT_TRUE(::IsWindowVisible(mirror.handle()));
        // The exe's own icon is for the file; the window keeps the system's.
        EXPECT_EQ(reinterpret_cast<HICON>(::GetClassLongPtrW(mirror.handle(), GCLP_HICON)),
                  ::LoadIconW(nullptr, IDI_APPLICATION));
    }
    EXPECT_FALSE(class_registered());
    EXPECT_EQ(construction_failure(game_window_), std::nullopt);
}

TEST_F(fullscreen_window_test, loop_ends_at_once_when_the_game_goes_and_a_box_can_still_show) {
    const fullscreen_window mirror(class_name, game_window_);
    const HWND mirror_window = mirror.handle();
    ::PostMessageW(game_window_, WM_CLOSE, 0, 0);
    const auto start = std::chrono::steady_clock::now();
    run_message_loop(mirror);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, 2s); // the next tick's copy fails: a few tens of ms in practice
    EXPECT_EQ(mirror.handle(), nullptr);
    EXPECT_FALSE(::IsWindow(mirror_window));

    // Nothing left in the queue may close a failure's message box at once.
    MSG quit{};
    EXPECT_FALSE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    auto answer = std::async(std::launch::async, [] {
        std::this_thread::sleep_for(500ms);
        for (auto deadline = std::chrono::steady_clock::now() + 5s;
             std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(20ms)) {
            if (HWND box = find_error_box(::GetCurrentProcessId())) {
                ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                return true;
            }
        }
        return false;
    });
    const auto box_start = std::chrono::steady_clock::now();
    ::MessageBoxA(nullptr, "Unable to get the window DC", "Error", MB_ICONERROR);
    EXPECT_GE(std::chrono::steady_clock::now() - box_start, 450ms);
    EXPECT_TRUE(answer.get());
}

} // namespace
} // namespace orvane::test
