#include <gtest/gtest.h>

#include "BattleWorld.h"
#include "game/App.h"
#include "render3d/V3dLibrary.h"
#include "render3d/V3dModel.h"

namespace {

TEST(AppForces, EnemyKindBySideAndMapColumn)
{
    // Germans meet Shermans in the west (columns 0..5) and T-34s from
    // column 6 on; Allied and Soviet players meet Tigers everywhere.
    const auto kind = [](int32_t side, int32_t column) { return vehicleBuild(App::enemyKind(side, column)).kind; };
    EXPECT_STREQ(kind(2, 0), "Sherman");
    EXPECT_STREQ(kind(2, 5), "Sherman");
    EXPECT_STREQ(kind(2, 6), "t34");
    EXPECT_STREQ(kind(2, App::kMapColumns - 1), "t34");
    EXPECT_STREQ(kind(1, 0), "tiger");
    EXPECT_STREQ(kind(3, App::kMapColumns - 1), "tiger");
}

TEST(AppForces, EnemyCountByFrontAndLevel)
{
    EXPECT_EQ(App::enemyTotal(5, 0), 5);
    EXPECT_EQ(App::enemyTotal(5, 1), 10);
    EXPECT_EQ(App::enemyTotal(5, 2), 15);
    EXPECT_EQ(App::enemyTotal(1, 0), 9);
    EXPECT_EQ(App::enemyTotal(9, 0), 9);
    EXPECT_EQ(App::enemyTotal(9, 2), 19);
    EXPECT_EQ(App::enemyTotal(6, 1), 11);
}

class AppBattle : public testing::Test {
protected:
    AppBattle() : w(43)
    {
        app = new App;
        app->m_lib = w.m_lib;
        app->m_models = w.m_models;
        app->m_physics = new Vphysics;
    }
    // The tanks hold the view that holds them: the game takes it all apart.
    ~AppBattle() override { app->destroy(); }
    BattleWorld w;
    ref<App> app;
};

TEST_F(AppBattle, TankInitBuildsEachKindFromItsMeshes)
{
    struct Want {
        int32_t kind;
        const VehicleBuild* vehicle;
    };
    for (Want k : {Want{1, &kSherman}, Want{2, &kTiger}, Want{3, &kT34}, Want{0, &kT34}}) {
        ref<Tank> t = app->tankInit(k.kind, 2);
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
    ref<Tank> player = app->tankInit(1, 50);
    EXPECT_EQ(player->m_damage, 40); // a player's tank starts worn
    player->removeAllStar();
}

TEST_F(AppBattle, TankEnemyPutsPursuersIntoPlayOnTheirSide)
{
    app->m_side = 2;
    app->m_mapX = 3;
    Tank::m_dir = 3;
    app->m_tank = app->tankInit(2, 50);
    app->m_tank->placeOnGround(100 * 32768, 256 * 32768);
    app->add(app->m_tank);
    for (int32_t i = 0; i < 3; i++)
        app->tankEnemy();
    EXPECT_EQ(app->m_physics->count(), 3);
    int32_t n = 0;
    for (ref<Vphob> b = app->m_physics->first(); b; b = b->m_nextBody) {
        ref<Tank> t = ref_cast<Tank>(b);
        ASSERT_TRUE(t);
        EXPECT_EQ(t->m_target.get(), app->m_tank.get());
        EXPECT_EQ(t->getId(), App::kRadarEnemy);
        EXPECT_EQ(t->m_maxDamage, 2);
        EXPECT_EQ(t->m_gunHeight, kSherman.gunHeight);
        EXPECT_EQ(t->m_parent.get(), app.get());
        EXPECT_EQ(t->m_timer, 10000);
        EXPECT_NE(t->m_wx, 0);
        // Around the player; outside the map only beyond the western edge.
        EXPECT_LE(t->distApprox(app->m_tank) / 32768, 198);
        EXPECT_LT(t->m_wx, Tank::kMapSize);
        EXPECT_LT(t->m_wz, Tank::kMapSize);
        EXPECT_GE(t->m_wz, 0);
        if (n++ == 0) {
            EXPECT_EQ(t.get(), app->m_enemy.get()); // the newest is the head of the list
        }
    }
}

TEST_F(AppBattle, TheTruckWaitsOffTheFieldAtFirst)
{
    app->m_tank = app->tankInit(1, 50);
    app->truckInit();
    ASSERT_TRUE(app->m_truck);
    EXPECT_EQ(app->m_truck->m_target.get(), app->m_tank.get());
    EXPECT_EQ(app->m_truck->m_damage, -1);
    EXPECT_EQ(app->m_truck->m_maxDamage, 1);
    EXPECT_EQ(app->m_truck->m_supply, -1);
    EXPECT_EQ(app->m_truck->getId(), App::kRadarTruck);
    EXPECT_TRUE(app->m_truck->parked());
    EXPECT_FALSE(app->m_truck->isLinked());
    EXPECT_EQ(app->m_physics->first().get(), app->m_truck.get());
    EXPECT_FALSE(app->m_truck->m_turret);
    EXPECT_TRUE(app->m_truck->m_child && app->m_truck->m_child->m_model);
}

} // namespace
