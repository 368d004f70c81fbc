#include "mirror/sharp_scaling.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace orvane {
namespace {

// p and q mixed, q weighing `weight` / 256; red and blue go together.
std::uint32_t mix(std::uint32_t p, std::uint32_t q, std::uint32_t weight) noexcept {
    const std::uint32_t rest = 256 - weight;
    return (((p & 0xFF00FF) * rest + (q & 0xFF00FF) * weight) >> 8 & 0xFF00FF) |
           (((p & 0x00FF00) * rest + (q & 0x00FF00) * weight) >> 8 & 0x00FF00);
}

} // namespace

sharp_sample sharp_sample_at(LONG i, LONG from, LONG to, LONG whole) noexcept {
    const std::int64_t enlarged = std::int64_t{from} * whole;
    if (to <= 0 || enlarged <= 0) {
        return {};
    }
    // The centre of destination pixel i in enlarged pixels, times 2 * to.
    const std::int64_t position = (2 * std::int64_t{i} + 1) * enlarged - to;
    if (position < 0) {
        return {};
    }
    const std::int64_t pixel = position / (2 * std::int64_t{to});
    if (pixel + 1 >= enlarged) {
        return {static_cast<LONG>((enlarged - 1) / whole), 0};
    }
    // The next enlarged pixel is another source pixel's only at a square's edge.
    const auto weight = static_cast<std::uint32_t>(position % (2 * std::int64_t{to}) * 256 /
                                                   (2 * std::int64_t{to}));
    return {static_cast<LONG>(pixel / whole), (pixel + 1) % whole == 0 ? weight : 0};
}

sharp_scaler::sharp_scaler(SIZE from_size, LONG whole, LONG max_width) noexcept
    : from_size_(from_size), whole_(whole), max_width_(max_width),
      storage_(new (std::nothrow) std::uint32_t[std::size_t(max_width) * 4]) {}

void sharp_scaler::scale_to(SIZE to_size) noexcept {
    to_size_ = {std::min(to_size.cx, max_width_), to_size.cy};
    for (LONG x = 0; x < to_size_.cx; ++x) {
        const sharp_sample column = sharp_sample_at(x, from_size_.cx, to_size_.cx, whole_);
        storage_[std::size_t(x) * 2] = static_cast<std::uint32_t>(column.source);
        storage_[std::size_t(x) * 2 + 1] = column.weight;
    }
}

// Source row `source_row` scaled across, kept while the rows below need it.
const std::uint32_t* sharp_scaler::across(const std::uint32_t* from, LONG source_row) noexcept {
    const int slot = source_row % 2;
    std::uint32_t* out = storage_.get() + std::size_t(max_width_) * (2 + slot);
    if (scaled_rows_[slot] != source_row) {
        scaled_rows_[slot] = source_row;
        const std::uint32_t* in = from + std::size_t(source_row) * std::size_t(from_size_.cx);
        const std::uint32_t* columns = storage_.get();
        for (LONG x = 0; x < to_size_.cx; ++x) {
            const std::uint32_t source = columns[2 * x], weight = columns[2 * x + 1];
            out[x] = weight ? mix(in[source], in[source + 1], weight) : in[source];
        }
    }
    return out;
}

void sharp_scaler::scale_rows(const std::uint32_t* from, LONG first, LONG count, LONG stride,
                              std::uint32_t* rows) noexcept {
    if (first == 0) {
        scaled_rows_[0] = scaled_rows_[1] = -1; // a new picture
    }
    for (LONG r = 0; r < count; ++r) {
        std::uint32_t* out = rows + std::size_t(r) * std::size_t(stride);
        const sharp_sample row = sharp_sample_at(first + r, from_size_.cy, to_size_.cy, whole_);
        const std::uint32_t* upper = across(from, row.source);
        if (!row.weight) {
            std::memcpy(out, upper, std::size_t(to_size_.cx) * sizeof *out);
            continue;
        }
        const std::uint32_t* lower = across(from, row.source + 1);
        for (LONG x = 0; x < to_size_.cx; ++x) {
            out[x] = mix(upper[x], lower[x], row.weight);
        }
    }
}

} // namespace orvane
