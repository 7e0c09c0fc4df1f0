#include <gtest/gtest.h>

#include <vector>

#include "FakeHost.h"
#include "scene/Viewport.h"
#include "scene/Vsprite.h"

namespace {

using Rect = FakeHost::Rect;
constexpr int32_t ONE = 32768;

ref<Vsprite> box(int32_t x, int32_t y, int32_t w, int32_t h, int32_t color = 0xFF808080)
{
    ref<Vsprite> s(new Vsprite());
    s->setXyi(x, y);
    s->setWidthHeight(w, h);
    s->setColor(color);
    return s;
}

std::vector<Rect> dirty(const ref<Viewport>& vp)
{
    std::vector<Rect> out;
    for (int32_t i = 0; i < vp->m_dirtyCount; i += 4)
        out.push_back({vp->m_dirty[i], vp->m_dirty[i + 1], vp->m_dirty[i + 2], vp->m_dirty[i + 3]});
    return out;
}

std::vector<Vsprite*> children(const ref<Vsprite>& s)
{
    std::vector<Vsprite*> out;
    for (Vsprite* c = s->m_child.get(); c; c = c->m_sibling.get())
        out.push_back(c);
    return out;
}

class SpriteTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_vp = ref<Viewport>(new Viewport());
        m_vp->setWidthHeight(200, 100);
    }
    void TearDown() override
    {
        m_vp->removeAllStar();
        Vsprite::m_inset = 0;
    }
    // Change detection of one frame, leaving the dirty list to look at.
    std::vector<Rect> detect()
    {
        m_vp->m_dirtyCount = 0;
        m_vp->renderChangeDetect(0, 0, ONE);
        return dirty(m_vp);
    }
    FakeHost m_host;
    ref<Viewport> m_vp;
};

} // namespace

TEST_F(SpriteTree, ChildrenRunFromFarToNearAndLaterEqualDepthsDrawOnTop)
{
    ref<Vsprite> a = box(0, 0, 10, 10, 0xFF0000AA), b = box(0, 0, 10, 10, 0xFF0000BB),
                 c = box(0, 0, 10, 10, 0xFF0000CC);
    a->setZ(5);
    b->setZ(10);
    c->setZ(5);
    m_vp->add(a);
    m_vp->add(b);
    m_vp->add(c);
    EXPECT_EQ(children(ref<Vsprite>(m_vp)), (std::vector<Vsprite*>{b.get(), a.get(), c.get()}));
    m_vp->render();
    EXPECT_EQ(m_vp->m_pixels[0], static_cast<int32_t>(0xFF0000CC));

    // A linked sprite is neither moved by add nor appended twice by addTail.
    ref<Vsprite> other = box(0, 0, 5, 5);
    other->add(a);
    other->addTail(a);
    m_vp->addTail(c);
    EXPECT_TRUE(other->m_child == nullptr);
    EXPECT_EQ(children(ref<Vsprite>(m_vp)).size(), 3u);
    EXPECT_TRUE(a->getParent() == m_vp);
}

TEST_F(SpriteTree, OnlyChangedSpritesAreRedrawn)
{
    ref<Vsprite> s1 = box(10, 10, 20, 20), s2 = box(100, 50, 10, 10);
    m_vp->add(s1);
    m_vp->add(s2);
    m_vp->render();
    EXPECT_TRUE(detect().empty());

    // A move reports the old and the new rectangle, which touch and merge.
    s1->addXy(5 * ONE, 0);
    EXPECT_EQ(detect(), (std::vector<Rect>{{10, 10, 35, 30}}));

    s2->setAlpha(0x4000);
    EXPECT_EQ(detect(), (std::vector<Rect>{{100, 50, 110, 60}}));
    s2->setColor(0xFF123456);
    EXPECT_EQ(detect(), (std::vector<Rect>{{100, 50, 110, 60}}));
    // Depth and gradient are not part of the checksum.
    s2->setColorGradient(0xFF00FF00);
    s2->setZ(7 * ONE);
    EXPECT_TRUE(detect().empty());
    s2->redraw();
    EXPECT_EQ(dirty(m_vp), (std::vector<Rect>{{100, 50, 110, 60}}));

    // Removing erases the old place and empties the rectangle, so a later
    // redraw of it asks for nothing even once linked again.
    m_vp->m_dirtyCount = 0;
    m_vp->remove(s1);
    EXPECT_EQ(dirty(m_vp), (std::vector<Rect>{{15, 10, 35, 30}}));
    EXPECT_FALSE(s1->isLinked());
    EXPECT_EQ(s1->m_x0, 0);
    EXPECT_EQ(s1->m_x1, 0);
    m_vp->m_dirtyCount = 0;
    s1->redraw();
    EXPECT_EQ(m_vp->m_dirtyCount, 0);
    s1->setXyi(50, 60);
    m_vp->add(s1);
    s1->redraw();
    EXPECT_EQ(m_vp->m_dirtyCount, 0);
    EXPECT_EQ(detect(), (std::vector<Rect>{{50, 60, 70, 80}}));
}

TEST_F(SpriteTree, ScaleAndHotSpotPlaceTheRectangle)
{
    ref<Vsprite> s = box(200, 100, 100, 40);
    s->setScale(16384);
    s->setCenter(50, 20);
    m_vp->setWidthHeight(400, 300);
    m_vp->add(s);
    detect();
    EXPECT_EQ((Rect{s->m_x0, s->m_y0, s->m_x1, s->m_y1}), (Rect{175, 90, 225, 110}));

    // The same through a half-scale parent group at (100, 50): the child's
    // offset of (200, 100) is halved as well.
    ref<Vsprite> group(new Vsprite());
    group->setXyi(100, 50);
    group->setScale(16384);
    ref<Vsprite> t = box(200, 100, 100, 40);
    t->setCenter(50, 20);
    group->add(t);
    m_vp->add(group);
    detect();
    EXPECT_EQ((Rect{t->m_x0, t->m_y0, t->m_x1, t->m_y1}), (Rect{175, 90, 225, 110}));
    EXPECT_EQ(t->m_drawScale, 16384);

    t->m_maxScale = 8192;
    t->addXy(ONE, 0); // half a pixel at this scale: enough to lay it out again
    detect();
    EXPECT_EQ(t->m_drawScale, 8192);
    EXPECT_EQ(t->m_x1 - t->m_x0, 25);
}

