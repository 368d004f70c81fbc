#pragma once

// The harness of the tests that run the tool and the stand-in game for real.
#include "common/windows_owners.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace orvane::test {

using namespace std::chrono_literals;
using clock = std::chrono::steady_clock;
using environment = std::vector<std::pair<std::wstring, std::wstring>>;

inline std::filesystem::path built(const wchar_t* exe) {
    wchar_t path[MAX_PATH];
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).replace_filename(exe);
}
inline const auto tool_exe = built(L"orvane-fullscreen.exe");
inline const auto game_exe = built(L"orvane-stand-in-game.exe");
inline constexpr const wchar_t* mirror_class = L"ForceFullScreenWindow";

// Polls `done` until it holds or `limit` has passed; returns whether it held.
template <typename Check> bool eventually(Check done, clock::duration limit = 5s) {
    for (const auto deadline = clock::now() + limit; !done(); std::this_thread::sleep_for(20ms)) {
        if (clock::now() > deadline) {
            return false;
        }
    }
    return true;
}

// A fresh directory, removed with everything in it at the end of its scope.
// One of the same name that an interrupted run left behind goes first (Wine
// gives out the same process ids again).
struct temp_directory {
    temp_directory() {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~temp_directory() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    temp_directory(const temp_directory&) = delete;
    temp_directory& operator=(const temp_directory&) = delete;
    inline static std::atomic<int> count{0};
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       (L"orvane-test-" + std::to_wstring(::GetCurrentProcessId()) +
                                        L"-" + std::to_wstring(++count));
};

// A file's bytes, as a settings file is read and written; empty where none.
inline std::string file_bytes(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), {}};
}
inline void write_file(const std::filesystem::path& file, std::string_view bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}
inline constexpr std::wstring_view settings_name = L"orvane-fullscreen.ini";

struct started_process {
    unique_handle handle;
    DWORD id = 0;
};

// `exe` with `arguments`, in `directory`; the stand-in game's steering comes
// from `steering` alone, not from this process.
inline started_process start_process(const std::filesystem::path& exe, std::wstring_view arguments,
                                     const std::filesystem::path& directory,
                                     const environment& steering = {}) {
    std::wstring block, command_line = L"\"" + exe.native() + L"\" " + std::wstring(arguments);
    wchar_t* inherited = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = inherited; *entry; entry += std::wcslen(entry) + 1) {
        const std::wstring_view inherited_entry{entry};
        if (!inherited_entry.starts_with(L"ORVANE_GAME_") &&
            std::ranges::none_of(steering, [&](const auto& set) {
                return inherited_entry.starts_with(set.first + L"=");
            })) {
            block.append(entry).push_back(L'\0');
        }
    }
    ::FreeEnvironmentStringsW(inherited);
    for (const auto& [name, value] : steering) {
        block.append(name + L"=" + value).push_back(L'\0');
    }
    STARTUPINFOW startup_info{};
    startup_info.cb = sizeof startup_info;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                          CREATE_UNICODE_ENVIRONMENT, block.data(), directory.c_str(),
                          &startup_info, &info)) {
        throw std::runtime_error("CreateProcessW failed");
    }
    const unique_handle thread{info.hThread};
    return {unique_handle{info.hProcess}, info.dwProcessId};
}

inline void end_process(DWORD process_id) {
    if (const unique_handle process{
            ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process_id)}) {
        ::TerminateProcess(process.get(), 0);
        ::WaitForSingleObject(process.get(), 5000);
    }
}

// The stand-in game's record, one "key=value" line each. The games that wrote
// to it are ended when it goes.
struct game_record {
    ~game_record() {
        for (const auto& process_id : values(L"pid")) {
            end_process(std::stoul(process_id));
        }
    }
    std::vector<std::wstring> values(std::wstring_view key) const {
        std::vector<std::wstring> found;
        std::wifstream stream(file);
        const std::wstring start = std::wstring(key) + L"=";
        for (std::wstring line; std::getline(stream, line);) {
            if (line.starts_with(start)) {
                found.push_back(line.substr(start.size()));
            }
        }
        return found;
    }
    std::wstring value(std::wstring_view key) const {
        const auto found = values(key);
        return found.empty() ? std::wstring() : found.front();
    }
    std::filesystem::path file;
};

