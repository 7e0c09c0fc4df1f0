#include <gtest/gtest.h>

#include "BattleWorld.h"
#include "physics/Vbattlefield.h"
#include "physics/Vphysics.h"

namespace {

constexpr int32_t kUnit = 32768;
constexpr int32_t kPlain = BattleLayout::kPlainHeight * 4096;

// A body finds the ground through the world it is in: the field of that
// world, flat land at 0 outside any world, the other field when it moves on.
// Start spots are level grass. A crater lowers the map and has the view
// repaint; a blast in the air changes nothing.
TEST(Battlefield, BodiesStandOnTheFieldOfTheirWorldWhichGivesStartSpotsAndCraters)
{
    BattleWorld w(1);
    const int32_t x = 100 * kUnit, z = 256 * kUnit;
    const int32_t lakeX = BattleLayout::kLakeX * kUnit, lakeZ = BattleLayout::kLakeZ * kUnit;
    ref<Vphob> b = new Vphob;
    EXPECT_TRUE(b->groundHeight(x, z) == 0 && !b->groundWater(lakeX, lakeZ));
    w.m_physics->add(b);
    EXPECT_EQ(b->ground(), w.m_field.get());
    EXPECT_TRUE(b->groundHeight(x, z) == kPlain && b->groundCell(x, z) == BattleLayout::kPlainHeight);
    EXPECT_TRUE(b->groundWater(lakeX, lakeZ) && !b->groundWater(x, z));

    // Another world on the same map whose water is the grass.
    ref<Vphysics> other = new Vphysics;
    other->m_field = new Vbattlefield(w.m_ground, VpolyTerrain::kGrass, nullptr);
    other->add(b);
    EXPECT_TRUE(b->groundWater(x, z) && !b->groundWater(lakeX, lakeZ));
    EXPECT_TRUE(w.m_field->groundClass(x, z) == VpolyTerrain::kGrass && other->m_field->groundClass(x, z) == VpolyTerrain::kWater);
    other->remove(b);
    EXPECT_TRUE(b->ground() == nullptr && b->groundHeight(x, z) == 0);

    Vbattlefield& f = *w.m_field;
    EXPECT_TRUE(f.startSpot(x, z) && f.startSpot(300 * kUnit, z)) << "the plain and the ridge's flat top";
    EXPECT_FALSE(f.startSpot(lakeX, lakeZ));

    w.m_terrain->m_changed = false;
    f.dig(x, kPlain + 20 * kUnit, z, 65532);
    EXPECT_TRUE(!w.m_terrain->m_changed && f.height(x, z) == kPlain) << "a blast in the air";
    f.dig(x, kPlain, z, 65532);
    EXPECT_TRUE(w.m_terrain->m_changed && f.height(x, z) < kPlain);
    EXPECT_EQ(f.viewHeading(), w.m_terrain->getHeading());
}

} // namespace
