#pragma once
#include <cstdint>

#include "math/V.h"
#include "runtime/Array.h"
#include "runtime/ref.h"

class CoverMap;

// One decoded picture of an image library. Each pixel word packs alpha
// (bits 28-31, sixteenths), a run length (bits 24-27: how many more pixels of
// the same kind follow on the row, so drawers can skip transparent runs) and
// the colour 0xRRGGBB, premultiplied by the pixel's opacity.
class Vpicture : public V {
public:
    // Draws into pixels (width x height words) inside the clip [x0, x1) x
    // [y0, y1). (sx, sy) is the fixed-point screen position of the top-left
    // corner; scale and alpha are fixed (32768 = one); z is a depth 0..255
    // tested against the top byte of the buffer (smaller is nearer).
    virtual bool draw(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                      int32_t y0, int32_t x1, int32_t y1, int32_t sx, int32_t sy, int32_t scale,
                      int32_t z, int32_t alpha);

    // As draw, passing by the groups of pixels that cover says a nearer
    // picture hides (cover is of the target's size; else nothing is passed by).
    bool drawCovered(const CoverMap& cover, const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                     int32_t y0, int32_t x1, int32_t y1, int32_t sx, int32_t sy, int32_t scale, int32_t z,
                     int32_t alpha) const;
    // Notes in cover, at depth z, the groups of pixels that the same drawing
    // covers with fully opaque pixels (none when it is faded or copied
    // without a depth test).
    void markCover(CoverMap& cover, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t sx, int32_t sy,
                   int32_t scale, int32_t z, int32_t alpha) const;

    // The picture factor times as large, each pixel the mean of the four
    // around its place weighted by nearness: drawn at 1/factor of the scale
    // it shows what a filtered drawing would, at the cost of a plain one.
    // Null when it would not fit a picture.
    ref<Vpicture> enlarged(int32_t factor) const;
    // The same into a picture of its own (its pixels kept where they are the
    // size needed); false, and into left alone, when it would not fit.
    bool enlargeInto(Vpicture& into, int32_t factor) const;

    // Whether pictures drawn at full opacity take eight pixels at a time
    // where the processor can (the default), or one at a time: the same
    // pixels either way. For tests and benchmarks.
    static void setVectorRows(bool on);

    // Decodes the run-length stream data[start, end) into m_pixels.
    void drawRle(const Array<int8_t>& data, int32_t start, int32_t end);
    // Notes where each row's pixels that are not transparent begin and
    // end (m_spans), so that drawing skips the rest, and its opaque core
    // (m_cores); for pixels changed after decoding.
    void findSpans();

    bool m_opaque = false;
    // Drawn with a depth and larger than its size, it is filtered (else the
    // nearest pixel is taken): soft explosions; plain for pictures drawn
    // in great numbers.
    bool m_smooth = true;
    Array<int32_t> m_pixels;
    // Per row, the first column that is not transparent and one past the
    // last (empty when unknown: every column is drawn).
    Array<int32_t> m_spans;
    // Per row, the first column and one past the last of its longest run of
    // fully opaque pixels (first == end when it has none).
    Array<int32_t> m_cores;
    char m_type = 0;
    bool m_used = false;
    int16_t m_width = 0;
    int16_t m_height = 0;
    int16_t m_cx = 0;
    int16_t m_cy = 0;
};
