#pragma once

#include "options/known_options.h"
#include "options/settings_text.h"

#include <string>
#include <string_view>

namespace orvane {

// The player's settings file, "orvane-fullscreen.ini": beside the exe, or
// under %APPDATA%\orvane-fullscreen where the exe's folder cannot be written.
// Read once at the start, written when the player switches a choice. Nothing
// about it stops the run or shows a box: a file that cannot be read or is not
// text counts as none, and is never written over.
class settings_file {
public:
    // The file beside the exe where it exists, but for one that cannot be
    // written while there is one under %APPDATA%; otherwise that one.
    settings_file() noexcept;
    // Its text; empty where there is none or it is not text.
    [[nodiscard]] const std::wstring& text() const noexcept { return text_; }
    // The option's setting changed to `value` in the file as it is now,
    // every other line kept. The file is replaced whole; where the exe's
    // folder cannot take it, it goes under %APPDATA% from then on.
    void keep(const known_option& option, std::wstring_view value) noexcept;

private:
    void find_and_read();

    std::wstring beside, roaming;
    bool in_roaming = false;
    std::wstring text_;
};

} // namespace orvane
