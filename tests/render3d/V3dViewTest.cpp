#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "Models3d.h"
#include "math/Vmat.h"
#include "support/FakeHost.h"

TEST(V3dView, FirstSizingAppliesAtOnceLaterOnesWaitForTheGameThread)
{
    const int32_t before = V::m_avail;
    ref<V3dView> view = new V3dView;
    view->setWidthHeight(320, 480);
    EXPECT_TRUE(view->m_pixels.length == 320 * 480 && view->m_zbuf.length == 320 * 480 && view->m_centerX == 160 << 15);
    EXPECT_EQ(before - V::m_avail, 320 * 480 * 6); // the pixels and the depth buffer, charged once

    // A resize from the host thread only records the size until the game
    // thread applies it, once.
    view->setWidthHeight(480, 320);
    EXPECT_TRUE(view->m_width == 320 && view->m_pixels.length == 320 * 480);
    EXPECT_TRUE(view->screenResize());
    EXPECT_TRUE(view->m_width == 480 && view->m_height == 320);
    EXPECT_EQ(view->m_focal, 560); // the same in both orientations
    EXPECT_FALSE(view->screenResize());
    EXPECT_EQ(before - V::m_avail, 320 * 480 * 6); // the old buffers were credited back

    // Asking for the current size keeps the depth buffer; a size asked for
    // and taken back before the game applied it is not applied.
    int16_t* depth = view->m_zbuf.a;
    view->setWidthHeight(480, 320);
    EXPECT_FALSE(view->screenResize());
    EXPECT_EQ(view->m_zbuf.a, depth);
    view->setWidthHeight(100, 100);
    view->setWidthHeight(480, 320);
    EXPECT_FALSE(view->screenResize());

    // After destroy the view is unsized: the next size applies at once.
    view->destroy();
    EXPECT_EQ(V::m_avail, before);
    view->setWidthHeight(64, 48);
    EXPECT_TRUE(view->m_width == 64 && view->m_zbuf.length == 64 * 48);
    view->destroy();
}

TEST(V3dView, TheGameThreadNeverSeesHalfOfAResize)
{
    ref<V3dView> view = new V3dView;
    view->setWidthHeight(64, 64);
    std::atomic<bool> done{false};
    std::thread host([&] {
        for (int32_t i = 0; i < 20000; i++)
            view->setWidthHeight(i & 1 ? 100 : 30, i & 1 ? 20 : 90);
        done = true;
    });
    int32_t odd = 0;
    while (!done.load()) {
        view->screenResize();
        const int32_t w = view->m_width, h = view->m_height;
        odd += !((w == 100 && h == 20) || (w == 30 && h == 90) || (w == 64 && h == 64));
    }
    host.join();
    EXPECT_EQ(odd, 0);
    EXPECT_EQ(view->m_zbuf.length, view->m_width * view->m_height);
}

TEST(V3dView, ProjectionStartsExactlyTwoUnitsInFront)
{
    ModelFiles files;
    files.open(withBox());
    ref<V3dView> view = emptyView(100, 100);
    ref<V3dModel> box = files.lookup("box");
    ref<Vmat> at = new Vmat;
    const int32_t n = box->m_vx.length;
    // The box's corners lie exactly 1.0 either side of its middle in z; a
    // corner at 2.0 is projected, one a step nearer is not.
    for (auto [middle, projected] : {std::pair{0x18000, 8}, std::pair{0x17FFF, 4}, std::pair{0x7FFF, 0}}) {
        at->identity();
        at->translate(0, 0, middle);
        view->transform(box, at, 0, n);
        for (int32_t i = 0; i < n; i++)
            V3dView::m_xt[i] = 0x7BADBAD;
        view->transform(box, at, n - 8, n);
        int32_t seen = 0;
        for (int32_t i = n - 8; i < n; i++) {
            bool near = V3dView::m_ze[i] < 0x10000;
            seen += V3dView::m_xt[i] != 0x7BADBAD;
            // The mark of a near vertex is 2^45 / 2.0, the depth factor of a
            // vertex at exactly 2.0.
            EXPECT_EQ(V3dView::m_zt[i], near ? V3dView::kNear : static_cast<int32_t>((INT64_C(1) << 45) / V3dView::m_ze[i])) << i;
        }
        EXPECT_EQ(seen, projected) << "middle at " << middle;
    }
}

