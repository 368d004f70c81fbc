#pragma once

// The animating stand-in game shows its frame number in a band across the top
// of its picture: 16 cells, most significant bit first, white for 1 and black
// for 0. Whoever reads the picture (scaled or not) samples the cell centres.
namespace orvane::frame_band {

inline constexpr int cells = 16;

// In the game's client coordinates for a client area of `width` × `height`.
constexpr int height_of(int client_height) {
    return client_height / 16 > 0 ? client_height / 16 : 1;
}
constexpr int cell_left(int cell, int client_width) {
    return cell * client_width / cells;
}

} // namespace orvane::frame_band
