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

// Sharp scaling of a picture (0xRRGGBB pixels, top row first) to a size of up
// to `max_width` across, a band of rows at a time from the top. Each source
// row is scaled across once; a destination row repeats it or mixes two.
class sharp_scaler {
public:
    explicit sharp_scaler(LONG max_width) noexcept;
    // Whether it got its storage.
    explicit operator bool() const noexcept { return storage_ != nullptr; }

    void start(SIZE from_size, SIZE to_size, LONG whole) noexcept;
    // Rows `first` to `first + count` into `rows`, whose rows are `stride`
    // pixels apart.
    void scale_rows(const std::uint32_t* from, LONG first, LONG count, LONG stride,
                    std::uint32_t* rows) noexcept;

private:
    const std::uint32_t* across(const std::uint32_t* from, LONG source_row) noexcept;

    LONG max_width_;
    std::unique_ptr<std::uint32_t[]> storage_; // columns' samples, then two rows scaled across
    SIZE from_size_{};
    SIZE to_size_{};
    LONG whole_ = 1;
    LONG scaled_rows_[2] = {-1, -1};
};

} // namespace orvane
