#include "game/BattleFile.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <map>
#include <string>

#include "game/App.h"
#include "game/AppPicture.h"
#include "game/BattleCamera.h"
#include "game/Scenery.h"
#include "game/Shell.h"
#include "game/Truck.h"
#include "host/Vdisplay.h"
#include "runtime/ByteReader.h"

namespace {

constexpr char kMagic[4] = {'K', 'B', 'T', 'L'};
constexpr int32_t kHeaderBytes = 9; // magic, version, length
constexpr int32_t kSumBytes = 4;
constexpr int32_t kCells = 256 * 256;
constexpr int32_t kDiceWords = 55;
constexpr int32_t kRuinsSince = 3; // the first version that keeps the ruined things

// Where a body can be: on the map or up to a map's width beyond its edges
// (enemies come from beyond them), or parked far away.
constexpr int32_t kWorldLow = -Tank::kMapSize, kWorldHigh = 2 * Tank::kMapSize;
constexpr int32_t kFast = 1 << 24;  // faster than any shell
constexpr int32_t kAngle = 1 << 16; // twice round, either way
constexpr int32_t kAnyLow = INT32_MIN, kAnyHigh = INT32_MAX;

template <class T>
struct Field {
    int32_t T::*member;
    int32_t lo, hi;
    const char* name;
};

using BodyField = Field<BattleFile::Body>;
using B = BattleFile::Body;

// Every body.
constexpr BodyField kCommon[] = {
    {&B::linked, 0, 1, "shown"},
    {&B::x, kWorldLow, kWorldHigh, "x"},
    {&B::y, kWorldLow, kWorldHigh, "y"},
    {&B::z, kWorldLow, kWorldHigh, "z"},
    {&B::vx, -kFast, kFast, "x speed"},
    {&B::vy, -kFast, kFast, "y speed"},
    {&B::vz, -kFast, kFast, "z speed"},
    {&B::speed, 0, 2 * kFast, "speed"},
    {&B::radius, 0, 1 << 20, "radius"},
    {&B::gravity, Vphob::kGravity, 0, "gravity"},
    {&B::contacts, 0, 4, "contacts"},
    {&B::heading, -kAngle, kAngle, "heading"},
    {&B::pitch, -kAngle, kAngle, "pitch"},
    {&B::roll, -kAngle, kAngle, "roll"},
};

// The player's tank, the enemies and the truck.
constexpr BodyField kVehicle[] = {
    {&B::turret, -kAngle, kAngle, "turret"},
    {&B::gun, Tank::kGunUp, Tank::kGunDown, "gun"},
    {&B::damage, -1, 100, "damage"},
    {&B::maxDamage, 1, 50, "hits that destroy"},
    {&B::rounds, -1, 9999, "rounds"},
    {&B::fuel, 0, 9999 * Tank::kUnit, "fuel"},
    {&B::odometer, kAnyLow, kAnyHigh, "odometer"},
    {&B::driveSpeed, -Tank::kMaxDrive, Tank::kMaxDrive, "drive speed"},
    {&B::timer, kAnyLow, kAnyHigh, "timer"},
    {&B::holdTime, 0, kAnyHigh, "hold time"},
    {&B::collided, 0, 1, "collided"},
    {&B::destX, kWorldLow, kWorldHigh, "destination x"},
    {&B::destZ, kWorldLow, kWorldHigh, "destination z"},
    {&B::engage, 0, 1 << 23, "engage distance"},
    {&B::offFieldMs, 0, 1 << 30, "time off the field"},
    {&B::detourMs, -(1 << 16), 1 << 16, "detour"},
    {&B::aim, 0, 1, "aim"},
    {&B::battleMs, 0, kAnyHigh, "time in battle"},
    {&B::fired, 0, 1, "fired"},
    {&B::shots, 0, 1 << 20, "shots"},
    {&B::hits, 0, 1 << 20, "hits"},
    {&B::pilot, -1, BattleFile::kMostBodies - 1, "pilot"},
};

constexpr BodyField kTruckFields[] = {
    {&B::captured, 0, 1, "captured"},
    {&B::supply, -1, Truck::kSupplies, "supply"},
    {&B::contact, 0, 1 << 20, "contact"},
};

constexpr BodyField kShellFields[] = {
    {&B::owner, 0, BattleFile::kMostBodies - 1, "owner"},
    {&B::id, Shell::kEnemyShell, Shell::kPlayerShell, "shell id"},
    {&B::image, AppPicture::kPuff, Shell::kLastPicture, "picture"},
    {&B::scale, 0, kAnyHigh, "scale"},
    {&B::maxScale, 0, kAnyHigh, "largest scale"},
    {&B::explodeTime, -(1 << 20), 1 << 20, "explosion time"},
    {&B::trail, -(1 << 20), 1 << 20, "trail time"},
    {&B::hitGround, 0, 1, "hit the ground"},
};

using StampField = Field<BattleFile::Stamp>;
using S = BattleFile::Stamp;
constexpr StampField kStampFields[] = {
    {&S::side, 1, 3, "side"},
    {&S::front, 0, 15, "front"},
    {&S::level, 0, 2, "level"},
    {&S::enemies, 0, 65535, "enemies"},
    {&S::mapX, 0, Campaign::kMapColumns - 1, "map column"},
    {&S::mapY, 0, Campaign::kMapRows - 1, "map row"},
    {&S::battleX, 1, 65535, "battle x"},
    {&S::battleZ, 0, 65535, "battle z"},
};

using FileField = Field<BattleFile>;
using F = BattleFile;
constexpr FileField kCameraFields[] = {
    {&F::m_diceJ, 0, kDiceWords - 1, "dice"},
    {&F::m_diceK, 0, kDiceWords - 1, "dice"},
    {&F::m_overhead, 0, 1, "overhead"},
    {&F::m_viewX, kWorldLow, kWorldHigh, "camera x"},
    {&F::m_viewY, kAnyLow, kAnyHigh, "camera y"},
    {&F::m_viewZ, kWorldLow, kWorldHigh, "camera z"},
    {&F::m_viewHeading, -kAngle, kAngle, "camera heading"},
    {&F::m_viewPitch, -kAngle, kAngle, "camera pitch"},
    {&F::m_viewFar, 0, kAnyHigh, "camera range"},
    {&F::m_viewHorizon, 0, 1 << 16, "horizon"},
    {&F::m_terrainX, kWorldLow, kWorldHigh, "terrain x"},
    {&F::m_terrainY, kAnyLow, kAnyHigh, "terrain y"},
    {&F::m_terrainZ, kWorldLow, kWorldHigh, "terrain z"},
    {&F::m_terrainHeading, -kAngle, kAngle, "terrain heading"},
    {&F::m_followHeading, kAnyLow, kAnyHigh, "camera follow"},
    {&F::m_followHeadingV, kAnyLow, kAnyHigh, "camera follow"},
    {&F::m_followBehind, kAnyLow, kAnyHigh, "camera follow"},
    {&F::m_followBehindV, kAnyLow, kAnyHigh, "camera follow"},
    {&F::m_followHeight, kAnyLow, kAnyHigh, "camera follow"},
    {&F::m_followHeightV, kAnyLow, kAnyHigh, "camera follow"},
    {&F::m_followTilt, kAnyLow, kAnyHigh, "camera follow"},
    {&F::m_followTiltV, kAnyLow, kAnyHigh, "camera follow"},
};

class Writer {
public:
    void u8(int32_t v) { m_out.push_back(static_cast<int8_t>(v & 255)); }
    void u16(int32_t v)
    {
        u8(v);
        u8(v >> 8);
    }
    void i32(int32_t v)
    {
        u16(v);
        u16(v >> 16);
    }
    template <class T, std::size_t N>
    void fields(const T& from, const Field<T> (&table)[N])
    {
        for (const Field<T>& f : table)
            i32(from.*f.member);
    }
    std::vector<int8_t> m_out;
};

// Reads the fields of a table into to; false (with why) at the first one
// out of range.
template <class T, std::size_t N>
bool readFields(ByteReader& in, T& to, const Field<T> (&table)[N], std::string& why)
{
    for (const Field<T>& f : table) {
        const int32_t v = in.i32le();
        // A parked body stands far away on every axis.
        const bool parked = v == Vphob::kFarAway && f.hi == kWorldHigh;
        if (in.ranOut()) {
            why = "it ends early";
            return false;
        }
        if ((v < f.lo || v > f.hi) && !parked) {
            why = std::string("the ") + f.name + " is out of range";
            return false;
        }
        to.*f.member = v;
    }
    return true;
}

void captureCommon(const Vphob& p, B& b)
{
    b.linked = const_cast<Vphob&>(p).isLinked() ? 1 : 0;
    // Between steps the sprite's place is the body's (the next step starts
    // from it).
    b.x = p.m_wx;
    b.y = p.m_wy;
    b.z = p.m_wz;
    b.vx = p.m_velocity->m_x;
    b.vy = p.m_velocity->m_y;
    b.vz = p.m_velocity->m_z;
    b.speed = p.m_speed;
    b.radius = p.m_radius;
    b.gravity = p.m_gravity;
    b.contacts = p.m_contacts;
    b.heading = p.m_heading;
    b.pitch = p.m_pitchAngle;
    b.roll = p.m_roll;
}

void restoreCommon(const B& b, Vphob& p)
{
    p.setPosition(b.x, b.y, b.z);
    p.setWxyz(b.x, b.y, b.z);
    p.setVelocity(b.vx, b.vy, b.vz);
    p.m_speed = b.speed;
    p.m_radius = b.radius;
    p.m_gravity = b.gravity;
    p.m_contacts = b.contacts;
    p.m_heading = b.heading;
    p.m_pitchAngle = b.pitch;
    p.m_roll = b.roll;
}

void captureVehicle(const Tank& t, B& b)
{
    b.turret = t.turretHeading();
    b.gun = t.gunPitch();
    b.damage = t.m_damage;
    b.maxDamage = t.m_maxDamage;
    b.rounds = t.m_rounds;
    b.fuel = t.m_fuel;
    b.odometer = t.m_odometer;
    b.driveSpeed = t.m_driveSpeed;
    b.timer = t.m_timer;
    b.holdTime = t.m_holdTime;
    b.collided = t.m_collided ? 1 : 0;
    b.destX = t.m_destX;
    b.destZ = t.m_destZ;
    b.engage = t.m_engage;
    b.offFieldMs = t.m_offFieldMs;
    b.detourMs = t.m_detourMs;
    b.battleMs = t.m_battleMs;
    b.fired = t.m_fired ? 1 : 0;
    b.shots = t.m_shots;
    b.hits = t.m_hits;
    b.aim = t.m_aim ? 1 : 0;
    if (const auto* truck = dynamic_cast<const Truck*>(&t)) {
        b.captured = truck->m_captured ? 1 : 0;
        b.supply = truck->m_supply;
        b.contact = truck->m_contact;
    }
}

void restoreVehicle(const B& b, Tank& t)
{
    if (t.m_turret)
        t.m_turret->m_heading = b.turret;
    if (t.m_gun)
        t.m_gun->m_pitchAngle = b.gun;
    t.m_damage = b.damage;
    t.m_maxDamage = b.maxDamage;
    t.m_rounds = b.rounds;
    t.m_fuel = b.fuel;
    t.m_odometer = b.odometer;
    t.m_driveSpeed = b.driveSpeed;
    t.m_timer = b.timer;
    t.m_holdTime = b.holdTime;
    t.m_collided = b.collided != 0;
    t.m_destX = b.destX;
    t.m_destZ = b.destZ;
    t.m_engage = b.engage;
    t.m_offFieldMs = b.offFieldMs;
    t.m_detourMs = b.detourMs;
    t.m_battleMs = b.battleMs;
    t.m_fired = b.fired != 0;
    t.m_shots = b.shots;
    t.m_hits = b.hits;
    t.m_aim = b.aim != 0;
    if (auto* truck = dynamic_cast<Truck*>(&t)) {
        truck->m_captured = b.captured != 0;
        truck->m_supply = b.supply;
        truck->m_contact = b.contact;
    }
    // The hull's matrix as the last step left it: its angles, no place.
    t.pose();
}

// Shown in the picture or not, as it was kept.
void show(App& app, Vsprite& s, bool linked)
{
    if (linked && !s.isLinked())
        app.add(ref<Vsprite>(&s));
    else if (!linked && s.isLinked())
        s.off();
}

} // namespace

