#include "scene/Vpicture.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "scene/CoverMap.h"
#include "scene/PictureRowAvx2.h"

namespace {

constexpr int32_t kPalSize = 106;

// A 15-bit colour (red in bits 10-14) as 0x00RRGGBB, each component << 3.
uint32_t expand15(int32_t v)
{
    uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
    return (r << 19) | (g << 11) | (b << 3);
}

// The colour of a partly transparent pixel, weighted by its level A.
uint32_t scaleByLevel(uint32_t v, int32_t level)
{
    if (level == 1)
        return (v >> 3) & 0x1F1F1F;
    if (level <= 2)
        return (v >> 2) & 0x3F3F3F;
    if (level <= 4)
        return (v >> 1) & 0x7F7F7F;
    return ((v >> 1) & 0x7F7F7F) + ((v >> 2) & 0x3F3F3F);
}

// Smallest k >= 0 with a + k * step >= 0 (step > 0).
int64_t stepsToReach(int64_t a, int64_t step)
{
    return a >= 0 ? 0 : (-a + step - 1) / step;
}

// One decoding of a run-length stream into a picture's pixel words. Codes:
// below 128 a two-byte 15-bit colour of an opaque pixel, 150 and up a cached
// colour (the cache holds the last kPalSize two-byte colours); 134 .. 149 a
// transparent run (134 with a length byte that also sets the level); 128 ..
// 133 set the level of the partly transparent pixel whose colour follows.
class RleDecoder {
public:
    RleDecoder(const uint8_t* in, int32_t pos, int32_t end, uint32_t* px, int32_t n)
        : m_in(in), m_pos(pos), m_end(end), m_px(px), m_n(n)
    {
    }

    // Decodes up to the end of the stream or of the picture; false when the
    // stream holds more pixels than the picture.
    bool decode()
    {
        while (m_pos < m_end && !m_overrun && element()) {
        }
        closeRun();
        return !m_overrun;
    }

private:
    // An opaque pixel, or transparent runs and the partly transparent pixel
    // after them; false when the stream or the picture ends inside it.
    bool element()
    {
        int32_t code = m_in[m_pos++];
        uint32_t v = 0;
        if (code < 128 || code >= 150)
            return colour(code, v) && put(0xF0000000u | v);
        closeRun();
        if (code >= 134 && !transparentRuns(code))
            return false;
        if (code >= 128 && code <= 133) {
            m_level = code - 127;
            if (m_pos >= m_end)
                return false;
            code = m_in[m_pos++];
        }
        if (!colour(code, v) || !put((static_cast<uint32_t>(m_level) << 28) | scaleByLevel(v, m_level)))
            return false;
        m_runStart = m_i;
        return true;
    }

    // The transparent runs from code (134 .. 149) on; code becomes the first
    // code after them. False when the stream or the picture ends in them.
    bool transparentRuns(int32_t& code)
    {
        while (code >= 134 && code < 150) {
            int32_t t = code - 134;
            if (code == 134) {
                if (m_pos >= m_end)
                    return false; // the closing 134
                int32_t e = m_in[m_pos++];
                t = (e >> 3) + 16;
                m_level = e & 15;
            }
            for (int32_t j = 0; j < t; j++)
                if (!put(static_cast<uint32_t>(std::min(t - 1 - j, 15)) << 24))
                    break;
            m_runStart = m_i; // transparent pixels belong to no opaque run
            if (m_overrun || m_pos >= m_end)
                return false;
            code = m_in[m_pos++];
        }
        return true;
    }

    // Gives the pending opaque run its run counts: 0xFF for all but the last
    // 15, which count down 0xFE .. 0xF0 to its end.
    void closeRun()
    {
        for (int32_t k = m_runStart; k < m_i; k++) {
            uint32_t rem = static_cast<uint32_t>(std::min(m_i - 1 - k, 15));
            uint32_t top = rem == 15 ? 0xFFu : (0xF0u | rem);
            m_px[k] = (m_px[k] & 0xFFFFFF) | (top << 24);
        }
        m_runStart = m_i;
    }

