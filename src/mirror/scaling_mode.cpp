#include "mirror/scaling_mode.h"

#include <iterator>

namespace orvane {
namespace {

// In the order of the option's documentation, which Shift+F8 follows.
constexpr std::wstring_view names[] = {L"nearest", L"integer", L"smooth", L"sharp"};

} // namespace

scaling_mode scaling_mode_named(std::wstring_view name) noexcept {
    for (std::size_t mode = 0; mode < std::size(names); ++mode) {
        if (name == names[mode]) {
            return static_cast<scaling_mode>(mode);
        }
    }
    return scaling_mode::nearest;
}

std::wstring_view scaling_mode_name(scaling_mode mode) noexcept {
    return names[static_cast<std::size_t>(mode)];
}

scaling_mode next_scaling_mode(scaling_mode mode) noexcept {
    return static_cast<scaling_mode>((static_cast<std::size_t>(mode) + 1) % std::size(names));
}

} // namespace orvane
