#include "windows/target_window_search.h"

#include "common/elapsed_time.h"

#include <algorithm>
#include <limits>
#include <string>

namespace orvane {

namespace {

constexpr int max_class_name_characters = 257; // 256 and the terminating null

bool matches(HWND window, const target_window_query& query) {
    const int text_length = ::GetWindowTextLengthW(window);
    if (text_length <= 0) {
        return false; // a window without text never matches
    }
    std::wstring text(static_cast<std::size_t>(text_length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), text_length + 1)));
    if (!text.starts_with(query.window_text_start)) {
        return false;
    }
    if (query.window_class_name.empty()) {
        return true;
    }
    std::wstring class_name(max_class_name_characters, L'\0');
    class_name.resize(static_cast<std::size_t>(
        ::GetClassNameW(window, class_name.data(), max_class_name_characters)));
    return class_name == query.window_class_name;
}

} // namespace

BOOL CALLBACK match_target_window(HWND window, LPARAM lparam) noexcept {
    auto& query = *reinterpret_cast<target_window_query*>(lparam);
    try {
        if (!matches(window, query)) {
            return TRUE;
        }
        query.found_window = window;
    } catch (...) {
        // No exception may unwind through the system's frames.
        query.failure = std::current_exception();
    }
    return FALSE;
}

HWND find_target_window(std::wstring_view window_text_start, std::wstring_view window_class_name) {
    target_window_query query{nullptr, window_text_start, window_class_name, nullptr};
    ::EnumWindows(match_target_window, reinterpret_cast<LPARAM>(&query));
    if (query.failure) {
        std::rethrow_exception(query.failure);
    }
    return query.found_window;
}

HWND wait_for_window(std::wstring_view window_text_start, std::wstring_view window_class_name,
                     std::int64_t time_limit_seconds) {
    using namespace std::chrono_literals;
    constexpr std::int64_t max_seconds = std::numeric_limits<std::int64_t>::max() / 1000;
    const std::int64_t limit_ms =
        std::clamp<std::int64_t>(time_limit_seconds, 0, max_seconds) * 1000;
    const auto start = monotonic_clock::now();
    while (whole_milliseconds_rounded_up(monotonic_clock::now() - start) < limit_ms) {
        if (HWND window = find_target_window(window_text_start, window_class_name)) {
            return window;
        }
        sleep_at_least(100ms);
    }
    return nullptr;
}

} // namespace orvane
