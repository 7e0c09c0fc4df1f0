#include "VehicleParts.h"

#include <algorithm>
#include <cmath>
#include <utility>

std::vector<std::pair<float, float>> VehicleParts::arc(float cz, float cy, float radius, float from, float to,
                                                       int32_t steps)
{
    // Angles in degrees, 0 pointing forward (-z) and 90 up.
    std::vector<std::pair<float, float>> out;
    for (int32_t i = 0; i <= steps; i++) {
        float a = (from + (to - from) * static_cast<float>(i) / static_cast<float>(steps)) * 0.0174532925f;
        out.push_back({cz - radius * std::cos(a), cy + radius * std::sin(a)});
    }
    return out;
}

void VehicleParts::trackBelt(MeshBuilder& b, const std::vector<std::pair<float, float>>& path, float x0, float x1,
                             float thick, const Paint& tread, const Paint& side)
{
    if (x0 > x1)
        std::swap(x0, x1);
    // Split runs longer than 1.6 units (a picture's width of links), then sweep the belt's cross-section
    // along the loop, offset either side of the path along its normal.
    std::vector<std::pair<float, float>> pts;
    const std::size_t n = path.size();
    for (std::size_t i = 0; i < n; i++) {
        auto [z0, y0] = path[i];
        auto [z1, y1] = path[(i + 1) % n];
        int32_t parts = std::max(1, static_cast<int32_t>(std::ceil(std::hypot(z1 - z0, y1 - y0) / 1.6f)));
        for (int32_t k = 0; k < parts; k++) {
            float t = static_cast<float>(k) / static_cast<float>(parts);
            pts.push_back({z0 + (z1 - z0) * t, y0 + (y1 - y0) * t});
        }
    }
    const std::size_t m = pts.size();
    Loft l;
    l.loop = true;
    for (std::size_t i = 0; i < m; i++) {
        auto [zp, yp] = pts[(i + m - 1) % m];
        auto [z, y] = pts[i];
        auto [zn, yn] = pts[(i + 1) % m];
        // Normal of the path: the mean of the two segments' normals, scaled
        // so the offset belt keeps its thickness at the bends.
        float d0z = z - zp, d0y = y - yp, d1z = zn - z, d1y = yn - y;
        float l0 = std::hypot(d0z, d0y), l1 = std::hypot(d1z, d1y);
        float nz = -d0y / l0 - d1y / l1, ny = d0z / l0 + d1z / l1;
        float ln = std::hypot(nz, ny);
        nz /= ln;
        ny /= ln;
        float cosHalf = (nz * -d1y + ny * d1z) / l1;
        float h = thick * 0.5f / std::max(cosHalf, 0.5f);
        l.rings.push_back({{x0, y - ny * h, z - nz * h},
                           {x1, y - ny * h, z - nz * h},
                           {x1, y + ny * h, z + nz * h},
                           {x0, y + ny * h, z + nz * h}});
    }
    // Ring edges 0 and 2 are the belt's two faces, 1 and 3 its sides.
    l.paintAt = [&](int32_t edge, int32_t) { return edge % 2 == 0 ? tread : side; };
    Shapes::loft(b, l);
}

void VehicleParts::wheel(MeshBuilder& b, float x0, float x1, float y, float z, float radius, int32_t n,
                         const Paint& tyre, const Paint& face)
{
    // Both faces show the decal; the inner one is seldom seen.
    Paint f = face;
    f.uv = Uv::decalAt({0, y, z}, 2 * radius);
    Shapes::cylinder(b, {std::min(x0, x1), y, z}, {std::max(x0, x1), y, z}, radius, n, tyre, f);
}

void VehicleParts::barrel(MeshBuilder& b, float y, float z0, float z1, float r0, float r1, int32_t n,
                          const Paint& paint, const Paint& bore)
{
    Loft l;
    l.rings.push_back(Shapes::circle({0, y, z0}, 2, r0, n));
    l.rings.push_back(Shapes::circle({0, y, z1}, 2, r1, n));
    l.smoothCorner.assign(static_cast<std::size_t>(n), true);
    l.paint = paint;
    l.endCap = bore;
    Shapes::loft(b, l);
}

void VehicleParts::box(MeshBuilder& b, float x0, float y0, float z0, float x1, float y1, float z1, const Paint& p)
{
    Shapes::box(b, {std::min(x0, x1), std::min(y0, y1), std::min(z0, z1)},
                {std::max(x0, x1), std::max(y0, y1), std::max(z0, z1)}, p);
}

std::vector<std::pair<float, float>> VehicleParts::trackPath(float ground, const Roller& front,
                                                             const std::vector<std::pair<float, float>>& top,
                                                             const Roller& back)
{
    // The belt's middle is half a belt (0.045) above the ground.
    std::vector<std::pair<float, float>> path = {{ground, 0.045f}, {-ground, 0.045f}};
    for (auto p : arc(front.z, front.y, front.radius, front.angle, 90, 4))
        path.push_back(p);
    path.insert(path.end(), top.begin(), top.end());
    for (auto p : arc(back.z, back.y, back.radius, 90, back.angle, 3))
        path.push_back(p);
    return path;
}

