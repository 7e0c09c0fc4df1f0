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

// Whether the shell's swept box of the tick overlaps the vehicle's box where
// it stands now (its own box is from the world's last tick, or none yet).
bool crosses(const Shell& s, const Vphob& v)
{
    return std::max(s.m_box[1], v.m_wz - v.m_radius) < std::min(s.m_box[3], v.m_wz + v.m_radius) &&
           std::max(s.m_box[0], v.m_wx - v.m_radius) < std::min(s.m_box[2], v.m_wx + v.m_radius);
}

} // namespace

bool Trajectory::run(Tank& t)
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
    constexpr int32_t dt = Battle::kTickMs * Vphysics::kTimePerMs;
    bool down = false;
    while (!down && m_ticks < kMostTicks) {
        // A shell joins the world in the tick it is fired, after the forces
        // of that tick were taken: it flies its first tick without any.
        if (m_ticks++ > 0)
            s.calcForces();
        s.stateSave();
        s.step(dt);
        for (Vphob* b = t.m_world->first().get(); b && !down; b = b->m_nextBody.get()) {
            if (b == &t || b->m_gravity == 0 || b->parked() || !dynamic_cast<Tank*>(b) || !crosses(s, *b) ||
                !s.meets(*b))
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