    // The colour that starts with byte b: cached (150 and up) or two bytes,
    // which also go into the cache. False when the stream ends inside it.
    bool colour(int32_t b, uint32_t& v)
    {
        if (b >= 150) {
            v = m_pal[b - 150];
            return true;
        }
        if (m_pos >= m_end)
            return false;
        v = expand15(b * 256 + m_in[m_pos++]);
        m_pal[m_next] = v;
        m_next = m_next + 1 == kPalSize ? 0 : m_next + 1;
        return true;
    }

    bool put(uint32_t word)
    {
        if (m_i >= m_n) {
            m_overrun = true;
            return false;
        }
        m_px[m_i++] = word;
        return true;
    }

    const uint8_t* m_in = nullptr;
    int32_t m_pos = 0, m_end = 0;
    uint32_t* m_px = nullptr;
    int32_t m_n = 0;
    uint32_t m_pal[kPalSize] = {};
    int32_t m_next = 0;     // the cache entry the next two-byte colour goes to
    int32_t m_i = 0;        // the next pixel
    int32_t m_runStart = 0; // first pixel of the pending opaque run
    int32_t m_level = 0;    // of the partly transparent pixels
    bool m_overrun = false;
};

// A buffer of width x height words and the clip inside it.
struct Target {
    uint32_t* buf = nullptr;
    int32_t width = 0, height = 0;
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// The opaque picture src (w x h) at its own size and full opacity, its
// top-left corner on the next whole pixel from (sx, sy): copied row by row.
void copyOpaque(const uint32_t* src, int32_t w, int32_t h, const Target& t, int32_t sx, int32_t sy)
{
    int64_t px = (static_cast<int64_t>(sx) + 32767) >> 15;
    int64_t py = (static_cast<int64_t>(sy) + 32767) >> 15;
    int64_t cx0 = std::max<int64_t>({t.x0, 0, px}), cx1 = std::min<int64_t>({t.x1, t.width, px + w});
    int64_t cy0 = std::max<int64_t>({t.y0, 0, py}), cy1 = std::min<int64_t>({t.y1, t.height, py + h});
    if (cx0 >= cx1 || cy0 >= cy1)
        return;
    std::size_t bytes = static_cast<std::size_t>(cx1 - cx0) * 4;
    for (int64_t y = cy0; y < cy1; y++)
        std::memcpy(t.buf + y * t.width + cx0, src + (y - py) * w + (cx0 - px), bytes);
}

// How a scaled or blended drawing samples the picture: each destination
// pixel further on moves step source units (15 fraction bits) on.
struct Sampling {
    const uint32_t* src = nullptr;
    int32_t w = 0;
    int64_t step = 0;
    int64_t uEnd = 0, vEnd = 0; // the picture's size in source units
    int32_t scale = 0;
    uint32_t z = 0; // depth 0..255, drawn where the buffer's is not nearer
    int32_t alpha = 0;
    int32_t h = 0;
    bool smooth = false;
    bool vector = false; // full-opacity rows eight pixels at a time
    const int32_t* spans = nullptr; // Vpicture::m_spans, or null
};

std::atomic<bool> vectorRows{true};

// The picture pixel p (a sixteenths opaque, a > 0) laid over buffer pixels,
// worked out once for the run of buffer pixels that sample it (a picture
// drawn larger gives each source pixel several). Faded: at opacity alpha
// below one, the buffer keeping what the pixel's own opacity leaves, scaled
// by alpha. Else the colour is premultiplied and only the buffer is
// weighted. A pixel that covers at least half of what is behind it takes
// the picture's depth, so that a model behind it is hidden and one in front
// covers it; a fainter one (a soft edge, a thing fading out of the way)
// keeps the depth behind it, so that a model there is drawn whole over it.
// Pictures without a depth (z 0) always write theirs.
template <bool Faded>
struct Layer {
    Layer(uint32_t p, uint32_t a, int32_t alpha, uint32_t top)
        : colour(p & 0xFFFFFF), keep(16 - a), opaque(a == 15)
    {
        bool covers = a >= 8;
        if constexpr (Faded) {
            keep = static_cast<uint32_t>(32768 - ((alpha + alpha * static_cast<int32_t>(a)) >> 4));
            covers = keep <= 16384;
            red = static_cast<int32_t>((p >> 16) & 0xFF) * alpha;
            green = static_cast<int32_t>((p >> 8) & 0xFF) * alpha;
            blue = static_cast<int32_t>(p & 0xFF) * alpha;
        }
        if (covers || top == 0) {
            zTop = top;
            depthKept = 0;
        }
    }
    // fade (Faded) or over for the buffer pixel d.
    uint32_t operator()(uint32_t d) const
    {
        const uint32_t depth = zTop | (d & depthKept);
        if constexpr (Faded) {
            const int32_t f = static_cast<int32_t>(keep);
            const int32_t r = (f * static_cast<int32_t>((d >> 16) & 0xFF) + red) >> 15;
            const int32_t g = (f * static_cast<int32_t>((d >> 8) & 0xFF) + green) >> 15;
            const int32_t b = (f * static_cast<int32_t>(d & 0xFF) + blue) >> 15;
            return depth | static_cast<uint32_t>((r << 16) | (g << 8) | b);
        }
        if (opaque)
            return zTop | colour;
        const uint32_t rb = (((d & 0xFF00FF) * keep) >> 4) & 0xFF00FF;
        const uint32_t g = (((d & 0xFF00) * keep) >> 4) & 0xFF00;
        return depth | (((rb | g) + colour) & 0xFFFFFF);
    }
    uint32_t zTop = 0, depthKept = 0xFF000000u;
    uint32_t colour, keep;
    bool opaque;
    int32_t red = 0, green = 0, blue = 0;
};

// Destination pixels [x, xEnd) of row dst, sampling source row v from u on;
// Faded: at the sampling's opacity, which is below one.
template <bool Faded>
void sampleRow(const Sampling& s, uint32_t* dst, int64_t v, int32_t x, int32_t xEnd, int64_t u)
{
    KV_CHECK(v >= 0 && v < s.vEnd, "Vpicture::draw");
    // Locals: a store into dst could otherwise be taken to change them.
    const uint32_t* row = s.src + (v >> 15) * s.w;
    const int64_t step = s.step, scale = s.scale;
    const uint32_t z = s.z, zTop = z << 24;
    const int32_t alpha = s.alpha;
#if KORVATH_X86_VECTORS
    if constexpr (!Faded) {
        if (s.vector)
            x = PictureRowAvx2::over(row, s.w, dst, x, xEnd, u, step, scale, z);
    }
#endif
    while (x < xEnd) {
        KV_CHECK(u >= 0 && u < s.uEnd, "Vpicture::draw");
        const int64_t texel = u >> 15;
        const uint32_t p = row[texel];
        const uint32_t a = p >> 28;
        if (a == 0) {
            // A transparent pixel tells how many more follow: skip the
            // destination pixels that would sample them in one go.
            int64_t skip = ((scale * (p >> 24)) >> 15) + 1;
            x += static_cast<int32_t>(std::min<int64_t>(skip, xEnd - x));
            u += skip * step;
            continue;
        }
        if (!Faded && a == 15) {
            // Most pixels of a thing: no blend, only the depth test.
            const uint32_t top = zTop | (p & 0xFFFFFF);
            do {
                if (z <= (dst[x] >> 24))
                    dst[x] = top;
                x++;
                u += step;
            } while (x < xEnd && (u >> 15) == texel);
            continue;
        }
        const Layer<Faded> layer(p, a, alpha, zTop);
        do {
            const uint32_t d = dst[x];
            if (z <= (d >> 24))
                dst[x] = layer(d);
            x++;
            u += step;
        } while (x < xEnd && (u >> 15) == texel);
    }
}

// a + (b - a) * f / 256 for each byte lane of two words (f 0..256), the
// alpha nibble and the three channels alike.
inline uint32_t lerpWords(uint32_t a, uint32_t b, uint32_t f)
{
    const uint32_t alphaA = a >> 28, alphaB = b >> 28;
    const uint32_t alpha = (alphaA * 256 + (alphaB - alphaA) * f) >> 4; // 16ths of 16ths, 0..255
    const uint32_t rb = ((a & 0xFF00FF) * (256 - f) + (b & 0xFF00FF) * f) >> 8 & 0xFF00FF;
    const uint32_t g = ((a & 0xFF00) * (256 - f) + (b & 0xFF00) * f) >> 8 & 0xFF00;
    return alpha << 24 | rb | g;
}

// The mean of pixels i0 and i1 of rows top and bottom, weighted by the
// fractions fx across and fy down (0..255): alpha in bits 28-31, no run.
// Across the row, then down: the alpha comes back in 256ths and is rounded
// to the 16ths a pixel has.
inline uint32_t filtered(const uint32_t* top, const uint32_t* bottom, int32_t i0, int32_t i1, uint32_t fx, uint32_t fy)
{
    const uint32_t upper = lerpWords(top[i0], top[i1], fx), lower = lerpWords(bottom[i0], bottom[i1], fx);
    const uint32_t au = upper >> 24, al = lower >> 24;
    const uint32_t a = (au * 256 + (al - au) * fy + 2048) >> 12;
    const uint32_t rb = ((upper & 0xFF00FF) * (256 - fy) + (lower & 0xFF00FF) * fy) >> 8 & 0xFF00FF;
    const uint32_t g = ((upper & 0xFF00) * (256 - fy) + (lower & 0xFF00) * fy) >> 8 & 0xFF00;
    return a == 0 ? 0 : a << 28 | rb | g;
}

// Destination pixels [x, xEnd) of row dst, each the mean of the four
// source pixels around its sampling point weighted by nearness: a picture
// drawn larger than its size shows soft edges instead of blocks. The
// colours are premultiplied, so transparent neighbours blend right.
template <bool Faded>
void smoothRow(const Sampling& s, uint32_t* dst, int64_t v, int32_t x, int32_t xEnd, int64_t u)
{
    KV_CHECK(v >= 0 && v < s.vEnd, "Vpicture::draw");
    const int32_t y0 = static_cast<int32_t>(v >> 15), y1 = std::min(y0 + 1, s.h - 1);
    const uint32_t* top = s.src + y0 * s.w;
    const uint32_t* bottom = s.src + y1 * s.w;
    const uint32_t fy = static_cast<uint32_t>(v >> 7) & 255;
    const int64_t step = s.step;
    const uint32_t z = s.z, zTop = z << 24;
    const int32_t alpha = s.alpha, last = s.w - 1;
    for (; x < xEnd; x++, u += step) {
        KV_CHECK(u >= 0 && u < s.uEnd, "Vpicture::draw");
        const int32_t i0 = static_cast<int32_t>(u >> 15), i1 = std::min(i0 + 1, last);
        const uint32_t fx = static_cast<uint32_t>(u >> 7) & 255;
        const uint32_t p = filtered(top, bottom, i0, i1, fx, fy), a = p >> 28;
        if (a == 0)
            continue;
        const uint32_t d = dst[x];
        if (z <= (d >> 24))
            dst[x] = Layer<Faded>(p, a, alpha, zTop)(d);
    }
}

// Where a scaled or blended drawing lands: the target's columns [x0, x1)
// and rows [y0, y1) that sample the picture, and the source coordinates of
// the first of them.
struct Placement {
    int64_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    int64_t uStart = 0, vStart = 0;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
    int64_t v(int64_t y, int64_t step) const { return vStart + (y - y0) * step; }
    // The columns of the span whose samples fall in source columns
    // [first, end) (15 fraction bits), at most [x0, x1).
    void columns(int64_t first, int64_t end, int64_t step, int64_t& from, int64_t& to) const
    {
        from = std::max(x0, x0 + stepsToReach(uStart - first, step));
        to = std::min(x1, x0 + stepsToReach(uStart - end, step));
    }
};

Placement place(const Sampling& s, const Target& t, int32_t sx, int32_t sy)
{
    // Source coordinates of the clip's first column and row.
    const int64_t u0 = (((static_cast<int64_t>(t.x0) << 15) - sx) * s.step) >> 15;
    const int64_t v0 = (((static_cast<int64_t>(t.y0) << 15) - sy) * s.step) >> 15;
    // Restrict the clip to the buffer and to the columns and rows that sample the picture.
    Placement p;
    p.x0 = std::max<int64_t>({t.x0, 0, t.x0 + stepsToReach(u0, s.step)});
    p.x1 = std::min<int64_t>({t.x1, t.width, t.x0 + stepsToReach(u0 - s.uEnd, s.step)});
    p.y0 = std::max<int64_t>({t.y0, 0, t.y0 + stepsToReach(v0, s.step)});
    p.y1 = std::min<int64_t>({t.y1, t.height, t.y0 + stepsToReach(v0 - s.vEnd, s.step)});
    p.uStart = u0 + (p.x0 - t.x0) * s.step;
    p.vStart = v0 + (p.y0 - t.y0) * s.step;
    return p;
}

// Pictures of the world (they have a depth) drawn larger than their size
// are filtered.
bool filteredDrawing(const Sampling& s)
{
    return s.smooth && s.scale > 32768 && s.z > 0;
}

// The picture at any scale and opacity, its top-left corner at (sx, sy);
// with a cover map, the groups of pixels it says a nearer picture hides are
// passed by.
void drawSampled(const Sampling& s, const Target& t, int32_t sx, int32_t sy, const CoverMap* cover)
{
    const Placement p = place(s, t, sx, sy);
    if (p.empty())
        return;
    // The opacity and the filter are the same for every pixel: the choice is
    // made once.
    const bool smooth = filteredDrawing(s);
    const auto row = smooth ? (s.alpha != 32768 ? smoothRow<true> : smoothRow<false>)
                            : (s.alpha != 32768 ? sampleRow<true> : sampleRow<false>);
    // Drawn nearest, a row only needs the columns that sample its span.
    const int32_t* spans = smooth ? nullptr : s.spans;
    for (int64_t y = p.y0; y < p.y1; y++) {
        const int64_t v = p.v(y, s.step);
        int64_t x0 = p.x0, x1 = p.x1;
        if (spans) {
            const int64_t r = v >> 15;
            p.columns(static_cast<int64_t>(spans[2 * r]) << 15, static_cast<int64_t>(spans[2 * r + 1]) << 15, s.step,
                      x0, x1);
            if (x0 >= x1)
                continue;
        }
        uint32_t* dst = t.buf + y * t.width;
        if (!cover) {
            row(s, dst, v, static_cast<int32_t>(x0), static_cast<int32_t>(x1), p.uStart + (x0 - p.x0) * s.step);
            continue;
        }
        // The runs of pixels between the hidden groups.
        const uint8_t* hidden = cover->row(static_cast<int32_t>(y));
        for (int64_t x = x0; x < x1;) {
            if (hidden[x >> CoverMap::kShift] < s.z) {
                x = ((x >> CoverMap::kShift) + 1) << CoverMap::kShift;
                continue;
            }
            int64_t end = x;
            while (end < x1 && hidden[end >> CoverMap::kShift] >= s.z)
                end = ((end >> CoverMap::kShift) + 1) << CoverMap::kShift;
            end = std::min(end, x1);
            row(s, dst, v, static_cast<int32_t>(x), static_cast<int32_t>(end), p.uStart + (x - p.x0) * s.step);
            x = end;
        }
    }
}

// Marks in cover the groups of pixels the drawing would cover with fully
// opaque pixels: on each row, those sampling the picture row's core (its
// longest run of opaque pixels; filtered, the core of both rows it mixes,
// less its last column, whose mix reaches past it).
void markSampled(const Sampling& s, const Target& t, int32_t sx, int32_t sy, const int32_t* cores, CoverMap& cover)
{
    const Placement p = place(s, t, sx, sy);
    const bool smooth = filteredDrawing(s);
    for (int64_t y = p.y0; y < p.y1 && !p.empty(); y++) {
        const int64_t r = p.v(y, s.step) >> 15;
        int64_t first = cores[2 * r], end = cores[2 * r + 1];
        if (smooth) {
            const int64_t below = std::min<int64_t>(r + 1, s.h - 1);
            first = std::max<int64_t>(first, cores[2 * below]);
            end = std::min<int64_t>(end, cores[2 * below + 1]) - 1;
        }
        if (first >= end)
            continue;
        int64_t x0 = 0, x1 = 0;
        p.columns(first << 15, end << 15, s.step, x0, x1);
        cover.cover(static_cast<int32_t>(y), static_cast<int32_t>(x0), static_cast<int32_t>(x1),
                    static_cast<uint8_t>(s.z));
    }
}

// Where and how one drawing of a picture goes: the clip and the arguments
// of Vpicture::draw.
struct Clip {
    int32_t x0, y0, x1, y1, sx, sy, scale, z, alpha;
};

// How picture is sampled at the scale, depth and opacity given (alpha
// already within 0..32768); false when it cannot be drawn.
bool sampling(const Vpicture& picture, int32_t scale, int32_t z, int32_t alpha, Sampling& s)
{
    const int32_t w = picture.m_width, h = picture.m_height;
    if (scale <= 0 || w <= 0 || h <= 0 || picture.m_pixels.length < w * h)
        return false;
    s.src = reinterpret_cast<const uint32_t*>(picture.m_pixels.a);
    s.w = w;
    s.step = scale != 32768 ? 0x40000000 / scale : 32768;
    s.uEnd = static_cast<int64_t>(w) << 15;
    s.vEnd = static_cast<int64_t>(h) << 15;
    s.scale = scale;
    s.z = static_cast<uint32_t>(std::clamp(z, 0, 255));
    s.alpha = alpha;
    s.h = h;
    s.smooth = picture.m_smooth;
#if KORVATH_X86_VECTORS
    s.vector = vectorRows.load(std::memory_order_relaxed) && PictureRowAvx2::available();
#else
    s.vector = false;
#endif
    s.spans = picture.m_spans.length == 2 * h ? picture.m_spans.a : nullptr;
    return true;
}

// An opaque picture at its size and full opacity is copied whole, with no
// depth test.
bool copiedWhole(const Vpicture& picture, int32_t scale, int32_t alpha)
{
    return scale == 32768 && alpha == 32768 && picture.m_opaque;
}

bool drawPicture(const Vpicture& picture, const Array<int32_t>& pixels, int32_t width, int32_t height, Clip c,
                 const CoverMap* cover)
{
    if (c.scale == 0)
        return true;
    if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > pixels.length)
        return false;
    const int32_t alpha = std::clamp(c.alpha, 0, 32768);
    Sampling s;
    if (!sampling(picture, c.scale, c.z, alpha, s))
        return false;
    const Target t{reinterpret_cast<uint32_t*>(pixels.a), width, height, c.x0, c.y0, c.x1, c.y1};
    if (copiedWhole(picture, c.scale, alpha)) {
        copyOpaque(s.src, s.w, s.h, t, c.sx, c.sy);
        return true;
    }
    drawSampled(s, t, c.sx, c.sy, cover);
    return true;
}

} // namespace

