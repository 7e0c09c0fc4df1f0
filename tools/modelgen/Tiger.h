#pragma once
#include "ModelSet.h"

// The Tiger: slab-sided box hull over wide tracks and overlapping road
// wheels (carried by the hull mesh), a big box turret with a flat mantlet,
// the long 88 mm gun with its muzzle brake; three-tone camouflage and black
// crosses.
class Tiger {
public:
    static void build(ModelSet& set);
};
