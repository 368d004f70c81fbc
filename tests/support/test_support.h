#pragma once

#include "common/windows_owners.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::test {

using namespace std::chrono_literals;

// Where the test programs, the tool and the stand-in game were built.
std::filesystem::path bin_directory();
std::filesystem::path tool_exe();
std::filesystem::path game_exe();

// A fresh directory, removed with everything in it at the end of the test.
class temp_directory {
public:
    temp_directory();
    ~temp_directory();
    temp_directory(const temp_directory&) = delete;
    temp_directory& operator=(const temp_directory&) = delete;
    const std::filesystem::path& path() const noexcept { return path_; }

private:
    std::filesystem::path path_;
};

// Sets an environment variable (inherited by what the test starts) for one scope.
class scoped_environment {
public:
    scoped_environment(std::wstring name, const std::wstring& value);
    ~scoped_environment();
    scoped_environment(const scoped_environment&) = delete;
    scoped_environment& operator=(const scoped_environment&) = delete;

private:
    std::wstring name_;
    std::optional<std::wstring> previous_;
};

struct started_process {
    unique_handle handle;
    DWORD id = 0;
};

// Starts `exe` with `arguments` after its quoted name, in `directory`.
started_process start_process(const std::filesystem::path& exe, std::wstring_view arguments,
                              const std::filesystem::path& directory);

class game_record;

struct started_game {
    started_process process;
    HWND main_window = nullptr; // null: it did not show within 10 s
};

// The stand-in game, started without its dialog, once its main window shows;
// it writes to `record`.
started_game start_stand_in_game(const std::filesystem::path& directory, const game_record& record);

struct tool_outcome {
    bool ended = false;  // false: still running after the limit, and ended by force
    DWORD exit_code = 0; // as a Win32 parent sees it
    std::optional<std::wstring> error_box; // the text of the "Error" box, answered with OK
    bool mirror_shown = false;             // and then closed with WM_CLOSE
};

// Runs the tool until it ends, answering its error box and closing its mirror
// window as soon as each shows.
tool_outcome run_tool(std::wstring_view arguments, const std::filesystem::path& directory,
                      std::chrono::milliseconds limit = 20s);

// The message box captioned "Error" of process `process_id`, if it shows one.
HWND find_error_box(DWORD process_id);
std::wstring message_box_text(HWND box);

inline constexpr std::wstring_view mirror_class_name = L"ForceFullScreenWindow";

// The full-screen window of the tool's process `process_id`.
HWND find_mirror_window(DWORD process_id);
HWND wait_for_mirror_window(DWORD process_id, std::chrono::milliseconds limit = 10s);

// What the screen shows at `point`, as the user sees it.
COLORREF screen_pixel(POINT point);

bool process_running(DWORD process_id);
void end_process(DWORD process_id);

// The lines the stand-in game appended to its record file.
class game_record {
public:
    explicit game_record(std::filesystem::path path) : path_(std::move(path)) {}
    const std::filesystem::path& path() const noexcept { return path_; }
    bool exists() const;
    std::vector<std::wstring> lines() const;
    // The text after "key=" on each line that starts with it, in order.
    std::vector<std::wstring> values(std::wstring_view key) const;
    std::optional<std::wstring> value(std::wstring_view key) const;
    std::optional<std::wstring> wait_for(std::wstring_view key,
                                         std::chrono::milliseconds limit = 10s) const;
    // The game's main window, once it has reported it.
    HWND main_window(std::chrono::milliseconds limit = 10s) const;
    // Ends every game process that wrote to this record.
    void end_games() const;

private:
    std::filesystem::path path_;
};

} // namespace orvane::test
