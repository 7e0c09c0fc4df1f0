// The two views of a battle: the chase camera over the terrain and sky, and
// the overhead map with the models seen from straight above.
#include "game/BattleCamera.h"

#include <algorithm>
#include <cstdlib>

#include "game/App.h"

namespace {

// Chase camera: distance behind and height over the tank, fixed.
constexpr int32_t kBehindDriving = 0x9FFD8;  // 20.0
constexpr int32_t kBehindAiming = 0x6AA90;   // 13.33
constexpr int32_t kBehindWrecked = 0xC7FCE;  // 25.0
constexpr int32_t kHeightDriving = 0x5D53E;  // 11.67
constexpr int32_t kHeightAiming = 0x3FFF0;   // 8.0
constexpr int32_t kWreckedSide = 0x71C;      // 20 degrees
// On a landscape screen the focal length follows the short side, so at the
// portrait heights the tank would sit below the bottom edge: the camera
// comes down to this share of them (11.67 becomes 7.5), which puts the
// tank at about four fifths of the screen's height.
constexpr int32_t kLandscapeHeight = 0x5249; // 0.643
constexpr int32_t kLagAngle = 0x9F4;          // about 28 degrees
constexpr int32_t kFarCamera = 0x18FF9C;      // 50.0
constexpr int32_t kFastDrive = 0x27FF5;       // 5.0
constexpr int32_t kOverheadUnits = 80;        // the overhead map, units across

} // namespace

BattleCamera::BattleCamera(App& app) : m_app(app) {}

bool BattleCamera::overhead() const
{
    const Battle& b = *m_app.m_battle;
    return b.m_polyTerrain && b.m_polyTerrain->isLinked();
}

void BattleCamera::lookAt()
{
    App& v = m_app;
    const Battle& b = *v.m_battle;
    if (!b.m_tank || !b.m_terrain)
        return;
    Tank& t = *b.m_tank;
    Vterrain& terrain = *b.m_terrain;
    int32_t h = t.m_heading, d = kBehindDriving, e = kHeightDriving;
    if (!t.isLinked()) {
        h -= kWreckedSide;
        d = kBehindWrecked;
    } else if (t.m_aim) {
        h += t.turretHeading();
        d = kBehindAiming;
        e = kHeightAiming;
    }
    if (v.m_width > v.m_height)
        e = V::fmul(e, kLandscapeHeight);
    terrain.setHeading(h);
    const int32_t x = t.m_wx - V::fmul(terrain.m_sin, d);
    const int32_t z = t.m_wz + V::fmul(terrain.m_cos, d);
    const int32_t y = t.m_wy >= 0 ? t.m_wy + e : e;
    terrain.setWxyz(x, y, z);
    v.setWxyz(x, y, z);
    v.m_heading = -h;
}

bool BattleCamera::turn()
{
    App& v = m_app;
    const Battle& b = *v.m_battle;
    if (!b.m_tank || !b.m_terrain)
        return false;
    Tank& t = *b.m_tank;
    const Vsprite& turret = t.m_turret ? *t.m_turret : static_cast<const Vsprite&>(t);
    const int32_t c = (turret.m_x0 + turret.m_x1) >> 1;
    if (c < 0 || c > v.m_width)
        return true;
    if (turret.m_y0 > v.m_height && t.m_driveSpeed <= 0)
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

void BattleCamera::perspectiveSwitch()
{
    App& v = m_app;
    const Battle& b = *v.m_battle;
    if (b.m_polyTerrain)
        v.remove(b.m_polyTerrain);
    if (b.m_terrain && !b.m_terrain->isLinked())
        v.add(b.m_terrain);
    v.m_pitch = 0;
    v.setHorizon(kHorizon);
    v.m_far = kFarPerspective;
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
