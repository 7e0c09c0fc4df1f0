#include "game/Campaign.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "game/Tank.h"
#include "host/Vdisplay.h"

// Rings of the front around Berlin (row 4, column 6); rows 9 to 11 are empty.
const int8_t Campaign::m_map[kMapColumns * kMapRows] = {
    0,   0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  6,  7,  8,  9,   9,   //
    0,   0,  0,  0,  0,  0,  0,  0,  0,  0,  6,  0,  7,  8,  -9,  -10, //
    0,   0,  0,  0,  0,  0,  0,  0,  0,  0,  5,  6,  -7, -8, 9,   9,   //
    0,   0,  0,  0,  0,  2,  2,  2,  3,  4,  5,  -6, 0,  7,  8,   8,   //
    -10, 0,  0,  4,  -3, -2, -1, -2, -3, -4, -5, 0,  6,  0,  7,   7,   //
    -9,  0,  5,  -4, 3,  2,  2,  2,  3,  0,  4,  5,  0,  6,  6,   0,   //
    -8,  -7, -5, 0,  4,  3,  3,  3,  0,  0,  4,  0,  5,  0,  0,   6,   //
    7,   6,  -6, 0,  0,  0,  0,  0,  0,  0,  0,  4,  0,  5,  0,   0,   //
    0,   0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  4,  0,  0,   0,   //
    0,   0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   0,   //
    0,   0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   0,   //
    0,   0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   0,   //
};

namespace {

// The tank of a first start or a new campaign.
constexpr int32_t kFreshFuel = 20; // whole units
constexpr int32_t kFreshRounds = 20;
constexpr int32_t kFreshDamage = 40; // armor 10
constexpr int32_t kDestroyed = 50;   // damage of a tank shot through
constexpr int32_t kBattlefieldUnits = 512;

} // namespace

// ---- the record ----

void Campaign::prefLoad(Vdisplay* display)
{
    m_record = Record();
    m_keepStored = false;
    if (display && readRecord(*display) == Record::Loaded::Record) {
        m_side = static_cast<Side>(prefRead(Record::kSide));
        m_enemyCount = prefRead(Record::kEnemies);
        m_front = prefRead(Record::kFront);
        m_mute = prefRead(Record::kMute) != 0;
        m_level = prefRead(Record::kLevel);
        if (m_level > 2)
            m_level = 0;
        // A record from elsewhere or damaged on disk: a side or front the map
        // does not know cannot be played on; keep the settings, drop the campaign.
        if (m_side > Side::Soviet || m_front > kLastFront) {
            std::fprintf(stderr, "Preferences: side %d, front %d out of range; no campaign\n",
                         static_cast<int32_t>(m_side), m_front);
            m_side = m_side > Side::Soviet ? Side::Allied : m_side;
            m_front = 0;
            // Nothing of the dropped campaign carries over, its tank included.
            prefWrite(Record::kBattleX, 0);
            prefWrite(Record::kBattleZ, 0);
            freshTank(nullptr);
        }
    }
    if (m_side == Side::None) {
        m_front = 0;
        m_side = Side::Allied;
        freshTank(nullptr);
    }
    // After the front is settled: the enemies still to fight are those of its battle.
    clampSlots();
}

Record::Loaded Campaign::readRecord(Vdisplay& display)
{
    std::string why;
    const Record::Loaded got = m_record.load(display, &why);
    const std::string path = Vdisplay::recordPath(Record::name()->c_str());
    if (got == Record::Loaded::Damaged) {
        if (display.prefsRename(Record::name(), Record::damagedName())) {
            std::fprintf(stderr, "Preferences: %s has the wrong length for a record; kept as %s, starting afresh\n",
                         path.c_str(), Record::damagedName()->c_str());
            return got;
        }
        why = "it is damaged and cannot be put aside";
    } else if (got != Record::Loaded::Unreadable) {
        return got;
    }
    // The record may be good and only out of reach for now (permissions, a
    // failing disc): saving a first start over it would lose the campaign.
    m_keepStored = true;
    std::fprintf(stderr, "Preferences: cannot read %s (%s); playing from a first start, the record left as it is\n",
                 path.c_str(), why.c_str());
    return Record::Loaded::Unreadable;
}

void Campaign::clampSlots()
{
    m_enemyCount = std::min(m_enemyCount, enemyTotal(m_front, m_level));
    prefWrite(Record::kEnemies, m_enemyCount);
    // An empty gun that clicked counts -1 rounds, saved as 65535.
    const int32_t rounds = prefRead(Record::kRounds);
    prefWrite(Record::kRounds, rounds >= 0x8000 ? 0 : std::min(rounds, kMostRounds));
    const int32_t fuel = std::min((prefRead(Record::kFuel) << 15) + (prefRead(Record::kFuelFraction) & 0x7FFF), kMostFuel);
    prefWrite(Record::kFuel, fuel >> 15);
    prefWrite(Record::kFuelFraction, fuel & 0x7FFF);
    // A battle in progress lies on the 512-unit battlefield.
    const int32_t x = prefRead(Record::kBattleX);
    prefWrite(Record::kBattleX, std::min(x, kBattlefieldUnits - 1));
    prefWrite(Record::kBattleZ, x == 0 ? 0 : std::min(prefRead(Record::kBattleZ), kBattlefieldUnits - 1));
}

