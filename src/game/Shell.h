#pragma once
#include <cstdint>

#include "game/AppPicture.h"
#include "physics/Vphob.h"
#include "render3d/V3dView.h"
#include "runtime/ref.h"

class Tank;

// A shell in flight: it falls under gravity leaving a trail of smoke puffs,
// stops on the ground or on a vehicle, tells the vehicle it hit, plays its
// explosion and, on land that the player sees, digs a crater. Finished
// shells wait on a free list for the next shot.
class Shell : public Vphob {
public:
    Shell();
    ~Shell() override;

    // Stops the shell where it went below the ground.
    int32_t collisionCheckEnvironment(int32_t dt) override;
    // Stops the shell at the start of the sub-step in which it reached a
    // vehicle or another shell (never its owner) and hands the hit on.
    int32_t collisionCheckObject(const ref<Vphob>& other, int32_t dt) override;
    // In flight: one smoke puff. Stopped: the explosion, 128 ms a picture.
    bool prestep(int32_t dt) override;

    // A shell from the free list, or a new one; ready to fly.
    static ref<Shell> create();
    // Whether the shell, its swept box over other's, is low enough to meet
    // it: the test of collisionCheckObject, shared with the sight.
    bool meets(const Vphob& other) const { return m_gravity != 0 && m_wy < other.m_wy + other.m_radius; }
    // Whether the shell has gone below the ground.
    bool belowGround() const { return m_wy < groundHeight(m_wx, m_wz); }

    static constexpr int32_t kRadius = 2730;
    static constexpr int32_t kTrailMs = 64;
    static constexpr int32_t kCraterRadius = 65532;
    // The explosion's pictures; the crater opens after the third.
    static constexpr int32_t kLastPicture = AppPicture::kExplosion + AppPicture::kExplosionFrames - 1;
    static constexpr int32_t kCraterPicture = AppPicture::kExplosion + 2;
    // The shell's id: fired by the player (enemies' shells do not hurt enemies).
    static constexpr int32_t kPlayerShell = 1, kEnemyShell = 0;

    ref<Tank> m_owner;
    ref<Shell> m_nextFree;
    int32_t m_explodeTime = 0;
    int32_t m_trail = 0; // flight time to the next puff of the trail
    bool m_hitGround = false;
    ref<V3dView> m_view;

    static ref<Shell> m_free;

private:
    void stop();
    void digCrater();
};
