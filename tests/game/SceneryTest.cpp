#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>
#include <vector>

#include "TerrainScene.h"
#include "data/DataFiles.h"
#include "game/AppPicture.h"
#include "game/Scenery.h"
#include "game/Shell.h"
#include "physics/Vbattlefield.h"
#include "physics/Vphysics.h"
#include "runtime/InputStream.h"
#include "terrain/VpolyTerrain.h"

namespace {

constexpr int32_t kUnit = 32768;

// Where the things of a site stand, and what they are.
std::set<std::tuple<int32_t, int32_t, int32_t>> placed(const Scenery& s)
{
    std::set<std::tuple<int32_t, int32_t, int32_t>> out;
    for (const ref<Vsprite>& t : s.things())
        out.emplace(t->m_wx, t->m_wz, t->m_image);
    return out;
}

} // namespace

// A site's things look the same every time, with nothing in the water or the
// crops; a shell bursting by one leaves a wreck.
TEST(Scenery, ASiteLooksTheSameEveryTimeAndABurstByAThingLeavesAWreck)
{
    TerrainScene scene(dataDir(), false);
    ref<Vterrain> view = scene.view(64, 48, 100 * kUnit, 100 * kUnit, 0);
    ref<Scenery> first = new Scenery, again = new Scenery, other = new Scenery;
    first->dress(*view, scene.m_lib, *scene.m_field, 2, 6, 0, 280 * kUnit);
    EXPECT_GE(first->count(), 200) << "a few hundred things";
    EXPECT_LE(first->count(), Scenery::kMost);
    EXPECT_NE(view->horizonColour(), 0) << "the site's sky is up";
    EXPECT_GT(view->hazeAt(150), 0) << "and its haze";
    int32_t kinds = 0;
    for (int32_t k = AppPicture::kThing; k < AppPicture::kThing + AppPicture::kThings; k++)
        for (const ref<Vsprite>& t : first->things())
            if (t->m_image == k) {
                kinds++;
                break;
            }
    EXPECT_GE(kinds, 5) << "woods, hedges, houses, fences, bushes";
    for (const ref<Vsprite>& t : first->things()) {
        const int32_t g = scene.m_field->groundClass(t->m_wx, t->m_wz);
        EXPECT_NE(g, VpolyTerrain::kWater);
        EXPECT_NE(g, VpolyTerrain::kWheat);
        EXPECT_TRUE(t->m_parent.get() == view.get()) << "a picture in the terrain view";
        EXPECT_LT(std::abs(t->m_wy - scene.m_field->height(t->m_wx, t->m_wz)), kUnit) << "on the ground";
    }
    ref<Vterrain> view2 = scene.view(64, 48, 300 * kUnit, 50 * kUnit, 0x1234);
    again->dress(*view2, scene.m_lib, *scene.m_field, 2, 6, 0, 280 * kUnit);
    EXPECT_EQ(placed(*first), placed(*again)) << "the site alone decides";
    other->dress(*view2, scene.m_lib, *scene.m_field, 10, 4, 0, 280 * kUnit);
    EXPECT_NE(placed(*first), placed(*other));
    other->clear();
    EXPECT_EQ(other->count(), 0);

    // A burst by a house ruins it and little else, and leaves a single wreck
    // however long it lasts: a ruin is not ruined again into a stump.
    Scenery* scenery = first.get();
    int32_t target = -1;
    for (int32_t i = 0; i < scenery->count() && target < 0; i++)
        if (scenery->things()[static_cast<std::size_t>(i)]->m_image == AppPicture::kHouse)
            target = i;
    ASSERT_GE(target, 0);
    const Vsprite& house = *scenery->things()[static_cast<std::size_t>(target)];
    const int32_t scale = house.m_scale;
    ref<Vphysics> world = new Vphysics;
    ref<Vsprite> parent = new Vsprite;
    ref<Shell> shell = Shell::create();
    shell->m_gravity = 0; // burst, as a shell that hit is
    shell->setWxyz(house.m_wx + kUnit, house.m_wy, house.m_wz);
    parent->add(shell);
    world->add(shell);
    for (int32_t tick = 0; tick < 2; tick++)
        scenery->tick(*world);
    world->removeAll(nullptr);
    EXPECT_EQ(house.m_image, AppPicture::kRuin);
    EXPECT_EQ(house.m_scale, scale) << "a house's ruin keeps its scale";
    const std::vector<int32_t> wrecks = scenery->ruined();
    EXPECT_NE(std::find(wrecks.begin(), wrecks.end(), target), wrecks.end());
    EXPECT_LT(wrecks.size(), 10u) << "only those by the burst";
    InputStream::setResourceDir(".");
}
