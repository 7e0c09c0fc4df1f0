#pragma once
#include <cstdint>

#include "ImageLibraryWriter.h"

// The full-screen pictures: the splash screen with the title, the
// end-of-campaign battlefield and the victory overlay drawn over it; and the
// window icon, the splash's tank against its evening sky, drawn at any size
// (the window's is kIconSize, the desktop's icon theme wants several).
class ScenePictures {
public:
    static constexpr int32_t kWidth = 480;
    static constexpr int32_t kHeight = 320;
    static constexpr int32_t kIconSize = 64;

    static SourcePicture splash();
    static SourcePicture battlefield();
    static SourcePicture victory();
    static SourcePicture windowIcon(int32_t size = kIconSize);
};
