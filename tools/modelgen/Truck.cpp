#include "Truck.h"

#include <cmath>

#include "VehicleParts.h"
#include "game/VehicleBuilds.h"

void Truck::build(ModelSet& set)
{
    MeshBuilder b;
    Paint paint = set.textured(VehicleTexture::TruckPaint);
    Paint canvas = set.textured(VehicleTexture::TruckCanvas);
    Paint grille = set.textured(VehicleTexture::TruckGrille);
    Paint tyre = set.textured(VehicleTexture::TruckTyre);
    Paint rubber = set.plain("rubber", 0x262624);
    Paint glass = set.plain("truck_glass", 0x48585E);
    Paint lamp = set.plain("truck_lamp", 0xD8D4B0);
    Paint dark = set.plain("gunmetal", 0x2A2C28);

    // Chassis, bumper, wheels.
    VehicleParts::box(b, -0.45f, 0.72f, -3.2f, 0.45f, 0.98f, 3.3f, dark);
    VehicleParts::box(b, -1.15f, 0.62f, -3.5f, 1.15f, 0.84f, -3.34f, dark);
    for (float s : {-1.0f, 1.0f})
        for (float z : {-2.45f, 1.45f, 2.62f})
            // A flat of the 12-sided tyre rests on the ground.
            VehicleParts::wheel(b, s * (z < 0 ? 1.0f : 0.8f), s * 1.42f, 0.5023f, z, 0.52f, 12, rubber, tyre);

    // Bonnet: rounded on top, the grille in its front.
    auto bonnet = [](float z) {
        return Shapes::mirrored({{0, 0.95f}, {0.62f, 0.95f}, {0.62f, 1.62f}, {0.5f, 1.76f}, {0.25f, 1.82f}, {0, 1.83f}}, z);
    };
    Loft hood;
    hood.rings = {bonnet(-3.38f), bonnet(-1.45f)};
    hood.smoothCorner = {false, false, false, true, true, true, true, true, false, false};
    hood.paint = paint;
    Paint front = grille;
    front.uv = Uv::decalAt({0, 1.38f, -3.38f}, 1.3f);
    hood.startCap = front;
    Shapes::loft(b, hood);
    // Front wings over the wheels, the headlamps on them.
    for (float s : {-1.0f, 1.0f}) {
        Loft wing;
        auto w = [&](float z, float y) {
            return std::vector<Vec3>{{s * 0.6f, y - 0.1f, z}, {s * 1.45f, y - 0.1f, z}, {s * 1.45f, y, z}, {s * 0.6f, y, z}};
        };
        wing.rings = {w(-3.3f, 1.02f), w(-2.75f, 1.32f), w(-1.5f, 1.32f), w(-1.2f, 1.05f)};
        wing.paint = paint;
        Shapes::loft(b, wing);
        Shapes::cylinder(b, {s * 0.9f, 1.52f, -2.9f}, {s * 0.9f, 1.52f, -3.2f}, 0.14f, 8, paint, lamp);
    }

    // Cab: doors below, windows above, a flat roof.
    auto cab = [](float z, float top) {
        return Shapes::mirrored({{0, 0.95f}, {1.1f, 0.95f}, {1.1f, 1.9f}, {1.02f, top}, {0, top}}, z);
    };
    Loft body;
    body.rings = {cab(-1.5f, 1.9f), cab(-1.45f, 2.62f), cab(-0.2f, 2.62f)};
    body.paint = paint;
    // The band above the doors is glass, but for the corner pillars.
    body.paintAt = [&](int32_t edge, int32_t band) { return band == 1 && (edge == 2 || edge == 5) ? glass : paint; };
    Paint windscreen = glass;
    body.startCap = windscreen;
    Shapes::loft(b, body);

    // Cargo bed and its canvas cover over the bows.
    VehicleParts::box(b, -1.28f, 0.98f, -0.05f, 1.28f, 1.62f, 3.38f, paint);
    // The cover overhangs the bed a little, hiding its top edge.
    std::vector<std::pair<float, float>> arch = {{0, 1.58f}, {1.31f, 1.58f}, {1.31f, 2.5f}, {1.1f, 2.82f}, {0.6f, 2.98f}, {0, 3.02f}};
    Loft cover;
    cover.rings = {Shapes::mirrored(arch, 0.0f), Shapes::mirrored(arch, 3.3f)};
    cover.smoothCorner = {false, false, false, true, true, true, true, true, false, false};
    cover.paint = canvas;
    Shapes::loft(b, cover);
    set.add(kTruck.hull, b, {0, 1.5f, 0}, kTruck.scale);
}
