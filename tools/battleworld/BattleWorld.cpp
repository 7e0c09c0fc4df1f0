#include "BattleWorld.h"

#include <filesystem>
#include <fstream>

#include "Png.h"
#include "ScratchFolder.h"
#include "host/Vdisplay.h"
#include "math/V.h"
#include "runtime/InputStream.h"
#include "terrain/Vswf.h"

namespace {

// The layout, written where the shape reader finds it and read back.
void readLayout(const ref<VpolyTerrain>& ground)
{
    ScratchFolder folder("world");
    const std::filesystem::path& dir = folder.path();
    std::vector<uint8_t> bytes = BattleLayout::build();
    std::ofstream(dir / "layout", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::string resources = InputStream::resourceDir();
    InputStream::setResourceDir(dir.string());
    ref<Vswf> swf = new Vswf;
    swf->make(ground, "layout"_s, 512, 512, 13007, 64, 0);
    InputStream::setResourceDir(resources);
}

} // namespace

std::string BattleWorld::dataDir()
{
    return KORVATH_WORLD_DATA;
}

BattleWorld::BattleWorld(int32_t seed, int32_t width, int32_t height)
{
    if (V::m_fsin.empty())
        V::fsinInit();
    // The random numbers seed themselves from the low 16 bits of the clock
    // at their first use; above them, a clock far from 0 lets the first
    // sounds play (a sound is kept back within its interval of the last).
    m_clock = std::make_unique<BattleClock>(0x1000000 + (seed & 0xFFFF));
    V::m_ranbuf = Array<int16_t>();
    m_oldResources = InputStream::resourceDir();
    InputStream::setResourceDir(dataDir());

    m_lib = new Vilib(new Vdisplay, "app"_s);
    m_models = new V3dLibrary;
    m_models->open("p3d"_s, m_lib);
    m_models->textureLoad(m_lib, nullptr);

    m_ground = new VpolyTerrain;
    readLayout(m_ground);
    m_ground->setGroundTextures(m_lib, 0);
    m_ground->makeHeight();

    m_view = new BattleView;
    m_view->m_lib = m_lib;
    m_view->m_models = m_models;
    m_view->setWidthHeight(width, height);
    m_view->setHorizon(0x1000);
    m_view->m_far = 0x628000;

    m_terrain = new Vterrain(width, height, true);
    m_terrain->m_focal = m_view->m_focal;
    m_terrain->m_polyTerrain = m_ground;
    m_terrain->m_lib = m_lib;
    m_terrain->setHorizon(height >> 3);
    m_terrain->setWxhz(100 * kUnit, 0x5D53E, 256 * kUnit);
    m_terrain->setSkyGradient(0x5995, 0x3399FF);
    m_terrain->setZ(0x7FFFFFFF);
    m_view->add(m_terrain);
    m_view->setWxyz(m_terrain->m_wx, m_terrain->m_wy, m_terrain->m_wz);

    m_field = new Vbattlefield(m_ground, 0, m_terrain);
    m_physics = new Vphysics;
    m_physics->m_field = m_field;
    m_campaign = new Campaign;
    m_campaign->m_enemyCount = 5;
    m_campaign->m_dir = 1;
}

BattleWorld::~BattleWorld()
{
    for (const ref<Tank>& t : m_vehicles)
        t->destroy();
    m_physics->destroy();
    m_view->destroy();
    InputStream::setResourceDir(m_oldResources);
}

ref<Tank> BattleWorld::vehicle(const ref<Tank>& t, const VehicleBuild& build, int32_t maxDamage, int32_t x,
                               int32_t z, int32_t heading)
{
    m_vehicles.push_back(t);
    t->init(m_view, m_lib, build, maxDamage);
    t->m_campaign = m_campaign;
    m_physics->add(t); // where it finds the ground
    t->m_heading = Tank::wrapAngle(heading);
    t->placeOnGround(x * kUnit, z * kUnit);
    m_view->add(t);
    t->poststep();
    return t;
}

ref<Tank> BattleWorld::player(const VehicleBuild& build, int32_t x, int32_t z, int32_t heading)
{
    ref<Tank> t = vehicle(new Tank, build, 50, x, z, heading);
    t->m_rounds = 20;
    t->m_fuel = 0xA0000;
    return t;
}

ref<Tank> BattleWorld::enemy(const VehicleBuild& build, const ref<Tank>& target, int32_t x, int32_t z,
                             int32_t heading)
{
    ref<Tank> t = new Tank;
    t->m_target = target;
    vehicle(t, build, 2, x, z, heading);
    t->setId(2);
    // As if just put into play: an engage distance and a destination drawn,
    // ready to fight.
    t->ranPosition(2730);
    t->m_timer = 10000;
    return t;
}

ref<Truck> BattleWorld::truck(const ref<Tank>& target)
{
    ref<Truck> t = new Truck;
    m_vehicles.push_back(t);
    t->init(m_view, m_lib, kTruck, 1);
    t->m_campaign = m_campaign;
    t->m_target = target;
    t->m_damage = -1;
    t->park();
    t->setId(3);
    m_physics->add(t);
    return t;
}

void BattleWorld::step(int32_t ms)
{
    m_physics->step(ms);
    m_clock->m_now += ms;
    m_view->m_frameMs = ms;
    m_elapsed += ms;
}

void BattleWorld::run(int32_t ms, bool draw)
{
    for (int32_t t = 0; t < ms; t += kFrameMs) {
        step(kFrameMs);
        if (draw)
            render();
    }
}

void BattleWorld::chase(Tank& t)
{
    bool aim = t.m_aim;
    int32_t h = t.m_heading + (aim ? t.turretHeading() : 0);
    int32_t d = aim ? 0x6AA90 : 0x9FFD8, e = aim ? 0x3FFF0 : 0x5D53E;
    m_terrain->setHeading(h);
    int32_t x = t.m_wx - V::fmul(m_terrain->m_sin, d), z = t.m_wz + V::fmul(m_terrain->m_cos, d);
    int32_t y = t.m_wy >= 0 ? t.m_wy + e : e;
    m_terrain->setWxyz(x, y, z);
    m_view->setWxyz(x, y, z);
    m_view->m_heading = -h;
}

void BattleWorld::look(int32_t x, int32_t y, int32_t z, int32_t heading)
{
    m_terrain->setHeading(heading);
    m_terrain->setWxyz(x, y, z);
    m_view->setWxyz(x, y, z);
    m_view->m_heading = -heading;
}

void BattleWorld::render()
{
    m_view->render();
}

bool BattleWorld::writePng(const std::string& path) const
{
    return Png::write(path, m_view->m_width, m_view->m_height, reinterpret_cast<const uint32_t*>(m_view->m_pixels.a),
                      false);
}
