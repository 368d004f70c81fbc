#include "windows/target_window_search.h"

#include "common/elapsed_time.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace orvane {
namespace {

using namespace std::chrono_literals;

// Hidden top-level windows of classes registered for the test; every text
// carries the process id so that nothing else on the desktop matches.
class window_search : public testing::Test {
protected:
    static constexpr const wchar_t* class_a = L"OrvaneSearchA";
    static constexpr const wchar_t* class_b = L"OrvaneSearchB";

    static const std::wstring& long_class_name() {
        static const std::wstring name =
            L"OrvaneLong" + std::wstring(245, L'x'); // 255: the most the system registers
        return name;
    }

    void SetUp() override {
        for (const auto* name : {class_a, class_b, long_class_name().c_str()}) {
            WNDCLASSEXW window_class{};
            window_class.cbSize = sizeof window_class;
            window_class.lpfnWndProc = ::DefWindowProcW;
            window_class.hInstance = ::GetModuleHandleW(nullptr);
            window_class.lpszClassName = name;
            ASSERT_NE(::RegisterClassExW(&window_class), 0) << name;
        }
    }

    void TearDown() override {
        for (HWND window : windows_) {
            ::DestroyWindow(window);
        }
        for (const auto* name : {class_a, class_b, long_class_name().c_str()}) {
            ::UnregisterClassW(name, ::GetModuleHandleW(nullptr));
        }
    }

    static std::wstring unique(std::wstring_view text) {
        return std::wstring(text) + L" " + std::to_wstring(::GetCurrentProcessId());
    }

    HWND create(const std::wstring& class_name, const std::wstring& text) {
        HWND window =
            ::CreateWindowExW(0, class_name.c_str(), text.c_str(), WS_OVERLAPPED, 0, 0, 100, 100,
                              nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        EXPECT_NE(window, nullptr);
        windows_.push_back(window);
        return window;
    }

    std::vector<HWND> windows_;
};

// The top-level windows in the platform's enumeration order.
std::vector<HWND> enumeration_order() {
    std::vector<HWND> windows;
    ::EnumWindows(
        [](HWND window, LPARAM lparam) {
            reinterpret_cast<std::vector<HWND>*>(lparam)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

TEST_F(window_search, text_is_a_case_sensitive_prefix) {
    const std::wstring text = unique(L"Orvane - Prefix");
    HWND window = create(class_a, text);

    struct case_row {
        std::wstring start;
        bool found;
    };
    const case_row cases[] = {
        {text, true},                 // equal
        {text.substr(0, 9), true},    // "Orvane - " and more follows
        {text + L"!", false},         // longer than the text
        {L"orvane - Prefix", false},  // other letter case
        {L" Orvane - Prefix", false}, // no trimming
    };
    for (const auto& [start, found] : cases) {
        SCOPED_TRACE(testing::Message() << "start: " << start);
        HWND result = find_target_window(start, class_a);
        if (found) {
            EXPECT_EQ(result, window);
        } else {
            EXPECT_EQ(result, nullptr);
        }
    }
}

TEST_F(window_search, class_name_must_be_equal_unless_empty) {
    const std::wstring text = unique(L"Orvane - Class");
    HWND window = create(class_a, text);
    HWND long_named = create(long_class_name(), unique(L"Orvane - Long class"));

    const std::pair<std::wstring, HWND> cases[] = {
        {class_a, window},
        {L"", window}, // any class
        {L"orvanesearcha", nullptr},
        {L"OrvaneSearch", nullptr},
        {L"OrvaneSearchAA", nullptr},
        {class_b, nullptr},
    };
    for (const auto& [class_name, expected] : cases) {
        EXPECT_EQ(find_target_window(text, class_name), expected) << class_name;
    }
    // Class names of the longest length the system allows are read whole.
    EXPECT_EQ(find_target_window(unique(L"Orvane - Long class"), long_class_name()), long_named);
    EXPECT_EQ(find_target_window(unique(L"Orvane - Long class"), long_class_name().substr(0, 254)),
              nullptr);
}

TEST_F(window_search, window_without_text_never_matches) {
    HWND window = create(class_b, L"");
    EXPECT_EQ(find_target_window(L"", class_b), nullptr);

    ::SetWindowTextW(window, L"x");
    EXPECT_EQ(find_target_window(L"", class_b), window);
}

TEST_F(window_search, first_match_in_enumeration_order_wins) {
    const std::wstring text = unique(L"Orvane - Twice");
    HWND first_created = create(class_a, text);
    HWND second_created = create(class_a, text);

    HWND expected = nullptr;
    for (HWND window : enumeration_order()) {
        if (window == first_created || window == second_created) {
            expected = window;
            break;
        }
    }
    EXPECT_EQ(find_target_window(text, class_a), expected);
}

TEST_F(window_search, empty_start_and_class_find_the_first_window_with_text) {
    create(class_b, unique(L"Orvane - Any"));
    HWND expected = nullptr;
    for (HWND window : enumeration_order()) {
        if (::GetWindowTextLengthW(window) > 0) {
            expected = window;
            break;
        }
    }
    EXPECT_EQ(find_target_window(L"", L""), expected);
}

template <typename Function> std::chrono::milliseconds time_of(Function function) {
    const auto start = monotonic_clock::now();
    function();
    return std::chrono::duration_cast<std::chrono::milliseconds>(monotonic_clock::now() - start);
}

TEST_F(window_search, wait_with_no_time_makes_no_pass) {
    const std::wstring text = unique(L"Orvane - Present");
    create(class_a, text);
    HWND result = reinterpret_cast<HWND>(1);
    EXPECT_LT(time_of([&] { result = wait_for_window(text, class_a, 0); }), 50ms);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(wait_for_window(text, class_a, -3), nullptr);
}

TEST_F(window_search, wait_returns_a_present_window_without_pausing) {
    const std::wstring text = unique(L"Orvane - Present");
    HWND window = create(class_a, text);
    HWND result = nullptr;
    EXPECT_LT(time_of([&] { result = wait_for_window(text, class_a, 5); }), 100ms);
    EXPECT_EQ(result, window);
}

TEST_F(window_search, wait_finds_a_window_created_later) {
    const std::wstring text = unique(L"Orvane - Later");
    std::atomic<HWND> created{nullptr};
    std::atomic<DWORD> thread_id{0};
    // Another thread owns the window and answers its messages, as a game would.
    std::thread creator([&] {
        thread_id = ::GetCurrentThreadId();
        std::this_thread::sleep_for(300ms);
        created = ::CreateWindowExW(0, class_a, text.c_str(), WS_OVERLAPPED, 0, 0, 100, 100,
                                    nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        MSG message{};
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
            ::DispatchMessageW(&message);
        }
        ::DestroyWindow(created);
    });
    HWND result = nullptr;
    const auto waited = time_of([&] { result = wait_for_window(text, class_a, 5); });
    while (!::PostThreadMessageW(thread_id, WM_QUIT, 0, 0)) {
        std::this_thread::sleep_for(10ms);
    }
    creator.join();

    EXPECT_EQ(result, created.load());
    EXPECT_GE(waited, 300ms);
    EXPECT_LT(waited, 1500ms);
}

TEST_F(window_search, wait_gives_up_after_the_time_limit) {
    HWND result = reinterpret_cast<HWND>(1);
    const auto waited =
        time_of([&] { result = wait_for_window(unique(L"Orvane - Never"), class_a, 5); });
    EXPECT_EQ(result, nullptr);
    EXPECT_GE(waited, 5000ms);
    EXPECT_LT(waited, 6000ms); // the last test comes at most one pass and one pause late
}

} // namespace
} // namespace orvane
