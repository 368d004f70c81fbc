#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

namespace orvane {

// Sharp scaling along one axis: destination pixel `i` of `to` takes its colour
// from source pixel `source` of `from`, mixed with the next one by
// `weight` / 256. It is the picture enlarged by the whole factor `whole`
// without smoothing, then smoothed to `to` with the pixels' centres aligned:
// two source pixels mix only where their enlarged squares meet, so pixels stay
// square and their edges blend over about a destination pixel.
struct sharp_sample {
    LONG source = 0;
    std::uint32_t weight = 0;
    bool operator==(const sharp_sample&) const = default;
};
sharp_sample sharp_sample_at(LONG i, LONG from, LONG to, LONG whole) noexcept;

// Sharp scaling of pictures of `from_size` (0xRRGGBB pixels, top row first),
// enlarged by `whole`, to a size of up to `max_width` across, a band of rows at
// a time from the top. Each source row is scaled across once; a destination
// row repeats it or mixes two.
class sharp_scaler {
public:
    sharp_scaler(SIZE from_size, LONG whole, LONG max_width) noexcept;
    // Whether it got its storage.
    explicit operator bool() const noexcept { return storage_ != nullptr; }

    // The size it scales to from now on.
    void scale_to(SIZE to_size) noexcept;
    // Rows `first` to `first + count` of the picture `from` into `rows`, whose
    // rows are `stride` pixels apart; a band from row 0 begins a new picture.
    void scale_rows(const std::uint32_t* from, LONG first, LONG count, LONG stride,
                    std::uint32_t* rows) noexcept;

private:
    const std::uint32_t* across(const std::uint32_t* from, LONG source_row) noexcept;

    SIZE from_size_;
    LONG whole_;
    LONG max_width_;
    std::unique_ptr<std::uint32_t[]> storage_; // columns' samples, then two rows scaled across
    SIZE to_size_{};
    LONG scaled_rows_[2] = {-1, -1};
};

} // namespace orvane
