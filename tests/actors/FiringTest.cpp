#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numeric>
#include <tuple>
#include <vector>

#include "actors/Actors.h"
#include "game/Flash.h"
#include "game/Tracer.h"
#include "support/Pixels.h"

namespace {

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
    ASSERT_EQ(bodies<Shell>(w).size(), 1u);
    // The shell flies along the gun at its muzzle speed.
    const Vector& v = *bodies<Shell>(w)[0]->m_velocity;
    const double speed = std::hypot(double(v.m_x), double(v.m_y), double(v.m_z));
    EXPECT_NEAR(speed, 20.0 * 148889, 20.0 * 148889 * 0.01);
    EXPECT_NEAR(std::atan2(v.m_x, -v.m_z) / (2 * M_PI) * 32768, kEast - 0x1000, 20); // the turret's heading
    EXPECT_NEAR(std::asin(v.m_y / speed) / (2 * M_PI) * 32768, 600, 20);              // and the gun's elevation
    // The flash stands at the muzzle, and on screen at the gun's far end.
    ASSERT_FALSE(bodies<Flash>(w).empty());
    const Flash& flash = *bodies<Flash>(w).back();
    EXPECT_EQ(std::tuple(flash.m_wx, flash.m_wy, flash.m_wz), std::tuple(muzzle->m_x, muzzle->m_y, muzzle->m_z));
    w.render();
    // The gun points away from the camera's left: its far end is its right end.
    const Vsprite& gun = *t->m_gun;
    const int32_t fx = (flash.m_sx + flash.m_drawScale * flash.m_cx) >> 15, fy = (flash.m_sy + flash.m_drawScale * flash.m_cy) >> 15;
    EXPECT_TRUE(fx <= gun.m_x1 + 4 && fx > (gun.m_x0 + 3 * gun.m_x1) / 4 && fy >= gun.m_y0 - 4 && fy <= gun.m_y1 + 4) << fx << "," << fy;
}

TEST(Firing, APointBlankShotNeverHitsItsOwnTank)
{
    // Gun fully down, turret all round, on the slope: never a hit.
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
    EXPECT_EQ(std::pair(t->m_damage, w.m_view->heard("hit")), std::pair(40, 0));
}

TEST(Firing, AShellStopsAtTheStartOfTheSubStepInWhichItReachedATank)
{
    for (int32_t distance : {12, 30, 47}) {
        SCOPED_TRACE(distance);
        BattleWorld w(5);
        ref<Tank> t = w.player(kSherman, 60, 256, kEast);
        ref<Tank> e = w.player(kT34, 60 + distance, 256, kNorth); // standing still
        ref<Shell> s = fireAndFollow(w, *t);
        ASSERT_TRUE(s);
        EXPECT_FALSE(s->m_hitGround);
        EXPECT_EQ(std::pair(e->m_damage, w.m_view->heard("hit")), std::pair(41, 1));
        // Stopped short of the target's box, where a sub-step began: less
        // than a sub-step's flight (1.5 units) from the box.
        double front = (e->m_wx - e->m_radius - s->m_radius - s->m_wx) / 32768.0;
        EXPECT_GT(front, -0.01);
        EXPECT_TRUE(front < 1.6 && s->m_position->m_x == s->m_savedPosition->m_x) << front;
    }
}

