#include "test_support.h"

#include <atomic>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace orvane::test {

std::filesystem::path bin_directory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return std::filesystem::path(path).parent_path();
        }
        path.resize(path.size() * 2);
    }
}

std::filesystem::path tool_exe() {
    return bin_directory() / L"orvane-fullscreen.exe";
}
std::filesystem::path game_exe() {
    return bin_directory() / L"orvane-stand-in-game.exe";
}

temp_directory::temp_directory() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            (L"orvane-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
             std::to_wstring(++counter));
    std::filesystem::create_directories(path_);
}

temp_directory::~temp_directory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

scoped_environment::scoped_environment(std::wstring name, const std::wstring& value)
    : name_(std::move(name)) {
    wchar_t buffer[4096];
    const DWORD length = ::GetEnvironmentVariableW(name_.c_str(), buffer, 4096);
    if (length > 0 && length < 4096) {
        previous_ = std::wstring(buffer, length);
    }
    ::SetEnvironmentVariableW(name_.c_str(), value.c_str());
}

scoped_environment::~scoped_environment() {
    ::SetEnvironmentVariableW(name_.c_str(), previous_ ? previous_->c_str() : nullptr);
}

started_process start_process(const std::filesystem::path& exe, std::wstring_view arguments,
                              const std::filesystem::path& directory) {
    std::wstring command_line = L"\"" + exe.native() + L"\"";
    if (!arguments.empty()) {
        command_line += L" ";
        command_line += arguments;
    }
    STARTUPINFOW startup_info{};
    startup_info.cb = sizeof startup_info;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          directory.c_str(), &startup_info, &info)) {
        throw std::runtime_error("CreateProcessW failed");
    }
    const unique_handle thread{info.hThread};
    return {unique_handle{info.hProcess}, info.dwProcessId};
}

started_game start_stand_in_game(const std::filesystem::path& directory,
                                 const game_record& record) {
    const scoped_environment record_variable{L"ORVANE_GAME_RECORD", record.path().native()};
    const scoped_environment no_dialog{L"ORVANE_GAME_DIALOG", L"none"};
    started_game game{start_process(game_exe(), L"", directory)};
    game.main_window = record.main_window();
    return game;
}

namespace {

struct window_search {
    DWORD process_id;
    std::wstring_view class_name;
    std::optional<std::wstring_view> text;
    HWND found;
};

BOOL CALLBACK match_process_window(HWND window, LPARAM lparam) {
    auto& search = *reinterpret_cast<window_search*>(lparam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t class_name[64]{};
    wchar_t text[64]{};
    ::GetClassNameW(window, class_name, 64);
    ::GetWindowTextW(window, text, 64);
    if (owner == search.process_id && search.class_name == class_name &&
        (!search.text || *search.text == text) && ::IsWindowVisible(window)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND find_process_window(DWORD process_id, std::wstring_view class_name,
                         std::optional<std::wstring_view> text) {
    window_search search{process_id, class_name, text, nullptr};
    ::EnumWindows(match_process_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK find_static_text(HWND child, LPARAM lparam) {
    auto& text = *reinterpret_cast<std::wstring*>(lparam);
    wchar_t class_name[16]{};
    ::GetClassNameW(child, class_name, 16);
    const int length = ::GetWindowTextLengthW(child);
    if (_wcsicmp(class_name, L"Static") == 0 && length > 0) {
        text.assign(static_cast<std::size_t>(length) + 1, L'\0');
        text.resize(static_cast<std::size_t>(::GetWindowTextW(child, text.data(), length + 1)));
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND find_error_box(DWORD process_id) {
    return find_process_window(process_id, L"#32770", L"Error");
}

HWND find_mirror_window(DWORD process_id) {
    return find_process_window(process_id, mirror_class_name, std::nullopt);
}

HWND wait_for_mirror_window(DWORD process_id, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (HWND mirror = find_mirror_window(process_id)) {
            return mirror;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return nullptr;
        }
        std::this_thread::sleep_for(20ms);
    }
}

std::wstring message_box_text(HWND box) {
    std::wstring text;
    ::EnumChildWindows(box, find_static_text, reinterpret_cast<LPARAM>(&text));
    return text;
}

tool_outcome run_tool(std::wstring_view arguments, const std::filesystem::path& directory,
                      std::chrono::milliseconds limit) {
    const started_process tool = start_process(tool_exe(), arguments, directory);
    tool_outcome outcome;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (::WaitForSingleObject(tool.handle.get(), 20) == WAIT_TIMEOUT) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::TerminateProcess(tool.handle.get(), 0xDEAD);
            ::WaitForSingleObject(tool.handle.get(), 5000);
            return outcome;
        }
        if (HWND box = find_error_box(tool.id); box && !outcome.error_box) {
            outcome.error_box = message_box_text(box);
            ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        if (HWND mirror = find_mirror_window(tool.id); mirror && !outcome.mirror_shown) {
            outcome.mirror_shown = true;
            ::PostMessageW(mirror, WM_CLOSE, 0, 0); // as Alt+F4 does
        }
    }
    outcome.ended = true;
    ::GetExitCodeProcess(tool.handle.get(), &outcome.exit_code);
    return outcome;
}

COLORREF screen_pixel(POINT point) {
    HDC screen = ::GetDC(nullptr);
    const COLORREF colour = ::GetPixel(screen, point.x, point.y);
    ::ReleaseDC(nullptr, screen);
    return colour;
}

bool process_running(DWORD process_id) {
    const unique_handle process{::OpenProcess(SYNCHRONIZE, FALSE, process_id)};
    return process && ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

void end_process(DWORD process_id) {
    const unique_handle process{::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process_id)};
    if (process) {
        ::TerminateProcess(process.get(), 0);
        ::WaitForSingleObject(process.get(), 5000);
    }
}

bool game_record::exists() const {
    return std::filesystem::exists(path_);
}

std::vector<std::wstring> game_record::lines() const {
    std::vector<std::wstring> result;
    const unique_handle file{[&] {
        HANDLE handle =
            ::CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }()};
    if (!file) {
        return result;
    }
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (::ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr) && read > 0) {
        bytes.append(chunk, read);
    }
    std::wstring text(bytes.size(), L'\0');
    text.resize(static_cast<std::size_t>(
        ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                              static_cast<int>(text.size()))));
    std::wistringstream stream(text);
    for (std::wstring line; std::getline(stream, line);) {
        result.push_back(line);
    }
    return result;
}

std::vector<std::wstring> game_record::values(std::wstring_view key) const {
    std::vector<std::wstring> result;
    const std::wstring prefix = std::wstring(key) + L"=";
    for (const auto& line : lines()) {
        if (line.starts_with(prefix)) {
            result.push_back(line.substr(prefix.size()));
        }
    }
    return result;
}

std::optional<std::wstring> game_record::value(std::wstring_view key) const {
    auto found = values(key);
    return found.empty() ? std::nullopt : std::optional{std::move(found.front())};
}

std::optional<std::wstring> game_record::wait_for(std::wstring_view key,
                                                  std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (auto found = value(key)) {
            return found;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(20ms);
    }
}

HWND game_record::main_window(std::chrono::milliseconds limit) const {
    // "main_window=0x... client=WxH"
    const auto line = wait_for(L"main_window", limit);
    return line ? reinterpret_cast<HWND>(std::stoull(*line, nullptr, 16)) : nullptr;
}

void game_record::end_games() const {
    for (const auto& process_id : values(L"pid")) {
        end_process(static_cast<DWORD>(std::stoul(process_id)));
    }
}

} // namespace orvane::test
