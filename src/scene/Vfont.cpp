#include "scene/Vfont.h"

#include <algorithm>
#include <cstdio>

#include "runtime/Class_.h"
#include "runtime/StringBuffer.h"

namespace {

// Bounds that no usable font comes near; a file beyond them is garbage, and
// they keep every product below in 32 bits.
constexpr int32_t kMaxPixels = 1024;     // space, line height, glyph width
constexpr int32_t kMaxData = 1 << 22;    // glyph data bytes
constexpr int32_t kMaxCode = 255;

constexpr int32_t kOpaque = 32768;

} // namespace

int32_t Vfont::charWidth(char c)
{
    if (c == ' ')
        return m_space;
    int32_t k = static_cast<int8_t>(c) - m_first;
    if (static_cast<int8_t>(c) > m_last || k < 0 || k >= m_widths.length)
        return 0;
    return m_widths.a[k];
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
    for (const char* p = s->c_str(); *p; p++)
        w += *p == '\t' ? tab(w) : charWidth(*p);
    return w;
}

int32_t Vfont::read()
{
    return m_stream ? m_stream->read() : -1;
}

int32_t Vfont::rv()
{
    int32_t v = 0;
    for (;;) {
        int32_t b = read();
        if (b < 0 || v > (0x7FFFFFFF >> 7))
            return -1;
        v = (v << 7) | (b & 0x7F);
        if (!(b & 0x80))
            return v;
    }
}

void Vfont::clear()
{
    m_data = Array<int8_t>();
    m_offsets = Array<int32_t>();
    m_widths = Array<int16_t>();
    m_extra = m_height = m_first = m_last = m_space = m_tab = 0;
}

bool Vfont::open(const ref<String>& name)
{
    clear();
    ref<String> path = "/"_s + name;
    m_stream = Class_::getResourceAsStream(path);
    if (!m_stream) {
        std::printf("Could not open %s\n", path ? InputStream::displayPath(path->c_str()).c_str() : "font");
        std::fflush(stdout);
        return false;
    }
    const char* problem = load();
    m_stream->close();
    m_stream = nullptr;
    if (problem) {
        clear();
        std::printf("Vfont: %s is not a valid font file: %s\n", InputStream::displayPath(path->c_str()).c_str(),
                    problem);
        std::fflush(stdout);
        return false;
    }
    return true;
}

const char* Vfont::load()
{
    int32_t space = rv();
    int32_t height = rv();
    int32_t extra = rv();
    int32_t first = rv();
    int32_t last = rv();
    if (last < 0)
        return "header cut short";
    if (space < 0 || space > kMaxPixels || height < 1 || height > kMaxPixels || extra < 0)
        return "space or line height out of range";
    if (first < 0 || first > last || last > kMaxCode)
        return "character range out of range";

    int32_t count = last - first + 1;
    Array<int16_t> widths = allocShort(count);
    Array<int32_t> offsets = allocInt(count + 1);
    if (widths.empty() || offsets.empty())
        return "out of memory";
    int32_t total = 0;
    for (int32_t k = 0; k < count; k++) {
        int32_t length = rv();
        if (length < 0)
            return "glyph table cut short";
        if (length > 0) {
            int32_t w = rv();
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
    }
    int32_t size = rv();
    if (size < 0)
        return "glyph table cut short";
    if (size != total)
        return "data size does not match the glyph lengths";
    if (size > m_stream->available())
        return "glyph data shorter than announced";

    Array<int8_t> data = allocByte(size);
    if (size > 0 && data.empty())
        return "out of memory";
    int32_t got = 0;
    while (got < size) {
        int32_t n = m_stream->read(data.a + got, size - got);
        if (n <= 0)
            return "glyph data shorter than announced";
        got += n;
    }

    m_data = data;
    m_extra = extra;
    m_height = height;
    m_last = last;
    m_first = first;
    m_offsets = offsets;
    m_space = space;
    m_tab = 7 * space;
    m_widths = widths;
    return nullptr;
}

void Vfont::draw(int32_t c, const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
                 int32_t x1, int32_t y1, int32_t x, int32_t y, int32_t color, int32_t alpha, int32_t block)
{
    int32_t k = c - m_first;
    if (c < m_first || c > m_last || k + 1 >= m_offsets.length || k >= m_widths.length)
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

    const bool shadow = alpha == kOpaque;
    const int32_t cr = (color >> 16) & 0xFF;
    const int32_t cg = (color >> 8) & 0xFF;
    const int32_t cb = color & 0xFF;
    const int32_t half = (color >> 1) & 0x7F7F7F;
    // Every glyph pixel covers a square of b x b screen pixels; so does its
    // shadow, one glyph pixel down and right.
    const int32_t b = std::clamp(block, 1, kMaxBlock);
    const int32_t gx = x >> 15;
    const int32_t gy = y >> 15;
    int32_t col = 0; // glyph pixel where the run starts
    int32_t row = 0;
    int32_t* const buf = pixels.a;
    const uint8_t* run = reinterpret_cast<const uint8_t*>(m_data.a) + start;
    const uint8_t* const stop = reinterpret_cast<const uint8_t*>(m_data.a) + end;

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
            for (int32_t py = std::max(sy, y0); py < std::min(sy + b, y1); py++) {
                int32_t* line = buf + py * width;
                for (int32_t q = std::max(sx, x0); q < std::min(ex, x1); q++) {
                    KV_CHECK(py * width + q >= 0 && py * width + q < pixels.length, "Vfont::draw");
                    int32_t p = line[q];
                    if (cov == 15) {
                        p = color;
                    } else if (cov == 7) {
                        p = half + ((p >> 1) & 0x7F7F7F);
                    } else {
                        // Per channel p + c * (colour - p) / 16, the shift
                        // rounding down when darkening as well.
                        int32_t r = (p >> 16) & 0xFF;
                        int32_t g = (p >> 8) & 0xFF;
                        int32_t bl = p & 0xFF;
                        r += (cov * (cr - r)) >> 4;
                        g += (cov * (cg - g)) >> 4;
                        bl += (cov * (cb - bl)) >> 4;
                        p = (r << 16) | (g << 8) | bl;
                    }
                    line[q] = p;
                }
            }
            // The shadow falls one down and one right. Pixels just left of or
            // above the clip cast into it too, so that a clipped redraw gives
            // the same picture as a full one.
            if (shadow) {
                for (int32_t py = std::max(sy + b, y0); py < std::min(sy + 2 * b, y1); py++) {
                    int32_t* line = buf + py * width;
                    for (int32_t q = std::max(sx + b, x0); q < std::min(ex + b, x1); q++) {
                        KV_CHECK(py * width + q >= 0 && py * width + q < pixels.length, "Vfont::draw");
                        int32_t sh = line[q];
                        line[q] = cov <= 7 ? (sh & 0xFFFFFF) - ((sh >> 2) & 0x3F3F3F) : (sh >> 1) & 0x7F7F7F;
                    }
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
