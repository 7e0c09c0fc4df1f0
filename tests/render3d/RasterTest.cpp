#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

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
    ref<V3dView> view = emptyView(160, 120, kSky, m_files.m_models);
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
    ref<V3dView> view = emptyView(120, 90, kSky, m_files.m_models);
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
    m_files.m_models->m_material[1]->m_texture->set("chequer"_s, cells, 64, 64, false);

    ref<V3dView> view = emptyView(200, 200, kSky, m_files.m_models);
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
    ref<V3dView> above = emptyView(200, 200, kSky, m_files.m_models);
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
    ref<V3dView> view = emptyView(64, 64, kSky, m_files.m_models);
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
    ref<V3dView> view = emptyView(100, 100, kSky, m_files.m_models);
    view->bindMaterial(m_files.m_models->m_material[0]);
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

int32_t channel(int32_t p, int32_t shift) { return (p >> shift) & 0xFF; }

// A share of the haze from depth byte `from` on, none before.
std::vector<int32_t> hazeFrom(int32_t from, int32_t share)
{
    std::vector<int32_t> shares(256, 0);
    std::fill(shares.begin() + from, shares.end(), share);
    return shares;
}

} // namespace

TEST_F(Raster, AFarVehicleFadesTowardTheHazeByItsShareANearOneNot)
{
    open({boxMesh("grey", 1, 1, 1)});
    ref<V3dView> view = emptyView(160, 120, kSky, m_files.m_models);
    // The group stands 20 units off (depth byte 22), its box a unit nearer:
    // the box fades by the group's depth, as a tank's parts by the tank's.
    ref<Vsprite> group = new Vsprite, far = view->loadModel("grey"_s);
    far->setWxyz(0, 0, 1 << 15);
    group->add(far);
    group->setWxyz(-(2 << 15), 0, -(20 << 15));
    view->add(group);
    ref<Vsprite> near = place(view, "grey", 1.5f, 0, -6);
    view->renderChangeDetect(0, 0, 32768);
    auto draw = [&](int32_t from, int32_t share) {
        view->setHaze(0xC8D4DC, hazeFrom(from, share));
        clear(view);
        view->drawModel(far, 0, 0, 160, 120);
        view->drawModel(near, 0, 0, 160, 120);
        return std::vector<int32_t>(view->m_pixels.a, view->m_pixels.a + view->m_pixels.length);
    };
    const std::vector<int32_t> clearAir = draw(0, 0), half = draw(22, 16384), thick = draw(22, 32768);
    int32_t faded = 0;
    for (std::size_t i = 0; i < clearAir.size(); i++) {
        const int32_t before = clearAir[i];
        if ((before >> 24 & 0xFF) < 10 || static_cast<uint32_t>(before) == kSky) {
            ASSERT_EQ(half[i], before) << i; // the sky and the near box
            continue;
        }
        faded++;
        ASSERT_EQ(half[i] >> 24, before >> 24) << i;
        ASSERT_EQ(thick[i] & 0xFFFFFF, 0xC8D4DC) << i;
        for (int32_t shift : {0, 8, 16})
            ASSERT_NEAR(channel(half[i], shift), (channel(before, shift) + channel(0xC8D4DC, shift)) / 2, 1) << i;
    }
    EXPECT_GT(faded, 300);
    view->removeAllStar();
    view->destroy();
}

TEST_F(Raster, HazedFacesFillAlikeFourPixelsAtATimeAndOneAtATimeAndNeverOverflow)
{
    open();
    std::mt19937 rng(7);
    auto in = [&](int32_t lo, int32_t hi) { return inRange(rng, lo, hi); };
    Array<int32_t> noise(64 * 64);
    for (int32_t i = 0; i < noise.length; i++)
        noise[i] = in(0, 0x1000000);
    m_files.m_models->m_material[1]->m_texture->set("noise"_s, noise, 64, 64, false);
    ref<V3dView> view = emptyView(96, 96, kSky, m_files.m_models);
    view->setHaze(0xFFFFFF, hazeFrom(0, 0));
    // Textured and plain, lit flat and unevenly (some shades past "fully
    // lit"), filled whole and in columns three pixels wide, where no span is
    // long enough to go four pixels at a time.
    std::vector<std::array<V3dView::EdgeVertex, 3>> faces;
    for (int32_t i = 0; i < 300; i++) {
        const int32_t x = in(-10, 90) << 15, y = in(-10, 90) << 15, size = in(4, 40) << 15;
        const int32_t flat = -(in(0, 1 << 15) << 8);
        auto vertex = [&](int32_t dx, int32_t dy) {
            return V3dView::EdgeVertex{x + dx, y + dy, in(1 << 15, 250 << 15), in(-(1 << 24), 1 << 24),
                                       in(-(1 << 24), 1 << 24), i % 2 ? flat : in(-(9 << 20), 1 << 21)};
        };
        faces.push_back({vertex(in(0, size), 0), vertex(0, in(1 << 14, size)), vertex(size, in(1 << 14, size))});
    }
    for (int32_t share : {0, 700, 20000, 32768}) {
        auto fill = [&](int32_t x0, int32_t x1) {
            setClip(view, x0, 0, x1, 96);
            view->bindHaze(share);
            for (std::size_t i = 0; i < faces.size(); i++) {
                view->bindMaterial(m_files.m_models->m_material[i % 3 ? 1 : 0]);
                view->subedge(faces[i][0], faces[i][1], faces[i][2]);
            }
        };
        clear(view);
        fill(0, 96);
        const std::vector<int32_t> whole(view->m_pixels.a, view->m_pixels.a + view->m_pixels.length);
        clear(view);
        for (int32_t x = 0; x < 96; x += 3)
            fill(x, x + 3);
        EXPECT_TRUE(std::equal(whole.begin(), whole.end(), view->m_pixels.a)) << share;
        // Under white haze each channel keeps at least its share of it,
        // which one that spilled into its neighbour would not.
        for (int32_t p : whole)
            for (int32_t shift : {0, 8, 16})
                ASSERT_GE(channel(p, shift), static_cast<uint32_t>(p) == kSky ? 0 : (255 * share) >> 15) << share;
    }
    view->destroy();
}
