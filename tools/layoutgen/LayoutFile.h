#pragma once
#include <cstdint>
#include <vector>

#include "BandMap.h"
#include "ContourTracer.h"
#include "Landscape.h"

// The layout as an SWF file: one shape whose solid fill styles are the band
// map's styles (the colours carry ground class and height), outlined by the
// traced boundaries and the frame in straight edges and by the fields in
// straight edges with curved corners, placed on the one frame. The frame is
// 16384 twips (32 to a unit) each way, so it maps onto 512 units exactly.
class LayoutFile {
public:
    static constexpr int32_t kTwipsPerUnit = 32;
    static constexpr int32_t kFrame = 512 * kTwipsPerUnit;

    static std::vector<uint8_t> build(const Landscape& land, const BandMap& map, const ContourTracer& tracer);
};