// Shells meeting head-on stop each other in the air: neither flies on
// through the other to hit the tank behind it. Fired a frame apart, they meet
// a tenth of a unit apart in height: the lower (the enemy's) is below the
// other's top and stops, the higher flies on.
TEST(Firing, ShellsMeetingHeadOnStopEachOther)
{
    for (int32_t apart : {0, 1}) {
        SCOPED_TRACE(apart);
        BattleWorld w(5);
        ref<Tank> p = w.player(kSherman, 60, 256, kEast);
        ref<Tank> e = w.enemy(kSherman, p, 100, 256, kWest);
        p->m_battleMs = Tank::kEasySpreadMs; // the enemy aims true: Easy's first minutes are over
        e->fireShell();
        if (apart)
            w.step();
        p->fireShell();
        w.step();
        std::vector<ref<Shell>> s = bodies<Shell>(w);
        ASSERT_EQ(s.size(), 2u);
        for (int32_t i = 0; i < 100 && (s[0]->m_gravity != 0 || s[1]->m_gravity != 0); i++)
            w.step();
        EXPECT_EQ(std::tuple(p->m_damage, e->m_damage, w.m_view->heard("hit")), std::tuple(40, apart, apart));
        if (apart)
            continue;
        for (const ref<Shell>& shell : s)
            EXPECT_TRUE(shell->m_gravity == 0 && !shell->m_hitGround && shell->m_wx > 70 * kUnit && shell->m_wx < 90 * kUnit);
        EXPECT_LT(std::abs(s[0]->m_wx - s[1]->m_wx), 4 * kUnit);
    }
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
    EXPECT_TRUE(b->m_damage == 0 && b->m_velocity->m_y > 0);
    hit(*b, true);
    hit(*p, false);
    hit(*truck, true);
    EXPECT_EQ(std::tuple(b->m_damage, p->m_damage, truck->m_damage, w.m_view->heard("hit")), std::tuple(1, 41, 1, 4));
}

int64_t groundSum(const BattleWorld& w)
{
    const auto& map = w.m_ground->m_heightMap;
    return std::accumulate(map.a, map.a + map.length, int64_t{0}, [](int64_t sum, auto h) { return sum + (h & 255); });
}

// A shell that lands in sight digs a crater there, and the frame shows it;
// one out of sight, in the lake or over the map's
// eastern edge (where it stops on the ground, the map repeating) digs none.
TEST(Firing, ACraterOnlyOnLandInSight)
{
    struct Case {
        const char* name;
        int32_t x, z, pitch;
        bool lookAway, crater;
    };
    const int32_t shore = BattleLayout::kLakeX - BattleLayout::kLakeRadius - 5;
    for (const Case& c : {Case{"in sight", 100, 256, Tank::kGunDown, false, true},
                          Case{"out of sight", 100, 256, Tank::kGunDown, true, false},
                          Case{"lake", shore, BattleLayout::kLakeZ, Tank::kGunDown, false, false},
                          Case{"over the edge", 500, 256, -300, false, false}}) {
        SCOPED_TRACE(c.name);
        BattleWorld w(5);
        ref<Tank> t = w.player(kSherman, c.x, c.z, kEast);
        t->m_gun->m_pitchAngle = c.pitch;
        t->pose();
        if (c.lookAway)
            w.look(t->m_wx, t->m_wy + 5 * kUnit, t->m_wz, kWest);
        else
            w.chase(*t);
        w.render();
        const std::vector<uint32_t> before = words(w.m_view->m_pixels);
        const int64_t sum = groundSum(w);
        ref<Shell> s = fireAndFollow(w, *t, BattleWorld::kFrameMs, true);
        ASSERT_TRUE(s);
        const int32_t x = s->m_wx, y = s->m_wy, z = s->m_wz;
        w.run(2048, true);
        EXPECT_TRUE(!s->isLinked() && s->m_world == nullptr);
        EXPECT_EQ(groundSum(w) < sum, c.crater);
        EXPECT_TRUE(c.x != 500 || (s->m_hitGround && x >= Tank::kMapSize && y == w.m_field->height(x - Tank::kMapSize, z)));
        EXPECT_TRUE(c.x != shore || (w.m_field->water(x, z) && w.m_view->heard("miss") >= 1));
        if (!c.crater)
            continue;
        // Lower where it landed, and only there; drawn without a repaint of
        // the whole terrain (the ground's repaint is the battlefield's test).
        EXPECT_TRUE(w.m_field->height(x, z) < y - 32768 && w.m_field->height(x + 4 * kUnit, z) == y);
        EXPECT_FALSE(w.m_terrain->m_changed);
        EXPECT_NE(words(w.m_view->m_pixels), before);
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
    EXPECT_TRUE(t->m_rounds == 1000 - 26 && Shell::m_free && Tracer::m_free && Flash::m_free);
}

} // namespace
