#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "FakeHost.h"
#include "host/Vdisplay.h"
#include "scene/Viewport.h"

namespace {

using Rect = FakeHost::Rect;
constexpr int32_t ONE = 32768;

std::vector<Rect> dirty(const ref<Viewport>& vp)
{
    std::vector<Rect> out;
    for (int32_t i = 0; i < vp->m_dirtyCount; i += 4)
        out.push_back({vp->m_dirty[i], vp->m_dirty[i + 1], vp->m_dirty[i + 2], vp->m_dirty[i + 3]});
    return out;
}

ref<Vsprite> box(int32_t x, int32_t y, int32_t w, int32_t h, int32_t color)
{
    ref<Vsprite> s(new Vsprite());
    s->setXyi(x, y);
    s->setWidthHeight(w, h);
    s->setColor(color);
    return s;
}

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

class ViewportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_vp = ref<Viewport>(new Viewport());
        m_vp->init(ref<Vdisplay>(new Vdisplay()));
        m_vp->setWidthHeight(200, 100);
        // Lay the root out once so that tests see only their own changes.
        m_vp->renderChangeDetect(0, 0, ONE);
        m_vp->m_dirtyCount = 0;
    }
    void TearDown() override { m_vp->removeAllStar(); }
    FakeHost m_host;
    ref<Viewport> m_vp;
};

} // namespace

TEST_F(ViewportTest, DirtyRectanglesMergeClipAndOverflow)
{
    m_vp->redraw(0, 0, 10, 10);
    m_vp->redraw(10, 0, 20, 10); // touching edges merge
    EXPECT_EQ(dirty(m_vp), (std::vector<Rect>{{0, 0, 20, 10}}));
    m_vp->redraw(5, 2, 15, 8); // inside: nothing added
    m_vp->redraw(-5, 95, 3, 120); // clipped to the screen
    m_vp->redraw(300, 0, 400, 50); // wholly outside
    m_vp->redraw(30, 30, 30, 40); // empty
    EXPECT_EQ(dirty(m_vp), (std::vector<Rect>{{0, 0, 20, 10}, {0, 95, 3, 100}}));

    // A merge that grows the new rectangle over an earlier one merges again.
    m_vp->m_dirtyCount = 0;
    m_vp->redraw(0, 0, 10, 10);
    m_vp->redraw(10, 20, 40, 30);
    m_vp->redraw(30, 5, 35, 25);
    EXPECT_EQ(dirty(m_vp), (std::vector<Rect>{{0, 0, 40, 30}}));

    // 32 disjoint rectangles fill the list; the 33rd is dropped, but one that
    // merges still counts.
    m_vp->m_dirtyCount = 0;
    for (int32_t i = 0; i < 32; i++)
        m_vp->redraw(2 * i, 0, 2 * i + 1, 1);
    EXPECT_EQ(m_vp->m_dirtyCount, 128);
    m_vp->redraw(100, 50, 101, 51);
    EXPECT_EQ(m_vp->m_dirtyCount, 128);
    EXPECT_EQ(dirty(m_vp).back(), (Rect{62, 0, 63, 1}));
    m_vp->redraw(62, 1, 63, 2);
    EXPECT_EQ(dirty(m_vp).back(), (Rect{62, 0, 63, 2}));
}

TEST_F(ViewportTest, RenderPaintsTheDirtyListOnceAndEmptiesIt)
{
    ref<Vsprite> s = box(10, 10, 20, 20, static_cast<int32_t>(0xFF336699));
    m_vp->add(s);
    m_vp->render();
    ASSERT_EQ(m_host.m_paints.size(), 1u);
    EXPECT_EQ(m_host.m_paints[0], (std::vector<Rect>{{10, 10, 30, 30}}));
    EXPECT_EQ(m_vp->m_dirtyCount, 0);
    EXPECT_EQ(m_vp->m_pixels[15 * 200 + 15], static_cast<int32_t>(0xFF336699));
    EXPECT_EQ(m_vp->m_pixels[5 * 200 + 5], 0);

    m_vp->render(); // nothing changed: no paint request
    EXPECT_EQ(m_host.m_paints.size(), 1u);

    m_vp->m_stop = true;
    s->addXy(ONE, 0);
    m_vp->render(); // stopped: does nothing
    EXPECT_EQ(m_host.m_paints.size(), 1u);
}

