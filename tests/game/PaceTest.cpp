#include <cstdlib>
#include <memory>

#include "GameTest.h"
#include "game/MapScreen.h"
#include "game/Shell.h"

namespace {

constexpr int32_t kUnit = 32768;

// What a run saw at its frame rate: the times are those of the first frame
// that showed the thing.
struct Seen {
    int32_t frameMs = 0;
    int32_t ordersX = 0;     // the orders' place at 3000 ms, stage pixels
    int32_t siteAlpha = 0;   // the battle site's flag then
    int32_t fired = -1;      // the shell left the gun
    int32_t landed = -1;     // it stopped on the ground
    int32_t landX = 0, landZ = 0;
    int32_t burnt = -1;      // its explosion had ended
    int32_t mapAgain = -1;   // the battle won, faded out, the map back
};

class PaceTest : public GameTest {
protected:
    Seen run(int32_t frameUs)
    {
        campaign(1, 5);
        GameHost host;
        host.m_frameUs = frameUs;
        auto seen = std::make_shared<Seen>();
        seen->frameMs = (frameUs + 999) / 1000;
        host.key(2200, 'R'); // the menu of the start closes
        host.at(4500, [seen](App& app) {
            auto* map = dynamic_cast<MapScreen*>(app.top());
            ASSERT_TRUE(map && map->briefing());
            seen->ordersX = map->briefing()->m_x >> 15;
            // The flag of the site blinks: a full turn every 1024 ms.
            for (Vsprite* f : withImage(map->mapSprite().get(), 29))
                seen->siteAlpha = std::max(seen->siteAlpha, f->m_alpha);
        });
        host.key(4700, Key::kEnter);
        // A shot from standing, the enemies sent off the field first: nothing
        // but the ground in its way.
        host.at(8500, [](App& app) {
            for (const ref<Tank>& e : app.m_battle->m_forces) {
                e->off();
                e->park();
                e->m_damage = -1;
                e->m_timer = -100000;
            }
        });
        host.key(10500, Key::kSpace);
        host.every(10500, 16500, 1, [seen](App& app) {
            for (Vphob* b = app.m_battle->m_physics->first().get(); b; b = b->m_nextBody.get()) {
                auto* s = dynamic_cast<Shell*>(b);
                if (!s || s->m_owner.get() != app.m_battle->m_tank.get())
                    continue;
                if (seen->fired < 0)
                    seen->fired = app.m_time;
                if (s->m_gravity == 0 && seen->landed < 0) {
                    seen->landed = app.m_time;
                    seen->landX = s->m_wx;
                    seen->landZ = s->m_wz;
                }
                return false;
            }
            if (seen->landed >= 0 && seen->burnt < 0)
                seen->burnt = app.m_time;
            return seen->burnt >= 0;
        });
        // The last enemy gone: run-out, fade, the result page (shown from
        // about 20.6 s, until a key), and the map again.
        host.at(16500, [](App& app) { app.m_campaign->m_enemyCount = 0; });
        host.key(23000, Key::kEnter);
        host.every(16500, 34500, 1, [seen](App& app) {
            if (dynamic_cast<MapScreen*>(app.top()) && seen->mapAgain < 0)
                seen->mapAgain = app.m_time;
            return seen->mapAgain >= 0;
        });
        host.runUntil(34500);
        return *seen;
    }
};

// The same game at any frame rate: what moves by the clock is where it was,
// and what happens happens at the same time, within a frame; a shell lands
// on the same spot.
TEST_F(PaceTest, TheGameKeepsItsPaceAtAnyFrameRate)
{
#ifdef KORVATH_SANITIZED
    GTEST_SKIP() << "the same battle at two frame rates: left to the plain build";
#endif
    const Seen slow = run(64000); // the phone's pace, 15.625 frames a second
    ASSERT_GE(slow.landed, 0);
    ASSERT_GE(slow.burnt, 0);
    ASSERT_GE(slow.mapAgain, 0);
    const Seen s = run(6944); // the fastest rate asked of the game, the furthest from the slowest
    const int32_t frame = slow.frameMs; // the slower frame bounds the difference
    // A pixel every 16 ms, and 64 of alpha a ms: within a frame of either.
    EXPECT_LE(std::abs(s.ordersX - slow.ordersX), frame / 16 + 1);
    EXPECT_LE(std::abs(s.siteAlpha - slow.siteAlpha), 64 * frame);
    EXPECT_LE(std::abs(s.fired - slow.fired), frame);
    EXPECT_LE(std::abs(s.landed - slow.landed), frame);
    EXPECT_LE(std::abs(s.burnt - slow.burnt), frame);
    // The run-out starts at a tick, the fade ends at a frame.
    EXPECT_LE(std::abs(s.mapAgain - slow.mapAgain), 2 * frame);
    EXPECT_LE(std::abs(s.landX - slow.landX), kUnit / 10);
    EXPECT_LE(std::abs(s.landZ - slow.landZ), kUnit / 10);
}

} // namespace
