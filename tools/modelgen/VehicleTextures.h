#pragma once
#include <cstdint>

// The 64 x 64 pictures of the vehicles, added by name to the image library
// "app" after its fixed pictures. Each name begins with its vehicle family's
// prefix ("sherman", "tiger", "t34", "truck"), by which a battle frees the
// textures of a family it does not show.
//
// Paint, track and canvas pictures are tiles that repeat. Star, cross and
// wheel pictures are decals: the model maps the whole picture once onto a
// square of the surface, the motif centred and the paint around it.
enum class VehicleTexture : int32_t {
    ShermanPaint,
    ShermanStar,
    ShermanTrack,
    ShermanWheel,
    TigerPaint,
    TigerCross,
    TigerTrack,
    TigerWheel,
    T34Paint,
    T34Star,
    T34Track,
    T34Wheel,
    TruckPaint,
    TruckCanvas,
    TruckTyre,
    TruckGrille,
    Count
};

inline const char* vehicleTextureName(VehicleTexture t)
{
    static const char* const names[] = {
        "sherman_paint", "sherman_star", "sherman_track", "sherman_wheel", "tiger_paint", "tiger_cross",
        "tiger_track",   "tiger_wheel",  "t34_paint",     "t34_star",      "t34_track",   "t34_wheel",
        "truck_paint",   "truck_canvas", "truck_tyre",    "truck_grille"};
    return names[static_cast<int32_t>(t)];
}
