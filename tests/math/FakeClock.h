#pragma once
#include "host/Host.h"

// A host whose clock the test sets; nothing is shown or played.
class FakeClockHost : public Host {
public:
    void redrawAll(Viewport&) override {}
    void redraw(Viewport&, int32_t, int32_t, int32_t, int32_t) override {}
    int32_t nowMs() override { return m_now; }
    void sleepMs(int32_t ms) override { m_now += ms; }
    int32_t loadSound(const char*) override { return -1; }
    void playSound(int32_t) override {}
    int32_t m_now = 0;
};
