#pragma once

#include "common/windows_owners.h"
#include "mirror/game_client.h"
#include "mirror/pixel_scaling.h"
#include "mirror/scaling_mode.h"

#include <windows.h>

#include <optional>

namespace orvane {

// What reading the game's picture found.
enum class picture_read { failed, unchanged, changed };

// The game's picture on the mirror's client area: where it goes, the game's
// pixels as last read, their copy there in the scaling chosen, and which game
// pixel lies under a point of it.
class scaled_picture {
public:
    // For the game's client area `client`, on a client area of `screen`.
    scaled_picture(const game_client& client, SIZE screen, scaling_mode mode) noexcept;

    // Keeping the game's proportions (by a whole factor in integer scaling),
    // centred, or stretched over the whole client area.
    void lay_out(bool keep_aspect_ratio) noexcept;
    [[nodiscard]] const RECT& rect() const noexcept { return destination; }
    [[nodiscard]] const game_client& client() const noexcept { return source; }

    // Reads the game's picture from `source_dc` as it is, 1:1, in as few
    // parts as the platform reads cheaply, each compared with the last
    // picture's while at hand.
    picture_read read(HDC source_dc) noexcept;
    // Takes the pixels of `earlier` where it holds a game of the same size.
    void keep_pixels_of(const scaled_picture& earlier) noexcept;
    // Scales the picture last read into `target`, a band of rows at a time;
    // false where it has none.
    bool present(HDC target) noexcept;

    // A mouse position on the mirror's client area (as in lParam) in the
    // game's own client coordinates: the game pixel shown there.
    [[nodiscard]] LPARAM game_position(LPARAM position) const noexcept;

private:
    game_client source;
    RECT screen_rect;
    RECT source_rect; // the copied size, from 0, 0
    scaling_mode scaling;
    RECT destination;
    // The game's picture as last read, the rows read at once, a band of rows
    // of the picture on the screen, and the scaling itself. Without them, no
    // picture shows.
    memory_bitmap frame;
    LONG part_rows;
    memory_bitmap part;
    memory_bitmap band;
    std::optional<pixel_scaler> scaler;
    bool unshown_change = false;
    static constexpr LONG band_rows = 64; // a screen-wide strip of rows at a time, kept in cache
};

} // namespace orvane
