#pragma once

// What the stand-in game and the programs that read it agree on.
#include <windows.h>

#include <cwchar>
#include <string>

namespace orvane::stand_in {

// A key or mouse message as the game records it, after "message=".
inline std::wstring message_text(UINT message, WPARAM wparam, LPARAM lparam) {
    wchar_t text[64];
    std::swprintf(text, 64, L"0x%x 0x%llx 0x%llx", message, static_cast<unsigned long long>(wparam),
                  static_cast<unsigned long long>(lparam));
    return text;
}

// The animated game shows its frame number in a band across the top of its
// picture: 16 cells, most significant bit first, white for 1 and black for 0.
namespace frame_band {
inline constexpr int cells = 16;
constexpr int height_of(int client_height) {
    return client_height / 16 > 0 ? client_height / 16 : 1;
}
constexpr int cell_left(int cell, int client_width) {
    return cell * client_width / cells;
}
} // namespace frame_band

} // namespace orvane::stand_in
