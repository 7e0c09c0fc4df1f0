// The triangle rasterizer of V3dView: drawModel and its inner steps.
//
// There is no sorting and no near-plane clipping. Faces are filled with a
// per-pixel depth test whose high bits are the top byte of each paint-buffer
// word and whose low 15 bits live in m_zbuf. Texturing and shading are
// affine per triangle; large triangles are split in eye space until each
// piece spans less than 65 pixels, which keeps the affine error small and
// throws away the pieces that stay too near the eye.
#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "math/Vmat.h"
#include "render3d/V3dMaterial.h"
#include "render3d/V3dModel.h"
#include "render3d/V3dTexture.h"
#include "render3d/V3dView.h"

namespace {

// Whole pixel at or after a fixed coordinate.
inline int32_t ceilPx(int32_t v) { return (v + 0x7FFF) >> 15; }

// The change per row of values along an edge of height dy > 0 (fixed):
// 2^30 / dy for an edge under a pixel high, 2^45 / dy (30 fraction bits)
// for a taller one, found once and applied to each value.
class EdgeSlope {
public:
    explicit EdgeSlope(int32_t dy)
        : m_short(dy < 32768), m_inverse(m_short ? (1 << 30) / dy : (INT64_C(1) << 45) / dy)
    {
    }
    int32_t operator()(int32_t d) const
    {
        return m_short ? V::fmul(d, static_cast<int32_t>(m_inverse)) : static_cast<int32_t>((m_inverse * d) >> 30);
    }

private:
    bool m_short = false;
    int64_t m_inverse = 0;
};

inline int32_t step(int32_t start, int32_t slope, int32_t by)
{
    return start + static_cast<int32_t>((static_cast<int64_t>(slope) * by) >> 15);
}

// Depth, texture coordinates and shade at a pixel, or their steps per pixel.
struct Span {
    int32_t z = 0, u = 0, v = 0, shade = 0;
};

// The factor of a shade: a channel ch lit by shade s (-2^23 .. 0) is
// ch + ((ch * s) >> 23), which is (ch * (s + 2^23)) >> 23 exactly (ch * 2^23
// is a whole multiple of the divisor), one multiply and one shift. Clamped:
// interpolation may overshoot the shade range a little, and past it a
// channel would spill into its neighbour or the depth code. A hazed face
// has a lower ceiling, which leaves room in each channel for the haze.
inline int32_t brightness(int32_t shade, int32_t ceiling = 0)
{
    return std::clamp(shade, -(1 << 23), ceiling) + (1 << 23);
}

// A shade with keep/32768 of its light: affine in the shade, so the corners
// dimmed and interpolated dim every pixel alike; its factor stays a multiple
// of 256, as a flat face's must be.
inline int32_t dimmed(int32_t shade, int32_t keep)
{
    return ((((brightness(shade) >> 8) * keep) >> 15) << 8) - (1 << 23);
}

inline int32_t lit(int32_t texel, int32_t bright)
{
    // Each product stays below 2^31: 255 * 2^23.
    int32_t red = (((texel >> 16) & 0xFF) * bright) >> 23;
    int32_t green = (((texel >> 8) & 0xFF) * bright) >> 23;
    int32_t blue = ((texel & 0xFF) * bright) >> 23;
    return red << 16 | green << 8 | blue;
}

// What the pixels of one triangle are painted with besides their depth.
// Tex: a texture, else one colour; Flat: one shade over the whole triangle
// (its corners are lit alike, the common case of a flat face) whose factor
// is a multiple of 256 (as the shades of mesh slots are), else the shade
// interpolated per pixel. The haze is added to every pixel lit.
struct Paint {
    const int32_t* tex = nullptr; // texel (u, v) is tex[((u >> ts) & tm) + ((((~v) >> ts) & tm) << tk)]
    int32_t ts = 0, tm = 0, tk = 0;
    int32_t texel = 0;   // the colour of a face without texture
    int32_t bright = 0;  // the factor of a flat face
    int32_t shaded = 0;  // texel lit by bright, with the haze
    int32_t ceiling = 0; // of an interpolated shade
    int32_t haze = 0;
};

// One pixel: the depth test against the top byte over the low 15 bits kept
// in the depth buffer, then the texel lit. Values that a kind of paint does
// not use are not followed and not read.
template <bool Tex, bool Flat>
[[gnu::always_inline]] inline void pixel(int32_t& p, int16_t& depth, const Span& at, const Paint& k)
{
    int32_t stored = static_cast<int32_t>(static_cast<uint32_t>(p) >> 24) << 15 | static_cast<uint16_t>(depth);
    if (at.z >= stored)
        return;
    depth = static_cast<int16_t>(at.z & 0x7FFF);
    int32_t rgb;
    if constexpr (Tex) {
        // Texture rows run against v: the picture's top is the largest v.
        int32_t texel = k.tex[((at.u >> k.ts) & k.tm) + ((((~at.v) >> k.ts) & k.tm) << k.tk)];
        rgb = lit(texel, Flat ? k.bright : brightness(at.shade, k.ceiling)) + k.haze;
    } else {
        rgb = Flat ? k.shaded : lit(k.texel, brightness(at.shade, k.ceiling)) + k.haze;
    }
    p = rgb | (at.z >> 15) << 24;
}

// at moved on by d, times over: the sums wrap exactly as repeated steps do.
template <bool Tex, bool Flat>
inline void advance(Span& at, const Span& d, int32_t times = 1)
{
    at.z += d.z * times;
    if constexpr (Tex) {
        at.u += d.u * times;
        at.v += d.v * times;
    }
    if constexpr (!Flat)
        at.shade += d.shade * times;
}

#if defined(__SSE2__) && defined(__x86_64__)
#define KV_QUADS 1

// Four neighbouring pixels at once, lane by lane the same integer
// operations as pixel (they wrap alike), so the result is the same bit for
// bit; a lane whose depth test fails writes its pixel back unchanged.
struct Quad {
    __m128i z{}, u{}, v{}, shade{};
};

// Channels x (0..255 in 16-bit lanes) lit by a factor f = hi * 256 + lo
// (hi <= 2^15, lo < 256) in 16-bit arithmetic: with a = x * hi,
// (x * f) >> 23 = (a + ((x * lo) >> 8)) >> 15
//              = (a >> 15) + (((a & 0x7FFF) + ((x * lo) >> 8)) >> 15),
// where a >> 15 is the high half of 2x * hi and every other term fits in
// 16 bits.
inline __m128i litLanes(__m128i x, __m128i hi, __m128i lo)
{
    __m128i whole = _mm_mulhi_epu16(_mm_add_epi16(x, x), hi);
    __m128i part = _mm_and_si128(_mm_mullo_epi16(x, hi), _mm_set1_epi16(0x7FFF));
    __m128i low = _mm_srli_epi16(_mm_mullo_epi16(x, lo), 8);
    return _mm_add_epi16(whole, _mm_srli_epi16(_mm_add_epi16(part, low), 15));
}

// The factor f (0 .. 2^23) of each of four pixels as hi and lo for the four
// channel lanes of the first two pixels and of the last two.
struct Factors {
    explicit Factors(__m128i f)
    {
        __m128i h = _mm_srli_epi32(f, 8), l = _mm_and_si128(f, _mm_set1_epi32(0xFF));
        h = _mm_or_si128(h, _mm_slli_epi32(h, 16));
        l = _mm_or_si128(l, _mm_slli_epi32(l, 16));
        hi01 = _mm_unpacklo_epi32(h, h);
        hi23 = _mm_unpackhi_epi32(h, h);
        lo01 = _mm_unpacklo_epi32(l, l);
        lo23 = _mm_unpackhi_epi32(l, l);
    }
    __m128i hi01{}, hi23{}, lo01{}, lo23{};
};

// A triangle's paint and steps in the form the quads use.
struct QuadPaint {
    QuadPaint() = default;
    // Only what the kind of paint uses is set.
    template <bool Tex, bool Flat>
    static QuadPaint make(const Paint& k, const Span& d)
    {
        QuadPaint q;
        q.ramp.z = steps(d.z);
        q.by4.z = _mm_set1_epi32(d.z * 4);
        q.haze = _mm_set1_epi32(k.haze);
        if constexpr (Tex) {
            q.tex = k.tex;
            q.ts = _mm_cvtsi32_si128(k.ts);
            q.tk = _mm_cvtsi32_si128(k.tk);
            q.tm = _mm_set1_epi32(k.tm);
            q.ramp.u = steps(d.u);
            q.ramp.v = steps(d.v);
            q.by4.u = _mm_set1_epi32(d.u * 4);
            q.by4.v = _mm_set1_epi32(d.v * 4);
        } else {
            q.texel = _mm_set1_epi32(k.texel);
            q.shaded = _mm_set1_epi32(k.shaded);
        }
        if constexpr (Flat) {
            q.flat = _mm_set1_epi16(static_cast<int16_t>(k.bright >> 8));
        } else {
            q.ceiling = _mm_set1_epi32(k.ceiling);
            q.ramp.shade = steps(d.shade);
            q.by4.shade = _mm_set1_epi32(d.shade * 4);
        }
        return q;
    }
    // 0, d, 2d and 3d.
    static __m128i steps(int32_t d)
    {
        const __m128i one = _mm_set1_epi32(d);
        return _mm_add_epi32(_mm_and_si128(one, _mm_setr_epi32(0, -1, 0, -1)),
                             _mm_and_si128(_mm_add_epi32(one, one), _mm_setr_epi32(0, 0, -1, -1)));
    }
    // The values of the four pixels from at on.
    template <bool Tex, bool Flat>
    Quad lanes(const Span& at) const
    {
        Quad q{_mm_add_epi32(_mm_set1_epi32(at.z), ramp.z), {}, {}, {}};
        if constexpr (Tex) {
            q.u = _mm_add_epi32(_mm_set1_epi32(at.u), ramp.u);
            q.v = _mm_add_epi32(_mm_set1_epi32(at.v), ramp.v);
        }
        if constexpr (!Flat)
            q.shade = _mm_add_epi32(_mm_set1_epi32(at.shade), ramp.shade);
        return q;
    }
    template <bool Tex, bool Flat>
    void next(Quad& q) const
    {
        q.z = _mm_add_epi32(q.z, by4.z);
        if constexpr (Tex) {
            q.u = _mm_add_epi32(q.u, by4.u);
            q.v = _mm_add_epi32(q.v, by4.v);
        }
        if constexpr (!Flat)
            q.shade = _mm_add_epi32(q.shade, by4.shade);
    }

