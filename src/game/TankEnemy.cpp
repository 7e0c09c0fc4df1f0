// The enemy's side of Tank: its life cycle (destroyed, waiting, back in play),
// its pursuit and gunnery, and where it goes next.
#include <algorithm>
#include <cstdlib>

#include "game/Campaign.h"
#include "game/GameSound.h"
#include "game/Tank.h"
#include "game/Trajectory.h"
#include "game/Truck.h"
#include "game/Wreck.h"
#include "physics/Vbattlefield.h"

namespace {

constexpr int32_t kUnit = Tank::kUnit;
constexpr int32_t kFar = 192 * kUnit;         // a destination straight ahead
constexpr int32_t kNear = 66 * kUnit;         // a destination to the side
constexpr int32_t kCatchMoving = 1092200;     // 33.33 units
constexpr int32_t kFacing = 909;              // about 10 degrees
constexpr int32_t kLevelShot = 1820;          // about 20 degrees of tilt
constexpr int32_t kAimTolerance = 91;         // 2 degrees
constexpr int32_t kFastTarget = 163830;       // 5.0 units per 1.024 s
constexpr int32_t kAimHeight = 65532;         // the gun stands about two units over the target's origin
constexpr int32_t kDetourMs = 3000;           // the demo's way round what blocks it to the truck
constexpr int32_t kStuckMs = 2000;            // turning before an obstacle this long without getting on

int32_t clampInt(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, -0x7FFFFFFF, 0x7FFFFFFF));
}

} // namespace

int32_t Tank::bearingTo(int32_t x, int32_t z, int32_t* distance)
{
    int32_t dx = clampInt(static_cast<int64_t>(x) - m_wx), dz = clampInt(static_cast<int64_t>(z) - m_wz);
    int32_t d = fsqrt((static_cast<int64_t>(dx) * dx + static_cast<int64_t>(dz) * dz) >> 15);
    if (distance)
        *distance = d;
    // fatan3 answers 0 for a zero distance: the goal is where we stand.
    return fatan3(dx, -dz, d);
}

Tank::Life Tank::enemyLife(int32_t ms)
{
    bool destroyed = m_damage >= m_maxDamage;
    if (destroyed) {
        play(GameSound::kSuccess, -1);
        enemyDestroyed();
        Wreck::leave(*this);
    }
    if (destroyed || m_wy < kSunk) {
        off();
        if (enemiesLeft() == 0)
            return Life::leave;
        wait(1000 + fmul(fran(), 4001));
    }
    if (m_damage != -1)
        return Life::play;
    park();
    if (m_timer < 0)
        return Life::wait;
    redeploy();
    if (m_damage == -1)
        return Life::wait; // no land to come back to yet
    if (enemiesLeft() < 3 && m_damage == 0 && m_offFieldMs < kMostOffFieldMs) {
        // Near the end only the ones coming from beyond the edge return; one
        // that found no way round it in time comes back all the same, or a
        // player in the middle of the map would have nobody left to fight.
        m_offFieldMs += ms;
        m_damage = -1;
        park();
        return Life::wait;
    }
    m_offFieldMs = 0;
    if (m_view)
        m_view->add(ref<Vsprite>(this));
    return Life::play;
}

void Tank::enemyCommands(Commands& c)
{
    Tank* t = m_target.get();
    if (!t->isLinked())
        return; // a target out of play draws neither chase nor fire
    int32_t d = 0;
    int32_t b = bearingTo(t->m_wx, t->m_wz, &d);
    bool targetMoves = t->m_speed != 0;

    // Catching up, unseen, behind the target's back.
    int32_t looks = t->m_heading + (t->m_aim ? t->turretHeading() : 0);
    if (!m_piloting && m_view && !seen() && d > (targetMoves ? kCatchMoving : kFar) &&
        std::abs(wrapAngle(looks - b)) <= 8192) {
        redeploy();
        b = bearingTo(t->m_wx, t->m_wz, &d);
    }

    bool recent = m_timer <= 9999;
    bool blocked = obstacleCheck(m_heading);
    // The demo's pilot lays its turret on any moving target within the wider
    // tolerance: on Easy the enemies move slowly, and a turret that must
    // come within 4 of one would follow it for ever without firing.
    int32_t tolerance = t->m_speed > kFastTarget || (m_piloting && t->m_speed != 0) ? kAimTolerance : 4;
    if (m_collided) {
        m_collided = false;
        m_timer = 0;
        repath(c, tolerance);
    } else if (recent) {
        if (blocked)
            repath(c, tolerance);
        else
            toDestination(c, tolerance, false);
    } else {
        engage(c, d, b, tolerance, blocked);
    }
}

