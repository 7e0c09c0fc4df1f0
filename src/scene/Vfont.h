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
// The glyphs past the first table follow the glyph data, for fonts with
// letters beyond one byte: their count; per glyph the distance of its code
// from the one before (the first from last), its data length (not 0) and its
// width; the total data length; the glyph data. A file without them ends
// after the first table's data, and a reader that knows only the first table
// reads the rest of a file as before.
//
// Codes are Unicode code points. A code of 128 or more without a glyph is
// drawn as the replacement glyph (U+FFFD, else '?'), so that a missing
// letter shows; a control code without one takes no room, as before.
class Vfont : public V {
public:
    // Advance of code point c: the space advance for ' ', 0 without a glyph
    // below 128, the replacement's from 128 on.
    virtual int32_t charWidth(int32_t c);
    // True when code point c has a glyph of its own (the space counts).
    virtual bool hasGlyph(int32_t c);
    // The first code point of the UTF-8 text s, other than a line feed or a
    // tab, that has no glyph of its own; -1 when every one has.
    virtual int32_t firstMissing(const ref<String>& s);
    // Draws the glyph of code point c with its top-left corner at the fixed-point position (x, y)
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
    // Width of the UTF-8 text s, with tabs advancing to the next tab stop.
    virtual int32_t stringWidth(const ref<String>& s);
    // Distance from x to the next tab stop (a full stop when x is on one).
    virtual int32_t tab(int32_t x);

    Array<int8_t> m_data;     // the first table's glyph data
    Array<int8_t> m_moreData; // the data of the glyphs past it
    int32_t m_extra = 0;
    int32_t m_height = 0;
    int32_t m_last = 0;
    int32_t m_first = 0;
    // Glyph k of the first table is m_data[m_offsets[k], m_offsets[k + 1]);
    // past it the offsets go on, m_data.length standing for m_moreData[0].
    Array<int32_t> m_offsets;
    int32_t m_space = 0;
    int32_t m_tab = 0; // 7 spaces
    Array<int16_t> m_widths;
    // The codes of the glyphs past the first table, rising; glyph
    // m_last - m_first + 1 + i has code m_codes[i].
    Array<int32_t> m_codes;
    int32_t m_replacement = -1; // glyph drawn for a missing letter; -1: none

    static constexpr int32_t kMaxBlock = 16;

private:
    // The glyph of code point c (an index into m_widths), -1 without one.
    int32_t glyph(int32_t c) const;
    // The glyph drawn for c: its own, else for c >= 128 the replacement.
    int32_t shown(int32_t c) const;
    // Reads a font file into the fields; the reason when it is not a valid
    // font, else null.
    const char* load(ByteReader& in);
    void clear();
};
