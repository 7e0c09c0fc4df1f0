#include "render3d/V3dModel.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "math/Vector.h"
#include "render3d/V3dMaterial.h"
#include "render3d/V3dTexture.h"
#include "runtime/Class_.h"
#include "scene/Vilib.h"
#include "scene/Vpicture.h"

ref<V3dModel> V3dModel::m_all;
Array<ref<V3dMaterial>> V3dModel::m_material;
int32_t V3dModel::m_materialn = 0;
ref<InputStream> V3dModel::m_in;
Array<int8_t> V3dModel::m_buf;
int32_t V3dModel::m_bufn = 0;
int32_t V3dModel::m_bufi = 0;
ref<StringBuffer> V3dModel::m_sb;

namespace {

// The fewest bytes a record can take: a material is two empty texts and a
// colour, or a one-byte texture name and its two flags; a vertex is five
// shorts, an alias one, a face three slots and a material byte.
constexpr int32_t kMaterialBytes = 7, kVertexBytes = 10, kAliasBytes = 2, kFaceBytes = 7;
// Faces name their slots with positive shorts: slots past these cannot be used.
constexpr int32_t kMaxSlots = 32767;

} // namespace

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
        if (mat >= 0 && mat < m_material.length && m_material.a[mat] && m_material.a[mat]->m_flat) {
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

// ---- registry ----

void V3dModel::init()
{
    destroy();
    if (m_fsin.empty())
        fsinInit();
    if (!m_sb)
        m_sb = new StringBuffer;
    if (m_buf.empty())
        m_buf = Array<int8_t>(512);
    m_bufi = 0;
    m_bufn = 0;
}

ref<V3dModel> V3dModel::lookupModel(const ref<String>& name)
{
    for (V3dModel* m = m_all.get(); m; m = m->m_next.get()) {
        if (m->m_name == name || (name && m->m_name && m->m_name->equals(name)))
            return ref<V3dModel>(m);
    }
    return nullptr;
}

void V3dModel::textureLoad(const ref<Vilib>& lib, const ref<String>& prefix)
{
    std::size_t prefixLength = prefix ? std::strlen(prefix->c_str()) : 0;
    for (int32_t i = 0; i < m_materialn && i < m_material.length; i++) {
        V3dMaterial* mat = m_material.a[i].get();
        V3dTexture* t = mat ? mat->m_texture.get() : nullptr;
        if (!t || !t->m_name)
            continue;
        if (prefix && std::strncmp(t->m_name->c_str(), prefix->c_str(), prefixLength) == 0) {
            t->m_pixels = Array<int32_t>();
        } else if (t->m_pixels.empty() && lib) {
            int32_t index = lib->lookup(t->m_name);
            if (index == -1)
                continue;
            ref<Vpicture> p = lib->loadPicture(index);
            if (p)
                t->set(t->m_name, p->m_pixels, p->m_width, p->m_height, !p->m_opaque);
        }
    }
}

void V3dModel::destroy()
{
    // Cut the chain link by link: a long list freed from its head would
    // recurse once per mesh.
    ref<V3dModel> m = std::move(m_all);
    while (m) {
        ref<V3dModel> next = std::move(m->m_next);
        m = std::move(next);
    }
    for (int32_t i = 0; i < m_material.length; i++) {
        if (m_material.a[i])
            m_material.a[i]->m_texture = nullptr;
        m_material.a[i] = nullptr;
    }
    m_material = Array<ref<V3dMaterial>>();
    m_materialn = 0;
}

// ---- reading ----

int32_t V3dModel::read()
{
    if (m_bufn < 0)
        return -1; // the end stays the end
    if (m_bufi >= m_bufn) {
        m_bufi = 0;
        int32_t got = m_in && !m_buf.empty() ? m_in->read(m_buf.a, m_buf.length) : 0;
        m_bufn = got > 0 ? got : -1;
    }
    if (m_bufn < 0)
        return -1;
    return m_buf.a[m_bufi++] & 0xFF;
}

int32_t V3dModel::readU16()
{
    int32_t hi = read();
    int32_t lo = read();
    return ((hi << 8) | lo) & 0xFFFF;
}

int32_t V3dModel::readI32()
{
    int32_t v = 0;
    for (int32_t i = 0; i < 4; i++)
        v = (v << 8) | (read() & 0xFF);
    return v;
}

int64_t V3dModel::remaining()
{
    if (m_bufn < 0)
        return 0;
    return static_cast<int64_t>(m_bufn - m_bufi) + (m_in ? m_in->available() : 0);
}

ref<String> V3dModel::readString()
{
    int32_t n = readU16();
    if (n == 0 || m_bufn < 0)
        return nullptr;
    if (n > remaining()) {
        m_bufn = -1; // the text runs past the end of the file
        return nullptr;
    }
    m_sb->clear();
    for (int32_t i = 0; i < n; i++)
        m_sb->append(static_cast<char>(read()));
    return String::copyOf(m_sb->c_str(), n);
}

void V3dModel::readShortArray(const Array<int16_t>& a, int32_t n)
{
    n = std::min(n, a.length);
    int32_t i = 0;
    while (i < n) {
        if (m_bufn - m_bufi >= 2) {
            // Straight from the buffer while whole values remain in it.
            const int8_t* b = m_buf.a + m_bufi;
            int32_t take = std::min(n - i, (m_bufn - m_bufi) >> 1);
            for (int32_t k = 0; k < take; k++)
                a.a[i + k] = static_cast<int16_t>(b[2 * k] * 256 + (b[2 * k + 1] & 0xFF));
            m_bufi += take * 2;
            i += take;
        } else {
            int32_t hi = read();
            int32_t lo = read();
            if (lo < 0)
                return; // the file ended: the mesh will be dropped
            a.a[i++] = static_cast<int16_t>(static_cast<int8_t>(hi) * 256 + (lo & 0xFF));
        }
    }
}

bool V3dModel::readMaterial(const ref<V3dMaterial>& m)
{
    m->m_name = readString();
    ref<String> texture = readString();
    if (!texture) {
        m->m_color = readI32();
    } else {
        m->m_texture = new V3dTexture;
        m->m_texture->m_name = texture;
        m->m_flat = read() == 1;
        m->m_texture->m_coordShift = read();
    }
    return m_bufn >= 0;
}

const char* V3dModel::readMesh(const ref<V3dModel>& m)
{
    static const char* const kCut = "is cut short by the end of the file";
    m->m_size = readI32();
    m->m_wx = readI32();
    m->m_wy = readI32();
    m->m_wz = readI32();
    // Each count is checked against the bytes left before its arrays are made.
    int32_t n = readU16();
    if (static_cast<int64_t>(n) * kVertexBytes > remaining())
        return kCut;
    if (n > kMaxSlots + 8)
        return "has more vertices than its faces can name; reading stops there";
    m->allocVertices(n);
    for (const Array<int16_t>* a : {&m->m_vx, &m->m_vy, &m->m_vz, &m->m_vu, &m->m_vv})
        readShortArray(*a, n);
    int32_t aliases = readU16();
    if (static_cast<int64_t>(aliases) * kAliasBytes > remaining())
        return kCut;
    if (std::max(n - 8, 0) + aliases > kMaxSlots)
        return "has more vertex slots than its faces can name; reading stops there";
    m->m_alias = Array<int16_t>(aliases);
    readShortArray(m->m_alias, aliases);
    int32_t f = readU16();
    if (static_cast<int64_t>(f) * kFaceBytes > remaining())
        return kCut;
    m->allocFaces(f);
    readShortArray(m->m_faceA, f);
    readShortArray(m->m_faceB, f);
    readShortArray(m->m_faceC, f);
    for (int32_t j = 0; j < f; j++)
        m->m_faceMaterial.a[j] = static_cast<int8_t>(read());
    return m_bufn >= 0 ? nullptr : kCut;
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
        if (m_faceMaterial.a[j] < 0 || m_faceMaterial.a[j] >= m_materialn)
            return "has a face material outside the material table";
    }
    return nullptr;
}

