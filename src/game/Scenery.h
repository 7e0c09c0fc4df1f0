#pragma once
#include <cstdint>
#include <vector>

#include "runtime/Object.h"
#include "runtime/ref.h"
#include "scene/Vilib.h"
#include "scene/Vsprite.h"

class Vbattlefield;
class Vphysics;
class Vterrain;

// The look of a battle's site: the sky and its haze, and the trees,
// bushes, hedgerows, houses and fences standing on the land. All of it
// follows from the site alone, so a resumed battle is placed anew; only the
// things shells ruined are kept (in the battle file). The things are
// pictures in the terrain view, hidden by the ground in front of them; they
// are not obstacles (tanks and shells pass through), but a shell bursting at
// one leaves a ruin or a stump.
class Scenery : public Object {
public:
    // The things hold the view as their parent and the view holds them:
    // the scenery breaks that ring when it goes.
    ~Scenery() override { clear(); }

    // Which sky (AppPicture::kSky + the result) a site has.
    static int32_t skyOf(int32_t mapX, int32_t mapY);

    // Sets the view's sky and haze for the site and places its things in
    // the strip x .. x + width (whole map height), replacing the last ones.
    void dress(Vterrain& view, const ref<Vilib>& lib, const Vbattlefield& field, int32_t mapX, int32_t mapY,
               int32_t stripX, int32_t stripWidth);
    // Takes the things out of the view.
    void clear();
    // Bursts of shells near a thing ruin it.
    void tick(const Vphysics& world);
    // The things that are ruins or stumps, by their index in things().
    std::vector<int32_t> ruined() const;
    // Leaves thing index a ruin or a stump; one that is already a wreck, or
    // an index past the things, is left alone.
    void ruin(int32_t index);

    int32_t count() const { return static_cast<int32_t>(m_things.size()); }
    const std::vector<ref<Vsprite>>& things() const { return m_things; }

    static constexpr int32_t kMost = 480; // things per battle at most

private:
    struct Placer;
    void add(Vterrain& view, const Vbattlefield& field, int32_t kind, int32_t x, int32_t z, int32_t size);

    std::vector<ref<Vsprite>> m_things;
    ref<Vilib> m_lib;
};