TEST_F(ViewportTest, ResizeAndDestroy)
{
    int32_t avail = V::m_avail;
    m_vp->setWidthHeight(200, 100); // same size: nothing
    EXPECT_EQ(m_vp->m_dirtyCount, 0);
    m_vp->setWidthHeight(60, 40);
    EXPECT_EQ(m_vp->m_pixels.length, 2400);
    EXPECT_EQ(V::m_avail, avail + 200 * 100 * 4 - 60 * 40 * 4);
    EXPECT_EQ(dirty(m_vp), (std::vector<Rect>{{0, 0, 60, 40}}));
    m_vp->redraw(50, 30, 100, 100);
    EXPECT_EQ(dirty(m_vp), (std::vector<Rect>{{0, 0, 60, 40}}));

    ref<Vsprite> s = box(0, 0, 5, 5, static_cast<int32_t>(0xFFFFFFFF));
    m_vp->add(s);
    m_vp->destroy();
    EXPECT_FALSE(s->isLinked());
    EXPECT_TRUE(m_vp->m_pixels.empty());
    EXPECT_EQ(V::m_avail, avail + 200 * 100 * 4);
    m_vp->add(s);
    m_vp->render(); // no buffer: nothing drawn, nothing painted
    EXPECT_EQ(m_host.m_paints.size(), 0u);
    m_vp->setWidthHeight(-3, 10);
    EXPECT_EQ(m_vp->m_width, 0);
}

TEST_F(ViewportTest, KeyBitsAndQueue)
{
    m_vp->keyDownSys(53);
    m_vp->keyDownSys(53); // held: not queued again
    m_vp->keyDownSys(60);
    m_vp->keyDownSys(60); // above 57: queued every time, never held
    EXPECT_TRUE(m_vp->keyDown(53));
    EXPECT_FALSE(m_vp->keyDown(60));
    EXPECT_TRUE(m_vp->keyPress(0, 53));
    EXPECT_TRUE(m_vp->keyPress(60, 60));
    EXPECT_FALSE(m_vp->keyPress(1, 60));
    EXPECT_EQ(m_vp->keyPeek(), 53);
    EXPECT_EQ(m_vp->keyGet(), 53);
    EXPECT_EQ(m_vp->keyGet(), 60);
    EXPECT_EQ(m_vp->keyGet(), 60);
    EXPECT_FALSE(m_vp->keyWaiting());
    EXPECT_EQ(m_vp->keyGet(), 0);
    EXPECT_EQ(m_vp->keyPeek(), 0);
    m_vp->keyUpSys(53);
    EXPECT_FALSE(m_vp->keyDown(53));
    m_vp->keyDownSys(53); // released: queued again
    EXPECT_EQ(m_vp->keyGet(), 53);
    m_vp->keyUpSys(53);

    // Code 32 lives in the second word of bits.
    m_vp->keyDownSys(' ');
    EXPECT_TRUE(m_vp->keyDown(' '));
    EXPECT_FALSE(m_vp->keyDown(0));
    m_vp->keyUpSys(' ');
    EXPECT_FALSE(m_vp->keyDown(' '));
    m_vp->keyGet();

    // Ten slots hold nine codes; the tenth add is dropped. The indices wrap.
    for (int32_t k = 1; k <= 10; k++)
        m_vp->keyAddSys(k);
    for (int32_t k = 1; k <= 9; k++)
        EXPECT_EQ(m_vp->keyGet(), k);
    EXPECT_EQ(m_vp->keyGet(), 0);

    // Bytes 128..255 are negative codes: queued, never held, no bit touched.
    m_vp->keyDownSys(200);
    m_vp->keyDownSys(200);
    EXPECT_FALSE(m_vp->keyDown(200));
    EXPECT_EQ(m_vp->keyGet(), -56);
    EXPECT_EQ(m_vp->keyGet(), -56);
    m_vp->keyUpSys(-1);
    EXPECT_EQ(m_vp->m_keyBits[0].load() | m_vp->m_keyBits[1].load(), 0);
}

TEST_F(ViewportTest, KeyQueueHandsCodesAcrossThreadsInOrder)
{
    constexpr int32_t N = 20000;
    std::thread producer([&] {
        for (int32_t i = 0; i < N; i++) {
            // Wait for room, as a host that must not drop keys would.
            while ((m_vp->m_keyTail.load() + 1) % 10 == m_vp->m_keyHead.load())
                std::this_thread::yield();
            m_vp->keyAddSys(1 + i % 100);
        }
    });
    int32_t got = 0;
    bool inOrder = true;
    while (got < N) {
        int32_t k = m_vp->keyGet();
        if (k == 0) {
            std::this_thread::yield();
            continue;
        }
        inOrder = inOrder && k == 1 + got % 100;
        got++;
    }
    producer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_FALSE(m_vp->keyWaiting());
}

