#include "T34.h"

#include "VehicleParts.h"
#include "game/VehicleBuilds.h"

namespace {

const GunMount kGun(kT34);
constexpr float kDeck = 1.78f;

void hull(ModelSet& set)
{
    MeshBuilder b;
    Paint paint = set.textured(VehicleTexture::T34Paint);
    Paint dark = set.plain("gunmetal", 0x2A2C28);
    // Upper hull: side plates raked inwards over the tracks, the long
    // glacis in front of the deck and the sloped rear plate behind it.
    auto ring = [](float z, float bottom, float top, float width) {
        float lean = (top - bottom) * 0.72f;
        return Shapes::mirrored({{0, bottom},
                                 {width, bottom},
                                 {width, bottom + 0.06f},
                                 {width - lean, top},
                                 {0.45f, top},
                                 {0, top}},
                                z);
    };
    Loft upper;
    upper.rings = {ring(-3.4f, 1.08f, 1.14f, 1.83f), ring(-1.62f, 1.08f, kDeck, 1.83f), ring(2.15f, 1.08f, kDeck, 1.83f),
                   ring(3.05f, 1.08f, 1.16f, 1.83f)};
    upper.paint = paint;
    Shapes::loft(b, upper);
    // Lower hull with the lower nose plate and rear plate.
    VehicleParts::belly(b, 1.15f, {{-3.38f, 0.92f, 1.12f}, {-2.95f, 0.42f, 1.12f}, {2.85f, 0.42f, 1.12f}, {3.1f, 0.7f, 1.12f}},
                        paint);
    // Driver's hatch and machine gun on the glacis, fuel drums on the rear
    // sides, exhausts on the rear plate.
    Loft hatch;
    auto hatchRing = [](float z, float y) { return Shapes::mirrored({{0, y}, {0.35f, y}, {0.35f, y + 0.12f}, {0, y + 0.12f}}, z); };
    hatch.rings = {hatchRing(-2.55f, 1.2f), hatchRing(-1.9f, 1.55f)};
    for (auto& r : hatch.rings)
        for (Vec3& p : r)
            p.x -= 0.35f;
    hatch.paint = paint;
    Shapes::loft(b, hatch);
    VehicleParts::barrel(b, 1.45f, -2.52f, -2.86f, 0.11f, 0.06f, 6, paint, dark);
    for (float s : {-1.0f, 1.0f})
        Shapes::cylinder(b, {s * 1.45f, 1.36f, 0.9f}, {s * 1.45f, 1.36f, 1.85f}, 0.2f, 10, paint, paint);
    for (float x : {-0.7f, 0.7f})
        Shapes::cylinder(b, {x, 1.0f, 2.95f}, {x, 1.0f, 3.35f}, 0.09f, 6, dark, dark);
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
            p.uv = Uv::decalAt({edge == 1 ? 1.05f : -1.05f, 2.23f, 0.13f}, 1.3f);
            return p;
        }
        return paint;
    };
    Shapes::loft(b, body);
    for (float x : {-0.42f, 0.42f})
        Shapes::cylinder(b, {x, 2.66f, 0.35f}, {x, 2.82f, 0.35f}, 0.27f, 10, paint, paint, 0.24f);
    set.add(kT34.turret, b, {0, 1.8f, 0}, kT34.scale);
}

void gun(ModelSet& set)
{
    MeshBuilder b;
    Paint paint = set.textured(VehicleTexture::T34Paint);
    Paint bore = set.plain("bore", 0x0A0A0A);
    const float y = kGun.height, z = -kGun.pivot;
    // The cast mantlet: rounded about the trunnions, with a housing round
    // the barrel's root.
    Shapes::cylinder(b, {-0.42f, y, z}, {0.42f, y, z}, 0.3f, 12, paint, paint);
    Shapes::cylinder(b, {0, y, z - 0.2f}, {0, y, z - 0.62f}, 0.17f, 8, paint, paint, 0.13f);
    VehicleParts::barrel(b, y, z - 0.6f, -kGun.muzzle, 0.075f, 0.068f, 8, paint, bore);
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
