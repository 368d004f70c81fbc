#include "common/elapsed_time.h"
#include "windows/resolution_dialog.h"

#include <gtest/gtest.h>

#include <utility>

namespace orvane {
namespace {

TEST(game_resolution_index, exact_names_select_their_item_others_the_default) {
    const std::pair<std::wstring_view, int> cases[] = {
        {L"nokia-communicator", 0},
        {L"palm", 1},
        {L"palm+", 2},
        {L"palm+landscape", 3},
        {L"ppc", 4},
        {L"symbian-uiq", 5},
        {L"Palm", 3},
        {L"palm ", 3},
        {L"", 3},
        {L"PPC", 3},
        {L"symbian-uiq2", 3},
    };
    for (const auto& [name, index] : cases) {
        EXPECT_EQ(game_resolution_index(name), index) << std::wstring(name);
    }
}

TEST(whole_milliseconds_rounded_up, counts_any_started_millisecond) {
    using std::chrono::nanoseconds;
    const std::pair<std::int64_t, std::int64_t> cases[] = {
        {0, 0},
        {1, 1},
        {999'999, 1},
        {1'000'000, 1},
        {1'000'001, 2},
        {4'999'000'001, 5000},
        {5'000'000'000, 5000},
        {-1'000'000, -1},
    };
    for (const auto& [elapsed_ns, expected_ms] : cases) {
        EXPECT_EQ(whole_milliseconds_rounded_up(nanoseconds{elapsed_ns}), expected_ms)
            << elapsed_ns;
    }
}

TEST(sleep_at_least, never_returns_early) {
    using namespace std::chrono_literals;
    for (const auto duration : {1ms, 15ms, 100ms}) {
        const auto start = monotonic_clock::now();
        sleep_at_least(duration);
        EXPECT_GE(monotonic_clock::now() - start, duration);
    }
}

} // namespace
} // namespace orvane
