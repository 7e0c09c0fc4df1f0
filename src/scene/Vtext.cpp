#include "scene/Vtext.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "runtime/Class_.h"
#include "runtime/InputStream.h"
#include "runtime/Utf8.h"

namespace {

// A text resource is a page of help, not a book: anything longer is cut here
// so that a stray large file cannot stall the game or exhaust memory.
constexpr int32_t kMaxTextBytes = 64 * 1024;

} // namespace

Vtext::Vtext() = default;

Vtext::Vtext(const ref<Vtheme>& theme, const ref<String>& s)
    : Vtext(theme, theme ? theme->m_font : nullptr, s)
{
}

Vtext::Vtext(const ref<Vtheme>& theme, const ref<Vfont>& f, const ref<String>& s)
    : m_font(f), m_text(s), m_textColor(theme ? theme->m_textColor : 0)
{
    recalc();
}

Vtext::~Vtext() = default;

// ---- text ----

void Vtext::setText(const ref<String>& s)
{
    m_text = s;
    recalc();
}

void Vtext::setText(const ref<Vfont>& f, const ref<String>& s)
{
    m_font = f;
    setText(s);
}

void Vtext::setTextColor(int32_t c)
{
    m_textColor = c;
}

ref<String> Vtext::toString()
{
    return m_text;
}

void Vtext::recalc()
{
    if (m_child) {
        m_width = m_child->m_width;
        m_height = m_child->m_height;
        return;
    }
    m_textSum = 0;
    if (!m_text || !m_font)
        return;
    int32_t line = m_font->getHeight();
    int32_t h = line;
    int32_t maxW = 0;
    int32_t x = 1; // the drop shadow takes one pixel past the last glyph
    // Weighted by position, so that texts with the same characters in another
    // order (a counter going from 29 to 38) still count as changed.
    const char* text = m_text->c_str();
    const int32_t n = m_text->length();
    for (int32_t i = 0; i < n;) {
        const int32_t c = Utf8::next(text, n, i);
        m_textSum = m_textSum * 31 + c;
        if (c == '\n') {
            h += line;
            maxW = std::max(maxW, x);
            x = 1;
        } else if (c == '\t') {
            x += m_font->tab(x);
        } else {
            x += m_font->charWidth(c);
        }
    }
    for (int32_t i = m_fieldCount - 1; i >= 0; i--) {
        m_textSum = m_textSum * 31 + m_field.a[i];
        x += m_font->charWidth(m_field.a[i]);
    }
    m_width = std::max(maxW, x);
    m_height = h;
    m_shown = -1;
    if (m_mostWidth > 0 && m_width > m_mostWidth && h == line)
        cut();
}

void Vtext::cut()
{
    int32_t field = 0;
    for (int32_t i = 0; i < m_fieldCount; i++)
        field += m_font->charWidth(m_field.a[i]);
    const int32_t dots = 3 * m_font->charWidth('.');
    const char* text = m_text->c_str();
    const int32_t length = m_text->length();
    // The next letter from byte i on added to the width x, as recalc measures it.
    auto advance = [&](int32_t end, int32_t& i, int32_t& x) {
        const int32_t c = Utf8::next(text, end, i);
        x += c == '\t' ? m_font->tab(x) : m_font->charWidth(c);
    };
    // Whole letters only: n is a byte count at the end of a code point.
    int32_t n = 0;
    for (int32_t i = 0, x = 1; i < length;) {
        advance(length, i, x);
        if (x + dots + field > m_mostWidth)
            break;
        n = i;
    }
    // "Pad B..." reads better than "Pad B -...".
    while (n > 0 && std::strchr(" ,;:-", text[n - 1]))
        n--;
    m_shown = n;
    int32_t x = 1;
    for (int32_t i = 0; i < n;)
        advance(n, i, x);
    m_width = x + dots + field;
}

void Vtext::setMostWidth(int32_t w)
{
    w = std::max(w, 0);
    if (w == m_mostWidth)
        return;
    m_mostWidth = w;
    recalc();
}

