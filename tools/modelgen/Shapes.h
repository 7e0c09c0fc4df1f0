#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "Geometry.h"
#include "MeshBuilder.h"

// A material and the way a face takes its texture coordinates.
struct Paint {
    int32_t material = 0;
    Uv uv{};
};

// A closed solid swept through rings of equal size: ring j and ring j + 1
// are joined by quads, and the first and last rings are capped (or, for a
// loop, the last ring joins the first). Corners and rings are creases unless
// marked smooth.
struct Loft {
    std::vector<std::vector<Vec3>> rings;
    bool loop = false;
    std::vector<bool> smoothCorner; // per ring vertex; empty: all creases
    std::vector<bool> smoothRing;   // per ring; empty: all creases
    Paint paint;
    // Overrides the paint of the quad on ring edge i between rings j, j + 1.
    std::function<Paint(int32_t edge, int32_t band)> paintAt;
    std::optional<Paint> startCap, endCap;
};

// Primitive solids of the vehicles, each closed so it has no holes from any
// side.
class Shapes {
public:
    static void loft(MeshBuilder& b, const Loft& l);
    // An axis-aligned box.
    static void box(MeshBuilder& b, Vec3 lo, Vec3 hi, const Paint& p);
    // A cylinder from a to b along x, y or z (the axis with the largest
    // difference), with n sides, smooth around; caps painted with cap.
    static void cylinder(MeshBuilder& b, Vec3 a, Vec3 c, float radius, int32_t n, const Paint& side,
                         const Paint& cap, float radiusEnd = -1);
    // A polygon (counter-clockwise as seen from where it faces) split into
    // triangles by ear clipping, all in one group.
    static void polygon(MeshBuilder& b, const std::vector<Vec3>& ring, const Paint& p, int32_t group);
    // A ring of n points around centre in the plane across axis (0 x, 1 y,
    // 2 z), starting at angle phase.
    static std::vector<Vec3> circle(Vec3 centre, int32_t axis, float radius, int32_t n, float phase = 0);
    // A ring symmetric about x = 0 at depth z from its right half in the x-y
    // plane (x >= 0, running from the bottom centre line up to the top one).
    static std::vector<Vec3> mirrored(const std::vector<std::pair<float, float>>& half, float z);
    // The same across the vertical axis: a ring in the x-z plane at height
    // y from its right half (x >= 0, (x, z) from the front centre line
    // round to the back one).
    static std::vector<Vec3> mirroredPlan(const std::vector<std::pair<float, float>>& half, float y);
};
