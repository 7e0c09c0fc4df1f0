#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "HostFrame.h"
#include "TestRoot.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t msSince(Clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

// A host frame whose "screen" records the rectangles it was shown. The test
// thread plays the main thread: it serves paints when it chooses to.
class TestFrame : public HostFrame {
public:
    ~TestFrame() override
    {
        stop();
        finishGame();
    }
    int32_t loadSound(const char*) override { return -1; }
    void playSound(int32_t) override {}
    void queuePaint() override { m_queued.fetch_add(1); }
    void show(const Viewport& vp, const int32_t* rects, int32_t n) override
    {
        m_shownWidth = vp.m_width;
        for (int32_t i = 0; i < 4 * n; i++)
            m_shown.push_back(rects[i]);
    }
    // Serves paints on this thread until cond holds; false on a time-out.
    template <class F>
    bool serveUntil(F cond, int32_t ms = 5000)
    {
        return waitFor([&] {
            servePaint();
            return cond();
        }, ms);
    }
    std::atomic<int32_t> m_queued{0};
    std::vector<int32_t> m_shown;
    int32_t m_shownWidth = 0;
};

class HostFrameTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_vp->setWidthHeight(64, 48);
        m_vp->m_dirtyCount = 0;
        m_vp->redraw(1, 2, 3, 4);
        m_vp->redraw(10, 10, 20, 20);
    }
    TestFrame m_frame;
    ref<Viewport> m_vp = new Viewport;
};

} // namespace

TEST_F(HostFrameTest, PaintIsWaitedForSkippedWhileRotatingEndedByStopAndBounded)
{
    std::atomic<bool> done{false};
    std::thread main([&] { m_frame.serveUntil([&] { return done.load(); }); });
    m_frame.redrawAll(*m_vp);
    // The request has been shown when redrawAll returns, with the whole dirty list.
    EXPECT_TRUE(m_frame.getPaint());
    m_frame.redraw(*m_vp, 5, 6, 7, 8);
    done = true;
    main.join();
    EXPECT_EQ(m_frame.m_queued.load(), 2);
    EXPECT_EQ(m_frame.m_shown, (std::vector<int32_t>{1, 2, 3, 4, 10, 10, 20, 20, 5, 6, 7, 8}));
    EXPECT_EQ(m_frame.m_shownWidth, 64);

    // While the screen rotates requests return at once, unqueued.
    m_vp->m_rotating = true;
    auto t0 = Clock::now();
    m_frame.redrawAll(*m_vp);
    m_frame.redraw(*m_vp, 0, 0, 8, 8);
    EXPECT_LT(msSince(t0), 100);
    EXPECT_EQ(m_frame.m_queued.load(), 2);
    m_vp->m_rotating = false;

    // A stop ends the wait at once.
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        m_vp->m_stop = true;
    });
    t0 = Clock::now();
    m_frame.redrawAll(*m_vp);
    stopper.join();
    EXPECT_LT(msSince(t0), 600);
    EXPECT_FALSE(m_frame.servePaint());
    m_vp->m_stop = false;

    // Unserved, the request is withdrawn after about a second, so a main
    // thread coming late never reads a buffer the game has gone on drawing into.
    t0 = Clock::now();
    m_frame.redrawAll(*m_vp);
    EXPECT_GE(msSince(t0), 900);
    EXPECT_LT(msSince(t0), 3000);
    EXPECT_TRUE(m_frame.getPaint());
    EXPECT_FALSE(m_frame.servePaint());
    EXPECT_EQ(m_frame.m_shown.size(), 12u);
}

TEST(HostFrameGame, StartsPaintsResizesAndStops)
{
    RootLog log;
    TestFrame frame;
    frame.startGame([&] { return ref<V3dView>(new TestRoot(&log)); }, 200, 120);
    EXPECT_EQ(&Host::current(), &frame);
    // waitRepaint returns as soon as the game asks for its first paint.
    auto t0 = Clock::now();
    frame.waitRepaint();
    EXPECT_LT(msSince(t0), 1500);
    EXPECT_FALSE(frame.getPaint());
    ASSERT_TRUE(frame.serveUntil([&] { return log.frames.load() >= 3; }));
    V3dView* vp = frame.viewport();
    ASSERT_NE(vp, nullptr);
    EXPECT_EQ(vp->m_width, 200);
    EXPECT_EQ(frame.m_shownWidth, 200);

    // A resize: rotating while the size changes, then the first frame at the new size.
    frame.beginResize();
    EXPECT_TRUE(vp->m_rotating.load());
    frame.endResize(160, 100); // returns once the game asks for a paint
    EXPECT_FALSE(vp->m_rotating.load());
    ASSERT_TRUE(frame.serveUntil([&] { return log.height.load() == 100 && frame.m_shownWidth == 160; }));

    // The stop handshake: acknowledged by the game thread, which clears m_stop.
    EXPECT_TRUE(frame.stop());
    EXPECT_TRUE(frame.gameEnded());
    EXPECT_FALSE(vp->m_stop.load());
    EXPECT_TRUE(frame.finishGame());
    EXPECT_TRUE(frame.viewport() == nullptr && g_p.get() == nullptr && &Host::current() != &frame);
    EXPECT_TRUE(log.displayGiven);
}

TEST(HostFrameGame, StopGivesUpOnAHungGameAndBeforeTheRootExists)
{
    {
        RootLog log;
        log.hang = true;
        TestFrame frame;
        frame.m_stopTimeoutMs = 200;
        frame.startGame([&] { return ref<V3dView>(new TestRoot(&log)); }, 64, 64);
        ASSERT_TRUE(frame.serveUntil([&] { return log.frames.load() >= 1; }));
        auto t0 = Clock::now();
        EXPECT_FALSE(frame.stop());
        EXPECT_GE(msSince(t0), 190);
        EXPECT_FALSE(frame.finishGame()); // the thread is left alone while it runs
        log.hang = false;
        ASSERT_TRUE(frame.serveUntil([&] { return frame.gameEnded(); }));
        EXPECT_TRUE(frame.finishGame());
    }
    {
        // A stop that comes while the root is still being made reaches it.
        RootLog log;
        TestFrame frame;
        frame.startGame([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            return ref<V3dView>(new TestRoot(&log));
        }, 64, 64);
        EXPECT_TRUE(frame.stop());
        EXPECT_TRUE(frame.finishGame());
        EXPECT_EQ(log.frames.load(), 0);
    }
}