void Campaign::prefSave(Vdisplay* display, const Tank* tank)
{
    prefWrite(Record::kSide, static_cast<int32_t>(m_side));
    prefWrite(Record::kLevel, m_level);
    prefWrite(Record::kEnemies, m_enemyCount);
    prefWrite(Record::kFront, m_front);
    prefWrite(Record::kMute, m_mute ? 1 : 0);
    if (tank) {
        const Tank& t = *tank;
        prefWrite(Record::kDamage, t.m_damage);
        prefWrite(Record::kFuel, t.m_fuel >> 15);
        prefWrite(Record::kFuelFraction, t.m_fuel & 0x7FFF);
        prefWrite(Record::kRounds, t.m_rounds);
        // A battle in progress is kept by the tank's place on the map; a
        // tank that strayed over the edge is kept at the edge, so the
        // battle neither ends nor comes back off the map.
        const bool inBattle = t.m_wx != 0;
        prefWrite(Record::kBattleX, inBattle ? std::clamp(t.m_wx >> 15, 1, kBattlefieldUnits - 1) : 0);
        prefWrite(Record::kBattleZ, inBattle ? std::clamp(t.m_wz >> 15, 0, kBattlefieldUnits - 1) : 0);
    }
    if (display && !m_keepStored)
        m_record.store(*display);
}

// ---- the tank ----

void Campaign::freshTank(Tank* tank)
{
    prefWrite(Record::kFuel, kFreshFuel);
    prefWrite(Record::kFuelFraction, 0);
    prefWrite(Record::kRounds, kFreshRounds);
    prefWrite(Record::kDamage, kFreshDamage);
    if (tank) {
        tank->m_fuel = kFreshFuel << 15;
        tank->m_rounds = kFreshRounds;
        tank->m_damage = kFreshDamage;
    }
}

void Campaign::loadTank(Tank& tank) const
{
    tank.m_fuel = (prefRead(Record::kFuel) << 15) + prefRead(Record::kFuelFraction);
    tank.m_rounds = prefRead(Record::kRounds);
    // A tank shot through restarts as a fresh one, not as an unhurt one.
    const int32_t damage = prefRead(Record::kDamage);
    tank.m_damage = damage >= kDestroyed ? kFreshDamage : damage;
}

void Campaign::resetGame(int32_t front, Vdisplay* display, Tank* tank)
{
    // A new campaign has no battle in progress, not even the one it ends.
    if (tank)
        tank->m_wx = 0;
    prefWrite(Record::kBattleX, 0);
    freshTank(tank);
    prefWrite(Record::kBattleZ, 0);
    m_front = front;
    prefWrite(Record::kFront, front);
    prefSave(display, tank);
}

// ---- the front ----

void Campaign::battleOver(bool won)
{
    // The Germans push their front outwards, the others in towards Berlin.
    m_front += (m_side == Side::German) == won ? 1 : -1;
}

Campaign::Front Campaign::front() const
{
    Front f;
    f.ring = m_front;
    if (m_side == Side::German) {
        f.beyond = m_front - 1;
        f.germanRing = false;
        const bool odd = (m_front & 1) != 0;
        f.west = odd ? 0 : kBerlinColumn;
        f.east = odd ? kBerlinColumn : kMapColumns - 1;
        f.dir = odd ? kWest : kEast;
    } else {
        f.beyond = m_front + 1;
        f.germanRing = true;
        const bool allied = m_side == Side::Allied;
        f.west = allied ? 0 : kBerlinColumn;
        f.east = allied ? kBerlinColumn : kMapColumns - 1;
        f.dir = allied ? kEast : kWest;
    }
    // The sites of the two rings on the player's part of the map; of
    // several, the last one counts.
    for (int32_t row = 0; row < kMapRows; row++) {
        for (int32_t col = f.west; col <= f.east; col++) {
            const int32_t cell = m_map[row * kMapColumns + col];
            if (cell != 0 && cell == -f.ring) {
                f.siteColumn = col;
                f.siteRow = row;
            } else if (cell != 0 && cell == -f.beyond) {
                f.nextColumn = col;
                f.nextRow = row;
            }
        }
    }
    return f;
}

void Campaign::locate()
{
    const Front f = front();
    m_dir = f.dir;
    // Without a site the last battle's stays: the end of the campaign is judged by it.
    if (f.siteColumn >= 0) {
        m_mapX = f.siteColumn;
        m_mapY = f.siteRow;
    }
}

bool Campaign::over() const
{
    const Front f = front();
    return f.siteColumn < 0 || f.nextColumn < 0;
}

bool Campaign::won() const
{
    return (m_mapX == kBerlinColumn) != (m_side == Side::German);
}

TankKind Campaign::enemyKind(Side side, int32_t mapX)
{
    // Germans meet Shermans in the west and T-34s in the east; everyone
    // else meets Tigers.
    if (side == Side::German)
        return mapX < kBerlinColumn ? TankKind::Sherman : TankKind::T34;
    return TankKind::Tiger;
}

int32_t Campaign::enemyTotal(int32_t front, int32_t level)
{
    return std::abs(kFirstFront - front) + 5 + 5 * level;
}
