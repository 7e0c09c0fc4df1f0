#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "Models3d.h"
#include "math/Vmat.h"
#include "support/FakeHost.h"

namespace {

constexpr uint32_t kSky = 0xFF102030;


// Paints the background over the whole view (depth code 255).
void clear(const ref<V3dView>& v)
{
    for (int32_t i = 0; i < v->m_pixels.length; i++)
        v->m_pixels[i] = static_cast<int32_t>(kSky);
}

int32_t depthCode(int32_t pixel) { return static_cast<int32_t>(static_cast<uint32_t>(pixel) >> 24); }

// Distance from (px, py) to the segment (ax, ay) - (bx, by).
double segment(double px, double py, double ax, double ay, double bx, double by)
{
    double dx = bx - ax, dy = by - ay, t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

} // namespace

// Materials grey, a chequer texture and red, and the meshes of each test.
class Raster : public testing::Test {
protected:
    void open(std::vector<ModelMesh> meshes = {})
    {
        ModelFile f = oneMaterialFile();
        f.materials.push_back({"red", "", 0xC03020, false, 0});
        f.meshes = std::move(meshes);
        m_files.open(f);
    }

    FakeHost m_host;
    ModelFiles m_files;
};

TEST_F(Raster, ACubeCoversWhatAnIndependentProjectionSays)
{
    open({boxMesh("box", 1, 1, 1)});
    ref<V3dView> view = emptyView(160, 120, kSky);
    ref<Vsprite> box = place(view, "box", 0.4f, -0.3f, -6);
    box->rotateY(2500);
    box->rotateX(1500);
    view->render();

    // The reference: the eight corners through the sprite's eye matrix in
    // floating point, projected, and the convex outline around them.
    const Vmat& m = *box->m_mat;
    std::vector<std::pair<double, double>> p;
    for (int32_t c = 0; c < 8; c++) {
        double x = (c & 4) ? 1 : -1, y = (c & 2) ? 1 : -1, z = (c & 1) ? 1 : -1;
        double xe = (x * m.m00 + y * m.m10 + z * m.m20) / 32768 + m.m30 / 32768.0;
        double ye = (x * m.m01 + y * m.m11 + z * m.m21) / 32768 + m.m31 / 32768.0;
        double ze = (x * m.m02 + y * m.m12 + z * m.m22) / 32768 + m.m32 / 32768.0;
        p.push_back({80 + view->m_focal * xe / ze, 60 - view->m_focal * ye / ze});
    }
    std::sort(p.begin(), p.end());
    std::vector<std::pair<double, double>> hull;
    auto cross = [](auto o, auto a, auto b) { return (a.first - o.first) * (b.second - o.second) - (a.second - o.second) * (b.first - o.first); };
    for (int pass = 0; pass < 2; pass++) {
        std::size_t start = hull.size();
        for (auto& q : p) {
            while (hull.size() >= start + 2 && cross(hull[hull.size() - 2], hull.back(), q) <= 0)
                hull.pop_back();
            hull.push_back(q);
        }
        hull.pop_back();
        std::reverse(p.begin(), p.end());
    }
    int32_t covered = 0, wrong = 0;
    for (int32_t y = 0; y < 120; y++)
        for (int32_t x = 0; x < 160; x++) {
            bool inside = true;
            double edge = 1e9;
            for (std::size_t i = 0; i < hull.size(); i++) {
                auto a = hull[i], b = hull[(i + 1) % hull.size()];
                inside = inside && cross(a, b, std::pair<double, double>{x, y}) >= 0;
                edge = std::min(edge, segment(x, y, a.first, a.second, b.first, b.second));
            }
            bool drawn = depthCode(view->m_pixels[y * 160 + x]) != 255;
            covered += drawn;
            // Pixels right on the outline may go either way.
            if (drawn != inside && edge > 0.05)
                wrong++;
        }
    EXPECT_GT(covered, 1500);
    EXPECT_EQ(wrong, 0);
    // Depth codes are whole units of eye depth: the cube lies 4.6 to 7.4 away.
    for (int32_t i = 0; i < 160 * 120; i++) {
        int32_t d = depthCode(view->m_pixels[i]);
        EXPECT_TRUE(d == 255 || (d >= 4 && d <= 7)) << i;
    }
    view->destroy();
}

TEST_F(Raster, TheNearerMeshWinsWhateverTheOrderAndTheClipIsKept)
{
    open({boxMesh("near", 1, 1, 1, 0), boxMesh("far", 3, 3, 3, 2)});
    ref<V3dView> view = emptyView(120, 90, kSky);
    ref<Vsprite> nearBox = place(view, "near", 0.5f, 0, -10);
    ref<Vsprite> farBox = place(view, "far", -1, 0.5f, -20);
    view->renderChangeDetect(0, 0, 32768);

    clear(view);
    view->drawModel(nearBox, 0, 0, 120, 90);
    view->drawModel(farBox, 0, 0, 120, 90);
    std::vector<int32_t> nearFirst(view->m_pixels.a, view->m_pixels.a + view->m_pixels.length);
    clear(view);
    view->drawModel(farBox, 0, 0, 120, 90);
    view->drawModel(nearBox, 0, 0, 120, 90);
    EXPECT_TRUE(std::equal(nearFirst.begin(), nearFirst.end(), view->m_pixels.a));
    // The middle of the near box shows its grey, lit from the side.
    int32_t middle = view->m_pixels[45 * 120 + 66] & 0xFFFFFF;
    EXPECT_EQ(middle, 0x404040);

    // Nothing outside the clip rectangle changes.
    clear(view);
    view->drawModel(farBox, 30, 20, 70, 60);
    view->drawModel(nearBox, 30, 20, 70, 60);
    int32_t inside = 0, outside = 0;
    for (int32_t y = 0; y < 90; y++)
        for (int32_t x = 0; x < 120; x++) {
            bool changed = static_cast<uint32_t>(view->m_pixels[y * 120 + x]) != kSky;
            (x >= 30 && x < 70 && y >= 20 && y < 60 ? inside : outside) += changed;
        }
    EXPECT_GT(inside, 800);
    EXPECT_EQ(outside, 0);
    view->destroy();
}

TEST_F(Raster, AChequerTextureShowsItsCellsAndShadingFollowsTheLight)
{
    open({boxMesh("chequer", 1, 1, 1, 1), boxMesh("grey", 1, 1, 1, 0)});
    Array<int32_t> cells(64 * 64);
    for (int32_t y = 0; y < 64; y++)
        for (int32_t x = 0; x < 64; x++)
            cells[y * 64 + x] = ((x / 8 + y / 8) & 1) ? 0x00E0E0E0 : 0x00202020;
    V3dModel::m_material[1]->m_texture->set("chequer"_s, cells, 64, 64, false);

    ref<V3dView> view = emptyView(200, 200, kSky);
    place(view, "chequer", 0, 0, -5);
    view->render();
    // The front face lies 4.0 away and faces the camera: a picture point
    // (s, t) = (16 x, -16 y) texels, lit from above to half brightness.
    int32_t checked = 0;
    for (float x = -0.75f; x < 1; x += 0.5f)
        for (float y = -0.75f; y < 1; y += 0.5f) {
            int32_t px = static_cast<int32_t>(std::lround(100 + view->m_focal * x / 4));
            int32_t py = static_cast<int32_t>(std::lround(100 - view->m_focal * y / 4));
            int32_t col = static_cast<int32_t>(std::floor(16 * x)) & 63, row = static_cast<int32_t>(std::floor(-16 * y)) & 63;
            int32_t texel = cells[row * 64 + col] & 0xFF;
            int32_t lit = texel - texel / 2;
            EXPECT_EQ(view->m_pixels[py * 200 + px] & 0xFFFFFF, lit * 0x010101) << x << ", " << y;
            checked++;
        }
    EXPECT_EQ(checked, 16);
    view->destroy();

    // Seen from above, the roof is lit fully, the side to half, the floor
    // not at all (it faces away from the camera too).
    ref<V3dView> above = emptyView(200, 200, kSky);
    ref<Vsprite> box = place(above, "grey", 0, -3, -8);
    above->m_pitch = -2500;
    above->render();
    int32_t roof = 0, side = 0;
    for (int32_t i = 0; i < 200 * 200; i++) {
        int32_t p = above->m_pixels[i];
        roof += (p & 0xFFFFFF) == 0x808080;
        side += (p & 0xFFFFFF) == 0x404040;
    }
    EXPECT_GT(roof, 400);
    EXPECT_GT(side, 400);
    above->destroy();
}

TEST_F(Raster, DepthTestsAgainstWhatOthersPaintedAndShadesStayInRange)
{
    open();
    ref<V3dView> view = emptyView(64, 64, kSky);
    ref<V3dMaterial> white = new V3dMaterial;
    white->m_color = 0xFFFFFF;
    view->bindMaterial(white);
    view->m_clipX0 = view->m_clipY0 = 0;
    view->m_clipX1 = view->m_clipY1 = 64;
    auto px = [](int32_t v) { return v << 15; };

    // A terrain pixel of depth code 6 with stale low bits 0x100: a mesh at
    // (6 << 15) | 0x80 is nearer, one at (6 << 15) | 0x200 is not.
    for (int32_t z : {(6 << 15) | 0x200, (6 << 15) | 0x80}) {
        clear(view);
        for (int32_t i = 0; i < 64 * 64; i++) {
            view->m_pixels[i] = 0x06123456;
            view->m_zbuf[i] = 0x100;
        }
        view->subedge({px(8), px(8), z, 0, 0, 0}, {px(8), px(40), z, 0, 0, 0}, {px(40), px(40), z, 0, 0, 0});
        int32_t drawn = 0;
        for (int32_t i = 0; i < 64 * 64; i++)
            drawn += view->m_pixels[i] != 0x06123456;
        EXPECT_EQ(drawn > 0, (z & 0x7FFF) == 0x80) << z;
    }

    // A shade overshooting "fully lit" must not carry into the next channel
    // or the depth code.
    clear(view);
    view->subedge({px(20), px(4), 4 << 15, 0, 0, 1 << 22}, {px(4), px(40), 4 << 15, 0, 0, 0},
                  {px(40), px(40), 4 << 15, 0, 0, 0});
    int32_t drawn = 0;
    for (int32_t i = 0; i < 64 * 64; i++) {
        int32_t p = view->m_pixels[i];
        if (static_cast<uint32_t>(p) == kSky)
            continue;
        drawn++;
        EXPECT_EQ(p, 0x04FFFFFF) << i;
    }
    EXPECT_GT(drawn, 300);
    view->destroy();
}

TEST_F(Raster, FrontFacesOnlyAndPiecesTooNearAreDropped)
{
    open();
    ref<V3dView> view = emptyView(100, 100, kSky);
    view->bindMaterial(V3dModel::m_material[0]);
    view->m_clipX0 = view->m_clipY0 = 0;
    view->m_clipX1 = view->m_clipY1 = 100;
    auto corner = [&](double x, double y, double z) { return eyeCorner(view, x, y, z); };
    auto count = [&] {
        int32_t n = 0;
        for (int32_t i = 0; i < 100 * 100; i++)
            n += static_cast<uint32_t>(view->m_pixels[i]) != kSky;
        return n;
    };
    auto a = corner(-1, -1, 8), b = corner(0, 1, 8), c = corner(1, -1, 8);
    clear(view);
    view->subeye(a, b, c);
    int32_t one = count();
    view->subeye(a, c, b);
    EXPECT_GT(one, 500);
    EXPECT_EQ(count(), one); // the other winding is a back face
    clear(view);
    view->subeye(a, corner(0, -1, 8), c); // no area
    EXPECT_EQ(count(), 0);

    // A corner 1.0 in front of the eye, the others far off: the far part is
    // drawn in pieces, nothing nearer than 2.0 is.
    clear(view);
    for (auto [p, q] : {std::pair{corner(-6, -3, 40), corner(6, -3, 40)}, std::pair{corner(6, -3, 40), corner(-6, -3, 40)}})
        view->subeye(corner(0, -0.2, 1), p, q);
    EXPECT_GT(count(), 300);
    for (int32_t i = 0; i < 100 * 100; i++) {
        if (static_cast<uint32_t>(view->m_pixels[i]) != kSky) {
            EXPECT_GE(depthCode(view->m_pixels[i]), 2) << i;
        }
    }
    view->destroy();
}

namespace {

// The small-triangle fill written as plainly as it can be: the rule of
// subedge with every value stepped pixel by pixel, the shade clamped and
// each channel lit on its own. The rasterizer's fast paths (four pixels at
// a time, flat faces, plain colours) must give exactly its pixels.
class PlainFill {
public:
    PlainFill(int32_t w, int32_t clip[4], const int32_t* tex, int32_t ts, int32_t tm, int32_t tk)
        : m_w(w), m_clip(clip), m_tex(tex), m_ts(ts), m_tm(tm), m_tk(tk)
    {
    }

