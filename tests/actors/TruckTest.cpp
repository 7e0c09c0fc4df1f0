#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "actors/Actors.h"

namespace {

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
    stepUntil(w, [&] { return (p->m_orders.press = Action::Forward, truck->m_captured); }, 5000);
    ASSERT_TRUE(truck->m_captured);
    EXPECT_EQ(std::pair(truck->m_supply, w.m_view->heard("stinger")), std::pair(5, 1));
    w.run(1000);
    EXPECT_EQ(truck->m_driveSpeed, 0);
    // Touching it again changes nothing while the supplies are being handed
    // over; a captured truck stands level (the contact time is not its tilt).
    truck->m_supply = 3;
    hold(w, *p, Action::Forward, 20 * 64);
    EXPECT_EQ(std::tuple(truck->m_supply, w.m_view->heard("stinger"), truck->m_roll), std::tuple(3, 1, 0));
}

// Destroyed before it was supplied it counts as an enemy, once; after its
// supplies were taken it does not; with no enemies left it leaves the world.
TEST_F(TruckTest, DestroyedBeforeItWasSuppliedItCountsAsAnEnemy)
{
    struct Case {
        int32_t before, supply, after;
        bool captured;
    };
    int32_t counted = 0;
    for (Case c : {Case{4, -1, 3, false}, Case{3, 0, 3, true}, Case{1, -1, 0, false}}) {
        SCOPED_TRACE(c.before);
        w.m_campaign->m_enemyCount = c.before;
        truck->redeploy();
        if (c.before > 1)
            w.m_view->add(truck);
        truck->m_captured = c.captured;
        truck->m_supply = c.supply;
        truck->m_damage = 1;
        w.step();
        w.step();
        EXPECT_EQ(w.m_campaign->m_enemyCount, c.after);
        counted += c.after < c.before;
        EXPECT_EQ(w.m_view->heard("stinger"), counted);
        EXPECT_TRUE(!truck->isLinked() && truck->m_damage == -1);
    }
    EXPECT_EQ(truck->m_world, nullptr);
}

} // namespace

// While the player needs nothing (16 rounds, fuel above 10, damage below 40)
// it stays away (on the plain, for 40 s). Short of rounds, it comes after its waiting time of about
// 10 s, to the tank's side, well off the line of its gun, on land with no
// water between them, and is captured there by touching it; by the lake too,
// where the spots across the water are left out.
TEST(Truck, ItComesWhenNeededToTheTanksSideOffTheGunOnTheTanksSideOfTheWater)
{
    struct Place {
        const char* name;
        int32_t x, z, heading, waitMs;
    };
    for (const Place& at : {Place{"plain", 150, 256, kEast, 40000}, Place{"lake shore", 96 + 40, 448, 0, 0}}) {
        SCOPED_TRACE(at.name);
        BattleWorld world(41);
        ref<Tank> tank = world.player(kSherman, at.x, at.z, at.heading);
        world.chase(*tank);
        ref<Truck> t = world.truck(tank);
        tank->m_rounds = 16;
        tank->m_fuel = 327681;
        tank->m_damage = 39;
        world.run(at.waitMs);
        EXPECT_TRUE(!t->isLinked() && t->parked() && t->m_damage == -1);
        tank->m_rounds = 15;
        EXPECT_LT(stepUntil(world, [&] { return t->isLinked(); }, 12000), 12000);
        EXPECT_TRUE(t->m_damage == 0 && t->m_supply == -1 && !t->parked() && !world.m_field->water(t->m_wx, t->m_wz));
        stepUntil(world, [&] { return t->m_captured; }, 60000);
        ASSERT_TRUE(t->m_captured);
        const int32_t dx = t->m_wx - tank->m_wx, dz = t->m_wz - tank->m_wz;
        const double d = std::hypot(dx, dz) / kUnit;
        EXPECT_LT(d, 12); // it touched the tank, and the two pushed each other apart
        // Off the gun: at least 45 degrees from where it points.
        const double gun = (tank->m_heading + tank->turretHeading()) * 2 * M_PI / 32768;
        EXPECT_LT((dx * std::sin(gun) - dz * std::cos(gun)) / (d * kUnit), std::cos(M_PI / 4));
        for (int32_t i = 0; i <= 20; i++)
            EXPECT_FALSE(world.m_field->water(tank->m_wx + dx / 20 * i, tank->m_wz + dz / 20 * i)) << i;
    }
}
