#include "app/dpi_awareness.h"

#include "common/system_procedure.h"

#include <windows.h>

namespace orvane {

void declare_per_monitor_dpi_awareness() noexcept {
    // Windows 10 1703 and later; then Windows 8.1's call, then Vista's, which
    // is system-wide awareness only. Each fails once awareness has been set.
    if (const auto set_context = system_procedure<BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT)>(
            L"user32.dll", "SetProcessDpiAwarenessContext")) {
        if (set_context(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) ||
            set_context(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE)) {
            return;
        }
    }
    constexpr int process_per_monitor_dpi_aware = 2;
    if (const auto set_awareness =
            system_procedure<HRESULT(WINAPI*)(int)>(L"shcore.dll", "SetProcessDpiAwareness")) {
        if (SUCCEEDED(set_awareness(process_per_monitor_dpi_aware))) {
            return;
        }
    }
    ::SetProcessDPIAware();
}

} // namespace orvane
