#pragma once

// The game's sounds by what they are: each name is a resource of the data
// folder without its ".wav". The game plays them by these names and
// tools/soundgen synthesises exactly these files, so both include this header.
// A name that begins with "music" is music to the hosts (the music's volume
// option), the others are effects.
struct GameSound {
    static constexpr const char* kMarch = "music2";      // the campaign map
    static constexpr const char* kFanfare = "music3";    // the title, a battle won, a campaign's end
    static constexpr const char* kBattleTheme = "music4"; // under a battle, looping
    static constexpr const char* kCannon = "shoot";      // a tank fires
    static constexpr const char* kEngine = "motor";      // the player's engine, looping
    static constexpr const char* kArmourHit = "hit";     // a shell strikes a tank
    static constexpr const char* kBump = "collide";      // two vehicles meet
    static constexpr const char* kFarBlast = "miss";     // a shell bursts on the ground
    static constexpr const char* kSuccess = "stinger";   // an enemy destroyed, the truck captured
    static constexpr const char* kDenied = "stinger5";   // an empty gun; aim mode switched
    static constexpr const char* kTurret = "turret2";    // the turret turns, the gun is laid
    static constexpr const char* kClick = "click";       // a menu item chosen

    static constexpr const char* kAll[] = {kMarch,     kFanfare,  kCannon,  kEngine, kArmourHit,  kBump,
                                          kFarBlast, kSuccess, kDenied, kTurret, kClick, kBattleTheme};
};
