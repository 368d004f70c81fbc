#pragma once

#include "options/command_line_options.h"

#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// How a settings file was stored, so that it is written back alike.
enum class text_encoding { utf8, utf8_bom, utf16le, utf16be };

struct settings_text {
    std::wstring text;
    text_encoding encoding = text_encoding::utf8;
};

// The file's bytes as text: UTF-8, with or without a byte-order mark, or
// UTF-16 with one. Nothing where they are not text (a NUL, an invalid
// sequence).
std::optional<settings_text> decode_settings(std::string_view bytes);
// The text in the encoding it came in; nothing where it cannot be.
std::optional<std::string> encode_settings(const settings_text& settings);

// The settings of the "[orvane-fullscreen]" section, "key=value" a line,
// added to `options` as the options of those names where the command line did
// not give them. Section and key names in any letter case; blanks around
// them, and quotation marks around a value, do not count; the first of a key
// counts.
void add_settings(command_line_options& options, std::wstring_view text);

// The text with `key` set to `value` in that section, every other line as it
// was: the key's line changed, or a line added to the section, or the
// section added. Text that was not there yet starts with a comment that says
// what it is.
std::wstring with_setting(std::wstring_view text, std::wstring_view key, std::wstring_view value);

} // namespace orvane
