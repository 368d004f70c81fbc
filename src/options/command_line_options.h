#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace orvane {

// Hashes strings and views alike, so that lookups by view build no string.
struct wide_text_hash {
    using is_transparent = void;
    std::size_t operator()(std::wstring_view text) const noexcept {
        return std::hash<std::wstring_view>{}(text);
    }
};

// Option key to option value, from the key=value elements of the command line.
using command_line_options =
    std::unordered_map<std::wstring, std::wstring, wide_text_hash, std::equal_to<>>;

// Splits the command line (without the program's own name, as wWinMain gets
// it) into options. Elements without an equals sign are dropped; the first
// occurrence of a key wins.
command_line_options parse_command_line(const wchar_t* command_line);

// The value stored for `key`, even when empty; otherwise `default_value`
// itself. The result views the map's own text, or whatever `default_value`
// views, so callers pass static literals as defaults.
std::wstring_view get_option(const command_line_options& options, std::wstring_view key,
                             std::wstring_view default_value);

} // namespace orvane
