#pragma once
#include "ModelSet.h"

// The T-34: sloped armour all round (long glacis, raked sides and rear),
// the hexagonal turret set forward with its two round roof hatches, wide
// tracks on five large road wheels a side; Soviet green with red stars.
class T34 {
public:
    static void build(ModelSet& set);
};
