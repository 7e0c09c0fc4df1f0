// The two views of a battle: the chase camera over the terrain and sky, and
// the overhead map with the models seen from straight above.
#include "game/BattleCamera.h"

#include <algorithm>
#include <cstdlib>

#include "game/App.h"
#include "physics/Vbattlefield.h"

namespace {

// Chase camera: distance behind and height over the tank, fixed.
constexpr int32_t kBehindDriving = 0x9FFD8;  // 20.0
constexpr int32_t kBehindAiming = 0x6AA90;   // 13.33
constexpr int32_t kBehindWrecked = 0xC7FCE;  // 25.0
constexpr int32_t kHeightDriving = 0x5D53E;  // 11.67
constexpr int32_t kHeightAiming = 0x3FFF0;   // 8.0
constexpr int32_t kWreckedSide = 0x71C;      // 20 degrees
constexpr int32_t kTankInSight = 3 * Tank::kUnit / 2; // the ball around the tank, on the ground, things fade out of
// The smooth camera, over the lower horizon: higher and nearer, so that the
// tank stands in the lower part of the screen and the land 30 to 60 units
// ahead in its middle third.
constexpr int32_t kSmoothBehindDriving = 0xC0000; // 24.0
constexpr int32_t kSmoothHeightDriving = 0x3C000; // 7.5
constexpr int32_t kSmoothBehindAiming = 0x60000;  // 12.0
constexpr int32_t kSmoothHeightAiming = 0x44000;  // 8.5
// The follow: critically damped at 10 a second over a 16 ms tick, pull
// (0.16)^2 and damping 2 x 0.16.
constexpr int32_t kPull = 839;
constexpr int32_t kDamp = 10486;
constexpr int32_t kSettled = 2;
// Aim mode's tilt: the ground ahead at 45% of the height, the horizon
// between a sixteenth and 60% of it (looking up a slope).
constexpr int32_t kAimRow = 0x3999;
constexpr int32_t kTiltHighest = 0x800, kTiltLowest = 0x4CCC;
// On a landscape screen the focal length follows the short side, so at the
// portrait heights the tank would sit below the bottom edge: the camera
// comes down to this share of them (11.67 becomes 7.5), which puts the
// tank at about four fifths of the screen's height.
constexpr int32_t kLandscapeHeight = 0x5249; // 0.643
constexpr int32_t kLagAngle = 0x9F4;          // about 28 degrees
constexpr int32_t kFarCamera = 0x18FF9C;      // 50.0
constexpr int32_t kFastDrive = 0x27FF5;       // 5.0
constexpr int32_t kTurretTop = 0x8000;        // above the gun's mount, 1.0
constexpr int32_t kOverheadUnits = 80;        // the overhead map, units across

} // namespace

BattleCamera::BattleCamera(App& app) : m_app(app) {}

bool BattleCamera::overhead() const
{
    const Battle& b = *m_app.m_battle;
    return b.m_polyTerrain && b.m_polyTerrain->isLinked();
}

void BattleCamera::goal(int32_t& h, int32_t& d, int32_t& e) const
{
    const App& v = m_app;
    Tank& t = *v.m_battle->m_tank;
    const bool lazy = m_lazy;
    h = t.m_heading;
    d = lazy ? kBehindDriving : kSmoothBehindDriving;
    e = lazy ? kHeightDriving : kSmoothHeightDriving;
    if (!t.isLinked()) {
        h -= kWreckedSide;
        d = kBehindWrecked;
    } else if (t.m_aim) {
        h += t.turretHeading();
        d = lazy ? kBehindAiming : kSmoothBehindAiming;
        e = lazy ? kHeightAiming : kSmoothHeightAiming;
    }
    // The demo shows the fight: from behind its gun, whichever way the hull
    // points, so that what the pilot shoots at is on screen.
    if (!lazy && t.isLinked() && t.m_pilot && !t.m_aim)
        h += t.turretHeading();
    if (lazy && v.m_width > v.m_height)
        e = V::fmul(e, kLandscapeHeight);
}

void BattleCamera::lookAt()
{
    const Battle& b = *m_app.m_battle;
    if (!b.m_tank || !b.m_terrain)
        return;
    int32_t h = 0, d = 0, e = 0;
    goal(h, d, e);
    m_heading.snap(Tank::wrapAngle(h));
    m_lastGoal = m_heading.x;
    m_behind.snap(d);
    m_height.snap(e);
    m_tilt.snap(tiltGoal());
    applyHorizon();
    place();
}

