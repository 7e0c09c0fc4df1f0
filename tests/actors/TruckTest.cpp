#include <gtest/gtest.h>

#include <cmath>

#include "BattleWorld.h"

namespace {

constexpr int32_t kUnit = 32768;
constexpr int32_t kEast = 0x2000;

class TruckTest : public testing::Test {
protected:
    TruckTest() : w(41)
    {
        p = w.player(kSherman, 150, 256, kEast);
        w.chase(*p);
        truck = w.truck(p);
    }
    BattleWorld w;
    ref<Tank> p;
    ref<Truck> truck;
};

TEST_F(TruckTest, ItStaysAwayWhileThePlayerNeedsNothing)
{
    p->m_rounds = 16;
    p->m_fuel = 327681;
    p->m_damage = 39;
    w.run(40000);
    EXPECT_FALSE(truck->isLinked());
    EXPECT_EQ(truck->m_damage, -1);
    EXPECT_TRUE(truck->parked());
    // Short of rounds: it comes after its waiting time of about 10 s.
    p->m_rounds = 15;
    int32_t ms = 0;
    while (!truck->isLinked() && ms < 12000) {
        w.step();
        ms += 64;
    }
    ASSERT_TRUE(truck->isLinked());
    EXPECT_EQ(truck->m_damage, 0);
    EXPECT_EQ(truck->m_supply, -1);
    EXPECT_FALSE(truck->parked());
    EXPECT_FALSE(w.m_field->water(truck->m_wx, truck->m_wz));
    // And drives about, on the ground.
    int32_t x = truck->m_wx, z = truck->m_wz;
    w.run(3000);
    EXPECT_NE(truck->m_wx - x + truck->m_wz - z, 0);
    EXPECT_NEAR(truck->m_wy, w.m_field->height(truck->m_wx, truck->m_wz), 4000);
}

TEST_F(TruckTest, EnoughContactCapturesItOnceAndItStops)
{
    p->m_rounds = 3;
    truck->redeploy();
    w.m_view->add(truck);
    // The player's tank right beside it, pushing into it.
    truck->placeOnGround(p->m_wx + 5 * kUnit, p->m_wz);
    truck->m_destX = truck->m_wx + 100 * kUnit;
    truck->m_destZ = truck->m_wz;
    truck->m_heading = kEast;
    int32_t ms = 0;
    while (!truck->m_captured && ms < 5000) {
        p->m_orders.press = Action::Forward;
        // Keep them together: the truck is slower than the tank.
        w.step();
        ms += 64;
    }
    ASSERT_TRUE(truck->m_captured);
    EXPECT_EQ(truck->m_supply, 5);
    EXPECT_EQ(w.m_view->heard("stinger"), 1);
    w.run(1000);
    EXPECT_EQ(truck->m_driveSpeed, 0);
    // Touching it again changes nothing while the supplies are being handed over.
    truck->m_supply = 3;
    for (int32_t i = 0; i < 20; i++) {
        p->m_orders.press = Action::Forward;
        w.step();
    }
    EXPECT_EQ(truck->m_supply, 3);
    EXPECT_EQ(w.m_view->heard("stinger"), 1);
    // A captured truck stands level: the contact time is not its tilt.
    EXPECT_EQ(truck->m_roll, 0);
}

TEST_F(TruckTest, DestroyedBeforeItWasSuppliedItCountsAsAnEnemy)
{
    w.m_campaign->m_enemyCount = 4;
    truck->redeploy();
    w.m_view->add(truck);
    truck->m_damage = 1;
    w.step();
    EXPECT_EQ(w.m_campaign->m_enemyCount, 3);
    EXPECT_EQ(w.m_view->heard("stinger"), 1);
    EXPECT_FALSE(truck->isLinked());
    EXPECT_EQ(truck->m_damage, -1);
    w.step();
    EXPECT_EQ(w.m_campaign->m_enemyCount, 3); // once
    // After its supplies were taken, it does not count.
    truck->redeploy();
    w.m_view->add(truck);
    truck->m_captured = true;
    truck->m_supply = 0;
    truck->m_damage = 1;
    w.step();
    EXPECT_EQ(w.m_campaign->m_enemyCount, 3);
    // With no enemies left, the truck leaves the world.
    w.m_campaign->m_enemyCount = 1;
    truck->m_supply = -1;
    truck->redeploy();
    truck->m_damage = 1;
    w.step();
    EXPECT_EQ(w.m_campaign->m_enemyCount, 0);
    EXPECT_EQ(truck->m_world, nullptr);
}

} // namespace

// Called for, it comes to the tank's side, well off the line of its gun, on
// land with no water between them, and is captured there by touching it;
// by the lake too, where the spots across the water are left out.
TEST_F(TruckTest, ItComesToTheTanksSideOffTheGunOnTheTanksSideOfTheWater)
{
    struct Place {
        const char* name;
        int32_t x, z, heading;
    };
    for (const Place& at : {Place{"plain", 150, 256, kEast}, Place{"lake shore", 96 + 40, 448, 0}}) {
        SCOPED_TRACE(at.name);
        BattleWorld world(41);
        ref<Tank> tank = world.player(kSherman, at.x, at.z, at.heading);
        world.chase(*tank);
        ref<Truck> t = world.truck(tank);
        tank->m_rounds = 3;
        int32_t ms = 0;
        for (; ms < 60000 && !t->m_captured; ms += 64)
            world.step();
        ASSERT_TRUE(t->m_captured) << ms << " ms";
        const int32_t dx = t->m_wx - tank->m_wx, dz = t->m_wz - tank->m_wz;
        const double d = std::hypot(dx, dz) / kUnit;
        EXPECT_LT(d, 12); // it touched the tank, and the two pushed each other apart
        // Off the gun: at least 45 degrees from where it points.
        const double gun = (tank->m_heading + tank->turretHeading()) * 2 * M_PI / 32768;
        const double along = (dx * std::sin(gun) - dz * std::cos(gun)) / (d * kUnit);
        EXPECT_LT(along, std::cos(M_PI / 4));
        for (int32_t i = 0; i <= 20; i++)
            EXPECT_FALSE(world.m_field->water(tank->m_wx + dx / 20 * i, tank->m_wz + dz / 20 * i)) << i;
    }
}
