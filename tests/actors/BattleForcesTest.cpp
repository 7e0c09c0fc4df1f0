#include <gtest/gtest.h>

#include <tuple>

#include "BattleWorld.h"
#include "game/App.h"
#include "render3d/V3dModel.h"

namespace {

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

TEST_F(AppBattle, TankInitBuildsEachKindAndPutsPursuersAndTheTruckIntoPlay)
{
    const std::pair<const VehicleBuild*, TankKind> kinds[] = {
        {&kSherman, TankKind::Sherman}, {&kTiger, TankKind::Tiger}, {&kT34, TankKind::T34}};
    for (auto [v, kind] : kinds) {
        SCOPED_TRACE(v->kind);
        ref<Tank> t = app->m_battle->tankInit(kind, 2);
        ASSERT_TRUE(t->m_turret && t->m_gun);
        EXPECT_STREQ(t->m_turret->m_model->m_name->c_str(), v->turret);
        EXPECT_STREQ(t->m_gun->m_model->m_name->c_str(), v->gun);
        EXPECT_EQ(std::tuple(t->m_gunPivot, t->m_view.get(), t->m_damage), std::tuple(v->gunPivot, app.get(), 0));
        int32_t parts = 0;
        for (ref<Vsprite> c = t->m_child; c; c = c->m_sibling)
            parts++;
        EXPECT_EQ(parts, v->tracks ? 4 : 3);
        t->removeAllStar();
    }
    // A player's tank starts worn. Pursuers come on the player's enemies'
    // side around the player (outside the map only beyond the western edge),
    // the newest at the head of the list; the truck waits off the field at first.
    Battle& b = *app->m_battle;
    app->m_campaign->m_side = Side::German;
    app->m_campaign->m_mapX = 3;
    app->m_campaign->m_dir = 3;
    b.m_tank = b.tankInit(TankKind::Tiger, 50);
    EXPECT_EQ(b.m_tank->m_damage, 40);
    b.m_tank->placeOnGround(100 * 32768, 256 * 32768);
    app->add(b.m_tank);
    for (int32_t i = 0; i < 3; i++)
        b.tankEnemy();
    EXPECT_EQ(b.m_physics->count(), 3);
    EXPECT_EQ(b.m_physics->first().get(), b.m_enemy.get());
    for (ref<Vphob> body = b.m_physics->first(); body; body = body->m_nextBody) {
        ref<Tank> t = ref_cast<Tank>(body);
        ASSERT_TRUE(t);
        EXPECT_EQ(std::tuple(t->m_target.get(), t->getId(), t->m_maxDamage, t->m_gunHeight, t->m_parent.get(), t->m_timer),
                  std::tuple(b.m_tank.get(), Hud::kRadarEnemy, 2, kSherman.gunHeight, static_cast<Vsprite*>(app.get()), 10000));
        EXPECT_LE(t->distApprox(b.m_tank) / 32768, 198);
        EXPECT_TRUE(t->m_wx != 0 && t->m_wx < Tank::kMapSize && t->m_wz < Tank::kMapSize && t->m_wz >= 0);
    }
    b.truckInit();
    ref<Truck> truck = b.m_truck;
    ASSERT_TRUE(truck);
    EXPECT_EQ(std::tuple(truck->m_target.get(), truck->m_damage, truck->m_maxDamage, truck->m_supply, truck->getId()),
              std::tuple(b.m_tank.get(), -1, 1, -1, Hud::kRadarTruck));
    EXPECT_TRUE(truck->parked() && !truck->isLinked() && !truck->m_turret && truck->m_child && truck->m_child->m_model);
    EXPECT_EQ(b.m_physics->first().get(), truck.get());
}

} // namespace
