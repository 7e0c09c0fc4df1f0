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
