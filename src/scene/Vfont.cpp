#include "scene/Vfont.h"

#include <algorithm>
#include <cstdio>

#include "runtime/ByteReader.h"
#include "runtime/Class_.h"
#include "runtime/InputStream.h"
#include "runtime/StringBuffer.h"
#include "runtime/Utf8.h"

namespace {

// Bounds that no usable font comes near; a file beyond them is garbage, and
// they keep every product below in 32 bits.
constexpr int32_t kMaxPixels = 1024;     // space, line height, glyph width
constexpr int32_t kMaxData = 1 << 22;    // glyph data bytes
constexpr int32_t kMaxCode = 255;       // of the first table
constexpr int32_t kMaxCodePoint = 0x10FFFF;
constexpr int32_t kMaxMore = 1 << 16;   // glyphs past the first table
// Each glyph past the first table takes at least its code step, length,
// width and one data byte; a count the file cannot hold is refused before
// anything is allocated for it.
constexpr int32_t kLeastMoreBytes = 4;

// The glyph tables as a font file gives them: each glyph's width and where
// its data ends, and the length of the data so far.
struct GlyphTables {
    GlyphTables(ByteReader& r, int32_t h) : in(r), height(h) {}

    ByteReader& in;
    int32_t height = 0;
    Array<int16_t> widths;
    Array<int32_t> offsets;
    int32_t total = 0;

    // Room for n glyphs, those read kept; false when out of memory.
    bool grow(int32_t n)
    {
        Array<int16_t> w = V::allocShort(n);
        Array<int32_t> o = V::allocInt(n + 1);
        if (w.empty() || o.empty())
            return false;
        for (int32_t k = 0; k < widths.length; k++)
            w.a[k] = widths.a[k];
        for (int32_t k = 0; k < offsets.length; k++)
            o.a[k] = offsets.a[k];
        widths = w;
        offsets = o;
        return true;
    }

    // Glyph k's entry: its length and, for a length above 0, its width.
    const char* entry(int32_t k)
    {
        const int32_t length = in.varint();
        const int32_t w = length > 0 ? in.varint() : 0;
        if (in.ranOut())
            return "glyph table cut short";
        if (length > 0) {
            if (w < 1 || w > kMaxPixels)
                return "glyph width out of range";
            // Every run covers at least one pixel of the w x height box.
            if (length > w * height)
                return "glyph longer than its box";
            widths.a[k] = static_cast<int16_t>(w);
        }
        total += length;
        if (total > kMaxData)
            return "glyph data too large";
        offsets.a[k + 1] = total;
        return nullptr;
    }

    // The data of the entries read since the last data: size bytes, as
    // the file announces them.
    const char* data(int32_t size, Array<int8_t>& out)
    {
        if (in.varint() != size || in.ranOut())
            return "data size does not match the glyph lengths";
        if (size > in.remaining())
            return "glyph data shorter than announced";
        out = V::allocByte(size);
        if (size > 0 && out.empty())
            return "out of memory";
        if (!in.read(out.a, size))
            return "glyph data shorter than announced";
        return nullptr;
    }

