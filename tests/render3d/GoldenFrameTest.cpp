#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Models3d.h"
#include "Png.h"
#include "VehicleRig.h"
#include "math/Vmat.h"
#include "support/FakeHost.h"

// Golden frames of the 3D path: fixed scenes of the game's vehicles and of
// hand-made triangles, drawn over a terrain-like depth background, reduced
// to a checksum of the paint buffer and the depth buffer. Any change to what
// the rasterizer, the transform or the lighting produce changes a sum, so a
// faster path must give exactly the old pictures. When the models or the
// textures change on purpose, the failure prints the new table to paste.

namespace {

constexpr int32_t kUnit = 32768;

// FNV-1a over the pixel words and the depth words. With
// KORVATH_GOLDEN_PNG set to a folder, each summed frame is also written there
// as a picture to look at.
class Checksum {
public:
    explicit Checksum(std::string name) : m_name(std::move(name)) {}
    void add(uint32_t word)
    {
        for (int32_t i = 0; i < 4; i++) {
            m_h ^= (word >> (8 * i)) & 0xFF;
            m_h *= UINT64_C(0x100000001B3);
        }
    }
    void add(const ref<V3dView>& v)
    {
        if (const char* dir = std::getenv("KORVATH_GOLDEN_PNG"))
            Png::write(std::string(dir) + "/" + m_name + " " + std::to_string(m_frames++) + ".png", v->m_width,
                       v->m_height, reinterpret_cast<const uint32_t*>(v->m_pixels.a), false);
        for (int32_t i = 0; i < v->m_pixels.length; i++)
            add(static_cast<uint32_t>(v->m_pixels[i]));
        for (int32_t i = 0; i < v->m_zbuf.length; i++)
            add(static_cast<uint16_t>(v->m_zbuf[i]));
    }
    uint64_t value() const { return m_h; }

private:
    std::string m_name;
    int32_t m_frames = 0;
    uint64_t m_h = UINT64_C(0xCBF29CE484222325);
};

// Sky (depth code 255) above the horizon row, ground below whose depth code
// shrinks towards the bottom, with stale low depth bits left by earlier
// frames and colours that vary from pixel to pixel.
void terrain(const ref<V3dView>& v, uint32_t seed)
{
    std::mt19937 rng(seed);
    const int32_t w = v->m_width, h = v->m_height, horizon = h * 2 / 5;
    for (int32_t y = 0; y < h; y++)
        for (int32_t x = 0; x < w; x++) {
            int32_t code = y < horizon ? 255 : std::max(1, 160 - (y - horizon) * 159 / std::max(1, h - horizon));
            int32_t colour = static_cast<int32_t>(rng() & 0x3F3F3F) + (y < horizon ? 0x6070A0 : 0x505028);
            v->m_pixels[y * w + x] = code << 24 | colour;
            v->m_zbuf[y * w + x] = static_cast<int16_t>(rng() & 0x7FFF);
        }
}

ref<V3dView> view(const ref<V3dLibrary>& models, int32_t w, int32_t h)
{
    return emptyView(w, h, 0xFF7C8C98, models);
}

// Every mesh of the library to be relit by its next transform, so a scene
// does not depend on what was drawn before it.
void unlight(const ref<V3dLibrary>& models)
{
    for (V3dModel* m = models->m_all.get(); m; m = m->m_next.get())
        m->m_lightX = 0x40000000;
}

// The camera at pitch (angle) looking at (0, 1.2, 0) from d units.
void aim(const ref<V3dView>& v, int32_t pitch, int32_t heading, double d)
{
    v->m_pitch = pitch;
    v->m_heading = heading;
    const int32_t dist = static_cast<int32_t>(d * kUnit);
    v->setWxyz(0, kUnit * 6 / 5 - V::fmul(V::fsin(pitch), dist), V::fmul(V::fcos(pitch), dist));
}

struct Placed {
    const VehicleBuild* vehicle;
    double x, z;
    int32_t heading, turret, gun;
};

// The vehicles, each a group as the game builds it, placed in the view;
// the view is taken down with them.
class Convoy {
public:
    Convoy(const ref<V3dView>& v, const std::vector<Placed>& list) : m_view(v)
    {
        for (const Placed& p : list) {
            m_rigs.push_back(std::make_unique<VehicleRig>(v, *p.vehicle));
            VehicleRig& r = *m_rigs.back();
            r.pose(p.heading, p.turret, p.gun, p.heading / 9, -p.heading / 13);
            r.m_body->setWxyz(static_cast<int32_t>(p.x * kUnit), 0, static_cast<int32_t>(p.z * kUnit));
            v->add(r.m_body);
            for (const ref<Vsprite>& s : {r.m_hull, r.m_tracks, r.m_turret, r.m_gun})
                if (s && s->m_model)
                    m_meshes.push_back(s);
        }
    }
    // Every mesh through drawModel within the rectangle, in build order.
    void draw(const ref<V3dView>& v, int32_t x0, int32_t y0, int32_t x1, int32_t y1) const
    {
        for (const ref<Vsprite>& s : m_meshes)
            v->drawModel(s, x0, y0, x1, y1);
    }

