#pragma once
#include <cstdint>

#include "runtime/Array.h"
#include "runtime/String.h"
#include "runtime/StringBuffer.h"
#include "runtime/ref.h"
#include "scene/Vfont.h"
#include "scene/Vsprite.h"
#include "scene/Vtheme.h"

// A sprite showing text in a font: lines separated by line feeds, tab stops,
// an optional background colour and an optional right-hand field after the
// last line. The field is a fixed-capacity buffer, so counters change in
// place without building strings. The sprite sizes itself to its content,
// one pixel wider than the glyphs for their drop shadow.
//
// A text with a child is a frame: it takes the first child's size and still
// draws only its own text; the child is not drawn by it.
class Vtext : public Vsprite {
public:
    // Without a theme: no font (nothing shows until one is set), black.
    Vtext();
    // Showing s in the theme's font and colour, sized to it.
    explicit Vtext(const ref<Vtheme>& theme, const ref<String>& s = nullptr);
    // The same in font f.
    Vtext(const ref<Vtheme>& theme, const ref<Vfont>& f, const ref<String>& s);
    ~Vtext() override;

    // The sprite's checksum plus the text, field and text colour, so that a
    // change of any of them redraws the sprite.
    int32_t checksum(int32_t ax, int32_t ay, int32_t scale) override;
    // Background colour, then the text and the field; children are not drawn.
    void draw(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
              int32_t x1, int32_t y1) override;

    // The field less one; it never goes below 0.
    virtual void decrement();
    // The field read as a decimal number; 0 when empty.
    virtual int32_t getNumber();
    // Adds one with decimal carry; a full field wraps to zeros, an empty
    // field stays empty.
    virtual void increment();
    // Measures text and field into the sprite's size and the text sum.
    virtual void recalc();
    // Shows the last characters of b (as many as fit) in the field.
    virtual void setField(const ref<StringBuffer>& b);
    // Shows the lowest decimal digits of v (as many as fit) in the field;
    // negative values show 0.
    virtual void setNumber(int32_t v);
    // A new empty field of n characters; the sprite widens by n digits.
    virtual void setFieldWidth(int32_t n);
    // Loads the resource "/" + name as the text, wrapped to the current
    // width. A missing resource leaves the text as it was.
    virtual void setFile(const ref<String>& name);
    // The text of the resource file name (at most kMaxTextBytes of it), as
    // setFile shows it; null when it cannot be opened.
    static ref<StringBuffer> fileText(const ref<String>& name);
    virtual void setText(const ref<String>& s);
    // Breaks b at spaces so that its lines fit the sprite's width and shows
    // it; without a font it shows b as it is.
    virtual void setTextWrap(const ref<StringBuffer>& b);
    virtual void setText(const ref<Vfont>& f, const ref<String>& s);
    virtual void setTextColor(int32_t c);
    // A text of one line wider than w pixels shows only the start that fits,
    // ended by "...", so that it keeps within a menu row; 0 shows it whole.
    // The text itself (toString) stays complete.
    virtual void setMostWidth(int32_t w);
    virtual ref<String> toString();

    ref<Vfont> m_font;
    // Field characters, last character first: for a number, index 0 holds
    // the units digit.
    Array<char> m_field;
    int32_t m_fieldCount = 0;
    int32_t m_fieldWidth = 0;
    ref<String> m_text;
    int32_t m_textColor = 0; // 0xRRGGBB
    int32_t m_textSum = 0;   // position-weighted sum of the codes of text and field
    int32_t m_mostWidth = 0; // 0: no limit
    int32_t m_shown = -1;    // bytes of the text drawn before "..."; -1: all, no dots
    // The key that picks the text in a menu when it is not its id (an item
    // whose text a translation changed); 0: its id.
    int32_t m_key = 0;

private:
    // Finds m_shown for a text wider than m_mostWidth and takes the width it leaves.
    void cut();
};
