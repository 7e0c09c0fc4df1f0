#include "game/App.h"

#include <algorithm>
#include <cstdio>

#include "game/Tank.h"
#include "host/Vdisplay.h"

namespace {

constexpr int32_t kSlots = 12;
constexpr int32_t kLastFront = 11; // a German victory lies one ring beyond the map

} // namespace

int32_t App::prefRead(int32_t k)
{
    if (k < 0 || k >= kSlots || m_prefs.length < 2 * kSlots)
        return 0;
    return (m_prefs[2 * k] & 255) + 256 * (m_prefs[2 * k + 1] & 255);
}

void App::prefWrite(int32_t k, int32_t v)
{
    if (k < 0 || k >= kSlots || m_prefs.length < 2 * kSlots)
        return;
    m_prefs[2 * k] = static_cast<int8_t>(v & 255);
    m_prefs[2 * k + 1] = static_cast<int8_t>((v >> 8) & 255);
}

void App::prefLoad()
{
    m_prefs = V::allocByte(2 * kSlots);
    if (m_display && m_display->prefsRead("korvath"_s, m_prefs)) {
        m_side = prefRead(0);
        Tank::m_enemyCount = prefRead(3);
        m_front = prefRead(1);
        m_mute = prefRead(5) != 0;
        m_level = prefRead(2);
        if (m_level > 2)
            m_level = 0;
        // A record from elsewhere or damaged on disk: a side or front the map
        // does not know cannot be played on; keep the settings, drop the campaign.
        if (m_side > 3 || m_front > kLastFront) {
            std::printf("Preferences: side %d, front %d out of range; no campaign\n", m_side, m_front);
            std::fflush(stdout);
            m_side = m_side > 3 ? 1 : m_side;
            m_front = 0;
            // Nothing of the dropped campaign carries over, its tank included.
            prefWrite(10, 0);
            prefWrite(11, 0);
            freshTank();
        }
    }
    if (m_side == 0) {
        m_front = 0;
        m_side = 1;
        freshTank();
    }
}

void App::freshTank()
{
    // Fuel 20.0, 20 rounds, damage 40 (armor 10).
    prefWrite(8, 20);
    prefWrite(9, 20);
    prefWrite(7, 40);
    if (m_tank) {
        m_tank->m_fuel = 20 << 15;
        m_tank->m_rounds = 20;
        m_tank->m_damage = 40;
    }
}

void App::prefSave()
{
    if (m_prefs.length < 2 * kSlots)
        return;
    prefWrite(0, m_side);
    prefWrite(2, m_level);
    prefWrite(3, Tank::m_enemyCount);
    prefWrite(1, m_front);
    prefWrite(5, m_mute ? 1 : 0);
    if (m_tank) {
        const Tank& t = *m_tank;
        prefWrite(7, t.m_damage);
        prefWrite(8, t.m_fuel >> 15);
        prefWrite(9, t.m_rounds);
        // A battle in progress is kept by the tank's place on the map; a
        // tank that strayed over the edge is kept at the edge, so the
        // battle neither ends nor comes back off the map.
        const bool inBattle = t.m_wx != 0;
        prefWrite(10, inBattle ? std::clamp(t.m_wx >> 15, 1, 511) : 0);
        prefWrite(11, inBattle ? std::clamp(t.m_wz >> 15, 0, 511) : 0);
    }
    if (m_display)
        m_display->prefsWrite("korvath"_s, m_prefs);
}
