#pragma once
#include <cstdint>

#include "runtime/Array.h"
#include "runtime/String.h"
#include "runtime/ref.h"

class Vdisplay;

// The campaign record as it is stored: twelve slots of 16 bits, low byte
// first, under the preferences name "korvath". Slots 4 and 6 carry nothing and
// keep what a record brought. Read and written here only.
class Record {
public:
    enum Slot : int32_t {
        kSide = 0,    // Side; 0 = never chosen
        kFront = 1,   // ring of the next battle; 0 = no campaign
        kLevel = 2,   // 0 easy, 1 medium, 2 hard
        kEnemies = 3, // enemies still to destroy
        kMute = 5,    // 1 = sound off
        kDamage = 7,  // hits the player's tank has taken (armor = 50 - damage)
        kFuel = 8,    // its fuel in whole units
        kRounds = 9,  // its rounds
        kBattleX = 10, // a battle in progress: the tank's x in whole units; 0 = none
        kBattleZ = 11, // and its z
        kSlots = 12
    };

    Record();

    // Slot s, 0 .. 65535.
    int32_t get(Slot s) const;
    // Sets slot s to the low 16 bits of v (in memory only).
    void set(Slot s, int32_t v);
    // Reads the stored record; false (all slots 0) when there is none.
    bool load(Vdisplay& display);
    // Stores the record; false when it could not be written.
    bool store(Vdisplay& display) const;

    static ref<String> name();

private:
    Array<int8_t> m_bytes;
};
