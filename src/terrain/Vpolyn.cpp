#include "terrain/Vpolyn.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "math/V.h"
#include "scene/Vilib.h"

namespace {

int32_t maxEnd(int32_t e)
{
    int32_t x = Vpolyn::edgeX(e), dx = Vpolyn::edgeDx(e);
    return dx > 0 ? x + dx : x;
}

int32_t minEnd(int32_t e)
{
    int32_t x = Vpolyn::edgeX(e), dx = Vpolyn::edgeDx(e);
    return dx < 0 ? x + dx : x;
}

} // namespace

Vpolyn::Vpolyn() = default;

Vpolyn::~Vpolyn() = default;

void Vpolyn::setWidthHeight(int32_t w, int32_t h)
{
    w = std::clamp(w, 0, 65535);
    h = std::clamp(h, 0, 65535);
    Vsprite::setWidthHeight(w, h);
    m_widthFix = w << 15;
    m_heightFix = h << 15;
    m_gridStale = true;
}

void Vpolyn::setNcolors(int32_t n)
{
    if (!m_colors.empty())
        V::m_avail += m_colors.length * 8;
    m_colors = n > 0 ? V::allocInt(n) : Array<int32_t>();
    m_textures = n > 0 ? V::allocInt(n) : Array<int32_t>();
    m_ncolors = 1;
}

void Vpolyn::init(int32_t width, int32_t height, int32_t maxEdges, int32_t ncolors)
{
    setNcolors(ncolors);
    setWidthHeight(width, height);
    int32_t rows = m_heightFix >> 15;
    if (m_rowStart.length != rows + 1) {
        if (!m_rowStart.empty())
            V::m_avail += m_rowStart.length * 8;
        m_rowStart = V::allocInt(rows + 1);
        m_rowCursor = V::allocInt(rows + 1);
        if (m_rowStart.empty() || m_rowCursor.empty()) {
            m_rowStart = Array<int32_t>();
            m_rowCursor = Array<int32_t>();
        }
    } else {
        std::memset(m_rowStart.a, 0, static_cast<std::size_t>(m_rowStart.length) * 4);
        std::memset(m_rowCursor.a, 0, static_cast<std::size_t>(m_rowCursor.length) * 4);
    }
    // A later init keeps the table (grown or not) and empties it.
    if (m_edges.empty() && maxEdges > 0)
        m_edges = V::allocInt(std::min(maxEdges, kMaxCrossings));
    m_edgeCapacity = m_edges.length;
    m_gapRow = rows;
    m_gapSize = m_edgeCapacity;
    if (!m_rowStart.empty())
        m_rowStart[rows] = m_edgeCapacity;
    m_spanRow = -1;
    m_gridStale = true;
    m_warnedColors = false;
    m_warnedCrossings = false;
}

int32_t Vpolyn::addColor(int32_t c)
{
    for (int32_t i = 0; i < m_ncolors && i < m_colors.length; i++)
        if (m_colors[i] == c)
            return i;
    // A crossing has six bits for its style.
    if (m_ncolors >= std::min(m_colors.length, 64)) {
        if (!m_warnedColors)
            std::fprintf(stderr,
                         "Vector drawing: more than %d fill colours; colour %08X and any further ones are drawn as "
                         "colour 0\n",
                         std::min(m_colors.length, 64), static_cast<uint32_t>(c));
        m_warnedColors = true;
        return 0;
    }
    m_colors[m_ncolors] = c;
    return m_ncolors++;
}

void Vpolyn::setColor(int32_t i, int32_t c)
{
    if (i >= 0 && i < m_colors.length)
        m_colors[i] = c;
}

void Vpolyn::setTexture(int32_t i, const ref<Vilib>& lib, int32_t picture)
{
    m_textureLib = lib;
    if (i >= 0 && i < m_textures.length)
        m_textures[i] = picture;
}

// ---- building ----

