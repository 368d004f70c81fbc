#include "options/settings_file.h"

#include "common/windows_owners.h"

#include <windows.h>

namespace orvane {
namespace {

constexpr std::wstring_view file_name = L"orvane-fullscreen.ini", option_prefix = L"--orvane-";
constexpr LONGLONG most_bytes = 1 << 20; // far beyond any settings file

// The folder of this exe, its separator included; empty where unknown.
std::wstring exe_folder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0 || length >= 0x8000) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path.substr(0, path.find_last_of(L"\\/") + 1);
        }
        path.resize(path.size() * 2); // cut short: a long path
    }
}

// %APPDATA%\orvane-fullscreen\, or empty.
std::wstring roaming_folder() {
    std::wstring folder(::GetEnvironmentVariableW(L"APPDATA", nullptr, 0), L'\0');
    const DWORD length =
        ::GetEnvironmentVariableW(L"APPDATA", folder.data(), static_cast<DWORD>(folder.size()));
    if (length == 0 || length >= folder.size()) {
        return {};
    }
    folder.resize(length);
    return folder + L"\\orvane-fullscreen\\";
}

unique_handle open_file(const std::wstring& path, DWORD access, DWORD creation) noexcept {
    HANDLE file =
        ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    return unique_handle{file == INVALID_HANDLE_VALUE ? nullptr : file};
}

enum class found { none, text, not_text };
struct file_read {
    found state = found::none;
    settings_text settings;
    static file_read only(found state) { return {state, {}}; }
};

file_read read_settings(const std::wstring& path) {
    const unique_handle file = open_file(path, GENERIC_READ, OPEN_EXISTING);
    if (!file) {
        const DWORD error = ::GetLastError();
        return file_read::only(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                                   ? found::none
                                   : found::not_text);
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > most_bytes) {
        return file_read::only(found::not_text);
    }
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
        got != bytes.size()) {
        return file_read::only(found::not_text);
    }
    auto settings = decode_settings(bytes);
    return settings ? file_read{found::text, std::move(*settings)}
                    : file_read::only(found::not_text);
}

enum class replaced { yes, no, folder_not_writable };

// Written beside it, then moved over it: a run ended at any moment leaves the
// old file or the new one.
replaced replace_whole(const std::wstring& path, const std::string& bytes) noexcept {
    const std::wstring written_first = path + L".new";
    bool written = false;
    {
        const unique_handle file = open_file(written_first, GENERIC_WRITE, CREATE_ALWAYS);
        if (!file) {
            return replaced::folder_not_writable;
        }
        DWORD put = 0;
        written = ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put,
                              nullptr) &&
                  put == bytes.size() && ::FlushFileBuffers(file.get());
    }
    if (written && ::MoveFileExW(written_first.c_str(), path.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return replaced::yes;
    }
    ::DeleteFileW(written_first.c_str()); // ours, made above
    return replaced::no;
}

} // namespace

settings_file::settings_file() noexcept {
    try {
        find_and_read();
    } catch (...) {
        text_.clear(); // the defaults hold
    }
}

void settings_file::find_and_read() {
    if (const std::wstring folder = exe_folder(); !folder.empty()) {
        beside = folder + std::wstring{file_name};
    }
    if (const std::wstring folder = roaming_folder(); !folder.empty()) {
        roaming = folder + std::wstring{file_name};
    }
    file_read read = beside.empty() ? file_read{} : read_settings(beside);
    // A file beside the exe that cannot be written had the player's choices
    // go under %APPDATA%.
    if (!roaming.empty() &&
        (read.state == found::none || !open_file(beside, GENERIC_WRITE, OPEN_EXISTING))) {
        if (file_read there = read_settings(roaming); there.state != found::none) {
            read = std::move(there);
            in_roaming = true;
        }
    }
    in_roaming = in_roaming || beside.empty();
    if (read.state == found::text) {
        text_ = std::move(read.settings.text);
    }
}

void settings_file::keep(const known_option& option, std::wstring_view value) noexcept try {
    const std::wstring& path = in_roaming ? roaming : beside;
    if (path.empty()) {
        return;
    }
    // As the file is now: the player may have changed it meanwhile.
    file_read now = read_settings(path);
    if (now.state == found::not_text) {
        return;
    }
    std::wstring_view key = option.key;
    key.remove_prefix(key.starts_with(option_prefix) ? option_prefix.size() : 0);
    now.settings.text = with_setting(now.settings.text, key, value);
    const auto bytes = encode_settings(now.settings);
    if (!bytes || replace_whole(path, *bytes) != replaced::folder_not_writable || in_roaming ||
        roaming.empty() || read_settings(roaming).state == found::not_text) {
        return;
    }
    // The exe's folder cannot be written: the same settings under %APPDATA%.
    ::CreateDirectoryW(roaming.substr(0, roaming.size() - file_name.size()).c_str(), nullptr);
    in_roaming = replace_whole(roaming, *bytes) == replaced::yes;
} catch (...) {
    // Not kept: nothing shows.
}

} // namespace orvane