ref<Vpicture> Vpicture::enlarged(int32_t factor) const
{
    ref<Vpicture> big = new Vpicture;
    return enlargeInto(*big, factor) ? big : nullptr;
}

bool Vpicture::enlargeInto(Vpicture& into, int32_t factor) const
{
    const int32_t w = m_width, h = m_height;
    if (factor < 1 || w <= 0 || h <= 0 || m_pixels.length < w * h || w * factor > 32767 || h * factor > 32767 ||
        &into == this)
        return false;
    Vpicture* big = &into;
    big->m_opaque = m_opaque;
    big->m_smooth = false;
    big->m_type = m_type;
    big->m_width = static_cast<int16_t>(w * factor);
    big->m_height = static_cast<int16_t>(h * factor);
    big->m_cx = static_cast<int16_t>(m_cx * factor);
    big->m_cy = static_cast<int16_t>(m_cy * factor);
    const int32_t bw = big->m_width, bh = big->m_height;
    if (big->m_pixels.length != bw * bh)
        big->m_pixels = Array<int32_t>(bw * bh);
    const uint32_t* src = reinterpret_cast<const uint32_t*>(m_pixels.a);
    // Where a big pixel's middle falls on the picture, in 256ths of a pixel,
    // held inside it: its pixel and the fraction toward the next.
    const auto place = [factor](int32_t i, int32_t size, int32_t& at, uint32_t& f) {
        const int32_t p = std::clamp(((2 * i + 1) * 128) / factor - 128, 0, (size - 1) * 256);
        at = p >> 8;
        f = static_cast<uint32_t>(p & 255);
    };
    for (int32_t y = 0; y < bh; y++) {
        int32_t y0 = 0;
        uint32_t fy = 0;
        place(y, h, y0, fy);
        const uint32_t* top = src + y0 * w;
        const uint32_t* bottom = src + std::min(y0 + 1, h - 1) * w;
        uint32_t* row = reinterpret_cast<uint32_t*>(big->m_pixels.a) + y * bw;
        for (int32_t x = 0; x < bw; x++) {
            int32_t x0 = 0;
            uint32_t fx = 0;
            place(x, w, x0, fx);
            row[x] = filtered(top, bottom, x0, std::min(x0 + 1, w - 1), fx, fy);
        }
        // Each transparent pixel tells how many more follow (up to 15), as
        // the decoder's do; an opaque one stands alone.
        for (int32_t x = bw - 1, clear = -1; x >= 0; x--) {
            if (row[x] >> 28 != 0) {
                clear = -1;
                continue;
            }
            clear = std::min(clear + 1, 15);
            row[x] = static_cast<uint32_t>(clear) << 24;
        }
    }
    big->findSpans();
    return true;
}

