#include "game/Truck.h"

#include <cstdlib>

#include "game/GameSound.h"

namespace {

constexpr int32_t kWaitTime = 327679;     // about 10 s of physics time
constexpr int32_t kArrived = 109220;      // 3.33 units
constexpr int32_t kLeaveDistance = 2184400; // 66.7 units
constexpr int32_t kSpeed = 174752;
constexpr int32_t kBackUp = -10922;
constexpr int32_t kOnCourse = 273, kFacing = 909, kTilted = 910;

} // namespace

Truck::Truck() = default;
Truck::~Truck() = default;

bool Truck::playerSupplied() const
{
    const Tank& p = *m_target;
    return (enemiesLeft() < 3 && p.m_rounds > 0) ||
           (p.m_rounds > 15 && p.m_fuel > 327680 && p.m_damage < 40);
}

void Truck::redeploy()
{
    m_maxDamage = 1;
    m_damage = 0;
    m_captured = false;
    m_supply = -1;
    m_contact = 0;
    if (!ranPosition(16380)) {
        standBy(); // nowhere dry near the player: try again later
        return;
    }
    placeOnGround(m_destX, m_destZ);
    m_timer = 0;
    ranPosition(16380);
}

void Truck::standBy()
{
    off();
    m_damage = -1;
    park();
}

int32_t Truck::collisionCheckObject(const ref<Vphob>& other, int32_t dt)
{
    if (other.get() == m_target.get()) {
        if (m_contact < 8192)
            m_contact += dt;
        if (m_supply == -1 && !m_captured && m_contact > kCapture) {
            m_captured = true;
            m_supply = kSupplies;
            play(GameSound::kSuccess, -1);
        }
    }
    return Tank::collisionCheckObject(other, dt);
}

bool Truck::prestep(int32_t dt)
{
    m_timer += dt;
    if (!m_target)
        return true; // nobody to supply
    if (m_damage == -1) {
        park();
        if (m_timer <= kWaitTime || m_supply >= 1)
            return true;
        m_timer = 0;
        redeploy();
        if (m_damage == -1)
            return true;
        if (insideMap(m_wx, m_wz) && playerSupplied()) {
            standBy();
            return true;
        }
        if (m_view)
            m_view->add(ref<Vsprite>(this));
    }
    bool destroyed = m_damage >= 1;
    if (destroyed || m_wy <= kSunk - 1) {
        if (destroyed && m_supply == -1) {
            play(GameSound::kSuccess, -1);
            enemyDestroyed();
        }
        standBy();
        return enemiesLeft() != 0;
    }
    steer(dt);
    if (m_timer > kWaitTime + 1) {
        m_timer = 0;
        if (distApprox(m_target) > kLeaveDistance && !(m_view && m_view->visible(ref<Vsprite>(this)))) {
            standBy();
            return enemiesLeft() != 0;
        }
    }
    if (m_contacts > 0) {
        int32_t s = fmul(m_driveSpeed, fsin(m_pitchAngle) + 32768);
        m_velocity->m_x = fmul(fsin(m_heading), s);
        m_velocity->m_z = fmul(-fcos(m_heading), s);
    }
    return true;
}

void Truck::steer(int32_t dt)
{
    if (approxDistance(static_cast<int64_t>(m_destX) - m_wx, static_cast<int64_t>(m_destZ) - m_wz) < kArrived) {
        m_timer = 0;
        ranPosition(16380);
    }
    if (m_captured) {
        m_driveSpeed = 0;
        return;
    }
    int32_t a = wrapAngle(bearingTo(m_destX, m_destZ) - m_heading);
    m_driveSpeed = kSpeed;
    if (a < -kOnCourse)
        m_heading = wrapAngle(m_heading - (dt >> 4));
    else if (a > kOnCourse)
        m_heading = wrapAngle(m_heading + (dt >> 4));
    bool facing = std::abs(a) <= kFacing;
    if (obstacleCheck(m_heading)) {
        m_driveSpeed = kBackUp;
        if (facing)
            ranPosition(16380);
    } else if (facing && (std::abs(m_pitchAngle) > kTilted || std::abs(m_roll) > kTilted)) {
        ranPosition(16380);
    }
}
