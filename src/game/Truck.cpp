#include "game/Truck.h"

#include <algorithm>
#include <cstdlib>

#include "game/GameSound.h"

namespace {

constexpr int32_t kWaitTime = 327679;     // about 10 s of physics time
constexpr int32_t kArrived = 109220;      // 3.33 units
constexpr int32_t kLeaveDistance = 2184400; // 66.7 units
constexpr int32_t kSpeed = 174752;
constexpr int32_t kBackUp = -10922;
constexpr int32_t kOnCourse = 273, kFacing = 909, kTilted = 910;
// Spots beside the tank: a quarter turn off its gun, give or take 30
// degrees, close enough that the truck driving there touches the tank; the
// way to it tested every 2 units.
constexpr int32_t kQuarter = 8192, kAside = 2731;
constexpr int32_t kBesideNear = 4 * Tank::kUnit, kBesideFar = 6 * Tank::kUnit;
constexpr int32_t kComeNear = 45 * Tank::kUnit, kComeFar = 60 * Tank::kUnit; // where it comes from
constexpr int32_t kWayStep = 2 * Tank::kUnit;
constexpr int32_t kBesideTries = 16;
constexpr int32_t kStayNear = 28 * Tank::kUnit; // a spot farther from the tank than this is left

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
    // It comes from the tank's side, on the tank's side of any water, where
    // there is such a spot.
    if (!besideTarget(kComeNear, kComeFar))
        for (int32_t i = 0; i < kBesideTries && !dryWay(m_destX, m_destZ, m_target->m_wx, m_target->m_wz); i++)
            ranPosition(16380);
    placeOnGround(m_destX, m_destZ);
    m_timer = 0;
    nextSpot();
}

bool Truck::dryWay(int32_t x0, int32_t z0, int32_t x1, int32_t z1) const
{
    const int64_t dx = static_cast<int64_t>(x1) - x0, dz = static_cast<int64_t>(z1) - z0;
    const int32_t d = approxDistance(dx, dz);
    const int32_t steps = d / kWayStep + 1;
    for (int32_t i = 1; i <= steps; i++)
        if (groundWater(static_cast<int32_t>(x0 + dx * i / steps), static_cast<int32_t>(z0 + dz * i / steps)))
            return false;
    return true;
}

bool Truck::besideTarget(int32_t nearest, int32_t farthest)
{
    const Tank& p = *m_target;
    const int32_t gun = p.m_heading + p.turretHeading();
    // On the field, it stays on its side of the gun: its way there does not
    // cross the tank's.
    const int64_t across = static_cast<int64_t>(fcos(gun)) * (static_cast<int64_t>(m_wx) - p.m_wx) +
                           static_cast<int64_t>(fsin(gun)) * (static_cast<int64_t>(m_wz) - p.m_wz);
    for (int32_t i = 0; i < kBesideTries; i++) {
        const int32_t side = parked() ? (fran() < 16384 ? -kQuarter : kQuarter) : across >= 0 ? kQuarter : -kQuarter;
        const int32_t a = gun + side + fmul(fran(), 2 * kAside + 1) - kAside;
        const int32_t r = nearest + fmul(fran(), farthest - nearest + 1);
        const int64_t x = static_cast<int64_t>(p.m_wx) + fmul(fsin(a), r);
        const int64_t z = static_cast<int64_t>(p.m_wz) - fmul(fcos(a), r);
        if (x < 0 || x >= kMapSize || z < 0 || z >= kMapSize)
            continue;
        // Land all the way: from the tank, and for the truck to get there.
        const int32_t sx = static_cast<int32_t>(x), sz = static_cast<int32_t>(z);
        if (!dryWay(p.m_wx, p.m_wz, sx, sz) || (!parked() && !dryWay(m_wx, m_wz, sx, sz)))
            continue;
        m_destX = sx;
        m_destZ = sz;
        return true;
    }
    return false;
}

void Truck::nextSpot()
{
    if (!besideTarget(kBesideNear, kBesideFar))
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
        if (distApprox(m_target) > kLeaveDistance && !seen()) {
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
    const Tank& tank = *m_target;
    const int32_t toSpot = approxDistance(static_cast<int64_t>(m_destX) - m_wx, static_cast<int64_t>(m_destZ) - m_wz);
    // A spot the tank has driven away from is no spot beside it.
    const bool left = approxDistance(static_cast<int64_t>(m_destX) - tank.m_wx,
                                     static_cast<int64_t>(m_destZ) - tank.m_wz) > kStayNear;
    if (!m_captured && (toSpot < kArrived || (left && distApprox(m_target) <= kStayNear))) {
        m_timer = 0;
        nextSpot();
    }
    if (m_captured && m_supply != 0) {
        m_driveSpeed = 0; // handing the supplies over
        return;
    }
    if (m_captured) {
        // Emptied, it drives off, away from the tank, and leaves the field
        // once far and out of sight.
        const int32_t away = bearingTo(tank.m_wx, tank.m_wz) + 16384;
        m_destX = m_wx + fmul(fsin(away), kLeaveDistance);
        m_destZ = m_wz - fmul(fcos(away), kLeaveDistance);
    }
    // Near its spot beside the tank it turns in and touches the tank's side.
    const bool touch = !m_captured && toSpot < 2 * kArrived && distApprox(m_target) <= kStayNear;
    int32_t a = wrapAngle((touch ? bearingTo(tank.m_wx, tank.m_wz) : bearingTo(m_destX, m_destZ)) - m_heading);
    m_driveSpeed = kSpeed;
    if (a < -kOnCourse)
        m_heading = wrapAngle(m_heading - (dt >> 4));
    else if (a > kOnCourse)
        m_heading = wrapAngle(m_heading + (dt >> 4));
    bool facing = std::abs(a) <= kFacing;
    if (obstacleCheck(m_heading)) {
        m_driveSpeed = kBackUp;
        if (facing)
            nextSpot();
    } else if (facing && (std::abs(m_pitchAngle) > kTilted || std::abs(m_roll) > kTilted)) {
        nextSpot();
    }
}