void BattleCamera::place()
{
    App& v = m_app;
    const Battle& b = *v.m_battle;
    Tank& t = *b.m_tank;
    Vterrain& terrain = *b.m_terrain;
    const int32_t h = m_heading.x, d = m_behind.x, e = m_height.x;
    terrain.setHeading(h);
    const int32_t x = t.m_wx - V::fmul(terrain.m_sin, d);
    const int32_t z = t.m_wz + V::fmul(terrain.m_cos, d);
    const int32_t y = t.m_wy >= 0 ? t.m_wy + e : e;
    terrain.setWxyz(x, y, z);
    // Hedges and trees fade where they would hide the tank.
    terrain.keepInSight(t.m_wx, t.m_wy + kTankInSight, t.m_wz, kTankInSight);
    v.setWxyz(x, y, z);
    v.m_heading = -h;
}

void BattleCamera::Follower::step(int32_t goal, bool angle)
{
    int32_t a = goal - x;
    if (angle)
        a = Tank::wrapAngle(a);
    // Settled: no endless one-step wobble that would redraw a still view.
    if (std::abs(a) <= kSettled && std::abs(v) <= kSettled) {
        snap(goal);
        return;
    }
    v += V::fmul(a, kPull) - V::fmul(v, kDamp);
    x += v;
    if (angle)
        x = Tank::wrapAngle(x);
}

void BattleCamera::smooth()
{
    int32_t h = 0, d = 0, e = 0;
    goal(h, d, e);
    h = Tank::wrapAngle(h);
    Tank& t = *m_app.m_battle->m_tank;
    if (t.m_aim && t.isLinked() && m_lastGoal != kNoGoal)
        m_heading.x = Tank::wrapAngle(m_heading.x + Tank::wrapAngle(h - m_lastGoal));
    m_lastGoal = h;
    m_heading.step(h, true);
    m_behind.step(d, false);
    m_height.step(e, false);
    place();
    m_tilt.step(tiltGoal(), false);
}

int32_t BattleCamera::tiltGoal() const
{
    const App& v = m_app;
    Tank& t = *v.m_battle->m_tank;
    const Vbattlefield* field = v.m_battle->m_physics->m_field.get();
    if (m_lazy || !t.m_aim || !t.isLinked() || !field || v.m_height <= 0)
        return kHorizon;
    const int32_t a = t.m_heading + t.turretHeading();
    const int32_t x = t.m_wx + kAimFrame * V::fsin(a), z = t.m_wz - kAimFrame * V::fcos(a);
    const int64_t above = static_cast<int64_t>(v.m_wy) - field->height(x, z);
    const int64_t depth = static_cast<int64_t>(m_behind.x) + kAimFrame * Tank::kUnit;
    // The row that puts that ground at kAimRow of the height, as a share.
    const int64_t row = (static_cast<int64_t>(v.m_height) * kAimRow >> 15) - v.m_focal * above / depth;
    return static_cast<int32_t>(std::clamp<int64_t>((row << 15) / v.m_height, kTiltHighest, kTiltLowest));
}

void BattleCamera::applyHorizon()
{
    App& v = m_app;
    const Battle& b = *v.m_battle;
    if (overhead())
        return;
    const int32_t h = horizon();
    if (v.m_horizon != h)
        v.setHorizon(h);
    const int32_t row = static_cast<int32_t>((static_cast<int64_t>(v.m_height) * h) >> 15);
    if (b.m_terrain && b.m_terrain->m_horizon != row)
        b.m_terrain->setHorizon(row);
}

