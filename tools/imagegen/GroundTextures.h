#pragma once
#include <cstdint>

#include "ImageLibraryWriter.h"

// The 64 x 64 seamless ground tiles, one per ground class: 0 water, 1 marsh,
// 2 grass, 3 heath, 4 ploughed earth, 5 rock or road, 6 wheat. Land sites
// look like high summer; river sites like a wet late autumn.
class GroundTextures {
public:
    static constexpr int32_t kSize = 64;
    static constexpr int32_t kClasses = 7;

    static SourcePicture land(int32_t groundClass);
    static SourcePicture river(int32_t groundClass);
};
