#include "Tiger.h"

#include <cmath>

#include "VehicleParts.h"
#include "game/VehicleBuilds.h"

namespace {

const GunMount kGun(kTiger);
constexpr float kDeck = 1.85f;

void hull(ModelSet& set)
{
    MeshBuilder b;
    Paint paint = set.textured(VehicleTexture::TigerPaint);
    Paint cross = set.textured(VehicleTexture::TigerCross);
    Paint dark = set.plain("gunmetal", 0x2A2C28);

    // Superstructure: vertical slab sides flush with the tracks' outer edge,
    // a vertical front plate and a flat deck.
    auto ring = [](float z) {
        return Shapes::mirrored(
            {{0, 1.05f}, {1.78f, 1.05f}, {1.78f, 1.15f}, {1.78f, 1.75f}, {1.78f, kDeck}, {0.7f, kDeck}, {0, kDeck}}, z);
    };
    Loft upper;
    upper.rings = {ring(-2.7f), ring(0.95f), ring(1.65f), ring(2.85f)};
    upper.paint = paint;
    // Ring edges 2 and 9 run between the cross's heights.
    upper.paintAt = [&](int32_t edge, int32_t band) {
        if (band == 1 && (edge == 2 || edge == 9)) {
            Paint p = cross;
            p.uv = Uv::decalAt({edge == 2 ? 1.78f : -1.78f, 1.45f, 1.3f}, 0.7f);
            return p;
        }
        return paint;
    };
    Shapes::loft(b, upper);

    // Lower hull between the tracks, with the short sloped nose.
    VehicleParts::belly(b, 1.08f, {{-3.08f, 0.66f, 0.96f}, {-2.78f, 0.4f, 1.12f}, {2.55f, 0.4f, 1.12f}, {2.8f, 0.5f, 1.1f}},
                        paint);

    // Driver's visor and the hull machine gun on the front plate; the
    // exhausts on the rear plate.
    VehicleParts::box(b, 0.3f, 1.42f, -2.62f, 0.9f, 1.62f, -2.82f, dark);
    VehicleParts::barrel(b, 1.5f, -2.6f, -2.86f, 0.13f, 0.1f, 8, paint, dark);
    for (float x : {-0.55f, 0.55f})
        Shapes::cylinder(b, {x, 1.35f, 2.95f}, {x, 2.1f, 2.95f}, 0.12f, 8, dark, dark);

    // Running gear: wide tracks under the superstructure, the front drive
    // sprocket and rear idler, and road wheels in two interleaved rows.
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
    set.add(kTiger.hull, b, {0, 1.0f, 0}, kTiger.scale);
}

void turret(ModelSet& set)
{
    MeshBuilder b;
    Paint paint = set.textured(VehicleTexture::TigerPaint);
    // A horseshoe: flat front plate, sides curving round the back.
    auto ring = [](float y, float k) {
        std::vector<Vec3> r = {{-1.2f * k, y, -1.1f}, {1.2f * k, y, -1.1f}, {1.38f * k, y, -0.45f}};
        for (int32_t i = 0; i <= 8; i++) {
            float a = 3.14159265f * static_cast<float>(i) / 8;
            r.push_back({1.38f * std::cos(a) * k, y, 0.2f + 1.3f * std::sin(a) * k});
        }
        r.push_back({-1.38f * k, y, -0.45f});
        return r;
    };
    Loft body;
    body.rings = {ring(1.8f, 1.0f), ring(2.86f, 0.97f)};
    body.smoothCorner.assign(body.rings[0].size(), true);
    for (int32_t i : {0, 1, 2, 12})
        body.smoothCorner[static_cast<std::size_t>(i)] = false;
    body.paint = paint;
    Shapes::loft(b, body);
    // Commander's cupola on the left, the stowage bin on the back.
    Shapes::cylinder(b, {-0.62f, 2.74f, 0.6f}, {-0.62f, 3.08f, 0.6f}, 0.34f, 12, paint, paint, 0.31f);
    VehicleParts::box(b, -0.8f, 2.05f, 1.42f, 0.8f, 2.6f, 1.98f, paint);
    VehicleParts::box(b, 0.25f, 2.82f, -0.6f, 0.8f, 2.94f, 0.0f, paint);
    set.add(kTiger.turret, b, {0, 1.85f, 0}, kTiger.scale);
}

void gun(ModelSet& set)
{
    MeshBuilder b;
    Paint paint = set.textured(VehicleTexture::TigerPaint);
    Paint bore = set.plain("bore", 0x0A0A0A);
    const float y = kGun.height, z = -kGun.pivot;
    // The flat mantlet with bevelled edges, reaching back into the turret.
    auto plate = [&](float dz, float w, float h) {
        return std::vector<Vec3>{{-w, y - h, z + dz}, {w, y - h, z + dz}, {w, y + h, z + dz}, {-w, y + h, z + dz}};
    };
    Loft mantlet;
    mantlet.rings = {plate(0.42f, 0.8f, 0.36f), plate(-0.06f, 0.8f, 0.36f), plate(-0.16f, 0.7f, 0.28f)};
    mantlet.paint = paint;
    Shapes::loft(b, mantlet);
    VehicleParts::barrel(b, y, z - 0.16f, -kGun.muzzle + 0.34f, 0.105f, 0.088f, 8, paint, bore);
    // The double-baffle muzzle brake ends at the muzzle.
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