    const int32_t* tex = nullptr;
    __m128i ts{}, tk{}, tm{}; // shift counts and mask of the texel lookup
    __m128i texel{}, shaded{};
    __m128i flat{}; // the factor of a flat face over 256, in every 16-bit lane
    __m128i ceiling{}, haze{};
    Quad ramp{}, by4{}; // 0, 1, 2 and 3 steps; 4 steps
};

// The four pixels from p on.
template <bool Tex, bool Flat>
[[gnu::always_inline]] inline void quad(int32_t* p, int16_t* depth, const Quad& at, const QuadPaint& k)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i oldDepth = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(depth));
    const __m128i stored =
        _mm_or_si128(_mm_slli_epi32(_mm_srli_epi32(old, 24), 15), _mm_unpacklo_epi16(oldDepth, zero));
    const __m128i pass = _mm_cmpgt_epi32(stored, at.z);
    const int32_t passed = _mm_movemask_epi8(pass);
    if (passed == 0)
        return;
    __m128i rgb;
    if constexpr (!Tex && Flat) {
        rgb = k.shaded;
    } else {
        __m128i texel = k.texel;
        if constexpr (Tex) {
            __m128i iu = _mm_and_si128(_mm_sra_epi32(at.u, k.ts), k.tm);
            __m128i iv = _mm_and_si128(_mm_sra_epi32(_mm_xor_si128(at.v, _mm_set1_epi32(-1)), k.ts), k.tm);
            __m128i index = _mm_add_epi32(iu, _mm_sll_epi32(iv, k.tk));
            const uint64_t i01 = static_cast<uint64_t>(_mm_cvtsi128_si64(index));
            const uint64_t i23 = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(index, index)));
            texel = _mm_setr_epi32(k.tex[static_cast<uint32_t>(i01)], k.tex[i01 >> 32],
                                   k.tex[static_cast<uint32_t>(i23)], k.tex[i23 >> 32]);
        }
        __m128i c01 = _mm_unpacklo_epi8(texel, zero), c23 = _mm_unpackhi_epi8(texel, zero);
        if constexpr (Flat) {
            // A factor whose low 8 bits are clear: (x * f) >> 23 is the
            // high half of 2x * (f >> 8).
            c01 = _mm_mulhi_epu16(_mm_add_epi16(c01, c01), k.flat);
            c23 = _mm_mulhi_epu16(_mm_add_epi16(c23, c23), k.flat);
        } else {
            // Clamped to -2^23 .. the ceiling, then offset as brightness does.
            const __m128i least = _mm_set1_epi32(-(1 << 23));
            __m128i above = _mm_cmpgt_epi32(at.shade, least);
            __m128i f = _mm_or_si128(_mm_and_si128(above, at.shade), _mm_andnot_si128(above, least));
            const __m128i over = _mm_cmpgt_epi32(f, k.ceiling);
            f = _mm_or_si128(_mm_and_si128(over, k.ceiling), _mm_andnot_si128(over, f));
            const Factors by(_mm_add_epi32(f, _mm_set1_epi32(1 << 23)));
            c01 = litLanes(c01, by.hi01, by.lo01);
            c23 = litLanes(c23, by.hi23, by.lo23);
        }
        rgb = _mm_add_epi32(_mm_and_si128(_mm_packus_epi16(c01, c23), _mm_set1_epi32(0xFFFFFF)), k.haze);
    }
    const __m128i now = _mm_or_si128(rgb, _mm_slli_epi32(_mm_srai_epi32(at.z, 15), 24));
    const __m128i z16 = _mm_packs_epi32(_mm_and_si128(at.z, _mm_set1_epi32(0x7FFF)), zero);
    if (passed == 0xFFFF) {
        // All four nearer, as inside a face: nothing of the old to keep.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), now);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(depth), z16);
        return;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p),
                     _mm_or_si128(_mm_and_si128(pass, now), _mm_andnot_si128(pass, old)));
    const __m128i pass16 = _mm_packs_epi32(pass, zero);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(depth),
                     _mm_or_si128(_mm_and_si128(pass16, z16), _mm_andnot_si128(pass16, oldDepth)));
}
#else
#define KV_QUADS 0
struct QuadPaint {
    template <bool Tex, bool Flat>
    static QuadPaint make(const Paint&, const Span&)
    {
        return {};
    }
};
#endif

