#pragma once
#include <cstdint>

#include "ImageLibraryWriter.h"
#include "Rgb.h"

// The sky panoramas around the battlefield, one per weather: clouds seen in
// perspective over the land, the sun with its glow, and the haze band the
// land fades into at the horizon. Each is a full turn wide, laid out as
// terrain/TerrainSky.h says.
class SkyPictures {
public:
    enum Variant : int32_t { kClear, kCloudy, kOvercast, kDusk, kVariants };

    static SourcePicture sky(int32_t variant);
};