void Vpolyn::line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t leftStyle, int32_t rightStyle)
{
    int32_t ya = y0 >> 15, yb = y1 >> 15;
    if (ya == yb || m_warnedCrossings)
        return;
    // Walked downward; a downward boundary has its second style on its right.
    int32_t style = rightStyle, other = leftStyle;
    if (yb < ya) {
        std::swap(x0, x1);
        std::swap(ya, yb);
        style = leftStyle;
        other = rightStyle;
    }
    int64_t xs = x0 >> 11, xe = x1 >> 11;
    int64_t n = yb - ya;
    int64_t step = n == 1 ? (xe - xs) * 32768 : ((xe - xs) * 32768) / n;
    int32_t rows = m_rowStart.length - 1;
    int32_t r0 = std::max(ya, 0), r1 = std::min(yb, rows);
    int64_t p = (xs << 15) + step * (r0 - ya);
    for (int32_t r = r0; r < r1; r++) {
        addEdge(static_cast<int32_t>(p >> 15), r, static_cast<int32_t>((p + step) >> 15), style, other,
                r == ya);
        p += step;
    }
}

bool Vpolyn::openGapAfter(int32_t row)
{
    int32_t rows = m_rowStart.length - 1;
    int32_t* start = m_rowStart.a;
    if (m_gapSize == 0) {
        if (m_edgeCapacity + kGrowth > kMaxCrossings)
            return false;
        Array<int32_t> grown = V::allocInt(m_edgeCapacity + kGrowth);
        if (grown.empty())
            return false;
        int32_t at = start[row + 1];
        if (at > 0)
            std::memcpy(grown.a, m_edges.a, static_cast<std::size_t>(at) * 4);
        if (m_edgeCapacity > at)
            std::memcpy(grown.a + at + kGrowth, m_edges.a + at,
                        static_cast<std::size_t>(m_edgeCapacity - at) * 4);
        for (int32_t k = row + 1; k <= rows; k++)
            start[k] += kGrowth;
        V::m_avail += m_edges.length * 4;
        m_edges = grown;
        m_edgeCapacity += kGrowth;
        m_gapSize = kGrowth;
        m_gapRow = row + 1;
        return true;
    }
    int32_t g = m_gapRow, gs = m_gapSize;
    int32_t* e = m_edges.a;
    if (g > row + 1) {
        // The rows between move up over the gap.
        int32_t from = start[row + 1];
        int32_t count = start[g] - gs - from;
        if (count > 0)
            std::memmove(e + from + gs, e + from, static_cast<std::size_t>(count) * 4);
        for (int32_t k = row + 1; k < g; k++)
            start[k] += gs;
    } else if (g < row + 1) {
        int32_t from = start[g];
        int32_t count = start[row + 1] - from;
        if (count > 0)
            std::memmove(e + from - gs, e + from, static_cast<std::size_t>(count) * 4);
        for (int32_t k = g; k <= row; k++)
            start[k] -= gs;
    }
    m_gapRow = row + 1;
    return true;
}

void Vpolyn::addEdge(int32_t x, int32_t row, int32_t xNext, int32_t style, int32_t, bool first)
{
    int32_t rows = m_rowStart.length - 1;
    if (rows <= 0 || row < 0 || row >= rows)
        return;
    // Crossings at or beyond the right edge change nothing inside; the rest
    // are clamped so that x keeps to its 13 bits.
    int32_t limit = std::min(m_widthFix >> 11, 8192);
    if (x >= limit && xNext >= limit)
        return;
    x = std::clamp(x, 0, limit - 1);
    xNext = std::clamp(xNext, 0, limit - 1);
    int32_t dx = std::clamp(xNext - x, -4096, 4095);
    if (!openGapAfter(row)) {
        if (!m_warnedCrossings)
            std::fprintf(stderr, "Vector drawing: more than %d boundary crossings; the rest are dropped\n",
                         m_edgeCapacity - m_gapSize);
        m_warnedCrossings = true;
        return;
    }
    int32_t* e = m_edges.a;
    int32_t s = m_rowStart.a[row];
    int32_t end = m_rowStart.a[row + 1] - m_gapSize;
    int32_t p = s;
    while (p < end) {
        int32_t ex = edgeX(e[p]);
        if (ex > x || (ex == x && first && edgeDx(e[p]) > dx))
            break;
        p++;
    }
    if (end > p)
        std::memmove(e + p + 1, e + p, static_cast<std::size_t>(end - p) * 4);
    e[p] = x | ((style & 63) << 13) | (dx << 19);
    m_gapSize--;
    m_spanRow = -1;
    m_gridStale = true;
}

