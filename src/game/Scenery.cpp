#include "game/Scenery.h"

#include <algorithm>

#include "game/AppPicture.h"
#include "game/Shell.h"
#include "physics/Vbattlefield.h"
#include "physics/Vphysics.h"
#include "terrain/VpolyTerrain.h"
#include "terrain/Vterrain.h"

namespace {

constexpr int32_t kUnit = 32768;
constexpr int32_t kMapSize = 512 * kUnit;
constexpr int32_t kTries = 3000;       // cluster centres tried before giving up
constexpr int32_t kRuinReach = 4 * kUnit; // a burst this near ruins a thing

// How far each sky's air carries: units before the haze starts, and its
// share at the far end of the view (of 32768).
struct Air {
    int32_t near, most;
};
constexpr Air kAir[AppPicture::kSkies] = {{40, 26000}, {30, 27500}, {12, 30000}, {24, 28500}};

// A small random source of the placement's own, so that placing things
// takes nothing from the game's random numbers.
uint32_t mix(uint32_t h)
{
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    return h ^ (h >> 16);
}

// Heights of the things in units (x 32768): they are scaled to it.
int32_t sizeOf(int32_t kind)
{
    switch (kind) {
    case AppPicture::kTree: return 9 * kUnit;
    case AppPicture::kConifer: return 11 * kUnit;
    case AppPicture::kHouse: return 8 * kUnit;
    case AppPicture::kFence: return kUnit * 3 / 2;
    default: return kUnit * 5 / 2;
    }
}

int32_t ruinOf(int32_t kind)
{
    return kind == AppPicture::kHouse ? AppPicture::kRuin : AppPicture::kStump;
}

bool isWreck(int32_t kind)
{
    return kind == AppPicture::kRuin || kind == AppPicture::kStump;
}

} // namespace

struct Scenery::Placer {
    explicit Placer(uint32_t seed) : state(mix(seed) | 1) {}
    uint32_t next() { return state = mix(state + 0x9E3779B9u); }
    // 0 .. n - 1.
    int32_t below(int32_t n) { return n > 0 ? static_cast<int32_t>(next() % static_cast<uint32_t>(n)) : 0; }
    // -r .. r.
    int32_t around(int32_t r) { return below(2 * r + 1) - r; }
    uint32_t state;
};

int32_t Scenery::skyOf(int32_t mapX, int32_t mapY)
{
    return static_cast<int32_t>(mix(static_cast<uint32_t>(mapX * 131 + mapY * 7919 + 6)) % AppPicture::kSkies);
}

void Scenery::clear()
{
    for (const ref<Vsprite>& s : m_things)
        if (s->m_parent)
            s->m_parent->remove(s);
    m_things.clear();
}

void Scenery::add(Vterrain& view, const Vbattlefield& field, int32_t kind, int32_t x, int32_t z, int32_t size)
{
    if (static_cast<int32_t>(m_things.size()) >= kMost)
        return;
    x &= kMapSize - 1;
    z &= kMapSize - 1;
    const int32_t ground = field.groundClass(x, z);
    // Nothing in the water, the crops or on bare rock; only bushes in the marsh.
    if (ground < 0 || ground == VpolyTerrain::kWater || ground == VpolyTerrain::kWheat ||
        ground == VpolyTerrain::kRock || (ground == VpolyTerrain::kMarsh && kind != AppPicture::kBush))
        return;
    ref<Vpicture> p = m_lib->loadPicture(kind);
    if (!p || p->m_height <= 0)
        return;
    ref<Vsprite> s = new Vsprite;
    s->setImage(m_lib, kind);
    s->m_scale = size / p->m_height;
    // Sunk a little, so that it stands in a slope rather than over it.
    s->setWxyz(x, field.height(x, z) - kUnit / 4, z);
    view.add(s);
    m_things.push_back(s);
}

