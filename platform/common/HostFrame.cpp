#include "HostFrame.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "Screenshot.h"

ref<Vdisplay> g_d;
ref<V3dView> g_p;

HostFrame::~HostFrame()
{
    // A game thread that never acknowledged its stop cannot be joined; the
    // caller is about to end the process.
    if (m_thread.joinable()) {
        if (gameEnded())
            m_thread.join();
        else
            m_thread.detach();
    }
    if (&Host::current() == this)
        Host::install(nullptr);
}

// ---- game thread ----

void HostFrame::redrawAll(Viewport& vp)
{
    if (vp.rotating())
        return;
    m_paintOne = false;
    requestPaint(vp);
}

void HostFrame::redraw(Viewport& vp, int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    if (vp.rotating())
        return;
    m_paintOne = true;
    m_paintRect[0] = x0;
    m_paintRect[1] = y0;
    m_paintRect[2] = x1;
    m_paintRect[3] = y1;
    requestPaint(vp);
}

void HostFrame::requestPaint(Viewport& vp)
{
    m_paintVp = &vp;
    // Publishes the request fields above together with the buffer and the
    // dirty list the game has just drawn.
    m_paintState.store(Requested, std::memory_order_release);
    queuePaint();
    waitPaint(vp);
}

void HostFrame::waitPaint(Viewport& vp)
{
    // Short steps: at sixty frames a second every millisecond waited here
    // is one the player sees late.
    for (int32_t i = 0; i < kPaintSteps; i++) {
        if (m_paintState.load(std::memory_order_acquire) == Done)
            return;
        if (vp.stopRequested())
            break;
        realSleepUs(kPaintStepUs);
    }
    int32_t expected = Requested;
    if (m_paintState.compare_exchange_strong(expected, Done, std::memory_order_acq_rel))
        return;
    // The main thread has started copying; that takes no longer than one
    // copy of the buffer, and the buffer must stay put until it is done.
    while (m_paintState.load(std::memory_order_acquire) != Done)
        realSleepUs(1000);
}

int32_t HostFrame::nowMs()
{
    auto t = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<int32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(t).count());
}

void HostFrame::sleepMs(int32_t ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void HostFrame::realSleepUs(int32_t us)
{
    std::this_thread::sleep_for(std::chrono::microseconds(us));
}

void HostFrame::runGame(RootFactory makeRoot, int32_t width, int32_t height)
{
    g_d = new Vdisplay;
    g_p = makeRoot ? makeRoot() : ref<V3dView>();
    if (g_d && g_p) {
        g_p->init(g_d);
        g_p->setWidthHeight(width, height);
        m_vp.store(g_p.get());
        // A stop that came before the root existed could not be delivered.
        if (m_stopRequested.load())
            g_p->requestStop();
        g_p->run();
        g_p->clearStop();
    } else {
        std::fprintf(stderr, "Host: the game could not be created\n");
        std::fflush(stdout);
    }
    m_ended.store(true, std::memory_order_release);
}

// ---- main thread ----

void HostFrame::startGame(RootFactory makeRoot, int32_t width, int32_t height)
{
    if (m_thread.joinable())
        return;
    Host::install(this);
    m_ended.store(false);
    m_stopRequested.store(false);
    m_thread = std::thread(&HostFrame::runGame, this, std::move(makeRoot), width, height);
}

void HostFrame::waitRepaint()
{
    for (int32_t i = 0; i < 100; i++) {
        if (m_paintState.load(std::memory_order_acquire) != Done || gameEnded())
            return;
        V3dView* vp = viewport();
        if (vp && vp->stopRequested())
            return;
        realSleepUs(16667);
    }
}

bool HostFrame::servePaint()
{
    int32_t expected = Requested;
    if (!m_paintState.compare_exchange_strong(expected, Painting, std::memory_order_acquire))
        return false;
    const Viewport& vp = *m_paintVp;
    if (m_paintOne)
        show(vp, m_paintRect, 1);
    else
        show(vp, vp.m_dirty.a, std::min(vp.m_dirtyCount, vp.m_dirty.length) / 4);
    m_paintState.store(Done, std::memory_order_release);
    return true;
}

void HostFrame::beginResize()
{
    if (V3dView* vp = viewport())
        vp->setRotating(true);
}

void HostFrame::endResize(int32_t width, int32_t height)
{
    V3dView* vp = viewport();
    if (!vp)
        return;
    // Only recorded here; the game thread applies it between frames.
    vp->setWidthHeight(width, height);
    vp->setRotating(false);
    waitRepaint();
}

bool HostFrame::stop()
{
    if (!m_thread.joinable())
        return true;
    m_stopRequested.store(true);
    if (V3dView* vp = m_vp.load())
        vp->requestStop();
    // The game thread ends right after clearing the stop request, so its end is the
    // acknowledgement (and one that a game ending on its own gives too).
    for (int32_t waited = 0; !gameEnded(); waited += 10) {
        if (waited >= m_stopTimeoutMs) {
            std::fprintf(stderr, "Host: the game did not stop within %d ms; leaving it\n", m_stopTimeoutMs);
            std::fflush(stdout);
            return false;
        }
        realSleepUs(10000);
    }
    return true;
}

bool HostFrame::finishGame()
{
    if (m_thread.joinable()) {
        if (!gameEnded())
            return false;
        m_thread.join();
    }
    m_vp.store(nullptr);
    // Parents and children hold each other: take the tree apart, or the
    // root and everything shown would never be freed.
    if (g_p)
        g_p->removeAllStar();
    g_p = nullptr;
    g_d = nullptr;
    if (&Host::current() == this)
        Host::install(nullptr);
    return true;
}

std::string HostFrame::saveScreenshot(const Viewport& vp)
{
    return Screenshot::save(vp, shotScale());
}
