#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "game/ActionMap.h"

// The player's options: loudness, pace, camera, the on-screen buttons, the
// gun's up and down, and the player's keys (kept in the ActionMap, which this
// reads and writes). Stored in their own small file, "options", beside the
// campaign record and written the same safe way, so that a damaged options
// file costs the options and never the campaign. Full screen and the window's
// scale are the desktop host's, kept with the window's size.
//
// The file: "KOPT", a version byte, the effects and music volume (a byte
// each, percent), the frame rate (16 bits, low byte first), a byte of
// switches, the language (two lower-case letters, or two zeros for the
// desktop's), the number of key records and each record as three bytes:
// action, key, gamepad button. Nothing may follow. Version 1, written before
// the language was a choice, had no language bytes; it still reads.
class Options {
public:
    // Reads the stored options into this and the player's keys into
    // actions. Nothing stored gives the defaults; a file that cannot be read
    // or is damaged gives them too, with one line on stderr. False whenever
    // the defaults were taken.
    bool load(ActionMap& actions);
    // Stores this and the player's keys; false when they could not be written.
    bool save(const ActionMap& actions) const;

    // The stored form of this and the keys.
    std::vector<int8_t> encode(const ActionMap& actions) const;
    // Reads the stored form; all or nothing: false, changing neither this
    // nor actions, when any value is out of its range.
    bool decode(const int8_t* bytes, int32_t n, ActionMap& actions);

    int32_t m_effects = kMostVolume; // loudness of the sound effects, percent
    int32_t m_music = kMostVolume;   // of the music
    int32_t m_frameRate = 0;         // frames a second at most; 0: the host's default
    bool m_lazyCamera = false;       // the chase camera of old: it lags and wipes
    bool m_buttons = false;          // the on-screen buttons shown when a battle begins
    bool m_invertGun = false;        // up lowers the gun and down raises it
    std::string m_language;          // "de", say; "" follows the desktop

    static constexpr const char* kKey = "options";
    static constexpr int32_t kMostVolume = 100;
    static constexpr int32_t kVolumeStep = 10;
    static constexpr int32_t kLeastFrameRate = 10;
    static constexpr int32_t kMostFrameRate = 1000;
    // The longest file there can be.
    static constexpr int32_t kMostBytes = 64;
};
