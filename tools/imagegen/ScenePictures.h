#pragma once
#include <cstdint>

#include "ImageLibraryWriter.h"

// The full-screen pictures: the splash screen with the title, the
// end-of-campaign battlefield and the victory overlay drawn over it.
class ScenePictures {
public:
    static constexpr int32_t kWidth = 480;
    static constexpr int32_t kHeight = 320;

    static SourcePicture splash();
    static SourcePicture battlefield();
    static SourcePicture victory();
};
