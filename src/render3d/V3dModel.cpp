#include "render3d/V3dModel.h"

#include <algorithm>

#include "math/Vector.h"
#include "render3d/V3dMaterial.h"

V3dModel::V3dModel() = default;
V3dModel::~V3dModel() = default;

void V3dModel::allocFaces(int32_t f)
{
    m_faceA = Array<int16_t>(f);
    m_faceB = Array<int16_t>(f);
    m_faceC = Array<int16_t>(f);
    m_faceMaterial = Array<int8_t>(f);
}

void V3dModel::allocVertices(int32_t n)
{
    m_vertices = n - 8;
    m_vx = Array<int16_t>(n);
    m_vy = Array<int16_t>(n);
    m_vz = Array<int16_t>(n);
    m_vu = Array<int16_t>(n);
    m_vv = Array<int16_t>(n);
}

void V3dModel::calcExtent()
{
    int32_t n = m_vx.length;
    if (n < 8)
        return;
    int32_t x0 = 32767, y0 = 32767, z0 = 32767, x1 = -32768, y1 = -32768, z1 = -32768;
    for (int32_t k = n - 8; k >= 0; k--) {
        x0 = std::min<int32_t>(x0, m_vx.a[k]);
        x1 = std::max<int32_t>(x1, m_vx.a[k]);
        y0 = std::min<int32_t>(y0, m_vy.a[k]);
        y1 = std::max<int32_t>(y1, m_vy.a[k]);
        z0 = std::min<int32_t>(z0, m_vz.a[k]);
        z1 = std::max<int32_t>(z1, m_vz.a[k]);
    }
    // Corner n - 8 + c has bit 2 of c clear for max x, bit 1 for max y and
    // bit 0 for max z.
    for (int32_t c = 0; c < 8; c++) {
        int32_t k = n - 8 + c;
        m_vx.a[k] = static_cast<int16_t>((c & 4) ? x0 : x1);
        m_vy.a[k] = static_cast<int16_t>((c & 2) ? y0 : y1);
        m_vz.a[k] = static_cast<int16_t>((c & 1) ? z0 : z1);
    }
}

void V3dModel::scale(int32_t s)
{
    m_scaled = true;
    m_size = fmul(m_size, s);
    m_wx = fmul(m_wx, s);
    m_wy = fmul(m_wy, s);
    m_wz = fmul(m_wz, s);
}

void V3dModel::setWxyz(int32_t x, int32_t y, int32_t z)
{
    m_wx = x;
    m_wy = y;
    m_wz = z;
}

void V3dModel::normals()
{
    int32_t n = m_vertices + m_alias.length;
    if (n < 0)
        n = 0;
    m_nx = Array<int16_t>(n);
    m_ny = Array<int16_t>(n);
    m_nz = Array<int16_t>(n);
    m_shade = Array<int16_t>(n);
    int32_t faces = faceCount();
    if (faces > 0) {
        int32_t mat = m_faceMaterial.a[0];
        if (mat >= 0 && mat < m_materials.length && m_materials.a[mat] && m_materials.a[mat]->m_flat) {
            for (int32_t k = 0; k < n; k++)
                m_ny.a[k] = 32767;
            return;
        }
    }
    // Wide counters and sums: a slot may be shared by any number of faces.
    Array<int32_t> count(n);
    Array<int64_t> sx(n), sy(n), sz(n);
    ref<Vector> e1 = new Vector, e2 = new Vector, f = new Vector;
    for (int32_t j = faces - 1; j >= 0; j--) {
        int32_t s[3] = {m_faceA.a[j], m_faceB.a[j], m_faceC.a[j]};
        if (s[0] < 0 || s[0] >= n || s[1] < 0 || s[1] >= n || s[2] < 0 || s[2] >= n)
            continue;
        int32_t p0 = resolve(s[0]), p1 = resolve(s[1]), p2 = resolve(s[2]);
        e1->m_x = (m_vx.a[p0] - m_vx.a[p1]) << 15;
        e1->m_y = (m_vy.a[p0] - m_vy.a[p1]) << 15;
        e1->m_z = (m_vz.a[p0] - m_vz.a[p1]) << 15;
        e2->m_x = (m_vx.a[p2] - m_vx.a[p1]) << 15;
        e2->m_y = (m_vy.a[p2] - m_vy.a[p1]) << 15;
        e2->m_z = (m_vz.a[p2] - m_vz.a[p1]) << 15;
        f->crossProductNormalized(e1, e2);
        for (int32_t k : s) {
            count.a[k]++;
            sx.a[k] += f->m_x;
            sy.a[k] += f->m_y;
            sz.a[k] += f->m_z;
        }
    }
    auto clampShort = [](int32_t v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); };
    for (int32_t k = n - 1; k >= 0; k--) {
        int32_t c = count.a[k];
        if (c == 0) {
            m_ny.a[k] = 32767;
            continue;
        }
        f->m_x = static_cast<int32_t>(sx.a[k] / c);
        f->m_y = static_cast<int32_t>(sy.a[k] / c);
        f->m_z = static_cast<int32_t>(sz.a[k] / c);
        f->normalize();
        m_nx.a[k] = clampShort(f->m_x);
        m_ny.a[k] = clampShort(f->m_y);
        m_nz.a[k] = clampShort(f->m_z);
    }
}

const char* V3dModel::fault() const
{
    if (m_vx.length < 8)
        return "has fewer than the 8 corners of its box";
    for (int32_t i = 0; i < m_alias.length; i++)
        if (m_alias.a[i] < 0 || m_alias.a[i] >= m_vertices)
            return "has an alias outside its vertices";
    int32_t slots = m_vertices + m_alias.length;
    for (int32_t j = 0; j < faceCount(); j++) {
        for (int32_t s : {m_faceA.a[j], m_faceB.a[j], m_faceC.a[j]})
            if (s < 0 || s >= slots)
                return "has a face slot outside its vertices";
        const int32_t mat = m_faceMaterial.a[j];
        if (mat < 0 || mat >= m_materials.length || !m_materials.a[mat])
            return "has a face material outside the material table";
    }
    return nullptr;
}

template <>
ref<V3dModel>::~ref()
{
    release(m_ptr);
}
