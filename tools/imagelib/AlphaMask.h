#pragma once
#include <cstdint>
#include <vector>

// The 4-bit alpha mask that follows the body of a masked JPEG picture.
class AlphaMask {
public:
    // Alpha 0..255 as sixteenths 0..15 (15 is opaque).
    static int32_t level(uint32_t argb) { return static_cast<int32_t>(((argb >> 24) * 15 + 127) / 255); }
    // Runs of 1..16 pixels of one level, row-major across rows: high nibble the
    // run (0 meaning 16), low nibble the level.
    static std::vector<uint8_t> encode(const std::vector<uint32_t>& argb);
    // The colours to compress under the mask: pixels that the mask hides take
    // the colour of their nearest visible neighbours, so edges blend without
    // fringes and the hidden areas cost little.
    static std::vector<uint32_t> bleed(int32_t w, int32_t h, const std::vector<uint32_t>& argb);
};
