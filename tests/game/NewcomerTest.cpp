#include <cstdlib>
#include <memory>

#include "GameTest.h"
#include "game/BattleScreen.h"
#include "game/ResultScreen.h"

namespace {

constexpr int32_t kPlayMs = 5 * 60 * 1000;
constexpr int32_t kWatchMs = 3000;

// Holds key k while on, lets go otherwise.
void hold(App& app, int32_t k, bool on)
{
    if (on == app.input().keyDown(k))
        return;
    if (on)
        app.input().keyDownSys(k);
    else
        app.input().keyUpSys(k);
}

void press(App& app, int32_t k)
{
    app.input().keyDownSys(k);
    app.input().keyUpSys(k);
}

// A player new to the game, on Easy, with the keys the README names and
// only what the screen shows: aim mode (Tab), the turret turned (Left /
// Right) toward the nearest enemy on the screen, or round until one shows;
// the gun laid (Up / Down) until the sight's marker sits on it and turns
// red; then Space.
void newcomer(App& app, int32_t now, int32_t& lastShot)
{
    Battle& b = *app.m_battle;
    if (!dynamic_cast<BattleScreen*>(app.top()) || !b.m_tank || !b.m_tank->isLinked())
        return;
    Tank& t = *b.m_tank;
    if (!t.m_aim) {
        press(app, Key::kTab);
        return;
    }
    const Sight& sight = *b.m_hud->m_sight;
    int32_t best = 0x7FFFFFFF, ex = 0, ey = 0;
    for (Vphob* o = b.m_physics->first().get(); o; o = o->m_nextBody.get()) {
        int32_t sx = 0, sy = 0, depth = 0;
        if (o->m_id != Hud::kRadarEnemy || !o->isLinked() || !app.screenPoint(o->m_wx, o->m_wy, o->m_wz, sx, sy, depth) ||
            sx < 0 || sx >= app.m_width || depth >= best)
            continue;
        best = depth;
        ex = sx;
        ey = sy;
    }
    const bool seen = best != 0x7FFFFFFF;
    const int32_t cx = app.m_width / 2;
    hold(app, Key::kRight, !seen || ex > cx + 2);
    hold(app, Key::kLeft, seen && ex < cx - 2);
    const bool marked = sight.m_marker->isLinked();
    const int32_t my = marked ? (sight.m_marker->getY() >> 15) + sight.m_marker->getHeight() / 2 : app.m_height;
    const bool onTarget = marked && sight.m_marker->m_child->m_color != static_cast<int32_t>(0xFFFFB030);
    hold(app, Key::kUp, seen && !onTarget && my > ey + 1);
    hold(app, Key::kDown, seen && !onTarget && my < ey - 1);
    // and watches where the shell lands before the next one.
    if (onTarget && seen && now - lastShot >= kWatchMs) {
        press(app, Key::kSpace);
        lastShot = now;
    }
}

} // namespace

// The newcomer of the closing note: from the map into the first battle of a
// new Easy campaign, and keys alone with the sight destroy an enemy, and win
// the battle within five minutes.
TEST_F(GameTest, ANewcomerWithTheSightWinsTheFirstBattleOnEasy)
{
#ifdef KORVATH_SANITIZED
    GTEST_SKIP() << "a whole battle: left to the plain build";
#endif
    campaign(1, 5, 0);
    m_host.m_frameUs = 1000000 / 60; // the desktop's pace
    m_host.key(2200, 'R');
    m_host.key(2700, Key::kEnter);
    int32_t firstKill = -1, won = -1, lastShot = -kWatchMs;
    m_host.every(4000, 4000 + kPlayMs, 50, [&](App& app) {
        newcomer(app, m_host.m_elapsed, lastShot);
        if (firstKill < 0 && app.m_campaign->m_enemyCount < 5 && app.m_campaign->m_enemyCount > 0)
            firstKill = m_host.m_elapsed;
        if (auto* page = dynamic_cast<ResultScreen*>(app.top()); page && findText(&app, "Victory"))
            won = m_host.m_elapsed;
        return won >= 0;
    });
    m_host.stopAt(4000 + kPlayMs + 10000);
    m_host.run();
    std::printf("first enemy destroyed at %d ms, battle won at %d ms\n", firstKill, won);
    EXPECT_GE(firstKill, 0);
    EXPECT_GE(won, 0);
}
