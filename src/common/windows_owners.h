#pragma once

#include "common/unique_any.h"

#include <windows.h>

namespace orvane {

namespace detail {
inline void close_handle(HANDLE handle) noexcept {
    ::CloseHandle(handle);
}
inline void local_free(HLOCAL memory) noexcept {
    ::LocalFree(memory);
}
} // namespace detail

// A kernel handle (process, thread), closed with CloseHandle.
using unique_handle = unique_any<HANDLE, detail::close_handle>;

// Memory the system allocated with LocalAlloc for us (CommandLineToArgvW).
using unique_local_memory = unique_any<HLOCAL, detail::local_free>;

} // namespace orvane
