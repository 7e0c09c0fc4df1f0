#include "game/Trajectory.h"

#include <algorithm>

#include "game/Battle.h"
#include "game/Shell.h"
#include "game/Tank.h"

Trajectory::Trajectory() : m_probe(new Shell), m_world(new Vphysics)
{
    if (m_probe) {
        m_probe->m_radius = Shell::kRadius;
        m_world->add(m_probe);
    }
}

Trajectory::~Trajectory()
{
    if (m_world)
        m_world->remove(m_probe);
}

namespace {

constexpr int32_t kTick = Battle::kTickMs * Vphysics::kTimePerMs;

// Whether the shell's swept box of the tick overlaps the vehicle's box
// centred on (x, z) (its own box is from the world's last tick, or none yet).
bool crosses(const Shell& s, const Vphob& v, int32_t x, int32_t z)
{
    return std::max<int64_t>(s.m_box[1], static_cast<int64_t>(z) - v.m_radius) <
               std::min<int64_t>(s.m_box[3], static_cast<int64_t>(z) + v.m_radius) &&
           std::max<int64_t>(s.m_box[0], static_cast<int64_t>(x) - v.m_radius) <
               std::min<int64_t>(s.m_box[2], static_cast<int64_t>(x) + v.m_radius);
}

int32_t clampInt(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, -0x7FFFFFFF, 0x7FFFFFFF));
}

} // namespace

void Trajectory::ahead(const Vphob& v, int32_t ticks, int32_t& x, int32_t& z)
{
    // The world moves a body by velocity * dt each tick.
    x = clampInt(v.m_wx + static_cast<int64_t>(V::fmul(v.m_velocity->m_x, kTick)) * ticks);
    z = clampInt(v.m_wz + static_cast<int64_t>(V::fmul(v.m_velocity->m_z, kTick)) * ticks);
}

bool Trajectory::run(Tank& t, bool lead)
{
    m_hit = nullptr;
    m_ticks = 0;
    if (!m_probe || !t.m_world)
        return false;
    Shell& s = *m_probe;
    m_world->m_field = t.m_world->m_field;
    s.m_gravity = Vphob::kGravity;
    s.m_acceleration->m_x = s.m_acceleration->m_y = s.m_acceleration->m_z = 0;
    t.launch(s);
    constexpr int32_t dt = kTick;
    bool down = false;
    while (!down && m_ticks < kMostTicks) {
        // A shell joins the world in the tick it is fired, after the forces
        // of that tick were taken: it flies its first tick without any.
        if (m_ticks++ > 0)
            s.calcForces();
        s.stateSave();
        s.step(dt);
        for (Vphob* b = t.m_world->first().get(); b && !down; b = b->m_nextBody.get()) {
            if (b == &t || b->m_gravity == 0 || b->parked() || !dynamic_cast<Tank*>(b) || !s.meets(*b))
                continue;
            int32_t x = b->m_wx, z = b->m_wz;
            if (lead)
                ahead(*b, m_ticks, x, z);
            if (!crosses(s, *b, x, z))
                continue;
            // It stops where the tick began, as on a vehicle in the world.
            s.stateRestore();
            m_hit = b;
            down = true;
        }
        if (!down) {
            s.collisionCheckEnvironment(dt);
            down = s.m_gravity == 0;
        }
    }
    m_x = s.m_wx;
    m_y = s.m_wy;
    m_z = s.m_wz;
    return down;
}