    // The second table, after count glyphs up to code last and firstBytes
    // of their data: the glyphs' codes by their steps from the one before,
    // their entries, then their data; nothing may follow.
    const char* readMore(int32_t count, int32_t last, int32_t firstBytes, Array<int32_t>& codes, Array<int8_t>& more)
    {
        const int32_t n = in.varint();
        if (in.ranOut() || n < 1 || n > kMaxMore)
            return "glyph count past the first table out of range";
        if (n > in.remaining() / kLeastMoreBytes)
            return "more glyphs announced than the file holds";
        codes = V::allocInt(n);
        if (codes.empty() || !grow(count + n))
            return "out of memory";
        int32_t code = last;
        for (int32_t i = 0; i < n; i++) {
            const int32_t step = in.varint();
            if (in.ranOut())
                return "glyph table cut short";
            if (step < 1 || step > kMaxCodePoint - code)
                return "glyph code out of order or out of range";
            code += step;
            codes.a[i] = code;
            const int32_t before = total;
            if (const char* problem = entry(count + i))
                return problem;
            if (total == before)
                return "empty glyph past the first table";
        }
        if (const char* problem = data(total - firstBytes, more))
            return problem;
        return in.remaining() > 0 ? "bytes after the glyph data" : nullptr;
    }
};

constexpr int32_t kOpaque = 32768;

// Ink at coverage cov (1 .. 15) over line[a, b). The three cases are three
// loops, so the choice is made once per span, not per pixel.
inline void inkSpan(int32_t* line, int32_t a, int32_t b, int32_t cov, int32_t color)
{
    if (cov == 15) {
        for (int32_t q = a; q < b; q++)
            line[q] = color;
    } else if (cov == 7) {
        // Halving both sides before adding keeps each channel inside its byte.
        const int32_t half = (color >> 1) & 0x7F7F7F;
        for (int32_t q = a; q < b; q++)
            line[q] = half + ((line[q] >> 1) & 0x7F7F7F);
    } else {
        // Per channel p + c * (colour - p) / 16, the shift rounding down when
        // darkening as well.
        const int32_t cr = (color >> 16) & 0xFF, cg = (color >> 8) & 0xFF, cb = color & 0xFF;
        for (int32_t q = a; q < b; q++) {
            const int32_t p = line[q];
            int32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, bl = p & 0xFF;
            r += (cov * (cr - r)) >> 4;
            g += (cov * (cg - g)) >> 4;
            bl += (cov * (cb - bl)) >> 4;
            line[q] = (r << 16) | (g << 8) | bl;
        }
    }
}

// The shadow of ink at coverage cov over line[a, b): a quarter darker under
// faint ink, half under strong ink.
inline void shadeSpan(int32_t* line, int32_t a, int32_t b, int32_t cov)
{
    if (cov <= 7) {
        for (int32_t q = a; q < b; q++)
            line[q] = (line[q] & 0xFFFFFF) - ((line[q] >> 2) & 0x3F3F3F);
    } else {
        for (int32_t q = a; q < b; q++)
            line[q] = (line[q] >> 1) & 0x7F7F7F;
    }
}

// Where a glyph is drawn: the buffer, its clip (already inside it) and the ink.
struct GlyphTarget {
    int32_t* buf = nullptr;
    int32_t length = 0; // words of the buffer, for the range checks
    int32_t width = 0;
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    int32_t color = 0;
    int32_t alpha = 0;
};

// Draws the coverage runs [run, stop) of a glyph w pixels wide with its
// top-left corner at (gx, gy). Every glyph pixel covers b x b screen pixels;
// instantiated apart for b = 1, so the common case keeps its tight loops.
template <bool kBlocks>
void drawRuns(const GlyphTarget& t, const uint8_t* run, const uint8_t* const stop, int32_t w, int32_t block,
              int32_t gx, int32_t gy)
{
    const int32_t b = kBlocks ? block : 1;
    const int32_t x0 = t.x0, y0 = t.y0, x1 = t.x1, y1 = t.y1, width = t.width, color = t.color, alpha = t.alpha;
    const bool shadow = alpha == kOpaque;
    int32_t col = 0; // glyph pixel where the run starts
    int32_t row = 0;
    int32_t* const buf = t.buf;

    // Rows only move down, so once past the clip the rest of the glyph is too.
    for (; run < stop && gy + row * b < y1; run++) {
        int32_t n = *run >> 4;
        if (n == 0)
            n = 16;
        int32_t cov = *run & 15;
        if (!shadow && cov != 0)
            cov = std::clamp((cov * alpha) >> 15, 0, 15);
        if (cov == 0) {
            col += n;
            while (col >= w) {
                row++;
                col -= w;
            }
            continue;
        }
        // A run may wrap over several rows of the box; draw it row piece by
        // row piece, each piece clipped once instead of pixel by pixel.
        while (n > 0) {
            const int32_t piece = std::min(n, w - col);
            const int32_t sx = gx + col * b, ex = sx + piece * b;
            const int32_t sy = gy + row * b;
            // The piece covers rows [sy, sy + b); the shadow falls one glyph
            // pixel down and right. Pixels just left of or above the clip cast
            // into it too, so that a clipped redraw gives the same picture as
            // a full one.
            const int32_t qa = std::max(sx, x0), qb = std::min(ex, x1);
            const int32_t sa = std::max(sx + b, x0), sb = std::min(ex + b, x1);
            if (!kBlocks) {
                if (sy >= y0 && sy < y1) {
                    KV_CHECK(qa >= qb || (sy * width + qa >= 0 && sy * width + qb <= t.length), "Vfont::draw");
                    inkSpan(buf + sy * width, qa, qb, cov, color);
                }
                if (shadow && sy + 1 >= y0 && sy + 1 < y1) {
                    KV_CHECK(sa >= sb || ((sy + 1) * width + sa >= 0 && (sy + 1) * width + sb <= t.length),
                             "Vfont::draw");
                    shadeSpan(buf + (sy + 1) * width, sa, sb, cov);
                }
            } else {
                for (int32_t py = std::max(sy, y0); py < std::min(sy + b, y1); py++) {
                    KV_CHECK(qa >= qb || (py * width + qa >= 0 && py * width + qb <= t.length), "Vfont::draw");
                    inkSpan(buf + py * width, qa, qb, cov, color);
                }
                for (int32_t py = std::max(sy + b, y0); shadow && py < std::min(sy + 2 * b, y1); py++) {
                    KV_CHECK(sa >= sb || (py * width + sa >= 0 && py * width + sb <= t.length), "Vfont::draw");
                    shadeSpan(buf + py * width, sa, sb, cov);
                }
            }
            col += piece;
            n -= piece;
            if (col == w) {
                col = 0;
                row++;
            }
        }
    }
}

} // namespace

