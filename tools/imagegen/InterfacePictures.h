#pragma once
#include <cstdint>

#include "ImageLibraryWriter.h"

// Flat pictures of the game's interface: menu buttons, control icons, the
// radar scope, the campaign flags and the placeholders of unused indices.
class InterfacePictures {
public:
    static constexpr int32_t kWideButtonWidth = 200;
    static constexpr int32_t kNarrowButtonWidth = 52;
    static constexpr int32_t kButtonHeight = 34;
    static constexpr int32_t kIconSize = 40;
    static constexpr int32_t kRadarSize = 64;
    static constexpr int32_t kFlagSize = 20;

    static SourcePicture button(bool wide);

    enum class Icon { Aim, Down, Drive, Left, Menu, Right, Fire, Up, View };
    static SourcePicture icon(Icon which);

    static SourcePicture radar();

    // 0 the German side, 1 the allied powers in the east, 2 in the west.
    static SourcePicture flag(int32_t which);

    static SourcePicture spare(int32_t index);
};