    void fill(std::vector<int32_t>& px, std::vector<int16_t>& zb, const V3dView::EdgeVertex& t,
              const V3dView::EdgeVertex& l, const V3dView::EdgeVertex& r) const
    {
        using E = V3dView::EdgeVertex;
        const int32_t area = fmul(l.x - t.x, r.y - t.y) - fmul(r.x - t.x, l.y - t.y);
        const bool wide = area >= 32768 || area <= -32768;
        const int64_t inv = wide ? (INT64_C(1) << 46) / area : area != 0 ? (1 << 30) / area : 1;
        auto grad = [&](int32_t E::*q) {
            int32_t n = fmul(l.*q - t.*q, r.y - t.y) - fmul(r.*q - t.*q, l.y - t.y);
            return static_cast<int32_t>(wide ? (n * inv) >> 31 : (n * inv) >> 15);
        };
        const int32_t dz = grad(&E::z), du = grad(&E::u), dv = grad(&E::v), ds = grad(&E::shade);
        auto slopeOf = [](int32_t dy, int32_t d) {
            if (dy < 32768)
                return fmul(d, (1 << 30) / dy);
            return static_cast<int32_t>((((INT64_C(1) << 45) / dy) * d) >> 30);
        };
        auto step = [](int32_t from, int32_t slope, int32_t by) {
            return from + static_cast<int32_t>((static_cast<int64_t>(slope) * by) >> 15);
        };
        int32_t ys = ceil(t.y), py = (ys << 15) - t.y;
        if (ys < m_clip[1]) {
            py += (m_clip[1] - ys) << 15;
            ys = m_clip[1];
        }
        int32_t endL = std::min(ceil(l.y), m_clip[3]), endR = std::min(ceil(r.y), m_clip[3]);
        // Edge A: x, z, u, v, shade and their slopes; edge B: x.
        int32_t a[5] = {t.x, t.z, t.u, t.v, t.shade}, sa[5] = {0, 0, 0, 0, 0};
        auto startA = [&](const E& from, const E& to, int32_t by) {
            const int32_t f[5] = {from.x, from.z, from.u, from.v, from.shade};
            const int32_t g[5] = {to.x, to.z, to.u, to.v, to.shade};
            for (int32_t i = 0; i < 5; i++) {
                sa[i] = slopeOf(to.y - from.y, g[i] - f[i]);
                a[i] = step(f[i], sa[i], by);
            }
        };
        if (ys < endL)
            startA(t, l, py);
        int32_t sb = r.y > t.y ? slopeOf(r.y - t.y, r.x - t.x) : 0, b = step(t.x, sb, py);
        for (;; ys++) {
            if (ys < endL && ys >= endR) {
                if (l.y - r.y <= 0)
                    return;
                sb = slopeOf(l.y - r.y, l.x - r.x);
                b = step(r.x, sb, (ys << 15) - r.y);
                endR = endL;
            }
            if (ys >= endL) {
                if (ys >= endR || r.y - l.y <= 0)
                    return;
                startA(l, r, (ys << 15) - l.y);
                endL = endR;
            }
            int32_t xs = ceil(a[0]), pxs = (xs << 15) - a[0];
            if (xs < m_clip[0]) {
                pxs += (m_clip[0] - xs) << 15;
                xs = m_clip[0];
            }
            const int32_t xf = std::min(ceil(b), m_clip[2]);
            int32_t z = a[1] + fmul(pxs, dz), u = a[2] + fmul(pxs, du);
            int32_t v = a[3] + fmul(pxs, dv), s = a[4] + fmul(pxs, ds);
            for (int32_t x = xs; x < xf; x++, z += dz, u += du, v += dv, s += ds)
                pixel(px[ys * m_w + x], zb[ys * m_w + x], z, u, v, s);
            for (int32_t i = 0; i < 5; i++)
                a[i] += sa[i];
            b += sb;
        }
    }

private:
    static int32_t fmul(int32_t a, int32_t b) { return static_cast<int32_t>((static_cast<int64_t>(a) * b) >> 15); }
    static int32_t ceil(int32_t v) { return (v + 0x7FFF) >> 15; }

