// The forces and the ground of a battle: the terrain of the site, the start
// spot, the player's tank, the enemies and the supply truck.
#include "game/Battle.h"

#include <algorithm>
#include <array>

#include "game/App.h"
#include "game/AppPicture.h"
#include "game/Flash.h"
#include "game/FreeList.h"
#include "game/Shell.h"
#include "game/Tracer.h"
#include "game/VehicleBuilds.h"
#include "physics/Vbattlefield.h"
#include "render3d/V3dLibrary.h"
#include "terrain/Vswf.h"

namespace {

constexpr int32_t kEyeHeight = 0x5D53E; // the terrain camera over the ground, 11.67
constexpr int32_t kFirstContact = 60;   // units ahead where the first enemy stands
// Map columns from here on are river sites, whose control buttons show less.
constexpr int32_t kRiverColumn = 10;
constexpr int32_t kRiverDim = 0x6000, kLandDim = 0x4000;
// The layout as the vector file draws it: 512 x 512 units, the colour table's
// first size and growth.
constexpr int32_t kLayoutSize = 512;
constexpr int32_t kLayoutColors = 13007;
constexpr int32_t kLayoutGrowth = 64;
// Where the player starts: in a strip 200 x 430 units from (41, 41), or from
// (271, 41) against an enemy from the west, facing the enemy's side.
constexpr int32_t kStartEast = 0x148000, kStartWest = 0x878000, kStartZ = 0x148000;
constexpr int32_t kStartWidth = 0x640001, kStartDepth = 0xD70001;
constexpr int32_t kStartHeading = 0x2000;
constexpr int32_t kSceneryMargin = 0x140000; // things stand this far around the start strip, 40
constexpr int32_t kStartTries = 100000; // a damaged layout must not hang the game
// A new battle starts the tank with at least this much.
constexpr int32_t kBattleDamage = 40, kBattleRounds = 20, kBattleFuel = 0xA0000;
constexpr int32_t kPlayerHits = 50, kEnemyHits = 2, kTruckHits = 1;
// What a captured truck hands over, a share each kSupplyTick of its timer.
constexpr int32_t kSupplyTick = 0x2000;
constexpr int32_t kFuelFull = 0x140000;  // 40.0
constexpr int32_t kFuelSupply = 0x4000;  // half a unit a share
constexpr int32_t kRoundsFull = 98;
constexpr int32_t kDamageLeast = 20;     // armor 30

} // namespace

Battle::Battle(App& app) : m_app(app)
{
    m_physics = new Vphysics;
    m_hud = new Hud(app);
    m_camera = new BattleCamera(app);
    m_scenery = new Scenery;
}

ref<Tank> Battle::tankInit(TankKind kind, int32_t last)
{
    ref<Tank> t = new Tank;
    if (t) {
        t->init(ref<V3dView>(&m_app), m_app.m_lib, vehicleBuild(kind), last);
        t->m_campaign = m_app.m_campaign;
    }
    return t;
}

void Battle::newTank(Side side)
{
    if (m_tank) {
        // The old one's parts and body hold each other: take it apart.
        m_tank->pilot(nullptr);
        m_tank->destroy();
    }
    m_tank = tankInit(tankOf(side), kPlayerHits);
}

void Battle::renewTank()
{
    const ref<Tank> old = m_tank;
    if (!old)
        return;
    m_tank = nullptr;
    newTank(m_app.m_campaign->m_side);
    if (m_tank) {
        m_tank->m_fuel = old->m_fuel;
        m_tank->m_rounds = old->m_rounds;
        m_tank->m_damage = old->m_damage;
    }
    old->pilot(nullptr);
    old->destroy();
}

void Battle::dropSpent()
{
    dropFree(Shell::m_free);
    dropFree(Flash::m_free);
    dropFree(Tracer::m_free);
}

void Battle::tankEnemy()
{
    const Campaign& c = *m_app.m_campaign;
    ref<Tank> t = tankInit(Campaign::enemyKind(c.m_side, c.m_mapX), kEnemyHits);
    if (!t)
        return;
    m_hud->radarAdd(t, Hud::kRadarEnemy);
    m_forces.push_back(t);
    m_enemy = t;
    t->m_target = m_tank;
    // In the world first: there it finds the battlefield.
    m_physics->add(t);
    t->redeploy();
    // One that found no dry spot yet waits off the field and comes later.
    if (t->m_damage != -1)
        m_app.add(t);
    t->poststep();
}

void Battle::truckInit()
{
    m_truck = new Truck;
    if (!m_truck)
        return;
    m_truck->init(ref<V3dView>(&m_app), m_app.m_lib, kTruck, kTruckHits);
    m_truck->m_campaign = m_app.m_campaign;
    m_truck->m_target = m_tank;
    m_truck->m_damage = -1;
    m_truck->park();
    m_hud->radarAdd(m_truck, Hud::kRadarTruck);
    m_forces.push_back(m_truck);
    m_physics->add(m_truck);
}

// ---- the ground ----

