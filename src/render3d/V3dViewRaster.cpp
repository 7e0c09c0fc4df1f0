// The triangle rasterizer of V3dView: drawModel and its inner steps.
//
// There is no sorting and no near-plane clipping. Faces are filled with a
// per-pixel depth test whose high bits are the top byte of each paint-buffer
// word and whose low 15 bits live in m_zbuf. Texturing and shading are
// affine per triangle; large triangles are split in eye space until each
// piece spans less than 65 pixels, which keeps the affine error small and
// throws away the pieces that stay too near the eye.
#include <algorithm>

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
    bool m_short;
    int64_t m_inverse;
};

inline int32_t step(int32_t start, int32_t slope, int32_t by)
{
    return start + static_cast<int32_t>((static_cast<int64_t>(slope) * by) >> 15);
}

// Depth, texture coordinates and shade at a pixel, or their steps per pixel.
struct Span {
    int32_t z, u, v, shade;
};

// The left edge of a small triangle, with every value along it.
struct LeftEdge {
    // Runs from `from` towards `to`, starting `by` (fixed rows) below from.
    void start(const V3dView::EdgeVertex& from, const V3dView::EdgeVertex& to, int32_t by)
    {
        EdgeSlope slope(to.y - from.y);
        sx = slope(to.x - from.x);
        perRow = {slope(to.z - from.z), slope(to.u - from.u), slope(to.v - from.v), slope(to.shade - from.shade)};
        x = step(from.x, sx, by);
        at = {step(from.z, perRow.z, by), step(from.u, perRow.u, by), step(from.v, perRow.v, by),
              step(from.shade, perRow.shade, by)};
    }
    void next()
    {
        x += sx;
        at.z += perRow.z;
        at.u += perRow.u;
        at.v += perRow.v;
        at.shade += perRow.shade;
    }

    int32_t x;
    Span at;
    int32_t sx;
    Span perRow;
};

// One pixel: the depth test against the top byte over the low 15 bits kept
// in the depth buffer (whose bit 15 is always clear), then the texel scaled
// by 1 + shade / 2^23.
template <bool Clamp>
inline void pixel(int32_t& p, int16_t& depth, int32_t z, int32_t texel, int32_t shade)
{
    int32_t stored = static_cast<int32_t>(static_cast<uint32_t>(p) >> 24) << 15 | static_cast<uint16_t>(depth);
    if (z >= stored)
        return;
    depth = static_cast<int16_t>(z & 0x7FFF);
    // Interpolation may overshoot the shade range a little; past it a
    // channel would spill into its neighbour or the depth code.
    int32_t k = Clamp ? std::clamp(shade, -(1 << 23), 0) : shade;
    int32_t red = (texel >> 16) & 0xFF, green = (texel >> 8) & 0xFF, blue = texel & 0xFF;
    red += (red * k) >> 23;
    green += (green * k) >> 23;
    blue += (blue * k) >> 23;
    p = red << 16 | green << 8 | blue | (z >> 15) << 24;
}

// A span of n pixels. K and S are the texture's side shift and coordinate
// shift when known in advance (the usual 64 x 64 picture); 0 takes them
// from ts, tm and tk. Clamp is needed only when the shade leaves its range
// within the span. Kept out of line so that the loop has the registers to
// itself.
template <int32_t K, int32_t S, bool Clamp>
[[gnu::noinline]] void fillSpan(int32_t* row, int16_t* depth, int32_t n, Span at, Span step, const int32_t* tex,
                                int32_t ts, int32_t tm, int32_t tk)
{
    if constexpr (K != 0) {
        ts = S;
        tm = (1 << K) - 1;
        tk = K;
    }
    for (int32_t x = 0; x < n; x++) {
        // Texture rows run against v: the picture's top is the largest v.
        int32_t texel = tex[((at.u >> ts) & tm) + ((((~at.v) >> ts) & tm) << tk)];
        pixel<Clamp>(row[x], depth[x], at.z, texel, at.shade);
        at.z += step.z;
        at.u += step.u;
        at.v += step.v;
        at.shade += step.shade;
    }
}

