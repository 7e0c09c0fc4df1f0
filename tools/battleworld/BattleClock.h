#pragma once
#include <cstdint>

#include "host/Host.h"

// The host of a battle run without a window: a clock that moves only when
// the world steps (so background sounds keep their spacing in game time),
// paints that go nowhere and no sound. Installed while it lives.
class BattleClock : public Host {
public:
    explicit BattleClock(int32_t start);
    ~BattleClock() override;

    void redrawAll(Viewport&) override {}
    void redraw(Viewport&, int32_t, int32_t, int32_t, int32_t) override {}
    int32_t nowMs() override { return m_now; }
    void sleepMs(int32_t ms) override { m_now += ms; }
    int32_t loadSound(const char*) override { return -1; }
    void playSound(int32_t) override {}

    int32_t m_now;
};
