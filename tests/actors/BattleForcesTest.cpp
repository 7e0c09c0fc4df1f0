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
    for (const VehicleBuild* v : {&kSherman, &kTiger, &kT34}) {
        SCOPED_TRACE(v->kind);
        const TankKind kind = v == &kSherman ? TankKind::Sherman : v == &kTiger ? TankKind::Tiger : TankKind::T34;
        ref<Tank> t = app->m_battle->tankInit(kind, 2);
        ASSERT_TRUE(t->m_turret && t->m_gun);
        EXPECT_STREQ(t->m_turret->m_model->m_name->c_str(), v->turret);
        EXPECT_STREQ(t->m_gun->m_model->m_name->c_str(), v->gun);
        EXPECT_EQ(t->m_gunPivot, v->gunPivot);
        EXPECT_EQ(t->m_view.get(), app.get());
        int32_t parts = 0;
        for (ref<Vsprite> c = t->m_child; c; c = c->m_sibling)
            parts++;
        EXPECT_EQ(parts, v->tracks ? 4 : 3);
        EXPECT_EQ(t->m_damage, 0);
        t->removeAllStar();
    }
    ref<Tank> player = app->m_battle->tankInit(TankKind::Sherman, 50);
    EXPECT_EQ(player->m_damage, 40); // a player's tank starts worn
    player->removeAllStar();
}

TEST_F(AppBattle, TankEnemyPutsPursuersIntoPlayOnTheirSide)
{
    Battle& b = *app->m_battle;
    app->m_campaign->m_side = Side::German;
    app->m_campaign->m_mapX = 3;
    app->m_campaign->m_dir = 3;
    b.m_tank = b.tankInit(TankKind::Tiger, 50);
    b.m_tank->placeOnGround(100 * 32768, 256 * 32768);
    app->add(b.m_tank);
    for (int32_t i = 0; i < 3; i++)
        b.tankEnemy();
    EXPECT_EQ(b.m_physics->count(), 3);
    EXPECT_EQ(b.m_physics->first().get(), b.m_enemy.get()); // the newest is the head of the list
    for (ref<Vphob> body = b.m_physics->first(); body; body = body->m_nextBody) {
        ref<Tank> t = ref_cast<Tank>(body);
        ASSERT_TRUE(t);
        EXPECT_EQ(t->m_target.get(), b.m_tank.get());
        EXPECT_EQ(t->getId(), Hud::kRadarEnemy);
        EXPECT_EQ(t->m_maxDamage, 2);
        EXPECT_EQ(t->m_gunHeight, kSherman.gunHeight);
        EXPECT_EQ(t->m_parent.get(), app.get());
        EXPECT_EQ(t->m_timer, 10000);
        // Around the player; outside the map only beyond the western edge.
        EXPECT_LE(t->distApprox(b.m_tank) / 32768, 198);
        EXPECT_NE(t->m_wx, 0);
        EXPECT_TRUE(t->m_wx < Tank::kMapSize && t->m_wz < Tank::kMapSize && t->m_wz >= 0);
    }
}

TEST_F(AppBattle, TheTruckWaitsOffTheFieldAtFirst)
{
    Battle& b = *app->m_battle;
    b.m_tank = b.tankInit(TankKind::Sherman, 50);
    b.truckInit();
    ref<Truck> truck = b.m_truck;
    ASSERT_TRUE(truck);
    EXPECT_EQ(truck->m_target.get(), b.m_tank.get());
    EXPECT_TRUE(truck->m_damage == -1 && truck->m_maxDamage == 1 && truck->m_supply == -1);
    EXPECT_EQ(truck->getId(), Hud::kRadarTruck);
    EXPECT_TRUE(truck->parked() && !truck->isLinked());
    EXPECT_EQ(b.m_physics->first().get(), truck.get());
    EXPECT_FALSE(truck->m_turret);
    EXPECT_TRUE(truck->m_child && truck->m_child->m_model);
}

} // namespace
