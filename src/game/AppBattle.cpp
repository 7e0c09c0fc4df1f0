// The forces and the ground of a battle: the terrain of the site, the start
// spot, the player's tank, the enemies and the supply truck.
#include <cstdlib>

#include "game/App.h"
#include "game/AppPicture.h"
#include "game/VehicleBuilds.h"
#include "render3d/V3dModel.h"
#include "terrain/Vswf.h"

namespace {

constexpr int32_t kUnit = Tank::kUnit;
constexpr int32_t kEyeHeight = 0x5D53E;  // the terrain camera over the ground, 11.67
constexpr int32_t kFlatEnough = 0x2AA7;  // a third of a unit between two heights
constexpr int32_t kFirstContact = 60;    // units ahead where the first enemy stands
// Map columns from here on are river sites.
constexpr int32_t kRiverColumn = 10;

} // namespace

ref<Tank> App::tankInit(int32_t kind, int32_t last)
{
    ref<Tank> t = new Tank;
    if (t)
        t->init(this, m_lib, vehicleBuild(kind), last);
    return t;
}

int32_t App::enemyKind(int32_t side, int32_t mapX)
{
    // Germans meet Shermans in the west and T-34s in the east; everyone
    // else meets Tigers.
    if (side == 2)
        return mapX < 6 ? 1 : 3;
    return 2;
}

int32_t App::enemyTotal(int32_t front, int32_t level)
{
    return std::abs(5 - front) + 5 + 5 * level;
}

void App::tankEnemy()
{
    ref<Tank> t = tankInit(enemyKind(m_side, m_mapX), 2);
    if (!t)
        return;
    radarAdd(t, kRadarEnemy);
    m_forces.push_back(t);
    m_enemy = t;
    t->m_target = m_tank;
    t->redeploy();
    // One that found no dry spot yet waits off the field and comes later.
    if (t->m_damage != -1)
        add(t);
    if (!m_physics)
        m_physics = new Vphysics;
    m_physics->add(t);
    t->poststep();
}

void App::truckInit()
{
    m_truck = new Truck;
    if (!m_truck)
        return;
    m_truck->init(this, m_lib, kTruck, 1);
    m_truck->m_target = m_tank;
    m_truck->m_damage = -1;
    m_truck->park();
    radarAdd(m_truck, kRadarTruck);
    m_forces.push_back(m_truck);
    if (!m_physics)
        m_physics = new Vphysics;
    m_physics->add(m_truck);
}

// ---- the ground ----

void App::initTerrain0()
{
    m_polyTerrain = new VpolyTerrain;
    ref<Vswf> swf = new Vswf;
    swf->make(m_polyTerrain, "layout"_s, 512, 512, 13007, 64, 0);
}

void App::initTerrain()
{
    if (!m_polyTerrain)
        initTerrain0();
    const bool river = m_mapX >= kRiverColumn;
    for (const ref<Vmenu>& m : {m_menuDrive, m_menuAim})
        if (m)
            m->setDim(river ? 0x6000 : 0x4000);
    V::m_water = river ? AppPicture::kGroundRiver : AppPicture::kGroundLand;
    m_polyTerrain->setGroundTextures(m_lib, V::m_water);
    m_polyTerrain->makeHeight();
    m_polyTerrain->setZ(0x7FFFFFFF);
    if (!m_terrain)
        m_terrain = new Vterrain(m_width, m_height, true);
    if (m_terrainThreads > 0)
        m_terrain->setThreads(m_terrainThreads);
    m_terrain->setHalfResolution(m_halfTerrain);
    m_terrain->m_focal = m_focal;
    m_terrain->m_polyTerrain = m_polyTerrain;
    m_terrain->m_lib = m_lib;
    m_terrain->setHorizon(m_height >> 3);
    m_terrain->setWxyz(m_terrain->m_wx, m_polyTerrain->getHeight(0, 0) + kEyeHeight, m_terrain->m_wz);
    m_terrain->setSkyGradient(0x5995, 0x3399FF);
    m_terrain->setZ(0x7FFFFFFF);
    Vphob::m_ground = m_terrain;
}

