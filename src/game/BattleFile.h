#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/Array.h"
#include "runtime/String.h"
#include "runtime/ref.h"

class App;

// A battle as it stands, kept in a file beside the campaign record so that a
// battle left by quitting, or cut short by a crash, comes back exactly: every
// vehicle and shell in the physics world's order, the ground the shells dug,
// the camera and the state of the dice. The record says that a battle is in
// progress and where the player's tank is; the file says what the battle
// looked like. A stamp of the record's numbers ties the two together, so a
// file that belongs to another battle is never applied. The scenery is
// placed anew from the site; the file keeps which of its things are ruined.
//
// The file: "KBTL", a version byte, the whole length (32 bits), the stamp,
// the dice, the camera, the bodies, the changed cells of the height map, the
// ruined things (a 16-bit count and 16-bit indices into Scenery::things(),
// increasing) and an FNV-1a sum of everything before it. Numbers are
// little-endian; every field is checked against the range the game can
// produce. Version 2, written by the release before, has no ruins: it is
// still read, with every thing whole.
class BattleFile {
public:
    // The record's numbers the battle belongs to.
    struct Stamp {
        int32_t side = 0, front = 0, level = 0, enemies = 0;
        int32_t mapX = 0, mapY = 0;
        int32_t battleX = 0, battleZ = 0; // the record's slots 10 and 11
        bool operator==(const Stamp&) const = default;
    };
    // One body of the physics world. Which fields count depends on the kind.
    struct Body {
        enum Kind : int32_t { kPlayer = 0, kEnemy = 1, kTruck = 2, kShell = 3 };
        int32_t kind = kPlayer;
        int32_t linked = 1; // in the picture (else out of play)
        int32_t x = 0, y = 0, z = 0;
        int32_t vx = 0, vy = 0, vz = 0;
        int32_t speed = 0, radius = 0, gravity = 0, contacts = 0;
        int32_t heading = 0, pitch = 0, roll = 0;
        // A vehicle.
        int32_t turret = 0, gun = 0;
        int32_t damage = 0, maxDamage = 0, rounds = 0, fuel = 0, odometer = 0;
        int32_t driveSpeed = 0, timer = 0, holdTime = 0, collided = 0;
        int32_t destX = 0, destZ = 0, engage = 0, offFieldMs = 0, detourMs = 0;
        int32_t aim = 0;
        int32_t battleMs = 0, fired = 0, shots = 0, hits = 0; // the player's battle so far
        int32_t pilot = -1; // the player's: the body the demo pursues, or -1
        // The truck.
        int32_t captured = 0, supply = -1, contact = 0;
        // A shell.
        int32_t owner = 0; // the body that fired it
        int32_t id = 0, image = 0, scale = 0, maxScale = 0;
        int32_t explodeTime = 0, trail = 0, hitGround = 0;
        bool operator==(const Body&) const = default;
    };
    // A cell of the height map and its height now (lower than at the start).
    struct Cell {
        int32_t index = 0, height = 0;
        bool operator==(const Cell&) const = default;
    };

    // Saved every this much battle time, besides when the battle is left.
    static constexpr int32_t kEveryMs = 30000;
    static constexpr int32_t kVersion = 3;
    static constexpr int32_t kOldestVersion = 2; // the oldest still read
    static constexpr int32_t kMostBodies = 512;
    static constexpr int32_t kMostBytes = 1 << 20;
    static constexpr int32_t kUsualBytes = 1 << 14;

    // The battle of app as it stands.
    static BattleFile capture(const App& app);
    // Stores app's battle beside the record when one is being fought; an
    // older file is removed when the new one cannot be written, so that it
    // is never taken for this battle. False when nothing was stored.
    static bool keep(const App& app);
    // Sets up app's battle from the stored file. False, with one line on
    // stderr, when there is none, it is damaged or it belongs to another
    // battle: the caller then sets up the battle anew around the tank.
    static bool resume(App& app);

    // The file's bytes.
    Array<int8_t> bytes() const;
    // Reads bytes[0, n) into this; false with the reason in why.
    bool read(const Array<int8_t>& bytes, int32_t n, std::string& why);
    // Reads the stored file beside the record; false with the reason in why.
    bool load(std::string& why);
    // Puts this battle into app's world (set up for the stamp's site).
    void restore(App& app) const;

    static ref<String> name();
    // The file's check sum: FNV-1a over n bytes.
    static uint32_t sum(const int8_t* p, int32_t n);

    Stamp m_stamp;
    int16_t m_dice[55] = {};
    int32_t m_diceJ = 0, m_diceK = 0;
    int32_t m_overhead = 0;
    int32_t m_viewX = 0, m_viewY = 0, m_viewZ = 0, m_viewHeading = 0, m_viewPitch = 0;
    int32_t m_viewFar = 0, m_viewHorizon = 0;
    int32_t m_terrainX = 0, m_terrainY = 0, m_terrainZ = 0, m_terrainHeading = 0;
    // The smooth camera's followers: place and pace of each.
    int32_t m_followHeading = 0, m_followHeadingV = 0, m_followBehind = 0, m_followBehindV = 0;
    int32_t m_followHeight = 0, m_followHeightV = 0, m_followTilt = 0, m_followTiltV = 0;
    std::vector<Body> m_bodies; // in the world's order, newest first
    std::vector<Cell> m_cells;  // in increasing index
    std::vector<int32_t> m_ruins; // ruined things: indices in Scenery::things(), increasing

private:
    bool readBodies(class ByteReader& in, std::string& why);
    bool readRuins(class ByteReader& in, std::string& why);
    // The bodies into the world in its order, and the camera and dice.
    void restoreBodies(App& app) const;
    void restoreView(App& app) const;
    // The stamp of app's campaign as its record stands.
    static Stamp stampOf(const App& app);
};
