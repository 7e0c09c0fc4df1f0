#include "Tiger.h"

#include <cmath>

#include "VehicleParts.h"
#include "game/VehicleBuilds.h"

namespace {

const GunMount kGun(kTiger);
constexpr float kDeck = 1.85f;
constexpr float kSide = 1.78f;
// The engine deck behind the turret, from here to the rear plate.
constexpr float kEngineDeck = 0.95f, kRear = 2.85f;

void superstructure(ModelSet& set, MeshBuilder& b)
{
    Paint paint = set.textured(VehicleTexture::TigerPaint);
    Paint cross = set.textured(VehicleTexture::TigerCross);
    Paint deck = set.textured(VehicleTexture::TigerDeck);
    deck.uv = Uv::decalOn({0, kDeck, (kEngineDeck + kRear) / 2}, 2 * kSide, kRear - kEngineDeck);

    // Vertical slab sides flush with the tracks' outer edge, a vertical
    // front plate and a flat deck; a narrow bevel along the deck's edges
    // catches the light and draws the hull's outline.
    auto ring = [](float z) {
        return Shapes::mirrored({{0, 1.05f},
                                 {kSide, 1.05f},
                                 {kSide, 1.15f},
                                 {kSide, 1.75f},
                                 {kSide, kDeck - 0.05f},
                                 {kSide - 0.05f, kDeck},
                                 {0.7f, kDeck},
                                 {0, kDeck}},
                                z);
    };
    Loft upper;
    upper.rings = {ring(-2.7f), ring(kEngineDeck), ring(1.65f), ring(kRear)};
    upper.paint = paint;
    // Ring edges 2 and 11 run between the cross's heights, 5 to 8 across
    // the deck.
    upper.paintAt = [&](int32_t edge, int32_t band) {
        if (band == 1 && (edge == 2 || edge == 11)) {
            Paint p = cross;
            p.uv = Uv::decalAt({edge == 2 ? kSide : -kSide, 1.45f, 1.3f}, 0.7f);
            return p;
        }
        return band >= 1 && edge >= 5 && edge <= 8 ? deck : paint;
    };
    Shapes::loft(b, upper);

    // Lower hull between the tracks, with the short sloped nose.
    VehicleParts::belly(b, 1.08f, {{-3.08f, 0.66f, 0.96f}, {-2.78f, 0.4f, 1.12f}, {2.55f, 0.4f, 1.12f}, {2.8f, 0.5f, 1.1f}},
                        paint);
}

// The fittings of the hull: front plate, hatches, tools, mudguards, rear.
void fittings(ModelSet& set, MeshBuilder& b)
{
    Paint paint = set.textured(VehicleTexture::TigerPaint);
    Paint dark = set.plain("gunmetal", 0x2A2C28);
    Paint lamp = set.plain("lamp_glass", 0xD8D4B0);
    Paint wood = set.plain("tool_wood", 0x8C6A44);
    Paint steel = set.plain("tool_steel", 0x4C4E4A);

    // Driver's visor on the left of the front plate, the machine gun's ball
    // mount on the right, headlamps on the plate's top corners.
    VehicleParts::box(b, -0.95f, 1.44f, -2.66f, -0.35f, 1.62f, -2.8f, dark);
    Shapes::cylinder(b, {0.62f, 1.5f, -2.6f}, {0.62f, 1.5f, -2.84f}, 0.17f, 6, paint, paint, 0.13f);
    VehicleParts::barrel(b, 1.5f, -2.8f, -3.02f, 0.065f, 0.055f, 6, dark, dark);
    for (float s : {-1.0f, 1.0f})
        Shapes::cylinder(b, {s * 1.45f, 1.94f, -2.5f}, {s * 1.45f, 1.94f, -2.8f}, 0.1f, 6, paint, lamp);

    // Driver's and radio operator's hatches ahead of the turret, each with
    // its periscope.
    for (float s : {-1.0f, 1.0f}) {
        VehicleParts::slab(b, {s * 0.45f, kDeck - 0.02f, -2.4f}, {s * 1.05f, kDeck + 0.06f, -1.86f}, 0.04f, paint);
        VehicleParts::slab(b, {s * 0.62f, kDeck - 0.02f, -2.52f}, {s * 0.88f, kDeck + 0.11f, -2.34f}, 0.02f, dark);
    }
    // A shovel and an axe on the left of the front deck, the track tool on
    // the right.
    VehicleParts::tools(b, {-1.45f, kDeck, -2.62f}, 0.26f, wood, steel);
    VehicleParts::box(b, 1.3f, kDeck, -2.62f, 1.4f, kDeck + 0.08f, -1.52f, steel);

    // Mudguards over the front sprockets.
    for (float s : {-1.0f, 1.0f})
        VehicleParts::plate(b, s * 1.1f, s * 1.82f, {{-2.68f, 1.36f}, {-3.28f, 1.3f}}, 0.05f, paint);

    // The rear plate: exhausts in their guards (low enough for the gun to
    // pass over them as the turret turns), the air filters either side and
    // the jack between them.
    for (float x : {-0.55f, 0.55f}) {
        Shapes::cylinder(b, {x, 1.3f, 2.98f}, {x, 2.05f, 2.98f}, 0.12f, 6, dark, dark);
        VehicleParts::slab(b, {x - 0.2f, 1.68f, 2.84f}, {x + 0.2f, 2.01f, 3.16f}, 0.03f, paint);
    }
    for (float s : {-1.0f, 1.0f})
        Shapes::cylinder(b, {s * 1.3f, 1.22f, 3.02f}, {s * 1.3f, 1.74f, 3.02f}, 0.19f, 8, paint, paint);
    Shapes::cylinder(b, {-0.25f, 1.18f, 2.98f}, {0.25f, 1.18f, 2.98f}, 0.1f, 6, dark, dark);
}

void runningGear(ModelSet& set, MeshBuilder& b)
{
    // Wide tracks under the superstructure, the front drive sprocket and
    // rear idler, and road wheels in two interleaved rows.
    Paint paint = set.textured(VehicleTexture::TigerPaint);
    Paint track = set.textured(VehicleTexture::TigerTrack, Uv::tile(32));
    Paint edge = set.plain("tiger_track_edge", 0x4A433B);
    Paint tyre = set.plain("rubber", 0x262624);
    Paint wheel = set.textured(VehicleTexture::TigerWheel);
    auto path = VehicleParts::trackPath(2.5f, {-2.95f, 0.85f, 0.425f, -110}, {}, {2.95f, 0.72f, 0.385f, 240});
    for (float s : {-1.0f, 1.0f}) {
        VehicleParts::trackBelt(b, path, s * 1.1f, s * 1.82f, 0.09f, track, edge);
        for (int32_t i = 0; i < 8; i++) {
            float z = -2.45f + 0.7f * static_cast<float>(i);
            bool outer = i % 2 == 0;
            VehicleParts::wheel(b, s * (outer ? 1.5f : 1.2f), s * (outer ? 1.76f : 1.52f), 0.49f, z, 0.4f,
                                outer ? 10 : 8, tyre, wheel);
        }
        VehicleParts::wheel(b, s * 1.2f, s * 1.78f, 0.85f, -2.95f, 0.38f, 10, paint, wheel);
        VehicleParts::wheel(b, s * 1.2f, s * 1.74f, 0.72f, 2.95f, 0.34f, 8, tyre, wheel);
    }
}

void hull(ModelSet& set)
{
    MeshBuilder b;
    superstructure(set, b);
    fittings(set, b);
    runningGear(set, b);
    set.add(kTiger.hull, b, {0, 1.0f, 0}, kTiger.scale);
}

// A ring of the turret's plan at height y: a flat front plate, sides bent
// back from it and a wide round back, drawn in by inset all round.
std::vector<Vec3> turretRing(float y, float inset)
{
    std::vector<std::pair<float, float>> half = {{0, -1.08f + inset}, {1.12f - inset, -1.08f + inset}};
    // Round the back about (0, 0.2); the sides run forward from it to the
    // bent corners of the front plate.
    half.push_back({1.27f - inset, -0.92f + inset * 0.6f});
    half.push_back({1.38f - inset, -0.45f});
    for (int32_t i = 0; i <= 6; i++) {
        float a = 1.5707963f * static_cast<float>(i) / 6;
        half.push_back({i == 6 ? 0 : (1.4f - inset) * std::cos(a), 0.2f + (1.36f - inset) * std::sin(a)});
    }
    return Shapes::mirroredPlan(half, y);
}

void turretBody(ModelSet& set, MeshBuilder& b)
{
    Paint paint = set.textured(VehicleTexture::TigerPaint);
    Loft body;
    body.rings = {turretRing(1.8f, 0), turretRing(2.78f, 0.01f), turretRing(2.86f, 0.08f)};
    // Creases at the corners of the front plate; the bent side plate is
    // smooth round the back, and the walls shade into the bevelled roof
    // edge so they darken downwards.
    body.smoothRing = {false, true, false};
    const std::size_t n = body.rings[0].size();
    body.smoothCorner.assign(n, true);
    for (std::size_t i : {std::size_t{0}, std::size_t{1}, std::size_t{2}, n - 2, n - 1})
        body.smoothCorner[i] = false;
    body.paint = paint;
    Shapes::loft(b, body);

    // The stowage bin on the back, its front sunk into the turret wall.
    Loft bin;
    auto binRing = [](float y, float inset) {
        return Shapes::mirroredPlan({{0, 1.2f}, {0.86f - inset, 1.2f}, {0.9f - inset, 1.82f - inset},
                                     {0.78f - inset, 2.0f - inset}, {0, 2.04f - inset}},
                                    y);
    };
    bin.rings = {binRing(2.04f, 0), binRing(2.56f, 0), binRing(2.6f, 0.04f)};
    bin.smoothCorner = {false, false, true, true, true, true, true, false};
    bin.paint = paint;
    Shapes::loft(b, bin);
}

void turretRoof(ModelSet& set, MeshBuilder& b)
{
    Paint paint = set.textured(VehicleTexture::TigerPaint);
    Paint dark = set.plain("gunmetal", 0x2A2C28);
    // The commander's cupola, left and back: a drum with a band of vision
    // slits under its rim, the hatch lid on top.
    const Vec3 c{-0.56f, 0, 0.62f};
    auto drum = [&](float y, float r) { return Shapes::circle(c + Vec3{0, y, 0}, 1, r, 10); };
    Loft cupola;
    cupola.rings = {drum(2.8f, 0.38f), drum(3.02f, 0.38f), drum(3.12f, 0.36f), drum(3.16f, 0.31f)};
    cupola.smoothCorner.assign(10, true);
    cupola.paint = paint;
    cupola.paintAt = [&](int32_t edge, int32_t band) { return band == 1 && edge % 2 == 0 ? dark : paint; };
    Shapes::loft(b, cupola);
    Shapes::cylinder(b, c + Vec3{0.04f, 3.15f, 0.03f}, c + Vec3{0.04f, 3.21f, 0.03f}, 0.27f, 10, paint, paint);
    // Loader's hatch on the right, the ventilator ahead of it, and a pistol
    // port in the back of the left side.
    VehicleParts::slab(b, {0.22f, 2.84f, -0.55f}, {0.82f, 2.93f, 0.1f}, 0.05f, paint);
    Shapes::cylinder(b, {0.1f, 2.84f, -0.72f}, {0.1f, 2.96f, -0.72f}, 0.11f, 6, paint, paint, 0.08f);
    Shapes::cylinder(b, {-1.2f, 2.25f, 0.75f}, {-1.42f, 2.25f, 0.75f}, 0.1f, 6, paint, dark);
}

void turret(ModelSet& set)
{
    MeshBuilder b;
    turretBody(set, b);
    turretRoof(set, b);
    set.add(kTiger.turret, b, {0, 1.85f, 0}, kTiger.scale);
}

void gun(ModelSet& set)
{
    MeshBuilder b;
    Paint paint = set.textured(VehicleTexture::TigerPaint);
    Paint face = set.textured(VehicleTexture::TigerMantlet);
    Paint bore = set.plain("bore", 0x0A0A0A);
    const float y = kGun.height, z = -kGun.pivot;
    // The wide cast mantlet, rounded about the trunnions and reaching back
    // into the turret; the sights and the machine gun's port are painted on.
    const Mantlet m{y, z, 0.82f, 0.44f, -52, 90, 0.4f, 0.14f};
    face.uv = Uv::decalOn({0, y, z - m.radius}, 1.64f, 0.7f);
    VehicleParts::mantlet(b, m, paint, face);
    // The collar, the long barrel and the double-baffle muzzle brake.
    Shapes::cylinder(b, {0, y, z - 0.3f}, {0, y, z - 0.72f}, 0.17f, 10, paint, paint, 0.15f);
    VehicleParts::barrel(b, y, z - 0.7f, -kGun.muzzle + 0.34f, 0.105f, 0.088f, 8, paint, bore);
    Shapes::cylinder(b, {0, y, -kGun.muzzle + 0.36f}, {0, y, -kGun.muzzle + 0.2f}, 0.16f, 8, paint, paint);
    VehicleParts::barrel(b, y, -kGun.muzzle + 0.14f, -kGun.muzzle, 0.16f, 0.16f, 8, paint, bore);
    set.add(kTiger.gun, b, {0, y, z}, kTiger.scale);
}

} // namespace

void Tiger::build(ModelSet& set)
{
    turret(set);
    gun(set);
    hull(set);
}