uint32_t BattleFile::sum(const int8_t* p, int32_t n)
{
    uint32_t h = 2166136261u;
    for (int32_t i = 0; i < n; i++)
        h = (h ^ static_cast<uint8_t>(p[i])) * 16777619u;
    return h;
}

ref<String> BattleFile::name()
{
    return String::copyOf((std::string(Record::name()->c_str()) + "-battle").c_str());
}

BattleFile::Stamp BattleFile::stampOf(const App& app)
{
    const Campaign& c = *app.m_campaign;
    Stamp s;
    s.side = static_cast<int32_t>(c.m_side);
    s.front = c.m_front;
    s.level = c.m_level;
    s.enemies = c.m_enemyCount;
    s.mapX = c.m_mapX;
    s.mapY = c.m_mapY;
    s.battleX = c.prefRead(Record::kBattleX);
    s.battleZ = c.prefRead(Record::kBattleZ);
    return s;
}

// ---- the battle as it stands ----

BattleFile BattleFile::capture(const App& app)
{
    BattleFile f;
    f.m_stamp = stampOf(app);
    if (V::m_ranbuf.length == kDiceWords) {
        std::copy(V::m_ranbuf.a, V::m_ranbuf.a + kDiceWords, f.m_dice);
        f.m_diceJ = V::m_ranj;
        f.m_diceK = V::m_rank;
    }
    const Battle& b = *app.m_battle;
    f.m_overhead = b.m_camera->overhead() ? 1 : 0;
    f.m_viewX = app.m_wx;
    f.m_viewY = app.m_wy;
    f.m_viewZ = app.m_wz;
    f.m_viewHeading = app.m_heading;
    f.m_viewPitch = app.m_pitch;
    f.m_viewFar = app.m_far;
    f.m_viewHorizon = app.m_horizon;
    if (b.m_terrain) {
        f.m_terrainX = b.m_terrain->m_wx;
        f.m_terrainY = b.m_terrain->m_wy;
        f.m_terrainZ = b.m_terrain->m_wz;
        f.m_terrainHeading = b.m_terrain->getHeading();
    }
    const BattleCamera& cam = *b.m_camera;
    f.m_followHeading = cam.m_heading.x, f.m_followHeadingV = cam.m_heading.v;
    f.m_followBehind = cam.m_behind.x, f.m_followBehindV = cam.m_behind.v;
    f.m_followHeight = cam.m_height.x, f.m_followHeightV = cam.m_height.v;
    f.m_followTilt = cam.m_tilt.x, f.m_followTiltV = cam.m_tilt.v;

    // The bodies that matter to what happens next: the vehicles, and the
    // shells of those. Smoke and flashes only fade. A shell comes before its
    // owner in the world's list (it was put in later), so the vehicles are
    // found first.
    std::map<const Vphob*, int32_t> index;
    std::vector<Vphob*> kept;
    for (Vphob* p = b.m_physics->first().get(); p; p = p->m_nextBody.get())
        if (dynamic_cast<Tank*>(p) && (p == b.m_tank.get() || dynamic_cast<Truck*>(p) || p->m_id == Hud::kRadarEnemy))
            index[p] = 0;
    for (Vphob* p = b.m_physics->first().get(); p && static_cast<int32_t>(kept.size()) < kMostBodies;
         p = p->m_nextBody.get()) {
        auto* s = dynamic_cast<Shell*>(p);
        if (index.count(p) || (s && index.count(s->m_owner.get())))
            kept.push_back(p);
    }
    for (int32_t i = 0; i < static_cast<int32_t>(kept.size()); i++)
        index[kept[static_cast<std::size_t>(i)]] = i;
    for (Vphob* p : kept) {
        Body body;
        captureCommon(*p, body);
        if (auto* s = dynamic_cast<Shell*>(p)) {
            body.kind = Body::kShell;
            auto owner = index.find(s->m_owner.get());
            body.owner = owner == index.end() ? 0 : owner->second;
            body.id = s->m_id;
            body.image = std::clamp(s->m_image, static_cast<int32_t>(AppPicture::kPuff), Shell::kLastPicture);
            body.scale = s->m_scale;
            body.maxScale = s->m_maxScale;
            body.explodeTime = s->m_explodeTime;
            body.trail = s->m_trail;
            body.hitGround = s->m_hitGround ? 1 : 0;
        } else {
            auto* t = static_cast<Tank*>(p);
            body.kind = p == b.m_tank.get() ? Body::kPlayer : dynamic_cast<Truck*>(p) ? Body::kTruck : Body::kEnemy;
            captureVehicle(*t, body);
            auto pilot = index.find(t->m_pilot.get());
            body.pilot = body.kind == Body::kPlayer && pilot != index.end() ? pilot->second : -1;
        }
        f.m_bodies.push_back(body);
    }

    const Array<int8_t>& now = b.m_polyTerrain ? b.m_polyTerrain->m_heightMap : Array<int8_t>();
    if (now.length == kCells && b.m_ground.length == kCells)
        for (int32_t i = 0; i < kCells; i++)
            if (now.a[i] != b.m_ground.a[i])
                f.m_cells.push_back({i, now.a[i] & 255});
    if (b.m_scenery)
        f.m_ruins = b.m_scenery->ruined();
    return f;
}