    void pixel(int32_t& p, int16_t& depth, int32_t z, int32_t u, int32_t v, int32_t shade) const
    {
        int32_t stored = static_cast<int32_t>(static_cast<uint32_t>(p) >> 24) << 15 | static_cast<uint16_t>(depth);
        if (z >= stored)
            return;
        depth = static_cast<int16_t>(z & 0x7FFF);
        const int32_t texel = m_tex[((u >> m_ts) & m_tm) + ((((~v) >> m_ts) & m_tm) << m_tk)];
        const int32_t k = std::clamp(shade, -(1 << 23), 0);
        int32_t out = (z >> 15) << 24;
        for (int32_t c = 0; c < 24; c += 8) {
            int32_t ch = (texel >> c) & 0xFF;
            out |= (ch + ((ch * k) >> 23)) << c;
        }
        p = out;
    }

    int32_t m_w;
    const int32_t* m_clip;
    const int32_t* m_tex;
    int32_t m_ts, m_tm, m_tk;
};

} // namespace

TEST_F(Raster, EveryFastPathGivesThePixelsOfThePlainRule)
{
    open();
    const int32_t w = 160, h = 120;
    ref<V3dView> view = emptyView(w, h, kSky);
    int32_t clip[4] = {5, 3, 150, 117};
    setClip(view, clip[0], clip[1], clip[2], clip[3]);
    std::mt19937 rng(11);
    auto in = [&](int32_t lo, int32_t hi) { return inRange(rng, lo, hi); };

    // A 64 x 64 picture as the game's, a 32 x 32 one with a coordinate
    // shift, and a plain colour.
    struct Kind {
        ref<V3dMaterial> material;
        int32_t side, shift;
    };
    std::vector<Kind> kinds;
    for (auto [side, shift] : {std::pair{64, 0}, std::pair{32, 2}}) {
        Array<int32_t> px(side * side);
        for (int32_t i = 0; i < px.length; i++)
            px[i] = static_cast<int32_t>(rng());
        ref<V3dMaterial> m = new V3dMaterial;
        m->m_texture = new V3dTexture;
        m->m_texture->set("t"_s, px, side, side, false);
        m->m_texture->m_coordShift = shift;
        kinds.push_back({m, side, shift});
    }
    ref<V3dMaterial> plainColour = new V3dMaterial;
    plainColour->m_color = 0x00F08010;
    kinds.push_back({plainColour, 1, 0});

    std::vector<int32_t> px(w * h);
    std::vector<int16_t> zb(w * h);
    for (int32_t i = 0; i < w * h; i++) {
        view->m_pixels[i] = px[i] = static_cast<int32_t>(rng() & 0x3FFFFFFF);
        view->m_zbuf[i] = zb[i] = static_cast<int16_t>(rng() & 0x7FFF);
    }
    int32_t mismatched = 0;
    for (int32_t i = 0; i < 4000 && mismatched == 0; i++) {
        const Kind& kind = kinds[static_cast<std::size_t>(i) % kinds.size()];
        view->bindMaterial(kind.material);
        const int32_t k = kind.side == 64 ? 6 : kind.side == 32 ? 5 : 0;
        const int32_t* tex = k ? kind.material->m_texture->m_pixels.a : &plainColour->m_color;
        PlainFill plain(w, clip, tex, std::clamp(24 - kind.shift - k, 0, 31), (1 << k) - 1, k);
        // Flat with a slot's shade, flat with any shade, lit unevenly, and
        // overshooting the range.
        const int32_t flat = in(-32768, 1) << 8;
        auto shade = [&] {
            switch (i % 4) {
            case 0: return flat;
            case 1: return flat + 77;
            case 2: return in(-(1 << 23), 1);
            default: return in(-(9 << 20), 1 << 21);
            }
        };
        const int32_t size = in(1, 64) << 15, x = in(-10, 170) << 15, y = in(-10, 130) << 15;
        auto corner = [&](int32_t dx, int32_t dy) {
            return V3dView::EdgeVertex{x + dx, y + dy, in(1 << 15, 300 << 15), in(-(1 << 25), 1 << 25),
                                       in(-(1 << 25), 1 << 25), shade()};
        };
        V3dView::EdgeVertex t = corner(in(0, size), 0), l = corner(0, in(1, size)), r = corner(size, in(1, size));
        view->subedge(t, l, r);
        plain.fill(px, zb, t, l, r);
        for (int32_t p = 0; p < w * h; p++) {
            if (view->m_pixels[p] != px[p] || view->m_zbuf[p] != zb[p]) {
                ADD_FAILURE() << "triangle " << i << " pixel " << p % w << ", " << p / w << ": " << std::hex
                              << view->m_pixels[p] << " instead of " << px[p];
                mismatched++;
                break;
            }
        }
    }
    view->destroy();
}
