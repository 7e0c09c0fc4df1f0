#include <gtest/gtest.h>

#include "BattleWorld.h"
#include "game/App.h"
#include "render3d/V3dModel.h"

namespace {

TEST(BattleForces, EachSideMeetsItsEnemysTanks)
{
    // Germans meet Shermans in the west and T-34s from Berlin's column on.
    EXPECT_STREQ(vehicleBuild(Campaign::enemyKind(Side::German, 5)).kind, "Sherman");
    EXPECT_STREQ(vehicleBuild(Campaign::enemyKind(Side::German, 6)).kind, "t34");
    EXPECT_STREQ(vehicleBuild(Campaign::enemyKind(Side::Allied, 0)).kind, "tiger");
    EXPECT_STREQ(vehicleBuild(Campaign::enemyKind(Side::Soviet, 15)).kind, "tiger");
}

class AppBattle : public testing::Test {
protected:
    AppBattle() : w(43)
    {
        app = new App;
        app->m_lib = w.m_lib;
        app->m_models = w.m_models;
        app->m_campaign = new Campaign;
        app->m_battle = new Battle(*app);
    }
    // The tanks hold the view that holds them: the game takes it all apart.
    ~AppBattle() override { app->destroy(); }
    BattleWorld w;
    ref<App> app;
};

TEST_F(AppBattle, TankInitBuildsEachKindFromItsMeshes)
{
    struct Want {
        TankKind kind;
        const VehicleBuild* vehicle;
    };
    for (Want k : {Want{TankKind::Sherman, &kSherman}, Want{TankKind::Tiger, &kTiger}, Want{TankKind::T34, &kT34}}) {
        ref<Tank> t = app->m_battle->tankInit(k.kind, 2);
        ASSERT_TRUE(t->m_turret && t->m_gun);
        EXPECT_STREQ(t->m_turret->m_model->m_name->c_str(), k.vehicle->turret);
        EXPECT_STREQ(t->m_gun->m_model->m_name->c_str(), k.vehicle->gun);
        EXPECT_EQ(t->m_gunPivot, k.vehicle->gunPivot);
        EXPECT_EQ(t->m_view.get(), app.get());
        int32_t parts = 0;
        for (ref<Vsprite> c = t->m_child; c; c = c->m_sibling)
            parts++;
        EXPECT_EQ(parts, k.vehicle->tracks ? 4 : 3);
        EXPECT_EQ(t->m_damage, 0);
        t->removeAllStar();
    }
    ref<Tank> player = app->m_battle->tankInit(TankKind::Sherman, 50);
    EXPECT_EQ(player->m_damage, 40); // a player's tank starts worn
    player->removeAllStar();
}

TEST_F(AppBattle, TankEnemyPutsPursuersIntoPlayOnTheirSide)
{
    app->m_campaign->m_side = Side::German;
    app->m_campaign->m_mapX = 3;
    app->m_campaign->m_dir = 3;
    app->m_battle->m_tank = app->m_battle->tankInit(TankKind::Tiger, 50);
    app->m_battle->m_tank->placeOnGround(100 * 32768, 256 * 32768);
    app->add(app->m_battle->m_tank);
    for (int32_t i = 0; i < 3; i++)
        app->m_battle->tankEnemy();
    EXPECT_EQ(app->m_battle->m_physics->count(), 3);
    int32_t n = 0;
    for (ref<Vphob> b = app->m_battle->m_physics->first(); b; b = b->m_nextBody) {
        ref<Tank> t = ref_cast<Tank>(b);
        ASSERT_TRUE(t);
        EXPECT_EQ(t->m_target.get(), app->m_battle->m_tank.get());
        EXPECT_EQ(t->getId(), Hud::kRadarEnemy);
        EXPECT_EQ(t->m_maxDamage, 2);
        EXPECT_EQ(t->m_gunHeight, kSherman.gunHeight);
        EXPECT_EQ(t->m_parent.get(), app.get());
        EXPECT_EQ(t->m_timer, 10000);
        EXPECT_NE(t->m_wx, 0);
        // Around the player; outside the map only beyond the western edge.
        EXPECT_LE(t->distApprox(app->m_battle->m_tank) / 32768, 198);
        EXPECT_LT(t->m_wx, Tank::kMapSize);
        EXPECT_LT(t->m_wz, Tank::kMapSize);
        EXPECT_GE(t->m_wz, 0);
        if (n++ == 0) {
            EXPECT_EQ(t.get(), app->m_battle->m_enemy.get()); // the newest is the head of the list
        }
    }
}

TEST_F(AppBattle, TheTruckWaitsOffTheFieldAtFirst)
{
    app->m_battle->m_tank = app->m_battle->tankInit(TankKind::Sherman, 50);
    app->m_battle->truckInit();
    ASSERT_TRUE(app->m_battle->m_truck);
    EXPECT_EQ(app->m_battle->m_truck->m_target.get(), app->m_battle->m_tank.get());
    EXPECT_EQ(app->m_battle->m_truck->m_damage, -1);
    EXPECT_EQ(app->m_battle->m_truck->m_maxDamage, 1);
    EXPECT_EQ(app->m_battle->m_truck->m_supply, -1);
    EXPECT_EQ(app->m_battle->m_truck->getId(), Hud::kRadarTruck);
    EXPECT_TRUE(app->m_battle->m_truck->parked());
    EXPECT_FALSE(app->m_battle->m_truck->isLinked());
    EXPECT_EQ(app->m_battle->m_physics->first().get(), app->m_battle->m_truck.get());
    EXPECT_FALSE(app->m_battle->m_truck->m_turret);
    EXPECT_TRUE(app->m_battle->m_truck->m_child && app->m_battle->m_truck->m_child->m_model);
}

} // namespace