int32_t Vfont::glyph(int32_t c) const
{
    if (c >= m_first && c <= m_last) {
        const int32_t k = c - m_first;
        return k < m_widths.length && m_widths.a[k] > 0 ? k : -1;
    }
    if (c <= m_last || m_codes.empty())
        return -1;
    const int32_t* begin = m_codes.a;
    const int32_t* end = m_codes.a + m_codes.length;
    const int32_t* at = std::lower_bound(begin, end, c);
    if (at == end || *at != c)
        return -1;
    const int32_t k = m_last - m_first + 1 + static_cast<int32_t>(at - begin);
    return k < m_widths.length ? k : -1;
}

int32_t Vfont::shown(int32_t c) const
{
    const int32_t k = glyph(c);
    return k >= 0 || c < 128 ? k : m_replacement;
}

int32_t Vfont::charWidth(int32_t c)
{
    if (c == ' ')
        return m_space;
    const int32_t k = shown(c);
    return k >= 0 ? m_widths.a[k] : 0;
}

bool Vfont::hasGlyph(int32_t c)
{
    return c == ' ' ? m_height > 0 : glyph(c) >= 0;
}

int32_t Vfont::firstMissing(const ref<String>& s)
{
    if (!s)
        return -1;
    const int32_t n = s->length();
    for (int32_t i = 0; i < n;) {
        const int32_t c = Utf8::next(s->c_str(), n, i);
        if (c != '\n' && c != '\t' && !hasGlyph(c))
            return c;
    }
    return -1;
}

int32_t Vfont::getHeight()
{
    return m_height;
}

int32_t Vfont::tab(int32_t x)
{
    // An empty font has no tab stops; its tabs take no room.
    if (m_tab <= 0)
        return 0;
    return m_tab - x % m_tab;
}

int32_t Vfont::stringWidth(const ref<String>& s)
{
    if (!s)
        return 0;
    int32_t w = 0;
    const int32_t n = s->length();
    for (int32_t i = 0; i < n;) {
        const int32_t c = Utf8::next(s->c_str(), n, i);
        w += c == '\t' ? tab(w) : charWidth(c);
    }
    return w;
}

