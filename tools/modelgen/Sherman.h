#pragma once
#include "ModelSet.h"

// The M4 Sherman: tall hull with sponsons and a sloped glacis over a rounded
// transmission cover, rounded cast turret, short 75 mm gun in a rotor
// mantlet, three bogies of paired road wheels a side; olive drab with white
// stars.
class Sherman {
public:
    static void build(ModelSet& set);
};