// The stand-in game without its dialog, and its main window once that shows.
struct running_game {
    started_process process;
    HWND window = nullptr;
};
inline running_game start_game(const std::filesystem::path& directory, const game_record& record,
                               environment steering = {}) {
    steering.insert(steering.end(), {{L"ORVANE_GAME_RECORD", record.file.native()},
                                     {L"ORVANE_GAME_SHOWS", L"window"}});
    running_game game{start_process(game_exe, L"", directory, steering)};
    if (eventually([&] { return !record.value(L"main_window").empty(); }, 10s)) {
        game.window = reinterpret_cast<HWND>(std::stoull(record.value(L"main_window")));
    }
    return game;
}

// A visible top-level window of the process with this class and text.
inline HWND find_window(DWORD process_id, const wchar_t* class_name, const wchar_t* text) {
    for (HWND window = nullptr; (window = ::FindWindowExW(nullptr, window, class_name, text));) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == process_id && ::IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

// The tool, started in `directory` from a copy of its own there, or from
// `exe`, and watched; it is ended when this goes. Its settings file is the
// directory's, and so is its %APPDATA%, unless `steering` sets one: no run
// sees another's choices.
struct tool_run {
    tool_run(std::wstring_view arguments, const std::filesystem::path& directory,
             environment steering = {}, std::filesystem::path exe = {})
        : process(start_process(exe.empty() ? own_copy(directory) : exe, arguments, directory,
                                with_appdata(std::move(steering), directory))) {}
    static std::filesystem::path own_copy(const std::filesystem::path& directory) {
        std::filesystem::create_directories(directory);
        std::filesystem::copy_file(tool_exe, directory / tool_exe.filename(),
                                   std::filesystem::copy_options::skip_existing);
        return directory / tool_exe.filename();
    }
    static environment with_appdata(environment steering, const std::filesystem::path& directory) {
        if (std::ranges::none_of(steering,
                                 [](const auto& set) { return set.first == L"APPDATA"; })) {
            std::filesystem::create_directories(directory / L"appdata"); // as Windows has it
            steering.emplace_back(L"APPDATA", (directory / L"appdata").native());
        }
        return steering;
    }
    ~tool_run() { end_process(process.id); }
    // Notes the mirror, closing it with F8 and Alt+F4 as a player would when
    // asked to, and the error box, answering it; false once the tool has ended.
    bool watch(bool close_mirror = false) {
        if (::WaitForSingleObject(process.handle.get(), 0) == WAIT_OBJECT_0) {
            ::GetExitCodeProcess(process.handle.get(), &exit_code);
            return false;
        }
        if (!mirror && (mirror = find_window(process.id, mirror_class, mirror_class)) &&
            close_mirror) {
            ::PostMessageW(mirror, WM_KEYDOWN, VK_F8, 1); // stretched first
            ::PostMessageW(mirror, WM_SYSKEYDOWN, VK_F4, 0x203E0001);
        }
        if (HWND box = find_window(process.id, L"#32770", L"Error"); box && !error_box) {
            wchar_t text[256]{};
            ::GetDlgItemTextW(box, 0xFFFF, text, 256); // a message box's text is control 0xFFFF
            error_box = text;
            error_tick = ::GetTickCount64();
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        return true;
    }
    started_process process;
    ULONGLONG start_tick = ::GetTickCount64();
    HWND mirror = nullptr;
    std::optional<std::wstring> error_box;
    ULONGLONG error_tick = 0;
    DWORD exit_code = STILL_ACTIVE;
};
inline constexpr bool closing_the_mirror = true;

// The pixels of `area` of a window's client area, or of the screen for a null
// window, row by row, as 0xRRGGBB values: the top byte, unused, is 0 under
// Wine 8 and 0xFF under Wine 10.
struct picture {
    LONG width = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(LONG x, LONG y) const {
        return pixels[static_cast<std::size_t>(y * width + x)];
    }
};
inline picture capture(HWND window, const RECT& area) {
    const LONG width = area.right - area.left, height = area.bottom - area.top;
    const memory_bitmap copy = pixel_bitmap({width, height});
    HDC dc = ::GetDC(window);
    ::BitBlt(copy.get().dc, 0, 0, width, height, dc, area.left, area.top, SRCCOPY);
    ::ReleaseDC(window, dc);
    ::GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(copy.get().pixels);
    picture shot{width, {first, first + width * height}};
    for (auto& pixel : shot.pixels) {
        pixel &= 0xFFFFFF;
    }
    return shot;
}

} // namespace orvane::test
