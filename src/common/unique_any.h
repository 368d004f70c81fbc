#pragma once

#include <utility>

namespace orvane {

// Move-only owner of one Windows resource. `T{}` is the empty value; `close`
// is called once for a non-empty value when the owner is reset or destroyed.
// Resources made of several parts (a window and its device context) are held
// as one small aggregate, stored only when the acquisition succeeded.
template <typename T, auto close> class unique_any {
public:
    unique_any() noexcept = default;
    explicit unique_any(T value) noexcept : value_(value) {}
    unique_any(unique_any&& other) noexcept : value_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    ~unique_any() { reset(); }

    [[nodiscard]] const T& get() const noexcept { return value_; }
    [[nodiscard]] bool has_value() const noexcept { return !(value_ == T{}); }
    explicit operator bool() const noexcept { return has_value(); }

    // Gives up ownership without closing.
    T release() noexcept { return std::exchange(value_, T{}); }

    // Closes the held value before storing the new one, so that code the close
    // runs (a window's WM_DESTROY) still finds the old value here.
    void reset(T value = T{}) noexcept {
        if (has_value()) {
            close(value_);
        }
        value_ = value;
    }

private:
    T value_{};
};

} // namespace orvane
