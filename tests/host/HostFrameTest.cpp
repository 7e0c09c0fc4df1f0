#include <gtest/gtest.h>

#include <functional>

#include "HostFrame.h"
#include "TestRoot.h"

namespace {

// A host frame whose "screen" records the rectangles it was shown. The test
// thread plays the main thread: it serves paints when it chooses to. The
// bounded waits are measured in the polling steps they take, not in time, so
// a loaded machine cannot change what the tests see.
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
    // Each step of the thread that made the frame (the test's) is counted,
    // and onStep, if set, runs instead of its sleep; other threads just sleep.
    void realSleepUs(int32_t us) override
    {
        if (std::this_thread::get_id() != m_owner) {
            HostFrame::realSleepUs(us);
            return;
        }
        m_steps.fetch_add(1);
        m_stepUs = us;
        if (onStep)
            onStep();
        else
            HostFrame::realSleepUs(us);
    }
    // Serves paints on this thread until cond holds; false when the
    // patience ran out.
    template <class F>
    bool serveUntil(F cond)
    {
        return waitFor([&] { return servePaint(), cond(); });
    }
    std::atomic<int32_t> m_queued{0};
    std::atomic<int32_t> m_steps{0};
    std::atomic<int32_t> m_stepUs{0};
    std::function<void()> onStep;
    const std::thread::id m_owner = std::this_thread::get_id();
    std::vector<int32_t> m_shown;
    int32_t m_shownWidth = 0;
};

} // namespace

TEST(HostFrame, PaintIsWaitedForSkippedWhileRotatingEndedByStopAndBounded)
{
    TestFrame frame;
    ref<Viewport> vp = new Viewport;
    vp->setWidthHeight(64, 48);
    vp->m_dirtyCount = 0;
    vp->redraw(1, 2, 3, 4);
    vp->redraw(10, 10, 20, 20);
    std::atomic<bool> done{false};
    std::thread main([&] { frame.serveUntil([&] { return done.load(); }); });
    frame.redrawAll(*vp);
    // The request has been shown when redrawAll returns, with the whole dirty list.
    EXPECT_TRUE(frame.getPaint());
    frame.redraw(*vp, 5, 6, 7, 8);
    done = true;
    main.join();
    EXPECT_EQ(frame.m_queued.load(), 2);
    EXPECT_EQ(frame.m_shown, (std::vector<int32_t>{1, 2, 3, 4, 10, 10, 20, 20, 5, 6, 7, 8}));
    EXPECT_EQ(frame.m_shownWidth, 64);

    // From here on nobody serves paints, and no step really sleeps.
    frame.onStep = [] {};
    // While the screen rotates requests return at once, unqueued.
    vp->setRotating(true);
    frame.m_steps = 0;
    frame.redrawAll(*vp);
    frame.redraw(*vp, 0, 0, 8, 8);
    EXPECT_EQ(frame.m_steps.load(), 0);
    EXPECT_EQ(frame.m_queued.load(), 2);
    vp->setRotating(false);

    // A stop ends the wait at the next step.
    frame.onStep = [&] {
        if (frame.m_steps.load() == 3)
            vp->requestStop();
    };
    frame.m_steps = 0;
    frame.redrawAll(*vp);
    EXPECT_EQ(frame.m_steps.load(), 3);
    EXPECT_FALSE(frame.servePaint());
    vp->clearStop();

    // Unserved, the request is withdrawn after a thousand steps of 1 ms, about a
    // second, so a main thread coming late never reads a buffer the game has
    // gone on drawing into.
    frame.onStep = [] {};
    frame.m_steps = 0;
    frame.redrawAll(*vp);
    EXPECT_EQ(frame.m_steps.load(), HostFrame::kPaintSteps);
    EXPECT_EQ(frame.m_stepUs.load(), HostFrame::kPaintStepUs);
    EXPECT_TRUE(frame.getPaint());
    EXPECT_FALSE(frame.servePaint());
    EXPECT_EQ(frame.m_shown.size(), 12u);
}

// A game's start, paints, resizes and stop through the frame are played in
// the window tests on the real host; here what they cannot bring about.
TEST(HostFrameGame, StopGivesUpOnAHungGameAndBeforeTheRootExists)
{
    {
        RootLog log;
        log.hang = true;
        TestFrame frame;
        frame.m_stopTimeoutMs = 200;
        frame.startGame([&] { return ref<V3dView>(new TestRoot(&log)); }, 64, 64);
        ASSERT_TRUE(frame.serveUntil([&] { return log.frames.load() >= 1; }));
        // The give-up is counted in steps of 10 ms: 200 ms of them.
        frame.m_steps = 0;
        EXPECT_FALSE(frame.stop());
        EXPECT_EQ(frame.m_steps.load(), 20);
        EXPECT_FALSE(frame.finishGame()); // the thread is left alone while it runs
        log.hang = false;
        ASSERT_TRUE(frame.serveUntil([&] { return frame.gameEnded(); }));
        EXPECT_TRUE(frame.finishGame());
        EXPECT_TRUE(frame.viewport() == nullptr && g_p.get() == nullptr && &Host::current() != &frame);
        EXPECT_TRUE(log.displayGiven);
    }
    {
        // A stop that comes while the root is still being made reaches it:
        // the root is made once stop waits for the game to end.
        RootLog log;
        TestFrame frame;
        std::atomic<bool> stopping{false};
        frame.onStep = [&] {
            stopping = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        };
        frame.startGame([&] {
            EXPECT_TRUE(waitFor([&] { return stopping.load(); }));
            return ref<V3dView>(new TestRoot(&log));
        }, 64, 64);
        EXPECT_TRUE(frame.stop());
        EXPECT_TRUE(frame.finishGame());
        EXPECT_EQ(log.frames.load(), 0);
    }
}