// A span of one colour: no texture coordinates to follow.
template <bool Clamp>
[[gnu::noinline]] void fillPlain(int32_t* row, int16_t* depth, int32_t n, Span at, Span step, int32_t colour)
{
    for (int32_t x = 0; x < n; x++) {
        pixel<Clamp>(row[x], depth[x], at.z, colour, at.shade);
        at.z += step.z;
        at.shade += step.shade;
    }
}

// A span of one shade (the common case: a flat face lit alike at its
// corners): each channel goes through level, the shaded values of 0..255,
// so no multiply is left in the loop.
template <int32_t K, int32_t S>
[[gnu::noinline]] void fillSpanLevel(int32_t* row, int16_t* depth, int32_t n, Span at, Span step,
                                     const int32_t* tex, int32_t ts, int32_t tm, int32_t tk, const uint8_t* level)
{
    if constexpr (K != 0) {
        ts = S;
        tm = (1 << K) - 1;
        tk = K;
    }
    for (int32_t x = 0; x < n; x++) {
        int32_t stored = static_cast<int32_t>(static_cast<uint32_t>(row[x]) >> 24) << 15 | static_cast<uint16_t>(depth[x]);
        if (at.z < stored) {
            depth[x] = static_cast<int16_t>(at.z & 0x7FFF);
            int32_t texel = tex[((at.u >> ts) & tm) + ((((~at.v) >> ts) & tm) << tk)];
            row[x] = level[(texel >> 16) & 0xFF] << 16 | level[(texel >> 8) & 0xFF] << 8 | level[texel & 0xFF] |
                     (at.z >> 15) << 24;
        }
        at.z += step.z;
        at.u += step.u;
        at.v += step.v;
    }
}

// A span of one colour in one shade: only the depth test is left.
[[gnu::noinline]] void fillFlat(int32_t* row, int16_t* depth, int32_t n, int32_t z, int32_t dz, int32_t colour,
                                const uint8_t* level)
{
    const int32_t shaded = level[(colour >> 16) & 0xFF] << 16 | level[(colour >> 8) & 0xFF] << 8 | level[colour & 0xFF];
    for (int32_t x = 0; x < n; x++, z += dz) {
        int32_t stored = static_cast<int32_t>(static_cast<uint32_t>(row[x]) >> 24) << 15 | static_cast<uint16_t>(depth[x]);
        if (z < stored) {
            depth[x] = static_cast<int16_t>(z & 0x7FFF);
            row[x] = shaded | (z >> 15) << 24;
        }
    }
}

// Whether the shade runs out of -2^23 .. 0 somewhere in n pixels from
// shade by step (it is linear, so the ends tell).
inline bool shadeLeaves(int32_t shade, int32_t step, int32_t n)
{
    int64_t end = shade + static_cast<int64_t>(step) * (n - 1);
    return shade > 0 || end > 0 || shade < -(1 << 23) || end < -(1 << 23);
}

// Subdivision deeper than this only happens for absurd coordinates.
constexpr int32_t kMaxDepth = 24;
constexpr int32_t kUnloadedColor = 0x808080;

} // namespace

