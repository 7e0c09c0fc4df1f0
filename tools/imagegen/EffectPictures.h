#pragma once
#include <cstdint>

#include "ImageLibraryWriter.h"

// The shell, its smoke puffs and the explosion animation, drawn as
// billboards in the 3D world. The hot spot of every frame is the point that
// sits on the impact (or the muzzle), so the fireball grows up from it.
class EffectPictures {
public:
    static constexpr int32_t kPuffSize = 32;
    static constexpr int32_t kFrameWidth = 64;
    static constexpr int32_t kFrameHeight = 72;
    static constexpr int32_t kFrames = 12;  // pictures 17 .. 28
    static constexpr int32_t kHotX = 32;
    static constexpr int32_t kHotY = 56;

    static SourcePicture puff();
    // Frame 0 .. 11 of the explosion: 0 the first flash, 11 the last wisp.
    static SourcePicture explosion(int32_t frame);
};
