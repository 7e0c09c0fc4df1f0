#pragma once
#include <cstdint>

#include "ImageLibraryWriter.h"
#include "game/AppPicture.h"

// What stands on the land: trees, bushes, hedgerows, houses, fences, and
// what a shell leaves of them (a ruin, a stump). Each is a picture seen
// from the side, lit from the upper left, its hot spot where it meets the
// ground (the middle of its bottom edge), in the order of game/AppPicture.h.
class ThingPictures {
public:
    enum Kind : int32_t {
        kTree = AppPicture::kTree - AppPicture::kThing,
        kConifer = AppPicture::kConifer - AppPicture::kThing,
        kBush = AppPicture::kBush - AppPicture::kThing,
        kHedge = AppPicture::kHedge - AppPicture::kThing,
        kHouse = AppPicture::kHouse - AppPicture::kThing,
        kFence = AppPicture::kFence - AppPicture::kThing,
        kRuin = AppPicture::kRuin - AppPicture::kThing,
        kStump = AppPicture::kStump - AppPicture::kThing,
    };

    static SourcePicture thing(int32_t kind);
};
