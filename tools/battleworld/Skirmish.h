#pragma once
#include <cstdint>

#include "BattleWorld.h"

// A busy battle on the test battlefield, for the benchmarks and the
// determinism tests: the player's Sherman driving in circles, a Tiger, a
// T-34 and a Sherman fighting it, the supply truck about, and shells kept in
// the air. The player is kept in the fight (its armour topped up) and the
// enemy count high, so the battle never ends.
class Skirmish {
public:
    explicit Skirmish(BattleWorld& w);

    // One 64 ms frame: tops the shells in flight up to shells (firing from
    // the vehicles in turn), gives the player its key, steps the world.
    void frame(int32_t shells);
    int32_t shellsFlying() const;
    // A digest of the state of every body in the world.
    uint64_t digest() const;

    BattleWorld& m_world;
    ref<Tank> m_player;
    ref<Tank> m_enemies[3];
    ref<Truck> m_truck;
    int32_t m_frames = 0;
    int32_t m_nextGun = 0;
};
