#pragma once
#include <cstdint>
#include <vector>

#include "game/BattleCamera.h"
#include "game/Hud.h"
#include "game/Scenery.h"
#include "game/Side.h"
#include "game/Tank.h"
#include "game/Truck.h"
#include "physics/Vphysics.h"
#include "runtime/Array.h"
#include "runtime/Object.h"
#include "runtime/ref.h"
#include "terrain/VpolyTerrain.h"
#include "terrain/Vterrain.h"

class App;

// The world of the battles: the landscape (the height map, also the overhead
// view, and the perspective terrain view), the physics world, the player's
// tank, the forces and supply truck of the battle being fought, the HUD and
// the camera. It outlives each battle: a battle sets it up and clears it.
class Battle : public Object {
public:
    explicit Battle(App& app);

    // The height map from the layout; the terrain views for the site of the
    // next battle; the site, the player's start and the enemy count.
    void initTerrain0();
    void initTerrain();
    void initLevel();
    // Copies the height map as it stands into m_ground.
    void keepGround();
    // The start of a battle at the start spot the terrain camera stands on:
    // the player's tank there, the forces, the truck.
    void battleSetUp();
    // A tank of a kind, drawn in the game's view with its library, that
    // `last` hits destroy.
    ref<Tank> tankInit(TankKind kind, int32_t last);
    // One enemy tank, pursuing the player's, put into play on its side.
    void tankEnemy();
    // The battle's supply truck, waiting off the field until it is needed.
    void truckInit();
    // Takes the forces of the last battle apart, keeping the player's tank.
    void battleClear();
    // The vehicles fade into the land's haze by their distance, or (over the
    // overhead map, which has none, and between battles) do not.
    void hazeVehicles(bool on);
    // The player's tank of a new side: the old one is taken apart.
    void newTank(Side side);
    // A new battle's tank: a fresh one of the campaign's side with only what
    // the campaign carries from the last (fuel, rounds, damage).
    void renewTank();
    // Empties the free lists of shells, flashes and puffs: a body used in
    // the last battle keeps some of its looks, which a replay's new ones
    // would not have.
    static void dropSpent();
    // In demo mode: points the player's tank at the nearest enemy, or at the
    // supply truck when it is needed.
    void demoPilot();
    // One tick of the battle's world: the demo's pilot and the camera while
    // the battle is fought, every body's step, the resupply from a captured
    // truck. The world moves in ticks of the same length whatever the frame
    // rate, so a battle plays the same at any.
    void tick(bool fighting);
    // A captured truck hands over fuel, rounds and armor, a share every
    // kSupplyTick of its timer.
    void resupply();

    static constexpr int32_t kTickMs = 16;
    // Takes everything apart at the end of the game.
    void destroy();

    ref<Vphysics> m_physics;         // the bodies in play
    ref<VpolyTerrain> m_polyTerrain; // the height map; the overhead view
    ref<Vterrain> m_terrain;         // the perspective view
    ref<Tank> m_tank;                // the player's
    ref<Tank> m_enemy;               // the enemy tank created last
    ref<Truck> m_truck;              // the supply truck of the battle
    // The enemies and the truck of the battle, in play or not: each holds its
    // parts and they hold it, so the battle takes them apart when it ends.
    std::vector<ref<Tank>> m_forces;
    ref<Hud> m_hud;
    ref<BattleCamera> m_camera;
    // The height map as the battle began, before any crater: a kept battle
    // holds only the cells that differ from it.
    Array<int8_t> m_ground;
    ref<Scenery> m_scenery; // the sky, the haze and what stands on the land

private:
    App& m_app;
};
