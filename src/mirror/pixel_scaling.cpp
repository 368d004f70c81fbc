#include "mirror/pixel_scaling.h"

#include "mirror/mirror_geometry.h"

#include <immintrin.h>
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#define ORVANE_AVX2
#else
// Only these functions are compiled for AVX2; they run only where it is.
#define ORVANE_AVX2 __attribute__((target("avx2")))
#endif

#include <algorithm>
#include <cstring>
#include <new>

namespace orvane {
namespace {

// p and q mixed, q weighing `weight` / 256, rounded to the nearest level;
// red and blue go together. The same sums, shifts and bytes as mix4.
std::uint32_t mix(std::uint32_t p, std::uint32_t q, std::uint32_t weight) noexcept {
    const std::uint32_t rest = 256 - weight;
    return (((p & 0xFF00FF) * rest + (q & 0xFF00FF) * weight + 0x800080) >> 8 & 0xFF00FF) |
           (((p & 0x00FF00) * rest + (q & 0x00FF00) * weight + 0x008000) >> 8 & 0x00FF00);
}

// Four pixels of p and q mixed, pixel n of q weighing the 16-bit lanes 4n to
// 4n + 3 of `low` (pixels 0 and 1) and `high` (pixels 2 and 3) / 256. Each
// byte's p * (256 - w) + q * w + 128 is at most 255 * 256 + 128: it fits 16
// bits.
__m128i mix4(__m128i p, __m128i q, __m128i low, __m128i high) noexcept {
    const __m128i zero = _mm_setzero_si128(), whole = _mm_set1_epi16(256),
                  half_level = _mm_set1_epi16(128);
    const auto half = [&](__m128i p16, __m128i q16, __m128i w) {
        const __m128i sum =
            _mm_add_epi16(_mm_mullo_epi16(p16, _mm_sub_epi16(whole, w)), _mm_mullo_epi16(q16, w));
        return _mm_srli_epi16(_mm_add_epi16(sum, half_level), 8);
    };
    const __m128i mixed =
        _mm_packus_epi16(half(_mm_unpacklo_epi8(p, zero), _mm_unpacklo_epi8(q, zero), low),
                         half(_mm_unpackhi_epi8(p, zero), _mm_unpackhi_epi8(q, zero), high));
    return _mm_and_si128(mixed, _mm_set1_epi32(0x00FFFFFF));
}

__m128i load(const void* at) noexcept {
    return _mm_loadu_si128(static_cast<const __m128i*>(at));
}

bool cpu_has_avx2() noexcept {
#if defined(_MSC_VER) && !defined(__clang__)
    int info[4];
    __cpuid(info, 0);
    if (info[0] < 7) {
        return false;
    }
    __cpuid(info, 1);
    constexpr int osxsave = 1 << 27, avx = 1 << 28;
    if ((info[2] & (osxsave | avx)) != (osxsave | avx) || (_xgetbv(0) & 6) != 6) {
        return false; // the system does not keep the AVX registers
    }
    __cpuidex(info, 7, 0);
    return (info[1] & (1 << 5)) != 0;
#else
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2"); // the system's support included
#endif
}

bool avx2_available() noexcept {
    static const bool available = cpu_has_avx2();
    return available;
}

// The AVX2 loops: mix4's sums on eight pixels, the bytes of pixels 0, 1, 4
// and 5 weighed by `low`, those of 2, 3, 6 and 7 by `high` (unpacking and
// packing work within each half); they return how far they got.
ORVANE_AVX2 __m256i load8(const void* at) noexcept {
    return _mm256_loadu_si256(static_cast<const __m256i*>(at));
}

ORVANE_AVX2 __m256i mix8(__m256i p, __m256i q, __m256i low, __m256i high) noexcept {
    const __m256i zero = _mm256_setzero_si256(), whole = _mm256_set1_epi16(256),
                  half_level = _mm256_set1_epi16(128);
    const auto half = [&](__m256i p16, __m256i q16, __m256i w) ORVANE_AVX2 {
        const __m256i sum = _mm256_add_epi16(_mm256_mullo_epi16(p16, _mm256_sub_epi16(whole, w)),
                                             _mm256_mullo_epi16(q16, w));
        return _mm256_srli_epi16(_mm256_add_epi16(sum, half_level), 8);
    };
    const __m256i mixed = _mm256_packus_epi16(
        half(_mm256_unpacklo_epi8(p, zero), _mm256_unpacklo_epi8(q, zero), low),
        half(_mm256_unpackhi_epi8(p, zero), _mm256_unpackhi_epi8(q, zero), high));
    return _mm256_and_si256(mixed, _mm256_set1_epi32(0x00FFFFFF));
}

ORVANE_AVX2 std::size_t same_pixels_avx2(const std::uint32_t* a, const std::uint32_t* b,
                                         std::size_t count) noexcept {
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(load8(a + i), load8(b + i))) != -1) {
            return i;
        }
    }
    return i;
}