// ---- the file ----

Array<int8_t> BattleFile::bytes() const
{
    Writer w;
    for (char c : kMagic)
        w.u8(c);
    w.u8(kVersion);
    w.i32(0); // the length, filled in below
    w.fields(m_stamp, kStampFields);
    for (int16_t d : m_dice)
        w.u16(d);
    w.fields(*this, kCameraFields);
    w.u16(static_cast<int32_t>(m_bodies.size()));
    for (const Body& b : m_bodies) {
        w.u8(b.kind);
        w.fields(b, kCommon);
        if (b.kind == Body::kShell) {
            w.fields(b, kShellFields);
            continue;
        }
        w.fields(b, kVehicle);
        if (b.kind == Body::kTruck)
            w.fields(b, kTruckFields);
    }
    w.i32(static_cast<int32_t>(m_cells.size()));
    for (const Cell& c : m_cells) {
        w.u16(c.index);
        w.u8(c.height);
    }
    w.u16(static_cast<int32_t>(m_ruins.size()));
    for (int32_t r : m_ruins)
        w.u16(r);
    std::vector<int8_t>& out = w.m_out;
    const int32_t n = static_cast<int32_t>(out.size()) + kSumBytes;
    for (int32_t i = 0; i < 4; i++)
        out[static_cast<std::size_t>(5 + i)] = static_cast<int8_t>((n >> (8 * i)) & 255);
    w.i32(static_cast<int32_t>(sum(out.data(), static_cast<int32_t>(out.size()))));
    Array<int8_t> a(n);
    if (!a.empty())
        std::copy(out.begin(), out.end(), a.a);
    return a;
}