TEST_F(SpriteTree, StackingPlacesChildrenAndGrowsThePanel)
{
    Vsprite::m_inset = 4;
    ref<Vsprite> panel(new Vsprite());
    ref<Vsprite> a = box(0, 0, 30, 20), b = box(0, 0, 50, 20);
    panel->addBottom(a);
    panel->addBottom(b);
    EXPECT_EQ(a->getX(), 4 * ONE);
    EXPECT_EQ(a->getY(), 0);
    EXPECT_EQ(b->getY(), 20 * ONE);
    EXPECT_EQ(panel->getHeight(), 40);
    EXPECT_EQ(panel->getWidth(), 58);
    EXPECT_EQ(children(panel), (std::vector<Vsprite*>{a.get(), b.get()}));

    ref<Vsprite> c = box(0, 0, 20, 10);
    panel->addCenterBottom(c); // half the free width, fixed point
    EXPECT_EQ(c->getX(), 19 * ONE);
    EXPECT_EQ(c->getY(), 40 * ONE);

    ref<Vsprite> row(new Vsprite());
    ref<Vsprite> d = box(0, 0, 10, 8), e = box(0, 0, 12, 16);
    row->addRight(d, 3);
    row->addRight(e, 3);
    EXPECT_EQ(d->getX(), 3 * ONE);
    EXPECT_EQ(e->getX(), 19 * ONE);
    EXPECT_EQ(row->getWidth(), 34);
    EXPECT_EQ(row->getHeight(), 16);

    ref<Vsprite> f = box(0, 0, 5, 5);
    row->addCenter(f);
    EXPECT_EQ(f->getX(), 14 * ONE);
    EXPECT_EQ(f->getY(), 5 * ONE);

    ref<Vsprite> g = box(0, 0, 20, 10);
    g->center(0, 0, 100, 50);
    EXPECT_EQ(g->getX(), 40 * ONE);
    EXPECT_EQ(g->getY(), 20 * ONE);
    g->center(0, 0, 100, 6); // a box lower than the sprite: its bottom is kept
    EXPECT_EQ(g->getY(), -4 * ONE);
    g->center(0, 0, 9, 5);
    EXPECT_EQ(g->getX(), -6 * ONE); // arithmetic shift of -11
    row->removeAll();
    panel->removeAll();
}

TEST_F(SpriteTree, RemovalUnlinksAndFreesSubtrees)
{
    ref<Vsprite> a = box(0, 0, 10, 10), b = box(0, 0, 5, 5), c = box(1, 1, 2, 2);
    m_vp->add(a);
    a->add(b);
    b->add(c);
    EXPECT_EQ(a->m_refs, 3); // the test, the root's child link and b's parent link
    m_vp->removeAllStar();
    for (Vsprite* s : {a.get(), b.get(), c.get()}) {
        EXPECT_FALSE(s->isLinked());
        EXPECT_TRUE(s->m_child == nullptr);
        EXPECT_TRUE(s->m_sibling == nullptr);
        EXPECT_EQ(s->m_refs, 1);
    }

    // off() takes a sprite out of the middle of a list.
    ref<Vsprite> d = box(0, 0, 1, 1), e = box(0, 0, 1, 1), f = box(0, 0, 1, 1);
    m_vp->add(d);
    m_vp->add(e);
    m_vp->add(f);
    e->off();
    EXPECT_EQ(children(ref<Vsprite>(m_vp)), (std::vector<Vsprite*>{d.get(), f.get()}));
    e->off(); // not linked: nothing

    // Removing a sprite through the wrong parent erases it but keeps its links.
    detect();
    ref<Vsprite> stranger(new Vsprite());
    m_vp->m_dirtyCount = 0;
    stranger->remove(f);
    EXPECT_TRUE(f->getParent() == m_vp);
    EXPECT_EQ(children(ref<Vsprite>(m_vp)).size(), 2u);
    EXPECT_EQ(m_vp->m_dirtyCount, 4);
    m_vp->remove(nullptr);
}

TEST_F(SpriteTree, PickAndExtent)
{
    ref<Vsprite> group(new Vsprite());
    EXPECT_FALSE(group->pick(0, 0));
    ref<Vsprite> s = box(10, 20, 30, 40);
    group->add(s);
    m_vp->add(group);
    detect();
    EXPECT_TRUE(group->pick(10, 20));
    EXPECT_TRUE(group->pick(39, 59));
    EXPECT_FALSE(group->pick(40, 30));
    EXPECT_FALSE(s->pick(20, 60));

    m_vp->m_dirtyCount = 0;
    EXPECT_FALSE(s->setExtent(10, 20, 40, 60));
    EXPECT_EQ(m_vp->m_dirtyCount, 0);
    EXPECT_TRUE(s->setExtent(50, 20, 60, 30));
    EXPECT_EQ(s->getWidth(), 10);
    EXPECT_EQ(s->getHeight(), 10);
    EXPECT_EQ(dirty(m_vp), (std::vector<Rect>{{10, 20, 40, 60}, {50, 20, 60, 30}}));
}
