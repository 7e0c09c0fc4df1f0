#include "game/BattleSound.h"

#include <algorithm>
#include <cstdlib>

#include "game/Tank.h"
#include "host/Vdisplay.h"
#include "runtime/String.h"

namespace {

int32_t stepped(int32_t level)
{
    return (std::clamp(level, 0, 100) + BattleSound::kStep / 2) / BattleSound::kStep * BattleSound::kStep;
}

} // namespace

void BattleSound::play(Vdisplay& display, Tank& tank, int32_t share)
{
    share = std::clamp(share, 0, 100);
    m_engine.set(display, stepped(engineLevel(tank) * share / 100));
    m_music.set(display, stepped(kMusicLevel * share / 100));
}

void BattleSound::stop(Vdisplay& display)
{
    m_engine.set(display, 0);
    m_music.set(display, 0);
    m_watching = false;
}

int32_t BattleSound::engineLevel(Tank& tank)
{
    // The hull's heading between frames tells a turn on the spot, whoever
    // steers (the keys or the demo's pilot); battle time, not frames, keeps
    // it from flickering at a frame rate above the world's ticks.
    if (!m_watching || tank.m_heading != m_heading || tank.m_battleMs < m_turnedMs) {
        m_turnedMs = m_watching ? tank.m_battleMs : tank.m_battleMs - kTurnMs;
        m_heading = tank.m_heading;
        m_watching = true;
    }
    if (!tank.isLinked() || tank.m_damage < 0 || tank.m_fuel <= 0)
        return 0;
    const int64_t speed = std::min(std::abs(tank.m_driveSpeed), Tank::kMaxDrive);
    int32_t level = kIdleLevel + static_cast<int32_t>((kFullLevel - kIdleLevel) * speed / Tank::kMaxDrive);
    if (tank.m_battleMs - m_turnedMs < kTurnMs)
        level = std::max(level, kTurnLevel);
    return level;
}

void BattleSound::Loop::set(Vdisplay& display, int32_t to)
{
    if (to <= 0) {
        if (started)
            display.stopLoop(handle);
        handle = -1;
        level = 0;
        started = false;
        return;
    }
    if (!started) {
        // A sound the host cannot loop is not asked for again until the
        // loop has been stopped.
        handle = display.loop(String::intern(name), to);
        started = true;
    } else if (to != level) {
        display.loopVolume(handle, to);
    }
    level = to;
}