bool BattleFile::read(const Array<int8_t>& bytes, int32_t n, std::string& why)
{
    *this = BattleFile();
    if (n < kHeaderBytes + kSumBytes || n > bytes.length || n > kMostBytes) {
        why = n > kMostBytes ? "it is larger than any battle" : "it is too short";
        return false;
    }
    ByteReader in;
    in.open(bytes, 0, n);
    for (char c : kMagic)
        if (in.u8() != static_cast<uint8_t>(c)) {
            why = "it is not a battle file";
            return false;
        }
    const int32_t version = in.u8();
    if (version < kOldestVersion || version > kVersion) {
        why = "its version is not known";
        return false;
    }
    if (in.i32le() != n) {
        why = "its length is not the one it gives";
        return false;
    }
    const uint32_t expected = sum(bytes.a, n - kSumBytes);
    ByteReader tail;
    tail.open(bytes, n - kSumBytes, n);
    if (static_cast<uint32_t>(tail.i32le()) != expected) {
        why = "its sum does not match";
        return false;
    }
    if (!readFields(in, m_stamp, kStampFields, why))
        return false;
    for (int16_t& d : m_dice)
        d = static_cast<int16_t>(in.u16le());
    if (!readFields(in, *this, kCameraFields, why) || !readBodies(in, why))
        return false;
    const int32_t cells = in.i32le();
    if (cells < 0 || cells > kCells) {
        why = "the count of cells is out of range";
        return false;
    }
    int32_t last = -1;
    for (int32_t i = 0; i < cells && !in.ranOut(); i++) {
        Cell c;
        c.index = in.u16le();
        c.height = in.u8();
        if (c.index <= last) {
            why = "the cells are out of order";
            return false;
        }
        last = c.index;
        m_cells.push_back(c);
    }
    if (version >= kRuinsSince && !readRuins(in, why))
        return false;
    if (in.ranOut() || in.position() != n - kSumBytes) {
        why = in.ranOut() ? "it ends early" : "it is longer than its contents";
        return false;
    }
    return true;
}

