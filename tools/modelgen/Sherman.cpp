#include "Sherman.h"

#include <cmath>

#include "VehicleParts.h"
#include "game/VehicleBuilds.h"

namespace {

const GunMount kGun(kSherman);
constexpr float kDeck = 2.02f;

void upperHull(ModelSet& set, MeshBuilder& b)
{
    Paint paint = set.textured(VehicleTexture::ShermanPaint);
    Paint star = set.textured(VehicleTexture::ShermanStar);
    Paint grille = set.textured(VehicleTexture::ShermanDeck);
    grille.uv = Uv::decalOn({0, kDeck, 2.72f}, 3.06f, 0.46f);

    // A cast hull: sponsons over the tracks, their top edges rolled over
    // in a curve of radius round, the rounded glacis in front and the
    // engine deck behind the turret. Rings across x-y at stations along z.
    auto ring = [](float z, float top, float sideLow, float sideHigh, float round) {
        const float bottom = 1.15f, side = 1.62f;
        return Shapes::mirrored({{0, bottom},
                                 {side, bottom},
                                 {side, sideLow},
                                 {side, sideHigh},
                                 {side, top - round},
                                 {side - round * 0.3f, top - round * 0.3f},
                                 {side - round, top},
                                 {0.6f, top},
                                 {0, top}},
                                z);
    };
    Loft upper;
    upper.rings = {ring(-3.12f, 1.25f, 1.17f, 1.19f, 0.05f), ring(-2.6f, 1.72f, 1.3f, 1.58f, 0.12f),
                   ring(-2.1f, kDeck, 1.4f, 1.84f, 0.18f),   ring(-0.95f, kDeck, 1.4f, 1.84f, 0.18f),
                   ring(-0.4f, kDeck, 1.4f, 1.84f, 0.18f),   ring(1.3f, kDeck, 1.4f, 1.84f, 0.18f),
                   ring(2.5f, kDeck, 1.4f, 1.84f, 0.18f),    ring(2.95f, 1.72f, 1.4f, 1.6f, 0.1f)};
    // Shading runs smoothly round the rolled edges (ring points 5 and 11)
    // and down the rounded glacis; the broad sides and deck stay evenly
    // lit, which also keeps them quick to fill.
    upper.smoothCorner.assign(16, false);
    upper.smoothCorner[5] = upper.smoothCorner[11] = true;
    upper.smoothRing = {false, true, false, false, false, false, false, false};
    upper.paint = paint;
    // Ring edges 2 and 13 are the sides between the star's heights, 7 and 8
    // the middle of the deck, 6 to 9 the whole flat deck: in the last band,
    // where the deck slopes down to the rear plate, they show the grille.
    upper.paintAt = [&](int32_t edge, int32_t band) {
        if (band == 3 && (edge == 2 || edge == 13)) {
            Paint p = star;
            p.uv = Uv::decalAt({edge == 2 ? 1.62f : -1.62f, 1.62f, -0.675f}, 0.55f);
            return p;
        }
        if (band == 5 && (edge == 7 || edge == 8)) {
            Paint p = star;
            p.uv = Uv::decalAt({0, kDeck, 1.9f}, 1.2f);
            return p;
        }
        return band == 6 && edge >= 6 && edge <= 9 ? grille : paint;
    };
    Shapes::loft(b, upper);

    // Lower hull between the tracks, its rear plate just behind the upper
    // one (two faces in one plane would leave a seam of stray pixels), and
    // the rounded transmission cover.
    VehicleParts::belly(b, 1.22f, {{-2.8f, 0.42f, 1.3f}, {2.65f, 0.42f, 1.3f}, {2.9f, 0.55f, 1.22f}}, paint);
    Shapes::cylinder(b, {-1.3f, 0.84f, -2.9f}, {1.3f, 0.84f, -2.9f}, 0.44f, 12, paint, paint);
}

void fittings(ModelSet& set, MeshBuilder& b)
{
    Paint paint = set.textured(VehicleTexture::ShermanPaint);
    Paint dark = set.plain("gunmetal", 0x2A2C28);
    Paint lamp = set.plain("lamp_glass", 0xD8D4B0);
    Paint wood = set.plain("tool_wood", 0x8C6A44);
    Paint steel = set.plain("tool_steel", 0x4C4E4A);
    // Driver's and co-driver's hatches, each with its periscope.
    for (float s : {-1.0f, 1.0f}) {
        VehicleParts::slab(b, {s * 0.22f, kDeck - 0.02f, -2.0f}, {s * 0.82f, kDeck + 0.08f, -1.45f}, 0.05f, paint);
        VehicleParts::slab(b, {s * 0.4f, kDeck + 0.06f, -1.98f}, {s * 0.62f, kDeck + 0.16f, -1.86f}, 0.02f, dark);
    }
    // The bow machine gun's ball on the right of the glacis, the headlamps
    // on its corners.
    Shapes::cylinder(b, {0.6f, 1.56f, -2.62f}, {0.6f, 1.56f, -2.9f}, 0.13f, 6, paint, paint, 0.1f);
    Shapes::cylinder(b, {0.6f, 1.56f, -2.84f}, {0.6f, 1.56f, -3.12f}, 0.055f, 6, dark, dark);
    for (float s : {-1.0f, 1.0f})
        Shapes::cylinder(b, {s * 1.3f, 1.36f, -2.86f}, {s * 1.3f, 1.36f, -3.12f}, 0.1f, 6, paint, lamp);
    // Tools on the engine deck beside the star.
    VehicleParts::tools(b, {-1.2f, kDeck, 1.3f}, 0.28f, wood, steel);
    VehicleParts::box(b, 1.1f, kDeck, 1.3f, 1.2f, kDeck + 0.08f, 2.45f, steel);
    // The rear plate: the exhaust deflector under the deck's edge, the air
    // cleaners either side, the towing pintle.
    VehicleParts::plate(b, -1.25f, 1.25f, {{2.93f, 1.62f}, {3.16f, 1.42f}}, 0.05f, paint);
    for (float s : {-1.0f, 1.0f})
        Shapes::cylinder(b, {s * 1.2f, 1.16f, 3.05f}, {s * 1.2f, 1.5f, 3.05f}, 0.13f, 6, paint, paint);
    VehicleParts::box(b, -0.12f, 0.95f, 2.9f, 0.12f, 1.1f, 3.12f, dark);
}

void hull(ModelSet& set)
{
    MeshBuilder b;
    upperHull(set, b);
    fittings(set, b);
    set.add(kSherman.hull, b, {0, 1.1f, 0}, kSherman.scale);
}

void tracks(ModelSet& set)
{
    MeshBuilder b;
    Paint track = set.textured(VehicleTexture::ShermanTrack, Uv::tile(32));
    Paint edge = set.plain("sherman_track_edge", 0x3A3631);
    Paint tyre = set.plain("rubber", 0x262624);
    Paint wheel = set.textured(VehicleTexture::ShermanWheel);
    Paint steel = set.textured(VehicleTexture::ShermanPaint);
    // Drive sprocket in front, idler behind, the top run on return rollers.
    auto path = VehicleParts::trackPath(2.45f, {-3.0f, 0.78f, 0.425f, -100}, {{-2.1f, 1.12f}, {2.2f, 0.98f}},
                                        {2.98f, 0.5f, 0.345f, 230});
    for (float s : {-1.0f, 1.0f}) {
        float x0 = s * 1.24f, x1 = s * 1.8f;
        VehicleParts::trackBelt(b, path, std::min(x0, x1), std::max(x0, x1), 0.09f, track, edge);
        float w0 = s * 1.3f, w1 = s * 1.74f;
        for (float bogie : {-1.78f, 0.0f, 1.78f}) {
            for (float d : {-0.42f, 0.42f})
                VehicleParts::wheel(b, std::min(w0, w1), std::max(w0, w1), 0.42f, bogie + d, 0.33f, 8, tyre, wheel);
            // The volute bogie stands back from the wheels' faces, its
            // return roller on top under the track's top run.
            Loft bracket;
            auto r = [&](float z, float top) {
                return std::vector<Vec3>{{s * 1.36f, 0.3f, z}, {s * 1.62f, 0.3f, z}, {s * 1.62f, top, z}, {s * 1.36f, top, z}};
            };
            bracket.rings = {r(bogie - 0.34f, 0.9f), r(bogie - 0.2f, 0.9f), r(bogie + 0.2f, 0.82f)};
            bracket.paint = steel;
            Shapes::loft(b, bracket);
            float top = 1.12f - 0.14f * (bogie + 0.05f + 2.1f) / 4.3f - 0.045f;
            Shapes::cylinder(b, {s * 1.4f, top - 0.11f, bogie + 0.05f}, {s * 1.62f, top - 0.11f, bogie + 0.05f}, 0.11f, 6,
                             tyre, steel);
        }
        float s0 = s * 1.28f, s1 = s * 1.76f;
        VehicleParts::wheel(b, s0, s1, 0.78f, -3.0f, 0.38f, 8, steel, wheel);
        VehicleParts::wheel(b, s0, s1, 0.5f, 2.98f, 0.3f, 8, tyre, wheel);
    }
    set.add(kSherman.tracks, b, {0, 0.6f, 0}, kSherman.scale);
}

void turret(ModelSet& set)
{
    MeshBuilder b;
    Paint paint = set.textured(VehicleTexture::ShermanPaint);
    Paint dark = set.plain("gunmetal", 0x2A2C28);
    const float base = 1.98f;
    // A rounded cast body: longer behind (the bustle) than in front.
    const int32_t n = 12;
    auto ring = [&](float y, float k) {
        std::vector<Vec3> r;
        for (int32_t i = 0; i < n; i++) {
            float a = 6.2831853f * static_cast<float>(i) / n;
            float x = std::sin(a) * 1.2f, z = -std::cos(a);
            z *= z < 0 ? 1.15f : 1.4f;
            r.push_back({x * k, y, z * k + (1 - k) * 0.12f});
        }
        return r;
    };
    Loft body;
    body.rings = {ring(base, 1.0f), ring(2.4f, 1.03f), ring(2.85f, 1.0f), ring(3.04f, 0.9f), ring(3.12f, 0.7f)};
    body.smoothCorner.assign(n, true);
    body.smoothRing = {false, true, true, true, false};
    body.paint = paint;
    Shapes::loft(b, body);
    // Commander's cupola with its hatch, the loader's hatch, periscopes at
    // the front of the roof and a pistol port in the left side.
    Shapes::cylinder(b, {0.42f, 3.0f, 0.35f}, {0.42f, 3.24f, 0.35f}, 0.3f, 10, paint, paint, 0.27f);
    Shapes::cylinder(b, {0.44f, 3.22f, 0.37f}, {0.44f, 3.28f, 0.37f}, 0.23f, 10, paint, paint);
    VehicleParts::slab(b, {-0.75f, 3.02f, -0.05f}, {-0.2f, 3.17f, 0.5f}, 0.05f, paint);
    for (float x : {-0.45f, 0.5f})
        VehicleParts::slab(b, {x - 0.11f, 3.0f, -0.66f}, {x + 0.11f, 3.17f, -0.5f}, 0.02f, dark);
    Shapes::cylinder(b, {-0.98f, 2.55f, 0.75f}, {-1.14f, 2.55f, 0.75f}, 0.1f, 6, paint, dark);
    // The heavy machine gun on the cupola: post, receiver, barrel thick
    // enough to stay whole further off.
    Shapes::box(b, {0.38f, 3.26f, 0.3f}, {0.46f, 3.5f, 0.4f}, dark);
    Shapes::box(b, {0.35f, 3.46f, 0.1f}, {0.49f, 3.6f, 0.56f}, dark);
    Shapes::cylinder(b, {0.42f, 3.53f, 0.12f}, {0.42f, 3.53f, -0.62f}, 0.06f, 6, dark, dark, 0.05f);
    set.add(kSherman.turret, b, {0, 2.0f, 0}, kSherman.scale);
}

void gun(ModelSet& set)
{
    MeshBuilder b;
    Paint paint = set.textured(VehicleTexture::ShermanPaint);
    Paint bore = set.plain("bore", 0x0A0A0A);
    const float y = kGun.height, z = -kGun.pivot;
    // The broad rounded shield over the rotor turns with the gun; the
    // barrel leaves it through a collar.
    VehicleParts::mantlet(b, {y, z, 0.64f, 0.5f, -38, 38, 0.14f, 0.1f}, paint, paint);
    Shapes::cylinder(b, {0, y, z - 0.4f}, {0, y, z - 0.66f}, 0.14f, 8, paint, paint, 0.12f);
    VehicleParts::barrel(b, y, z - 0.62f, -kGun.muzzle, 0.085f, 0.075f, 8, paint, bore);
    Shapes::cylinder(b, {0, y, -kGun.muzzle + 0.17f}, {0, y, -kGun.muzzle + 0.02f}, 0.1f, 8, paint, paint);
    set.add(kSherman.gun, b, {0, y, z}, kSherman.scale);
}

} // namespace

void Sherman::build(ModelSet& set)
{
    turret(set);
    gun(set);
    hull(set);
    tracks(set);
}
