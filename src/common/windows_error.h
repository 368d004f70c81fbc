#pragma once

#include <stdexcept>

namespace orvane {

// A failed Windows call or check, told by a fixed English message. The
// platform's error code is deliberately not carried: the user sees the message.
class windows_error : public std::runtime_error {
public:
    explicit windows_error(const char* message) : std::runtime_error(message) {}
};

} // namespace orvane
