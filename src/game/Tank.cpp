#include "game/Tank.h"

#include <algorithm>
#include <cstdlib>

#include "game/Campaign.h"
#include "game/Flash.h"
#include "game/GameSound.h"
#include "game/Shell.h"
#include "game/Tracer.h"
#include "game/Trajectory.h"
#include "game/Truck.h"
#include "game/Wreck.h"
#include "physics/Vphysics.h"
#include "render3d/V3dLibrary.h"
#include "render3d/V3dModel.h"

namespace {

// The corners the vehicle rests on, in its own frame: front left, front
// right, back left, back right (the front is -z).
constexpr int32_t kCornerXs[4] = {-kCornerX, kCornerX, -kCornerX, kCornerX};
constexpr int32_t kCornerZs[4] = {-kCornerZ, -kCornerZ, kCornerZ, kCornerZ};
constexpr int32_t kAirGap = 909;          // a corner this far above the ground is in the air
constexpr int32_t kTiltLimit = 6369;      // steeper tilts are not believed
constexpr int32_t kMaxDms = 125;          // longest step the rates are applied for
constexpr int32_t kFineMs = 400;          // a hold of the gun keys lays it finely this long
constexpr int32_t kHop = 32766;           // recoil of a shot
constexpr int32_t kHitHop = 65532;        // jolt of a hit
constexpr int32_t kHitTurn = 182;         // about 2 degrees
constexpr int32_t kProbe = 7 * Tank::kUnit; // how far ahead the way is tested
constexpr int32_t kDustScale = 3000;      // muzzle dust: a puff this big,
constexpr int32_t kDustLift = 16384;      // this far over the ground,
constexpr int32_t kDustAhead = 49152;     // this far before the muzzle
constexpr int32_t kDustSide = 65536;      // and this far apart
constexpr int32_t kMostSightSamples = 256;  // of the ground between the camera and a tank

// Relaxes an angle toward 0 by dms * 32 / 32768 of itself, never past 0.
int32_t relax(int32_t x, int32_t dms)
{
    int32_t r = x - V::fmul(x, dms * 32);
    return (r ^ x) < 0 ? 0 : r;
}

} // namespace

Tank::Tank()
{
    m_work = new Vector;
}

Tank::~Tank() = default;

void Tank::init(const ref<V3dView>& view, const ref<Vilib>& lib, const ref<String>& kind, int32_t scale, int32_t x,
                int32_t z, int32_t muzzle, int32_t gunHeight, int32_t gunPivot, int32_t maxDamage)
{
    m_view = view;
    m_lib = lib;
    m_muzzle = muzzle;
    m_gunHeight = gunHeight;
    m_gunPivot = gunPivot;
    m_maxDamage = maxDamage;
    m_collided = false;
    if (!m_mat)
        m_mat = new Vmat;
    for (const VehicleBuild* vehicle : {&kTruck, &kT34, &kTiger, &kSherman}) {
        if (!kind || !kind->equals(String::intern(vehicle->kind)))
            continue;
        // Parts in drawing order: the turret and gun over the hull.
        for (const char* part : {vehicle->turret, vehicle->gun, vehicle->hull, vehicle->tracks}) {
            if (!part)
                continue;
            ref<Vsprite> s = add3d(String::intern(part), scale);
            if (part == vehicle->turret)
                m_turret = s;
            else if (part == vehicle->gun)
                m_gun = s;
        }
    }
    m_gravity = kGravity;
    m_radius = kVehicleRadius;
    setPosition(x, 0, z);
    setWxyz(x, 0, z);
    if (maxDamage == 50)
        m_damage = 40;
    pose();
}

void Tank::init(const ref<V3dView>& view, const ref<Vilib>& lib, const VehicleBuild& vehicle, int32_t maxDamage)
{
    init(view, lib, String::intern(vehicle.kind), vehicle.scale, 0, 0, vehicle.muzzle, vehicle.gunHeight, vehicle.gunPivot,
         maxDamage);
}

ref<Vsprite> Tank::add3d(const ref<String>& name, int32_t scale)
{
    ref<Vsprite> s = new Vsprite;
    ref<V3dModel> m = m_view && m_view->m_models ? m_view->m_models->lookupModel(name) : nullptr;
    if (m) {
        if (!m->m_scaled)
            m->scale(scale);
        s->m_model = m;
        s->setWxyz(m->m_wx, m->m_wy, m->m_wz);
    }
    add(s);
    return s;
}

int32_t Tank::enemiesLeft() const
{
    return m_campaign ? m_campaign->m_enemyCount : 0;
}