int32_t Vpolyn::finish()
{
    int32_t rows = m_rowStart.length - 1;
    if (rows < 0)
        return 0;
    int32_t* start = m_rowStart.a;
    int32_t g = m_gapRow, gs = m_gapSize;
    if (gs > 0 && g < rows) {
        int32_t from = start[g];
        std::memmove(m_edges.a + from - gs, m_edges.a + from,
                     static_cast<std::size_t>(m_edgeCapacity - from) * 4);
        for (int32_t k = g; k < rows; k++)
            start[k] -= gs;
        m_gapRow = rows;
    }
    for (int32_t r = 0; r <= rows; r++)
        m_rowCursor[r] = start[r];
    m_checksum += 1;
    m_spanRow = -1;
    m_gridStale = true;
    return edgeCount();
}

// ---- lookups ----

int32_t Vpolyn::lookup(int32_t x, int32_t y)
{
    int32_t row = y >> 15;
    int32_t rows = m_rowStart.length - 1;
    if (row < 0 || row >= rows)
        return 0;
    const int32_t* e = m_edges.a;
    int32_t s = m_rowStart.a[row], end = rowEnd(row);
    int32_t xq = x >> 11, f = y & 32767;
    int32_t i = std::clamp(m_rowCursor.a[row], s - 1, end - 1);
    while (i >= s && maxEnd(e[i]) >= xq)
        i--;
    while (i + 1 < end && minEnd(e[i + 1]) <= xq)
        i++;
    // A crossing whose extent holds the point is decided at the point's
    // height inside the row.
    while (i >= s && maxEnd(e[i]) >= xq && crossingAt(e[i], f) > x)
        i--;
    m_rowCursor.a[row] = std::max(i, s);
    m_spanRow = row;
    m_spanStyle = i >= s ? edgeStyle(e[i]) : 0;
    m_spanStart = i >= s ? maxEnd(e[i]) : 0;
    m_spanEnd = i + 1 < end ? minEnd(e[i + 1]) : 2147483647;
    return m_spanStyle;
}

