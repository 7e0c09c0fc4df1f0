#include "Truck.h"

#include <algorithm>
#include <cmath>

#include "VehicleParts.h"
#include "game/VehicleBuilds.h"

namespace {

struct TruckPaints {
    explicit TruckPaints(ModelSet& set)
        : paint(set.textured(VehicleTexture::TruckPaint)), canvas(set.textured(VehicleTexture::TruckCanvas)),
          grille(set.textured(VehicleTexture::TruckGrille)), tyre(set.textured(VehicleTexture::TruckTyre)),
          rubber(set.plain("rubber", 0x262624)), glass(set.plain("truck_glass", 0x48585E)),
          lamp(set.plain("lamp_glass", 0xD8D4B0)), dark(set.plain("gunmetal", 0x2A2C28)),
          red(set.plain("tail_lamp", 0x9A2A1E))
    {
    }
    Paint paint, canvas, grille, tyre, rubber, glass, lamp, dark, red;
};

void chassis(MeshBuilder& b, const TruckPaints& p)
{
    // Frame rails, bumpers, the fuel tank under the right door, wheels.
    VehicleParts::box(b, -0.45f, 0.72f, -3.2f, 0.45f, 0.98f, 3.3f, p.dark);
    VehicleParts::box(b, -1.15f, 0.62f, -3.5f, 1.15f, 0.84f, -3.34f, p.dark);
    VehicleParts::box(b, -1.2f, 0.74f, 3.28f, 1.2f, 0.9f, 3.42f, p.dark);
    for (float s : {-1.0f, 1.0f})
        VehicleParts::box(b, s * 0.98f, 0.78f, 3.42f, s * 1.16f, 0.88f, 3.46f, p.red);
    Shapes::cylinder(b, {0.9f, 0.72f, -1.4f}, {0.9f, 0.72f, -0.45f}, 0.2f, 8, p.paint, p.paint);
    for (float s : {-1.0f, 1.0f}) {
        for (float z : {-2.45f, 1.45f, 2.62f})
            // A flat of the 12-sided tyre rests on the ground.
            VehicleParts::wheel(b, s * (z < 0 ? 1.0f : 0.8f), s * 1.42f, 0.5023f, z, 0.52f, 12, p.rubber, p.tyre);
        // Mud flaps behind the back wheels.
        VehicleParts::box(b, s * 0.82f, 0.4f, 3.2f, s * 1.4f, 0.98f, 3.24f, p.rubber);
    }
}

void front(MeshBuilder& b, const TruckPaints& p)
{
    // Bonnet: rounded on top, the grille in its front.
    auto bonnet = [](float z) {
        return Shapes::mirrored({{0, 0.95f}, {0.62f, 0.95f}, {0.62f, 1.62f}, {0.5f, 1.76f}, {0.25f, 1.82f}, {0, 1.83f}}, z);
    };
    Loft hood;
    hood.rings = {bonnet(-3.38f), bonnet(-1.45f)};
    hood.smoothCorner = {false, false, false, true, true, true, true, true, false, false};
    hood.paint = p.paint;
    Paint front = p.grille;
    front.uv = Uv::decalAt({0, 1.38f, -3.38f}, 1.3f);
    hood.startCap = front;
    Shapes::loft(b, hood);
    // Front wings arched over the wheels and running on into the running
    // boards under the doors; the headlamps on their crowns.
    std::vector<std::pair<float, float>> wing;
    for (float a : {30.0f, 60.0f, 90.0f, 125.0f})
        wing.push_back({-2.45f - 0.72f * std::cos(a * 0.0174533f), 0.5f + 0.72f * std::sin(a * 0.0174533f)});
    wing.push_back({-1.7f, 0.95f});
    wing.push_back({-0.2f, 0.95f});
    for (float s : {-1.0f, 1.0f}) {
        VehicleParts::plate(b, s * 0.6f, s * 1.46f, wing, 0.06f, p.paint, {false, true, true, true, false, false});
        Shapes::cylinder(b, {s * 0.95f, 1.32f, -2.7f}, {s * 0.95f, 1.32f, -3.02f}, 0.14f, 8, p.paint, p.lamp);
    }
}

void cab(MeshBuilder& b, const TruckPaints& p)
{
    // Doors below, windows above, a roof rounded at its edges; the
    // windscreen leans back from the cowl.
    auto ring = [](float z, float top) {
        // The cowl under the windscreen is lower than the doors.
        const float door = std::min(1.9f, top - 0.1f);
        return Shapes::mirrored({{0, 0.95f}, {1.1f, 0.95f}, {1.1f, door}, {1.04f, top - 0.08f}, {0.94f, top}, {0, top}}, z);
    };
    Loft body;
    body.rings = {ring(-1.5f, 1.86f), ring(-1.38f, 2.6f), ring(-0.55f, 2.62f), ring(-0.2f, 2.62f)};
    body.smoothCorner = {false, false, false, true, true, false, true, true, false, false};
    body.paint = p.paint;
    // Ring edges 4 and 5 cross the windscreen in the first band; 2 and 7
    // are the door windows in the second.
    body.paintAt = [&](int32_t edge, int32_t band) {
        bool windscreen = band == 0 && (edge == 4 || edge == 5), window = band == 1 && (edge == 2 || edge == 7);
        return windscreen || window ? p.glass : p.paint;
    };
    Shapes::loft(b, body);
    // The windscreen's middle pillar.
    Loft pillar;
    auto post = [](float z, float y) {
        return std::vector<Vec3>{{-0.05f, y, z}, {0.05f, y, z}, {0.05f, y, z - 0.03f}, {-0.05f, y, z - 0.03f}};
    };
    pillar.rings = {post(-1.49f, 1.86f), post(-1.375f, 2.61f)};
    pillar.paint = p.paint;
    Shapes::loft(b, pillar);
}

void body(MeshBuilder& b, const TruckPaints& p)
{
    // Cargo bed and its canvas cover over the bows; the cover overhangs the
    // bed a little, hiding its top edge.
    VehicleParts::box(b, -1.28f, 0.98f, -0.05f, 1.28f, 1.62f, 3.38f, p.paint);
    std::vector<std::pair<float, float>> arch = {{0, 1.58f},    {1.31f, 1.58f}, {1.31f, 2.5f}, {1.22f, 2.74f},
                                                 {1.02f, 2.9f}, {0.6f, 2.99f},  {0, 3.02f}};
    Loft cover;
    cover.rings = {Shapes::mirrored(arch, 0.0f), Shapes::mirrored(arch, 3.3f)};
    cover.smoothCorner = {false, false, true, true, true, true, true, true, true, true, true, false};
    cover.paint = p.canvas;
    Shapes::loft(b, cover);
    // The spare wheel against the left side, jerry cans on the right.
    VehicleParts::wheel(b, -1.44f, -1.29f, 1.22f, 0.42f, 0.48f, 12, p.rubber, p.tyre);
    for (float z : {0.3f, 0.62f})
        VehicleParts::slab(b, {1.28f, 1.0f, z}, {1.42f, 1.46f, z + 0.28f}, 0.02f, p.paint);
}

} // namespace

void Truck::build(ModelSet& set)
{
    MeshBuilder b;
    const TruckPaints p(set);
    chassis(b, p);
    front(b, p);
    cab(b, p);
    body(b, p);
    set.add(kTruck.hull, b, {0, 1.5f, 0}, kTruck.scale);
}
