#include "mirror/mirror_geometry.h"

#include <gtest/gtest.h>

#include <array>

namespace orvane {
namespace {

// Comparable and printable: left, top, right, bottom.
std::array<LONG, 4> corners(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

RECT size(LONG width, LONG height) {
    return {0, 0, width, height};
}

TEST(letterbox_rect, keeps_the_aspect_ratio_with_equal_bars) {
    const struct {
        RECT client;
        RECT source;
        RECT expected;
    } cases[] = {
        {size(1920, 1080), size(640, 480), {240, 0, 1680, 1080}}, // scale 2.25
        {size(1280, 1024), size(640, 480), {0, 32, 1280, 992}},   // scale 2
        {size(1280, 800), size(640, 480), {106, 0, 1174, 800}},   // odd gap: picture 1068 wide
        {size(1920, 1080), size(176, 208), {503, 0, 1417, 1080}},
        {size(1600, 1200), size(640, 480), {0, 0, 1600, 1200}}, // equal aspect ratio
        {size(3840, 2160), size(640, 480), {480, 0, 3360, 2160}},
        {size(640, 480), size(640, 480), {0, 0, 640, 480}},
        {size(1920, 1080), size(1920, 1), {0, 539, 1920, 541}}, // odd gap
        // Nothing to scale: an empty picture in the centre, no division by zero.
        {size(1920, 1080), size(0, 480), {960, 540, 960, 540}},
        {size(1920, 1080), size(640, 0), {960, 540, 960, 540}},
        {size(1920, 1080), size(0, 0), {960, 540, 960, 540}},
        {size(0, 0), size(640, 480), {0, 0, 0, 0}},
        {size(0, 0), size(0, 0), {0, 0, 0, 0}},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(corners(letterbox_rect(row.client, row.source)), corners(row.expected))
            << "client " << testing::PrintToString(corners(row.client)) << " source "
            << testing::PrintToString(corners(row.source));
    }
}

TEST(translate_mouse_position, maps_the_picture_onto_the_game_client_area) {
    const RECT wide{240, 0, 1680, 1080}; // 640 x 480 on 1920 x 1080
    const RECT tall{0, 32, 1280, 992};   // 640 x 480 on 1280 x 1024
    const auto at = [](unsigned x, unsigned y) {
        return static_cast<LPARAM>(x | (y << 16));
    };
    const struct {
        LPARAM position;
        RECT destination;
        RECT source;
        LPARAM expected;
    } cases[] = {
        {at(960, 540), wide, size(640, 480), at(320, 240)},
        {at(240, 0), wide, size(640, 480), at(0, 0)},
        {at(1679, 1079), wide, size(640, 480), at(640, 480)},
        // Left of the picture: 16-bit offset 65396, x = 29065.
        {at(100, 540), wide, size(640, 480), at(29065, 240)},
        {at(640, 512), tall, size(640, 480), at(320, 240)},
        // Above the picture: offset 65514 gives y = 32757.
        {at(100, 10), tall, size(640, 480), at(50, 32757)},
        // y keeps all its bits; x keeps its low 16.
        {at(0, 65535), size(100, 100), size(640, 480),
         static_cast<LPARAM>(std::int64_t{314568} << 16)},
        {at(65535, 0), size(100, 100), size(640, 480), at(419424 & 0xFFFF, 0)},
        // Halves round away from zero: 1 x 2 / 4 = 0.5 gives 1.
        {at(1, 1), size(4, 4), size(2, 2), at(1, 1)},
        {at(3, 3), size(4, 4), size(2, 2), at(2, 2)},
        // An empty picture or game: position 0, never a division by zero.
        {at(960, 540), {960, 540, 960, 540}, size(0, 0), at(0, 0)},
        {at(960, 540), {960, 540, 960, 540}, size(640, 480), at(0, 0)},
        {at(960, 540), wide, size(0, 0), at(0, 0)},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(translate_mouse_position(row.position, row.destination, row.source), row.expected)
            << "position (" << LOWORD(row.position) << ", " << HIWORD(row.position) << ") into "
            << testing::PrintToString(corners(row.destination));
    }
}

TEST(adapted_timer_interval, follows_the_cost_of_the_paint) {
    const struct {
        std::uint32_t interval;
        std::int64_t elapsed;
        std::optional<std::uint32_t> expected; // none: kept
    } cases[] = {
        {20, 3, std::nullopt},
        {20, 20, 25},
        {20, 37, 42},
        {42, 33, std::nullopt}, // 42 - 33 = 9
        {42, 31, 36},           // 42 - 31 = 11
        {25, 3, 8},
        {8, 3, std::nullopt}, // at most 20: never shrinks
        {20, 0, std::nullopt},
        {10, 10, 15},
        {31, 21, std::nullopt},
        {31, 20, 25},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(adapted_timer_interval(row.interval, row.elapsed), row.expected)
            << "interval " << row.interval << " elapsed " << row.elapsed;
    }
}

} // namespace
} // namespace orvane
