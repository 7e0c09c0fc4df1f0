#pragma once
#include <cstdint>
#include <string>

#include "runtime/Array.h"
#include "runtime/String.h"
#include "runtime/ref.h"

class Vdisplay;

// The campaign record as it is stored: thirteen slots of 16 bits, low byte
// first, under the preferences name "korvath". Records of older versions end
// after slot 11 and read with no fuel fraction. Slots 4 and 6 carry nothing
// and keep what a record brought. Read and written here only.
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
        kFuelFraction = 12, // the fuel below a whole unit, 0 .. 32767
        kSlots = 13
    };
    // The slots of a record saved before the fuel fraction had its own.
    static constexpr int32_t kOldSlots = 12;

    // What load found.
    enum class Loaded : int32_t {
        Record,     // a record of a length the game writes
        None,       // nothing stored: a first start
        Damaged,    // a record of another length: not the game's
        Unreadable, // something is stored but could not be read
    };

    Record();

    // Slot s, 0 .. 65535.
    int32_t get(Slot s) const;
    // Sets slot s to the low 16 bits of v (in memory only).
    void set(Slot s, int32_t v);
    // Reads the stored record; all slots are 0 unless it is a Record. why
    // receives the reason a record is Unreadable.
    Loaded load(Vdisplay& display, std::string* why = nullptr);
    // Stores the record; false when it could not be written.
    bool store(Vdisplay& display) const;

    static ref<String> name();
    // Where a damaged record is kept aside.
    static ref<String> damagedName();

private:
    Array<int8_t> m_bytes;
};
