#include <gtest/gtest.h>

#include <vector>

#include "math/V.h"
#include "physics/Vphob.h"

namespace {

class Body : public testing::Test {
protected:
    void SetUp() override { V::m_fsin.empty() ? V::fsinInit() : void(); }
    ref<Vphob> b = new Vphob;
};

TEST_F(Body, ForcesAreGravityAndADragThatGrowsWithTheSquareOfTheSpeed)
{
    // At rest: gravity alone, and the body starts to fall.
    b->calcForces();
    EXPECT_TRUE(b->m_acceleration->m_x == 0 && b->m_acceleration->m_y == Vphob::kGravity);
    b->stateSave();
    b->step(512);
    EXPECT_TRUE(b->m_velocity->m_y < 0 && b->m_wy < 0);
    // Too slow for any drag: it stops dead, and only gravity acts.
    b->setVelocity(16000, 0, 0);
    b->calcForces();
    EXPECT_TRUE(b->m_velocity->m_x == 0 && b->m_force->m_x == 0 && b->m_force->m_y == Vphob::kGravity);
    // Fast: the drag opposes the velocity, speed^2 * 4 >> 30 times the speed;
    // twice as fast, eight times the drag.
    for (auto [speed, drag] : {std::pair{3 * 32768 * 20, -864000}, std::pair{6 * 32768 * 20, -6912000}}) {
        b->setVelocity(speed, 0, 0);
        b->calcForces();
        EXPECT_EQ(b->m_speed, speed);
        EXPECT_EQ(b->m_force->m_x, drag) << speed;
        EXPECT_EQ(b->m_acceleration->m_y, Vphob::kGravity);
    }
}

TEST_F(Body, StepIsSemiImplicitAndSweepsABoxWidenedByTheRadius)
{
    b->m_radius = 100;
    b->setWxyz(1000, 5000, -2000);
    b->setVelocity(32768, 0, -65536);
    b->calcForces();
    b->m_acceleration->set(new Vector(0, -32768, 0));
    b->stateSave();
    b->step(16384); // half a time unit
    // The new velocity moves the body: y falls by (0 - 16384) / 2.
    EXPECT_EQ(b->m_velocity->m_y, -16384);
    EXPECT_EQ((std::vector<int32_t>{b->m_wx, b->m_wy, b->m_wz}), (std::vector<int32_t>{1000 + 16384, 5000 - 8192, -2000 - 32768}));
    EXPECT_EQ((std::vector<int32_t>(b->m_box, b->m_box + 4)),
              (std::vector<int32_t>{1000 - 100, -2000 - 32768 - 100, 1000 + 16384 + 100, -2000 + 100}));
    // Restoring gives back the saved state exactly.
    b->stateRestore();
    EXPECT_TRUE(b->m_wx == 1000 && b->m_wy == 5000 && b->m_velocity->m_z == -65536 && b->getPosition()->m_z == -2000);
}

// Against the ground (normal straight up): restitution 0 takes the normal
// velocity away exactly and 1.0 mirrors it; friction takes f * j off the
// slide (to the unit, as the engine rounds), unclamped, and head-on there
// is no slide to rub.
TEST_F(Body, ContactResponseBouncesAndRubs)
{
    struct Case {
        const char* name;
        int32_t vx, vy, restitution, friction;
        bool hit;
        int32_t wantVx, wantVy;
    };
    const Case cases[] = {
        {"along the surface", 5000, 0, 32768, 0, false, 5000, 0},
        {"leaving the surface", 0, 7000, 32768, 0, false, 0, 7000},
        {"no restitution", 0, -40000, 0, 0, true, 0, 0},
        {"full restitution", 0, -40000, 32768, 0, true, 0, 40000},
        {"no friction", 30000, -40000, 0, 0, true, 30000, 0},
        {"half friction", 30000, -40000, 0, 16384, true, 9999, 0},
        {"strong friction turns the slide round", 10000, -40000, 0, 32768, true, -30008, 0},
        {"head-on", 0, -40000, 16384, 32768, true, 0, 20000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        b->setVelocity(c.vx, c.vy, 0);
        EXPECT_EQ(b->collision(0, 32768, 0, c.restitution, c.friction), c.hit);
        EXPECT_EQ((std::vector<int32_t>{b->m_velocity->m_x, b->m_velocity->m_y, b->m_velocity->m_z}),
                  (std::vector<int32_t>{c.wantVx, c.wantVy, 0}));
        EXPECT_EQ(b->m_normal->m_y, 32768);
    }
}

TEST_F(Body, DistanceEstimateAndAParkedBodyThatStaysPutAndSweepsNothing)
{
    ref<Vphob> o = new Vphob;
    b->setWxyz(5000, 0, 7000);
    o->setWxyz(5000, 99999, 7000);
    EXPECT_EQ(b->distApprox(o), 0);
    o->setWxyz(5000 + 32768, 0, 7000);
    EXPECT_EQ(b->distApprox(o), 30842);
    o->setWxyz(5000 - 65536, 0, 7000 + 32768);
    EXPECT_EQ(b->distApprox(o), 61684 + 13434);
    // From far away to beyond the other edge: large, not wrapped.
    o->park();
    b->setWxyz(-20 * 32768, 0, 0);
    EXPECT_EQ(b->distApprox(o), 0x7FFFFFFF);

    b->m_radius = 109220;
    b->park();
    EXPECT_TRUE(b->parked());
    b->setVelocity(0, -300000, 0);
    b->calcForces();
    for (int32_t i = 0; i < 100; i++) {
        b->stateSave();
        b->step(512);
    }
    EXPECT_TRUE(b->m_wx == Vphob::kFarAway && b->m_wy == Vphob::kFarAway && b->m_wz == Vphob::kFarAway);
    // Its box overlaps no other, not even one as large as the map.
    o->setWxyz(0, 0, 0);
    o->m_radius = 0x3FFFFFFF;
    o->stateSave();
    o->step(512);
    EXPECT_FALSE(b->boxOverlaps(*o) || o->boxOverlaps(*b));
}

} // namespace