bool BattleCamera::turn()
{
    App& v = m_app;
    const Battle& b = *v.m_battle;
    if (!b.m_tank || !b.m_terrain)
        return false;
    Tank& t = *b.m_tank;
    // The turret on the screen: its middle across, its top down.
    int32_t sx = 0, sy = 0, depth = 0;
    if (!v.screenPoint(t.m_wx, t.m_wy + t.m_gunHeight + kTurretTop, t.m_wz, sx, sy, depth))
        return true;
    if (sx < 0 || sx > v.m_width)
        return true;
    if (sy > v.m_height && t.m_driveSpeed <= 0)
        return true;
    const int32_t dx = std::abs(v.m_wx - t.m_wx), dz = std::abs(v.m_wz - t.m_wz);
    const int32_t dist = V::fmul(30842, std::max(dx, dz)) + V::fmul(13434, std::min(dx, dz));
    if (dist > kFarCamera)
        return true;
    if (t.m_driveSpeed > kFastDrive)
        return false;
    const int32_t h = t.m_heading + (t.m_aim ? t.turretHeading() : 0);
    int32_t a = (h - b.m_terrain->getHeading()) & 0x7FFF;
    if (a > 0x4000)
        a -= 0x8000;
    // A lagging camera waits while the player still turns that way.
    const Input& in = Viewport::input();
    if (a < -kLagAngle)
        return !(v.m_actions.held(in, Action::TurnLeft) || in.keyDown(Key::kTouch));
    if (a > kLagAngle)
        return !(v.m_actions.held(in, Action::TurnRight) || in.keyDown(Key::kTouch));
    return false;
}

void BattleCamera::follow()
{
    App& v = m_app;
    const Battle& b = *v.m_battle;
    if (!b.m_tank || !b.m_terrain)
        return;
    Tank& t = *b.m_tank;
    if (!overhead()) {
        applyHorizon();
        if (!m_lazy) {
            smooth();
        } else if (turn()) {
            lookAt();
            m_jumped = true;
        }
        return;
    }
    int32_t sx = 0, sy = 0, depth = 0;
    const bool shown = v.screenPoint(t.m_wx, t.m_wy, t.m_wz, sx, sy, depth);
    const int32_t r = shown ? static_cast<int32_t>((static_cast<int64_t>(t.m_radius) * v.m_focal) / depth) : 0;
    if (!shown || sx - r < 1 || sy - r < 1 || sx + r > v.m_width || sy + r > v.m_height)
        overheadView();
    b.m_terrain->setHeading(t.m_heading);
}

void BattleCamera::perspectiveSwitch()
{
    App& v = m_app;
    const Battle& b = *v.m_battle;
    if (b.m_polyTerrain)
        v.remove(b.m_polyTerrain);
    if (b.m_terrain && !b.m_terrain->isLinked())
        v.add(b.m_terrain);
    v.m_pitch = 0;
    v.setHorizon(horizon());
    v.m_far = kFarPerspective;
    v.m_battle->hazeVehicles(true);
}

void BattleCamera::overheadSwitch()
{
    App& v = m_app;
    const Battle& b = *v.m_battle;
    if (!b.m_polyTerrain)
        return;
    if (b.m_terrain)
        v.remove(b.m_terrain);
    v.add(b.m_polyTerrain);
    v.m_heading = 0;
    v.m_pitch = -0x2000;
    v.setHorizon(0x4000);
    v.m_far = 0x7FFFFFFF;
    v.m_battle->hazeVehicles(false);
    overheadResize();
}

void BattleCamera::overheadResize()
{
    const Battle& b = *m_app.m_battle;
    if (!b.m_polyTerrain)
        return;
    b.m_polyTerrain->setScale((m_app.m_width << 15) / kOverheadUnits);
    overheadView();
}

void BattleCamera::overheadView()
{
    App& v = m_app;
    const Battle& b = *v.m_battle;
    if (!b.m_polyTerrain || !b.m_tank)
        return;
    const int32_t s = b.m_polyTerrain->m_scale;
    if (s <= 0)
        return;
    int32_t tx = b.m_tank->m_wx, tz = b.m_tank->m_wz;
    const int32_t n = static_cast<int32_t>((static_cast<int64_t>(s) * 512) >> 15);
    // Where the map goes to put the tank under the projection centre; near
    // the terrain's edges the map stops at the screen border instead and the
    // camera moves off the tank.
    auto place = [s, n](int32_t centre, int32_t& t, int32_t screen) {
        int32_t p = (centre - V::fmul(s, t)) >> 15;
        if (p >= 1) {
            t += static_cast<int32_t>((static_cast<int64_t>(p) << 30) / s);
            p = 0;
        } else if (p + n < screen) {
            t -= static_cast<int32_t>((static_cast<int64_t>(screen - (p + n)) << 30) / s);
            p = screen - n;
        }
        return p;
    };
    const int32_t px = place(v.m_centerX, tx, v.m_width);
    const int32_t py = place(v.m_centerY, tz, v.m_height);
    b.m_polyTerrain->setXyi(px, py);
    v.setWxyz(tx, (0x40000000 / s) * v.m_focal, tz);
}
