#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <string_view>

namespace orvane {

// What one pass over the top-level windows looks for, and what it found.
struct target_window_query {
    HWND found_window = nullptr;
    std::wstring_view window_text_start; // the window text must begin with it
    std::wstring_view window_class_name; // must equal the class name; empty: any class
    std::exception_ptr failure;          // carried out of EnumWindows, rethrown after it
};

// EnumWindows callback: tests one window against the query in `lparam`.
BOOL CALLBACK match_target_window(HWND window, LPARAM lparam) noexcept;

// One pass over the top-level windows; the first match in enumeration order.
HWND find_target_window(std::wstring_view window_text_start, std::wstring_view window_class_name);

// Repeats passes 100 ms apart until a window matches or `time_limit_seconds`
// have passed; null on time-out.
HWND wait_for_window(std::wstring_view window_text_start, std::wstring_view window_class_name,
                     std::int64_t time_limit_seconds);

} // namespace orvane
