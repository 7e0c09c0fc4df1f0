#pragma once
#include <cstdint>

// A picture row drawn at full opacity, eight destination pixels at a time
// with AVX2 (gathered nearest texels, the depth test and the blend in the
// vector registers): the same pixels as the one-at-a-time drawing. Built for
// AVX2 alone; called only where the processor has it.
class PictureRowAvx2 {
public:
    // Destination pixels from x on of the row dst, sampling the picture row
    // row (width texels) from u (15 fraction bits) on, step source units a pixel; scale is
    // the drawing's (32768 = one), z its depth (0..255). Draws while eight or
    // more pixels are left before xEnd and returns where it stopped, u moved
    // along. The pixels from x to xEnd sample the picture (u < 2^30).
    static int32_t over(const uint32_t* row, int32_t width, uint32_t* dst, int32_t x, int32_t xEnd, int64_t& u,
                        int64_t step, int64_t scale, uint32_t z);

    // Whether this processor can run it.
    static bool available();
};
