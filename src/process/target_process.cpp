#include "process/target_process.h"

#include "common/windows_error.h"
#include "common/windows_owners.h"

#include <windows.h>

#include <string>

namespace orvane {

namespace {

// The absolute path without its file name, keeping the separator before it.
std::wstring working_directory_of(const std::filesystem::path& exe_path) {
    // Some standard libraries refuse to make an empty path absolute; it has no
    // directory, and starting it fails as any other missing file does.
    if (exe_path.empty()) {
        return {};
    }
    try {
        return std::filesystem::absolute(exe_path).remove_filename().native();
    } catch (const std::filesystem::filesystem_error&) {
        throw windows_error("Invalid target executable path");
    }
}

} // namespace

void start_target_process(const std::filesystem::path& exe_path) {
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