// A span of n pixels from at, stepping by d: four pixels at a time while
// four remain, then one at a time. (Doing the last four again, overlapping,
// would give the same pixels but wait on the stores just made.)
template <bool Tex, bool Flat, bool Quads>
[[gnu::always_inline]] inline void span(int32_t* row, int16_t* depth, int32_t n, Span at, const Span& d, const Paint& k,
                                        [[maybe_unused]] const QuadPaint& q)
{
    int32_t x = 0;
#if KV_QUADS
    if (Quads && n >= 4) {
        Quad lanes = q.lanes<Tex, Flat>(at);
        for (; x <= n - 4; x += 4) {
            quad<Tex, Flat>(row + x, depth + x, lanes, q);
            q.next<Tex, Flat>(lanes);
        }
        if (x == n)
            return;
        advance<Tex, Flat>(at, d, x);
    }
#endif
    for (; x < n; x++) {
        pixel<Tex, Flat>(row[x], depth[x], at, k);
        advance<Tex, Flat>(at, d);
    }
}

// The left edge of a small triangle, with the values it carries.
template <bool Tex, bool Flat>
struct LeftEdge {
    // Runs from `from` towards `to`, starting `by` (fixed rows) below from.
    void start(const V3dView::EdgeVertex& from, const V3dView::EdgeVertex& to, int32_t by)
    {
        EdgeSlope slope(to.y - from.y);
        sx = slope(to.x - from.x);
        x = step(from.x, sx, by);
        perRow.z = slope(to.z - from.z);
        at.z = step(from.z, perRow.z, by);
        if constexpr (Tex) {
            perRow.u = slope(to.u - from.u);
            perRow.v = slope(to.v - from.v);
            at.u = step(from.u, perRow.u, by);
            at.v = step(from.v, perRow.v, by);
        }
        if constexpr (!Flat) {
            perRow.shade = slope(to.shade - from.shade);
            at.shade = step(from.shade, perRow.shade, by);
        }
    }
    void next()
    {
        x += sx;
        advance<Tex, Flat>(at, perRow);
    }

