#include "GameTest.h"
#include "game/AppPicture.h"
#include "game/BattleScreen.h"
#include "game/CampaignEndScreen.h"
#include "game/MainMenuScreen.h"
#include "game/ResultScreen.h"

namespace {

bool inPlay(Tank& t)
{
    return t.isLinked() && t.m_damage != -1 && !t.parked();
}

} // namespace

using NeverStuckTest = GameTest;

// At its side's last ring the campaign goes to its own page at once (no map
// waits for a key), says how it ended, and the demo goes on from it into a
// new campaign; a player goes on to the main menu with a key.
TEST_F(NeverStuckTest, TheEndIsAPageAndTheDemoGoesOnFromIt)
{
    for (bool demo : {true, false}) {
        SCOPED_TRACE(demo ? "demo" : "player");
        campaign(1, 10); // the Allies pushed back to their last ring
        GameHost host;
        host.m_demo = demo;
        bool page = false, after = false;
        host.every(2100, 4500, 20, [&](App& app) {
            auto* end = dynamic_cast<CampaignEndScreen*>(app.top());
            if (!end)
                return false;
            page = true;
            EXPECT_TRUE(findText(&app, CampaignEndScreen::kLost));
            EXPECT_EQ(app.m_campaign->m_front, 0); // over from the first frame of the page
            return true;
        });
        if (!demo)
            host.key(5500, ' ');
        host.at(10500, [&](App& app) {
            EXPECT_FALSE(app.m_lib->m_pictures[AppPicture::kBattlefield]) << "the page's picture is let go";
            if (demo) {
                after = inBattle(app) && app.m_campaign->m_front == Campaign::kFirstFront;
            } else {
                after = std::any_of(app.screens().begin(), app.screens().end(), [](const ref<Screen>& s) {
                    return dynamic_cast<MainMenuScreen*>(s.get()) != nullptr;
                });
            }
        });
        host.runUntil(10600);
        EXPECT_TRUE(page);
        EXPECT_TRUE(after);
    }
}

// Near the end of a battle, enemies waiting to come back and finding no way
// in from beyond the edge (the player in the middle of the map) still come
// back within a bounded time, so there is always somebody to fight.
TEST_F(NeverStuckTest, EveryWaitingEnemyComesBackWithinABoundedTime)
{
    battle(1, 5, 2);
    int32_t waiting = 0;
    m_host.at(kInBattle, [&](App& app) {
        Battle& b = *app.m_battle;
        app.m_campaign->m_enemyCount = 2;
        // The player's tank on dry ground in the middle of the map.
        for (int32_t x = 250; x < 300; x++)
            if (!b.m_physics->m_field->water(x << 15, 256 << 15)) {
                b.m_tank->placeOnGround(x << 15, 256 << 15);
                break;
            }
        for (const ref<Tank>& t : b.m_forces)
            if (t->m_id == Hud::kRadarEnemy) {
                t->off();
                t->m_damage = -1;
                t->m_timer = 0;
                t->park();
                waiting++;
            }
    });
    int32_t back = -1;
    m_host.every(kInBattle + 100, kInBattle + 40000, 250, [&](App& app) {
        int32_t in = 0;
        for (const ref<Tank>& t : app.m_battle->m_forces)
            in += t->m_id == Hud::kRadarEnemy && inPlay(*t);
        if (in < waiting)
            return false;
        back = m_host.m_elapsed;
        return true;
    });
    m_host.runUntil(kInBattle + 40000);
    EXPECT_EQ(waiting, 3);
    ASSERT_GE(back, 0) << "an enemy never came back";
    EXPECT_LE(back - kInBattle, Tank::kMostOffFieldMs + 6000);
}

// The demo drives to the truck for supplies, but not to one it has
// captured and emptied: it goes back to the enemy, however short of supplies.
TEST_F(NeverStuckTest, TheDemoLeavesAnEmptiedTruckForTheEnemy)
{
    battle();
    bool checked = false;
    m_host.at(kInBattle, [&](App& app) {
        Battle& b = *app.m_battle;
        app.m_demo = true;
        Tank& t = *b.m_tank;
        Truck& truck = *b.m_truck;
        t.m_damage = 45; // short of armor
        truck.m_damage = 0;
        truck.placeOnGround(t.m_wx + 10 * Tank::kUnit, t.m_wz);
        app.add(b.m_truck);
        truck.m_supply = 3;
        truck.m_captured = true;
        b.demoPilot();
        EXPECT_EQ(t.m_pilot.get(), b.m_truck.get()); // still handing over
        truck.m_supply = 0;
        b.demoPilot();
        EXPECT_NE(t.m_pilot.get(), b.m_truck.get());
        EXPECT_TRUE(t.m_pilot && t.m_pilot->m_id == Hud::kRadarEnemy);
        checked = true;
    });
    m_host.runUntil(kInBattle + 100);
    EXPECT_TRUE(checked);
}