void Vtext::setTextWrap(const ref<StringBuffer>& b)
{
    if (!b) {
        setText(nullptr);
        return;
    }
    if (m_font) {
        int32_t x = 1;
        int32_t lastSpace = -1;
        int32_t widthAtSpace = 0;
        const int32_t limit = m_width;
        const int32_t n = b->length();
        for (int32_t i = 0; i < n;) {
            const int32_t at = i;
            const int32_t c = Utf8::next(b->c_str(), n, i);
            if (c == '\n') {
                // A break of the text's own ends the line: a later overflow
                // must not reach back and break this line too.
                x = 1;
                lastSpace = -1;
                widthAtSpace = 0;
                continue;
            }
            x += m_font->charWidth(c);
            if (c == ' ') {
                lastSpace = at;
                widthAtSpace = x;
            }
            if (x > limit) {
                // The words after the last space move to the next line, which
                // starts with the same one-pixel margin as every line; a word
                // longer than the line is left whole.
                x -= widthAtSpace;
                if (lastSpace >= 0) {
                    b->setCharAt(lastSpace, '\n');
                    x += 1;
                }
                lastSpace = -1;
                widthAtSpace = 0;
            }
        }
    }
    setText(b->toString());
}

void Vtext::setFile(const ref<String>& name)
{
    if (ref<StringBuffer> b = fileText(name))
        setTextWrap(b);
}

ref<StringBuffer> Vtext::fileText(const ref<String>& name)
{
    if (!name)
        return nullptr;
    ref<String> path = "/"_s + name;
    ref<InputStream> in = Class_::getResourceAsStream(path);
    if (!in) {
        std::fprintf(stderr, "Could not open %s\n", InputStream::displayPath((path ? path : name)->c_str()).c_str());
        return nullptr;
    }
    ref<StringBuffer> b = new StringBuffer;
    if (!b) {
        in->close();
        return nullptr;
    }
    // Read in blocks: the buffer grows by what each append needs, so
    // character by character it would copy itself over and over.
    int8_t block[4096];
    char text[sizeof block + 1];
    int32_t total = 0;
    int32_t n = 0;
    while (total < kMaxTextBytes &&
           (n = in->read(block, std::min<int32_t>(sizeof block, kMaxTextBytes - total))) > 0) {
        total += n;
        // A NUL would end the string early; a text file has none.
        int32_t k = 0;
        for (int32_t i = 0; i < n; i++)
            if (block[i] != 0)
                text[k++] = static_cast<char>(block[i]);
        text[k] = 0;
        b->append(text);
    }
    if (total >= kMaxTextBytes && in->read() >= 0) {
        std::fprintf(stderr, "Vtext: %s is longer than %d bytes; only the start is shown\n",
                     InputStream::displayPath(path->c_str()).c_str(), kMaxTextBytes);
    }
    in->close();
    return b;
}

// ---- field ----

void Vtext::setFieldWidth(int32_t n)
{
    n = std::max(n, 0);
    m_field = Array<char>(n);
    m_fieldWidth = m_field.length; // 0 when there was no memory for it
    // The old characters are gone; only as many as the new field holds may
    // still be counted, and those read as empty.
    m_fieldCount = std::min(m_fieldCount, n);
    if (m_font)
        m_width += n * m_font->charWidth('0');
}

void Vtext::setField(const ref<StringBuffer>& b)
{
    m_fieldCount = 0;
    if (b) {
        for (int32_t i = b->length() - 1; i >= 0 && m_fieldCount < m_fieldWidth; i--)
            m_field.a[m_fieldCount++] = b->charAt(i);
    }
    recalc();
}