    ~Convoy()
    {
        m_view->removeAllStar();
        m_view->destroy();
    }

    ref<V3dView> m_view;
    std::vector<std::unique_ptr<VehicleRig>> m_rigs;
    std::vector<ref<Vsprite>> m_meshes;
};

const std::vector<Placed> kStreet = {
    {&kSherman, -2.5, -4, 2500, -1800, -400},  // near, running off the left edge
    {&kTiger, 1.5, -13, -7000, 5000, 600},     // overlapped by the next
    {&kT34, 3.5, -16, 12000, -9000, -900},
    {&kTruck, -7, -38, 5200, 0, 0},
    {&kSherman, 9, -90, -12000, 4000, 0},      // a few pixels
    {&kT34, -30, -300, 3000, 0, 0},            // beyond the depth range
};

// One still of the vehicles: laid out by change detection, drawn whole over
// the terrain background and summed.
void still(Checksum& sum, const ref<V3dLibrary>& models, int32_t w, int32_t h, const std::vector<Placed>& list,
           int32_t pitch, double d, uint32_t seed)
{
    ref<V3dView> v = view(models, w, h);
    Convoy c(v, list);
    aim(v, pitch, 0, d);
    v->renderChangeDetect(0, 0, kUnit);
    terrain(v, seed);
    c.draw(v, 0, 0, w, h);
    sum.add(v);
}

// A corner of a hand-made triangle at (x, y, z) in eye space (units),
// projected as transform does it.
V3dView::EyeVertex corner(const ref<V3dView>& view, double x, double y, double z, int32_t u, int32_t tv, int32_t shade)
{
    V3dView::EyeVertex v{};
    v.xe = static_cast<int32_t>(x * 32768);
    v.ye = static_cast<int32_t>(y * 32768);
    v.ze = static_cast<int32_t>(z * 32768);
    if (v.ze < 0x10000) {
        v.zt = V3dView::kNear;
    } else {
        v.zt = V::finvd(v.ze);
        int64_t k = static_cast<int64_t>(v.zt) * view->m_focal;
        v.xt = view->m_centerX + static_cast<int32_t>((k * v.xe) >> 30);
        v.yt = view->m_centerY - static_cast<int32_t>((k * v.ye) >> 30);
    }
    v.u = u;
    v.v = tv;
    v.shade = shade;
    return v;
}

ref<V3dMaterial> textured(int32_t side, int32_t coordShift, uint32_t seed, bool square = true)
{
    std::mt19937 rng(seed);
    ref<V3dMaterial> m = new V3dMaterial;
    m->m_texture = new V3dTexture;
    Array<int32_t> px(side * (square ? side : side / 2));
    for (int32_t i = 0; i < px.length; i++)
        px[i] = static_cast<int32_t>(rng() & 0xFFFFFF);
    m->m_texture->set("golden"_s, px, side, square ? side : side / 2, false);
    m->m_texture->m_coordShift = coordShift;
    return m;
}

ref<V3dMaterial> plain(int32_t colour)
{
    ref<V3dMaterial> m = new V3dMaterial;
    m->m_color = colour;
    return m;
}

class GoldenFrames : public GameModels {
protected:
    void SetUp() override { open("app"); }

