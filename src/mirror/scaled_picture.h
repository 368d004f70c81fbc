#pragma once

#include "common/windows_owners.h"
#include "mirror/game_client.h"
#include "mirror/scaling_mode.h"
#include "mirror/filtered_scaling.h"

#include <windows.h>

#include <optional>

namespace orvane {

// The game's picture on the mirror's client area: where it goes, its copy
// there in the scaling chosen, and which game pixel lies under a point of it.
class scaled_picture {
public:
    // For the game's client area `client`, on a client area of `screen`.
    // Smooth or sharp scaling whose buffers cannot be made goes on nearest.
    scaled_picture(const game_client& client, SIZE screen, scaling_mode mode) noexcept;

    // Keeping the game's proportions (by a whole factor in integer scaling),
    // centred, or stretched over the whole client area.
    void lay_out(bool keep_aspect_ratio) noexcept;
    [[nodiscard]] const RECT& rect() const noexcept { return destination; }

    // Copies the game's picture from `source_dc` into `target`; FALSE when
    // the game's picture could not be read.
    BOOL copy(HDC source_dc, HDC target) noexcept;

    // A mouse position on the mirror's client area (as in lParam) in the
    // game's own client coordinates.
    [[nodiscard]] LPARAM game_position(LPARAM position) const noexcept;

private:
    BOOL copy_filtered(HDC source_dc, HDC target) noexcept;

    game_client source;
    RECT screen_rect;
    RECT source_rect; // the copied size, from 0, 0
    scaling_mode scaling;
    RECT destination;
    // Smooth and sharp scaling: the game's picture as pixels, a band of rows
    // of the picture on the screen, and the scaling itself.
    memory_bitmap filter_source;
    memory_bitmap filter_band;
    std::optional<filtered_scaler> filter;
    static constexpr LONG band_rows = 256; // a screen-wide strip of 256 rows at a time
};

} // namespace orvane
