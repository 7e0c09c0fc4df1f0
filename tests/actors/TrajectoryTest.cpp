#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "actors/Actors.h"
#include "game/Battle.h"
#include "game/Trajectory.h"

// The sight's landing point is where the shell (followed in the game's ticks)
// really comes down, at the gun's elevations from below level to the highest,
// on the plain (where it flies farther the higher it is laid, and stops on the
// ground) and against the ridge's ramp (which the higher shots land on, well
// above the plain).
TEST(Trajectory, TheLandingPointIsWhereTheShellComesDown)
{
    struct Ground {
        const char* name;
        int32_t x, z, heading;
    };
    for (const Ground& g : {Ground{"flat", 100, 100, kNorth}, Ground{"hill", 160, 256, kEast}}) {
        int32_t last = 0;
        for (int32_t pitch : {600, 0, -500, -1000, Tank::kGunUp}) {
            SCOPED_TRACE(testing::Message() << g.name << " " << pitch);
            BattleWorld w(3);
            ref<Tank> t = w.player(kSherman, g.x, g.z, g.heading);
            t->m_aim = true;
            t->m_gun->m_pitchAngle = pitch;
            t->pose();
            ref<Trajectory> path = new Trajectory;
            ASSERT_TRUE(path->run(*t));
            ref<Shell> shell = fireAndFollow(w, *t, Battle::kTickMs);
            ASSERT_TRUE(shell);
            ASSERT_EQ(shell->m_gravity, 0) << "still flying";
            EXPECT_TRUE(shell->m_hitGround && path->m_hit == nullptr);
            EXPECT_LE(std::max({std::abs(path->m_x - shell->m_wx), std::abs(path->m_y - shell->m_wy), std::abs(path->m_z - shell->m_wz)}), kUnit);
            const int32_t range = std::abs(path->m_x - t->m_wx) + std::abs(path->m_z - t->m_wz);
            EXPECT_TRUE(pitch > 0 || range > 15 * kUnit);
            EXPECT_TRUE(g.heading != kEast || pitch > -1000 || path->m_y > t->m_wy + 2 * kUnit);
            if (g.heading == kNorth) {
                EXPECT_GT(range, last);
                EXPECT_EQ(shell->m_wy, w.m_field->height(shell->m_wx, shell->m_wz));
            }
            last = range;
        }
        EXPECT_TRUE(g.heading != kNorth || last > 100 * kUnit) << "the highest shot flies far";
    }
}

// A tank crossing the line of fire: the flight run with lead meets it where it
// will be when the shell comes down, and a shell fired then hits it; the
// flight without lead sees only the ground it has not reached yet. Standing
// in the way, a vehicle stops the shell in the sight as in the world.
TEST(Trajectory, WithLeadTheFlightMeetsACrossingTankWhereItWillBe)
{
    BattleWorld w(4);
    ref<Tank> t = w.player(kSherman, 100, 300, kNorth);
    t->m_aim = true;
    t->m_gun->m_pitchAngle = -300;
    t->pose();
    ref<Trajectory> path = new Trajectory;
    ASSERT_TRUE(path->run(*t));
    const int32_t landX = path->m_x, landZ = path->m_z;
    // The crosser drives east at full speed towards the landing point, from
    // far enough west that it passes it only after a whole flight.
    ref<Tank> crosser = w.player(kTiger, 40, 100, kEast);
    crosser->placeOnGround(landX - 40 * kUnit, landZ);
    crosser->m_orders.hold(Action::Forward, true);
    stepUntil(w, [&] { return path->run(*t, true) && path->m_hit == crosser.get(); }, 600 * Battle::kTickMs,
              Battle::kTickMs);
    ASSERT_EQ(path->m_hit, crosser.get());
    EXPECT_LT(crosser->m_wx, landX - 3 * kUnit) << "led: still short of the line";
    EXPECT_TRUE(path->run(*t) && path->m_hit == nullptr);
    const int32_t damage = crosser->m_damage;
    ref<Shell> shell = fireAndFollow(w, *t, Battle::kTickMs);
    ASSERT_TRUE(shell);
    EXPECT_TRUE(!shell->m_hitGround && crosser->m_damage == damage + 1);

    crosser->m_orders.hold(Action::Forward, false);
    crosser->setVelocity(0, 0, 0);
    crosser->placeOnGround(t->m_wx, t->m_wz - 15 * kUnit);
    t->m_gun->m_pitchAngle = Tank::kGunDown;
    t->pose();
    ASSERT_TRUE(path->run(*t));
    EXPECT_EQ(path->m_hit, crosser.get());
    shell = fireAndFollow(w, *t, Battle::kTickMs);
    ASSERT_TRUE(shell);
    EXPECT_TRUE(!shell->m_hitGround && crosser->m_damage == damage + 2);
    EXPECT_LE(std::abs(path->m_z - shell->m_wz), kUnit);
}