ORVANE_AVX2 LONG mix_rows_avx2(const std::uint32_t* upper, const std::uint32_t* lower,
                               std::uint32_t weight, LONG count, std::uint32_t* out) noexcept {
    const __m256i w = _mm256_set1_epi16(static_cast<short>(weight));
    LONG x = 0;
    for (; x + 8 <= count; x += 8) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x),
                            mix8(load8(upper + x), load8(lower + x), w, w));
    }
    return x;
}

// Per column the source pixel and the next, mixed by the column's weights
// (four per column, for its bytes).
ORVANE_AVX2 LONG mix_columns_avx2(const std::uint32_t* in, const std::uint32_t* sources,
                                  const std::uint32_t* nexts, const std::uint16_t* weights,
                                  LONG count, std::uint32_t* out) noexcept {
    const auto* pixels = reinterpret_cast<const int*>(in);
    LONG x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m256i p = _mm256_i32gather_epi32(pixels, load8(sources + x), 4);
        const __m256i q = _mm256_i32gather_epi32(pixels, load8(nexts + x), 4);
        const __m256i first = load8(weights + 4 * x), second = load8(weights + 4 * x + 16);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x),
                            mix8(p, q, _mm256_permute2x128_si256(first, second, 0x20),
                                 _mm256_permute2x128_si256(first, second, 0x31)));
    }
    return x;
}

ORVANE_AVX2 void fill_runs_avx2(const std::uint32_t* in, const std::uint32_t* sources,
                                const std::uint32_t* starts, LONG runs,
                                std::uint32_t* out) noexcept {
    for (LONG run = 0; run < runs; ++run) {
        const __m256i pixel = _mm256_set1_epi32(static_cast<int>(in[sources[run]]));
        for (std::uint32_t x = starts[run]; x < starts[run + 1]; x += 8) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), pixel);
        }
    }
}

} // namespace

bool same_pixels(const std::uint32_t* a, const std::uint32_t* b, std::size_t count) noexcept {
    std::size_t i = 0;
    if (avx2_available()) {
        i = same_pixels_avx2(a, b, count);
    }
    for (; i + 4 <= count; i += 4) {
        const __m128i equal = _mm_cmpeq_epi32(load(a + i), load(b + i));
        if (_mm_movemask_epi8(equal) != 0xFFFF) {
            return false;
        }
    }
    return std::equal(a + i, a + count, b + i);
}