void Vpicture::drawRle(const Array<int8_t>& data, int32_t start, int32_t end)
{
    RleDecoder rle(reinterpret_cast<const uint8_t*>(data.a), std::max(start, 0), std::min(end, data.length),
                   reinterpret_cast<uint32_t*>(m_pixels.a), m_pixels.length);
    if (!rle.decode())
        std::fprintf(stderr, "Vpicture: run-length data longer than the %d x %d picture\n", m_width, m_height);
    findSpans();
}

void Vpicture::setVectorRows(bool on)
{
    vectorRows.store(on, std::memory_order_relaxed);
}

void Vpicture::findSpans()
{
    const int32_t w = m_width, h = m_height;
    if (w <= 0 || h <= 0 || m_pixels.length < w * h) {
        m_spans = m_cores = Array<int32_t>();
        return;
    }
    // A picture filled again at its size keeps its arrays.
    if (m_spans.length != 2 * h)
        m_spans = Array<int32_t>(2 * h);
    if (m_cores.length != 2 * h)
        m_cores = Array<int32_t>(2 * h);
    for (int32_t y = 0; y < h; y++) {
        const int32_t* row = m_pixels.a + y * w;
        int32_t first = 0, end = w;
        while (first < w && static_cast<uint32_t>(row[first]) >> 28 == 0)
            first++;
        while (end > first && static_cast<uint32_t>(row[end - 1]) >> 28 == 0)
            end--;
        m_spans.a[2 * y] = first;
        m_spans.a[2 * y + 1] = end;
        int32_t coreFirst = 0, coreEnd = 0;
        for (int32_t x = first; x < end;) {
            if (static_cast<uint32_t>(row[x]) >> 28 != 15) {
                x++;
                continue;
            }
            const int32_t start = x;
            while (x < end && static_cast<uint32_t>(row[x]) >> 28 == 15)
                x++;
            if (x - start > coreEnd - coreFirst) {
                coreFirst = start;
                coreEnd = x;
            }
        }
        m_cores.a[2 * y] = coreFirst;
        m_cores.a[2 * y + 1] = coreEnd;
    }
}

