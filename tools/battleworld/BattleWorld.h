#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "BattleClock.h"
#include "BattleLayout.h"
#include "BattleView.h"
#include "game/Campaign.h"
#include "game/Tank.h"
#include "game/Truck.h"
#include "game/VehicleBuilds.h"
#include "physics/Vbattlefield.h"
#include "physics/Vphysics.h"
#include "render3d/V3dLibrary.h"
#include "runtime/ref.h"
#include "scene/Vilib.h"
#include "terrain/VpolyTerrain.h"
#include "terrain/Vterrain.h"

// A battle without the game around it: the engine's terrain made from the
// hand-made layout of BattleLayout (with the game's image library and models
// from the data folder), a 3D view with the terrain view inside it as the
// game sets them up, a physics world, and a clock of its own that also seeds
// the random numbers. Vehicles are put into play the way the game does it;
// the world then runs for any stretch of game time, rendering or not.
//
// Its vehicles count their enemies in a campaign of its own (five to destroy,
// coming from the east).
class BattleWorld {
public:
    static constexpr int32_t kUnit = 32768;
    static constexpr int32_t kFrameMs = 64;

    // seed: the clock's start, which seeds the random numbers. The view is
    // width x height pixels; its camera starts over the plain.
    explicit BattleWorld(int32_t seed, int32_t width = 480, int32_t height = 320);
    ~BattleWorld();
    BattleWorld(const BattleWorld&) = delete;
    BattleWorld& operator=(const BattleWorld&) = delete;

    // A vehicle at (x, z) units facing heading, on the ground, in the view
    // and in the world. The player's has no target; an enemy pursues target.
    ref<Tank> player(const VehicleBuild& build, int32_t x, int32_t z, int32_t heading);
    ref<Tank> enemy(const VehicleBuild& build, const ref<Tank>& target, int32_t x, int32_t z, int32_t heading);
    // The supply truck, waiting off the field as a battle starts it.
    ref<Truck> truck(const ref<Tank>& target);

    // One frame of ms: the world steps and the clock moves on.
    void step(int32_t ms = kFrameMs);
    // Frames of 64 ms for ms of game time; rendering each when asked.
    void run(int32_t ms, bool render = false);
    // The game's chase camera behind t (over it when it aims).
    void chase(Tank& t);
    // A camera at (x, y, z) (fixed) looking along heading, level.
    void look(int32_t x, int32_t y, int32_t z, int32_t heading);
    // Draws what changed since the last frame.
    void render();
    bool writePng(const std::string& path) const;

    // The data folder the world reads the library and the models from.
    static std::string dataDir();

    std::unique_ptr<BattleClock> m_clock;
    ref<BattleView> m_view;
    ref<Vterrain> m_terrain;
    ref<VpolyTerrain> m_ground;
    ref<Vbattlefield> m_field; // m_ground seen by m_terrain: the ground of the bodies
    ref<Vilib> m_lib;
    ref<V3dLibrary> m_models; // the view's
    ref<Vphysics> m_physics;
    ref<Campaign> m_campaign; // the enemy count and side of its vehicles
    int32_t m_elapsed = 0; // ms of game time

private:
    ref<Tank> vehicle(const ref<Tank>& t, const VehicleBuild& build, int32_t maxDamage, int32_t x, int32_t z,
                      int32_t heading);
    std::string m_oldResources;
    // Every vehicle put into play: each holds its parts and they hold it, so
    // the world takes them apart when it goes, in play or not.
    std::vector<ref<Tank>> m_vehicles;
};
