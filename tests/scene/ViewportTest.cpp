#include <gtest/gtest.h>

#include "support/FakeHost.h"
#include "host/Vdisplay.h"

namespace {

constexpr int32_t ONE = 32768;

class ViewportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_vp->init(ref<Vdisplay>(new Vdisplay()));
        m_vp->setWidthHeight(200, 100);
        m_vp->renderChangeDetect(0, 0, ONE); // lay the root out once
        m_vp->m_dirtyCount = 0;
    }
    void TearDown() override { m_vp->removeAllStar(); }
    std::vector<Rect> dirty() { return FakeHost::dirtyList(*m_vp); }
    FakeHost m_host;
    ref<Viewport> m_vp{new Viewport()};
};

// Remembers every alpha it is given.
class AlphaLog : public Vsprite {
public:
    void setAlpha(int32_t a) override
    {
        m_log.push_back(a);
        Vsprite::setAlpha(a);
    }
    std::vector<int32_t> m_log;
};

} // namespace

TEST_F(ViewportTest, DirtyRectanglesMergeClipAndOverflow)
{
    m_vp->redraw(0, 0, 10, 10);
    m_vp->redraw(10, 0, 20, 10);   // touching edges merge
    m_vp->redraw(5, 2, 15, 8);     // inside: nothing added
    m_vp->redraw(-5, 95, 3, 120);  // clipped to the screen
    m_vp->redraw(300, 0, 400, 50); // wholly outside
    EXPECT_EQ(dirty(), (std::vector<Rect>{{0, 0, 20, 10}, {0, 95, 3, 100}}));
    // A merge that grows over an earlier rectangle merges again.
    m_vp->m_dirtyCount = 0;
    m_vp->redraw(0, 0, 10, 10);
    m_vp->redraw(10, 20, 40, 30);
    m_vp->redraw(30, 5, 35, 25);
    EXPECT_EQ(dirty(), (std::vector<Rect>{{0, 0, 40, 30}}));
    // The 33rd disjoint rectangle is dropped.
    m_vp->m_dirtyCount = 0;
    for (int32_t i = 0; i < 33; i++)
        m_vp->redraw(2 * i, 0, 2 * i + 1, 1);
    EXPECT_EQ(m_vp->m_dirtyCount, 128);
    EXPECT_EQ(dirty().back(), (Rect{62, 0, 63, 1}));
}

TEST_F(ViewportTest, RenderPaintsTheListOnceAndEmptiesIt)
{
    m_vp->add(box(10, 10, 20, 20, 0xFF336699));
    m_vp->render();
    m_vp->render(); // nothing changed: no paint
    ASSERT_EQ(m_host.m_paints.size(), 1u);
    EXPECT_EQ(m_host.m_paints[0], (std::vector<Rect>{{10, 10, 30, 30}}));
    EXPECT_EQ(m_vp->m_dirtyCount, 0);
    EXPECT_EQ(m_vp->m_pixels[15 * 200 + 15], static_cast<int32_t>(0xFF336699));
    // Without a buffer nothing is collected, drawn or painted.
    m_vp->destroy();
    m_vp->add(box(0, 0, 5, 5));
    m_vp->render();
    EXPECT_EQ(m_host.m_paints.size(), 1u);
}

TEST_F(ViewportTest, WaitMsPacesFramesOnTheClock)
{
    m_host.m_now += 20; // work
    m_vp->waitMs(50);
    EXPECT_EQ(m_host.m_slept, 30);
    EXPECT_EQ(m_vp->m_frameMs, 50);
    m_host.m_now += 80;
    m_vp->waitMs(50); // late: no sleep, no catching up
    EXPECT_EQ(m_host.m_slept, 30);
    EXPECT_EQ(m_vp->m_frameMs, 80);
    // A stop request ends the wait within one 10 ms slice.
    m_host.m_stopVp = m_vp.get();
    m_host.m_stopAt = m_host.m_now + 25;
    m_vp->waitMs(1000);
    EXPECT_EQ(m_host.m_slept, 60);
}

TEST_F(ViewportTest, FadeInStepsByFrameTime)
{
    ref<AlphaLog> s(new AlphaLog());
    s->setWidthHeight(10, 10);
    m_vp->add(ref<Vsprite>(s));
    m_vp->fadeIn(ref<Vsprite>(s), 5); // 64 ms frames << 5: 2048 a frame
    ASSERT_EQ(s->m_log.size(), 16u);
    EXPECT_EQ(s->m_log[14], 30720);
    EXPECT_EQ(s->m_log[15], 32768);
    s->m_log.clear();
    m_vp->fadeIn(ref<Vsprite>(s), 40); // would add nothing: ends at once
    EXPECT_EQ(s->m_log, (std::vector<int32_t>{32768}));
}