void Tank::pilot(const ref<Tank>& target)
{
    if (target == m_pilot)
        return;
    m_pilot = target;
    if (!target)
        return;
    // As an enemy put into play: a way and an engage distance drawn, ready
    // to fight rather than to drive to a spot first.
    m_target = target;
    ranPosition(2730);
    m_target = nullptr;
    m_timer = 10000;
}

void Tank::pilotCommands(Commands& c)
{
    // The enemy's logic reads its target from m_target, which is null for
    // the player's tank everywhere else.
    m_target = m_pilot;
    m_piloting = true;
    if (dynamic_cast<Truck*>(m_pilot.get())) {
        // The truck is met, not shot: drive into it and stay; round water
        // or a cliff on the way, as an enemy goes round them. A tank in the
        // way, or an obstacle it only turns back and forth before, is gone
        // round: a new way, and a while along it before heading for the
        // truck again. (A negative m_detourMs counts the time stuck.)
        int32_t d = 0;
        int32_t b = bearingTo(m_pilot->m_wx, m_pilot->m_wz, &d);
        const bool far = d > 8 * kUnit;
        if (m_collided && far) {
            m_collided = false;
            detour();
        }
        if (!m_pilot->isLinked()) {
            // Nothing to meet.
        } else if (far && obstacleCheck(m_heading)) {
            repath(c, kFacing);
            if (m_detourMs <= 0 && (m_detourMs -= c.dms) < -kStuckMs)
                detour();
        } else if (far && m_detourMs > 0) {
            m_detourMs -= c.dms;
            toDestination(c, kFacing, false);
        } else {
            if (m_driveSpeed != 0)
                m_detourMs = 0;
            chase(c, b, kFacing, far, d < 4 * kUnit && m_driveSpeed > 0);
        }
    } else {
        enemyCommands(c);
        // An enemy's way may cross water it would ford; the demo's tank
        // would sink there, so it takes another way.
        if (m_driveSpeed > 0 && !c.aim && obstacleCheck(m_heading))
            repath(c, kFacing);
    }
    m_piloting = false;
    m_target = nullptr;
    if (c.fire) {
        // The pilot spends the player's rounds.
        if (m_rounds > 0)
            m_rounds--;
        else
            c.fire = false;
    }
}

void Tank::detour()
{
    m_detourMs = kDetourMs;
    ranPosition(16380);
}

bool Tank::steer(Commands& c, int32_t a, int32_t tolerance)
{
    if (std::abs(a) <= tolerance)
        return false;
    (a < 0 ? c.left : c.right) = true;
    c.dms = std::min(c.dms, std::abs(a) >> 2); // no farther than the goal
    return true;
}

void Tank::repath(Commands& c, int32_t tolerance)
{
    m_driveSpeed = 0;
    if (std::abs(wrapAngle(bearingTo(m_destX, m_destZ) - m_heading)) <= kFacing)
        ranPosition(16380);
    toDestination(c, tolerance, true);
}

void Tank::toDestination(Commands& c, int32_t tolerance, bool noSpeedUp)
{
    bool turning = steer(c, wrapAngle(bearingTo(m_destX, m_destZ) - m_heading), tolerance);
    // An Easy enemy moves to its next spot at half the pace, so that a
    // newcomer's shells can still catch it there.
    const bool easy = !m_piloting && m_campaign && m_campaign->m_level == 0;
    c.up = !noSpeedUp && m_driveSpeed <= (easy ? kCruise / 2 : kCruise) && (!turning || m_timer > 200);
}

void Tank::engage(Commands& c, int32_t d, int32_t bearing, int32_t tolerance, bool mustMove)
{
    if (d >= m_engage && !mustMove) {
        chase(c, bearing, tolerance, false, false);
        return;
    }
    const Tank& t = *m_target;
    // Is a rise between the two in the way of a shot, or the hull too tilted?
    int32_t mid = groundCell((m_wx >> 1) + (t.m_wx >> 1), (m_wz >> 1) + (t.m_wz >> 1)) * 4096;
    int64_t level = ((static_cast<int64_t>(m_wy) + t.m_wy) >> 1) + 21844;
    bool shotBlocked = mid > level || std::abs(m_pitchAngle) > kLevelShot || std::abs(m_roll) > kLevelShot;
    if (shotBlocked)
        chase(c, bearing, tolerance, true, false);
    else if (m_driveSpeed != 0)
        chase(c, bearing, tolerance, false, true);
    else
        aim(c, d, bearing, tolerance);
}

void Tank::chase(Commands& c, int32_t bearing, int32_t tolerance, bool full, bool brake)
{
    bool turning = steer(c, wrapAngle(bearing - m_heading), tolerance);
    if (brake)
        c.down = true;
    else if (!turning)
        c.up = full || m_driveSpeed <= kCruise;
}

