#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

namespace orvane {

// Filtered scaling along one axis: destination pixel `i` of `to` takes its
// colour from source pixel `source` of `from`, mixed with the next one by
// `weight` / 256. It is the picture enlarged by the whole factor `whole`
// without smoothing, then smoothed to `to` with the pixels' centres aligned.
// With `whole` 1 that is plain bilinear smoothing (smooth scaling); with the
// largest factor that fits, two source pixels mix only where their enlarged
// squares meet, so pixels stay square and their edges blend over about a
// destination pixel (sharp scaling).
struct filtered_sample {
    LONG source = 0;
    std::uint32_t weight = 0;
    bool operator==(const filtered_sample&) const = default;
};
filtered_sample filtered_sample_at(LONG i, LONG from, LONG to, LONG whole) noexcept;

// Whether `count` pixels at `a` and at `b` are the same, 32 bytes at a time
// with AVX2, else 16.
bool same_pixels(const std::uint32_t* a, const std::uint32_t* b, std::size_t count) noexcept;

// The vector instructions the pixel loops use: SSE2, which every x86-64 CPU
// has, or AVX2 too where the CPU and the system have it (looked at once).
enum class pixel_loops { sse2, fastest };

// Scaling of pictures of `from_size` (0xRRGGBB pixels, top row first) to a
// size of up to `max_width` across, a band of rows at a time from the top.
// With `whole` 0 each destination pixel is the source pixel it shows
// (pixel_shown), without blends; otherwise filtered, enlarged by `whole`.
// Each source row is scaled across once; a destination row repeats it or
// mixes two, eight pixels at a time (AVX2) or four (SSE2), rounding to the
// nearest level. Runs of columns showing one source pixel are filled eight or
// four pixels a store. Both give the same pixels.
class pixel_scaler {
public:
    pixel_scaler(SIZE from_size, LONG whole, LONG max_width,
                 pixel_loops loops = pixel_loops::fastest) noexcept;
    // Whether it got its storage.
    explicit operator bool() const noexcept { return storage_ && weights_; }

    // The size it scales to from now on.
    void scale_to(SIZE to_size) noexcept;
    // Rows `first` to `first + count` of the picture `from` into `rows`, whose
    // rows are `stride` pixels apart; a band from row 0 begins a new picture.
    void scale_rows(const std::uint32_t* from, LONG first, LONG count, LONG stride,
                    std::uint32_t* rows) noexcept;

private:
    filtered_sample sample_at(LONG i, LONG from, LONG to) const noexcept;
    // A row and what a store of eight pixels writes past its end.
    std::size_t stride() const noexcept { return std::size_t(max_width_) + 8; }
    const std::uint32_t* across(const std::uint32_t* from, LONG source_row) noexcept;

    SIZE from_size_;
    LONG whole_;
    LONG max_width_;
    bool avx2_;
    // Smoothing per column the source pixel and the next one (the last
    // pixel's is itself), the others per run of columns its source pixel and
    // where it starts; then two rows scaled across; then the blended columns
    // of sharp scaling and their source pixels; each a stride apart. And per
    // column (smoothing) or blended column its weight, once for each of the
    // four bytes of a pixel.
    std::unique_ptr<std::uint32_t[]> storage_;
    std::unique_ptr<std::uint16_t[]> weights_;
    SIZE to_size_{};
    LONG runs_ = 0;
    bool wide_runs_ = false;
    LONG edges_ = 0;
    LONG scaled_rows_[2] = {-1, -1};
};

} // namespace orvane
