#pragma once

namespace orvane {

class fullscreen_window;

// Dispatches the thread's messages until the mirror window is gone (or a
// WM_QUIT arrives). A message fetched after the window went is not dispatched.
void run_message_loop(const fullscreen_window& mirror) noexcept;

} // namespace orvane
