#include <gtest/gtest.h>

#include <cstdlib>

#include "BattleWorld.h"
#include "game/Battle.h"
#include "game/Shell.h"
#include "game/Trajectory.h"

namespace {

constexpr int32_t kUnit = 32768;
constexpr int32_t kEast = 0x2000, kNorth = 0;

// The player's shell fired now, followed in the game's ticks until it stops.
ref<Shell> fireAndFollow(BattleWorld& w, Tank& t)
{
    t.m_timer = 1000;
    t.m_orders.press = Action::Fire;
    w.step(Battle::kTickMs);
    ref<Shell> shell;
    for (ref<Vphob> b = w.m_physics->first(); b && !shell; b = b->m_nextBody)
        shell = ref_cast<Shell>(b);
    for (int32_t i = 0; shell && shell->m_gravity != 0 && i < 1000; i++)
        w.step(Battle::kTickMs);
    return shell;
}

struct Ground {
    const char* name = "";
    int32_t x = 0, z = 0, heading = 0;
};

} // namespace

// The sight's landing point is where the shell really comes down, at the
// gun's four elevations from level to the highest, on the plain and against
// the ridge's ramp (which the higher shots land on, well above the plain).
TEST(Trajectory, TheLandingPointIsWhereTheShellComesDown)
{
    for (const Ground& g : {Ground{"flat", 100, 100, kNorth}, Ground{"hill", 160, 256, kEast}}) {
        for (int32_t pitch : {0, -500, -1000, Tank::kGunUp}) {
            BattleWorld w(3);
            ref<Tank> t = w.player(kSherman, g.x, g.z, g.heading);
            t->m_aim = true;
            t->m_gun->m_pitchAngle = pitch;
            t->pose();
            ref<Trajectory> path = new Trajectory;
            ASSERT_TRUE(path->run(*t)) << g.name << " " << pitch;
            ref<Shell> shell = fireAndFollow(w, *t);
            ASSERT_TRUE(shell) << g.name << " " << pitch;
            ASSERT_EQ(shell->m_gravity, 0) << "still flying";
            EXPECT_TRUE(shell->m_hitGround);
            EXPECT_EQ(path->m_hit, nullptr);
            EXPECT_LE(std::abs(path->m_x - shell->m_wx), kUnit) << g.name << " " << pitch;
            EXPECT_LE(std::abs(path->m_z - shell->m_wz), kUnit) << g.name << " " << pitch;
            EXPECT_LE(std::abs(path->m_y - shell->m_wy), kUnit) << g.name << " " << pitch;
            // Higher shots fly farther; on the hill they land up the ramp.
            const int32_t range = std::abs(path->m_x - t->m_wx) + std::abs(path->m_z - t->m_wz);
            EXPECT_GT(range, 15 * kUnit) << g.name << " " << pitch;
            if (g.heading == kEast && pitch <= -1000) {
                EXPECT_GT(path->m_y, t->m_wy + 2 * kUnit) << pitch;
            }
        }
    }
}

// A vehicle in the way stops the shell, in the sight as in the world.
TEST(Trajectory, AVehicleInTheWayIsWhereTheShellStops)
{
    BattleWorld w(4);
    ref<Tank> t = w.player(kSherman, 100, 200, kNorth);
    ref<Tank> e = w.enemy(kTiger, t, 100, 185, kEast);
    t->m_aim = true;
    t->m_gun->m_pitchAngle = Tank::kGunDown;
    t->pose();
    ref<Trajectory> path = new Trajectory;
    ASSERT_TRUE(path->run(*t));
    EXPECT_EQ(path->m_hit, e.get());
    const int32_t damage = e->m_damage;
    ref<Shell> shell = fireAndFollow(w, *t);
    ASSERT_TRUE(shell);
    EXPECT_FALSE(shell->m_hitGround);
    EXPECT_EQ(e->m_damage, damage + 1);
    EXPECT_LE(std::abs(path->m_z - shell->m_wz), kUnit);
}

// A tank crossing the line of fire: the flight run with lead meets it where it
// will be when the shell comes down, and a shell fired then hits it; the
// flight without lead sees only the ground it has not reached yet.
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
    bool led = false;
    for (int32_t i = 0; i < 600 && !led; i++) {
        w.step(Battle::kTickMs);
        led = path->run(*t, true) && path->m_hit == crosser.get();
    }
    ASSERT_TRUE(led);
    EXPECT_LT(crosser->m_wx, landX - 3 * kUnit) << "led: still short of the line";
    ASSERT_TRUE(path->run(*t));
    EXPECT_EQ(path->m_hit, nullptr);
    const int32_t damage = crosser->m_damage;
    ref<Shell> shell = fireAndFollow(w, *t);
    ASSERT_TRUE(shell);
    EXPECT_FALSE(shell->m_hitGround);
    EXPECT_EQ(crosser->m_damage, damage + 1);
}