void VehicleParts::belly(MeshBuilder& b, float halfWidth, const std::vector<std::array<float, 3>>& stations,
                         const Paint& p)
{
    Loft l;
    for (const auto& [z, y0, y1] : stations)
        l.rings.push_back(Shapes::mirrored({{0, y0}, {halfWidth, y0}, {halfWidth, y1}, {0, y1}}, z));
    l.paint = p;
    Shapes::loft(b, l);
}

void VehicleParts::mantlet(MeshBuilder& b, const Mantlet& m, const Paint& paint, const Paint& face)
{
    const int32_t steps = 6;
    auto angle = [&](int32_t i) { return m.below + (m.above - m.below) * static_cast<float>(i) / steps; };
    auto ring = [&](float x, float radius) {
        std::vector<Vec3> r;
        for (int32_t i = 0; i <= steps; i++) {
            float a = angle(i) * 0.0174532925f;
            r.push_back({x, m.y + radius * std::sin(a), m.z - radius * std::cos(a)});
        }
        r.push_back({x, r.back().y, m.z + m.back});
        r.push_back({x, r.front().y, m.z + m.back});
        return r;
    };
    const float inner = m.halfWidth - m.round, end = m.radius - m.round;
    Loft l;
    l.rings = {ring(-m.halfWidth, end), ring(-inner, m.radius), ring(inner, m.radius), ring(m.halfWidth, end)};
    // Smooth round the arc and over the rounded ends, so the face shades
    // from a lit top to a dark underside like a casting.
    l.smoothCorner.assign(steps + 3, false);
    for (int32_t i = 1; i < steps; i++)
        l.smoothCorner[static_cast<std::size_t>(i)] = true;
    l.smoothRing = {false, true, true, false};
    l.paint = paint;
    // The face shows on the arc's faces that look forward rather than up or
    // down, so a decal is seen the way it is drawn.
    l.paintAt = [&](int32_t edge, int32_t band) {
        bool forward = edge < steps && std::fabs(angle(edge)) <= 45 && std::fabs(angle(edge + 1)) <= 45;
        return band == 1 && forward ? face : paint;
    };
    Shapes::loft(b, l);
}

void VehicleParts::slab(MeshBuilder& b, Vec3 a, Vec3 c, float bevel, const Paint& p)
{
    // Corners in any order, as for box: mirrored parts give them swapped.
    const Vec3 lo{std::min(a.x, c.x), std::min(a.y, c.y), std::min(a.z, c.z)};
    const Vec3 hi{std::max(a.x, c.x), std::max(a.y, c.y), std::max(a.z, c.z)};
    Loft l;
    l.rings = {{{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}, {lo.x, lo.y, hi.z}},
               {{lo.x + bevel, hi.y, lo.z + bevel},
                {hi.x - bevel, hi.y, lo.z + bevel},
                {hi.x - bevel, hi.y, hi.z - bevel},
                {lo.x + bevel, hi.y, hi.z - bevel}}};
    l.paint = p;
    Shapes::loft(b, l);
}

void VehicleParts::plate(MeshBuilder& b, float x0, float x1, const std::vector<std::pair<float, float>>& path,
                         float thick, const Paint& p, const std::vector<bool>& smooth)
{
    Loft l;
    for (const auto& [z, y] : path)
        l.rings.push_back({{x0, y, z}, {x1, y, z}, {x1, y + thick, z}, {x0, y + thick, z}});
    l.smoothRing = smooth;
    l.paint = p;
    Shapes::loft(b, l);
}

void VehicleParts::tools(MeshBuilder& b, Vec3 at, float side, const Paint& wood, const Paint& steel)
{
    // Thick enough to stay whole a few tank lengths away.
    const float y = at.y, h = 0.07f;
    auto piece = [&](float x0, float x1, float z0, float z1, float top, const Paint& p) {
        box(b, at.x + x0, y, at.z + z0, at.x + x1, y + top, at.z + z1, p);
    };
    // Shovel: grip, shaft, blade.
    piece(-0.11f, 0.11f, 0, 0.07f, h, wood);
    piece(-0.045f, 0.045f, 0.07f, 0.82f, h, wood);
    piece(-0.14f, 0.14f, 0.82f, 1.18f, 0.045f, steel);
    // Axe: handle and head.
    piece(side - 0.045f, side + 0.045f, 0.05f, 0.8f, h, wood);
    piece(side - 0.05f, side + (side > 0 ? 0.2f : -0.2f), 0.02f, 0.16f, h + 0.01f, steel);
}
