#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "host/Host.h"
#include "host/Vdisplay.h"
#include "render3d/V3dView.h"
#include "runtime/ref.h"

// The display bridge and the root of the running game. Owned by the game
// thread while it runs; the main thread releases them after joining it.
extern ref<Vdisplay> g_d;
extern ref<V3dView> g_p;

// The platform-neutral half of a host: the game thread and the handshakes
// between it and the host's main thread. There are two threads and no locks.
// The main thread owns the window (or, headless, the script) and the input
// fields of the root viewport; the game thread runs the game and everything
// in the engine. What one thread writes and the other reads is atomic.
//
// A paint is a small state machine in m_paintState, so that the pixel buffer
// and the dirty list change hands safely:
//   Done       nothing asked (or the last paint finished): the game owns the buffer;
//   Requested  the game asked for a paint and waits: the buffer is stable;
//   Painting   the main thread is copying the buffer to the screen.
// The game moves Done -> Requested and, when it gives up waiting, takes a
// request that was never served back (Requested -> Done). The main thread
// moves Requested -> Painting -> Done. So a paint served late never reads a
// buffer the game has gone on drawing into or has reallocated.
class HostFrame : public Host {
public:
    using RootFactory = std::function<ref<V3dView>()>;

    ~HostFrame() override;

    // ---- game thread (called by the engine) ----

    // Viewport::render, when the frame's dirty list is not empty: shows the
    // dirty rectangles of vp. Returns at once while the screen rotates;
    // otherwise queues the paint for the main thread and waits (waitPaint).
    void redrawAll(Viewport& vp) override;
    // Fades and wipes: the same for one rectangle, x1 and y1 exclusive.
    void redraw(Viewport& vp, int32_t x0, int32_t y0, int32_t x1, int32_t y1) override;
    // Any thread: a steady clock in ms, kept in 32 bits.
    int32_t nowMs() override;
    // Game thread: really sleeps (the headless host overrides both).
    void sleepMs(int32_t ms) override;
    // Game thread: the picture of vp at the scale the host shows it
    // (shotScale) into the player's pictures folder (Screenshot).
    std::string saveScreenshot(const Viewport& vp) override;

    // ---- main thread ----

    // At start-up: installs this host and starts the game thread, which
    // creates g_d, makes the root with makeRoot into g_p, calls init(g_d),
    // setWidthHeight(width, height), hands the root to this host (viewport)
    // and calls run(). After run returns it clears the stop request, the
    // acknowledgement that stop waits for, and ends.
    void startGame(RootFactory makeRoot, int32_t width, int32_t height);
    // At start-up and after a resize: waits at most 100 x 1/60 s until the
    // game requests a paint, stops or ends.
    void waitRepaint();
    // From the event loop when a paint was queued: performs the requested
    // paint, if there still is one, through show. True when it painted.
    bool servePaint();
    // Around a resize of the window: while rotating, paint requests return at
    // once; endResize hands the new logical size to the root and waits
    // (waitRepaint) for the first frame at that size.
    void beginResize();
    void endResize(int32_t width, int32_t height);
    // When the platform terminates the game: requests the stop and sleeps in 10 ms
    // steps until the game thread has acknowledged it. Gives up after
    // m_stopTimeoutMs with a line on stdout and returns false, so a hung game
    // cannot hang the window for ever.
    bool stop();
    // After stop (or when the game ended by itself): joins the game thread,
    // forgets the root, takes its sprite tree apart, releases g_p and g_d,
    // and uninstalls this host.
    // False when the game thread is still running (it is then left alone).
    bool finishGame();
    // True once the game thread has returned from run.
    bool gameEnded() const { return m_ended.load(std::memory_order_acquire); }
    // The running root, null before the game thread has handed it over.
    V3dView* viewport() const { return m_vp.load(std::memory_order_acquire); }

    // Whether the last paint request has been served or withdrawn.
    bool getPaint() const { return m_paintState.load(std::memory_order_acquire) == Done; }

    int32_t m_stopTimeoutMs = 10000;
    // The wait for a paint: steps of a ms, a second at most.
    static constexpr int32_t kPaintSteps = 1000;
    static constexpr int32_t kPaintStepUs = 1000;

protected:
    enum PaintState : int32_t { Done = 0, Requested = 1, Painting = 2 };

    // Game thread, inside a paint request: make the main thread call
    // servePaint soon, without waiting for it.
    virtual void queuePaint() = 0;
    // Main thread, from servePaint: copy n rectangles (x0, y0, x1, y1; four
    // words each, x1 and y1 exclusive) of vp's pixel buffer to the screen.
    // The buffer, its size and the rectangles are stable during the call.
    virtual void show(const Viewport& vp, const int32_t* rects, int32_t n) = 0;
    // Game thread: at most kPaintSteps x kPaintStepUs (a second) until the
    // paint is done or the game stops; then a paint still not started is
    // withdrawn.
    void waitPaint(Viewport& vp);
    // A real sleep, whatever clock the host keeps for the game: every bounded
    // wait of the handshakes polls in steps of it (tests count the steps).
    virtual void realSleepUs(int32_t us);
    // Game thread: window pixels per game pixel; 1 without a window.
    virtual int32_t shotScale() const { return 1; }

private:
    void requestPaint(Viewport& vp);
    void runGame(RootFactory makeRoot, int32_t width, int32_t height);

    std::atomic<int32_t> m_paintState{Done};
    // The request being served; written by the game thread before it
    // publishes Requested, read by the main thread after it took Painting.
    Viewport* m_paintVp = nullptr;
    bool m_paintOne = false;
    int32_t m_paintRect[4] = {0, 0, 0, 0};

    std::atomic<V3dView*> m_vp{nullptr};
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_ended{false};
    std::thread m_thread;
};