void Vpolyn::buildGrid()
{
    m_gridStale = false;
    m_grid = Grid();
    int32_t w = m_widthFix >> 15, h = m_heightFix >> 15;
    m_styles = 1;
    for (int32_t r = 0; r + 1 < m_rowStart.length; r++)
        for (int32_t i = m_rowStart.a[r], end = rowEnd(r); i < end; i++)
            m_styles |= UINT64_C(1) << edgeStyle(m_edges.a[i]);
    if (w <= 0 || h <= 0 || w > kMaxGridSide || h > kMaxGridSide || (w & (w - 1)) || (h & (h - 1)) ||
        m_rowStart.length != h + 1 || m_edgeCapacity > kEdgeIndex)
        return;
    if (m_gridWords.length != w * h) {
        V::m_avail += m_gridWords.length * 4;
        m_gridWords = V::allocInt(w * h);
        if (m_gridWords.empty())
            return;
    }
    // The lookup's answer depends on the point alone when a row is sorted by
    // x: every crossing wholly left of the point comes before every one
    // wholly right. In a pixel no crossing enters, that is the style of the
    // latest (by index) crossing whose right end lies left of the pixel.
    int32_t latest[kMaxGridSide + 1], touches[kMaxGridSide], toucher[kMaxGridSide];
    int16_t first[kMaxGridSide];
    bool exact = true;
    for (int32_t r = 0; r < h; r++) {
        int32_t* words = m_gridWords.a + r * w;
        const int32_t* e = m_edges.a + m_rowStart.a[r];
        int32_t n = rowEnd(r) - m_rowStart.a[r];
        std::fill(latest, latest + w + 1, -1);
        bool sorted = n <= 32767;
        for (int32_t i = 0; i < n; i++) {
            sorted &= i == 0 || edgeX(e[i - 1]) <= edgeX(e[i]);
            latest[std::min((maxEnd(e[i]) >> 4) + 1, w)] = i;
        }
        exact &= sorted;
        int32_t last = -1, reach = 0;
        for (int32_t c = 0; c < w; c++) {
            last = std::max(last, latest[c]);
            words[c] = last >= 0 ? edgeStyle(e[last]) : 0;
            while (reach < n && maxEnd(e[reach]) < 16 * c)
                reach++;
            first[c] = static_cast<int16_t>(reach);
        }
        // Pixels crossings pass through: how many, and which (one of them).
        std::fill(touches, touches + w, 0);
        for (int32_t i = 0; i < n; i++) {
            int32_t c0 = sorted ? std::max(minEnd(e[i]) >> 4, 0) : 0;
            int32_t c1 = sorted ? std::min(maxEnd(e[i]) >> 4, w - 1) : w - 1;
            for (int32_t c = c0; c <= c1; c++) {
                touches[c]++;
                toucher[c] = i;
            }
        }
        for (int32_t c = 0; c < w; c++) {
            if (touches[c] == 0)
                continue;
            // With one crossing, the others lie wholly left or right of the
            // pixel. When it sits between them in the row, the point is left
            // or right of it, and the style left of it is the pixel's style
            // so far. When it sits among those wholly right, the lookup
            // never reaches it and the pixel keeps that style. When it sits
            // among those wholly left, its answer is a third rule: walk.
            int32_t i = toucher[c];
            bool afterLeft = i == 0 || maxEnd(e[i - 1]) < 16 * c;
            bool beforeRight = i == n - 1 || minEnd(e[i + 1]) > 16 * c + 15;
            if (!sorted)
                words[c] = kUnsortedWord;
            else if (touches[c] > 1 || (afterLeft && !beforeRight))
                words[c] = kMixedWord | first[c];
            else if (afterLeft)
                words[c] = kCrossedWord | words[c] << 24 | (m_rowStart.a[r] + i);
        }
    }
    m_grid.words = m_gridWords.a;
    m_grid.edges = m_edges.a;
    m_grid.xMask = m_widthFix - 1;
    m_grid.yMask = m_heightFix - 1;
    m_grid.width = w;
    m_grid.exact = exact;
}

int32_t Vpolyn::crossedStyle(int32_t x, int32_t y)
{
    if (m_gridStale)
        buildGrid();
    int32_t style = m_grid.at(x, y);
    if (style >= 0)
        return style;
    x = wrap(x, m_widthFix);
    y = wrap(y, m_heightFix);
    int32_t row = y >> 15;
    int32_t w = m_grid.width ? m_grid.words[row * m_grid.width + (x >> 15)] : kUnsortedWord;
    if (w == kUnsortedWord)
        return getXy2(x, y);
    // Crossings before the first are wholly left of the pixel; the answer
    // is what lookup finds: the last crossing before the first one wholly
    // right of the point, stepping back over any that pass right of it.
    const int32_t* e = m_edges.a + m_rowStart.a[row];
    int32_t n = rowEnd(row) - m_rowStart.a[row];
    int32_t xq = x >> 11, f = y & 32767;
    int32_t i = w & 0xFFFF;
    while (i < n && minEnd(e[i]) <= xq)
        i++;
    i--;
    while (i >= 0 && maxEnd(e[i]) >= xq && crossingAt(e[i], f) > x)
        i--;
    return i >= 0 ? edgeStyle(e[i]) : 0;
}

