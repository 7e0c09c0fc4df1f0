#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "Models3d.h"
#include "support/FakeHost.h"

namespace {

constexpr uint32_t kSky = 0xFF102030;

// Paints the background over the whole view (depth code 255).
void clear(const ref<V3dView>& v) { std::fill(v->m_pixels.a, v->m_pixels.a + v->m_pixels.length, static_cast<int32_t>(kSky)); }

int32_t channel(int32_t p, int32_t shift) { return (p >> shift) & 0xFF; }

// A share of the haze from depth byte `from` on, none before.
std::vector<int32_t> hazeFrom(int32_t from, int32_t share)
{
    std::vector<int32_t> shares(256, 0);
    std::fill(shares.begin() + from, shares.end(), share);
    return shares;
}

} // namespace

// Materials grey, a textured one and red, and the meshes of each test.
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

// The golden frames pin what the rasterizer draws; these check what they
// cannot: the order of drawing, and the haze, which they leave out.
TEST_F(Raster, TheNearerMeshWinsWhateverTheOrderAndTheClipIsKept)
{
    open({boxMesh("near", 1, 1, 1, 0), boxMesh("far", 3, 3, 3, 2)});
    ref<V3dView> view = emptyView(120, 90, kSky, m_files.m_models);
    ref<Vsprite> nearBox = place(view, "near", 0.5f, 0, -10), farBox = place(view, "far", -1, 0.5f, -20);
    view->renderChangeDetect(0, 0, 32768);
    auto draw = [&](const ref<Vsprite>& first, const ref<Vsprite>& second, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        clear(view);
        view->drawModel(first, x0, y0, x1, y1);
        view->drawModel(second, x0, y0, x1, y1);
        return std::vector<int32_t>(view->m_pixels.a, view->m_pixels.a + view->m_pixels.length);
    };
    const std::vector<int32_t> nearFirst = draw(nearBox, farBox, 0, 0, 120, 90);
    EXPECT_EQ(draw(farBox, nearBox, 0, 0, 120, 90), nearFirst);
    EXPECT_EQ(nearFirst[45 * 120 + 66] & 0xFFFFFF, 0x404040); // the near box's grey, lit from the side
    // Nothing outside the clip rectangle changes.
    const std::vector<int32_t> clipped = draw(farBox, nearBox, 30, 20, 70, 60);
    int32_t inside = 0, outside = 0;
    for (int32_t i = 0; i < 120 * 90; i++)
        (i % 120 >= 30 && i % 120 < 70 && i / 120 >= 20 && i / 120 < 60 ? inside : outside) += static_cast<uint32_t>(clipped[i]) != kSky;
    EXPECT_GT(inside, 800);
    EXPECT_EQ(outside, 0);
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