TEST_F(ViewportTest, WaitMsPacesFramesOnTheClock)
{
    int32_t start = m_host.m_now;
    m_host.m_now += 20; // work
    m_vp->waitMs(50);
    EXPECT_EQ(m_host.m_slept, 30);
    EXPECT_EQ(m_vp->m_frameMs, 50);
    EXPECT_EQ(m_vp->m_time, start + 50);
    EXPECT_GE(m_host.m_sleeps, 3); // in slices of at most 10 ms

    m_host.m_now += 80;
    m_vp->waitMs(50); // late: no sleep, no catching up
    EXPECT_EQ(m_host.m_slept, 30);
    EXPECT_EQ(m_vp->m_frameMs, 80);

    m_host.m_now += 7;
    m_vp->waitMs(0);
    EXPECT_EQ(m_vp->m_frameMs, 7);

    // A stop request ends the wait within a slice.
    m_host.m_stopVp = m_vp.get();
    m_host.m_stopAt = m_host.m_now + 25;
    m_vp->waitMs(1000);
    EXPECT_EQ(m_host.m_slept, 60);
    EXPECT_FALSE(m_vp->isRunning());
    m_vp->waitMs(100);
    EXPECT_EQ(m_host.m_slept, 60);
}

TEST_F(ViewportTest, FadeInStepsByFrameTime)
{
    ref<AlphaLog> s(new AlphaLog());
    s->setWidthHeight(10, 10);
    s->setColor(static_cast<int32_t>(0xFF00FF00));
    m_vp->add(ref<Vsprite>(s));
    m_vp->fadeIn(ref<Vsprite>(s), 5); // 64 ms frames << 5: 2048 per frame
    ASSERT_EQ(s->m_log.size(), 16u);
    for (int32_t i = 0; i < 15; i++)
        EXPECT_EQ(s->m_log[i], 2048 * (i + 1));
    EXPECT_EQ(s->m_log.back(), 32768);
    EXPECT_EQ(m_host.m_paints.size(), 15u);

    // A shift that would add nothing ends the fade at once.
    s->m_log.clear();
    m_vp->fadeIn(ref<Vsprite>(s), 40);
    EXPECT_EQ(s->m_log, (std::vector<int32_t>{32768}));
}

TEST_F(ViewportTest, FadeToBlackDarkensForItsTime)
{
    for (int32_t i = 0; i < m_vp->m_pixels.length; i++)
        m_vp->m_pixels[i] = static_cast<int32_t>(0xFF08FF10);
    m_host.m_paintMs = 200; // a paint slower than the whole fade: one step
    m_vp->fadeToBlack(180);
    ASSERT_EQ(m_host.m_redraws.size(), 1u);
    EXPECT_EQ(m_host.m_redraws[0], (Rect{0, 0, 200, 100}));
    EXPECT_EQ(m_vp->m_pixels[777], static_cast<int32_t>(0xFF07E00E));

    m_host.m_redraws.clear();
    m_host.m_paintMs = 50; // 180 ms run out after four 50 ms steps
    m_vp->fadeToBlack(180);
    EXPECT_EQ(m_host.m_redraws.size(), 4u);

    m_host.m_redraws.clear();
    m_host.m_paintMs = 0; // fast frames: at most 18 steps
    m_vp->fadeToBlack(180);
    EXPECT_EQ(m_host.m_redraws.size(), 18u);
    int32_t p = m_vp->m_pixels[0];
    EXPECT_EQ(p >> 24, -1);          // the depth byte is kept
    EXPECT_EQ((p >> 16) & 0xFF, 7);  // an eighth of less than 8 is nothing
    EXPECT_LT((p >> 8) & 0xFF, 32);  // 255 after 23 steps
    EXPECT_EQ(p & 0xFF, 7);
}

