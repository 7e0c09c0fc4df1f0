#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "actors/Actors.h"

namespace {

// Blocked by the lake between it and its goal, or bumped, an enemy stops and
// picks another goal (and a bump starts its timer again); it never drives in.
TEST(Enemy, ABlockedOrBumpedEnemyRepaths)
{
    BattleWorld w(3);
    const int32_t x = BattleLayout::kLakeX, z = BattleLayout::kLakeZ - BattleLayout::kLakeRadius - 5;
    const int32_t across = (BattleLayout::kLakeZ + BattleLayout::kLakeRadius + 30) * kUnit;
    ref<Tank> e = w.enemy(kTiger, w.player(kSherman, 100, 300, kNorth), x, z, 0x4000);
    e->m_destX = x * kUnit;
    for (bool bumped : {false, true}) {
        SCOPED_TRACE(bumped);
        e->m_timer = bumped ? 5000 : 0;
        e->m_destZ = across;
        e->m_driveSpeed = 100000;
        e->m_collided = bumped;
        ASSERT_TRUE(bumped || e->obstacleCheck(e->m_heading));
        w.step();
        EXPECT_EQ(e->m_driveSpeed, 0);
        EXPECT_FALSE(e->m_collided || w.m_field->water(e->m_destX, e->m_destZ));
        if (bumped) {
            EXPECT_EQ(e->m_timer, 0);
        } else {
            EXPECT_NE(e->m_destZ, across);
            EXPECT_GE(stepUntil(w, [&] { return e->m_gravity == Tank::kWaterGravity; }, 10000), 10000);
        }
        e->placeOnGround(150 * kUnit, 256 * kUnit);
    }
}

TEST(Enemy, TwoVehiclesThatMeetPushEachOtherApart)
{
    BattleWorld w(3);
    ref<Tank> p = w.player(kSherman, 100, 256, kEast);
    ref<Tank> e = w.player(kTiger, 120, 256, kWest); // a second, still vehicle
    hold(w, *p, Action::Forward, 2500);
    // The moving one gave its closing speed to the other.
    EXPECT_TRUE(e->m_wx > 120 * kUnit && p->m_wx < e->m_wx - 5 * kUnit && w.m_view->heard("collide") >= 1);
    // Two on the very same spot: no direction to push along, nothing pushed.
    e->placeOnGround(p->m_wx, p->m_wz);
    p->setVelocity(100000, 0, 0);
    e->m_velocity->m_x = 0;
    p->collisionCheckObject(ref<Vphob>(e.get()), 512);
    EXPECT_EQ(std::tuple(p->m_collided, p->m_velocity->m_x, e->m_velocity->m_x), std::tuple(true, 100000, 0));
}

// A destroyed enemy counts once and waits off the field 1 to 5 s; it comes
// back on its own side: from beyond its own edge, one hit from death, or
// (its side being west) inside the map. With no enemies left to destroy, a
// destroyed one leaves for good.
TEST(Enemy, ADestroyedEnemyCountsOnceAndComesBackOnItsSide)
{
    for (int32_t dir : {1, 3}) {
        SCOPED_TRACE(dir);
        BattleWorld w(17);
        w.m_campaign->m_dir = dir;
        w.m_campaign->m_enemyCount = 5;
        // The player near the western edge, looking west, over the edge.
        ref<Tank> p = w.player(kSherman, 30, 256, kWest);
        w.chase(*p);
        ref<Tank> e = w.enemy(kTiger, p, 60, 256, kWest);
        const int32_t radius = e->m_radius;
        e->m_damage = e->m_maxDamage;
        w.step();
        EXPECT_EQ(w.m_campaign->m_enemyCount, 4);
        EXPECT_EQ(w.m_view->heard("stinger"), 1);
        EXPECT_TRUE(!e->isLinked() && e->parked() && e->m_damage == -1);
        EXPECT_TRUE(e->m_timer <= -1000 + 64 && e->m_timer >= -5000) << e->m_timer;
        const int32_t ms = 64 + stepUntil(w, [&] { return e->isLinked(); }, 6000);
        EXPECT_EQ(w.m_campaign->m_enemyCount, 4); // once
        ASSERT_TRUE(e->isLinked());
        EXPECT_TRUE(ms <= 5100 && ms >= 1000) << ms;
        // From beyond the edge it is a larger target too.
        EXPECT_EQ(std::tuple(e->m_wx < 0, e->m_radius > radius, e->m_damage), std::tuple(dir == 3, dir == 3, dir == 3 ? 1 : 0));
        EXPECT_FALSE(w.m_field->water(e->m_wx, e->m_wz));
        if (dir == 3)
            continue;
        w.m_campaign->m_enemyCount = 1;
        e->m_damage = 2;
        w.step();
        EXPECT_TRUE(w.m_campaign->m_enemyCount == 0 && e->m_world == nullptr);
    }
}

TEST(Enemy, ASunkEnemyWaitsWithoutCounting)
{
    BattleWorld w(17);
    w.m_campaign->m_enemyCount = 5;
    ref<Tank> e = w.enemy(kTiger, w.player(kSherman, 100, 300, kNorth), BattleLayout::kLakeX, BattleLayout::kLakeZ, kNorth);
    e->setVelocity(0, -40000, 0); // as one that drove in
    stepUntil(w, [&] { return !e->isLinked(); }, 10000);
    EXPECT_TRUE(!e->isLinked() && e->m_damage == -1 && e->m_world == w.m_physics.get());
    EXPECT_EQ(std::pair(w.m_campaign->m_enemyCount, w.m_view->heard("stinger")), std::pair(5, 0));
}

TEST(Enemy, WithFewEnemiesLeftOnlyTheOnesFromBeyondTheEdgeReturn)
{
    BattleWorld w(23);
    w.m_campaign->m_dir = 1;
    w.m_campaign->m_enemyCount = 2;
    ref<Tank> p = w.player(kSherman, 350, 256, kNorth);
    w.chase(*p);
    ref<Tank> e = w.enemy(kTiger, p, 350, 220, kNorth);
    e->m_damage = 2;
    w.run(6000);
    // Every spot ahead of the camera lies inside the map: it keeps waiting.
    EXPECT_TRUE(!e->isLinked() && e->parked());
    // Looking east, the spots lie beyond the eastern edge: it comes.
    p->m_heading = kEast;
    w.chase(*p);
    w.run(1000);
    ASSERT_TRUE(e->isLinked());
    EXPECT_TRUE(e->m_wx >= Tank::kMapSize && e->m_damage == 1);
}

TEST(Enemy, NoDestinationOnWaterEvenWhenEverySpotTriedIsWater)
{
    BattleWorld w(31);
    ref<Tank> e = w.enemy(kTiger, w.player(kSherman, 300, 100, kEast), 330, 100, kWest);
    // Make grass count as water: every spot the search can reach from
    // here (the lake is out of reach) is "water".
    w.m_field->m_water = VpolyTerrain::kGrass;
    const std::pair dest(e->m_destX, e->m_destZ);
    EXPECT_FALSE(e->ranPosition(16380));
    EXPECT_EQ(std::pair(e->m_destX, e->m_destZ), dest);
    // One that waits to come back stays waiting, off the field.
    e->off();
    e->m_damage = -1;
    e->park();
    e->m_timer = 0;
    w.step();
    EXPECT_TRUE(e->m_damage == -1 && e->parked() && !e->isLinked());
    w.m_field->m_water = 0;
    w.run(1500);
    EXPECT_TRUE(e->isLinked() && !w.m_field->water(e->m_wx, e->m_wz));
}

TEST(Enemy, ATargetOutOfPlayDrawsNoFireAndTurningHasATolerance)
{
    BattleWorld w(37);
    ref<Tank> p = w.player(kSherman, 100, 256, kEast);
    ref<Tank> e = w.enemy(kTiger, p, 130, 256, kWest);
    e->m_engage = 60 * kUnit;
    p->off(); // destroyed: hidden
    const int32_t heading = e->m_heading;
    w.run(8000);
    EXPECT_EQ(std::tuple(e->m_heading, e->turretHeading(), p->m_damage), std::tuple(heading, 0, 40));
    // Facing the target within 4: no turn; beyond: a turn, but not past
    // the goal by more than the tolerance.
    BattleWorld w2(37);
    ref<Tank> f = w2.enemy(kTiger, w2.player(kSherman, 100, 256, kEast), 50, 256, kEast - 4);
    f->m_engage = 30 * kUnit; // far: it chases
    w2.step();
    EXPECT_EQ(f->m_heading, kEast - 4);
    f->m_heading = kEast - 9;
    w2.step();
    EXPECT_TRUE(f->m_heading > kEast - 9 && f->m_heading <= kEast + 4) << f->m_heading;
}

// An enemy ready to fire holds it for the player's first seconds of the
// battle, and fires at once when the player has fired first.
TEST(Enemy, NoEnemyFiresInThePlayersFirstSecondsUnlessThePlayerDid)
{
    for (bool playerFires : {false, true}) {
        SCOPED_TRACE(playerFires);
        BattleWorld w(17);
        ref<Tank> p = w.player(kSherman, 100, 256, kEast);
        ref<Tank> e = w.enemy(kTiger, p, 140, 256, kWest);
        w.chase(*p);
        if (playerFires) {
            p->m_timer = 1000;
            p->m_orders.press = Action::Fire;
        }
        auto enemyFired = [&] {
            for (const ref<Shell>& s : bodies<Shell>(w))
                if (s->m_id == Shell::kEnemyShell)
                    return true;
            e->m_timer = std::max(e->m_timer, 10000); // ready to engage and fire
            return false;
        };
        const int32_t first = stepUntil(w, enemyFired, 12000, 16) - 16;
        EXPECT_TRUE(first < 12000 - 16 && (playerFires ? first < Tank::kHoldFireMs - 1000 : first >= Tank::kHoldFireMs - 16))
            << first;
    }
}

// At Easy an enemy's shot goes wide by a spread that shrinks to nothing as
// the battle goes on; at the other levels it never does.
TEST(Enemy, AtEasyTheEnemysFirstShotsSpreadAndTheSpreadShrinks)
{
    BattleWorld w(23);
    ref<Tank> p = w.player(kSherman, 100, 256, kEast);
    ref<Tank> e = w.enemy(kTiger, p, 140, 256, kWest);
    auto widest = [&](int32_t battleMs) {
        p->m_battleMs = battleMs;
        int32_t most = 0;
        for (int32_t i = 0; i < 400; i++)
            most = std::max(most, std::abs(e->shotError()));
        return most;
    };
    const int32_t start = widest(0), later = widest(Tank::kEasySpreadMs / 2);
    EXPECT_TRUE(start <= Tank::kEasySpread && start > Tank::kEasySpread * 3 / 4) << start;
    EXPECT_TRUE(later <= Tank::kEasySpread / 2 + 1 && later > Tank::kEasySpread / 4) << later;
    EXPECT_EQ(widest(Tank::kEasySpreadMs), 0);
    w.m_campaign->m_level = 1;
    EXPECT_EQ(widest(0), 0);
}

} // namespace