void Tank::enemyDestroyed()
{
    if (m_campaign && m_campaign->m_enemyCount > 0)
        m_campaign->m_enemyCount--;
}

int32_t Tank::enemySide() const
{
    return m_campaign ? m_campaign->m_dir : Campaign::kNorth;
}

void Tank::play(const char* name, int32_t interval)
{
    if (!m_view)
        return;
    if (interval < 0)
        m_view->sound(String::intern(name));
    else
        m_view->soundBkg(String::intern(name), interval);
}

// ---- one step ----

bool Tank::prestep(int32_t dt)
{
    int32_t used = fmul(m_speed, dt);
    m_odometer += used;
    m_fuel = std::max(m_fuel - (used >> 7), 0);
    m_timer += dt >> 5;
    Commands c;
    c.dms = std::min(dt >> 5, kMaxDms);
    if (isPlayer()) {
        m_battleMs = std::min(m_battleMs + (dt >> 5), 0x3FFFFFFF);
        if (m_damage > 49 || m_wy < kSunk) {
            if (m_wy >= kSunk)
                Wreck::leave(*this);
            off();
            return false;
        }
        if (m_pilot && m_orders.press == Action::None)
            pilotCommands(c);
        else
            playerCommands(c);
    } else {
        Life life = enemyLife(dt >> 5);
        if (life != Life::play)
            return life == Life::wait;
        enemyCommands(c);
    }
    applyCommands(c);
    drive();
    if (c.fire) {
        if (isPlayer())
            m_shots++;
        fireShell();
        play(GameSound::kCannon, isPlayer() ? -1 : 100);
        m_velocity->m_y += kHop;
    }
    return true;
}

void Tank::playerCommands(Commands& c)
{
    // The press is taken: one the game does not renew acts once.
    const Action press = m_orders.press;
    m_orders.press = Action::None;
    if (press != Action::None)
        m_holdTime = 0;
    const bool aiming = m_aim;
    switch (press) {
    case Action::TurnLeft:
    case Action::TurnRight:
        (press == Action::TurnLeft ? c.left : c.right) = true;
        play(GameSound::kTurret, aiming ? 500 : 1500);
        break;
    case Action::Forward:
        c.up = true;
        c.fine = aiming;
        if (aiming)
            play(GameSound::kTurret, 500);
        break;
    case Action::Reverse:
        c.down = true;
        c.fine = aiming;
        if (aiming)
            play(GameSound::kTurret, 500);
        break;
    case Action::GunUp:
    case Action::GunDown:
        (press == Action::GunUp ? c.up : c.down) = true;
        c.aim = c.fine = true;
        play(GameSound::kTurret, 500);
        break;
    case Action::Fire:
        if (m_timer > 800) {
            m_timer = 0;
            // An empty gun clicks; the count shows -1 and goes no lower.
            if (m_rounds <= 0) {
                m_rounds = -1;
                play(GameSound::kDenied, -1);
            } else {
                m_rounds -= 1;
                m_fired = true;
                c.fire = true;
            }
        }
        break;
    case Action::None:
        heldCommands(c, aiming);
        break;
    default:
        break;
    }
    c.aim = c.aim || aiming;
    // Tilting the device turns, too; a hard tilt is taken as a slip.
    const int32_t tilt = m_orders.tilt;
    if ((tilt >= -16383 && tilt <= -8193) || (tilt >= 8193 && tilt <= 16383)) {
        (tilt < 0 ? c.left : c.right) = true;
        play(GameSound::kTurret, 500);
    }
}

void Tank::heldCommands(Commands& c, bool aiming)
{
    const Orders& o = m_orders;
    const bool reversing = m_driveSpeed < 0;
    c.left = o.holds(Action::TurnLeft);
    c.right = o.holds(Action::TurnRight);
    if (o.holds(Action::GunUp))
        c.up = c.aim = true;
    else if ((aiming || !reversing) && o.holds(Action::Forward))
        c.up = true;
    if (o.holds(Action::GunDown))
        c.down = c.aim = true;
    else if ((aiming || reversing) && o.holds(Action::Reverse))
        c.down = true;
    if (c.left || c.right || c.up || c.down) {
        // Slow at first, for the small corrections of a gun laid at long
        // range; faster the longer the key is held.
        c.fine = m_holdTime < kFineMs;
        m_holdTime += c.dms;
        if (m_holdTime > 500)
            c.dms *= 2;
    } else {
        m_holdTime = 0;
    }
}

