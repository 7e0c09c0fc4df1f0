#include "T34.h"

#include <cmath>

#include "VehicleParts.h"
#include "game/VehicleBuilds.h"

namespace {

const GunMount kGun(kT34);
constexpr float kDeck = 1.78f;
// The fenders over the tracks, and the engine deck behind the turret.
constexpr float kFender = 1.13f, kEngineDeck = 0.85f, kDeckEnd = 2.15f;
constexpr float kLean = 0.72f; // inwards per unit of height

void upperHull(ModelSet& set, MeshBuilder& b)
{
    Paint paint = set.textured(VehicleTexture::T34Paint);
    Paint deck = set.textured(VehicleTexture::T34Deck);
    const float deckHalf = 1.45f - (kDeck - kFender) * kLean;
    deck.uv = Uv::decalOn({0, kDeck, (kEngineDeck + kDeckEnd) / 2}, 2 * deckHalf, kDeckEnd - kEngineDeck);
    // Flat fenders over the tracks, the side plates raked inwards from them
    // up to the deck, the long glacis in front and the sloped rear plate.
    auto ring = [](float z, float top) {
        return Shapes::mirrored({{0, 1.08f},
                                 {1.83f, 1.08f},
                                 {1.83f, kFender},
                                 {1.45f, kFender},
                                 {1.45f - (top - kFender) * kLean, top},
                                 {0.45f, top},
                                 {0, top}},
                                z);
    };
    Loft upper;
    upper.rings = {ring(-3.4f, 1.14f), ring(-1.62f, kDeck), ring(kEngineDeck, kDeck), ring(kDeckEnd, kDeck),
                   ring(3.05f, 1.16f)};
    upper.paint = paint;
    // Ring edges 4 to 7 run across the deck.
    upper.paintAt = [&](int32_t edge, int32_t band) { return band == 2 && edge >= 4 && edge <= 7 ? deck : paint; };
    Shapes::loft(b, upper);
    // Lower hull with the lower nose plate and rear plate.
    VehicleParts::belly(b, 1.15f, {{-3.38f, 0.92f, 1.12f}, {-2.95f, 0.42f, 1.12f}, {2.85f, 0.42f, 1.12f}, {3.1f, 0.7f, 1.12f}},
                        paint);
}

// A round plate on the sloped rear plate, standing thick proud of it.
void rearHatch(MeshBuilder& b, const Paint& paint)
{
    // The rear plate falls from (z 2.15, y kDeck) to (3.05, 1.16).
    const Vec3 down{0, 1.16f - kDeck, 3.05f - kDeckEnd};
    const Vec3 along = down * (1.0f / down.length()), out{0, along.z, -along.y};
    const Vec3 centre = Vec3{0, kDeck, kDeckEnd} + along * 0.55f;
    auto ring = [&](float lift) {
        std::vector<Vec3> r;
        for (int32_t i = 0; i < 10; i++) {
            float a = 6.2831853f * static_cast<float>(i) / 10;
            r.push_back(centre + out * lift + Vec3{0.36f * std::cos(a), 0, 0} + along * (0.36f * std::sin(a)));
        }
        return r;
    };
    Loft hatch;
    hatch.rings = {ring(-0.03f), ring(0.05f)};
    hatch.smoothCorner.assign(10, true);
    hatch.paint = paint;
    Shapes::loft(b, hatch);
}

void fittings(ModelSet& set, MeshBuilder& b)
{
    Paint paint = set.textured(VehicleTexture::T34Paint);
    Paint dark = set.plain("gunmetal", 0x2A2C28);
    Paint lamp = set.plain("lamp_glass", 0xD8D4B0);
    // Driver's hatch on the glacis with its two periscopes, the machine gun
    // in its armoured ball on the right, the headlamp on the left.
    Loft hatch;
    auto hatchRing = [](float z, float y) { return Shapes::mirrored({{0, y}, {0.35f, y}, {0.35f, y + 0.12f}, {0, y + 0.12f}}, z); };
    hatch.rings = {hatchRing(-2.55f, 1.2f), hatchRing(-1.9f, 1.55f)};
    for (auto& r : hatch.rings)
        for (Vec3& p : r)
            p.x -= 0.35f;
    hatch.paint = paint;
    Shapes::loft(b, hatch);
    for (float x : {-0.55f, -0.15f})
        VehicleParts::slab(b, {x - 0.1f, 1.6f, -2.02f}, {x + 0.1f, 1.74f, -1.9f}, 0.02f, dark);
    Shapes::cylinder(b, {0.55f, 1.45f, -2.42f}, {0.55f, 1.45f, -2.68f}, 0.16f, 6, paint, paint, 0.12f);
    Shapes::cylinder(b, {0.55f, 1.45f, -2.64f}, {0.55f, 1.45f, -2.92f}, 0.055f, 6, dark, dark);
    Shapes::cylinder(b, {-0.95f, 1.63f, -1.95f}, {-0.95f, 1.63f, -2.2f}, 0.09f, 6, paint, lamp);
    // Tool boxes on the front fenders, the fuel drums on the rear ones.
    VehicleParts::slab(b, {1.5f, kFender - 0.01f, -1.35f}, {1.82f, 1.42f, -0.45f}, 0.03f, paint);
    VehicleParts::slab(b, {-1.82f, kFender - 0.01f, -1.9f}, {-1.5f, 1.36f, -0.6f}, 0.03f, paint);
    for (float s : {-1.0f, 1.0f})
        Shapes::cylinder(b, {s * 1.6f, 1.34f, 0.9f}, {s * 1.6f, 1.34f, 1.85f}, 0.2f, 8, paint, paint);
    // The rear plate: the transmission hatch between the exhausts.
    rearHatch(b, paint);
    for (float x : {-0.7f, 0.7f})
        Shapes::cylinder(b, {x, 1.0f, 2.95f}, {x, 1.0f, 3.35f}, 0.09f, 6, dark, dark);
}

void hull(ModelSet& set)
{
    MeshBuilder b;
    upperHull(set, b);
    fittings(set, b);
    set.add(kT34.hull, b, {0, 1.1f, 0}, kT34.scale);
}

void tracks(ModelSet& set)
{
    MeshBuilder b;
    Paint track = set.textured(VehicleTexture::T34Track, Uv::tile(32));
    Paint edge = set.plain("t34_track_edge", 0x3C3A36);
    Paint tyre = set.plain("rubber", 0x262624);
    Paint wheel = set.textured(VehicleTexture::T34Wheel);
    // Christie suspension: five big wheels, no return rollers, the top run
    // resting on the wheels; idler in front, drive sprocket behind.
    auto path = VehicleParts::trackPath(2.55f, {-3.05f, 0.62f, 0.425f, -100}, {{-2.2f, 0.98f}, {2.2f, 0.98f}},
                                        {3.0f, 0.72f, 0.395f, 235});
    for (float s : {-1.0f, 1.0f}) {
        VehicleParts::trackBelt(b, path, s * 1.17f, s * 1.83f, 0.09f, track, edge);
        for (int32_t i = 0; i < 5; i++)
            VehicleParts::wheel(b, s * 1.25f, s * 1.75f, 0.5f, -2.2f + 1.1f * static_cast<float>(i), 0.41f, 12, tyre,
                                wheel);
        VehicleParts::wheel(b, s * 1.25f, s * 1.75f, 0.62f, -3.05f, 0.38f, 10, tyre, wheel);
        VehicleParts::wheel(b, s * 1.25f, s * 1.78f, 0.72f, 3.0f, 0.35f, 10, edge, wheel);
    }
    set.add(kT34.tracks, b, {0, 0.55f, 0}, kT34.scale);
}

void turret(ModelSet& set)
{
    MeshBuilder b;
    Paint paint = set.textured(VehicleTexture::T34Paint);
    Paint star = set.textured(VehicleTexture::T34Star);
    Paint dark = set.plain("gunmetal", 0x2A2C28);
    // The hexagonal turret of 1943: narrow front, wide raked sides.
    auto ring = [](float y, float k) {
        std::vector<Vec3> r = {{0.72f, y, -1.3f}, {1.2f, y, -0.4f}, {1.12f, y, 0.85f},
                               {0.78f, y, 1.4f},  {-0.78f, y, 1.4f}, {-1.12f, y, 0.85f},
                               {-1.2f, y, -0.4f}, {-0.72f, y, -1.3f}};
        for (Vec3& p : r)
            p = {p.x * k, y, p.z * k - (1 - k) * 0.15f};
        return r;
    };
    Loft body;
    body.rings = {ring(1.74f, 1.0f), ring(2.72f, 0.8f)};
    body.paint = paint;
    // Edges 1 and 5 are the two sides.
    body.paintAt = [&](int32_t edge, int32_t) {
        if (edge == 1 || edge == 5) {
            Paint p = star;
            p.uv = Uv::decalAt({edge == 1 ? 1.05f : -1.05f, 2.23f, 0.22f}, 1.3f);
            return p;
        }
        return paint;
    };
    Shapes::loft(b, body);
    // The two round hatches, the periscopes ahead of them and the
    // ventilator's dome at the front of the roof.
    for (float x : {-0.42f, 0.42f}) {
        Shapes::cylinder(b, {x, 2.66f, 0.35f}, {x, 2.82f, 0.35f}, 0.27f, 10, paint, paint, 0.24f);
        VehicleParts::slab(b, {x - 0.1f, 2.7f, -0.36f}, {x + 0.1f, 2.84f, -0.2f}, 0.02f, dark);
    }
    Shapes::cylinder(b, {0, 2.7f, -0.72f}, {0, 2.8f, -0.72f}, 0.13f, 6, paint, paint, 0.09f);
    set.add(kT34.turret, b, {0, 1.8f, 0}, kT34.scale);
}

void gun(ModelSet& set)
{
    MeshBuilder b;
    Paint paint = set.textured(VehicleTexture::T34Paint);
    Paint bore = set.plain("bore", 0x0A0A0A);
    const float y = kGun.height, z = -kGun.pivot;
    // The cast mantlet, rounded about the trunnions, with the armoured
    // sleeve round the barrel's root.
    VehicleParts::mantlet(b, {y, z, 0.48f, 0.34f, -55, 55, 0.26f, 0.12f}, paint, paint);
    Shapes::cylinder(b, {0, y, z - 0.2f}, {0, y, z - 0.66f}, 0.17f, 10, paint, paint, 0.12f);
    VehicleParts::barrel(b, y, z - 0.62f, -kGun.muzzle, 0.075f, 0.068f, 8, paint, bore);
    set.add(kT34.gun, b, {0, y, z}, kT34.scale);
}

} // namespace

void T34::build(ModelSet& set)
{
    turret(set);
    gun(set);
    hull(set);
    tracks(set);
}