filtered_sample filtered_sample_at(LONG i, LONG from, LONG to, LONG whole) noexcept {
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

pixel_scaler::pixel_scaler(SIZE from_size, LONG whole, LONG max_width, pixel_loops loops) noexcept
    : from_size_(from_size), whole_(whole), max_width_(max_width),
      avx2_(loops == pixel_loops::fastest && avx2_available()),
      storage_(new (std::nothrow) std::uint32_t[(std::size_t(max_width) + 8) * 6]),
      weights_(new (std::nothrow) std::uint16_t[std::size_t(max_width) * 4]) {}

filtered_sample pixel_scaler::sample_at(LONG i, LONG from, LONG to) const noexcept {
    return whole_ ? filtered_sample_at(i, from, to, whole_)
                  : filtered_sample{static_cast<LONG>(pixel_shown(i, from, to)), 0};
}

void pixel_scaler::scale_to(SIZE to_size) noexcept {
    to_size_ = {std::min(to_size.cx, max_width_), to_size.cy};
    std::uint32_t* sources = storage_.get();
    std::uint32_t* nexts = sources + stride();
    std::uint32_t* edge_columns = sources + 4 * stride();
    std::uint32_t* edge_sources = sources + 5 * stride();
    runs_ = edges_ = 0;
    for (LONG x = 0; x < to_size_.cx; ++x) {
        const filtered_sample column = sample_at(x, from_size_.cx, to_size_.cx);
        if (whole_ != 1) {
            // Per run of columns that show one source pixel, that pixel and
            // where the run starts; the last run ends at the right edge.
            // Sharp blends only the columns where two enlarged pixels meet.
            if (runs_ == 0 || sources[runs_ - 1] != std::uint32_t(column.source)) {
                sources[runs_] = static_cast<std::uint32_t>(column.source);
                nexts[runs_++] = static_cast<std::uint32_t>(x);
            }
            nexts[runs_] = static_cast<std::uint32_t>(to_size_.cx);
            if (column.weight) {
                edge_columns[edges_] = static_cast<std::uint32_t>(x);
                edge_sources[edges_] = static_cast<std::uint32_t>(column.source);
                std::fill_n(weights_.get() + std::size_t(edges_++) * 4, 4,
                            std::uint16_t(column.weight));
            }
            continue;
        }
        sources[x] = static_cast<std::uint32_t>(column.source);
        nexts[x] = static_cast<std::uint32_t>(std::min(column.source + 1, from_size_.cx - 1));
        std::fill_n(weights_.get() + std::size_t(x) * 4, 4, std::uint16_t(column.weight));
    }
    // Runs shorter than a store of eight are filled four at a time: each
    // store writes a whole store's width, whatever the run's.
    wide_runs_ = avx2_ && runs_ > 0 && to_size_.cx >= 8 * runs_;
}

// Source row `source_row` scaled across, kept while the rows below need it.
const std::uint32_t* pixel_scaler::across(const std::uint32_t* from, LONG source_row) noexcept {
    const int slot = source_row % 2;
    std::uint32_t* out = storage_.get() + stride() * std::size_t(2 + slot);
    if (scaled_rows_[slot] == source_row) {
        return out;
    }
    scaled_rows_[slot] = source_row;
    const std::uint32_t* in = from + std::size_t(source_row) * std::size_t(from_size_.cx);
    const std::uint32_t* sources = storage_.get();
    const std::uint32_t* nexts = sources + stride();
    const std::uint16_t* weights = weights_.get();
    if (whole_ != 1) {
        // Each run eight or four pixels at a time, in order: what a store
        // writes past its run's end, the next run writes over, or the row's
        // padding takes. Then the blended columns, where a source pixel meets
        // the next.
        if (wide_runs_) {
            fill_runs_avx2(in, sources, nexts, runs_, out);
        }
        for (LONG run = 0; run < runs_ && !wide_runs_; ++run) {
            const __m128i pixel = _mm_set1_epi32(static_cast<int>(in[sources[run]]));
            for (std::uint32_t x = nexts[run]; x < nexts[run + 1]; x += 4) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), pixel);
            }
        }
        const std::uint32_t* edge_columns = sources + 4 * stride();
        const std::uint32_t* edge_sources = sources + 5 * stride();
        LONG edge = 0;
        for (; edge + 4 <= edges_; edge += 4) {
            const std::uint32_t* s = edge_sources + edge;
            const __m128i p =
                _mm_setr_epi32(int(in[s[0]]), int(in[s[1]]), int(in[s[2]]), int(in[s[3]]));
            const __m128i q = _mm_setr_epi32(int(in[s[0] + 1]), int(in[s[1] + 1]),
                                             int(in[s[2] + 1]), int(in[s[3] + 1]));
            alignas(16) std::uint32_t mixed[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(mixed),
                            mix4(p, q, load(weights + 4 * edge), load(weights + 4 * edge + 8)));
            for (int k = 0; k < 4; ++k) {
                out[edge_columns[edge + k]] = mixed[k];
            }
        }
        for (; edge < edges_; ++edge) {
            const std::uint32_t source = edge_sources[edge];
            out[edge_columns[edge]] = mix(in[source], in[source + 1], weights[4 * edge]);
        }
        return out;
    }
    LONG x = avx2_ ? mix_columns_avx2(in, sources, nexts, weights, to_size_.cx, out) : 0;
    for (; x + 4 <= to_size_.cx; x += 4) {
        const std::uint32_t* s = sources + x;
        const std::uint32_t* n = nexts + x;
        const __m128i p =
            _mm_setr_epi32(int(in[s[0]]), int(in[s[1]]), int(in[s[2]]), int(in[s[3]]));
        const __m128i q =
            _mm_setr_epi32(int(in[n[0]]), int(in[n[1]]), int(in[n[2]]), int(in[n[3]]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                         mix4(p, q, load(weights + 4 * x), load(weights + 4 * x + 8)));
    }
    for (; x < to_size_.cx; ++x) {
        out[x] = mix(in[sources[x]], in[nexts[x]], weights[4 * x]);
    }
    return out;
}

void pixel_scaler::scale_rows(const std::uint32_t* from, LONG first, LONG count, LONG stride,
                              std::uint32_t* rows) noexcept {
    if (first == 0) {
        scaled_rows_[0] = scaled_rows_[1] = -1; // a new picture
    }
    for (LONG r = 0; r < count; ++r) {
        std::uint32_t* out = rows + std::size_t(r) * std::size_t(stride);
        const filtered_sample row = sample_at(first + r, from_size_.cy, to_size_.cy);
        const std::uint32_t* upper = across(from, row.source);
        if (!row.weight) {
            std::memcpy(out, upper, std::size_t(to_size_.cx) * sizeof *out);
            continue;
        }
        const std::uint32_t* lower = across(from, row.source + 1);
        const __m128i weight = _mm_set1_epi16(static_cast<short>(row.weight));
        LONG x = avx2_ ? mix_rows_avx2(upper, lower, row.weight, to_size_.cx, out) : 0;
        for (; x + 4 <= to_size_.cx; x += 4) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                             mix4(load(upper + x), load(lower + x), weight, weight));
        }
        for (; x < to_size_.cx; ++x) {
            out[x] = mix(upper[x], lower[x], row.weight);
        }
    }
}

} // namespace orvane
