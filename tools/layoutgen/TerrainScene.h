#pragma once
#include <cstdint>
#include <string>

#include "physics/Vbattlefield.h"
#include "runtime/ref.h"
#include "scene/Vilib.h"
#include "terrain/VpolyTerrain.h"
#include "terrain/Vterrain.h"

// The battlefield read back through the engine the way a battle sets it up:
// the image library "app" and the layout from a data folder, the ground
// textures of a land or river site, the height map made; and terrain views
// placed like the chase camera. Used by the frame writer, the tests and the
// benchmarks.
class TerrainScene {
public:
    static constexpr int32_t kEyeHeight = 0x5D53E; // the chase camera, above the ground
    static constexpr int32_t kSky = 0x5995, kSkyBottom = 0x3399FF;

    TerrainScene(const std::string& dataDir, bool riverSite);

    // A view of w x h pixels with the game's focal length and horizon, the
    // eye kEyeHeight above the ground at (x, z) looking along heading.
    ref<Vterrain> view(int32_t w, int32_t h, int32_t x, int32_t z, int32_t heading) const;
    // Paints the whole view into its own buffer.
    static void render(Vterrain& view);
    static bool writePng(const Vterrain& view, const std::string& path);
    // Writes the top-down map (one pixel a unit) beside the height map in grey.
    bool writePreview(const std::string& path) const;

    ref<Vilib> m_lib;
    ref<VpolyTerrain> m_ground;
    // The ground as a battle's bodies meet it: water the picture 0 on land,
    // 9 on a river site.
    ref<Vbattlefield> m_field;
};
