#pragma once
#include <string>
#include <vector>

#include "Synth.h"

// The game's sounds (game/GameSound.h names them), each synthesised from
// noise, sweeps and harmonics.
class SoundBank {
public:
    struct Sound {
        std::string name{};  // resource name without ".wav"
        Synth::Buffer samples{};
    };

    // Every sound the game plays, one for each name of GameSound::kAll.
    static std::vector<Sound> all();

    static Synth::Buffer march();      // "music2"
    static Synth::Buffer fanfare();    // "music3"
    static Synth::Buffer battleTheme(); // "music4", looping
    static Synth::Buffer cannon();     // "shoot"
    static Synth::Buffer engine();     // "motor", looping
    static Synth::Buffer metalHit();   // "hit"
    static Synth::Buffer thud();       // "collide"
    static Synth::Buffer farBlast();   // "miss"
    static Synth::Buffer success();    // "stinger"
    static Synth::Buffer denied();     // "stinger5"
    static Synth::Buffer servo();      // "turret2"
    static Synth::Buffer click();      // "click", a menu choice
};