void Tank::applyCommands(const Commands& c)
{
    int32_t dms = c.dms;
    if (c.aim) {
        // On Easy the player's turret turns half as fast again, to follow
        // an enemy that circles close by (the demo's pilot lays it by the
        // usual rate).
        const int32_t traverse = isPlayer() && !m_pilot && m_campaign && m_campaign->m_level == 0 ? 6 : 4;
        if (m_turret && (c.left || c.right))
            m_turret->m_heading = wrapAngle(m_turret->m_heading + (c.left ? -traverse : traverse) * dms);
        if (m_gun && (c.up || c.down)) {
            const int32_t lay = c.fine ? 1 : 2;
            int32_t p = m_gun->m_pitchAngle + (c.up ? -lay : lay) * dms;
            m_gun->m_pitchAngle = std::clamp(p, kGunUp, kGunDown);
        }
    } else {
        int32_t rate = isPlayer() ? 8 : 6;
        if (c.left || c.right)
            m_heading = wrapAngle(m_heading + (c.left ? -rate : rate) * dms);
        if (c.up)
            m_driveSpeed = std::min(m_driveSpeed + 2048 * dms, kMaxDrive);
        if (c.down) {
            // Braking stops at 0; reversing needs a fresh press from standstill.
            int32_t s = m_driveSpeed - 2048 * dms;
            m_driveSpeed = m_driveSpeed > 0 ? std::max(s, 0) : std::max(s, -kMaxDrive);
        }
        if (m_turret)
            m_turret->m_heading = relax(m_turret->m_heading, dms);
        if (m_gun && (c.up || m_driveSpeed == kMaxDrive))
            m_gun->m_pitchAngle = relax(m_gun->m_pitchAngle, dms);
    }
    if (m_driveSpeed > 0)
        m_driveSpeed = std::max(m_driveSpeed - 64 * dms, 0);
    else if (m_driveSpeed < 0)
        m_driveSpeed = std::min(m_driveSpeed + 64 * dms, 0);
}

void Tank::drive()
{
    if (m_contacts <= 0)
        return;
    int32_t s = m_driveSpeed;
    if (anybodyLooking()) {
        // Slower uphill, faster downhill: by one and a half times the slope.
        int32_t q = fsin(m_driveSpeed < 0 ? -m_pitchAngle : m_pitchAngle);
        s = fmul(s, q + q / 2 + 32768);
    }
    m_velocity->m_x = fmul(fsin(m_heading), s);
    m_velocity->m_z = fmul(-fcos(m_heading), s);
}

// ---- firing ----

void Tank::muzzleWay(const ref<Vector>& way, const ref<Vector>& mount)
{
    // The gun's pitch and the turret's turn, then the hull's orientation.
    ref<Vmat> m = m_mat;
    if (m_gun)
        m->set(m_gun);
    else
        m->identity();
    m->multiply(ref<Vmat>(this));
    way->m_x = way->m_y = 0;
    way->m_z = m_muzzle;
    m->rotate(way);
    mount->m_x = mount->m_z = 0;
    mount->m_y = m_gunHeight;
    rotate(mount);
}

void Tank::muzzle(const ref<Vector>& out)
{
    muzzleWay(out, m_work);
    out->add(m_work);
    out->add(m_wx, m_wy, m_wz);
}

void Tank::fireShell()
{
    ref<Shell> shell = Shell::create();
    ref<Flash> flash = Flash::create();
    if (!shell || !flash)
        return;
    shell->m_owner = this;
    shell->m_view = m_view;
    shell->setId(isPlayer() ? Shell::kPlayerShell : Shell::kEnemyShell);

    // An enemy's shot at Easy may go wide: the turret turned by the error
    // for the launch only.
    const int32_t error = shotError();
    if (error != 0 && m_turret) {
        m_turret->m_heading += error;
        pose();
    }
    launch(*shell);
    if (error != 0 && m_turret) {
        m_turret->m_heading -= error;
        pose();
    }
    flash->setWxyz(shell->m_wx, shell->m_wy, shell->m_wz);

    shell->setScale(512);
    shell->setImage(m_lib, AppPicture::kPuff);
    if (shell->m_mat)
        shell->m_mat->identity();
    else
        shell->m_mat = new Vmat;
    flash->setImage(m_lib, AppPicture::kPuff);
    if (m_view) {
        m_view->add(shell);
        m_view->add(flash);
    }
    if (m_world) {
        m_world->add(shell);
        m_world->add(flash);
    }
    muzzleDust(*shell);
}

