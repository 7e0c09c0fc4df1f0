#pragma once
#include <cstdint>

#include "math/V.h"
#include "runtime/Array.h"
#include "runtime/String.h"
#include "runtime/ref.h"

class ByteReader;

// A proportional bitmap font with 16 coverage levels, loaded from one resource
// file and drawn glyph by glyph with anti-aliasing, an overall opacity and a
// one-pixel drop shadow.
//
// The file holds varints (big-endian 7-bit groups, top bit set on every byte
// but the last): space advance, line height, extra (kept, unused here), first
// and last code; per code its data length and, when that is not 0, its width;
// the total data length; then the glyph data in code order. Glyph data are
// runs over the glyph's box (width pixels wide, rows from the top, runs going
// on across rows): high nibble the run length (0 = 16), low nibble the
// coverage (0 transparent, 15 full ink).
//
// Character codes are signed 8-bit, so codes 128..255 never have a glyph.
class Vfont : public V {
public:
    // Advance of c: the space advance for ' ', 0 without a glyph.
    virtual int32_t charWidth(char c);
    // Draws glyph c with its top-left corner at the fixed-point position (x, y)
    // into pixels (width x height words), clipped to [x0, x1) x [y0, y1) and
    // to the buffer, in colour 0xRRGGBB at opacity alpha (32768 = opaque;
    // only opaque glyphs cast the shadow). With block n every glyph pixel is
    // drawn as n x n pixels (1 .. kMaxBlock), for text on enlarged screens.
    virtual void draw(int32_t c, const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                      int32_t y0, int32_t x1, int32_t y1, int32_t x, int32_t y, int32_t color, int32_t alpha,
                      int32_t block = 1);
    virtual int32_t getHeight();
    // Loads the resource "/" + name. False, leaving the font empty (every
    // width 0, nothing drawn), when it is missing or not a valid font file.
    virtual bool open(const ref<String>& name);
    // Width of s, with tabs advancing to the next tab stop.
    virtual int32_t stringWidth(const ref<String>& s);
    // Distance from x to the next tab stop (a full stop when x is on one).
    virtual int32_t tab(int32_t x);

    Array<int8_t> m_data;
    int32_t m_extra = 0;
    int32_t m_height = 0;
    int32_t m_last = 0;
    int32_t m_first = 0;
    Array<int32_t> m_offsets; // glyph k is m_data[m_offsets[k], m_offsets[k + 1])
    int32_t m_space = 0;
    int32_t m_tab = 0; // 7 spaces
    Array<int16_t> m_widths;

    static constexpr int32_t kMaxBlock = 16;

private:
    // Reads a font file into the fields; the reason when it is not a valid
    // font, else null.
    const char* load(ByteReader& in);
    void clear();
};
