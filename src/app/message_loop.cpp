#include "app/message_loop.h"

#include "mirror/fullscreen_window.h"

#include <windows.h>

namespace orvane {

void run_message_loop(const fullscreen_window& mirror) noexcept {
    // The mirror's WM_DESTROY posts a message to wake this loop up.
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0 && mirror.handle()) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

} // namespace orvane