void Tank::muzzleDust(const Shell& shell)
{
    if (!m_world || !m_world->m_field)
        return;
    // Three puffs on the ground before the blast, across the gun's line,
    // wide enough to show either side of the hull from behind.
    const int32_t a = m_heading + turretHeading();
    const int32_t ax = fsin(a), az = -fcos(a);
    for (int32_t k = -1; k <= 1; k++) {
        const int32_t x = shell.m_wx + fmul(kDustAhead, ax) - fmul(k * kDustSide, az);
        const int32_t z = shell.m_wz + fmul(kDustAhead, az) + fmul(k * kDustSide, ax);
        Tracer::leave(m_view.get(), m_world, x, m_world->m_field->height(x, z) + kDustLift, z, m_lib, kDustScale,
                      Tracer::kDustFade);
    }
}

bool Tank::holdsFire() const
{
    const Tank* t = m_target.get();
    return t && t->isPlayer() && !t->m_fired && t->m_battleMs < kHoldFireMs;
}

int32_t Tank::shotError()
{
    const Tank* t = m_target.get();
    if (!t || !t->isPlayer() || !m_campaign || m_campaign->m_level != 0 || t->m_battleMs >= kEasySpreadMs)
        return 0;
    const int32_t spread = static_cast<int32_t>(static_cast<int64_t>(kEasySpread) * (kEasySpreadMs - t->m_battleMs) /
                                                kEasySpreadMs);
    return fmul(fran(), 2 * spread + 1) - spread;
}

void Tank::launch(Shell& s)
{
    ref<Vector> way = s.m_velocity;
    muzzleWay(way, m_work);
    int32_t x = m_wx + m_work->m_x + way->m_x, y = m_wy + m_work->m_y + way->m_y, z = m_wz + m_work->m_z + way->m_z;
    s.setVelocity(kShellSpeed * way->m_x, kShellSpeed * way->m_y, kShellSpeed * way->m_z);
    s.setPosition(x, y, z);
    s.setWxyz(x, y, z);
}

// ---- contacts ----

int32_t Tank::collisionCheckObject(const ref<Vphob>& other, int32_t dt)
{
    if (Shell* s = dynamic_cast<Shell*>(other.get())) {
        // A flying shell decides itself whether it hit, and calls back.
        if (s->m_gravity != 0)
            return s->collisionCheckObject(ref<Vphob>(this), dt);
        hitBy(*s);
        return dt;
    }
    if (Truck* t = dynamic_cast<Truck*>(other.get()); t && t->m_target.get() == this)
        return t->collisionCheckObject(ref<Vphob>(this), dt); // the truck counts the contact
    bump(*other);
    return dt;
}

void Tank::hitBy(Vphob& shell)
{
    m_velocity->m_y += kHitHop;
    m_heading = wrapAngle(m_heading + (fran() < 16384 ? kHitTurn : -kHitTurn));
    // Enemies do not hurt each other.
    if (shell.m_id == Shell::kPlayerShell || isPlayer())
        m_damage += 1;
    if (auto* s = dynamic_cast<Shell*>(&shell); s && s->m_owner && s->m_owner->isPlayer() && !isPlayer())
        s->m_owner->m_hits++;
    if (m_damage >= m_maxDamage) {
        shell.m_maxScale = 0x7FFFFFFF;
        shell.m_scale += shell.m_scale / 2;
    }
    play(GameSound::kArmourHit, -1);
}

void Tank::bump(Vphob& other)
{
    if (std::abs(static_cast<int64_t>(m_wy) - other.m_wy) > m_radius)
        return;
    // The closing speed along the line between the two is exchanged, as
    // between equal masses.
    m_work->m_x = m_wx - other.m_wx;
    m_work->m_y = (m_wy - other.m_wy) >> 2;
    m_work->m_z = m_wz - other.m_wz;
    m_work->normalize();
    int32_t vn = fmul(m_velocity->m_x - other.m_velocity->m_x, m_work->m_x) +
                 fmul(m_velocity->m_y - other.m_velocity->m_y, m_work->m_y) +
                 fmul(m_velocity->m_z - other.m_velocity->m_z, m_work->m_z);
    if (vn < 0) {
        m_velocity->mulAdd(m_work, -vn);
        other.m_velocity->mulAdd(m_work, vn);
    }
    m_collided = true;
    if (&other == m_target.get() || isPlayer())
        play(GameSound::kBump, 1000);
}

// ---- the ground ----

void Tank::placeOnGround(int32_t x, int32_t z)
{
    int32_t y = groundHeight(x, z);
    setPosition(x, y, z);
    setWxyz(x, y, z);
}