void Battle::initTerrain0()
{
    m_polyTerrain = new VpolyTerrain;
    ref<Vswf> swf = new Vswf;
    swf->make(m_polyTerrain, "layout"_s, kLayoutSize, kLayoutSize, kLayoutColors, kLayoutGrowth, 0);
}

void Battle::initTerrain()
{
    App& v = m_app;
    if (!m_polyTerrain)
        initTerrain0();
    const bool river = v.m_campaign->m_mapX >= kRiverColumn;
    for (const ref<Vmenu>& m : {m_hud->m_menuDrive, m_hud->m_menuAim})
        if (m)
            m->setDim(river ? kRiverDim : kLandDim);
    const int32_t water = river ? AppPicture::kGroundRiver : AppPicture::kGroundLand;
    m_polyTerrain->setGroundTextures(v.m_lib, water);
    m_polyTerrain->makeHeight();
    keepGround();
    m_polyTerrain->setZ(0x7FFFFFFF);
    if (!m_terrain) {
        m_terrain = new Vterrain(v.m_width, v.m_height, true);
        if (v.m_terrainThreads > 0)
            m_terrain->setThreads(v.m_terrainThreads);
        m_terrain->setHalfResolution(v.m_halfTerrain);
    }
    m_terrain->m_focal = v.m_focal;
    m_terrain->m_polyTerrain = m_polyTerrain;
    m_terrain->m_lib = v.m_lib;
    m_terrain->setHorizon(static_cast<int32_t>((static_cast<int64_t>(v.m_height) * m_camera->horizon()) >> 15));
    m_terrain->setWxyz(m_terrain->m_wx, m_polyTerrain->getHeight(0, 0) + kEyeHeight, m_terrain->m_wz);
    m_terrain->setSkyGradient(0x5995, 0x3399FF);
    m_terrain->setZ(0x7FFFFFFF);
    m_physics->m_field = new Vbattlefield(m_polyTerrain, water, m_terrain);
}

void Battle::keepGround()
{
    const Array<int8_t>& now = m_polyTerrain->m_heightMap;
    if (m_ground.length != now.length)
        m_ground = Array<int8_t>(now.length);
    if (!m_ground.empty())
        std::copy(now.a, now.a + now.length, m_ground.a);
}

void Battle::initLevel()
{
    App& v = m_app;
    Campaign& c = *v.m_campaign;
    m_physics->removeAll(m_tank);
    initTerrain();
    // The enemy's tanks decide whose textures stay loaded.
    const char* exclude = "t34";
    if (c.m_side == Side::Soviet) {
        exclude = "sherman";
        c.m_dir = Campaign::kWest;
    } else if (c.m_side == Side::German) {
        c.m_dir = c.m_mapX > Campaign::kBerlinColumn ? Campaign::kEast : Campaign::kWest;
        exclude = c.m_mapX < Campaign::kBerlinColumn ? "t34" : "sherman";
    } else {
        c.m_dir = Campaign::kEast;
    }
    // A start spot on grass, level enough to stand on, in the strip on the
    // player's side of the terrain.
    const int32_t west = c.m_dir == Campaign::kEast ? kStartEast : kStartWest;
    const int32_t heading = c.m_dir == Campaign::kEast ? kStartHeading : -kStartHeading;
    for (int32_t tries = 0; tries < kStartTries; tries++) {
        const int32_t x = west + V::fmul(v.fran(), kStartWidth);
        const int32_t z = kStartZ + V::fmul(v.fran(), kStartDepth);
        m_terrain->setWxyz(x, m_terrain->m_wy, z);
        m_terrain->setHeading(heading);
        if (m_physics->m_field->startSpot(x, z))
            break;
    }
    m_scenery->dress(*m_terrain, v.m_lib, *m_physics->m_field, c.m_mapX, c.m_mapY, west - kSceneryMargin,
                     kStartWidth + 2 * kSceneryMargin);
    hazeVehicles(true);
    m_terrain->m_focal = v.m_focal;
    v.add(m_terrain);
    v.setWxyz(m_terrain->m_wx, m_terrain->m_wy, m_terrain->m_wz);
    v.setHorizon(m_camera->horizon());
    v.m_far = BattleCamera::kFarPerspective;
    if (!c.battleInProgress())
        c.m_enemyCount = Campaign::enemyTotal(c.m_front, c.m_level);
    else
        m_terrain->setWxyz(c.prefRead(Record::kBattleX) << 15, 0, c.prefRead(Record::kBattleZ) << 15);
    m_hud->menuGameShow();
    if (v.m_models)
        v.m_models->textureLoad(v.m_lib, String::intern(exclude));
}

// ---- the forces ----

