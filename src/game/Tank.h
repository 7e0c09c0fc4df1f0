#pragma once
#include <cstdint>

#include "game/ActionMap.h"
#include "game/VehicleBuilds.h"
#include "math/Vector.h"
#include "physics/Vphob.h"
#include "render3d/V3dView.h"
#include "runtime/String.h"
#include "runtime/ref.h"
#include "scene/Vilib.h"

// A vehicle of the battle: the player's tank, an enemy tank, and (through
// Truck) the supply truck. It is a body of the physics world and a group in
// the 3D view whose children are the parts of its model (turret, gun, hull,
// tracks). Each step it takes its commands (the player's key, or its own
// pursuit and gunnery when it has a target), turns hull or turret, lays the
// gun, drives, fires, burns fuel, rests on the ground at four corners and
// reacts to hits and bumps.
//
// Angles: 32768 a turn; heading 0 faces -z, forward is (sin, 0, -cos). The
// sprite's m_heading, m_pitchAngle and m_roll are the hull's orientation; the
// turret sprite's m_heading is the turret's, the gun sprite's m_pitchAngle the
// gun's (negative raises it). Times in ms unless named otherwise.
class Campaign;
class Shell;
class Trajectory;

class Tank : public Vphob {
public:
    Tank();
    ~Tank() override;

    // Shell hits (damage, a hop and a jolt) and bumps with other vehicles
    // (an elastic exchange of the closing speed). Never shortens the step.
    int32_t collisionCheckObject(const ref<Vphob>& other, int32_t dt) override;
    // Rests the vehicle on the ground at its four corners and poses the parts.
    void poststep() override;
    bool prestep(int32_t dt) override;

    // A child sprite showing the named mesh (scaled once), placed at the
    // mesh's offset; an empty child when the mesh is missing.
    virtual ref<Vsprite> add3d(const ref<String>& name, int32_t scale);
    // Whether the way 7 units ahead along angle is water, or too steep.
    virtual bool obstacleCheck(int32_t angle);
    // Draws a new destination near the target and a new engage distance;
    // false (and the destination unchanged) when every spot tried was water.
    virtual bool ranPosition(int32_t spread);
    // Puts the vehicle back into play at a new spot near the target.
    virtual void redeploy();

    void init(const ref<V3dView>& view, const ref<Vilib>& lib, const ref<String>& kind, int32_t scale, int32_t x,
              int32_t z, int32_t muzzle, int32_t gunHeight, int32_t gunPivot, int32_t maxDamage);
    // init with the meshes, scale and gun points of vehicle, at the origin.
    void init(const ref<V3dView>& view, const ref<Vilib>& lib, const VehicleBuild& vehicle, int32_t maxDamage);
    // Launches a shell from the muzzle and shows the muzzle flash.
    void fireShell();
    // The dust a shot throws up from the ground under the muzzle.
    void muzzleDust(const Shell& shell);
    // Puts s at the muzzle, flying along the gun at the muzzle speed: the
    // start of a shot, fired or foreseen by the sight.
    void launch(Shell& s);
    // Whether the enemy must not fire at its target yet.
    bool holdsFire() const;
    // The error of an enemy's shot now: a random turn of the turret within
    // the Easy spread, or 0.
    int32_t shotError();
    // Whether the player could see this vehicle now (always, for the player's):
    // on the screen and not behind the ground.
    bool anybodyLooking();
    // Whether the vehicle is on the player's screen now, from where the
    // camera stands (not where the last frame drew it), so that what a tank
    // does never depends on when a frame was drawn.
    bool seen();
    // Sets the matrices of hull, turret and gun from their angles.
    void pose();
    // Where the muzzle is now, in the world.
    void muzzle(const ref<Vector>& out);
    // The muzzle's way from the turret pivot (way) and the pivot's from the
    // origin (mount), both turned with the vehicle.
    void muzzleWay(const ref<Vector>& way, const ref<Vector>& mount);
    // Places the vehicle on the ground at (x, z).
    void placeOnGround(int32_t x, int32_t z);
    // The player's tank under the demo pilot: pursues target (an enemy to
    // fight, the truck to meet) with the enemies' own logic; null hands the
    // tank back to the keys.
    void pilot(const ref<Tank>& target);

    bool isPlayer() const { return !m_target; }
    // The heading that looks from the tank to (x, z), and how far it is.
    int32_t bearingTo(int32_t x, int32_t z, int32_t* distance = nullptr);
    int32_t turretHeading() const { return m_turret ? m_turret->m_heading : 0; }
    int32_t gunPitch() const { return m_gun ? m_gun->m_pitchAngle : 0; }

    // a as an angle in -16384 .. 16383.
    static int32_t wrapAngle(int32_t a) { return ((a + 16384) & 32767) - 16384; }
    static bool insideMap(int32_t x, int32_t z) { return x >= 0 && x < kMapSize && z >= 0 && z < kMapSize; }

