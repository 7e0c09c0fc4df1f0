#include <gtest/gtest.h>

#include <algorithm>

#include "BattleWorld.h"
#include "physics/Vphob.h"

namespace {

constexpr int32_t kUnit = 32768;

// A ball that stops at the ground: a sub-step that takes it below is cut to
// the moment it reaches the ground, and there it bounces.
class Ball : public Vphob {
public:
    int32_t collisionCheckEnvironment(int32_t dt) override
    {
        int32_t g = groundHeight(m_wx, m_wz);
        if (m_wy >= g)
            return dt;
        int32_t above = m_savedPosition->m_y - g;
        if (above <= 64) {
            // On the ground at the start of the step: rest there and bounce.
            setPosition(m_wx, g, m_wz);
            setWxyz(m_wx, g, m_wz);
            if (collision(0, 32768, 0, restitution, 0))
                bounces++;
            return dt;
        }
        int64_t fall = static_cast<int64_t>(m_savedPosition->m_y) - m_wy;
        return static_cast<int32_t>(dt * static_cast<int64_t>(above) / fall);
    }
    int32_t restitution = 0;
    int32_t bounces = 0;
};

class Ground : public testing::Test {
protected:
    ref<Ball> drop(BattleWorld& w, int32_t restitution)
    {
        ref<Ball> b = new Ball;
        b->restitution = restitution;
        b->setWxyz(100 * kUnit, ground(w) + 10 * kUnit, 256 * kUnit);
        w.m_physics->add(b);
        w.m_view->add(b); // a body stays in the world while it is in the scene
        return b;
    }
    static int32_t ground(BattleWorld& w) { return w.m_field->height(100 * kUnit, 256 * kUnit); }
};

TEST_F(Ground, ABodyAtRestFallsAndComesToRestOnTheGround)
{
    BattleWorld w(1);
    ref<Ball> b = drop(w, 0);
    int32_t g = ground(w);
    EXPECT_EQ(g, BattleLayout::kPlainHeight * 4096);
    int32_t lowest = b->m_wy;
    for (int32_t f = 0; f < 80; f++) {
        w.step();
        lowest = std::min(lowest, b->m_wy);
    }
    // Stopped at the ground, never through it.
    EXPECT_EQ(b->m_wy, g);
    EXPECT_EQ(lowest, g);
    EXPECT_EQ(b->m_velocity->m_y, 0);
    EXPECT_GE(b->bounces, 1);
    // It fell the ten units in about the time free fall takes (1.4 s, a
    // little more for the drag).
    BattleWorld w2(1);
    ref<Ball> c = drop(w2, 0);
    int32_t ms = 0;
    while (c->m_wy > ground(w2) && ms < 5000) {
        w2.step();
        ms += 64;
    }
    EXPECT_GE(ms, 1350);
    EXPECT_LE(ms, 1600);
}

TEST_F(Ground, FullRestitutionBouncesBackNearlyAsHigh)
{
    BattleWorld w(1);
    ref<Ball> b = drop(w, 32768);
    int32_t g = ground(w);
    int32_t top = 0;
    bool bounced = false;
    for (int32_t f = 0; f < 60; f++) {
        w.step();
        bounced = bounced || b->bounces > 0;
        if (bounced)
            top = std::max(top, b->m_wy - g);
        EXPECT_GE(b->m_wy, g);
    }
    ASSERT_TRUE(bounced);
    // Only the drag takes height away.
    EXPECT_GT(top, 9 * kUnit);
    EXPECT_LT(top, 10 * kUnit);
}

} // namespace
