// battleframes OUT: plays a few moments of battle on the test battlefield and
// writes what a player would see as OUT-*.png: a tank driving over the ridge
// (from behind and from the side), an enemy tank turning its turret, laying
// its gun and hitting the player, and a shell of the player's leaving the
// muzzle, exploding and leaving its crater.
#include <cstdio>
#include <string>

#include "BattleWorld.h"
#include "game/Shell.h"

namespace {

constexpr int32_t kUnit = BattleWorld::kUnit;
constexpr int32_t kEast = 0x2000, kNorth = 0;

struct Frames {
    BattleWorld& w;
    std::string prefix;
    int32_t count = 0;
    bool ok = true;

    void shot(const std::string& name, const char* what)
    {
        w.render();
        std::string path = prefix + "-" + name + ".png";
        ok &= w.writePng(path);
        std::printf("%s: %s\n", path.c_str(), what);
        count++;
    }
};

// A camera d units from (x, y, z) toward heading + 0x4000 + side (0 behind),
// e units above it, looking at it.
void around(BattleWorld& w, const Vsprite& s, int32_t heading, int32_t d, int32_t e)
{
    int32_t x = s.m_wx - V::fmul(V::fsin(heading), d * kUnit), z = s.m_wz + V::fmul(V::fcos(heading), d * kUnit);
    w.look(x, s.m_wy + e * kUnit, z, heading);
}

// The first shell of the world's list, flying or exploding, or null.
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
    Frames f{w, out + "-ridge"};
    ref<Tank> t = w.player(kSherman, 176, 256, kEast);
    const int32_t marks[] = {1000, 4500, 8000, 11500, 15000, 19000};
    for (int32_t next = 0; next < 6;) {
        t->m_orders.press = Action::Forward;
        w.step();
        around(w, *t, t->m_heading, 16, 6);
        w.render();
        if (w.m_elapsed < marks[next])
            continue;
        char what[160];
        std::snprintf(what, sizeof what, "%d ms: x %.1f, height %.2f, pitch %d, speed %d", w.m_elapsed,
                      t->m_wx / 32768.0, t->m_wy / 32768.0, t->m_pitchAngle, t->m_driveSpeed);
        std::string n = std::to_string(++next);
        f.shot(n, what);
        // The same moment from 30 units to the south.
        around(w, *t, kNorth, 30, 3);
        f.shot("side-" + n, what);
    }
    return f.ok;
}

// A Tiger 50 units away, its hull facing north, turns its turret toward the
// player, lays its gun and fires.
bool enemyFire(const std::string& out)
{
    BattleWorld w(11);
    Frames f{w, out + "-enemy"};
    ref<Tank> p = w.player(kSherman, 100, 256, kEast);
    ref<Tank> e = w.enemy(kTiger, p, 150, 256, kNorth);
    e->m_engage = 60 * kUnit; // it stops to shoot rather than closes in
    w.chase(*p);              // the game's camera decides where enemies go
    int32_t fired = -1;
    for (int32_t ms = 0; ms < 20000 && f.count < 8; ms += BattleWorld::kFrameMs) {
        w.step();
        // Close by the enemy, a little in front of its side, and from behind
        // the player toward it.
        around(w, *e, kEast + 0x1200, 16, 4);
        w.render();
        char what[120];
        std::snprintf(what, sizeof what, "%d ms: enemy turret %d, gun %d; player damage %d", w.m_elapsed,
                      e->turretHeading(), e->gunPitch(), p->m_damage);
        if (fired < 0 && liveShell(w))
            fired = w.m_elapsed;
        bool turning = fired < 0 && f.count < 3 && w.m_elapsed % 576 == 0;
        if (turning || (fired >= 0 && (w.m_elapsed - fired) % 192 == 0 && w.m_elapsed - fired <= 384))
            f.shot(std::to_string(f.count + 1), what);
        if (fired >= 0 && w.m_elapsed - fired == 384) {
            around(w, *p, kEast - 0x1800, 18, 4);
            f.shot(std::to_string(f.count + 1), "the shell arrives at the player");
            for (int32_t n = 0; n < 3; n++) {
                w.step();
                around(w, *p, kEast - 0x1800, 18, 4);
                w.render();
            }
            std::snprintf(what, sizeof what, "the hit: player damage %d", p->m_damage);
            f.shot(std::to_string(f.count + 1), what);
            break;
        }
    }
    return f.ok && fired >= 0;
}

// The player lowers the gun and fires at the ground ahead.
bool crater(const std::string& out)
{
    BattleWorld w(3);
    Frames f{w, out + "-crater"};
    ref<Tank> t = w.player(kSherman, 100, 256, kEast);
    t->m_gun->m_pitchAngle = Tank::kGunDown;
    t->pose();
    t->m_timer = 1000;
    t->m_orders.press = Action::Fire;
    // Behind the tank and to its left, seeing the gun and the ground ahead.
    around(w, *t, kEast + 0x900, 14, 5);
    w.render();
    for (int32_t n = 0; n < 30; n++) {
        w.step();
        w.render();
        Shell* s = liveShell(w);
        if ((n < 6 && n % 2 == 0) || (s && s->m_gravity == 0 && n % 3 == 0)) {
            char what[120];
            std::snprintf(what, sizeof what, "%d ms: shell %s, picture %d", w.m_elapsed,
                          s ? (s->m_gravity ? "flying" : "exploding") : "gone", s ? s->m_image : -1);
            f.shot(std::to_string(f.count + 1), what);
        }
    }
    // The crater after a full repaint of the ground, and from nearer.
    w.m_terrain->m_changed = true;
    w.m_view->redraw();
    f.shot("after", "the crater, terrain repainted");
    return f.ok;
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
