#include "options/command_line_options.h"

#include "common/windows_owners.h"

#include <windows.h>

#include <shellapi.h>

namespace orvane {

command_line_options parse_command_line(const wchar_t* command_line) {
    command_line_options options;
    int count = 0;
    const unique_local_memory arguments{::CommandLineToArgvW(command_line, &count)};
    const auto* const elements = static_cast<const wchar_t* const*>(arguments.get());
    if (!elements) {
        return options; // every option keeps its default
    }
    if (count > 0) {
        options.reserve(static_cast<std::size_t>(count));
    }
    // Element 0 is an option too: the command line we get has no program name.
    for (int index = 0; index < count; ++index) {
        const std::wstring_view element{elements[index]};
        const auto equals = element.find(L'=');
        if (equals == std::wstring_view::npos) {
            continue; // also skips empty elements
        }
        options.try_emplace(std::wstring{element.substr(0, equals)}, element.substr(equals + 1));
    }
    return options;
}

std::wstring_view get_option(const command_line_options& options, std::wstring_view key,
                             std::wstring_view default_value) {
    const auto found = options.find(key);
    return found == options.end() ? default_value : std::wstring_view{found->second};
}

} // namespace orvane