    static constexpr int32_t kUnit = 32768;
    static constexpr int32_t kMapSize = 16777216;   // 512 units
    static constexpr int32_t kMaxDrive = 327660;    // 10.0 units per 1.024 s
    static constexpr int32_t kCruise = 218439;      // enemies speed up only below this
    static constexpr int32_t kSunk = -109220;       // below this a vehicle is lost
    static constexpr int32_t kWaterGravity = -89958; // sinking, a quarter of gravity
    static constexpr int32_t kGunUp = -1456, kGunDown = 910;
    static constexpr int32_t kShellSpeed = 20;      // times the muzzle distance
    // Near the end of a battle an enemy comes back from beyond the map's
    // edge; after this long it comes back wherever it can.
    static constexpr int32_t kMostOffFieldMs = 20000;
    // The first seconds of a battle belong to the player.
    static constexpr int32_t kHoldFireMs = 5000;
    // At level Easy an enemy's shot is off by up to kEasySpread (about 5
    // degrees) to either side at the start of a battle, the spread shrinking
    // evenly to nothing by kEasySpreadMs of battle.
    static constexpr int32_t kEasySpread = 455;
    static constexpr int32_t kEasySpreadMs = 120000;

    ref<V3dView> m_view;
    ref<Tank> m_target; // null for the player's tank
    // What the player asks of the tank, set by the game each frame: an action
    // pressed (taken by the next step, so it acts once), the actions held and
    // the tilt stick (32768 full to the right).
    struct Orders {
        Action press = Action::None;
        uint32_t held = 0; // a bit per Action
        int32_t tilt = 0;
        bool holds(Action a) const { return (held >> static_cast<int32_t>(a)) & 1; }
        void hold(Action a, bool on)
        {
            const uint32_t bit = 1u << static_cast<int32_t>(a);
            held = on ? held | bit : held & ~bit;
        }
    };

    bool m_aim = false;
    Orders m_orders;
    int32_t m_damage = 0; // -1: out of play, waiting to come back
    int32_t m_maxDamage = 0;
    int32_t m_rounds = 0;
    int32_t m_fuel = 0;
    int32_t m_odometer = 0;
    int32_t m_driveSpeed = 0;
    int32_t m_timer = 0;
    int32_t m_holdTime = 0;
    bool m_collided = false;
    int32_t m_destX = 0, m_destZ = 0;
    int32_t m_engage = 0;
    int32_t m_offFieldMs = 0; // how long an enemy near the end has waited to come back
    int32_t m_detourMs = 0;   // the demo's way round a tank between it and the truck, still to go
    // The player's: ms of this battle in play, and whether it has fired yet.
    // The enemies hold their fire for the first kHoldFireMs unless it has.
    int32_t m_battleMs = 0;
    bool m_fired = false;
    int32_t m_shots = 0, m_hits = 0; // the player's shells of this battle, and those that hit an enemy
    ref<Vsprite> m_turret, m_gun;
    ref<Tank> m_pilot; // what the demo pilot pursues; null while the player drives
    int32_t m_muzzle = 0;
    int32_t m_gunHeight = 0;
    int32_t m_gunPivot = 0;

    // The campaign whose enemies are counted and which tells the side the
    // enemy comes from; null outside a campaign (no count, enemies from -z).
    ref<Campaign> m_campaign;

protected:
    // What the vehicle does in one step.
    struct Commands {
        bool left = false, right = false, up = false, down = false, fire = false;
        bool aim = false; // turning keys move the turret, up and down the gun
        bool fine = false; // the gun laid at half its rate: a tap, or the start of a hold
        int32_t dms = 0;  // milliseconds the rates are applied for
    };
    enum class Life { play, wait, leave };

    void playerCommands(Commands& c);
    // The commands of the actions the player holds.
    void heldCommands(Commands& c, bool aiming);
    // The demo pilot's commands for the player's tank (TankEnemy.cpp).
    void pilotCommands(Commands& c);
    void applyCommands(const Commands& c);
    // Velocity from the drive speed while a corner rests on land.
    void drive();
    void hitBy(Vphob& shell);
    void bump(Vphob& other);
    // Out of play until m_timer reaches 0 again.
    void wait(int32_t ms);
    bool placed() const { return m_wx != 0 && !parked(); }
    void play(const char* sound, int32_t interval);

    // Enemies still to destroy in the campaign's battle; one fewer.
    int32_t enemiesLeft() const;
    void enemyDestroyed();
    // Side of the map the enemies come from: 0 -z, 1 +x, 2 +z, 3 -x.
    int32_t enemySide() const;

    // The enemy's side (TankEnemy.cpp).
    // The enemy's life in a step of ms: destroyed, waiting, back in play.
    Life enemyLife(int32_t ms);
    void enemyCommands(Commands& c);
    void repath(Commands& c, int32_t tolerance);
    // The demo's way round what keeps it from the truck: a new way to follow
    // for a while.
    void detour();
    void toDestination(Commands& c, int32_t tolerance, bool noSpeedUp);
    void engage(Commands& c, int32_t d, int32_t bearing, int32_t tolerance, bool mustMove);
    void chase(Commands& c, int32_t bearing, int32_t tolerance, bool full, bool brake);
    void aim(Commands& c, int32_t d, int32_t bearing, int32_t tolerance);
    // Turns toward a (an angle off the goal) unless within tolerance; true
    // while turning.
    static bool steer(Commands& c, int32_t a, int32_t tolerance);

    // The demo pilot lays the gun by the sight: where its shell would come
    // down against the target's distance d; 0 when it would hit.
    int32_t pilotLay(int32_t d);

    ref<Vector> m_work; // corners, muzzle
    bool m_piloting = false; // the enemy's logic is driving the player's tank
    ref<Trajectory> m_path;  // the pilot's sight
};
