#pragma once
#include <cstdint>

// How a sky panorama lies around the eye, shared by the terrain view that
// draws it and the image generator that paints it: its width is a full turn
// (the left edge at heading 0, headings growing to the right), and the
// horizon lies on row kHorizonRow with kRowsPerTan rows per unit of slope
// above or below it.
struct TerrainSky {
    static constexpr int32_t kWidth = 4096;
    static constexpr int32_t kHeight = 192;
    static constexpr int32_t kHorizonRow = 144;
    static constexpr int32_t kRowsPerTan = 600;
};