    // Runs a scene and records the checksum it left under its name.
    void scene(const char* name, const std::function<void(Checksum&)>& body)
    {
        unlight(m_models);
        Checksum sum(name);
        body(sum);
        m_sums.push_back({name, sum.value()});
    }

    void expect(const std::vector<std::pair<std::string, uint64_t>>& golden)
    {
        bool same = golden == m_sums;
        EXPECT_TRUE(same) << "the frames changed; if on purpose, the new table is printed below";
        if (!same)
            for (const auto& [name, value] : m_sums)
                std::printf("        {\"%s\", UINT64_C(0x%016" PRIX64 ")},\n", name.c_str(), value);
    }

    FakeHost m_host;
    std::vector<std::pair<std::string, uint64_t>> m_sums;
};

} // namespace

TEST_F(GoldenFrames, TheVehiclesLookExactlyAsBefore)
{
    // The street at several view sizes, from two pitches; the last size
    // brings large triangles that are split many times.
    const int32_t sizes[][2] = {{480, 320}, {320, 480}, {97, 61}, {1, 1}, {1024, 768}};
    for (auto [w, h] : sizes)
        for (int32_t pitch : {-1365, -3000}) {
            std::string name = "street " + std::to_string(w) + "x" + std::to_string(h) + " " + std::to_string(pitch);
            scene(name.c_str(), [&, w = w, h = h](Checksum& sum) { still(sum, m_models, w, h, kStreet, pitch, 9, 1); });
        }

    // The same street repainted in tiles, as dirty rectangles are, and in
    // a clip rectangle that reaches outside the view.
    scene("street in tiles", [&](Checksum& sum) {
        ref<V3dView> v = view(m_models, 480, 320);
        Convoy c(v, kStreet);
        aim(v, -2000, 0, 9);
        v->renderChangeDetect(0, 0, kUnit);
        terrain(v, 2);
        for (int32_t y = 0; y < 320; y += 77)
            for (int32_t x = 0; x < 480; x += 101)
                c.draw(v, x, y, x + 101, y + 77);
        sum.add(v);
        terrain(v, 3);
        c.draw(v, -50, 13, 700, 290);
        sum.add(v);
    });

    // Close enough that parts of the tanks lie nearer than 2.0 or behind
    // the eye, from all round.
    scene("too near", [&](Checksum& sum) {
        ref<V3dView> v = view(m_models, 480, 320);
        Convoy c(v, {{&kTiger, 0, 0, 0, 3000, 300}, {&kSherman, 1.2, 3.5, 9000, 0, 0}});
        for (int32_t heading = 0; heading < 32768; heading += 4096) {
            v->m_pitch = -900;
            v->m_heading = heading;
            v->setWxyz(V::fmul(V::fsin(heading), 2 * kUnit), kUnit * 2, V::fmul(V::fcos(heading), 2 * kUnit));
            v->renderChangeDetect(0, 0, kUnit);
            terrain(v, static_cast<uint32_t>(heading));
            c.draw(v, 0, 0, 480, 320);
            sum.add(v);
        }
    });

    // One family's textures freed, as a battle does: its faces are grey.
    scene("unloaded textures", [&](Checksum& sum) {
        m_models->textureLoad(m_lib, "tiger"_s);
        still(sum, m_models, 240, 160, {{&kTiger, -1.5, -4, 4000, -2000, 0}, {&kSherman, 2.5, -7, -3000, 1000, 0}}, -1365, 8, 4);
        m_models->textureLoad(m_lib, nullptr);
    });

    // Whole frames through the repaint: a ground sprite, change detection,
    // dirty rectangles; the camera and a tank move from frame to frame.
    scene("frames", [&](Checksum& sum) {
        ref<V3dView> v = view(m_models, 480, 320);
        ref<Vsprite> ground = new Vsprite;
        ground->setColor(static_cast<int32_t>(0xFF847E6C));
        ground->setZ(0x40000000);
        ground->setXyi(0, 150);
        ground->setWidthHeight(480, 170);
        v->add(ground);
        Convoy c(v, {{&kT34, -2, -6, 2000, 1000, 0},
                     {&kTruck, 4, -12, -6000, 0, 0},
                     {&kTiger, 0, -20, 9000, -3000, 0}});
        for (int32_t f = 0; f < 6; f++) {
            aim(v, -1365 - f * 150, f * 300, 8 - f * 0.5);
            c.m_rigs[0]->pose(2000 + f * 1500, 1000 - f * 900, -f * 100);
            v->render();
            sum.add(v);
        }
        v->remove(ground);
    });

    expect({
        {"street 480x320 -1365", UINT64_C(0x63CA4713A3285CB3)},
        {"street 480x320 -3000", UINT64_C(0xCE9CC431C7489EFD)},
        {"street 320x480 -1365", UINT64_C(0x3F9269FC07B4C42B)},
        {"street 320x480 -3000", UINT64_C(0xFF583E586BD38D43)},
        {"street 97x61 -1365", UINT64_C(0x664947A86CFF7CAF)},
        {"street 97x61 -3000", UINT64_C(0x72A63C2CA4245C4A)},
        {"street 1x1 -1365", UINT64_C(0xA981164D3ED55F06)},
        {"street 1x1 -3000", UINT64_C(0xA981164D3ED55F06)},
        {"street 1024x768 -1365", UINT64_C(0x46AFDB8F99DC30CA)},
        {"street 1024x768 -3000", UINT64_C(0x3BCBA12C2CEFFDD8)},
        {"street in tiles", UINT64_C(0x31FA78F60796A290)},
        {"too near", UINT64_C(0x7D8E1F26606E006A)},
        {"unloaded textures", UINT64_C(0x28551856767E8E95)},
        {"frames", UINT64_C(0xB1CF78D0F16EB326)},
    });
}