TEST_F(ViewportTest, WipesShowBandsAndStopWhenAsked)
{
    m_vp->setWidthHeight(100, 70);
    ref<Vsprite> s = box(0, 0, 100, 70, static_cast<int32_t>(0xFF445566));
    m_vp->add(s);
    m_vp->wipeTopToBottom();
    EXPECT_EQ(m_host.m_redraws, (std::vector<Rect>{{0, 0, 100, 20}, {0, 20, 100, 40},
                                                   {0, 40, 100, 60}, {0, 60, 100, 70}}));
    EXPECT_EQ(m_vp->m_dirtyCount, 0);
    EXPECT_EQ(m_vp->m_pixels[69 * 100 + 99], static_cast<int32_t>(0xFF445566));
    EXPECT_TRUE(m_host.m_paints.empty());

    m_host.m_redraws.clear();
    m_vp->wipeTopToBottom(); // nothing changed: nothing shown
    EXPECT_TRUE(m_host.m_redraws.empty());

    s->setColor(static_cast<int32_t>(0xFF111111));
    m_vp->wipeLeftToRight(); // bands of 40 below a width of 320
    EXPECT_EQ(m_host.m_redraws,
              (std::vector<Rect>{{0, 0, 40, 70}, {40, 0, 80, 70}, {80, 0, 100, 70}}));

    // Interrupted: the rest of the screen stays dirty for the next render.
    m_host.m_redraws.clear();
    m_host.m_stopAfter = 2;
    s->setColor(static_cast<int32_t>(0xFF222222));
    m_vp->wipeTopToBottom();
    EXPECT_EQ(m_host.m_redraws.size(), 2u);
    EXPECT_EQ(dirty(m_vp), (std::vector<Rect>{{0, 0, 100, 70}}));
    EXPECT_EQ(m_vp->m_pixels[69 * 100], static_cast<int32_t>(0xFF111111));

    m_vp->m_stop = false;
    m_vp->m_rotating = true;
    m_host.m_redraws.clear();
    m_vp->wipeLeftToRight();
    EXPECT_TRUE(m_host.m_redraws.empty());
    EXPECT_EQ(m_vp->m_dirtyCount, 4);
    m_vp->m_rotating = false;

    m_vp->setWidthHeight(480, 320);
    m_host.m_redraws.clear();
    m_host.m_stopAfter = -1;
    m_vp->wipeLeftToRight(); // wide screens: eighths
    ASSERT_EQ(m_host.m_redraws.size(), 8u);
    EXPECT_EQ(m_host.m_redraws[1], (Rect{60, 0, 120, 320}));
}

TEST_F(ViewportTest, BackgroundSoundsKeepTheirDistance)
{
    m_vp->sound("shoot"_s);
    EXPECT_EQ(m_host.m_played.size(), 1u);
    m_host.m_now += 300;
    m_vp->soundBkg("motor"_s, 500); // 300 ms after a sound: not yet
    EXPECT_EQ(m_host.m_played.size(), 1u);
    m_host.m_now += 200;
    m_vp->soundBkg("motor"_s, 500);
    EXPECT_EQ(m_host.m_played.size(), 2u);
    EXPECT_EQ(m_vp->m_soundTime, m_host.m_now);
    m_host.m_now -= 1000; // a clock that went back never blocks the sound
    m_vp->soundBkg("motor"_s, 500);
    EXPECT_EQ(m_host.m_played.size(), 3u);

    // Children pass sounds up to the root.
    ref<Vsprite> child(new Vsprite());
    m_vp->add(child);
    child->sound("hit"_s);
    EXPECT_EQ(m_host.m_played.size(), 4u);

    m_vp->m_mute = true;
    m_vp->sound("hit"_s);
    m_vp->m_mute = false;
    m_vp->m_stop = true;
    m_vp->sound("hit"_s);
    m_host.m_now += 5000;
    m_vp->soundBkg("motor"_s, 500);
    EXPECT_EQ(m_host.m_played.size(), 4u);
}

TEST_F(ViewportTest, VisibleFollowsTheFirstChildOfAGroup)
{
    ref<Vsprite> group(new Vsprite());
    ref<Vsprite> on = box(190, 90, 20, 20, 1), off = box(200, 10, 5, 5, 1);
    group->add(on);
    m_vp->add(group);
    m_vp->add(off);
    m_vp->renderChangeDetect(0, 0, ONE);
    EXPECT_TRUE(m_vp->visible(group));
    EXPECT_TRUE(m_vp->visible(on));
    EXPECT_FALSE(m_vp->visible(off));
    on->setXyi(-20, 0);
    m_vp->renderChangeDetect(0, 0, ONE);
    EXPECT_FALSE(m_vp->visible(group)); // right edge at 0
    EXPECT_FALSE(m_vp->visible(nullptr));
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
    EXPECT_EQ(m_vp->m_pixels[20 * 200 + 10], 0);
    EXPECT_EQ(m_vp->m_pixels[(20 + 29) * 200 + 10 + 39], 0x270000 + 29);
    EXPECT_EQ(m_vp->m_pixels[(20 + 5) * 200 + 10 + 7], 0x070000 + 5);
    EXPECT_EQ(m_vp->m_pixels[20 * 200 + 9], 0);
    EXPECT_EQ(m_vp->m_pixels[50 * 200 + 10], 0);

    // What the nested view drew into its own buffer (here its first full
    // frame) is reported to the parent, moved to where it is shown.
    m_host.m_paints.clear();
    inner->render();
    EXPECT_EQ(inner->m_dirtyCount, 0);
    EXPECT_TRUE(m_host.m_paints.empty());
    EXPECT_EQ(dirty(m_vp), (std::vector<Rect>{{10, 20, 50, 50}}));
    // Its own redraw requests go straight to the parent.
    inner->redraw(0, 0, 5, 5);
    EXPECT_EQ(dirty(m_vp), (std::vector<Rect>{{10, 20, 50, 50}, {0, 0, 5, 5}}));
}
