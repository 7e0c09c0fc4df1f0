// Seeds of the battle file harness, made with the game's own writer so that
// they carry this version: "fuzz_battlefile_seeds DATA_DIR SEED_DIR". A file of
// an older version, which the game no longer writes, lies in the corpus.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

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

// The bytes of f with the 16-bit (or, wide, 32-bit) number at at set to v,
// and the sum made right again, so that the file is refused for v alone.
Array<int8_t> patched(const BattleFile& f, int32_t at, int32_t v, bool wide = false)
{
    Array<int8_t> b = f.bytes();
    for (int32_t i = 0; i < (wide ? 4 : 2); i++)
        b.a[at + i] = static_cast<int8_t>((v >> (8 * i)) & 255);
    const uint32_t s = BattleFile::sum(b.a, b.length - 4);
    for (int32_t i = 0; i < 4; i++)
        b.a[b.length - 4 + i] = static_cast<int8_t>((s >> (8 * i)) & 255);
    return b;
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
    f = fought;
    f.m_cells = {{5 * 256 + 41, 12}, {5 * 256 + 40, 17}};
    save(dir + "/cells-out-of-order", f);
    f = first;
    f.m_bodies.back().kind = Body::kEnemy;
    save(dir + "/no-player", f);
    f = first;
    f.m_bodies.push_back(f.m_bodies.front());
    save(dir + "/two-trucks", f);
    f = fought;
    f.m_bodies[0].owner = 1;
    save(dir + "/shell-of-a-shell", f);
    f = fought;
    f.m_bodies.back().pilot = 0;
    save(dir + "/pursues-a-shell", f);

    // Counts and kinds the writer cannot make, patched into its bytes: after
    // the camera come the count of bodies, then each body's kind; at the end
    // the count of cells, the cells, the count of ruins, the ruins and the sum.
    const int32_t bodiesAt = BattleFile().bytes().length - 12;
    Array<int8_t> p = patched(first, bodiesAt, 0);
    save(dir + "/no-bodies", p, p.length);
    p = patched(first, bodiesAt + 2, Body::kShell + 1);
    save(dir + "/unknown-kind", p, p.length);
    const int32_t ruinsAt = b.length - 4 - 2 * static_cast<int32_t>(fought.m_ruins.size()) - 2;
    const int32_t cellsAt = ruinsAt - 3 * static_cast<int32_t>(fought.m_cells.size()) - 4;
    p = patched(fought, cellsAt, 0x7FFFFFFF, true);
    save(dir + "/cells-too-many", p, p.length);
    p = patched(fought, ruinsAt, 0xFFFF);
    save(dir + "/ruins-too-many", p, p.length);
    // Whole but for one thing.
    save(dir + "/too-short", b, 8);
    p = fought.bytes();
    p.a[0] = 'X';
    save(dir + "/not-a-battle-file", p, p.length);
    p = fought.bytes();
    p.a[p.length - 1] ^= 1;
    save(dir + "/sum-wrong", p, p.length);
    // A body cut off inside its fields, and a file with bytes to spare: the
    // harness gives them their length and sum.
    p = first.bytes();
    save(dir + "/ends-in-a-body", p, bodiesAt + 2 + 21);
    std::vector<int8_t> longer(p.a, p.a + p.length - 4);
    longer.insert(longer.end(), 8, 0);
    std::ofstream(dir + "/longer-than-its-contents", std::ios::binary)
        .write(reinterpret_cast<const char*>(longer.data()), static_cast<std::streamsize>(longer.size()));
    return 0;
}