    int32_t x = 0;
    Span at;
    int32_t sx = 0;
    Span perRow;
};

// Where a triangle is filled: the paint and depth buffers and the clip.
struct Target {
    int32_t* pixels = nullptr;
    int16_t* depth = nullptr;
    int32_t width = 0, height = 0, x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// Fills the small triangle t, l, r (top, left, right; see subedge) with
// per-pixel steps d from row ys (py fixed rows below t) on. Edge A runs down
// the left side carrying every value the paint needs, edge B only x. The
// rows come in two runs: down to the corner that ends first, then, with
// the edge that ended replaced, down to the other. Quads: whether spans may
// be long enough for four pixels at a time (else the set-up is saved).
template <bool Tex, bool Flat, bool Quads>
void fill(const Target& target, const V3dView::EdgeVertex& t, const V3dView::EdgeVertex& l,
          const V3dView::EdgeVertex& r, int32_t ys, int32_t py, int32_t endL, int32_t endR, const Span& steps,
          const Paint& paint)
{
    // Copies of our own, which the pixel stores cannot change, so that
    // they stay in registers.
    const Target c = target;
    const Span d = steps;
    const Paint k = paint;
    [[maybe_unused]] const QuadPaint q = Quads ? QuadPaint::make<Tex, Flat>(k, d) : QuadPaint();
    LeftEdge<Tex, Flat> a{t.x, {t.z, t.u, t.v, t.shade}, 0, {0, 0, 0, 0}};
    if (ys < endL)
        a.start(t, l, py);
    int32_t sbx = r.y > t.y ? EdgeSlope(r.y - t.y)(r.x - t.x) : 0;
    int32_t bx = step(t.x, sbx, py);
    int32_t end = std::min(endL, endR);
    for (bool second = false;; second = true) {
        for (; ys < end; ys++, a.next(), bx += sbx) {
            int32_t xs = ceilPx(a.x);
            int32_t pxs = (xs << 15) - a.x;
            if (xs < c.x0) {
                pxs += (c.x0 - xs) << 15;
                xs = c.x0;
            }
            const int32_t xf = std::min(ceilPx(bx), c.x1);
            if (xs >= xf)
                continue;
            KV_CHECK(ys >= 0 && ys < c.height && xs >= 0 && xf <= c.width, "V3dView::subedge");
            Span at{a.at.z + V::fmul(pxs, d.z), 0, 0, 0};
            if constexpr (Tex) {
                at.u = a.at.u + V::fmul(pxs, d.u);
                at.v = a.at.v + V::fmul(pxs, d.v);
            }
            if constexpr (!Flat)
                at.shade = a.at.shade + V::fmul(pxs, d.shade);
            const int32_t offset = ys * c.width + xs;
            span<Tex, Flat, Quads>(c.pixels + offset, c.depth + offset, xf - xs, at, d, k, q);
        }
        if (second)
            return;
        if (ys < endL) {
            // R came first: edge B goes on from R to L.
            int32_t dy = l.y - r.y;
            if (dy <= 0)
                return;
            sbx = EdgeSlope(dy)(l.x - r.x);
            bx = step(r.x, sbx, (ys << 15) - r.y);
            end = endL;
        } else if (ys < endR) {
            // L came first: edge A goes on from L to R.
            int32_t dy = r.y - l.y;
            if (dy <= 0)
                return;
            a.start(l, r, (ys << 15) - l.y);
            end = endR;
        } else {
            return;
        }
    }
}

// The whole-pixel box of a projected triangle.
struct Box {
    int32_t left = 0, right = 0, top = 0, bottom = 0;
    // No pixel centre column or row inside.
    bool empty() const { return right == left || bottom == top; }
    bool outside(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const
    {
        return right < x0 || left >= x1 || bottom < y0 || top >= y1;
    }
    // Small enough to fill without splitting.
    bool small() const { return right - left < 65 && bottom - top < 65; }
};

inline Box boxOf(int32_t x0, int32_t x1, int32_t x2, int32_t y0, int32_t y1, int32_t y2)
{
    return {ceilPx(std::min({x0, x1, x2})), ceilPx(std::max({x0, x1, x2})), ceilPx(std::min({y0, y1, y2})),
            ceilPx(std::max({y0, y1, y2}))};
}

// Which corner (0, 1 or 2) is the top one: the first in (y, then x) order
// if it comes strictly before both others, trying 0 and then 2; else 1.
inline int32_t topCorner(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    auto before = [](int32_t px, int32_t py, int32_t qx, int32_t qy) { return py < qy || (py == qy && px < qx); };
    if (before(x0, y0, x1, y1) && before(x0, y0, x2, y2))
        return 0;
    if (before(x2, y2, x1, y1) && before(x2, y2, x0, y0))
        return 2;
    return 1;
}

// Subdivision deeper than this only happens for absurd coordinates.
constexpr int32_t kMaxDepth = 24;
constexpr int32_t kUnloadedColor = 0x808080;

} // namespace

void V3dView::bindMaterial(const ref<V3dMaterial>& m)
{
    m_currentMaterial = m;
    V3dTexture* t = m ? m->m_texture.get() : nullptr;
    if (t && t->usable()) {
        m_tex = t->m_pixels.a;
        m_texShift = t->m_shift;
        m_texMask = (1 << t->m_shift) - 1;
        m_texS = std::clamp(24 - t->m_coordShift - t->m_shift, 0, 31);
        return;
    }
    // A plain colour, an unloaded texture or a picture of another shape:
    // one texel that every (u, v) reads.
    m_plain[0] = m && !t ? m->m_color : kUnloadedColor;
    m_tex = m_plain;
    m_texShift = 0;
    m_texMask = 0;
    m_texS = 0;
}

void V3dView::bindHaze(int32_t share, int32_t soot)
{
    share = std::clamp(share, 0, 32768);
    m_hazeKeep = fmul(32768 - share, 32768 - std::clamp(soot, 0, 32768));
    m_hazeAdd = 0;
    for (int32_t shift = 0; shift <= 16; shift += 8)
        m_hazeAdd |= ((((m_hazeColour >> shift) & 0xFF) * share) >> 15) << shift;
}

void V3dView::drawModel(const ref<Vsprite>& s, int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    int32_t pixels = m_width * m_height;
    if (!s || !s->m_model || !s->m_mat || m_pixels.length < pixels || m_zbuf.length < pixels)
        return;
    m_clipX0 = std::max(x0, 0);
    m_clipY0 = std::max(y0, 0);
    m_clipX1 = std::min(x1, m_width);
    m_clipY1 = std::min(y1, m_height);
    if (m_clipX0 >= m_clipX1 || m_clipY0 >= m_clipY1)
        return;
    bindHaze(hazeOf(*s), topOf(*s).m_soot);
    ref<V3dModel> mesh = s->m_model;
    V3dModel& m = *mesh;
    transform(mesh, s->m_mat, 0, m.m_vertices);
    int32_t slots = m.m_vertices + m.m_alias.length;
    if (m.m_vertices <= 0 || m_xe.length < m.m_vertices || m.m_shade.length < slots)
        return;
    int32_t bound = -1;
    for (int32_t j = m.faceCount() - 1; j >= 0; j--) {
        int32_t slot[3] = {m.m_faceA.a[j], m.m_faceB.a[j], m.m_faceC.a[j]};
        if (static_cast<uint32_t>(slot[0]) >= static_cast<uint32_t>(slots) ||
            static_cast<uint32_t>(slot[1]) >= static_cast<uint32_t>(slots) ||
            static_cast<uint32_t>(slot[2]) >= static_cast<uint32_t>(slots))
            continue;
        const int32_t mat = m.m_faceMaterial.a[j];
        const int32_t r[3] = {m.resolve(slot[0]), m.resolve(slot[1]), m.resolve(slot[2])};
        const int32_t *xt = m_xt.a, *yt = m_yt.a, *zt = m_zt.a;
        const bool projected = zt[r[0]] != kNear && zt[r[1]] != kNear && zt[r[2]] != kNear;
        if (projected) {
            // subeye's own first test, made before the corners are gathered:
            // about half the faces of a closed mesh turn away.
            int64_t d = static_cast<int64_t>(xt[r[0]] - xt[r[1]]) * (yt[r[2]] - yt[r[1]]) -
                        static_cast<int64_t>(xt[r[2]] - xt[r[1]]) * (yt[r[0]] - yt[r[1]]);
            if (d >= 0)
                continue;
        }
        if (mat != bound) {
            bound = mat;
            bool inTable = mat >= 0 && mat < m.m_materials.length;
            bindMaterial(inTable ? m.m_materials.a[mat] : ref<V3dMaterial>());
        }
        if (projected) {
            // The rest of subeye's steps for a small triangle, straight from
            // the arrays (most faces are small): no corner is gathered for
            // a face that covers no pixel or lies outside the clip.
            const Box box = boxOf(xt[r[0]], xt[r[1]], xt[r[2]], yt[r[0]], yt[r[1]], yt[r[2]]);
            if (box.empty() || box.outside(m_clipX0, m_clipY0, m_clipX1, m_clipY1))
                continue;
            if (box.small()) {
                auto edge = [&](int32_t c) {
                    const int32_t v = r[c];
                    return EdgeVertex{xt[v], yt[v], m_ze.a[v], m.m_vu.a[v] << 15, m.m_vv.a[v] << 15,
                                      m.m_shade.a[slot[c]] << 8};
                };
                const int32_t top = topCorner(xt[r[0]], yt[r[0]], xt[r[1]], yt[r[1]], xt[r[2]], yt[r[2]]);
                // The top corner first, then the one before it in the
                // winding and the one after it.
                subedge(edge(top), edge((top + 2) % 3), edge((top + 1) % 3));
                continue;
            }
        }
        EyeVertex v[3];
        for (int32_t c = 0; c < 3; c++) {
            int32_t k = r[c];
            v[c] = {m_xe.a[k], m_ye.a[k], m_ze.a[k], m.m_vu.a[k] << 15, m.m_vv.a[k] << 15,
                    m_xt.a[k], m_yt.a[k], m_zt.a[k], m.m_shade.a[slot[c]] << 8};
        }
        m_subDepth = 0;
        subeye(v[0], v[1], v[2]);
    }
}

void V3dView::subeye(const EyeVertex& a, const EyeVertex& b, const EyeVertex& c)
{
    if (a.zt != kNear && b.zt != kNear && c.zt != kNear) {
        int64_t d = static_cast<int64_t>(a.xt - b.xt) * (c.yt - b.yt) -
                    static_cast<int64_t>(c.xt - b.xt) * (a.yt - b.yt);
        if (d >= 0)
            return; // turned away, or no area
        const Box box = boxOf(a.xt, b.xt, c.xt, a.yt, b.yt, c.yt);
        if (box.empty() || box.outside(m_clipX0, m_clipY0, m_clipX1, m_clipY1))
            return;
        if (box.small()) {
            auto edge = [](const EyeVertex& p) { return EdgeVertex{p.xt, p.yt, p.ze, p.u, p.v, p.shade}; };
            // The top corner first, then the one before it in the winding
            // (on the left of a front face) and the one after it.
            switch (topCorner(a.xt, a.yt, b.xt, b.yt, c.xt, c.yt)) {
            case 0: subedge(edge(a), edge(c), edge(b)); break;
            case 2: subedge(edge(c), edge(b), edge(a)); break;
            default: subedge(edge(b), edge(a), edge(c)); break;
            }
            return;
        }
    }
    const int32_t tooNear = 0x15555554; // 2^45 / 3.0: nearer than 3.0, or marked
    if (a.zt > tooNear && b.zt > tooNear && c.zt > tooNear)
        return;
    if (m_subDepth >= kMaxDepth || outsideClip(a, b, c))
        return;
    auto mid = [this](const EyeVertex& p, const EyeVertex& q) {
        EyeVertex m{(p.xe + q.xe) >> 1, (p.ye + q.ye) >> 1, (p.ze + q.ze) >> 1, (p.u + q.u) >> 1,
                    (p.v + q.v) >> 1, 0, 0, kNear, (p.shade + q.shade) >> 1};
        if (m.ze >= 0x10000) {
            m.zt = finvd(m.ze);
            int64_t k = static_cast<int64_t>(m_focal) * m.zt;
            m.xt = project(m_centerX, k, m.xe, false);
            m.yt = project(m_centerY, k, m.ye, true);
        }
        return m;
    };
    EyeVertex ab = mid(a, b), bc = mid(b, c), ca = mid(c, a);
    m_subDepth++;
    subeye(a, ab, ca);
    subeye(ab, b, bc);
    subeye(ca, bc, c);
    subeye(ab, bc, ca);
    m_subDepth--;
}

bool V3dView::outsideClip(const EyeVertex& a, const EyeVertex& b, const EyeVertex& c) const
{
    // The planes through the eye and the clip rectangle's edges: a piece
    // wholly beyond one of them has no pixel in the rectangle, however near
    // or far its corners lie (the test needs no projection).
    const int64_t f = m_focal;
    const int64_t left = m_clipX0 - (m_centerX >> 15), right = m_clipX1 - (m_centerX >> 15);
    const int64_t top = (m_centerY >> 15) - m_clipY0, bottom = (m_centerY >> 15) - m_clipY1;
    auto all = [&](auto beyond) { return beyond(a) && beyond(b) && beyond(c); };
    return all([&](const EyeVertex& v) { return f * v.xe < left * v.ze; }) ||
           all([&](const EyeVertex& v) { return f * v.xe > right * v.ze; }) ||
           all([&](const EyeVertex& v) { return f * v.ye > top * v.ze; }) ||
           all([&](const EyeVertex& v) { return f * v.ye < bottom * v.ze; });
}

void V3dView::subedge(const EdgeVertex& t, const EdgeVertex& l, const EdgeVertex& r)
{
    if (m_hazeKeep == 32768) {
        fillTriangle(t, l, r);
        return;
    }
    auto dim = [keep = m_hazeKeep](EdgeVertex v) {
        v.shade = dimmed(v.shade, keep);
        return v;
    };
    fillTriangle(dim(t), dim(l), dim(r));
}

void V3dView::fillTriangle(const EdgeVertex& t, const EdgeVertex& l, const EdgeVertex& r)
{
    int32_t ys = ceilPx(t.y);
    int32_t py = (ys << 15) - t.y;
    if (ys < m_clipY0) {
        py += (m_clipY0 - ys) << 15;
        ys = m_clipY0;
    }
    const int32_t endL = std::min(ceilPx(l.y), m_clipY1);
    const int32_t endR = std::min(ceilPx(r.y), m_clipY1);
    // No row to fill: the first row is past both edges' last.
    if (ys >= endL && ys >= endR)
        return;

    // Constant x-gradients of depth, texture and shade over the triangle:
    // the plane through the three corners, divided by twice the area. A
    // 15-bit reciprocal of the area would be up to an eighth off for
    // triangles near the 64-pixel limit, shearing texture and depth at their
    // edges, so all but the tiniest triangles take one with 31 bits. Values
    // that the paint does not use are left out.
    const bool tex = m_texMask != 0;
    const int32_t ceiling = m_hazeKeep * 256 - (1 << 23);
    const bool flat = t.shade == l.shade && l.shade == r.shade && (brightness(t.shade, ceiling) & 0xFF) == 0;
    int32_t area = fmul(l.x - t.x, r.y - t.y) - fmul(r.x - t.x, l.y - t.y);
    const bool wide = area >= 32768 || area <= -32768;
    const int64_t inv = wide ? (INT64_C(1) << 46) / area : area != 0 ? (1 << 30) / area : 1;
    auto gradient = [&](int32_t qt, int32_t ql, int32_t qr) {
        int32_t n = fmul(ql - qt, r.y - t.y) - fmul(qr - qt, l.y - t.y);
        return static_cast<int32_t>(wide ? (n * inv) >> 31 : (n * inv) >> 15);
    };
    const Span d{gradient(t.z, l.z, r.z), tex ? gradient(t.u, l.u, r.u) : 0, tex ? gradient(t.v, l.v, r.v) : 0,
                 flat ? 0 : gradient(t.shade, l.shade, r.shade)};

    const Target c{m_pixels.a, m_zbuf.a, m_width, m_height, m_clipX0, m_clipY0, m_clipX1, m_clipY1};
    Paint k{m_tex, m_texS, m_texMask, m_texShift, m_tex[0], brightness(t.shade, ceiling), 0, ceiling, m_hazeAdd};
    k.shaded = lit(k.texel, k.bright) + k.haze;
    // A triangle under four pixels wide has no span for the quads.
    const bool quads = std::max({t.x, l.x, r.x}) - std::min({t.x, l.x, r.x}) >= 3 << 15;
    using Fill = void (*)(const Target&, const EdgeVertex&, const EdgeVertex&, const EdgeVertex&, int32_t, int32_t,
                          int32_t, int32_t, const Span&, const Paint&);
    static constexpr Fill fills[8] = {fill<false, false, false>, fill<false, false, true>, fill<false, true, false>,
                                      fill<false, true, true>,   fill<true, false, false>,  fill<true, false, true>,
                                      fill<true, true, false>,   fill<true, true, true>};
    fills[tex * 4 + flat * 2 + quads](c, t, l, r, ys, py, endL, endR, d, k);
}

void V3dView::wire(const EyeVertex& a, const EyeVertex& b, const EyeVertex& c)
{
    if (a.zt == kNear || b.zt == kNear || c.zt == kNear)
        return;
    int64_t d = static_cast<int64_t>(a.xt - b.xt) * (c.yt - b.yt) -
                static_cast<int64_t>(c.xt - b.xt) * (a.yt - b.yt);
    if (d >= 0)
        return;
    wire2(a.xt, a.yt, b.xt, b.yt);
    wire2(b.xt, b.yt, c.xt, c.yt);
    wire2(c.xt, c.yt, a.xt, a.yt);
}

void V3dView::wire2(int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    if (m_pixels.length < m_width * m_height)
        return;
    int32_t x1c = std::min(m_clipX1, m_width), y1c = std::min(m_clipY1, m_height);
    int32_t x0c = std::max(m_clipX0, 0), y0c = std::max(m_clipY0, 0);
    int64_t dx = static_cast<int64_t>(x1) - x0, dy = static_cast<int64_t>(y1) - y0;
    int64_t n = std::max(std::abs(dx), std::abs(dy)) >> 15;
    // Far-off lines are not worth a step per pixel of their length.
    n = std::min<int64_t>(n, 4 * 4096);
    int64_t sx = n > 0 ? dx / n : 0, sy = n > 0 ? dy / n : 0;
    int64_t x = x0, y = y0;
    for (int64_t i = 0; i <= n; i++, x += sx, y += sy) {
        int32_t px = static_cast<int32_t>(x >> 15), py = static_cast<int32_t>(y >> 15);
        if (px >= x0c && px < x1c && py >= y0c && py < y1c)
            m_pixels.a[px + py * m_width] = 0;
    }
}
