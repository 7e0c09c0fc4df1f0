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
        const int32_t g = groundHeight(m_wx, m_wz), above = m_savedPosition->m_y - g;
        if (m_wy >= g)
            return dt;
        if (above > 64)
            return static_cast<int32_t>(dt * static_cast<int64_t>(above) / (static_cast<int64_t>(m_savedPosition->m_y) - m_wy));
        // On the ground at the start of the step: rest there and bounce.
        setPosition(m_wx, g, m_wz);
        setWxyz(m_wx, g, m_wz);
        bounces += collision(0, 32768, 0, restitution, 0);
        return dt;
    }
    int32_t restitution = 0, bounces = 0;
};

// Dropped from ten units, a body never passes through the ground. Without
// restitution it falls in about the time free fall takes (1.4 s, a little
// more for the drag) and comes to rest there; with full restitution it
// bounces back nearly as high, only the drag taking height away.
TEST(Ground, ABodyFallsOntoTheGroundAndRestsOrBouncesBackNearlyAsHigh)
{
    for (int32_t restitution : {0, 32768}) {
        SCOPED_TRACE(restitution);
        BattleWorld w(1);
        const int32_t g = w.m_field->height(100 * kUnit, 256 * kUnit);
        ref<Ball> b = new Ball;
        b->restitution = restitution;
        b->setWxyz(100 * kUnit, g + 10 * kUnit, 256 * kUnit);
        w.m_physics->add(b);
        w.m_view->add(b); // a body stays in the world while it is in the scene
        int32_t lowest = b->m_wy, top = 0, landedMs = 0;
        for (int32_t f = 0; f < 80; f++) {
            w.step();
            lowest = std::min(lowest, b->m_wy);
            if ((b->m_wy <= g || b->bounces > 0) && !landedMs)
                landedMs = (f + 1) * 64;
            if (b->bounces > 0)
                top = std::max(top, b->m_wy - g);
        }
        EXPECT_TRUE(lowest >= g && b->bounces >= 1 && landedMs >= 1350 && landedMs <= 1600) << lowest << " " << landedMs;
        if (restitution == 0)
            EXPECT_TRUE(b->m_wy == g && b->m_velocity->m_y == 0);
        else
            EXPECT_TRUE(top > 9 * kUnit && top < 10 * kUnit) << top;
    }
}

} // namespace
