#include <gtest/gtest.h>

#include "actors/Actors.h"
#include "game/Flash.h"
#include "game/Hud.h"
#include "game/Tracer.h"
#include "game/Wreck.h"

// An enemy destroyed leaves its wreck where it stood: the same meshes,
// charred, burning at first and smoking all along, no target for the radar
// or the sight, until it has cooled and goes; the enemy itself waits
// off the field as before.
TEST(Wreck, ADestroyedEnemyLeavesAWreckThatBurnsSmokesAndGoes)
{
    BattleWorld w(17);
    ref<Tank> p = w.player(kSherman, 100, 256, kWest);
    w.chase(*p);
    ref<Tank> e = w.enemy(kTiger, p, 80, 256, kWest);
    const int32_t x = e->m_wx, z = e->m_wz;
    e->m_damage = e->m_maxDamage;
    w.step();
    ASSERT_EQ(bodies<Wreck>(w).size(), 1u);
    ref<Wreck> wreck = bodies<Wreck>(w)[0];
    EXPECT_TRUE(wreck->isLinked() && wreck->m_wx == x && wreck->m_wz == z);
    EXPECT_TRUE(wreck->m_soot == Wreck::kSoot && wreck->m_id != Hud::kRadarEnemy);
    int32_t meshes = 0;
    for (Vsprite* s = wreck->m_child.get(); s; s = s->m_sibling.get())
        meshes += s->m_model != nullptr;
    EXPECT_TRUE(meshes == 3 && e->parked()) << meshes; // the Tiger's turret, gun and hull

    // Flames and smoke at first; smoke only once the fire is out; then nothing.
    w.run(2000);
    EXPECT_TRUE(bodies<Tracer>(w).size() > 5 && !bodies<Flash>(w).empty());
    w.run(Wreck::kBurnMs);
    EXPECT_TRUE(bodies<Flash>(w).empty() && !bodies<Tracer>(w).empty());
    w.run(Wreck::kLifeMs);
    EXPECT_TRUE(bodies<Wreck>(w).empty() && !wreck->isLinked() && !wreck->m_child) << "gone and taken apart";
}