void Vtext::setNumber(int32_t v)
{
    // The field shows no sign: a count that would go below zero stays at 0.
    v = std::max(v, 0);
    m_fieldCount = 0;
    // do/while so that 0 shows as "0" rather than as an empty field.
    do {
        if (m_fieldCount >= m_fieldWidth)
            break;
        m_field.a[m_fieldCount++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    recalc();
}

int32_t Vtext::getNumber()
{
    int32_t n = 0;
    for (int32_t i = m_fieldCount - 1; i >= 0; i--)
        n = n * 10 + (m_field.a[i] - '0');
    return n;
}

void Vtext::increment()
{
    if (m_fieldCount == 0)
        return;
    for (int32_t i = 0;; i++) {
        if (i == m_fieldCount) {
            // The carry left the stored digits: a new leading 1 if there is
            // room, else the number has wrapped to all zeros.
            if (m_fieldCount < m_fieldWidth)
                m_field.a[m_fieldCount++] = '1';
            break;
        }
        if (m_field.a[i] < '9') {
            m_field.a[i]++;
            break;
        }
        m_field.a[i] = '0';
    }
    recalc();
}

void Vtext::decrement()
{
    setNumber(getNumber() - 1);
}

// ---- change detection and drawing ----

int32_t Vtext::checksum(int32_t ax, int32_t ay, int32_t scale)
{
    return Vsprite::checksum(ax, ay, scale) + 8 * m_textSum + m_textColor + 64 * m_shown;
}

void Vtext::draw(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
                 int32_t x1, int32_t y1)
{
    int32_t alpha = m_alpha;
    if (m_parent && m_parent->m_alpha != 32768)
        alpha = fmul(m_alpha, m_parent->m_alpha);
    if (m_color != 0)
        drawRect(pixels, width, height, x0, y0, x1, y1, m_color, m_color >> 24);
    if (!m_font)
        return;

    // Drawn at a whole scale of 2 or more (an enlarged screen), every pixel of
    // the text becomes a square block, so the text keeps its place in the
    // layout; any other scale draws it at its own size.
    const int32_t b = (m_drawScale & 32767) == 0 && m_drawScale >= 65536
                          ? std::min(m_drawScale >> 15, Vfont::kMaxBlock)
                          : 1;
    const int32_t unit = b * 32768;
    const int32_t left = m_sx + unit; // one pixel in from the sprite's edge
    const int32_t fontHeight = m_font->getHeight();
    const int32_t line = fontHeight * unit;
    // A glyph's shadow falls one pixel right of and below its box, so a glyph
    // just outside the clip may still shade its edge.
    const int32_t yMin = (y0 - (fontHeight + 1) * b) * 32768;
    int32_t x = left;
    int32_t y = m_sy;
    // A text cut to its most width ends with three dots after its first m_shown bytes.
    static constexpr char kDots[] = "...";
    if (m_text) {
        const char* text = m_text->c_str();
        int32_t n = m_text->length();
        if (m_shown >= 0 && m_shown < n)
            n = m_shown;
        for (int32_t i = 0; i < n || (text != kDots && m_shown >= 0);) {
            if (i >= n) {
                text = kDots;
                n = 3;
                i = 0;
            }
            const int32_t c = Utf8::next(text, n, i);
            if (c == '\n') {
                y += line;
                x = left;
                if ((y >> 15) > y1)
                    break;
            } else if (c == '\t') {
                x += m_font->tab(((x - m_sx) >> 15) / b) * unit;
            } else {
                int32_t w = m_font->charWidth(c);
                if (w == 0)
                    continue;
                int32_t gx = x >> 15;
                if (c != ' ' && gx < x1 && gx + (w + 1) * b > x0 && y > yMin)
                    m_font->draw(c, pixels, width, height, x0, y0, x1, y1, x, y, m_textColor, alpha, b);
                x += w * unit;
            }
        }
    }
    for (int32_t i = m_fieldCount - 1; i >= 0; i--) {
        char c = m_field.a[i];
        int32_t w = m_font->charWidth(c);
        if (c != ' ' && w != 0)
            m_font->draw(c, pixels, width, height, x0, y0, x1, y1, x, y, m_textColor, m_alpha, b);
        x += w * unit;
    }
}
