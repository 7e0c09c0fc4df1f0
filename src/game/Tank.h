#pragma once
#include <cstdint>

#include "runtime/Object.h"

// A tank of the battle. The vehicle itself (model, driving, gun, damage)
// comes with the battle; what the campaign already needs between battles are
// the two values shared by every tank of a battle.
class Tank : public Object {
public:
    // Enemy tanks still to destroy in the current battle.
    static int32_t m_enemyCount;
    // Side of the terrain the enemies come from: 1 or 3.
    static int32_t m_dir;
};
