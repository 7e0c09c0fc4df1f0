#pragma once
#include <cstdint>
#include <vector>

#include "ImageLibraryWriter.h"
#include "MapPicture.h"

// The pictures of the image library "app" in index order, each with the
// encoding that suits it: JPEG for photographic pictures (with an alpha mask
// where they have soft transparency), run-length for flat icons. The indices
// are those of game/AppPicture.h; the textures of the vehicle models follow.
class AppLibrary {
public:
    struct Entry {
        SourcePicture picture{};
        PictureEncoding encoding = PictureEncoding::Jpeg;
    };

    static std::vector<Entry> pictures(const MapPicture& map);
};
