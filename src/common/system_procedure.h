#pragma once

#include <windows.h>

namespace orvane {

// A procedure of a system DLL that older Windows versions lack, or null. The
// DLL is loaded when it is not yet, and stays loaded for the process's life.
template <typename Procedure>
Procedure system_procedure(const wchar_t* dll, const char* name) noexcept {
    HMODULE module = ::GetModuleHandleW(dll);
    if (!module) {
        module = ::LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    return module ? reinterpret_cast<Procedure>(
                        reinterpret_cast<void*>(::GetProcAddress(module, name)))
                  : nullptr;
}

// Whether this runs under Wine (whose ntdll says its version), rather than
// Windows. Only for what Wine does otherwise and no call can tell.
inline bool runs_under_wine() noexcept {
    return system_procedure<const char*(__cdecl*)()>(L"ntdll.dll", "wine_get_version") != nullptr;
}

} // namespace orvane
