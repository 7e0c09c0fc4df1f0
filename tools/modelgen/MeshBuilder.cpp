#include "MeshBuilder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

namespace {

int16_t toShort(double v)
{
    return static_cast<int16_t>(std::clamp(std::lround(v), -32767L, 32767L));
}

int32_t toFixedFile(double units, int32_t scale)
{
    // The game multiplies by scale / 32768 (fmul), so store the inverse.
    return static_cast<int32_t>(std::lround(units * 32768.0 * 32768.0 / scale));
}

// Texel coordinates (s right, t down the picture) of p seen along the
// axis the face's normal n turns to most.
void project(const Vec3& p, const Vec3& n, const Uv& uv, float& s, float& t)
{
    if (uv.mode == Uv::None) {
        s = t = 0;
        return;
    }
    Vec3 q = p - uv.anchor;
    float right, up;
    if (uv.mode == Uv::AroundY) {
        float radius = std::hypot(q.x, q.z);
        right = std::atan2(q.x, -q.z) * std::max(radius, 0.5f);
        up = q.y;
    } else {
        float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
        if (ax >= ay && ax >= az) {
            right = n.x > 0 ? -q.z : q.z;
            up = q.y;
        } else if (az >= ay) {
            right = n.z > 0 ? q.x : -q.x;
            up = q.y;
        } else {
            right = q.x;
            up = n.y > 0 ? -q.z : q.z;
        }
    }
    s = right * uv.density;
    t = -up * (uv.densityUp > 0 ? uv.densityUp : uv.density);
    if (uv.decal) {
        s += 32;
        t += 32;
    }
}

} // namespace

void MeshBuilder::tri(Vec3 a, Vec3 b, Vec3 c, int32_t material, int32_t group, const Uv& uv)
{
    if (a == b || b == c || c == a)
        return;
    m_faces.push_back({{a, b, c}, material, group, uv});
}

void MeshBuilder::quad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, int32_t material, int32_t group, const Uv& uv)
{
    tri(a, b, c, material, group, uv);
    tri(a, c, d, material, group, uv);
}

void MeshBuilder::endSolid()
{
    double volume = 0;
    for (std::size_t i = m_solidStart; i < m_faces.size(); i++) {
        const Vec3* p = m_faces[i].p;
        volume += Vec3::dot(p[0], Vec3::cross(p[1], p[2]));
    }
    if (volume < 0)
        for (std::size_t i = m_solidStart; i < m_faces.size(); i++)
            std::swap(m_faces[i].p[1], m_faces[i].p[2]);
    m_solidStart = m_faces.size();
}

ModelMesh MeshBuilder::build(const std::string& name, Vec3 origin, int32_t scale) const
{
    double extent = 0;
    for (const Face& f : m_faces)
        for (const Vec3& p : f.p) {
            Vec3 q = p - origin;
            extent = std::max({extent, std::fabs(double(q.x)), std::fabs(double(q.y)), std::fabs(double(q.z))});
        }
    extent = std::max(extent * 1.0002, 0.01);
    const double unit = 32768.0 / extent;

    using Key = std::tuple<int16_t, int16_t, int16_t, int16_t, int16_t>;
    struct Corner {
        Key key;
        int32_t group;
    };
    std::vector<std::array<Corner, 3>> faces;
    std::vector<uint8_t> materials;
    for (const Face& f : m_faces) {
        Vec3 n = Vec3::cross(f.p[1] - f.p[0], f.p[2] - f.p[0]);
        std::array<Corner, 3> c;
        for (int k = 0; k < 3; k++) {
            Vec3 q = f.p[k] - origin;
            float s, t;
            project(f.p[k], n, f.uv, s, t);
            c[k] = {{toShort(q.x * unit), toShort(q.y * unit), toShort(q.z * unit), toShort(8.0 * s),
                     toShort(-8.0 * t)},
                    f.group};
        }
        auto pos = [](const Key& k) { return std::make_tuple(std::get<0>(k), std::get<1>(k), std::get<2>(k)); };
        if (pos(c[0].key) == pos(c[1].key) || pos(c[1].key) == pos(c[2].key) || pos(c[2].key) == pos(c[0].key))
            continue;
        faces.push_back(c);
        materials.push_back(static_cast<uint8_t>(f.material));
    }

    ModelMesh m;
    m.name = name;
    std::map<Key, int32_t> real;
    for (const auto& f : faces)
        for (const Corner& c : f)
            if (real.emplace(c.key, 0).second) {
                real[c.key] = static_cast<int32_t>(m.x.size());
                m.x.push_back(std::get<0>(c.key));
                m.y.push_back(std::get<1>(c.key));
                m.z.push_back(std::get<2>(c.key));
                m.u.push_back(std::get<3>(c.key));
                m.v.push_back(std::get<4>(c.key));
            }
    const int32_t vertices = static_cast<int32_t>(m.x.size());
    // The first group to use a real vertex gets its slot, every other group
    // an alias of it: the crease between them keeps two normals.
    std::map<int32_t, int32_t> owner;
    std::map<std::pair<int32_t, int32_t>, int32_t> slots;
    for (std::size_t j = 0; j < faces.size(); j++) {
        int32_t s[3];
        for (int k = 0; k < 3; k++) {
            int32_t r = real[faces[j][k].key];
            int32_t g = faces[j][k].group;
            auto o = owner.emplace(r, g).first;
            if (o->second == g) {
                s[k] = r;
                continue;
            }
            auto [it, fresh] = slots.emplace(std::make_pair(r, g), 0);
            if (fresh) {
                it->second = vertices + static_cast<int32_t>(m.alias.size());
                m.alias.push_back(static_cast<int16_t>(r));
            }
            s[k] = it->second;
        }
        // Stored clockwise seen from outside, the renderer's front faces.
        m.a.push_back(static_cast<int16_t>(s[0]));
        m.b.push_back(static_cast<int16_t>(s[2]));
        m.c.push_back(static_cast<int16_t>(s[1]));
    }
    m.material = materials;

    int16_t lo[3] = {32767, 32767, 32767}, hi[3] = {-32768, -32768, -32768};
    for (int32_t i = 0; i < vertices; i++) {
        int16_t p[3] = {m.x[i], m.y[i], m.z[i]};
        for (int k = 0; k < 3; k++) {
            lo[k] = std::min(lo[k], p[k]);
            hi[k] = std::max(hi[k], p[k]);
        }
    }
    for (int32_t c = 0; c < 8; c++) {
        m.x.push_back((c & 4) ? lo[0] : hi[0]);
        m.y.push_back((c & 2) ? lo[1] : hi[1]);
        m.z.push_back((c & 1) ? lo[2] : hi[2]);
        m.u.push_back(0);
        m.v.push_back(0);
    }
    m.size = toFixedFile(extent, scale);
    m.wx = toFixedFile(origin.x, scale);
    m.wy = toFixedFile(origin.y, scale);
    m.wz = toFixedFile(origin.z, scale);
    if (vertices + static_cast<int32_t>(m.alias.size()) > 32767)
        std::printf("modelgen: mesh %s has too many vertex slots\n", name.c_str());
    return m;
}