void V3dModel::open(const ref<String>& name, const ref<Vilib>&)
{
    init();
    ref<String> path = name ? "/"_s + name + ".bin"_s : ref<String>();
    m_in = path ? Class_::getResourceAsStream(path) : nullptr;
    if (!m_in) {
        std::printf("V3dModel open error\n");
        std::fflush(stdout);
        return;
    }
    readAll(path->c_str());
    std::fflush(stdout);
    m_in->close();
    m_in = nullptr;
    m_buf = Array<int8_t>();
    m_sb = nullptr;
}

void V3dModel::readAll(const char* path)
{
    int32_t count = std::max(read(), 0);
    if (static_cast<int64_t>(count) * kMaterialBytes > remaining()) {
        std::printf("V3dModel: %s is too short for its %d materials\n", path, count);
        return;
    }
    m_material = Array<ref<V3dMaterial>>(count + 1);
    for (int32_t i = 0; i < count; i++) {
        ref<V3dMaterial> mat = new V3dMaterial;
        if (!readMaterial(mat)) {
            std::printf("V3dModel: %s ends inside material %d\n", path, i);
            return;
        }
        m_material.a[i] = mat;
        m_materialn = i + 1;
    }
    for (;;) {
        ref<String> meshName = readString();
        if (!meshName) {
            if (m_bufn < 0)
                std::printf("V3dModel: %s ends before its end mark\n", path);
            return;
        }
        ref<V3dModel> m = new V3dModel;
        m->m_name = meshName;
        if (const char* why = readMesh(m)) {
            std::printf("V3dModel: mesh %s of %s %s\n", meshName->c_str(), path, why);
            return;
        }
        if (const char* why = m->fault()) {
            std::printf("V3dModel: mesh %s %s; it is left out\n", meshName->c_str(), why);
            continue;
        }
        m->m_next = m_all;
        m_all = m;
    }
}

template <>
ref<V3dModel>::~ref()
{
    release(m_ptr);
}