int32_t Vpolyn::getRgb(int32_t x, int32_t y)
{
    int32_t style = getXy2(x, y);
    return style < m_colors.length ? m_colors[style] : 0;
}

// ---- drawing ----

namespace {

// Sums the colours that cover parts of one target pixel.
struct PixelMix {
    int64_t r = 0, g = 0, b = 0;
    int32_t weight = 0; // 32768 = the whole pixel
    void add(int32_t colour, int32_t w)
    {
        r += static_cast<int64_t>((colour >> 16) & 255) * w;
        g += static_cast<int64_t>((colour >> 8) & 255) * w;
        b += static_cast<int64_t>(colour & 255) * w;
        weight += w;
    }
    int32_t result() const
    {
        int32_t w = std::max(weight, 1);
        return static_cast<int32_t>(0xFF000000u | static_cast<uint32_t>((r / w) << 16 | (g / w) << 8 | (b / w)));
    }
};

} // namespace

void Vpolyn::draw(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
                  int32_t x1, int32_t y1)
{
    int32_t rows = m_rowStart.length - 1;
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width);
    y1 = std::min(y1, height);
    if (rows > 0 && m_drawScale > 0 && pixels.length >= width * height && x0 < x1) {
        // Polygon units per target pixel, 17.15.
        int64_t step = (INT64_C(1) << 30) / m_drawScale;
        for (int32_t y = y0; y < y1; y++) {
            int64_t v = (y - m_y0) * step + step / 2;
            if (v < 0 || v >= m_heightFix)
                continue;
            int32_t row = static_cast<int32_t>(v >> 15), f = static_cast<int32_t>(v & 32767);
            int32_t* out = pixels.a + y * width;
            // Runs between crossings, in target pixels (17.15) from the left
            // edge of the sprite; each pixel mixes what covers it.
            int64_t left = static_cast<int64_t>(m_x0) << 15;
            int32_t style = 0;
            int64_t runStart = left;
            PixelMix mix;
            int32_t mixPixel = x0;
            auto paint = [&](int64_t a, int64_t b, int32_t colour) {
                a = std::max<int64_t>(a, static_cast<int64_t>(x0) << 15);
                b = std::min<int64_t>(b, static_cast<int64_t>(x1) << 15);
                while (a < b) {
                    int32_t px = static_cast<int32_t>(a >> 15);
                    int64_t pixelEnd = (static_cast<int64_t>(px) + 1) << 15;
                    int64_t stop = std::min(b, pixelEnd);
                    if (px != mixPixel) {
                        if (mix.weight > 0)
                            out[mixPixel] = mix.result();
                        mix = PixelMix();
                        mixPixel = px;
                    }
                    mix.add(colour != 0 ? colour : out[px], static_cast<int32_t>(stop - a));
                    a = stop;
                }
            };
            for (int32_t i = m_rowStart[row], end = rowEnd(row); i < end; i++) {
                int64_t at = left + (static_cast<int64_t>(crossingAt(m_edges[i], f)) << 15) / step;
                int32_t colour = style < m_colors.length ? m_colors[style] : 0;
                paint(runStart, at, colour);
                runStart = at;
                style = edgeStyle(m_edges[i]);
            }
            int64_t right = left + (static_cast<int64_t>(m_widthFix) << 15) / step;
            paint(runStart, right, style < m_colors.length ? m_colors[style] : 0);
            if (mix.weight > 0)
                out[mixPixel] = mix.result();
        }
    }
    if (m_child)
        drawChildren(pixels, width, height, x0, y0, x1, y1);
}