void Battle::battleSetUp()
{
    App& v = m_app;
    initLevel();
    Tank& t = *m_tank;
    if (t.m_turret) {
        t.m_turret->m_heading = 0;
        t.m_turret->m_pitchAngle = 0;
    }
    if (t.m_gun)
        t.m_gun->m_pitchAngle = 0;
    // In the world first: there it finds the battlefield.
    m_physics->add(m_tank);
    t.m_heading = m_terrain->getHeading();
    t.placeOnGround(m_terrain->m_wx, m_terrain->m_wz);
    t.m_velocity->m_x = t.m_velocity->m_y = t.m_velocity->m_z = 0;
    t.m_driveSpeed = 0;
    t.m_aim = false;
    t.m_orders = Tank::Orders();
    t.m_battleMs = 0;
    t.m_fired = false;
    t.m_shots = t.m_hits = 0;
    t.poststep();

    m_hud->radarReset();
    m_camera->lookAt();
    v.add(m_tank);
    for (int32_t i = 0; i <= v.m_campaign->m_level; i++)
        tankEnemy();

    if (!v.m_campaign->battleInProgress()) {
        t.m_damage = std::min(t.m_damage, kBattleDamage);
        t.m_rounds = std::max(t.m_rounds, kBattleRounds);
        t.m_fuel = std::max(t.m_fuel, kBattleFuel);
        // First contact: the last enemy stands 60 units away, within 30
        // degrees of straight ahead, on dry ground if a few tries find it.
        if (m_enemy) {
            Tank& e = *m_enemy;
            int32_t x = 0, z = 0;
            for (int32_t tries = 0; tries < 8; tries++) {
                const int32_t a = t.m_heading + V::fmul(v.fran(), 0x1555) - 0xAAA;
                x = t.m_wx + kFirstContact * V::fsin(a);
                z = t.m_wz - kFirstContact * V::fcos(a);
                if (!m_physics->m_field->water(x, z))
                    break;
            }
            e.m_heading = Tank::wrapAngle(t.m_heading + 0x4000);
            e.placeOnGround(x, z);
            if (e.m_damage == -1) {
                e.m_damage = 0;
                e.m_timer = 10000;
                v.add(m_enemy);
            }
            e.m_target = m_tank;
            e.ranPosition(2730);
            e.poststep();
        }
    }
    truckInit();
}

void Battle::battleClear()
{
    if (m_tank)
        m_tank->pilot(nullptr);
    m_physics->removeAll(m_tank);
    // Those that left the world by themselves (the last enemy destroyed, the
    // truck gone) are taken apart too.
    for (const ref<Tank>& t : m_forces)
        t->destroy();
    m_forces.clear();
    m_enemy = nullptr;
    m_truck = nullptr;
    if (m_hud->m_radar)
        m_hud->m_radar->removeAllStar();
    hazeVehicles(false);
}

void Battle::hazeVehicles(bool on)
{
    // The land's own rule, once per depth byte: the meshes look it up.
    std::array<int32_t, 256> shares{};
    for (int32_t d = 0; on && m_terrain && d < 256; d++)
        shares[static_cast<std::size_t>(d)] = m_terrain->hazeAt(d);
    m_app.setHaze(m_terrain ? m_terrain->hazeColour() : 0, shares);
}

void Battle::demoPilot()
{
    if (!m_tank || !m_tank->isLinked())
        return;
    ref<Tank> target;
    // The truck while supplies are short or still being handed over; a
    // truck captured and emptied has nothing left to give.
    const bool spent = m_truck && m_truck->m_captured && m_truck->m_supply == 0;
    if (m_truck && m_truck->isLinked() && !m_truck->parked() && !spent &&
        (!m_truck->playerSupplied() || m_truck->m_supply > 0)) {
        target = m_truck;
    } else {
        int32_t best = 0x7FFFFFFF;
        for (Vphob* b = m_physics->first().get(); b; b = b->m_nextBody.get()) {
            if (b->m_id != Hud::kRadarEnemy || !b->isLinked() || b->parked())
                continue;
            const int32_t d = m_tank->distApprox(ref<Vphob>(b));
            if (d < best) {
                best = d;
                target = ref_cast<Tank>(ref<Vphob>(b));
            }
        }
    }
    m_tank->pilot(target);
}

void Battle::tick(bool fighting)
{
    if (fighting && m_app.m_demo)
        demoPilot();
    m_physics->step(kTickMs);
    m_scenery->tick(*m_physics);
    resupply();
    if (fighting)
        m_camera->follow();
}

void Battle::resupply()
{
    if (!m_tank || !m_truck || m_truck->m_supply <= 0 || m_truck->m_timer <= kSupplyTick)
        return;
    Tank& t = *m_tank;
    m_truck->m_timer = 0;
    m_truck->m_supply--;
    if (t.m_fuel < kFuelFull)
        t.m_fuel += kFuelSupply;
    if (t.m_rounds < kRoundsFull)
        t.m_rounds += 2;
    if (t.m_damage > kDamageLeast)
        t.m_damage--;
}

void Battle::destroy()
{
    for (Vsprite* s : {static_cast<Vsprite*>(m_hud->m_menuDrive.get()),
                       static_cast<Vsprite*>(m_hud->m_menuAim.get()), m_hud->m_panel.get(),
                       m_hud->m_radar.get(), m_hud->m_hullArrow.get()})
        if (s)
            s->removeAllStar();
    if (m_hud->m_sight)
        m_hud->m_sight->destroy();
    // The vehicles and their parts hold each other, and each holds the view.
    battleClear();
    m_scenery->clear();
    m_physics->destroy();
    if (m_tank)
        m_tank->destroy();
    m_tank = nullptr;
}
