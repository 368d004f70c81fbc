#include "options/settings_text.h"

#include <windows.h>

#include <algorithm>
#include <climits>

namespace orvane {
namespace {

constexpr std::wstring_view section_name = L"orvane-fullscreen", option_prefix = L"--orvane-",
                            blanks = L" \t";
constexpr std::string_view utf8_mark = "\xEF\xBB\xBF", utf16le_mark = "\xFF\xFE",
                           utf16be_mark = "\xFE\xFF";

std::wstring_view trimmed(std::wstring_view text) noexcept {
    const auto first = text.find_first_not_of(blanks);
    return first == std::wstring_view::npos
               ? std::wstring_view{}
               : text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

wchar_t ascii_lower(wchar_t c) noexcept {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool same_name(std::wstring_view a, std::wstring_view b) noexcept {
    return std::ranges::equal(a, b, {}, ascii_lower, ascii_lower);
}

// One line, its end (LF or CR LF) not included: a section's header, a
// setting, or nothing that counts (blank, a comment, anything else).
struct ini_line {
    enum { other, header, setting } kind = other;
    std::wstring_view name;
    std::wstring_view value;
    std::size_t value_at = 0; // where the value starts in the line
};

ini_line read_line(std::wstring_view line) noexcept {
    const std::wstring_view text = trimmed(line);
    if (text.empty() || text.front() == L';' || text.front() == L'#') {
        return {};
    }
    if (text.front() == L'[' && text.back() == L']') {
        return {ini_line::header, trimmed(text.substr(1, text.size() - 2)), {}, 0};
    }
    const auto equals = line.find(L'=');
    if (equals == std::wstring_view::npos) {
        return {};
    }
    const std::wstring_view name = trimmed(line.substr(0, equals));
    std::wstring_view value = trimmed(line.substr(equals + 1));
    const std::size_t value_at =
        value.empty() ? line.size() : static_cast<std::size_t>(value.data() - line.data());
    if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"') {
        value = value.substr(1, value.size() - 2);
    }
    return {ini_line::setting, name, value, value_at};
}

// Calls `visit(line, start, end, next)` for each line of the text in order:
// the line, where it starts and ends in the text, and where the next begins.
template <typename Visit> void for_each_line(std::wstring_view text, Visit visit) {
    for (std::size_t start = 0; start < text.size();) {
        const auto newline = text.find(L'\n', start);
        const std::size_t next = newline == std::wstring_view::npos ? text.size() : newline + 1;
        std::size_t end = newline == std::wstring_view::npos ? text.size() : newline;
        if (end > start && text[end - 1] == L'\r') {
            --end;
        }
        visit(text.substr(start, end - start), start, end, next);
        start = next;
    }
}

// Whether each high surrogate has its low one and no low one stands alone.
bool valid_utf16(std::wstring_view text) noexcept {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1])) {
            ++i;
        } else if (IS_HIGH_SURROGATE(text[i]) || IS_LOW_SURROGATE(text[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<settings_text> decode_settings(std::string_view bytes) {
    settings_text settings;
    std::wstring& text = settings.text;
    if (bytes.starts_with(utf16le_mark) || bytes.starts_with(utf16be_mark)) {
        const bool big_endian = bytes.starts_with(utf16be_mark);
        settings.encoding = big_endian ? text_encoding::utf16be : text_encoding::utf16le;
        bytes.remove_prefix(2);
        if (bytes.size() % 2) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < bytes.size(); i += 2) {
            const auto low = static_cast<unsigned char>(bytes[i + (big_endian ? 1 : 0)]),
                       high = static_cast<unsigned char>(bytes[i + (big_endian ? 0 : 1)]);
            text.push_back(static_cast<wchar_t>(low | high << 8));
        }
    } else {
        if (bytes.starts_with(utf8_mark)) {
            settings.encoding = text_encoding::utf8_bom;
            bytes.remove_prefix(utf8_mark.size());
        }
        if (bytes.size() > INT_MAX) {
            return std::nullopt;
        }
        const int size = static_cast<int>(bytes.size());
        text.resize(static_cast<std::size_t>(size)); // never more units than bytes
        const int units = size ? ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                                       size, text.data(), size)
                               : 0;
        if (size && !units) {
            return std::nullopt;
        }
        text.resize(static_cast<std::size_t>(units));
    }
    if (text.find(L'\0') != std::wstring::npos || !valid_utf16(text)) {
        return std::nullopt;
    }
    return settings;
}

std::optional<std::string> encode_settings(const settings_text& settings) {
    const std::wstring& text = settings.text;
    std::string bytes;
    if (settings.encoding == text_encoding::utf16le ||
        settings.encoding == text_encoding::utf16be) {
        const bool big_endian = settings.encoding == text_encoding::utf16be;
        bytes.append(big_endian ? utf16be_mark : utf16le_mark);
        for (const wchar_t unit : text) {
            const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
            bytes += big_endian ? high : low;
            bytes += big_endian ? low : high;
        }
        return bytes;
    }
    if (settings.encoding == text_encoding::utf8_bom) {
        bytes.append(utf8_mark);
    }
    if (text.empty()) {
        return bytes;
    }
    if (text.size() > INT_MAX / 3) {
        return std::nullopt;
    }
    const int size = static_cast<int>(text.size());
    const std::size_t start = bytes.size();
    bytes.resize(start + text.size() * 3); // at most three bytes a unit
    const int written = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, bytes.data() + start,
                                              size * 3, nullptr, nullptr);
    if (written <= 0) {
        return std::nullopt;
    }
    bytes.resize(start + static_cast<std::size_t>(written));
    return bytes;
}

void add_settings(command_line_options& options, std::wstring_view text) {
    bool in_section = false;
    for_each_line(text, [&](std::wstring_view line, std::size_t, std::size_t, std::size_t) {
        const ini_line read = read_line(line);
        if (read.kind == ini_line::header) {
            in_section = same_name(read.name, section_name);
        } else if (in_section && read.kind == ini_line::setting) {
            std::wstring key{option_prefix};
            std::ranges::transform(read.name, std::back_inserter(key), ascii_lower);
            options.try_emplace(std::move(key), read.value);
        }
    });
}

std::wstring with_setting(std::wstring_view text, std::wstring_view key, std::wstring_view value) {
    const std::wstring_view newline =
        text.find(L'\n') == std::wstring_view::npos || text.find(L"\r\n") != std::wstring_view::npos
            ? L"\r\n"
            : L"\n";
    bool in_section = false;
    std::size_t changed_at = std::wstring_view::npos, changed_end = 0;
    std::size_t add_at = std::wstring_view::npos; // after the section's last setting
    for_each_line(
        text, [&](std::wstring_view line, std::size_t start, std::size_t end, std::size_t next) {
            const ini_line read = read_line(line);
            if (read.kind == ini_line::header) {
                in_section = same_name(read.name, section_name);
            } else if (!in_section || read.kind != ini_line::setting) {
                return;
            } else if (changed_at == std::wstring_view::npos && same_name(read.name, key)) {
                changed_at = start + read.value_at;
                changed_end = end;
            }
            if (in_section) {
                add_at = next;
            }
        });
    std::wstring result{text};
    if (changed_at != std::wstring_view::npos) {
        return result.replace(changed_at, changed_end - changed_at, value);
    }
    const std::wstring setting = std::wstring{key} + L"=" + std::wstring{value};
    const bool unended = !text.empty() && text.back() != L'\n';
    if (add_at != std::wstring_view::npos) {
        return result.insert(
            add_at, (add_at == text.size() && unended ? std::wstring{newline} : std::wstring{}) +
                        setting + std::wstring{newline});
    }
    if (text.empty()) {
        result =
            L"; orvane-fullscreen settings, as README.txt tells; the command line wins over them";
        result += newline;
    } else if (unended) {
        result += newline;
    }
    return result.append(L"[")
        .append(section_name)
        .append(L"]")
        .append(newline)
        .append(setting)
        .append(newline);
}

} // namespace orvane
