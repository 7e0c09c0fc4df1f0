#include <gtest/gtest.h>

#include <random>

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
