#include <gtest/gtest.h>

#include <tuple>

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
    EXPECT_EQ(std::pair(m_vp->m_dirtyCount, dirty().back()), (std::pair(128, Rect{62, 0, 63, 1})));
}

TEST_F(ViewportTest, RenderPaintsTheListOnceAndEmptiesIt)
{
    m_vp->add(box(10, 10, 20, 20, 0xFF336699));
    m_vp->render();
    m_vp->render(); // nothing changed: no paint
    EXPECT_EQ(m_host.m_paints, (std::vector<std::vector<Rect>>{{{10, 10, 30, 30}}}));
    EXPECT_EQ(std::pair(m_vp->m_dirtyCount, m_vp->m_pixels[15 * 200 + 15]), std::pair(0, static_cast<int32_t>(0xFF336699)));
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
    EXPECT_EQ(std::pair(m_host.m_slept, m_vp->m_frameMs), std::pair(30, 50));
    m_host.m_now += 80;
    m_vp->waitMs(50); // late: no sleep, no catching up
    EXPECT_EQ(std::pair(m_host.m_slept, m_vp->m_frameMs), std::pair(30, 80));
    // A stop request ends the wait within one 10 ms slice.
    m_host.m_stopVp = m_vp.get();
    m_host.m_stopAt = m_host.m_now + 25;
    m_vp->waitMs(1000);
    EXPECT_EQ(m_host.m_slept, 60);
}

// A dimmed frame is drawn from the tree each time, not from the frame before.
TEST_F(ViewportTest, ADimmedFrameIsDrawnFromTheTree)
{
    m_vp->add(box(0, 0, 200, 100, 0xFF336699));
    m_vp->render(); // the last frame before the fade
    for (auto [level, colour] : {std::pair{128, 0xFF19334Cu}, std::pair{128, 0xFF19334Cu}, std::pair{300, 0xFF336699u},
                                 std::pair{-5, 0xFF000000u}}) {
        m_vp->paintDimmed(level); // each channel scaled, the depth byte kept; past full, the picture itself
        EXPECT_EQ(static_cast<uint32_t>(m_vp->m_pixels[777]), colour) << level;
    }
    EXPECT_EQ(m_host.m_redraws.size(), 4u);
    EXPECT_EQ(m_host.m_redraws[0], (Rect{0, 0, 200, 100}));
    // Without a buffer there is nothing to draw or show.
    m_vp->destroy();
    m_vp->paintDimmed(128);
    EXPECT_EQ(m_host.m_redraws.size(), 4u);
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
    EXPECT_EQ(std::tuple(m_vp->m_pixels[(20 + 5) * 200 + 10 + 7], m_vp->m_pixels[(20 + 29) * 200 + 10 + 39], m_vp->m_pixels[20 * 200 + 9]),
              std::tuple(0x070000 + 5, 0x270000 + 29, 0));
    // What it drew into its own buffer (its first full frame, collected before
    // it was linked) is reported to the parent where it is shown.
    inner->render();
    EXPECT_EQ(dirty(), (std::vector<Rect>{{10, 20, 50, 50}}));
    EXPECT_EQ(m_host.m_paints.size(), 1u);
}

