#include "physics/Vphob.h"

#include <algorithm>
#include <cstdlib>

#include "physics/Vbattlefield.h"
#include "physics/Vphysics.h"

Vphob::Vphob()
{
    m_acceleration = new Vector;
    m_angularVelocity = new Vector;
    m_normal = new Vector;
    m_force = new Vector;
    m_position = new Vector;
    m_savedPosition = new Vector;
    m_velocity = new Vector;
    m_savedVelocity = new Vector;
    m_tangent = new Vector;
    m_orientation = new Vquaternion;
    m_orientation->set(32768, 0, 0, 0);
    m_spin = new Vquaternion;
}

Vphob::~Vphob() = default;

void Vphob::calcForces()
{
    m_speed = m_velocity->magnitude();
    if (m_speed == 0) {
        m_force->m_x = 0;
        m_force->m_y = m_gravity;
        m_force->m_z = 0;
    } else {
        int64_t k = (static_cast<int64_t>(m_speed) * m_speed * 4) >> 30;
        if (k == 0) {
            // Too slow for any drag: the body stops dead.
            m_force->m_x = m_force->m_y = m_force->m_z = 0;
            m_velocity->m_x = m_velocity->m_y = m_velocity->m_z = 0;
        } else {
            m_force->set(m_velocity);
            m_force->multiply(static_cast<int32_t>(std::min<int64_t>(k, 0x7FFFFFFF)));
            m_force->negate();
        }
        m_force->m_y += m_gravity;
    }
    m_acceleration->set(m_force);
}

void Vphob::step(int32_t dt)
{
    if (parked()) {
        // Nothing to integrate out there, and a box that overlaps nothing.
        m_velocity->m_x = m_velocity->m_y = m_velocity->m_z = 0;
        m_box[0] = m_box[1] = 1;
        m_box[2] = m_box[3] = 0;
        return;
    }
    m_velocity->mulAdd(m_acceleration, dt);
    m_position->mulAdd(m_velocity, dt);
    setWxyz(m_position->m_x, m_position->m_y, m_position->m_z);
    m_box[0] = std::min(m_savedPosition->m_x, m_position->m_x) - m_radius;
    m_box[1] = std::min(m_savedPosition->m_z, m_position->m_z) - m_radius;
    m_box[2] = std::max(m_savedPosition->m_x, m_position->m_x) + m_radius;
    m_box[3] = std::max(m_savedPosition->m_z, m_position->m_z) + m_radius;
}

void Vphob::stepAngular(int32_t dt)
{
    if (m_velocity->m_x == 0 && m_velocity->m_z == 0)
        return;
    m_angularVelocity->m_x = 2 * fmul(-m_velocity->m_z, m_rolling);
    m_angularVelocity->m_y = 0;
    m_angularVelocity->m_z = 2 * fmul(m_velocity->m_x, m_rolling);
    m_spin->multiply(m_orientation, m_angularVelocity);
    m_spin->multiply(dt);
    m_orientation->add(m_spin);
    m_orientation->normalize();
    m_orientation->setMatrix(ref<Vmat>(this));
}

bool Vphob::collision(int32_t nx, int32_t ny, int32_t nz, int32_t restitution, int32_t friction)
{
    m_normal->m_x = nx;
    m_normal->m_y = ny;
    m_normal->m_z = nz;
    int32_t vn = m_velocity->dotProduct(m_normal);
    if (vn >= 0)
        return false;
    int32_t j = -fmul(restitution + 32768, vn);
    m_velocity->mulAdd(m_normal, j);
    // The tangential part of the velocity, (n x v) x n, pointing against the slide.
    m_tangent->crossProduct(m_normal, m_velocity);
    m_tangent->crossProduct(m_tangent, m_normal);
    m_tangent->negate();
    m_tangent->normalize();
    if (m_velocity->dotProduct(m_tangent) != 0)
        m_velocity->mulAdd(m_tangent, fmul(friction, j));
    return true;
}

int32_t Vphob::collisionCheckEnvironment(int32_t dt)
{
    return dt;
}

int32_t Vphob::collisionCheckObject(const ref<Vphob>&, int32_t dt)
{
    return dt;
}

void Vphob::collisionResponse() {}

void Vphob::poststep() {}

bool Vphob::prestep(int32_t)
{
    return isLinked();
}

void Vphob::destroy()
{
    // Off as well: a body left linked without its parts would stay in its
    // parent's list for good.
    off();
    removeAllStar();
}

int32_t Vphob::approxDistance(int64_t dx, int64_t dz)
{
    dx = std::min<int64_t>(std::abs(dx), 0x7FFFFFFF);
    dz = std::min<int64_t>(std::abs(dz), 0x7FFFFFFF);
    int64_t big = std::max(dx, dz), small = std::min(dx, dz);
    return static_cast<int32_t>(std::min<int64_t>(((30842 * big) >> 15) + ((13434 * small) >> 15), 0x7FFFFFFF));
}

int32_t Vphob::distApprox(const ref<Vphob>& other)
{
    return approxDistance(static_cast<int64_t>(other->m_wx) - m_wx, static_cast<int64_t>(other->m_wz) - m_wz);
}

ref<Vector> Vphob::getPosition()
{
    return m_position;
}

void Vphob::setPosition(int32_t x, int32_t y, int32_t z)
{
    m_position->m_x = x;
    m_position->m_y = y;
    m_position->m_z = z;
}

void Vphob::setVelocity(int32_t x, int32_t y, int32_t z)
{
    m_velocity->m_x = x;
    m_velocity->m_y = y;
    m_velocity->m_z = z;
}

void Vphob::stateSave()
{
    setPosition(m_wx, m_wy, m_wz);
    m_savedPosition->set(m_position);
    m_savedVelocity->set(m_velocity);
}

void Vphob::stateRestore()
{
    m_position->set(m_savedPosition);
    setWxyz(m_position->m_x, m_position->m_y, m_position->m_z);
    m_velocity->set(m_savedVelocity);
}

void Vphob::park()
{
    setPosition(kFarAway, kFarAway, kFarAway);
    setWxyz(kFarAway, kFarAway, kFarAway);
    setVelocity(0, 0, 0);
}

Vbattlefield* Vphob::ground() const
{
    return m_world ? m_world->m_field.get() : nullptr;
}

int32_t Vphob::groundHeight(int32_t x, int32_t z) const
{
    const Vbattlefield* f = ground();
    return f ? f->height(x, z) : 0;
}

int32_t Vphob::groundCell(int32_t x, int32_t z) const
{
    const Vbattlefield* f = ground();
    return f ? f->cell(x, z) : 0;
}

bool Vphob::groundWater(int32_t x, int32_t z) const
{
    const Vbattlefield* f = ground();
    return f && f->water(x, z);
}
