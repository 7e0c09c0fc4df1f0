#include "Sherman.h"

#include <cmath>

#include "VehicleParts.h"
#include "game/VehicleBuilds.h"

namespace {

const GunMount kGun(kSherman);

void hull(ModelSet& set)
{
    MeshBuilder b;
    Paint paint = set.textured(VehicleTexture::ShermanPaint);
    Paint star = set.textured(VehicleTexture::ShermanStar);

    // Upper hull: sponsons over the tracks, the glacis in front, the engine
    // deck behind the turret. Rings across x-y at stations along z.
    auto ring = [](float z, float bottom, float top, float sideLow, float sideHigh) {
        return Shapes::mirrored({{0, bottom},
                                 {1.62f, bottom},
                                 {1.62f, sideLow},
                                 {1.62f, sideHigh},
                                 {1.62f, top - 0.07f},
                                 {1.54f, top},
                                 {0.6f, top},
                                 {0, top}},
                                z);
    };
    const float deck = 2.02f;
    Loft upper;
    upper.rings = {ring(-3.12f, 1.15f, 1.25f, 1.17f, 1.19f), ring(-2.1f, 1.15f, deck, 1.4f, 1.9f),
                   ring(-0.95f, 1.15f, deck, 1.4f, 1.9f),    ring(-0.4f, 1.15f, deck, 1.4f, 1.9f),
                   ring(1.3f, 1.15f, deck, 1.4f, 1.9f),      ring(2.5f, 1.15f, deck, 1.4f, 1.9f),
                   ring(2.95f, 1.15f, 1.72f, 1.4f, 1.68f)};
    upper.paint = paint;
    // Ring edges 2 and 11 are the sides between the star's heights; 6 and 7
    // the middle of the deck.
    upper.paintAt = [&](int32_t edge, int32_t band) {
        if (band == 2 && (edge == 2 || edge == 11)) {
            Paint p = star;
            p.uv = Uv::decalAt({edge == 2 ? 1.62f : -1.62f, 1.65f, -0.675f}, 0.55f);
            return p;
        }
        if (band == 4 && (edge == 6 || edge == 7)) {
            Paint p = star;
            p.uv = Uv::decalAt({0, deck, 1.9f}, 1.2f);
            return p;
        }
        return paint;
    };
    Shapes::loft(b, upper);

    // Lower hull between the tracks, its rear plate just behind the upper
    // one (two faces in one plane would leave a seam of stray pixels), and
    // the rounded transmission cover.
    VehicleParts::belly(b, 1.22f, {{-2.8f, 0.42f, 1.3f}, {2.65f, 0.42f, 1.3f}, {2.9f, 0.55f, 1.22f}}, paint);
    Shapes::cylinder(b, {-1.3f, 0.84f, -2.9f}, {1.3f, 0.84f, -2.9f}, 0.44f, 12, paint, paint);
    // Driver's and co-driver's hatches, the bow machine gun.
    for (float side : {-1.0f, 1.0f})
        Shapes::box(b, {side > 0 ? 0.22f : -0.82f, deck - 0.02f, -2.02f}, {side > 0 ? 0.82f : -0.22f, deck + 0.07f, -1.45f},
                    paint);
    Paint dark = set.plain("gunmetal", 0x2A2C28);
    VehicleParts::barrel(b, 1.62f, -2.45f, -2.78f, 0.06f, 0.05f, 6, dark, dark);
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
            // The bogie and its return roller skid stand back from the
            // wheels' faces.
            Loft bracket;
            auto r = [&](float z, float top) {
                return std::vector<Vec3>{{s * 1.36f, 0.3f, z}, {s * 1.62f, 0.3f, z}, {s * 1.62f, top, z}, {s * 1.36f, top, z}};
            };
            bracket.rings = {r(bogie - 0.34f, 0.97f), r(bogie - 0.2f, 0.97f), r(bogie + 0.2f, 0.86f)};
            bracket.paint = steel;
            Shapes::loft(b, bracket);
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
    // Commander's cupola, loader's hatch and the roof machine gun.
    Shapes::cylinder(b, {0.42f, 3.02f, 0.35f}, {0.42f, 3.26f, 0.35f}, 0.3f, 8, paint, paint, 0.27f);
    Shapes::box(b, {-0.75f, 3.07f, -0.05f}, {-0.2f, 3.18f, 0.5f}, paint);
    Paint dark = set.plain("gunmetal", 0x2A2C28);
    Shapes::box(b, {0.38f, 3.26f, 0.3f}, {0.46f, 3.54f, 0.4f}, dark);
    VehicleParts::barrel(b, 3.52f, 0.55f, -0.6f, 0.05f, 0.04f, 6, dark, dark);
    set.add(kSherman.turret, b, {0, 2.0f, 0}, kSherman.scale);
}

void gun(ModelSet& set)
{
    MeshBuilder b;
    Paint paint = set.textured(VehicleTexture::ShermanPaint);
    Paint bore = set.plain("bore", 0x0A0A0A);
    const float y = kGun.height, z = -kGun.pivot;
    // The rotor turns about the trunnion axis, so it stays put as the gun
    // rises; the shield and the barrel move with it.
    Shapes::cylinder(b, {-0.52f, y, z}, {0.52f, y, z}, 0.34f, 10, paint, paint);
    Shapes::box(b, {-0.6f, y - 0.3f, z - 0.44f}, {0.6f, y + 0.3f, z - 0.28f}, paint);
    VehicleParts::barrel(b, y, z - 0.44f, -kGun.muzzle, 0.085f, 0.075f, 8, paint, bore);
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
