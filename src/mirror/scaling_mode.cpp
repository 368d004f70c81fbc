#include "mirror/scaling_mode.h"

namespace orvane {

scaling_mode scaling_mode_named(std::wstring_view name) noexcept {
    if (name == L"integer") {
        return scaling_mode::integer;
    }
    if (name == L"smooth") {
        return scaling_mode::smooth;
    }
    return name == L"sharp" ? scaling_mode::sharp : scaling_mode::nearest;
}

} // namespace orvane
