#include "GameTest.h"
#include "game/AppPicture.h"
#include "game/CampaignEndScreen.h"
#include "game/MainMenuScreen.h"

using NeverStuckTest = GameTest;

// A campaign at its side's last ring ends on a page of its own at once (no
// map waits for a key): the battlefield picture, with the victory banner when
// won, and its line; the record holds no campaign from its first frame. A
// player goes on to the main menu with a key, and the demo into a new
// campaign by itself; the page's pictures are let go.
TEST_F(NeverStuckTest, TheEndIsVictoryOrDefeatBySideAndLastSiteOnAPageTheDemoGoesOnFrom)
{
    struct Case {
        int32_t side, front;
        bool won, demo;
    };
    for (Case c : {Case{2, 11, true, false}, Case{1, 10, false, false}, Case{2, 1, false, false},
                   Case{3, 10, false, false}, Case{1, 10, false, true}}) {
        SCOPED_TRACE(testing::Message() << "side " << c.side << " front " << c.front << (c.demo ? " demo" : ""));
        campaign(c.side, c.front);
        GameHost host;
        host.m_demo = c.demo;
        bool page = false, after = false;
        host.every(2100, 4500, 20, [&](App& app) {
            if (!dynamic_cast<CampaignEndScreen*>(app.top()))
                return false;
            page = true;
            EXPECT_TRUE(showing(app, c.won ? CampaignEndScreen::kWon : CampaignEndScreen::kLost));
            EXPECT_EQ(withImage(&app, AppPicture::kBattlefield).size(), 1u);
            EXPECT_EQ(withImage(&app, AppPicture::kVictory).size(), c.won ? 1u : 0u);
            EXPECT_EQ(app.m_campaign->m_front, 0);
            return true;
        });
        if (!c.demo)
            host.key(5500, ' ');
        host.at(10500, [&](App& app) {
            EXPECT_FALSE(app.m_lib->m_pictures[AppPicture::kBattlefield]) << "the page's picture is let go";
            after = c.demo ? inBattle(app) && app.m_campaign->m_front == Campaign::kFirstFront
                           : dynamic_cast<MainMenuScreen*>(app.top()) != nullptr;
        });
        host.runUntil(10600);
        EXPECT_TRUE(page);
        EXPECT_TRUE(after);
        if (!c.demo) {
            EXPECT_EQ(storedSlot(1), 0);
        }
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
            in += t->m_id == Hud::kRadarEnemy && t->isLinked() && t->m_damage != -1 && !t->parked();
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
