#pragma once
#include "ModelSet.h"

// The supply truck: cab, bonnet with its grille, a canvas-covered cargo bed
// and six wheels (one front axle, two rear), all in one mesh.
class Truck {
public:
    static void build(ModelSet& set);
};
