#pragma once
#include <algorithm>
#include <cstdint>

#include "math/Vector.h"
#include "math/Vquaternion.h"
#include "runtime/ref.h"
#include "scene/Vsprite.h"

class Vbattlefield;
class Vphysics;

// A body that the physics world moves: a sprite with a position, a velocity,
// an orientation, gravity plus a drag that grows with the square of the speed,
// a bounce-and-friction response to contacts, and a saved state so that the
// world can undo a sub-step that ran into something. Vehicles and projectiles
// derive from it and act, detect and report contacts through the hooks.
//
// Units: positions 17.15 fixed, y up; physics time is milliseconds * 32. The
// sprite's world position is the body's state between steps: stateSave reads
// it, step and stateRestore write it.
//
// A body parked far away (park: 2147483647 on every axis, where the game keeps
// vehicles that wait to come back) is not moved by step and takes part in no
// contact test, so no arithmetic on it can wrap back into the map.
class Vphob : public Vsprite {
public:
    Vphob();
    ~Vphob() override;

    // The acceleration for this world step: gravity plus a drag of
    // -velocity * (speed^2 * 4 >> 30); a body too slow for any drag stops.
    virtual void calcForces();
    // Bounces off a surface of unit normal n with restitution and friction
    // (32768 = 1); true when the body was moving into it.
    virtual bool collision(int32_t nx, int32_t ny, int32_t nz, int32_t restitution, int32_t friction);
    // After a sub-step of dt: the part of dt that may be kept, judged against
    // the ground and the world's edges. Base: dt.
    virtual int32_t collisionCheckEnvironment(int32_t dt);
    // The same against other, whose swept box overlaps this one's. Base: dt.
    virtual int32_t collisionCheckObject(const ref<Vphob>& other, int32_t dt);
    virtual void collisionResponse();
    // Takes the body and everything below it out of the sprite tree.
    virtual void destroy();
    // 0.9412 * the larger plus 0.4100 * the smaller of |dx| and |dz|.
    virtual int32_t distApprox(const ref<Vphob>& other);
    virtual ref<Vector> getPosition();
    // Once per world step, after every sub-step. Base: nothing.
    virtual void poststep();
    // Once per world step before anything moves; false takes the body out of
    // the world. Base: whether the body is still in the sprite tree.
    virtual bool prestep(int32_t dt);
    virtual void setPosition(int32_t x, int32_t y, int32_t z);
    virtual void setVelocity(int32_t x, int32_t y, int32_t z);
    virtual void stateRestore();
    virtual void stateSave();
    // Semi-implicit Euler over dt; the swept box covers the way from the
    // saved position, widened by m_radius.
    virtual void step(int32_t dt);
    // Turns the orientation as if rolling along the ground.
    virtual void stepAngular(int32_t dt);

    // Moves the body (state and sprite) far outside everything, at rest.
    void park();
    bool parked() const
    {
        return outside(m_position->m_x) || outside(m_position->m_y) || outside(m_position->m_z);
    }
    // Whether the swept boxes of the two overlap strictly in x and z.
    bool boxOverlaps(const Vphob& other) const
    {
        return std::max(m_box[1], other.m_box[1]) < std::min(m_box[3], other.m_box[3]) &&
               std::max(m_box[0], other.m_box[0]) < std::min(m_box[2], other.m_box[2]);
    }
    bool movesHorizontally() const { return m_velocity->m_x != 0 || m_velocity->m_z != 0; }

    // The distance rule of distApprox for offsets (dx, dz), without overflow.
    static int32_t approxDistance(int64_t dx, int64_t dz);
    // The battlefield of the world the body is in, or null: outside a world,
    // or in one without a field, the ground is flat land at height 0.
    Vbattlefield* ground() const;
    // What the ground says at a point: height, stored cell byte, and whether
    // it is water.
    int32_t groundHeight(int32_t x, int32_t z) const;
    int32_t groundCell(int32_t x, int32_t z) const;
    bool groundWater(int32_t x, int32_t z) const;

    static constexpr int32_t kFarAway = 0x7FFFFFFF;
    static constexpr int32_t kGravity = -359834;

    ref<Vector> m_acceleration;
    ref<Vector> m_angularVelocity;
    ref<Vector> m_normal;
    ref<Vector> m_force;
    int32_t m_gravity = kGravity; // 0: no gravity and no contact tests
    int32_t m_rolling = 0;
    ref<Vphob> m_nextBody; // the world's list
    int32_t m_contacts = 0;
    ref<Vector> m_position;
    ref<Vector> m_savedPosition;
    ref<Vquaternion> m_orientation;
    ref<Vquaternion> m_spin;
    int32_t m_radius = 0;
    int32_t m_speed = 0;
    ref<Vector> m_velocity;
    ref<Vector> m_savedVelocity;
    int32_t m_box[4] = {0, 0, 0, 0}; // x min, z min, x max, z max
    ref<Vector> m_tangent; // work vector of collision
    // The world whose list holds the body (set by Vphysics::add), or null.
    // Bodies put the bodies they create (shells, smoke, flashes) into it and
    // find the ground through it.
    Vphysics* m_world = nullptr;

private:
    // Far beyond any place a body can reach by moving (64 times the map).
    static bool outside(int32_t v) { return v >= (1 << 30) || v <= -(1 << 30); }
};