void Tank::poststep()
{
    if (parked())
        return;
    identity();
    rotateZ(m_roll);
    rotateX(m_pitchAngle);
    rotateY(m_heading);
    translate(m_wx, m_wy, m_wz);
    int32_t h[4];
    int32_t offLand = 0;
    bool water = false;
    for (int32_t i = 0; i < 4; i++) {
        m_work->m_x = kCornerXs[i];
        m_work->m_y = 0;
        m_work->m_z = kCornerZs[i];
        transform(m_work);
        int32_t g = groundHeight(m_work->m_x, m_work->m_z);
        h[i] = g;
        if (m_work->m_y > g + kAirGap) {
            h[i] = m_work->m_y;
            offLand++;
        } else if (groundWater(m_work->m_x, m_work->m_z)) {
            h[i] = m_work->m_y;
            offLand++;
            water = true;
        }
    }
    m_gravity = water ? kWaterGravity : kGravity;
    if (offLand > 1 || m_driveSpeed != 0) {
        constexpr int32_t width = 2 * kCornerX, length = 2 * kCornerZ;
        int32_t roll = fatanh(h[0] - h[1], width);
        int32_t pitch = -fatanh(h[0] - h[2], length);
        if (seen()) {
            roll = (roll + fatanh(h[2] - h[3], width)) >> 1;
            pitch = (pitch - fatanh(h[1] - h[3], length)) >> 1;
        }
        if (std::abs(roll) <= kTiltLimit)
            m_roll = roll;
        if (std::abs(pitch) <= kTiltLimit)
            m_pitchAngle = pitch;
    }
    if (offLand <= 3)
        setWxyz(m_wx, (h[1] + h[2]) >> 1, m_wz);
    if (offLand <= 1)
        m_velocity->m_y = 0;
    m_contacts = 4 - offLand;
    pose();
}

void Tank::pose()
{
    identity();
    rotateZ(m_roll);
    rotateX(m_pitchAngle);
    rotateY(m_heading);
    int32_t turret = turretHeading();
    if (m_gun) {
        // The turret turns the gun about the turret's axis, m_gunPivot
        // behind the gun's own pivot.
        m_gun->identity();
        m_gun->rotateX(m_gun->m_pitchAngle);
        if (m_gunPivot != 0)
            m_gun->translate(0, 0, -m_gunPivot);
        m_gun->rotateY(turret);
        if (m_gunPivot != 0)
            m_gun->translate(0, 0, m_gunPivot);
    }
    if (m_turret) {
        m_turret->identity();
        m_turret->rotateY(turret);
    }
}

bool Tank::obstacleCheck(int32_t angle)
{
    int32_t x = m_wx + fmul(fsin(angle), kProbe), z = m_wz - fmul(fcos(angle), kProbe);
    if (groundWater(x, z))
        return true;
    if (!anybodyLooking())
        return false;
    if (m_pitchAngle < -1820)
        return true;
    return (groundCell(x, z) - groundCell(m_wx, m_wz)) * 4096 > 109220;
}

bool Tank::seen()
{
    return m_view && m_view->sees(m_wx, m_wy, m_wz, m_radius);
}

bool Tank::anybodyLooking()
{
    if (isPlayer())
        return true;
    if (!insideMap(m_wx, m_wz) || !m_view)
        return false;
    // The middle of the turret on screen, and no ground in the way of the
    // camera's look at it but in the last two units before it.
    const int32_t y = m_wy + m_gunHeight;
    if (!m_view->sees(m_wx, y, m_wz, m_radius))
        return false;
    const V3dView& v = *m_view;
    const int64_t dx = static_cast<int64_t>(m_wx) - v.m_wx, dy = static_cast<int64_t>(y) - v.m_wy,
                  dz = static_cast<int64_t>(m_wz) - v.m_wz;
    const int64_t along = std::max(std::abs(dx), std::abs(dz));
    const int32_t samples = static_cast<int32_t>(std::min<int64_t>(along / kUnit, kMostSightSamples));
    for (int32_t i = 1; i < samples - 1; i++) {
        const int32_t x = v.m_wx + static_cast<int32_t>(dx * i / samples);
        const int32_t z = v.m_wz + static_cast<int32_t>(dz * i / samples);
        if (groundHeight(x, z) > v.m_wy + dy * i / samples)
            return false;
    }
    return true;
}

void Tank::wait(int32_t ms)
{
    m_damage = -1;
    m_timer = -ms;
    park();
}
