// battleframes OUT: plays a few moments of battle on the test battlefield and
// writes what a player would see as OUT-*.png: a tank driving over the ridge
// (from behind and from the side), an enemy tank laying its gun and firing,
// and a shell of the player's exploding and leaving its crater.
#include <cstdio>
#include <string>

#include "BattleWorld.h"
#include "game/Shell.h"

namespace {

constexpr int32_t kUnit = BattleWorld::kUnit;
constexpr int32_t kEast = 0x2000, kWest = -0x2000, kNorth = 0;

bool shot(BattleWorld& w, const std::string& path, const char* what)
{
    w.render();
    bool ok = w.writePng(path);
    std::printf("%s: %s\n", path.c_str(), what);
    return ok;
}

// The first shell of the world's list still flying or exploding, or null.
Shell* liveShell(BattleWorld& w)
{
    for (ref<Vphob> b = w.m_physics->first(); b; b = b->m_nextBody)
        if (Shell* s = dynamic_cast<Shell*>(b.get()))
            return s;
    return nullptr;
}

// A Sherman drives east over the ridge at full speed.
bool ridge(const std::string& out)
{
    BattleWorld w(7);
    ref<Tank> t = w.player(kSherman, 176, 256, kEast);
    bool ok = true;
    const int32_t marks[] = {1000, 4000, 7500, 11000, 14500, 18500};
    int32_t next = 0;
    for (int32_t ms = 0; ms <= 18500 && next < 6; ms += BattleWorld::kFrameMs) {
        t->m_key = 3;
        w.step();
        w.chase(*t);
        w.render();
        if (w.m_elapsed >= marks[next]) {
            char what[160];
            std::snprintf(what, sizeof what, "x %.1f, height %.2f, pitch %d, speed %d", t->m_wx / 32768.0,
                          t->m_wy / 32768.0, t->m_pitchAngle, t->m_driveSpeed);
            std::string n = std::to_string(++next);
            ok &= shot(w, out + "-ridge-" + n + ".png", what);
            // The same moment from the side, 30 units south, a little above.
            w.look(t->m_wx, t->m_wy + 4 * kUnit, t->m_wz + 30 * kUnit, kNorth);
            ok &= shot(w, out + "-ridge-side-" + n + ".png", what);
            w.chase(*t);
        }
    }
    return ok;
}

// A Tiger 50 units ahead turns its turret, lays its gun and fires.
bool enemyFire(const std::string& out)
{
    BattleWorld w(11);
    ref<Tank> p = w.player(kSherman, 100, 256, kEast);
    ref<Tank> e = w.enemy(kTiger, p, 150, 256, kNorth);
    e->m_engage = 60 * kUnit; // it stops to shoot rather than closes in
    bool ok = true;
    int32_t frames = 0;
    for (int32_t ms = 0; ms < 20000 && frames < 4; ms += BattleWorld::kFrameMs) {
        w.step();
        // Watched from beside the player, toward the enemy.
        w.look(p->m_wx - 14 * kUnit, p->m_wy + 4 * kUnit, p->m_wz + 9 * kUnit, kEast - 500);
        w.render();
        if (liveShell(w) || frames > 0) {
            char what[120];
            std::snprintf(what, sizeof what, "%d ms: turret %d, gun %d, player damage %d", w.m_elapsed,
                          e->turretHeading(), e->gunPitch(), p->m_damage);
            ok &= shot(w, out + "-enemy-" + std::to_string(++frames) + ".png", what);
            w.run(3 * BattleWorld::kFrameMs, true);
        }
    }
    return ok && frames == 4;
}

// The player lowers the gun and fires at the ground ahead.
bool crater(const std::string& out)
{
    BattleWorld w(3);
    ref<Tank> t = w.player(kSherman, 100, 256, kEast);
    t->m_gun->m_pitchAngle = Tank::kGunDown;
    t->pose();
    t->m_timer = 1000;
    t->m_key = '5';
    w.chase(*t);
    w.render();
    bool ok = true;
    int32_t frames = 0;
    // From the muzzle to the last wisp of the explosion, every other frame.
    for (int32_t f = 0; f < 30; f++) {
        w.step();
        w.chase(*t);
        w.render();
        Shell* s = liveShell(w);
        if ((f < 8 && f % 2 == 0) || (s && s->m_gravity == 0 && f % 3 == 0)) {
            char what[120];
            std::snprintf(what, sizeof what, "%d ms: shell %s, picture %d", w.m_elapsed,
                          s ? (s->m_gravity ? "flying" : "exploding") : "gone", s ? s->m_image : -1);
            ok &= shot(w, out + "-crater-" + std::to_string(++frames) + ".png", what);
        }
    }
    // The crater after a full repaint of the ground.
    w.m_terrain->m_changed = true;
    w.m_view->redraw();
    ok &= shot(w, out + "-crater-after.png", "the crater, terrain repainted");
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: battleframes OUT\n");
        return 2;
    }
    std::string out = argv[1];
    bool ok = ridge(out);
    ok &= enemyFire(out);
    ok &= crater(out);
    return ok ? 0 : 1;
}