const uint8_t* V3dView::shadeTable(int32_t shade, int32_t pixels)
{
    // Shades come in steps of 256; one table per slot, chosen by the shade.
    ShadeTable& t = m_shadeTables[((shade >> 8) ^ (shade >> 13)) & (kShadeTables - 1)];
    if (t.shade == shade)
        return t.level;
    // Making a table costs about as much as shading 100 pixels the long way.
    if (pixels < 48)
        return nullptr;
    t.shade = shade;
    for (int32_t c = 0; c < 256; c++)
        t.level[c] = static_cast<uint8_t>(c + ((c * shade) >> 23));
    return t.level;
}

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
        int32_t mat = m.m_faceMaterial.a[j];
        if (mat != bound) {
            bound = mat;
            bool inTable = mat >= 0 && mat < V3dModel::m_material.length;
            bindMaterial(inTable ? V3dModel::m_material.a[mat] : ref<V3dMaterial>());
        }
        int32_t r0 = m.resolve(slot[0]), r1 = m.resolve(slot[1]), r2 = m.resolve(slot[2]);
        const int32_t* zt = m_zt.a;
        if (zt[r0] != kNear && zt[r1] != kNear && zt[r2] != kNear) {
            // subeye's own first test, made before the corners are gathered:
            // about half the faces of a closed mesh turn away.
            const int32_t *xt = m_xt.a, *yt = m_yt.a;
            int64_t d = static_cast<int64_t>(xt[r0] - xt[r1]) * (yt[r2] - yt[r1]) -
                        static_cast<int64_t>(xt[r2] - xt[r1]) * (yt[r0] - yt[r1]);
            if (d >= 0)
                continue;
        }
        EyeVertex v[3];
        for (int32_t c = 0; c < 3; c++) {
            int32_t r = m.resolve(slot[c]);
            v[c] = {m_xe.a[r], m_ye.a[r], m_ze.a[r], m.m_vu.a[r] << 15, m.m_vv.a[r] << 15,
                    m_xt.a[r], m_yt.a[r], m_zt.a[r], m.m_shade.a[slot[c]] << 8};
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
        int32_t left = ceilPx(std::min({a.xt, b.xt, c.xt}));
        int32_t right = ceilPx(std::max({a.xt, b.xt, c.xt}));
        int32_t top = ceilPx(std::min({a.yt, b.yt, c.yt}));
        int32_t bottom = ceilPx(std::max({a.yt, b.yt, c.yt}));
        if (right == left || bottom == top)
            return;
        if (right < m_clipX0 || left >= m_clipX1 || bottom < m_clipY0 || top >= m_clipY1)
            return;
        if (right - left < 65 && bottom - top < 65) {
            auto before = [](const EyeVertex& p, const EyeVertex& q) {
                return p.yt < q.yt || (p.yt == q.yt && p.xt < q.xt);
            };
            auto edge = [](const EyeVertex& p) { return EdgeVertex{p.xt, p.yt, p.ze, p.u, p.v, p.shade}; };
            // The top corner first, then the one before it in the winding
            // (on the left of a front face) and the one after it.
            if (before(a, b) && before(a, c))
                subedge(edge(a), edge(c), edge(b));
            else if (before(c, b) && before(c, a))
                subedge(edge(c), edge(b), edge(a));
            else
                subedge(edge(b), edge(a), edge(c));
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
    // Constant x-gradients of depth, texture and shade over the triangle:
    // the plane through the three corners, divided by twice the area. A
    // 15-bit reciprocal of the area would be up to an eighth off for
    // triangles near the 64-pixel limit, shearing texture and depth at their
    // edges, so all but the tiniest triangles take one with 31 bits.
    int32_t area = fmul(l.x - t.x, r.y - t.y) - fmul(r.x - t.x, l.y - t.y);
    const bool wide = area >= 32768 || area <= -32768;
    const int64_t inv = wide ? (INT64_C(1) << 46) / area : area != 0 ? (1 << 30) / area : 1;
    auto gradient = [&](int32_t qt, int32_t ql, int32_t qr) {
        int32_t n = fmul(ql - qt, r.y - t.y) - fmul(qr - qt, l.y - t.y);
        return static_cast<int32_t>(wide ? (n * inv) >> 31 : (n * inv) >> 15);
    };
    const int32_t dzdx = gradient(t.z, l.z, r.z);
    const int32_t dudx = gradient(t.u, l.u, r.u);
    const int32_t dvdx = gradient(t.v, l.v, r.v);
    const int32_t dsdx = gradient(t.shade, l.shade, r.shade);
    const Span perPixel{dzdx, dudx, dvdx, dsdx};

    int32_t ys = ceilPx(t.y);
    int32_t py = (ys << 15) - t.y;
    if (ys < m_clipY0) {
        py += (m_clipY0 - ys) << 15;
        ys = m_clipY0;
    }
    int32_t endL = std::min(ceilPx(l.y), m_clipY1);
    int32_t endR = std::min(ceilPx(r.y), m_clipY1);

    // Edge A runs down the left side carrying every value; edge B only x.
    LeftEdge a{t.x, {t.z, t.u, t.v, t.shade}, 0, {0, 0, 0, 0}};
    if (ys < endL)
        a.start(t, l, py);
    int32_t sbx = r.y > t.y ? EdgeSlope(r.y - t.y)(r.x - t.x) : 0;
    int32_t bx = step(t.x, sbx, py);

    int32_t* const px = m_pixels.a;
    int16_t* const zb = m_zbuf.a;
    const int32_t* const tex = m_tex;
    const int32_t ts = m_texS, tm = m_texMask, tk = m_texShift;
    for (;;) {
        if (ys < endL && ys >= endR) {
            int32_t dy = l.y - r.y;
            if (dy <= 0)
                return;
            sbx = EdgeSlope(dy)(l.x - r.x);
            bx = step(r.x, sbx, (ys << 15) - r.y);
            endR = endL;
        }
        if (ys >= endL) {
            if (ys >= endR)
                return;
            int32_t dy = r.y - l.y;
            if (dy <= 0)
                return;
            a.start(l, r, (ys << 15) - l.y);
            endL = endR;
        }
        int32_t xs = ceilPx(a.x);
        int32_t pxs = (xs << 15) - a.x;
        if (xs < m_clipX0) {
            pxs += (m_clipX0 - xs) << 15;
            xs = m_clipX0;
        }
        int32_t xf = std::min(ceilPx(bx), m_clipX1);
        if (xs < xf) {
            KV_CHECK(ys >= 0 && ys < m_height && xs >= 0 && xf <= m_width, "V3dView::subedge");
            Span span{a.at.z + fmul(pxs, dzdx), a.at.u + fmul(pxs, dudx), a.at.v + fmul(pxs, dvdx),
                      a.at.shade + fmul(pxs, dsdx)};
            int32_t* row = px + ys * m_width + xs;
            int16_t* zrow = zb + ys * m_width + xs;
            const int32_t n = xf - xs;
            const bool clamp = shadeLeaves(span.shade, perPixel.shade, n);
            const uint8_t* level = perPixel.shade == 0 ? shadeTable(std::clamp(span.shade, -(1 << 23), 0), n) : nullptr;
            if (level) {
                if (m_texMask == 0)
                    fillFlat(row, zrow, n, span.z, perPixel.z, tex[0], level);
                else if (m_texShift == 6 && m_texS == 18)
                    fillSpanLevel<6, 18>(row, zrow, n, span, perPixel, tex, 0, 0, 0, level);
                else
                    fillSpanLevel<0, 0>(row, zrow, n, span, perPixel, tex, ts, tm, tk, level);
            } else if (m_texMask == 0)
                (clamp ? fillPlain<true> : fillPlain<false>)(row, zrow, n, span, perPixel, tex[0]);
            else if (m_texShift == 6 && m_texS == 18)
                (clamp ? fillSpan<6, 18, true> : fillSpan<6, 18, false>)(row, zrow, n, span, perPixel, tex, 0, 0, 0);
            else
                (clamp ? fillSpan<0, 0, true> : fillSpan<0, 0, false>)(row, zrow, n, span, perPixel, tex, ts, tm, tk);
        }
        ys++;
        a.next();
        bx += sbx;
    }
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
