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
// By atom, so that the class name need not outlive the registration.
inline void unregister_class(ATOM atom) noexcept {
    ::UnregisterClassW(MAKEINTATOM(atom), ::GetModuleHandleW(nullptr));
}
inline void destroy_window(HWND window) noexcept {
    ::DestroyWindow(window);
}

// A device context obtained with GetDC for a window.
struct window_dc_value {
    HWND window = nullptr;
    HDC dc = nullptr;
    bool operator==(const window_dc_value&) const = default;
};
inline void release_dc(window_dc_value value) noexcept {
    ::ReleaseDC(value.window, value.dc);
}

// A timer of a window, by the identifier passed to SetTimer: for a window's
// timer, KillTimer takes that one, not the value SetTimer returns.
struct window_timer_value {
    HWND window = nullptr;
    UINT_PTR id = 0;
    bool operator==(const window_timer_value&) const = default;
};
inline void kill_timer(window_timer_value value) noexcept {
    ::KillTimer(value.window, value.id);
}

inline void delete_object(HGDIOBJ object) noexcept {
    ::DeleteObject(object);
}

// A bitmap selected into a memory device context of its own, and its pixels
// when it has them at hand.
struct memory_bitmap_value {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    void* pixels = nullptr;
    bool operator==(const memory_bitmap_value&) const = default;
};
inline void delete_memory_bitmap(memory_bitmap_value value) noexcept {
    ::SelectObject(value.dc, value.previous);
    ::DeleteObject(value.bitmap);
    ::DeleteDC(value.dc);
}
} // namespace detail

// A kernel handle (process, thread), closed with CloseHandle.
using unique_handle = unique_any<HANDLE, detail::close_handle>;

// Memory the system allocated with LocalAlloc for us (CommandLineToArgvW).
using unique_local_memory = unique_any<HLOCAL, detail::local_free>;

// A window class registration of this module, held by its atom.
using registered_class = unique_any<ATOM, detail::unregister_class>;

// Each is stored only once acquired, so a stored value is never half empty.
using window_dc = unique_any<detail::window_dc_value, detail::release_dc>;
using unique_window = unique_any<HWND, detail::destroy_window>;
using window_timer = unique_any<detail::window_timer_value, detail::kill_timer>;
using memory_bitmap = unique_any<detail::memory_bitmap_value, detail::delete_memory_bitmap>;
// A font, pen or brush of GDI's.
using unique_gdi_object = unique_any<HGDIOBJ, detail::delete_object>;

// A timer of `window` every `interval_ms`; empty when it could not start.
inline window_timer start_window_timer(HWND window, UINT interval_ms) noexcept {
    constexpr UINT_PTR id = 0;
    return ::SetTimer(window, id, interval_ms, nullptr) ? window_timer{{window, id}}
                                                        : window_timer{};
}

// A bitmap of `size` with its pixels at hand (0xRRGGBB, top row first), in a
// memory device context of its own; empty when it cannot be made.
inline memory_bitmap pixel_bitmap(SIZE size) noexcept {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC dc = ::CreateCompatibleDC(nullptr);
    void* pixels = nullptr;
    HBITMAP bitmap =
        dc ? ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0) : nullptr;
    if (!bitmap) {
        ::DeleteDC(dc);
        return {};
    }
    return memory_bitmap{{dc, bitmap, ::SelectObject(dc, bitmap), pixels}};
}

} // namespace orvane
