// The two views of a battle: the chase camera over the terrain and sky, and
// the overhead map with the models seen from straight above.
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

} // namespace

void App::lookAt()
{
    if (!m_tank || !m_terrain)
        return;
    Tank& t = *m_tank;
    int32_t h = t.m_heading, d = kBehindDriving, e = kHeightDriving;
    if (!t.isLinked()) {
        h -= kWreckedSide;
        d = kBehindWrecked;
    } else if (t.m_aim) {
        h += t.turretHeading();
        d = kBehindAiming;
        e = kHeightAiming;
    }
    if (m_width > m_height)
        e = fmul(e, kLandscapeHeight);
    m_terrain->setHeading(h);
    const int32_t x = t.m_wx - fmul(m_terrain->m_sin, d);
    const int32_t z = t.m_wz + fmul(m_terrain->m_cos, d);
    const int32_t y = t.m_wy >= 0 ? t.m_wy + e : e;
    m_terrain->setWxyz(x, y, z);
    setWxyz(x, y, z);
    m_heading = -h;
}

bool App::turn()
{
    if (!m_tank || !m_terrain)
        return false;
    Tank& t = *m_tank;
    ref<Vsprite> turret = t.m_turret ? t.m_turret : ref<Vsprite>(m_tank);
    const int32_t c = (turret->m_x0 + turret->m_x1) >> 1;
    if (c < 0 || c > m_width)
        return true;
    if (turret->m_y0 > m_height && t.m_driveSpeed <= 0)
        return true;
    const int32_t dx = std::abs(m_wx - t.m_wx), dz = std::abs(m_wz - t.m_wz);
    const int32_t dist = fmul(30842, std::max(dx, dz)) + fmul(13434, std::min(dx, dz));
    if (dist > kFarCamera)
        return true;
    if (t.m_driveSpeed > kFastDrive)
        return false;
    const int32_t h = t.m_heading + (t.m_aim ? t.turretHeading() : 0);
    int32_t a = (h - m_terrain->getHeading()) & 0x7FFF;
    if (a > 0x4000)
        a -= 0x8000;
    // A lagging camera waits while the player still turns that way.
    const Input& in = input();
    if (a < -kLagAngle)
        return !(m_actions.held(in, Action::TurnLeft) || in.keyDown(Key::kTouch));
    if (a > kLagAngle)
        return !(m_actions.held(in, Action::TurnRight) || in.keyDown(Key::kTouch));
    return false;
}

void App::perspectiveSwitch()
{
    if (m_polyTerrain)
        remove(m_polyTerrain);
    if (m_terrain && !m_terrain->isLinked())
        add(m_terrain);
    m_pitch = 0;
    setHorizon(0x1000);
    m_far = 0x628000;
}

void App::overheadSwitch()
{
    if (!m_polyTerrain)
        return;
    if (m_terrain)
        remove(m_terrain);
    add(m_polyTerrain);
    m_heading = 0;
    m_pitch = -0x2000;
    setHorizon(0x4000);
    m_far = 0x7FFFFFFF;
    overheadResize();
}

void App::overheadResize()
{
    if (!m_polyTerrain)
        return;
    m_polyTerrain->setScale((m_width << 15) / 80);
    overheadView();
}

void App::overheadView()
{
    if (!m_polyTerrain || !m_tank)
        return;
    const int32_t s = m_polyTerrain->m_scale;
    if (s <= 0)
        return;
    int32_t tx = m_tank->m_wx, tz = m_tank->m_wz;
    const int32_t n = static_cast<int32_t>((static_cast<int64_t>(s) * 512) >> 15);
    // Where the map goes to put the tank under the projection centre; near
    // the terrain's edges the map stops at the screen border instead and the
    // camera moves off the tank.
    auto place = [s, n](int32_t centre, int32_t& t, int32_t screen) {
        int32_t p = (centre - fmul(s, t)) >> 15;
        if (p >= 1) {
            t += static_cast<int32_t>((static_cast<int64_t>(p) << 30) / s);
            p = 0;
        } else if (p + n < screen) {
            t -= static_cast<int32_t>((static_cast<int64_t>(screen - (p + n)) << 30) / s);
            p = screen - n;
        }
        return p;
    };
    const int32_t px = place(m_centerX, tx, m_width);
    const int32_t py = place(m_centerY, tz, m_height);
    m_polyTerrain->setXyi(px, py);
    setWxyz(tx, (0x40000000 / s) * m_focal, tz);
}
