#include "game/Shell.h"

#include "game/FreeList.h"
#include "game/GameSound.h"
#include "game/Tank.h"
#include "game/Tracer.h"
#include "physics/Vphysics.h"
#include "terrain/Vterrain.h"

ref<Shell> Shell::m_free;

Shell::Shell() = default;
Shell::~Shell() = default;

ref<Shell> Shell::create()
{
    ref<Shell> s = takeFree(m_free);
    if (!s) {
        s = new Shell;
        if (!s)
            return nullptr;
        s->m_radius = kRadius;
    }
    s->m_explodeTime = 0;
    s->m_trail = 0;
    s->m_gravity = kGravity;
    s->m_hitGround = false;
    return s;
}

void Shell::stop()
{
    // The frame's acceleration goes too, or the later sub-steps of this
    // frame would carry the stopped shell on.
    setVelocity(0, 0, 0);
    m_acceleration->m_x = m_acceleration->m_y = m_acceleration->m_z = 0;
    m_gravity = 0;
    setScale(4096);
}

int32_t Shell::collisionCheckEnvironment(int32_t dt)
{
    if (belowGround()) {
        const int32_t g = groundHeight(m_wx, m_wz);
        m_hitGround = true;
        setPosition(m_wx, g, m_wz);
        setWxyz(m_wx, g, m_wz);
        stop();
        if (m_view)
            m_view->soundBkg(String::intern(GameSound::kFarBlast), 100);
    }
    return dt;
}

int32_t Shell::collisionCheckObject(const ref<Vphob>& other, int32_t dt)
{
    // Any body in the air but the firing tank stops a shell below its top:
    // a vehicle, or another shell met on the way (which the call below then
    // stops in turn when it is below this one's top).
    if (m_gravity == 0 || other.get() == m_owner.get())
        return dt;
    if (!meets(*other)) {
        // The world asks one shell of a pair: the other may still be below this one's top.
        Shell* s = dynamic_cast<Shell*>(other.get());
        if (s && s->m_gravity != 0 && s->m_wy < m_wy + m_radius)
            return s->collisionCheckObject(ref<Vphob>(this), dt);
        return dt;
    }
    m_position->set(m_savedPosition);
    setWxyz(m_position->m_x, m_position->m_y, m_position->m_z);
    stop();
    other->collisionCheckObject(ref<Vphob>(this), dt);
    return dt;
}

bool Shell::prestep(int32_t dt)
{
    if (m_gravity != 0) {
        // A puff every kTrailMs of flight: the trail's spacing is the same
        // at any frame rate.
        if (m_trail <= 0) {
            m_trail += kTrailMs * Vphysics::kTimePerMs;
            Tracer::leave(m_view.get(), m_world, m_wx, m_wy, m_wz, m_lib, m_scale);
        }
        m_trail -= dt;
        return true;
    }
    m_explodeTime += dt;
    while (m_explodeTime > 0) {
        m_explodeTime -= 4096;
        if (m_image >= kLastPicture) {
            // Let go of the firing tank and the view while waiting for reuse.
            m_owner = nullptr;
            m_view = nullptr;
            giveFree(m_free, this);
            return false;
        }
        if (m_hitGround && m_image == kCraterPicture)
            digCrater();
        setImage(m_image + 1);
    }
    return true;
}

void Shell::digCrater()
{
    Vbattlefield* field = ground();
    if (!m_view || !field || !m_view->sees(m_wx, m_wy, m_wz, kCraterRadius) || field->water(m_wx, m_wz))
        return;
    // Everything pending is drawn first, so that the next frame redraws only
    // around the explosion, and the crater shows there without a full
    // repaint of the terrain.
    m_view->render();
    setImage(m_image + 1);
    field->dig(m_wx, m_wy, m_wz, kCraterRadius);
    m_view->render();
    if (field->m_view)
        field->m_view->m_changed = false;
}
