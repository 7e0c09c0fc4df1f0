#include "Shapes.h"

#include <cmath>

namespace {

// Twice the signed area of the 2D triangle (a, b, c).
float cross2(float ax, float ay, float bx, float by, float cx, float cy)
{
    return (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
}

} // namespace

void Shapes::polygon(MeshBuilder& b, const std::vector<Vec3>& ring, const Paint& p, int32_t group)
{
    const int32_t n = static_cast<int32_t>(ring.size());
    if (n < 3)
        return;
    // Newell's normal gives the plane to flatten the polygon into.
    Vec3 normal;
    for (int32_t i = 0; i < n; i++) {
        const Vec3& a = ring[i];
        const Vec3& c = ring[(i + 1) % n];
        normal = normal + Vec3{(a.y - c.y) * (a.z + c.z), (a.z - c.z) * (a.x + c.x), (a.x - c.x) * (a.y + c.y)};
    }
    int axis = std::fabs(normal.x) > std::fabs(normal.y) ? 0 : 1;
    if (std::fabs(normal.z) > std::fabs(axis == 0 ? normal.x : normal.y))
        axis = 2;
    auto flat = [&](int32_t i, float& u, float& v) {
        const Vec3& q = ring[i];
        u = axis == 0 ? q.y : q.x;
        v = axis == 2 ? q.y : q.z;
    };
    float area = 0;
    for (int32_t i = 0; i < n; i++) {
        float u0, v0, u1, v1;
        flat(i, u0, v0);
        flat((i + 1) % n, u1, v1);
        area += u0 * v1 - u1 * v0;
    }
    const float sign = area >= 0 ? 1.0f : -1.0f;
    std::vector<int32_t> left(static_cast<std::size_t>(n));
    for (int32_t i = 0; i < n; i++)
        left[static_cast<std::size_t>(i)] = i;
    while (left.size() > 3) {
        const int32_t m = static_cast<int32_t>(left.size());
        int32_t ear = -1;
        for (int32_t k = 0; k < m && ear < 0; k++) {
            int32_t ia = left[static_cast<std::size_t>((k + m - 1) % m)], ib = left[static_cast<std::size_t>(k)],
                    ic = left[static_cast<std::size_t>((k + 1) % m)];
            float ax, ay, bx, by, cx, cy;
            flat(ia, ax, ay);
            flat(ib, bx, by);
            flat(ic, cx, cy);
            if (sign * cross2(ax, ay, bx, by, cx, cy) <= 1e-9f)
                continue;
            bool empty = true;
            for (int32_t other : left) {
                if (other == ia || other == ib || other == ic)
                    continue;
                float px, py;
                flat(other, px, py);
                if (sign * cross2(ax, ay, bx, by, px, py) >= 0 && sign * cross2(bx, by, cx, cy, px, py) >= 0 &&
                    sign * cross2(cx, cy, ax, ay, px, py) >= 0) {
                    empty = false;
                    break;
                }
            }
            if (empty)
                ear = k;
        }
        if (ear < 0)
            ear = 0; // a degenerate polygon: cut anywhere rather than loop
        int32_t ia = left[static_cast<std::size_t>((ear + m - 1) % m)], ib = left[static_cast<std::size_t>(ear)],
                ic = left[static_cast<std::size_t>((ear + 1) % m)];
        b.tri(ring[ia], ring[ib], ring[ic], p.material, group, p.uv);
        left.erase(left.begin() + ear);
    }
    b.tri(ring[left[0]], ring[left[1]], ring[left[2]], p.material, group, p.uv);
}

void Shapes::loft(MeshBuilder& b, const Loft& l)
{
    const int32_t rings = static_cast<int32_t>(l.rings.size());
    if (rings < 2)
        return;
    const int32_t n = static_cast<int32_t>(l.rings[0].size());
    const int32_t bands = l.loop ? rings : rings - 1;
    auto smoothCorner = [&](int32_t i) { return !l.smoothCorner.empty() && l.smoothCorner[static_cast<std::size_t>(i)]; };
    auto smoothRing = [&](int32_t j) { return !l.smoothRing.empty() && l.smoothRing[static_cast<std::size_t>(j)]; };
    // Panels run between creases around the ring, strips between creases
    // along the sweep; each panel of each strip is one smoothing group.
    std::vector<int32_t> panel(static_cast<std::size_t>(n)), strip(static_cast<std::size_t>(bands));
    int32_t panels = 0, strips = 0;
    for (int32_t i = 0; i < n; i++)
        panel[static_cast<std::size_t>(i)] = (i == 0 || !smoothCorner(i)) ? panels++ : panels - 1;
    if (smoothCorner(0) && panels > 1)
        for (int32_t i = n - 1; i > 0 && panel[static_cast<std::size_t>(i)] == panels - 1; i--)
            panel[static_cast<std::size_t>(i)] = 0;
    for (int32_t j = 0; j < bands; j++)
        strip[static_cast<std::size_t>(j)] = (j == 0 || !smoothRing(j)) ? strips++ : strips - 1;
    if (l.loop && smoothRing(0) && strips > 1)
        for (int32_t j = bands - 1; j > 0 && strip[static_cast<std::size_t>(j)] == strips - 1; j--)
            strip[static_cast<std::size_t>(j)] = 0;
    std::vector<int32_t> groups(static_cast<std::size_t>(panels * strips));
    for (int32_t& g : groups)
        g = b.newGroup();

    b.beginSolid();
    for (int32_t j = 0; j < bands; j++) {
        const std::vector<Vec3>& r0 = l.rings[static_cast<std::size_t>(j)];
        const std::vector<Vec3>& r1 = l.rings[static_cast<std::size_t>((j + 1) % rings)];
        for (int32_t i = 0; i < n; i++) {
            int32_t i1 = (i + 1) % n;
            Paint p = l.paintAt ? l.paintAt(i, j) : l.paint;
            int32_t g = groups[static_cast<std::size_t>(strip[static_cast<std::size_t>(j)] * panels +
                                                        panel[static_cast<std::size_t>(i)])];
            b.quad(r0[static_cast<std::size_t>(i)], r0[static_cast<std::size_t>(i1)],
                   r1[static_cast<std::size_t>(i1)], r1[static_cast<std::size_t>(i)], p.material, g, p.uv);
        }
    }
    if (!l.loop) {
        std::vector<Vec3> start(l.rings.front().rbegin(), l.rings.front().rend());
        polygon(b, start, l.startCap.value_or(l.paint), b.newGroup());
        polygon(b, l.rings.back(), l.endCap.value_or(l.paint), b.newGroup());
    }
    b.endSolid();
}

void Shapes::box(MeshBuilder& b, Vec3 lo, Vec3 hi, const Paint& p)
{
    Loft l;
    for (float z : {lo.z, hi.z})
        l.rings.push_back({{lo.x, lo.y, z}, {hi.x, lo.y, z}, {hi.x, hi.y, z}, {lo.x, hi.y, z}});
    l.paint = p;
    loft(b, l);
}

std::vector<Vec3> Shapes::circle(Vec3 centre, int32_t axis, float radius, int32_t n, float phase)
{
    std::vector<Vec3> ring;
    for (int32_t i = 0; i < n; i++) {
        float a = phase + 6.28318531f * static_cast<float>(i) / static_cast<float>(n);
        float c = radius * std::cos(a), s = radius * std::sin(a);
        Vec3 q = centre;
        if (axis == 0)
            q = q + Vec3{0, s, c};
        else if (axis == 1)
            q = q + Vec3{c, 0, s};
        else
            q = q + Vec3{c, s, 0};
        ring.push_back(q);
    }
    return ring;
}

void Shapes::cylinder(MeshBuilder& b, Vec3 a, Vec3 c, float radius, int32_t n, const Paint& side,
                      const Paint& cap, float radiusEnd)
{
    Vec3 d = c - a;
    int32_t axis = std::fabs(d.x) >= std::fabs(d.y) && std::fabs(d.x) >= std::fabs(d.z) ? 0
                   : std::fabs(d.y) >= std::fabs(d.z)                                   ? 1
                                                                                        : 2;
    // Half a side off the axes, so a flat faces down and the outline of a
    // wheel has no point at the bottom.
    float phase = 3.14159265f / static_cast<float>(n);
    Loft l;
    l.rings.push_back(circle(a, axis, radius, n, phase));
    l.rings.push_back(circle(c, axis, radiusEnd < 0 ? radius : radiusEnd, n, phase));
    l.smoothCorner.assign(static_cast<std::size_t>(n), true);
    l.paint = side;
    l.startCap = cap;
    l.endCap = cap;
    loft(b, l);
}

std::vector<Vec3> Shapes::mirroredPlan(const std::vector<std::pair<float, float>>& half, float y)
{
    std::vector<Vec3> ring;
    for (const Vec3& p : mirrored(half, 0))
        ring.push_back({p.x, y, p.y});
    return ring;
}

std::vector<Vec3> Shapes::mirrored(const std::vector<std::pair<float, float>>& half, float z)
{
    // Around the ring: the right half bottom to top, then the left half
    // top to bottom, without repeating points on the centre line.
    std::vector<Vec3> ring;
    for (const auto& [x, y] : half)
        ring.push_back({x, y, z});
    for (std::size_t i = half.size(); i-- > 0;) {
        const auto& [x, y] = half[i];
        if (x > 0)
            ring.push_back({-x, y, z});
    }
    return ring;
}