TEST_F(GoldenFrames, HandMadeTrianglesFillExactlyAsBefore)
{
    // Large walls, split in eye space, in every kind of material: the
    // game's 64 x 64 textures, other sides and coordinate shifts, a plain
    // colour, a picture of the wrong shape; lit alike and lit unevenly.
    std::vector<ref<V3dMaterial>> materials = {
        m_models->m_material[0], textured(64, 0, 5), textured(32, 0, 6), textured(128, 3, 7),
        textured(16, 1, 8), plain(0xC08040), textured(64, 0, 9, false)};
    for (int32_t i = 0; i < m_models->m_materialn && materials.size() < 10; i++)
        if (m_models->m_material[i]->m_texture)
            materials.push_back(m_models->m_material[i]);
    scene("walls", [&](Checksum& sum) {
        ref<V3dView> v = view(m_models, 480, 320);
        setClip(v, 0, 0, v->m_width, v->m_height);
        for (std::size_t m = 0; m < materials.size(); m++) {
            terrain(v, static_cast<uint32_t>(10 + m));
            v->bindMaterial(materials[m]);
            const double d = 3 + static_cast<double>(m);
            const int32_t s0 = m % 2 ? -(1 << 22) : -(3 << 21), s1 = m % 3 ? -(1 << 22) : -(1 << 20);
            auto a = corner(v, -6, -3, d, 0, 0, s0), b = corner(v, -6, 4, d + 6, 0, 20 << 15, s0);
            auto c = corner(v, 7, 4, d + 9, 20 << 15, 20 << 15, s1), e = corner(v, 7, -3, d + 2, 20 << 15, 0, s0);
            v->subeye(a, b, c);
            v->subeye(a, c, e);
            // A wall crossing the eye's plane, seen edge on.
            v->subeye(corner(v, -3, -1, 1, 0, 0, s1), corner(v, -3, 2, 30, 0, 9 << 15, s0),
                      corner(v, 3, 2, 30, 9 << 15, 9 << 15, s0));
            sum.add(v);
        }
        v->destroy();
    });

    // Small triangles straight into subedge: random corners, depths,
    // texture coordinates and shades, some overshooting the shade range, in
    // a clip rectangle inside the view.
    scene("small triangles", [&](Checksum& sum) {
        ref<V3dView> v = view(m_models, 200, 150);
        terrain(v, 20);
        setClip(v, 7, 5, 190, 141);
        std::mt19937 rng(21);
        auto in = [&](int32_t lo, int32_t hi) { return inRange(rng, lo, hi); };
        for (int32_t i = 0; i < 3000; i++) {
            v->bindMaterial(materials[static_cast<std::size_t>(i) % materials.size()]);
            const int32_t x = in(-20, 210) << 15, y = in(-20, 160) << 15, size = in(1, 64) << 15;
            auto vertex = [&](int32_t dx, int32_t dy) {
                int32_t shade = i % 4 == 0 ? in(-(1 << 23), 0) : i % 4 == 1 ? -(5 << 20) : in(-(9 << 20), 1 << 21);
                return V3dView::EdgeVertex{x + dx, y + dy, in(1 << 15, 250 << 15), in(-(1 << 24), 1 << 24),
                                           in(-(1 << 24), 1 << 24), shade};
            };
            // The top corner first, then the one on the left.
            const int32_t sx = in(0, size), sy = in(1 << 14, size);
            V3dView::EdgeVertex t = vertex(in(0, size), 0);
            t.y -= in(0, 1 << 15);
            // Drawn one by one, last corner first as the sums were made: in
            // a call's arguments the compiler picks the order (arm64's GCC
            // another than x86-64's).
            const int32_t ry = in(1 << 14, size);
            const V3dView::EdgeVertex r = vertex(sx + size / 2, ry), l = vertex(0, sy);
            v->subedge(t, l, r);
        }
        sum.add(v);
        v->destroy();
    });

    // Wild values, as a broken mesh might give: nothing may change, even
    // where the arithmetic wraps, and nothing outside the clip ever does.
    // After the sum, textures of the wrong shape with a forced shift and an
    // absurd coordinate shift are thrown in too.
    scene("wild triangles", [&](Checksum& sum) {
        ref<V3dView> v = view(m_models, 80, 60);
        terrain(v, 30);
        const std::vector<int32_t> before(v->m_pixels.a, v->m_pixels.a + v->m_pixels.length);
        setClip(v, 10, 8, 70, 50);
        ref<V3dMaterial> odd = textured(64, 0, 32, false), shifted = textured(16, 255, 33);
        odd->m_texture->m_shift = 6;
        std::mt19937 rng(31);
        auto wild = [&] { return wildValue(rng); };
        for (int32_t i = 0; i < 6000; i++) {
            if (i == 4000)
                sum.add(v);
            v->bindMaterial(i >= 4000 ? (i % 2 ? odd : shifted) : materials[static_cast<std::size_t>(i) % materials.size()]);
            V3dView::EyeVertex e[3];
            for (V3dView::EyeVertex& c : e) {
                c = {wild(), wild(), wild(), wild(), wild(), wild(), wild(), wild(), wild()};
                if (rng() % 3 == 0)
                    c.zt = V3dView::kNear;
            }
            v->subeye(e[0], e[1], e[2]);
            // Last corner first, as in the small triangles.
            const V3dView::EdgeVertex c = {wild(), wild(), wild(), wild(), wild(), wild()},
                                      b = {wild(), wild(), wild(), wild(), wild(), wild()},
                                      a = {wild(), wild(), wild(), wild(), wild(), wild()};
            v->subedge(a, b, c);
        }
        int32_t outside = 0;
        for (int32_t i = 0; i < 80 * 60; i++)
            if (i % 80 < 10 || i % 80 >= 70 || i / 80 < 8 || i / 80 >= 50)
                outside += v->m_pixels[i] != before[static_cast<std::size_t>(i)];
        EXPECT_EQ(outside, 0);
        v->destroy();
    });

    expect({
        {"walls", UINT64_C(0x2594785FF7252678)},
        {"small triangles", UINT64_C(0x1EA75E925ED81628)},
        {"wild triangles", UINT64_C(0x4F78178CB2199E9C)},
    });
}
