#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BattleWorld.h"
#include "game/Flash.h"
#include "game/Shell.h"
#include "game/Tracer.h"

namespace {

constexpr int32_t kUnit = 32768;
constexpr int32_t kEast = 0x2000, kWest = -0x2000, kNorth = 0;

std::vector<ref<Shell>> shells(BattleWorld& w)
{
    std::vector<ref<Shell>> out;
    for (ref<Vphob> b = w.m_physics->first(); b; b = b->m_nextBody)
        if (Shell* s = dynamic_cast<Shell*>(b.get()))
            out.push_back(ref<Shell>(s));
    return out;
}

// Fires t's gun now and follows the shell until it stops; the shell.
ref<Shell> fireAndFollow(BattleWorld& w, Tank& t, bool render = false, int32_t* ms = nullptr)
{
    t.m_timer = 1000;
    t.m_orders.press = t.isPlayer() ? Action::Fire : Action::None;
    if (!t.isPlayer())
        t.fireShell();
    w.step();
    if (render)
        w.render();
    std::vector<ref<Shell>> s = shells(w);
    if (s.empty())
        return nullptr;
    int32_t e = 64;
    while (s[0]->m_gravity != 0 && e < 10000) {
        w.step();
        if (render)
            w.render();
        e += 64;
    }
    if (ms)
        *ms = e;
    return s[0];
}

TEST(Firing, TheShellLeavesTheVisibleMuzzleAlongTheGun)
{
    BattleWorld w(5);
    ref<Tank> t = w.player(kSherman, 100, 256, kEast);
    t->m_turret->m_heading = -0x1000; // the turret turned 45 degrees to the left
    t->m_gun->m_pitchAngle = -600;
    t->pose();
    // Seen from the side of the gun, near: from the south-east, looking
    // north-west, the gun pointing north-east runs to the right.
    w.look(t->m_wx + 7 * kUnit, t->m_wy + 3 * kUnit, t->m_wz + 7 * kUnit, -0x1000);
    w.render();
    ref<Vector> muzzle = new Vector;
    t->muzzle(muzzle);
    t->m_timer = 1000;
    t->m_orders.press = Action::Fire;
    w.step();
    std::vector<ref<Shell>> s = shells(w);
    ASSERT_EQ(s.size(), 1u);
    const Shell& shell = *s[0];
    // The shell started at the muzzle and flies along the gun.
    EXPECT_EQ(shell.m_savedVelocity->m_x, shell.m_velocity->m_x);
    double vx = shell.m_velocity->m_x, vy = shell.m_velocity->m_y, vz = shell.m_velocity->m_z;
    double speed = std::sqrt(vx * vx + vy * vy + vz * vz);
    EXPECT_NEAR(speed, 20.0 * 148889, 20.0 * 148889 * 0.01);
    double heading = std::atan2(vx, -vz) / (2 * M_PI) * 32768, climb = std::asin(vy / speed) / (2 * M_PI) * 32768;
    EXPECT_NEAR(heading, kEast - 0x1000, 20);
    EXPECT_NEAR(climb, 600, 20);
    // The flash stands at the muzzle, and on screen at the gun's far end.
    ref<Flash> flash;
    for (ref<Vphob> b = w.m_physics->first(); b; b = b->m_nextBody)
        if (Flash* f = dynamic_cast<Flash*>(b.get()))
            flash = f;
    ASSERT_TRUE(flash);
    EXPECT_EQ(flash->m_wx, muzzle->m_x);
    EXPECT_EQ(flash->m_wy, muzzle->m_y);
    EXPECT_EQ(flash->m_wz, muzzle->m_z);
    w.render();
    const Vsprite& gun = *t->m_gun;
    int32_t fx = flash->m_sx + flash->m_drawScale * flash->m_cx, fy = flash->m_sy + flash->m_drawScale * flash->m_cy;
    fx >>= 15;
    fy >>= 15;
    EXPECT_GE(fx, gun.m_x0 - 4);
    EXPECT_LE(fx, gun.m_x1 + 4);
    EXPECT_GE(fy, gun.m_y0 - 4);
    EXPECT_LE(fy, gun.m_y1 + 4);
    // The gun points away from the camera's left: its far end is its right end.
    EXPECT_GT(fx, (gun.m_x0 + 3 * gun.m_x1) / 4);
    EXPECT_EQ(t->m_damage, 40);
}

TEST(Firing, RangeGrowsWithElevation)
{
    double last = 0;
    for (int32_t pitch : {600, 0, -600, -1456}) {
        BattleWorld w(5);
        ref<Tank> t = w.player(kSherman, 60, 256, kEast);
        t->m_gun->m_pitchAngle = pitch;
        t->pose();
        ref<Shell> s = fireAndFollow(w, *t);
        ASSERT_TRUE(s);
        EXPECT_TRUE(s->m_hitGround);
        double range = (s->m_wx - t->m_wx) / 32768.0;
        EXPECT_GT(range, last) << pitch;
        last = range;
        // Where it stopped is the ground.
        EXPECT_EQ(s->m_wy, w.m_field->height(s->m_wx, s->m_wz));
    }
    EXPECT_GT(last, 100); // the highest shot flies far
}

TEST(Firing, APointBlankShotNeverHitsItsOwnTank)
{
    // Gun fully down, turret all round, on the slope, driving: never a hit.
    BattleWorld w(5);
    ref<Tank> t = w.player(kTiger, BattleLayout::kRidgeWest + 20, 256, kEast);
    t->m_gun->m_pitchAngle = Tank::kGunDown;
    for (int32_t turret = -16384; turret < 16384; turret += 4096) {
        t->m_turret->m_heading = turret;
        t->pose();
        ref<Shell> s = fireAndFollow(w, *t);
        ASSERT_TRUE(s);
        EXPECT_TRUE(s->m_hitGround) << turret;
    }
    EXPECT_EQ(t->m_damage, 40);
    EXPECT_EQ(w.m_view->heard("hit"), 0);
}

TEST(Firing, AShellStopsAtTheStartOfTheSubStepInWhichItReachedATank)
{
    for (int32_t distance : {12, 30, 47}) {
        BattleWorld w(5);
        ref<Tank> t = w.player(kSherman, 60, 256, kEast);
        ref<Tank> e = w.player(kT34, 60 + distance, 256, kNorth); // standing still
        ref<Shell> s = fireAndFollow(w, *t);
        ASSERT_TRUE(s);
        EXPECT_FALSE(s->m_hitGround);
        EXPECT_EQ(e->m_damage, 41) << distance;
        EXPECT_EQ(w.m_view->heard("hit"), 1);
        // Stopped short of the target's box, where a sub-step began: less
        // than a sub-step's flight (1.5 units) from the box.
        double front = (e->m_wx - e->m_radius - s->m_radius - s->m_wx) / 32768.0;
        EXPECT_GT(front, -0.01) << distance;
        EXPECT_LT(front, 1.6) << distance;
        EXPECT_EQ(s->m_position->m_x, s->m_savedPosition->m_x);
    }
}

// Shells meeting head-on stop each other in the air: neither flies on
// through the other to hit the tank behind it.
TEST(Firing, ShellsMeetingHeadOnStopEachOther)
{
    BattleWorld w(5);
    ref<Tank> p = w.player(kSherman, 60, 256, kEast);
    ref<Tank> e = w.enemy(kSherman, p, 100, 256, kWest);
    p->m_battleMs = Tank::kEasySpreadMs; // the enemy aims true: Easy's first minutes are over
    p->fireShell();
    e->fireShell();
    w.step();
    std::vector<ref<Shell>> s = shells(w);
    ASSERT_EQ(s.size(), 2u);
    for (int32_t i = 0; i < 100 && (s[0]->m_gravity != 0 || s[1]->m_gravity != 0); i++)
        w.step();
    for (const ref<Shell>& shell : s) {
        EXPECT_EQ(shell->m_gravity, 0);
        EXPECT_FALSE(shell->m_hitGround);
        EXPECT_GT(shell->m_wx, 70 * kUnit);
        EXPECT_LT(shell->m_wx, 90 * kUnit);
    }
    EXPECT_LT(std::abs(s[0]->m_wx - s[1]->m_wx), 4 * kUnit);
    EXPECT_EQ(p->m_damage, 40);
    EXPECT_EQ(e->m_damage, 0);
    EXPECT_EQ(w.m_view->heard("hit"), 0);

    // Fired a frame apart, they meet a tenth of a unit apart in height: the
    // lower is below the other's top and stops, the higher flies on.
    BattleWorld v(5);
    p = v.player(kSherman, 60, 256, kEast);
    e = v.enemy(kSherman, p, 100, 256, kWest);
    p->m_battleMs = Tank::kEasySpreadMs;
    e->fireShell();
    v.step();
    p->fireShell();
    v.step();
    s = shells(v);
    ASSERT_EQ(s.size(), 2u);
    for (int32_t i = 0; i < 100 && (s[0]->m_gravity != 0 || s[1]->m_gravity != 0); i++)
        v.step();
    EXPECT_EQ(p->m_damage, 40);
    EXPECT_EQ(e->m_damage, 1); // the player's shell, the higher one
    EXPECT_EQ(v.m_view->heard("hit"), 1);
}

TEST(Firing, WhoIsHurtByWhichShell)
{
    BattleWorld w(5);
    ref<Tank> p = w.player(kSherman, 60, 256, kEast);
    ref<Tank> a = w.enemy(kTiger, p, 75, 256, kNorth);
    ref<Tank> b = w.enemy(kTiger, p, 100, 256, kWest);
    ref<Truck> truck = w.truck(p);
    truck->redeploy();
    auto hit = [&](Tank& target, bool byPlayer) {
        ref<Shell> s = Shell::create();
        s->setId(byPlayer ? 1 : 0);
        s->m_owner = byPlayer ? p : a;
        s->m_gravity = 0; // as the shell hands it on
        target.collisionCheckObject(ref<Vphob>(s.get()), 512);
    };
    hit(*b, false); // enemy on enemy: a jolt, no damage
    EXPECT_EQ(b->m_damage, 0);
    EXPECT_GT(b->m_velocity->m_y, 0);
    hit(*b, true);
    EXPECT_EQ(b->m_damage, 1);
    hit(*p, false);
    EXPECT_EQ(p->m_damage, 41);
    hit(*truck, true);
    EXPECT_EQ(truck->m_damage, 1);
    EXPECT_EQ(w.m_view->heard("hit"), 4);

    // An enemy that came back beyond the edge is a larger target, one hit from death.
    w.m_campaign->m_dir = 1;
    w.look(500 * kUnit, 0, 256 * kUnit, kEast);
    p->placeOnGround(505 * kUnit, 256 * kUnit);
    b->m_damage = -1;
    for (int32_t i = 0; i < 20 && (b->m_damage != 1); i++)
        b->redeploy();
    ASSERT_EQ(b->m_damage, 1);
    EXPECT_GE(b->m_wx, Tank::kMapSize);
    EXPECT_EQ(b->m_radius, 136525);
    hit(*b, true);
    EXPECT_EQ(b->m_damage, b->m_maxDamage);
}

int64_t groundSum(const BattleWorld& w)
{
    int64_t sum = 0;
    for (int32_t i = 0; i < w.m_ground->m_heightMap.length; i++)
        sum += w.m_ground->m_heightMap[i] & 255;
    return sum;
}

// The player's tank at (x, z) facing east, its gun all the way down.
ref<Tank> gunDown(BattleWorld& w, int32_t x, int32_t z)
{
    ref<Tank> t = w.player(kSherman, x, z, kEast);
    t->m_gun->m_pitchAngle = Tank::kGunDown;
    t->pose();
    return t;
}

TEST(Firing, ACraterOnLandInSight)
{
    BattleWorld w(5);
    ref<Tank> t = gunDown(w, 100, 256);
    w.chase(*t);
    w.render();
    Array<int32_t> before(w.m_view->m_pixels.length);
    std::copy(w.m_view->m_pixels.a, w.m_view->m_pixels.a + before.length, before.a);
    int64_t sum = groundSum(w);
    ref<Shell> s = fireAndFollow(w, *t, true);
    ASSERT_TRUE(s && s->m_hitGround);
    int32_t x = s->m_wx, y = s->m_wy, z = s->m_wz;
    int32_t rx0 = 0, ry0 = 0, rx1 = 0, ry1 = 0;
    for (int32_t ms = 0; ms < 2048; ms += 64) {
        w.step();
        w.render();
        if (s->isLinked() && s->m_image >= Shell::kCraterPicture && rx1 == 0) {
            rx0 = s->m_x0;
            ry0 = s->m_y0;
            rx1 = s->m_x1;
            ry1 = s->m_y1;
        }
    }
    // The ground is lower where it landed, and only there.
    EXPECT_LT(groundSum(w), sum);
    EXPECT_LT(w.m_field->height(x, z), y - 32768);
    EXPECT_EQ(w.m_field->height(x + 4 * kUnit, z), y);
    EXPECT_FALSE(s->isLinked());
    EXPECT_EQ(s->m_world, nullptr);
    // The crater is drawn in the region the explosion repainted, without a
    // repaint of the whole terrain.
    EXPECT_FALSE(w.m_terrain->m_changed);
    ASSERT_GT(rx1, rx0);
    int32_t changed = 0;
    for (int32_t py = std::max(ry0, 0); py < std::min(ry1, w.m_view->m_height); py++)
        for (int32_t px = std::max(rx0, 0); px < std::min(rx1, w.m_view->m_width); px++) {
            int32_t i = py * w.m_view->m_width + px;
            changed += (w.m_view->m_pixels[i] & 0xFFFFFF) != (before[i] & 0xFFFFFF);
        }
    EXPECT_GT(changed, 20);
}

TEST(Firing, NoCraterOffScreenNorOnWater)
{
    {
        // The same shot with the camera looking away.
        BattleWorld w(5);
        ref<Tank> t = gunDown(w, 100, 256);
        w.look(t->m_wx, t->m_wy + 5 * kUnit, t->m_wz, kWest);
        w.render();
        int64_t before = groundSum(w);
        fireAndFollow(w, *t, true);
        w.run(2048, true);
        EXPECT_EQ(groundSum(w), before);
    }
    {
        // Into the lake, in sight.
        BattleWorld w(5);
        ref<Tank> t = gunDown(w, BattleLayout::kLakeX - BattleLayout::kLakeRadius - 5, BattleLayout::kLakeZ);
        w.chase(*t);
        w.render();
        int64_t before = groundSum(w);
        ref<Shell> s = fireAndFollow(w, *t, true);
        ASSERT_TRUE(s);
        EXPECT_TRUE(w.m_field->water(s->m_wx, s->m_wz));
        w.run(2048, true);
        EXPECT_EQ(groundSum(w), before);
        EXPECT_GE(w.m_view->heard("miss"), 1);
    }
    {
        // Over the map's eastern edge, in sight: it stops on the ground
        // there (the map repeats), and no crater is dug on the far side.
        BattleWorld w(5);
        ref<Tank> t = w.player(kSherman, 500, 256, kEast);
        t->m_gun->m_pitchAngle = -300;
        t->pose();
        w.chase(*t);
        w.render();
        int64_t before = groundSum(w);
        ref<Shell> s = fireAndFollow(w, *t, true);
        ASSERT_TRUE(s && s->m_hitGround);
        EXPECT_GE(s->m_wx, Tank::kMapSize);
        EXPECT_EQ(s->m_wy, w.m_field->height(s->m_wx - Tank::kMapSize, s->m_wz));
        w.run(2048, true);
        EXPECT_EQ(groundSum(w), before);
    }
}

TEST(Firing, SteadyFiringAllocatesNothingAfterTheFirstShots)
{
    BattleWorld w(5);
    ref<Tank> t = w.player(kSherman, 100, 256, kEast);
    t->m_rounds = 1000;
    w.chase(*t);
    int32_t shot = 0;
    auto shoot = [&](int32_t shots) {
        for (int32_t i = 0; i < shots; i++) {
            // Round the compass, so that no shell lands in an older one's
            // crater (which would lengthen its flight).
            t->m_orders.press = Action::Fire;
            t->m_gun->m_pitchAngle = -400 * (i % 3);
            t->m_turret->m_heading = Tank::wrapAngle(2048 * shot++);
            t->pose();
            w.run(1024, true);
        }
    };
    t->m_timer = 1000;
    shoot(6);
    int64_t before = Object::m_allocations.load();
    shoot(20);
    EXPECT_EQ(Object::m_allocations.load() - before, 0);
    EXPECT_EQ(t->m_rounds, 1000 - 26);
    EXPECT_NE(Shell::m_free, nullptr);
    EXPECT_NE(Tracer::m_free, nullptr);
    EXPECT_NE(Flash::m_free, nullptr);
}

} // namespace