void Scenery::dress(Vterrain& view, const ref<Vilib>& lib, const Vbattlefield& field, int32_t mapX, int32_t mapY,
                    int32_t stripX, int32_t stripWidth)
{
    clear();
    m_lib = lib;
    if (!lib)
        return;
    const int32_t sky = skyOf(mapX, mapY);
    view.setSkyPanorama(*lib, AppPicture::kSky + sky);
    view.setHaze(view.horizonColour(), kAir[sky].near, kAir[sky].most);
    view.hazeChildren(lib, AppPicture::kThing, AppPicture::kThings);

    Placer r(static_cast<uint32_t>(mapX * 977 + mapY * 131 + 17));
    auto jitter = [&r](int32_t size) { return size + size / 100 * r.around(15); };
    // Whether (x, z) lies by a field or a track: the woods and hedges grow
    // along them and the houses stand by them.
    auto byField = [&field](int32_t x, int32_t z) {
        for (int32_t k = 0; k < 4; k++) {
            const int32_t g = field.groundClass(x + (k & 1 ? 8 : -8) * kUnit, z + (k & 2 ? 8 : -8) * kUnit);
            if (g == VpolyTerrain::kWheat || g == VpolyTerrain::kEarth)
                return true;
        }
        return false;
    };
    for (int32_t tries = 0; tries < kTries && count() < kMost; tries++) {
        const int32_t x = stripX + r.below(stripWidth / kUnit) * kUnit, z = r.below(512) * kUnit;
        const int32_t ground = field.groundClass(x, z);
        if (ground != VpolyTerrain::kGrass && ground != VpolyTerrain::kHeath && ground != VpolyTerrain::kEarth)
            continue;
        const bool edge = byField(x, z);
        const int32_t roll = r.below(100);
        if (roll < 35 && (edge || ground == VpolyTerrain::kHeath)) {
            // A wood: broad-leaved trees and firs, bushes at its rim.
            for (int32_t n = 6 + r.below(12); n > 0; n--) {
                const int32_t dx = r.around(12) * kUnit, dz = r.around(12) * kUnit;
                const bool rim = std::max(std::abs(dx), std::abs(dz)) > 9 * kUnit;
                const int32_t kind = rim ? AppPicture::kBush : r.below(3) == 0 ? AppPicture::kConifer : AppPicture::kTree;
                add(view, field, kind, x + dx, z + dz, jitter(sizeOf(kind)));
            }
        } else if (roll < 55 && edge) {
            // A hedgerow along the field, a segment every 7 units.
            const int32_t sx = r.around(7), sz = r.around(7);
            for (int32_t n = 5 + r.below(6), i = 0; i < n; i++)
                add(view, field, AppPicture::kHedge, x + i * sx * kUnit, z + i * sz * kUnit, jitter(sizeOf(AppPicture::kHedge)));
        } else if (roll < 68 && edge && ground != VpolyTerrain::kHeath) {
            // A hamlet by the track: a few houses with fences by them.
            for (int32_t n = 2 + r.below(3), i = 0; i < n; i++) {
                const int32_t hx = x + r.around(16) * kUnit, hz = z + r.around(16) * kUnit;
                add(view, field, AppPicture::kHouse, hx, hz, jitter(sizeOf(AppPicture::kHouse)));
                add(view, field, AppPicture::kFence, hx + 7 * kUnit, hz + r.around(4) * kUnit, sizeOf(AppPicture::kFence));
            }
        } else if (roll >= 68) {
            for (int32_t n = 1 + r.below(3); n > 0; n--) {
                const int32_t kind = r.below(3) == 0 ? AppPicture::kTree : AppPicture::kBush;
                // Drawn one by one, in the order battles have always placed
                // them: in a call's arguments the compiler picks the order.
                const int32_t size = jitter(sizeOf(kind));
                const int32_t dz = r.around(6) * kUnit;
                const int32_t dx = r.around(6) * kUnit;
                add(view, field, kind, x + dx, z + dz, size);
            }
        }
    }
}

void Scenery::tick(const Vphysics& world)
{
    for (Vphob* b = world.first().get(); b; b = b->m_nextBody.get()) {
        Shell* shell = dynamic_cast<Shell*>(b);
        // A shell that burst: it has stopped and no longer falls.
        if (!shell || shell->m_gravity != 0 || !shell->isLinked())
            continue;
        for (int32_t i = 0; i < count(); i++) {
            const Vsprite& s = *m_things[static_cast<std::size_t>(i)];
            if (std::abs(s.m_wx - shell->m_wx) <= kRuinReach && std::abs(s.m_wz - shell->m_wz) <= kRuinReach)
                ruin(i);
        }
    }
}

std::vector<int32_t> Scenery::ruined() const
{
    std::vector<int32_t> out;
    for (int32_t i = 0; i < count(); i++)
        if (isWreck(m_things[static_cast<std::size_t>(i)]->m_image))
            out.push_back(i);
    return out;
}

void Scenery::ruin(int32_t index)
{
    if (index < 0 || index >= count() || isWreck(m_things[static_cast<std::size_t>(index)]->m_image))
        return;
    Vsprite& s = *m_things[static_cast<std::size_t>(index)];
    const int32_t kind = s.m_image;
    // The wreck keeps the size of what it was.
    const int32_t height = s.m_height;
    s.setImage(ruinOf(kind));
    if (ref<Vpicture> p = m_lib->loadPicture(ruinOf(kind)); p && kind != AppPicture::kHouse)
        s.m_scale = s.m_scale * height / std::max<int32_t>(p->m_height, 1) / 3;
}
