#pragma once
#include <cstdint>

// The fixed indices of the pictures in the image library "app", and the
// geometry of the campaign map picture. The game draws by these numbers and
// tools/imagegen writes the library in this order, so both include this one
// header. Pictures looked up by name (the models' textures) follow kCount.
struct AppPicture {
    static constexpr int32_t kGroundLand = 0;   // 0 .. 6, one per ground class
    static constexpr int32_t kButtonWide = 7;   // menu item plates
    static constexpr int32_t kButtonNarrow = 8;
    static constexpr int32_t kGroundRiver = 9;  // 9 .. 15
    static constexpr int32_t kGroundClasses = 7;
    static constexpr int32_t kPuff = 16;
    static constexpr int32_t kExplosion = 17;   // 17 .. 28
    static constexpr int32_t kExplosionFrames = 12;
    static constexpr int32_t kFlagGerman = 29;
    static constexpr int32_t kFlagAlliedEast = 30;
    static constexpr int32_t kFlagAlliedWest = 31;
    static constexpr int32_t kIconAim = 32;
    static constexpr int32_t kIconDown = 33;
    static constexpr int32_t kIconDrive = 34;   // a cross: also the close button
    static constexpr int32_t kIconLeft = 35;
    static constexpr int32_t kIconMenu = 36;
    static constexpr int32_t kIconRight = 37;
    static constexpr int32_t kIconFire = 38;
    static constexpr int32_t kIconUp = 39;
    static constexpr int32_t kIconView = 40;
    static constexpr int32_t kMap = 41;
    static constexpr int32_t kBattlefield = 42; // the end of a campaign
    static constexpr int32_t kVictory = 43;     // drawn over kBattlefield
    static constexpr int32_t kRadar = 44;
    static constexpr int32_t kSpare = 45;       // 45 .. 48, not used
    static constexpr int32_t kSplash = 49;
    static constexpr int32_t kSky = 50;         // 50 .. 53: clear, cloudy, overcast, dusk
    static constexpr int32_t kSkies = 4;
    static constexpr int32_t kSkyDusk = 3;
    // 54 .. 61, what stands on the land: tree, conifer, bush, hedge, house,
    // fence, and what a shell leaves of them: ruin, stump.
    static constexpr int32_t kThing = 54;
    static constexpr int32_t kThings = 8;
    static constexpr int32_t kTree = 54, kConifer = 55, kBush = 56, kHedge = 57, kHouse = 58, kFence = 59;
    static constexpr int32_t kRuin = 60, kStump = 61;
    static constexpr int32_t kCount = 62;

    // The campaign map: a grid of cells of kMapCell pixels. The picture reaches kMapMargin pixels beyond the grid on every
    // side, so that the capitals, flags and names at its edges are not cut.
    static constexpr int32_t kMapCell = 20;
    static constexpr int32_t kMapWidth = 320;
    static constexpr int32_t kMapHeight = 240;
    static constexpr int32_t kMapMargin = 8;
};