// A fade to black takes as many steps as fit its time (at most 18); a dimmed
// frame is drawn from the tree each time, not from the frame before.
TEST_F(ViewportTest, FadesDarkenForTheirTimeFromTheTree)
{
    m_vp->add(box(0, 0, 200, 100, 0xFF336699));
    m_vp->render(); // the last frame before the fade
    m_vp->paintDimmed(128);
    EXPECT_EQ(m_host.m_redraws, (std::vector<Rect>{{0, 0, 200, 100}}));
    EXPECT_EQ(m_vp->m_pixels[777], static_cast<int32_t>(0xFF19334C)) << "each channel halved, the depth byte kept";
    m_vp->paintDimmed(128);
    EXPECT_EQ(m_vp->m_pixels[777], static_cast<int32_t>(0xFF19334C));
    m_vp->paintDimmed(300);
    EXPECT_EQ(m_vp->m_pixels[777], static_cast<int32_t>(0xFF336699)) << "a level past full is the picture itself";
    m_vp->paintDimmed(-5);
    EXPECT_EQ(m_vp->m_pixels[777], static_cast<int32_t>(0xFF000000));

    for (int32_t i = 0; i < m_vp->m_pixels.length; i++)
        m_vp->m_pixels[i] = static_cast<int32_t>(0xFF08FF10);
    m_host.m_redraws.clear();
    m_host.m_paintMs = 200; // one paint outlasts the fade: one step
    m_vp->fadeToBlack(180);
    EXPECT_EQ(m_host.m_redraws, (std::vector<Rect>{{0, 0, 200, 100}}));
    EXPECT_EQ(m_vp->m_pixels[777], static_cast<int32_t>(0xFF07E00E));
    m_host.m_paintMs = 50; // 180 ms last four 50 ms steps
    m_vp->fadeToBlack(180);
    m_host.m_paintMs = 0; // quick paints: at most 18 steps
    m_vp->fadeToBlack(180);
    EXPECT_EQ(m_host.m_redraws.size(), 1u + 4u + 18u);
    // Without a buffer there is nothing to draw or show.
    m_vp->destroy();
    m_vp->paintDimmed(128);
    EXPECT_EQ(m_host.m_redraws.size(), 1u + 4u + 18u);
}

TEST_F(ViewportTest, WipesShowBandsAndStopWhenAsked)
{
    m_vp->setWidthHeight(100, 70);
    ref<Vsprite> s = box(0, 0, 100, 70, 0xFF445566);
    m_vp->add(s);
    m_vp->wipeTopToBottom();
    EXPECT_EQ(m_host.m_redraws, (std::vector<Rect>{{0, 0, 100, 20}, {0, 20, 100, 40},
                                                   {0, 40, 100, 60}, {0, 60, 100, 70}}));
    EXPECT_EQ(m_vp->m_dirtyCount, 0);
    EXPECT_EQ(m_vp->m_pixels[69 * 100 + 99], static_cast<int32_t>(0xFF445566));
    // Interrupted after two bands: the screen stays dirty for the next render.
    m_host.m_redraws.clear();
    m_host.m_stopAfter = 2;
    s->setColor(0xFF222222);
    m_vp->wipeLeftToRight(); // bands of 40 below a width of 320
    EXPECT_EQ(m_host.m_redraws, (std::vector<Rect>{{0, 0, 40, 70}, {40, 0, 80, 70}}));
    EXPECT_EQ(dirty(), (std::vector<Rect>{{0, 0, 100, 70}}));
}

TEST_F(ViewportTest, NestedViewportIsCopiedAndReportsToItsParent)
{
    ref<Viewport> inner(new Viewport());
    inner->setWidthHeight(40, 30);
    for (int32_t i = 0; i < inner->m_pixels.length; i++)
        inner->m_pixels[i] = 0x010000 * (i % 40) + (i / 40);
    inner->setXyi(10, 20);
    m_vp->add(ref<Vsprite>(inner));
    m_vp->render();
    EXPECT_EQ(m_vp->m_pixels[(20 + 5) * 200 + 10 + 7], 0x070000 + 5);
    EXPECT_EQ(m_vp->m_pixels[(20 + 29) * 200 + 10 + 39], 0x270000 + 29);
    EXPECT_EQ(m_vp->m_pixels[20 * 200 + 9], 0);
    // What it drew into its own buffer (its first full frame, collected before
    // it was linked) is reported to the parent where it is shown.
    inner->render();
    EXPECT_EQ(dirty(), (std::vector<Rect>{{10, 20, 50, 50}}));
    EXPECT_EQ(m_host.m_paints.size(), 1u);
}

TEST_F(ViewportTest, VisibleLooksAtAGroupsFirstChild)
{
    ref<Vsprite> group = new Vsprite, inside = box(10, 10, 5, 5); // the group's own rectangle stays empty
    m_vp->add(group);
    group->add(inside);
    m_vp->renderChangeDetect(0, 0, 32768);
    EXPECT_TRUE(m_vp->visible(group));
    inside->setXyi(-20, 10); // wholly left of the screen
    m_vp->renderChangeDetect(0, 0, 32768);
    EXPECT_FALSE(m_vp->visible(group));
    EXPECT_FALSE(m_vp->visible(new Vsprite));
}