TEST(V3dView, ChangeDetectionProjectsCornersOnlyForWhatMoved)
{
    FakeHost host;
    ModelFiles files;
    files.open(withBox());
    ref<V3dView> view = emptyView(200, 100, 0xFF102030, files.m_models);
    ref<Vsprite> box = place(view, "box", 0, 0, -10);
    view->render();
    EXPECT_TRUE(box->m_x1 > box->m_x0 && box->m_z >> 15 == 11); // at its deepest corner

    // A still camera over still meshes: no rectangles, no transforms.
    int64_t transforms = V3dView::m_transforms;
    view->renderChangeDetect(0, 0, 32768);
    EXPECT_TRUE(view->m_dirtyCount == 0 && V3dView::m_transforms == transforms);

    // Moving it costs one corner transform, and repaints old and new place.
    box->addWxyz(1 << 14, 0, 0);
    int32_t oldX0 = box->m_x0;
    view->renderChangeDetect(0, 0, 32768);
    EXPECT_EQ(V3dView::m_transforms, transforms + 1);
    ASSERT_EQ(view->m_dirtyCount, 4);
    EXPECT_TRUE(view->m_dirty[0] == oldX0 && view->m_dirty[2] == box->m_x1);
    view->m_dirtyCount = 0;

    // A corner beyond the far limit hides the whole mesh.
    view->m_far = 10 << 15;
    box->addWxyz(1, 0, 0);
    view->renderChangeDetect(0, 0, 32768);
    EXPECT_EQ(box->m_x1 - box->m_x0, 0);
    view->m_far = 0x7FFFFFFF;

    // All corners nearer than 2.0: nothing to draw. Some of them: the mesh
    // reaches out of the box of its corners in front, so the whole view.
    box->setWxyz(0, 0, -(1 << 14));
    view->renderChangeDetect(0, 0, 32768);
    EXPECT_EQ(box->m_x1 - box->m_x0, 0);
    box->setWxyz(0, 0, -(5 << 14));
    view->renderChangeDetect(0, 0, 32768);
    EXPECT_TRUE(box->m_x0 == 0 && box->m_x1 == 200 && box->m_y1 == 100);
    view->destroy();
}

TEST(V3dView, LookAtFramesTheTreeAndViewCopyHandsOnTheCamera)
{
    FakeHost host;
    ModelFiles files;
    files.open(withBox());
    ref<V3dView> view = emptyView(240, 160, 0xFF102030, files.m_models);
    ref<Vsprite> box = place(view, "box", 0, 0, 0);
    box->rotateY(3000);
    view->lookAt(32768);
    EXPECT_EQ(view->m_dirtyCount, 4); // everything is to be drawn again
    view->render();
    // The box now spans the view, in width or height, to a few pixels.
    int32_t ex = std::max(120 - box->m_x0, box->m_x1 - 120), ey = std::max(80 - box->m_y0, box->m_y1 - 80);
    EXPECT_TRUE(ex <= 122 && ey <= 82 && (ex >= 114 || ey >= 76)) << ex << " " << ey;
    EXPECT_GT(view->m_wz, 2 << 15);

    // The copy gets buffers of its own, sized as the view's.
    ref<V3dView> other = new V3dView;
    view->viewCopy(other);
    EXPECT_TRUE(other->m_zbuf.length == 240 * 160 && other->m_wz == view->m_wz);
    view->destroy();
    other->destroy();
}

namespace {

// A view that records what it is asked to draw.
class RecordingView : public V3dView {
public:
    void drawModel(const ref<Vsprite>& s, int32_t x0, int32_t y0, int32_t x1, int32_t y1) override { m_calls.push_back({s.get(), x0, y0, x1, y1}); }
    struct Call {
        Vsprite* sprite;
        int32_t x0, y0, x1, y1;
    };
    std::vector<Call> m_calls;
};

} // namespace

