#include <gtest/gtest.h>

#include "support/FakeHost.h"

namespace {

constexpr int32_t ONE = 32768;

class SpriteTree : public ::testing::Test {
protected:
    void SetUp() override { m_vp->setWidthHeight(400, 300); }
    void TearDown() override { m_vp->removeAllStar(); }
    // One frame's change detection; returns what it marked dirty.
    std::vector<Rect> detect()
    {
        m_vp->m_dirtyCount = 0;
        m_vp->renderChangeDetect(0, 0, ONE);
        return FakeHost::dirtyList(*m_vp);
    }
    FakeHost m_host;
    ref<Viewport> m_vp{new Viewport()};
};

} // namespace

TEST_F(SpriteTree, ChildrenRunFarToNearAndLaterEqualDepthsDrawOnTop)
{
    ref<Vsprite> a = box(0, 0, 10, 10, 0xFF0000AA), b = box(0, 0, 10, 10, 0xFF0000BB),
                 c = box(0, 0, 10, 10, 0xFF0000CC);
    for (auto [s, z] : {std::pair{a, 5}, std::pair{b, 10}, std::pair{c, 5}}) {
        s->setZ(z);
        m_vp->add(s);
    }
    EXPECT_TRUE(m_vp->m_child == b && b->m_sibling == a && a->m_sibling == c && !c->m_sibling);
    m_vp->render();
    EXPECT_EQ(m_vp->m_pixels[0], static_cast<int32_t>(0xFF0000CC));
    // A linked sprite is neither moved by add nor appended again by addTail.
    ref<Vsprite> other(new Vsprite());
    other->add(a);
    m_vp->addTail(c);
    EXPECT_TRUE(!other->m_child && a->getParent() == m_vp && !c->m_sibling);
}

TEST_F(SpriteTree, ChangeDetectionRedrawsOnlyWhatChanged)
{
    ref<Vsprite> s1 = box(10, 10, 20, 20), s2 = box(100, 50, 10, 10);
    m_vp->add(s1);
    m_vp->add(s2);
    detect();
    EXPECT_TRUE(detect().empty());
    s1->addXy(5 * ONE, 0); // old and new rectangles touch and merge
    EXPECT_EQ(detect(), (std::vector<Rect>{{10, 10, 35, 30}}));
    s2->setAlpha(0x4000);
    EXPECT_EQ(detect(), (std::vector<Rect>{{100, 50, 110, 60}}));
    s2->setZ(7 * ONE); // not part of the checksum
    EXPECT_TRUE(detect().empty());

    // Removal erases the old place and empties the rectangle: a later
    // redraw() asks for nothing, even once linked again.
    m_vp->m_dirtyCount = 0;
    m_vp->remove(s1);
    EXPECT_EQ(FakeHost::dirtyList(*m_vp), (std::vector<Rect>{{15, 10, 35, 30}}));
    m_vp->add(s1);
    m_vp->m_dirtyCount = 0;
    s1->redraw();
    EXPECT_EQ(m_vp->m_dirtyCount, 0);
    EXPECT_EQ(detect(), (std::vector<Rect>{{15, 10, 35, 30}}));

    // Removing through the wrong parent erases but keeps the links.
    ref<Vsprite>(new Vsprite())->remove(s2);
    EXPECT_TRUE(s2->getParent() == m_vp && m_vp->m_dirtyCount == 8) << m_vp->m_dirtyCount;
}

TEST_F(SpriteTree, ScaleAndHotSpotPlaceTheRectangle)
{
    // A half-scale sprite, and the same through a half-scale group at
    // (100, 50): the offset is halved.
    ref<Vsprite> s = box(200, 100, 100, 40), group(new Vsprite()), t = box(200, 100, 100, 40);
    group->setXyi(100, 50);
    for (auto [v, scaled] : {std::pair{s, s}, std::pair{t, group}}) {
        scaled->setScale(16384);
        v->setCenter(50, 20);
    }
    group->add(t);
    m_vp->add(s);
    m_vp->add(group);
    detect();
    for (auto& v : {s, t})
        EXPECT_EQ((Rect{v->m_x0, v->m_y0, v->m_x1, v->m_y1}), (Rect{175, 90, 225, 110}));
    EXPECT_TRUE(!group->pick(174, 100) && group->pick(175, 109) && !ref<Vsprite>(new Vsprite())->pick(0, 0));
}

TEST_F(SpriteTree, RemoveAllStarDismantlesTheWholeSubtree)
{
    ref<Vsprite> panel(new Vsprite()), a = box(0, 0, 30, 20), b = box(0, 0, 50, 20);
    panel->add(a);
    a->add(b);
    m_vp->add(panel);
    m_vp->removeAllStar();
    for (Vsprite* s : {panel.get(), a.get(), b.get()})
        EXPECT_TRUE(s->m_refs == 1 && !s->isLinked() && !s->m_child && !s->m_sibling);
}