bool BattleFile::readBodies(ByteReader& in, std::string& why)
{
    const int32_t count = in.u16le();
    if (count < 1 || count > kMostBodies) {
        why = "the count of bodies is out of range";
        return false;
    }
    int32_t players = 0, trucks = 0;
    for (int32_t i = 0; i < count; i++) {
        Body b;
        b.kind = in.u8();
        if (b.kind > Body::kShell) {
            why = "a body of an unknown kind";
            return false;
        }
        if (!readFields(in, b, kCommon, why))
            return false;
        if (b.kind == Body::kShell) {
            if (!readFields(in, b, kShellFields, why))
                return false;
        } else if (!readFields(in, b, kVehicle, why) ||
                   (b.kind == Body::kTruck && !readFields(in, b, kTruckFields, why))) {
            return false;
        }
        players += b.kind == Body::kPlayer;
        trucks += b.kind == Body::kTruck;
        m_bodies.push_back(b);
    }
    if (players != 1 || trucks > 1) {
        why = "it has not one player's tank and at most one truck";
        return false;
    }
    // Shells belong to vehicles; the demo pursues an enemy or the truck.
    for (const Body& b : m_bodies) {
        const bool vehicleOwner = b.owner < count && m_bodies[static_cast<std::size_t>(b.owner)].kind != Body::kShell;
        const bool pilotOk = b.pilot < 0 || (b.kind == Body::kPlayer && b.pilot < count &&
                                             (m_bodies[static_cast<std::size_t>(b.pilot)].kind == Body::kEnemy ||
                                              m_bodies[static_cast<std::size_t>(b.pilot)].kind == Body::kTruck));
        if ((b.kind == Body::kShell && !vehicleOwner) || !pilotOk) {
            why = "a body refers to one that cannot be its owner or goal";
            return false;
        }
    }
    return true;
}

