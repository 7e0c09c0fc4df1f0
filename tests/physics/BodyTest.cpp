#include <gtest/gtest.h>

#include <cstdlib>

#include "math/V.h"
#include "physics/Vphob.h"

namespace {

class Body : public testing::Test {
protected:
    void SetUp() override
    {
        if (V::m_fsin.empty())
            V::fsinInit();
        b = new Vphob;
    }
    ref<Vphob> b;
};

TEST_F(Body, ForcesAreGravityAndADragThatGrowsWithTheSquareOfTheSpeed)
{
    // At rest: gravity alone, and the body starts to fall.
    b->calcForces();
    EXPECT_EQ(b->m_acceleration->m_x, 0);
    EXPECT_EQ(b->m_acceleration->m_y, Vphob::kGravity);
    b->stateSave();
    b->step(512);
    EXPECT_LT(b->m_velocity->m_y, 0);
    EXPECT_LT(b->m_wy, 0);

    // Too slow for any drag: it stops dead, and only gravity acts.
    b->setVelocity(16000, 0, 0);
    b->calcForces();
    EXPECT_EQ(b->m_velocity->m_x, 0);
    EXPECT_EQ(b->m_force->m_x, 0);
    EXPECT_EQ(b->m_force->m_y, Vphob::kGravity);

    // Fast: the drag opposes the velocity, k = speed^2 * 4 >> 30.
    b->setVelocity(3 * 32768 * 20, 0, 0);
    b->calcForces();
    int64_t speed = 3 * 32768 * 20;
    int32_t k = static_cast<int32_t>((speed * speed * 4) >> 30);
    EXPECT_EQ(b->m_speed, speed);
    EXPECT_EQ(b->m_force->m_x, -V::fmul(k, static_cast<int32_t>(speed)));
    EXPECT_EQ(b->m_acceleration->m_y, Vphob::kGravity);
    // Twice as fast: four times the drag coefficient.
    b->setVelocity(6 * 32768 * 20, 0, 0);
    b->calcForces();
    EXPECT_NEAR(static_cast<double>(b->m_force->m_x) / -V::fmul(k, static_cast<int32_t>(speed)), 8.0, 0.01);
}

TEST_F(Body, StepIsSemiImplicitAndSweepsABoxWidenedByTheRadius)
{
    b->m_radius = 100;
    b->setWxyz(1000, 5000, -2000);
    b->setVelocity(32768, 0, -65536);
    b->calcForces();
    b->m_acceleration->m_x = 0;
    b->m_acceleration->m_y = -32768;
    b->m_acceleration->m_z = 0;
    b->stateSave();
    b->step(16384); // half a time unit
    // The new velocity moves the body: y falls by (0 - 16384) / 2.
    EXPECT_EQ(b->m_velocity->m_y, -16384);
    EXPECT_EQ(b->m_wy, 5000 - 8192);
    EXPECT_EQ(b->m_wx, 1000 + 16384);
    EXPECT_EQ(b->m_wz, -2000 - 32768);
    EXPECT_EQ(b->m_box[0], 1000 - 100);
    EXPECT_EQ(b->m_box[1], -2000 - 32768 - 100);
    EXPECT_EQ(b->m_box[2], 1000 + 16384 + 100);
    EXPECT_EQ(b->m_box[3], -2000 + 100);

    // Restoring gives back the saved state exactly.
    b->stateRestore();
    EXPECT_EQ(b->m_wx, 1000);
    EXPECT_EQ(b->m_wy, 5000);
    EXPECT_EQ(b->m_velocity->m_z, -65536);
    EXPECT_EQ(b->getPosition()->m_z, -2000);
}

TEST_F(Body, ContactResponseBouncesAndRubs)
{
    // Along the surface: nothing changes.
    b->setVelocity(5000, 0, 0);
    EXPECT_FALSE(b->collision(0, 32768, 0, 32768, 0));
    EXPECT_EQ(b->m_velocity->m_x, 5000);
    // Leaving the surface: nothing either.
    b->setVelocity(0, 7000, 0);
    EXPECT_FALSE(b->collision(0, 32768, 0, 32768, 0));
    EXPECT_EQ(b->m_velocity->m_y, 7000);

    // Restitution 0 takes the normal velocity away exactly; 32768 mirrors it.
    b->setVelocity(0, -40000, 0);
    EXPECT_TRUE(b->collision(0, 32768, 0, 0, 0));
    EXPECT_EQ(b->m_velocity->m_y, 0);
    b->setVelocity(0, -40000, 0);
    EXPECT_TRUE(b->collision(0, 32768, 0, 32768, 0));
    EXPECT_EQ(b->m_velocity->m_y, 40000);
    EXPECT_EQ(b->m_normal->m_y, 32768);

    // Friction takes f * j off the slide; with no friction the slide stays.
    b->setVelocity(30000, -40000, 0);
    b->collision(0, 32768, 0, 0, 0);
    EXPECT_EQ(b->m_velocity->m_x, 30000);
    b->setVelocity(30000, -40000, 0);
    b->collision(0, 32768, 0, 0, 16384);
    EXPECT_NEAR(b->m_velocity->m_x, 30000 - 20000, 4);
    // A strong friction is not clamped: the slide turns round.
    b->setVelocity(10000, -40000, 0);
    b->collision(0, 32768, 0, 0, 32768);
    EXPECT_LT(b->m_velocity->m_x, 0);
    // Head-on, there is no slide to rub.
    b->setVelocity(0, -40000, 0);
    b->collision(0, 32768, 0, 16384, 32768);
    EXPECT_EQ(b->m_velocity->m_x, 0);
    EXPECT_EQ(b->m_velocity->m_z, 0);
}

TEST_F(Body, DistanceEstimate)
{
    ref<Vphob> o = new Vphob;
    b->setWxyz(5000, 0, 7000);
    o->setWxyz(5000, 99999, 7000);
    EXPECT_EQ(b->distApprox(o), 0);
    o->setWxyz(5000 + 32768, 0, 7000);
    EXPECT_EQ(b->distApprox(o), 30842);
    o->setWxyz(5000 - 65536, 0, 7000 + 32768);
    EXPECT_EQ(b->distApprox(o), V::fmul(30842, 65536) + V::fmul(13434, 32768));
    // From far away to beyond the other edge: large, not wrapped.
    o->park();
    b->setWxyz(-20 * 32768, 0, 0);
    EXPECT_EQ(b->distApprox(o), 0x7FFFFFFF);
}

TEST_F(Body, AParkedBodyStaysPutAndSweepsNothing)
{
    b->m_radius = 109220;
    b->park();
    EXPECT_TRUE(b->parked());
    b->setVelocity(0, -300000, 0);
    b->calcForces();
    for (int32_t i = 0; i < 100; i++) {
        b->stateSave();
        b->step(512);
    }
    EXPECT_EQ(b->m_wx, Vphob::kFarAway);
    EXPECT_EQ(b->m_wy, Vphob::kFarAway);
    EXPECT_EQ(b->m_wz, Vphob::kFarAway);
    // Its box overlaps no other, not even one as large as the map.
    ref<Vphob> o = new Vphob;
    o->m_radius = 0x3FFFFFFF;
    o->stateSave();
    o->step(512);
    EXPECT_FALSE(b->boxOverlaps(*o));
    EXPECT_FALSE(o->boxOverlaps(*b));
}

TEST_F(Body, RollingTurnsTheOrientationAboutTheAxisAcrossTheMotion)
{
    b->m_rolling = 32768;
    b->setVelocity(32768, 0, 0);
    for (int32_t i = 0; i < 20; i++)
        b->stepAngular(512);
    const Vquaternion& q = *b->m_orientation;
    // Rolling toward +x turns about z only, and the quaternion stays a unit.
    EXPECT_NE(q.m_z, 0);
    EXPECT_EQ(q.m_x, 0);
    EXPECT_EQ(q.m_y, 0);
    double n = (static_cast<double>(q.m_w) * q.m_w + static_cast<double>(q.m_z) * q.m_z) / (32768.0 * 32768.0);
    EXPECT_NEAR(n, 1.0, 0.001);
    EXPECT_EQ(b->m20, 0);
    EXPECT_NE(b->m01, 0); // written into the body's matrix
    // Standing still (in x and z) does not roll.
    int32_t w = q.m_w;
    b->setVelocity(0, -5000, 0);
    b->stepAngular(512);
    EXPECT_EQ(b->m_orientation->m_w, w);
}

} // namespace