void App::initLevel()
{
    if (!m_physics)
        m_physics = new Vphysics;
    m_physics->removeAll(m_tank);
    initTerrain();
    // The enemy's tanks decide whose textures stay loaded.
    const char* exclude = "t34";
    if (m_side == 3) {
        exclude = "sherman";
        Tank::m_dir = 3;
    } else if (m_side == 2) {
        Tank::m_dir = m_mapX > 6 ? 1 : 3;
        exclude = m_mapX < 6 ? "t34" : "sherman";
    } else {
        Tank::m_dir = 1;
    }
    // A start spot on grass, level enough to stand on, in the strip on the
    // player's side of the terrain.
    const int32_t west = Tank::m_dir == 1 ? 0x148000 : 0x878000;
    const int32_t heading = Tank::m_dir == 1 ? 0x2000 : -0x2000;
    // The generated layout always has such grass; a damaged one must not
    // hang the game, so the search gives up after many tries.
    for (int32_t tries = 0; tries < 100000; tries++) {
        const int32_t x = west + fmul(fran(), 0x640001);
        const int32_t z = 0x148000 + fmul(fran(), 0xD70001);
        m_terrain->setWxyz(x, m_terrain->m_wy, z);
        m_terrain->setHeading(heading);
        const int32_t dh = m_terrain->getHeight(x, z) - m_terrain->getHeight(x + kUnit, z + kUnit);
        if (m_polyTerrain->getTexture(x, z) == V::m_water + 2 && dh >= -kFlatEnough && dh <= kFlatEnough)
            break;
    }
    m_terrain->m_focal = m_focal;
    add(m_terrain);
    setWxyz(m_terrain->m_wx, m_terrain->m_wy, m_terrain->m_wz);
    setHorizon(0x1000);
    m_far = 0x628000;
    if (prefRead(10) == 0)
        Tank::m_enemyCount = enemyTotal(m_front, m_level);
    else
        m_terrain->setWxyz(prefRead(10) << 15, 0, prefRead(11) << 15);
    menuGameShow();
    V3dModel::textureLoad(m_lib, String::intern(exclude));
}

void App::battleSetUp()
{
    initLevel();
    Tank& t = *m_tank;
    if (t.m_turret) {
        t.m_turret->m_heading = 0;
        t.m_turret->m_pitchAngle = 0;
    }
    if (t.m_gun)
        t.m_gun->m_pitchAngle = 0;
    t.m_heading = m_terrain->getHeading();
    t.placeOnGround(m_terrain->m_wx, m_terrain->m_wz);
    t.m_velocity->m_x = t.m_velocity->m_y = t.m_velocity->m_z = 0;
    t.m_driveSpeed = 0;
    t.m_aim = false;
    t.m_key = 0;
    t.poststep();

    if (m_radar) {
        m_radar->removeAll();
    } else {
        m_radar = new Vsprite;
        m_radar->setImage(m_lib, AppPicture::kRadar);
    }
    m_radar->setXyi(m_width - 68, 4);
    add(m_radar);
    m_physics->add(m_tank);
    lookAt();
    add(m_tank);
    for (int32_t i = 0; i <= m_level; i++)
        tankEnemy();

    if (prefRead(10) == 0) {
        t.m_damage = std::min(t.m_damage, 40);
        t.m_rounds = std::max(t.m_rounds, 20);
        t.m_fuel = std::max(t.m_fuel, 0xA0000);
        // First contact: the last enemy stands 60 units away, within 30
        // degrees of straight ahead, on dry ground if a few tries find it.
        if (m_enemy) {
            Tank& e = *m_enemy;
            int32_t x = 0, z = 0;
            for (int32_t tries = 0; tries < 8; tries++) {
                const int32_t a = t.m_heading + fmul(fran(), 0x1555) - 0xAAA;
                x = t.m_wx + kFirstContact * fsin(a);
                z = t.m_wz - kFirstContact * fcos(a);
                if (!Vphob::groundWater(x, z))
                    break;
            }
            e.m_heading = Tank::wrapAngle(t.m_heading + 0x4000);
            e.placeOnGround(x, z);
            if (e.m_damage == -1) {
                e.m_damage = 0;
                e.m_timer = 10000;
                add(m_enemy);
            }
            e.m_target = m_tank;
            e.ranPosition(2730);
            e.poststep();
        }
    }
    truckInit();
    wipeLeftToRight();
}

void App::battleClear()
{
    if (m_tank)
        m_tank->pilot(nullptr);
    if (m_physics)
        m_physics->removeAll(m_tank);
    // Those that left the world by themselves (the last enemy destroyed, the
    // truck gone) are taken apart too.
    for (const ref<Tank>& t : m_forces)
        t->destroy();
    m_forces.clear();
    m_enemy = nullptr;
    m_truck = nullptr;
    if (m_radar)
        m_radar->removeAll();
}