bool BattleFile::readRuins(ByteReader& in, std::string& why)
{
    const int32_t count = in.u16le();
    if (count > Scenery::kMost) {
        why = "the count of ruins is out of range";
        return false;
    }
    int32_t last = -1;
    for (int32_t i = 0; i < count && !in.ranOut(); i++) {
        const int32_t r = in.u16le();
        if (r >= Scenery::kMost) {
            why = "a ruin is out of range";
            return false;
        }
        if (r <= last) {
            why = "the ruins are out of order";
            return false;
        }
        last = r;
        m_ruins.push_back(r);
    }
    return true;
}

// ---- keeping and resuming ----

bool BattleFile::keep(const App& app)
{
    const Tank* t = app.tank();
    if (!app.m_battle || !t || t->m_wx == 0 || !app.m_battle->m_terrain || !app.m_campaign)
        return false;
    // A record that could not be read is left alone, and so is the battle beside it.
    if (app.m_campaign->m_keepStored)
        return false;
    const ref<String> key = name();
    const Array<int8_t> b = capture(app).bytes();
    if (!b.empty() && Vdisplay::storeRecord(key->c_str(), b.a, b.length))
        return true;
    // An older file must not come back with the record of this battle.
    Vdisplay::removeRecord(key->c_str());
    return false;
}

bool BattleFile::load(std::string& why)
{
    // Most files are small: a buffer of a usual size first, and one a byte
    // longer than the longest file when that is filled (a longer one is
    // damaged).
    const ref<String> key = name();
    Array<int8_t> buf(kUsualBytes);
    int32_t n = buf.empty() ? -1 : Vdisplay::loadRecord(key->c_str(), buf.a, buf.length);
    if (n == buf.length) {
        buf = Array<int8_t>(kMostBytes + 1);
        n = buf.empty() ? -1 : Vdisplay::loadRecord(key->c_str(), buf.a, buf.length);
    }
    if (n < 0) {
        *this = BattleFile();
        why = "there is none";
        return false;
    }
    return read(buf, n, why);
}

bool BattleFile::resume(App& app)
{
    BattleFile f;
    std::string why;
    if (f.load(why) && !(f.m_stamp == stampOf(app)))
        why = "it belongs to another battle";
    if (!why.empty()) {
        std::fprintf(stderr, "Battle file %s: %s; the battle resumes around the tank's place\n",
                     Vdisplay::recordPath(name()->c_str()).c_str(), why.c_str());
        return false;
    }
    f.restore(app);
    return true;
}

