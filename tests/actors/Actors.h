#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "BattleWorld.h"
#include "game/Shell.h"

constexpr int32_t kUnit = 32768;
constexpr int32_t kNorth = 0, kEast = 0x2000, kWest = -0x2000;

// The bodies of type T in the world, in the order it moves them.
template <class T>
std::vector<ref<T>> bodies(BattleWorld& w)
{
    std::vector<ref<T>> out;
    for (Vphob* b = w.m_physics->first().get(); b; b = b->m_nextBody.get())
        if (T* t = dynamic_cast<T*>(b))
            out.push_back(ref<T>(t));
    return out;
}

// Steps the world until done() or limit ms of game time have passed; the time taken.
inline int32_t stepUntil(BattleWorld& w, const std::function<bool()>& done, int32_t limit,
                         int32_t frame = BattleWorld::kFrameMs)
{
    int32_t ms = 0;
    for (; !done() && ms < limit; ms += frame)
        w.step(frame);
    return ms;
}

// Presses an action every frame for ms of game time.
inline void hold(BattleWorld& w, Tank& t, Action a, int32_t ms)
{
    for (int32_t e = 0; e < ms; e += BattleWorld::kFrameMs) {
        t.m_orders.press = a;
        w.step();
    }
}

// The player t fires now; its shell, followed in frames of the given length
// (rendering each when asked) until it stops.
inline ref<Shell> fireAndFollow(BattleWorld& w, Tank& t, int32_t frame = BattleWorld::kFrameMs, bool render = false)
{
    t.m_timer = 1000;
    t.m_orders.press = Action::Fire;
    std::vector<ref<Shell>> s;
    for (int32_t ms = 0; ms < 10000 && (ms == 0 || s[0]->m_gravity != 0); ms += frame) {
        w.step(frame);
        if (render)
            w.render();
        if (ms == 0 && (s = bodies<Shell>(w)).empty())
            return nullptr;
    }
    return s[0];
}
