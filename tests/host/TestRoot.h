#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "host/Host.h"
#include "host/Vdisplay.h"
#include "render3d/V3dView.h"
#include "runtime/String.h"
#include "support/FakeHost.h"
#include "support/Files.h"

// What a TestRoot saw. The atomics may be watched while the game runs; the
// rest is read after the game thread has been joined.
struct RootLog {
    struct Key {
        int32_t ms = 0; // host clock when the game took the key
        int32_t code = 0;
    };
    std::atomic<bool> hang{false}; // run ignores the stop while set
    std::atomic<int32_t> frames{0};
    std::atomic<int32_t> width{0}; // size of the pixel buffer
    std::atomic<int32_t> height{0};
    int32_t startMs = 0;
    int32_t lastMs = 0;
    std::vector<Key> keys;
    std::vector<int32_t> heldAtEnd; // held-key codes still down after run
    int32_t mouseX = 0, mouseY = 0, dragX = 0, dragY = 0;
    int32_t pointerX = 0, pointerY = 0, wheel = 0;
    bool displayGiven = false;
};

// The smallest game: a grey screen with a box that moves one pixel a frame
// (so every frame paints), taking keys and resizes like the real one.
class TestRoot : public V3dView {
public:
    explicit TestRoot(RootLog* log) : m_log(log) {}

    void run() override
    {
        Host& host = Host::current();
        m_log->startMs = m_time;
        m_log->displayGiven = m_display.get() != nullptr;
        add(::box(0, 0, 4096, 4096, 0xFF404040));
        ref<Vsprite> box = ::box(10, 10, 20, 10, 0xFFFF0000);
        box->setZ(-1);
        add(box);
        while (isRunning() || m_log->hang.load()) {
            screenResize();
            m_log->width.store(m_width);
            m_log->height.store(m_height);
            for (int32_t k = input().keyGet(); k != 0; k = input().keyGet())
                m_log->keys.push_back({host.nowMs(), k});
            box->setXyi(10 + m_log->frames.load() % 40, 10);
            renderWait();
            m_log->lastMs = host.nowMs();
            m_log->frames.fetch_add(1);
            if (m_log->hang.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const Input& in = input();
        for (int32_t c = 1; c < Key::kCount; c++)
            if (in.keyDown(c))
                m_log->heldAtEnd.push_back(c);
        m_log->mouseX = in.touchX(), m_log->mouseY = in.touchY();
        m_log->dragX = in.dragX(), m_log->dragY = in.dragY();
        m_log->pointerX = in.pointerX(), m_log->pointerY = in.pointerY();
        m_log->wheel = input().wheelTake();
        removeAll();
    }

    RootLog* m_log = nullptr;
};

// How long a test waits for another thread to bring something about: long
// enough for any machine, however busy, so it only guards against a hang and
// never judges speed.
constexpr int32_t kPatienceMs = 120000;

// Does act, then polls cond every ms; does act again after each everyMs that
// cond did not hold (a key the game was not ready for yet), until the
// patience runs out. True when cond came true.
template <class A, class F>
bool retryUntil(A act, F cond, int32_t everyMs)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    for (auto again = start;; std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
        if (Clock::now() >= again) {
            act();
            again = Clock::now() + std::chrono::milliseconds(everyMs);
        }
        if (cond())
            return true;
        if (Clock::now() - start > std::chrono::milliseconds(kPatienceMs))
            return false;
    }
}

// Polls cond until it holds; false only when the patience ran out.
template <class F>
bool waitFor(F cond)
{
    return retryUntil([] {}, cond, kPatienceMs);
}