void BattleFile::restore(App& app) const
{
    Battle& b = *app.m_battle;
    // The level's set-up dresses the site anew: the ruins go on it after.
    b.initLevel();
    for (int32_t r : m_ruins)
        b.m_scenery->ruin(r);
    app.m_campaign->m_enemyCount = m_stamp.enemies;
    Array<int8_t>& ground = b.m_polyTerrain->m_heightMap;
    for (const Cell& c : m_cells)
        if (c.index < ground.length)
            ground.a[c.index] = static_cast<int8_t>(c.height);
    if (!m_cells.empty() && b.m_terrain)
        b.m_terrain->m_changed = true;
    restoreBodies(app);
    restoreView(app);
    b.m_hud->menuGameShow();
}

void BattleFile::restoreBodies(App& app) const
{
    Battle& b = *app.m_battle;
    // The vehicles first, in the order they were made (the reverse of the
    // world's), through the battle's own set-up; then the shells.
    std::vector<ref<Vphob>> made(m_bodies.size());
    b.m_physics->add(b.m_tank);
    b.m_tank->m_orders = Tank::Orders();
    b.m_hud->radarReset();
    for (std::size_t i = m_bodies.size(); i-- > 0;) {
        const Body& body = m_bodies[i];
        ref<Tank> t;
        if (body.kind == Body::kPlayer) {
            t = b.m_tank;
        } else if (body.kind == Body::kEnemy) {
            b.tankEnemy();
            t = b.m_enemy;
        } else if (body.kind == Body::kTruck) {
            b.truckInit();
            t = b.m_truck;
        }
        if (!t)
            continue;
        restoreCommon(body, *t);
        restoreVehicle(body, *t);
        show(app, *t, body.linked != 0);
        made[i] = t;
    }
    for (std::size_t i = m_bodies.size(); i-- > 0;) {
        const Body& body = m_bodies[i];
        ref<Tank> owner = ref_cast<Tank>(made[static_cast<std::size_t>(body.owner)]);
        ref<Shell> s = body.kind == Body::kShell && owner ? Shell::create() : nullptr;
        if (!s)
            continue;
        s->m_owner = owner;
        s->m_view = ref<V3dView>(&app);
        s->setId(body.id);
        s->setImage(app.m_lib, body.image);
        s->setScale(body.scale);
        s->m_maxScale = body.maxScale;
        if (s->m_mat)
            s->m_mat->identity();
        else
            s->m_mat = new Vmat;
        restoreCommon(body, *s);
        s->m_explodeTime = body.explodeTime;
        s->m_trail = body.trail;
        s->m_hitGround = body.hitGround != 0;
        show(app, *s, body.linked != 0);
        made[i] = s;
    }
    // The world's list as it was: each put back at its head, the last first.
    for (std::size_t i = made.size(); i-- > 0;) {
        if (!made[i])
            continue;
        b.m_physics->remove(made[i]);
        b.m_physics->add(made[i]);
    }
    // The demo's goal, when the demo goes on: a player who resumes the
    // battle drives the tank.
    for (std::size_t i = 0; i < m_bodies.size() && app.m_demo; i++)
        if (m_bodies[i].kind == Body::kPlayer && m_bodies[i].pilot >= 0)
            b.m_tank->m_pilot = ref_cast<Tank>(made[static_cast<std::size_t>(m_bodies[i].pilot)]);
}

void BattleFile::restoreView(App& app) const
{
    Battle& b = *app.m_battle;
    // The camera where it stood, and the dice as they were.
    if (m_overhead)
        b.m_camera->overheadSwitch();
    app.setWxyz(m_viewX, m_viewY, m_viewZ);
    app.m_heading = m_viewHeading;
    app.m_pitch = m_viewPitch;
    app.m_far = m_viewFar;
    app.setHorizon(m_viewHorizon);
    b.m_terrain->setWxyz(m_terrainX, m_terrainY, m_terrainZ);
    b.m_terrain->setHeading(m_terrainHeading);
    BattleCamera& cam = *b.m_camera;
    cam.m_heading = {m_followHeading, m_followHeadingV};
    cam.m_behind = {m_followBehind, m_followBehindV};
    cam.m_height = {m_followHeight, m_followHeightV};
    cam.m_tilt = {m_followTilt, m_followTiltV};
    cam.m_lastGoal = BattleCamera::kNoGoal;
    if (V::m_ranbuf.length != kDiceWords)
        V::franSeed(0);
    if (V::m_ranbuf.length == kDiceWords) {
        std::copy(m_dice, m_dice + kDiceWords, V::m_ranbuf.a);
        V::m_ranj = m_diceJ;
        V::m_rank = m_diceK;
    }
}
