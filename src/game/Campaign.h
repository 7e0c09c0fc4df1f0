#pragma once
#include <cstdint>

#include "game/Record.h"
#include "game/Side.h"
#include "runtime/Object.h"
#include "runtime/ref.h"

class Tank;
class Vdisplay;

// The campaign: the side and the level played, the front across the map of
// Europe, where the next battle is fought and whom against, and the record
// that keeps all of it (the player's tank included) across restarts. Pure
// logic: it knows the map only as the grid of rings below, and the tank only
// through the fields it keeps.
class Campaign : public Object {
public:
    // The edges of the battlefield, as the enemy's side: -z, +x, +z, -x.
    enum Edge : int32_t { kNorth = 0, kEast = 1, kSouth = 2, kWest = 3 };

    // The map: 16 columns by 12 rows, row-major. 0 is empty, v > 0 a cell of
    // ring v, v < 0 the battle site of ring -v. Ring 1 is Berlin.
    static constexpr int32_t kMapColumns = 16;
    static constexpr int32_t kMapRows = 12;
    static const int8_t m_map[kMapColumns * kMapRows];
    // Berlin's column: the centre of the map.
    static constexpr int32_t kBerlinColumn = 6;
    // A German victory lies one ring beyond the map.
    static constexpr int32_t kLastFront = 11;
    // The ring a new campaign starts on.
    static constexpr int32_t kFirstFront = 5;
    // The most fuel and rounds a tank can have: the truck tops up fuel below
    // 40.0 by half a unit and rounds below 98 by two.
    static constexpr int32_t kMostFuel = 0x144000; // 40.5
    static constexpr int32_t kMostRounds = 99;

    // The front as the map shows it: the ring being fought for and the one
    // beyond it (each drawn with the flag of the side that holds it), the
    // columns of the player's front, the battle site and the site after it
    // (column -1 when there is none), and the edge of the battlefield the
    // enemy comes from.
    struct Front {
        int32_t ring = 0;
        int32_t beyond = 0;
        bool germanRing = false; // the ring is German-held (else Allied)
        int32_t west = 0;
        int32_t east = 0;
        int32_t siteColumn = -1, siteRow = -1;
        int32_t nextColumn = -1, nextRow = -1;
        int32_t dir = kEast;
    };

    // Reads the record and applies the defaults of a first start; a record
    // from elsewhere keeps its settings but drops a campaign the map does not
    // know, and every slot is held to what the game itself saves. A record of
    // the wrong length is put aside as "korvath.damaged"; one that cannot be
    // read at all is left alone and never written over in this run (a line
    // on stderr says which).
    void prefLoad(Vdisplay* display);
    // Fills the record from the campaign and the player's tank (if any) and
    // stores it (unless the stored one could not be read).
    void prefSave(Vdisplay* display, const Tank* tank);
    // Slot k of the record, 0 .. 65535; prefWrite sets it in memory.
    int32_t prefRead(Record::Slot k) const { return m_record.get(k); }
    void prefWrite(Record::Slot k, int32_t v) { m_record.set(k, v); }

    // A new campaign on ring front (0: none); the tank, if given, is made
    // fresh and has no battle in progress. Saves the record.
    void resetGame(int32_t front, Vdisplay* display, Tank* tank);
    // The tank of a first start or a new campaign: fuel 20, 20 rounds,
    // armor 10, in the record and on the tank if given.
    void freshTank(Tank* tank);
    // The tank's fuel, rounds and damage as the record keeps them; a
    // destroyed tank (damage 50) comes back as the fresh tank's armor.
    void loadTank(Tank& tank) const;

    // A battle in progress, kept by the tank's place in the record.
    bool battleInProgress() const { return prefRead(Record::kBattleX) != 0; }
    // A battle won or lost moves the front a ring.
    void battleOver(bool won);
    // The front as it stands; locate also takes the battle site and the
    // enemy's side from it.
    Front front() const;
    void locate();
    // The campaign is over when the front has no site after the next one.
    bool over() const;
    // Whether the player won the campaign (it is over at Berlin for the
    // Allies and the Soviets, anywhere else for the Germans).
    bool won() const;

    // The kind of tank the enemy fields against a side at a map column.
    static TankKind enemyKind(Side side, int32_t mapX);
    // Enemies to destroy in a new battle at a front and level.
    static int32_t enemyTotal(int32_t front, int32_t level);

    Side m_side = Side::None;
    int32_t m_level = 0; // 0 easy, 1 medium, 2 hard
    int32_t m_front = 0; // ring of the next battle; 0 = no campaign
    int32_t m_mapX = 0;  // map cell of the current battle site
    int32_t m_mapY = 0;
    int32_t m_enemyCount = 0; // enemies still to destroy
    int32_t m_dir = kNorth;   // the edge of the battlefield the enemy comes from
    bool m_mute = false;
    // The stored record could not be read: this run never writes over it.
    bool m_keepStored = false;

private:
    // Reads the record, says what is wrong with it and puts a damaged one aside.
    Record::Loaded readRecord(Vdisplay& display);
    // Holds the slots of a record read from disk to what the game can save.
    void clampSlots();

    Record m_record;
};