void Tank::aim(Commands& c, int32_t d, int32_t bearing, int32_t tolerance)
{
    c.aim = true;
    if (steer(c, wrapAngle(bearing - m_heading - turretHeading()), tolerance) || m_muzzle == 0)
        return;
    // Lay the gun for a shell that flies d at the muzzle speed and drops
    // under gravity meanwhile (t is negative: the muzzle points along -z).
    int64_t t = (static_cast<int64_t>(d) << 15) / (kShellSpeed * m_muzzle);
    int32_t tt = fmul(clampInt(t), clampInt(t));
    int32_t h = m_wy - m_target->m_wy + kAimHeight;
    int32_t drop = fmul(kGravity, tt);
    int32_t wanted = fatan2(h + drop / 2, d);
    // The gun's elevation in the world now: its z axis' height.
    ref<Vmat> m = m_mat;
    m->identity();
    m->rotateX(gunPitch());
    m->rotateY(turretHeading());
    m->rotateZ(m_roll);
    m->rotateX(m_pitchAngle);
    m->rotateY(m_heading);
    int32_t present = fasin(m->m21);
    int32_t diff = m_piloting ? pilotLay(d) : wanted - present;
    int32_t pitch = gunPitch();
    if (diff > kAimTolerance && pitch <= kGunDown - 1) {
        c.down = true;
    } else if (diff < -kAimTolerance && pitch > kGunUp) {
        c.up = true;
    } else if (m_timer > 5000 && !holdsFire()) {
        c.fire = pitch >= kGunUp + 1 && pitch <= kGunDown - 1;
        m_timer = fmul(fran(), 5001);
        ranPosition(2730);
    }
}

int32_t Tank::pilotLay(int32_t d)
{
    if (!m_path)
        m_path = new Trajectory;
    if (!m_path)
        return 0;
    // A shell that flies on and on is far too long.
    if (!m_path->run(*this))
        return kAimTolerance + 1;
    if (m_path->m_hit == m_target.get())
        return 0;
    int32_t landed = 0;
    bearingTo(m_path->m_x, m_path->m_z, &landed);
    // Short: raise the gun (a negative difference); long: lower it.
    return landed < d ? -(kAimTolerance + 1) : kAimTolerance + 1;
}

// ---- where to go ----

bool Tank::ranPosition(int32_t spread)
{
    m_engage = 1092200 + fmul(fran(), 1092201);
    if (!m_target)
        return false;
    int32_t tx = m_target->m_wx, tz = m_target->m_wz;
    const Vbattlefield* field = ground();
    int32_t heading = field ? field->viewHeading() : 0;
    bool hasPlace = placed();
    bool land = false;
    int32_t landX = 0, landZ = 0;
    for (int32_t i = 0; i < 100; i++) {
        int32_t o = fmul(fran(), 2 * spread + 1) - spread;
        int32_t a = heading + o;
        int32_t r = std::abs(o) <= 2729 ? kFar : kNear;
        int32_t x = tx + fmul(fsin(a), r), z = tz - fmul(fcos(a), r);
        spread = 16380;
        if (groundWater(x, z))
            continue;
        // The last spot on land stands in when no spot passes every test.
        land = true;
        landX = x;
        landZ = z;
        const int32_t dir = enemySide();
        bool edge = (x < 0 && dir != Campaign::kWest) || (x >= kMapSize && dir != Campaign::kEast) ||
                    (z < 0 && dir != Campaign::kNorth) || (z >= kMapSize && dir != Campaign::kSouth);
        if (edge)
            continue;
        if (hasPlace) {
            // The first stretch of the way must not lead into water.
            int32_t b = bearingTo(x, z);
            if (groundWater(m_wx + fmul(fsin(b), 10 * kUnit), m_wz - fmul(fcos(b), 10 * kUnit)))
                continue;
        }
        m_destX = x;
        m_destZ = z;
        return true;
    }
    if (!land)
        return false;
    m_destX = landX;
    m_destZ = landZ;
    return true;
}

void Tank::redeploy()
{
    if (!ranPosition(2730)) {
        if (!placed())
            wait(1000); // nowhere dry to come back to: try again in a second
        return;
    }
    placeOnGround(m_destX, m_destZ);
    if (insideMap(m_destX, m_destZ)) {
        m_damage = 0;
        m_radius = kVehicleRadius;
    } else {
        // Beyond the edge: a larger target that one hit destroys.
        m_damage = m_maxDamage - 1;
        m_radius = 136525;
    }
    m_timer = 10000;
}
