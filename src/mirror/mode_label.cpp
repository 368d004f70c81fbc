#include "mirror/mode_label.h"

#include "common/windows_owners.h"

#include <algorithm>

namespace orvane {

void mode_label::show_from(monotonic_clock::time_point now) noexcept {
    until = now + std::chrono::seconds(2);
}

bool mode_label::ends(monotonic_clock::time_point now) noexcept {
    if (!shown() || now < until) {
        return false;
    }
    until = {};
    return true;
}

void mode_label::draw(HDC target, std::wstring_view name, LONG screen_height) noexcept {
    if (!shown()) {
        return;
    }
    const LONG height = std::max(screen_height / 24, LONG{12});
    const unique_gdi_object font{::CreateFontW(
        -height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Segoe UI")};
    const HGDIOBJ previous = ::SelectObject(target, font.get());
    SIZE text{};
    ::GetTextExtentPoint32W(target, name.data(), static_cast<int>(name.size()), &text);
    const LONG margin = height / 2;
    where = {margin, margin, 3 * margin + text.cx, 2 * margin + text.cy};
    ::SetTextColor(target, RGB(255, 255, 255));
    ::SetBkColor(target, RGB(0, 0, 0));
    ::ExtTextOutW(target, 2 * margin, margin + margin / 2, ETO_OPAQUE, &where, name.data(),
                  static_cast<UINT>(name.size()), nullptr);
    ::SelectObject(target, previous);
}

} // namespace orvane
