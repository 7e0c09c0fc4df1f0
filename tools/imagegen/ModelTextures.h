#pragma once
#include <vector>

#include "ImageLibraryWriter.h"
#include "VehicleTextures.h"

// The 64 x 64 pictures of the vehicle models (see VehicleTextures.h): paint
// tiles, track links, canvas, and decals of markings, road wheels and the
// truck's grille. Pictures are bright: the renderer lights a vertical side at
// half the brightness of a roof.
class ModelTextures {
public:
    static constexpr int32_t kSize = 64;

    static SourcePicture picture(VehicleTexture t);
    // Every picture, in the order of VehicleTexture.
    static std::vector<SourcePicture> all();
};
