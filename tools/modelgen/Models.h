#pragma once
#include "ModelFile.h"
#include "ModelSet.h"

// The whole model file of the game: the three tanks and the supply truck.
class Models {
public:
    static ModelSet build();
};