bool Vpicture::draw(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                    int32_t y0, int32_t x1, int32_t y1, int32_t sx, int32_t sy, int32_t scale,
                    int32_t z, int32_t alpha)
{
    return drawPicture(*this, pixels, width, height, Clip{x0, y0, x1, y1, sx, sy, scale, z, alpha}, nullptr);
}

bool Vpicture::drawCovered(const CoverMap& cover, const Array<int32_t>& pixels, int32_t width, int32_t height,
                           int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t sx, int32_t sy, int32_t scale,
                           int32_t z, int32_t alpha) const
{
    const bool fits = cover.width() == width && cover.height() == height;
    return drawPicture(*this, pixels, width, height, Clip{x0, y0, x1, y1, sx, sy, scale, z, alpha},
                       fits ? &cover : nullptr);
}

void Vpicture::markCover(CoverMap& cover, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t sx, int32_t sy,
                         int32_t scale, int32_t z, int32_t alpha) const
{
    const int32_t h = m_height;
    Sampling s;
    // Only a drawing at full opacity, with the depth test, hides for certain.
    if (alpha < 32768 || m_cores.length != 2 * h || !sampling(*this, scale, z, alpha, s) ||
        copiedWhole(*this, scale, alpha))
        return;
    const Target t{nullptr, cover.width(), cover.height(), x0, y0, x1, y1};
    markSampled(s, t, sx, sy, m_cores.a, cover);
}
