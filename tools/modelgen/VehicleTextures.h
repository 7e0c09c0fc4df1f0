#pragma once
#include <cstddef>
#include <cstdint>

// The 64 x 64 pictures of the vehicles, added by name to the image library
// "app" after its fixed pictures. Each name begins with its vehicle family's
// prefix ("sherman", "tiger", "t34", "truck"), by which a battle frees the
// textures of a family it does not show.
//
// Paint, track and canvas pictures are tiles that repeat. Star, cross and
// wheel pictures are decals: the model maps the whole picture once onto a
// square of the surface, the motif centred and the paint around it. Deck
// and mantlet pictures are decals stretched over one panel: an engine deck
// seen from above (the front at the top), a mantlet's face from the front.
enum class VehicleTexture : int32_t {
    ShermanPaint,
    ShermanStar,
    ShermanTrack,
    ShermanWheel,
    ShermanDeck,
    TigerPaint,
    TigerCross,
    TigerTrack,
    TigerWheel,
    TigerDeck,
    TigerMantlet,
    T34Paint,
    T34Star,
    T34Track,
    T34Wheel,
    T34Deck,
    TruckPaint,
    TruckCanvas,
    TruckTyre,
    TruckGrille,
    Count
};

inline const char* vehicleTextureName(VehicleTexture t)
{
    static const char* const names[] = {
        "sherman_paint", "sherman_star",  "sherman_track", "sherman_wheel", "sherman_deck",
        "tiger_paint",   "tiger_cross",   "tiger_track",   "tiger_wheel",   "tiger_deck",
        "tiger_mantlet", "t34_paint",     "t34_star",      "t34_track",     "t34_wheel",
        "t34_deck",      "truck_paint",   "truck_canvas",  "truck_tyre",    "truck_grille"};
    static_assert(sizeof names / sizeof names[0] == static_cast<std::size_t>(VehicleTexture::Count));
    return names[static_cast<int32_t>(t)];
}
