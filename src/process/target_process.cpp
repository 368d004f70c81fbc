#include "process/target_process.h"

#include "common/windows_error.h"
#include "common/windows_owners.h"

#include <windows.h>

namespace orvane {

namespace {

// The platform's full path of the executable (completed against the current
// directory and normalised) without its file name; the separator before the
// name stays.
std::wstring working_directory_of(const std::wstring& exe_path) {
    // An empty path has no directory; starting it fails as a missing file does.
    if (exe_path.empty()) {
        return {};
    }
    std::wstring full_path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFullPathNameW(
            exe_path.c_str(), static_cast<DWORD>(full_path.size()), full_path.data(), nullptr);
        if (length == 0) {
            throw windows_error("Invalid target executable path");
        }
        const bool fits = length < full_path.size(); // else: the size needed, null included
        full_path.resize(length);
        if (fits) {
            break;
        }
    }
    full_path.erase(full_path.find_last_of(L"\\/") + 1);
    return full_path;
}

} // namespace

void start_target_process(const std::wstring& exe_path) {
    const std::wstring working_directory = working_directory_of(exe_path);
    STARTUPINFOW startup_info{};
    startup_info.cb = sizeof startup_info;
    PROCESS_INFORMATION process_info{};
    // The name goes unchanged (no quoting, no extension): with no command line
    // the game gets no arguments.
    if (!::CreateProcessW(exe_path.c_str(), nullptr, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                          nullptr, working_directory.c_str(), &startup_info, &process_info)) {
        throw windows_error("Unable to start the target process");
    }
    // Declared thread first so that the process handle is closed first.
    const unique_handle thread{process_info.hThread};
    const unique_handle process{process_info.hProcess};
}

} // namespace orvane
