#pragma once
#include <cstdint>

#include "game/GameSound.h"

class Tank;
class Vdisplay;

// The sounds that go on under a battle: the engine of the player's tank,
// louder with its speed, and the battle's theme. The game sets them once a
// frame from what the battle is now (play) or silences them (stop), and
// only a change reaches the host, so the loops follow the game's state and
// nothing of the game follows them.
class BattleSound {
public:
    // Once a frame while a battle is on screen: the loops at share percent
    // of their levels (100 while it is fought, less as it fades out, 0 while
    // paused), the engine as tank runs.
    void play(Vdisplay& display, Tank& tank, int32_t share);
    // Every loop ends (the battle is over, covered, the game ends or the
    // sound is switched off).
    void stop(Vdisplay& display);

    // The engine's level of tank, 0..100: silent once it is out of play or
    // out of fuel, kIdleLevel stopped, up to kFullLevel at full speed; on
    // the hull's turn it runs at kTurnLevel at least.
    int32_t engineLevel(Tank& tank);

    // The engine and the theme go on all battle long: they stay well under
    // the shots and hits (which reach the limiter's ceiling), the engine at
    // full speed about -20 dBFS RMS and the theme some 4 dB below it.
    static constexpr int32_t kIdleLevel = 14;
    static constexpr int32_t kTurnLevel = 24;
    static constexpr int32_t kFullLevel = 36;
    static constexpr int32_t kMusicLevel = 80;
    // Levels go to the host in steps of this many percent: the host glides
    // between them, and a speed that creeps does not call it every frame.
    static constexpr int32_t kStep = 2;
    // The hull turned within this much battle time (ms): it is turning.
    static constexpr int32_t kTurnMs = 100;

private:
    struct Loop {
        const char* name;
        int32_t handle = -1;
        int32_t level = 0;    // as the host has it; 0: not playing
        bool started = false; // asked for, even when the host gave no handle
        // Starts, changes or stops the loop to level.
        void set(Vdisplay& display, int32_t level);
    };

    Loop m_engine{GameSound::kEngine};
    Loop m_music{GameSound::kBattleTheme};
    bool m_watching = false; // m_heading holds the tank's heading of the last frame
    int32_t m_heading = 0;
    int32_t m_turnedMs = 0;  // the tank's battle time when its hull last turned
};