void Vfont::clear()
{
    m_data = Array<int8_t>();
    m_offsets = Array<int32_t>();
    m_widths = Array<int16_t>();
    m_codes = Array<int32_t>();
    m_moreData = Array<int8_t>();
    m_replacement = -1;
    m_extra = m_height = m_first = m_last = m_space = m_tab = 0;
}

bool Vfont::open(const ref<String>& name)
{
    clear();
    ref<String> path = "/"_s + name;
    ref<InputStream> file = Class_::getResourceAsStream(path);
    if (!file) {
        std::fprintf(stderr, "Could not open %s\n", path ? InputStream::displayPath(path->c_str()).c_str() : "font");
        return false;
    }
    ref<ByteReader> in = new ByteReader;
    in->open(file);
    const char* problem = load(*in);
    in->close();
    if (problem) {
        clear();
        std::fprintf(stderr, "Vfont: %s is not a valid font file: %s\n", InputStream::displayPath(path->c_str()).c_str(),
                     problem);
        return false;
    }
    return true;
}

const char* Vfont::load(ByteReader& in)
{
    const int32_t space = in.varint();
    const int32_t height = in.varint();
    const int32_t extra = in.varint();
    const int32_t first = in.varint();
    const int32_t last = in.varint();
    if (in.ranOut())
        return "header cut short";
    if (space > kMaxPixels || height < 1 || height > kMaxPixels)
        return "space or line height out of range";
    if (first > last || last > kMaxCode)
        return "character range out of range";

    GlyphTables t(in, height);
    const int32_t count = last - first + 1;
    if (!t.grow(count))
        return "out of memory";
    for (int32_t k = 0; k < count; k++)
        if (const char* problem = t.entry(k))
            return problem;
    Array<int8_t> data;
    if (const char* problem = t.data(t.total, data))
        return problem;
    Array<int32_t> codes;
    Array<int8_t> moreData;
    if (in.remaining() > 0)
        if (const char* problem = t.readMore(count, last, data.length, codes, moreData))
            return problem;

    m_data = data;
    m_extra = extra;
    m_height = height;
    m_last = last;
    m_first = first;
    m_offsets = t.offsets;
    m_space = space;
    m_tab = 7 * space;
    m_widths = t.widths;
    m_codes = codes;
    m_moreData = moreData;
    m_replacement = glyph(0xFFFD);
    if (m_replacement < 0)
        m_replacement = glyph('?');
    return nullptr;
}

void Vfont::draw(int32_t c, const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
                 int32_t x1, int32_t y1, int32_t x, int32_t y, int32_t color, int32_t alpha, int32_t block)
{
    const int32_t k = shown(c);
    if (k < 0 || k + 1 >= m_offsets.length || k >= m_widths.length)
        return;
    int32_t start = m_offsets.a[k];
    int32_t end = m_offsets.a[k + 1];
    int32_t w = m_widths.a[k];
    if (start >= end || w <= 0 || width <= 0)
        return;
    // The clip never reaches past the buffer, whatever the caller passes.
    height = std::min(height, pixels.length / width);
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width);
    y1 = std::min(y1, height);
    if (x0 >= x1 || y0 >= y1)
        return;
    const GlyphTarget t{pixels.a, pixels.length, width, x0, y0, x1, y1, color, alpha};
    // The glyphs past the first table have data of their own, which
    // continues the first table's offsets.
    const bool more = start >= m_data.length;
    const Array<int8_t>& data = more ? m_moreData : m_data;
    if (more) {
        start -= m_data.length;
        end -= m_data.length;
    }
    if (end > data.length)
        return;
    const uint8_t* runs = reinterpret_cast<const uint8_t*>(data.a);
    if (block <= 1)
        drawRuns<false>(t, runs + start, runs + end, w, 1, x >> 15, y >> 15);
    else
        drawRuns<true>(t, runs + start, runs + end, w, std::min(block, kMaxBlock), x >> 15, y >> 15);
}