TEST(V3dView, MeshesInGroupsAreDrawnByTheViewOverTheWholeRectangle)
{
    FakeHost host;
    ModelFiles files;
    files.open(withBox());
    ref<RecordingView> view = new RecordingView;
    view->m_models = files.m_models;
    view->setWidthHeight(200, 100);
    ref<Vsprite> group = new Vsprite;
    ref<Vsprite> box = view->loadModel("box"_s);
    group->add(box);
    group->setWxyz(0, 0, -(20 << 15));
    view->add(group);
    view->renderChangeDetect(0, 0, 32768);
    ASSERT_GT(box->m_x1, box->m_x0);
    EXPECT_LT(box->m_x1 - box->m_x0, 100);
    // A repaint of a rectangle that only touches the mesh's box reaches the
    // view with the whole rectangle: the box is an estimate.
    view->Vsprite::draw(view->m_pixels, 200, 100, 0, 0, box->m_x0 + 1, 100);
    ASSERT_EQ(view->m_calls.size(), 1u);
    EXPECT_TRUE(view->m_calls[0].sprite == box.get() && view->m_calls[0].x0 == 0 && view->m_calls[0].x1 == box->m_x0 + 1);
    // A rectangle clear of the box does not draw it.
    view->Vsprite::draw(view->m_pixels, 200, 100, box->m_x1, 0, 200, 100);
    EXPECT_EQ(view->m_calls.size(), 1u);
    view->removeAllStar();
    view->destroy();
}

TEST(V3dView, APictureInTheSceneIsPlacedAndScaledByItsDepth)
{
    FakeHost host;
    ref<V3dView> view = emptyView(200, 100);
    ref<Vsprite> puff = new Vsprite;
    puff->m_image = 0; // drawn from a library the test does not need
    puff->setWidthHeight(20, 20);
    puff->setCenter(10, 10);
    puff->m_mat = new Vmat; // a 3D node
    puff->setWxyz(0, 0, -(14 << 15));
    view->add(puff);
    view->renderChangeDetect(0, 0, 32768);
    // focal 175 / depth 14: a scale of 12.5, centred on the screen.
    EXPECT_EQ(puff->m_z, 14 << 15);
    EXPECT_NEAR(puff->m_drawScale, 175 * 32768 / 14, 1);
    EXPECT_TRUE(std::abs(puff->m_x0 + puff->m_x1 - 200) <= 1 && std::abs(puff->m_y0 + puff->m_y1 - 100) <= 1);
    // Behind the camera it is hidden, and where it was is repainted.
    view->m_dirtyCount = 0;
    int32_t x0 = puff->m_x0;
    puff->setWxyz(0, 0, 14 << 15);
    view->renderChangeDetect(0, 0, 32768);
    EXPECT_EQ(puff->m_x1 - puff->m_x0, 0);
    ASSERT_GE(view->m_dirtyCount, 4);
    EXPECT_EQ(view->m_dirty[0], std::max(x0, 0));
    view->removeAll();
    view->destroy();
}

// Slots lit four at a time come out as the rule for one slot says, at the
// ends of the short range too, and for lights at and past the longest whose
// halves fit 16-bit lanes (the game's light is a unit; these guard the split).
TEST(V3dView, EverySlotIsShadedByTheRuleWhateverTheNormalsAndTheLight)
{
    ref<V3dView> view = emptyView(16, 16);
    ref<V3dModel> m = new V3dModel;
    m->allocVertices(8);
    const int32_t slots = 203;
    m->m_alias = Array<int16_t>(slots - m->m_vertices);
    for (Array<int16_t>* a : {&m->m_nx, &m->m_ny, &m->m_nz, &m->m_shade})
        *a = Array<int16_t>(slots);
    std::mt19937 rng(5);
    const int16_t ends[] = {-32768, -32767, -1, 0, 1, 32767};
    for (int32_t k = 0; k < slots; k++) {
        m->m_nx[k] = k < 6 ? ends[k] : static_cast<int16_t>(rng());
        m->m_ny[k] = k < 6 ? ends[5 - k] : static_cast<int16_t>(rng());
        m->m_nz[k] = k < 6 ? ends[(k + 2) % 6] : static_cast<int16_t>(rng());
    }
    ref<Vmat> identity = new Vmat;
    const int32_t lights[][3] = {{0, -32768, 0}, {32768, 0, 0}, {-23170, 0, 23170}, {65534, -65534, 40000},
                                 {65535, 3, -7}, {-200000, 12345, 99}, {11, -32768, 32768}};
    for (const auto& l : lights) {
        view->m_light->set(new Vector(l[0], l[1], l[2]));
        m->m_lightX = 0x40000000; // far from any light: relit
        view->transform(m, identity, 0, 8);
        for (int32_t k = 0; k < slots; k++) {
            int32_t dot = m->m_nx[k] * l[0] + m->m_ny[k] * l[1] + m->m_nz[k] * l[2];
            ASSERT_EQ(m->m_shade[k], static_cast<int16_t>(-16384 - (dot >> 16))) << "slot " << k << " light " << l[0];
        }
    }
    view->destroy();
}
