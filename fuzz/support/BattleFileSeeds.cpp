// Seeds of the battle file harness, made with the game's own writer so that
// they carry this version: "fuzz_battlefile_seeds DATA_DIR SEED_DIR". A file of
// an older version, which the game no longer writes, lies in the corpus.
#include <cstdio>
#include <fstream>
#include <string>

#include "game/AppPicture.h"
#include "game/BattleFile.h"
#include "game/Scenery.h"
#include "game/Shell.h"
#include "game/Tank.h"

namespace {

using Body = BattleFile::Body;

void save(const std::string& path, const Array<int8_t>& b, int32_t n)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.a), n);
}

void save(const std::string& path, const BattleFile& f)
{
    const Array<int8_t> b = f.bytes();
    save(path, b, b.length);
}

Body vehicle(int32_t kind, int32_t x, int32_t z)
{
    Body b;
    b.kind = kind;
    b.x = x * Tank::kUnit;
    b.y = 3 * Tank::kUnit;
    b.z = z * Tank::kUnit;
    b.radius = 2 * Tank::kUnit;
    b.gravity = Vphob::kGravity;
    b.maxDamage = kind == Body::kPlayer ? 50 : 2;
    b.rounds = 40;
    b.fuel = 20 * Tank::kUnit;
    return b;
}

// A battle as it starts: the player's tank, three enemies and the truck, in
// the world's order (newest first).
BattleFile firstBattle()
{
    BattleFile f;
    f.m_stamp = {1, 5, 0, 4, 2, 6, 120, 250};
    for (int32_t i = 0; i < 55; i++)
        f.m_dice[i] = static_cast<int16_t>(i * 9973);
    f.m_diceJ = 23;
    f.m_diceK = 54;
    f.m_viewX = 120 * Tank::kUnit;
    f.m_viewZ = 250 * Tank::kUnit;
    f.m_viewFar = 0x628000;
    f.m_viewHorizon = 0x1000;
    Body truck = vehicle(Body::kTruck, 110, 240);
    truck.supply = 5;
    f.m_bodies = {truck, vehicle(Body::kEnemy, 300, 200), vehicle(Body::kEnemy, 310, 260),
                  vehicle(Body::kEnemy, 320, 300), vehicle(Body::kPlayer, 120, 250)};
    return f;
}

Body shell(int32_t owner, int32_t id, int32_t image)
{
    Body b;
    b.kind = Body::kShell;
    b.owner = owner;
    b.id = id;
    b.image = image;
    b.x = 200 * Tank::kUnit;
    b.y = 5 * Tank::kUnit;
    b.z = 240 * Tank::kUnit;
    b.vx = 40 * Tank::kUnit;
    b.gravity = Vphob::kGravity;
    b.scale = b.maxScale = 0x8000;
    return b;
}

// A battle the demo fought for a while: a shell of either side (the
// enemy's burst), an enemy parked, the ground dug, things ruined, the
// camera overhead.
BattleFile foughtBattle()
{
    BattleFile f = firstBattle();
    f.m_overhead = 1;
    Body& parked = f.m_bodies[3];
    parked.x = parked.y = parked.z = Vphob::kFarAway;
    parked.damage = -1;
    Body& player = f.m_bodies[4];
    player.pilot = 3; // the first enemy, once the shells are in front
    player.shots = 7;
    player.hits = 2;
    player.battleMs = 45000;
    Body burst = shell(3, Shell::kEnemyShell, Shell::kLastPicture);
    burst.gravity = 0;
    f.m_bodies.insert(f.m_bodies.begin(), {shell(6, Shell::kPlayerShell, AppPicture::kPuff), burst});
    f.m_cells = {{5 * 256 + 40, 17}, {5 * 256 + 41, 12}, {6 * 256 + 40, 20}};
    f.m_ruins = {0, 12, 13, 200, Scenery::kMost - 1};
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_battlefile_seeds DATA_DIR SEED_DIR\n");
        return 2;
    }
    const std::string dir = argv[2];
    const BattleFile first = firstBattle(), fought = foughtBattle();
    save(dir + "/first-battle", first);
    save(dir + "/fought-battle", fought);
    BattleFile f = fought;
    f.m_ruins.clear();
    for (int32_t i = 0; i < Scenery::kMost; i++)
        f.m_ruins.push_back(i);
    save(dir + "/everything-ruined", f);

    // Refused, each for one reason.
    const Array<int8_t> b = fought.bytes();
    save(dir + "/cut-short", b, b.length / 2);
    Array<int8_t> newer = fought.bytes();
    newer.a[4] = BattleFile::kVersion + 1;
    save(dir + "/next-version", newer, newer.length);
    f = first;
    f.m_stamp.side = 4;
    save(dir + "/side-out-of-range", f);
    f = fought;
    f.m_ruins = {3, Scenery::kMost};
    save(dir + "/ruin-out-of-range", f);
    f.m_ruins = {3, 3};
    save(dir + "/ruins-out-of-order", f);
    return 0;
}
