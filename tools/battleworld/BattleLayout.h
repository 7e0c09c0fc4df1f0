#pragma once
#include <cstdint>
#include <vector>

// The small battlefield the tests, the benchmarks and the frame writer share:
// a vector layout like the game's, made by hand. Most of it is a flat grass
// plain; across the middle runs a ridge, a ramp up from the west, a flat top
// and a ramp down to the east; in the south-west lies a round lake. Places
// are in units (the map is 512 units square, x east, z south).
class BattleLayout {
public:
    static constexpr int32_t kPlainHeight = 24; // height bytes: 3 units
    static constexpr int32_t kRampBands = 40;   // two units wide each
    static constexpr int32_t kRampStep = 3;     // height bytes per band
    static constexpr int32_t kTopHeight = kPlainHeight + kRampBands * kRampStep;
    static constexpr int32_t kLakeHeight = 8;

    static constexpr int32_t kRidgeWest = 200, kRidgeTopWest = 280, kRidgeTopEast = 320, kRidgeEast = 400;
    static constexpr int32_t kRidgeNorth = 160, kRidgeSouth = 352;
    static constexpr int32_t kLakeX = 96, kLakeZ = 448, kLakeRadius = 36;

    // The layout as an uncompressed SWF file.
    static std::vector<uint8_t> build();
};
