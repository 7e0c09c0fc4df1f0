#include "render3d/V3dLibrary.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "render3d/V3dMaterial.h"
#include "render3d/V3dModel.h"
#include "render3d/V3dTexture.h"
#include "runtime/ByteReader.h"
#include "runtime/Class_.h"
#include "scene/Vilib.h"
#include "scene/Vpicture.h"

namespace {

// The fewest bytes a record can take: a material is two empty texts and a
// colour, or a one-byte texture name and its two flags; a vertex is five
// shorts, an alias one, a face three slots and a material byte.
constexpr int32_t kMaterialBytes = 7, kVertexBytes = 10, kAliasBytes = 2, kFaceBytes = 7;
// Faces name their slots with positive shorts: slots past these cannot be used.
constexpr int32_t kMaxSlots = 32767;

} // namespace

V3dLibrary::V3dLibrary() = default;

V3dLibrary::~V3dLibrary()
{
    // Only this library's share of the meshes and the materials goes: a mesh
    // a sprite still holds keeps its table and draws as before.
    releaseMeshes();
}

void V3dLibrary::init()
{
    destroy();
    if (m_fsin.empty())
        fsinInit();
}

ref<V3dModel> V3dLibrary::lookupModel(const ref<String>& name)
{
    for (V3dModel* m = m_all.get(); m; m = m->m_next.get()) {
        if (m->m_name == name || (name && m->m_name && m->m_name->equals(name)))
            return ref<V3dModel>(m);
    }
    return nullptr;
}

void V3dLibrary::textureLoad(const ref<Vilib>& lib, const ref<String>& prefix)
{
    std::size_t prefixLength = prefix ? std::strlen(prefix->c_str()) : 0;
    for (int32_t i = 0; i < m_materialn && i < m_material.length; i++) {
        V3dMaterial* mat = m_material.a[i].get();
        V3dTexture* t = mat ? mat->m_texture.get() : nullptr;
        if (!t || !t->m_name)
            continue;
        if (prefix && std::strncmp(t->m_name->c_str(), prefix->c_str(), prefixLength) == 0) {
            t->m_pixels = Array<int32_t>();
            // The library's copy goes too: else every texture any battle
            // used would stay in memory for the rest of the run.
            const int32_t index = lib ? lib->lookup(t->m_name) : -1;
            if (index >= 0)
                lib->freePicture(index);
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

void V3dLibrary::releaseMeshes()
{
    // Cut the chain link by link: a long list freed from its head would
    // recurse once per mesh.
    ref<V3dModel> m = std::move(m_all);
    while (m) {
        ref<V3dModel> next = std::move(m->m_next);
        m = std::move(next);
    }
}

void V3dLibrary::destroy()
{
    releaseMeshes();
    for (int32_t i = 0; i < m_material.length; i++) {
        if (m_material.a[i])
            m_material.a[i]->m_texture = nullptr;
        m_material.a[i] = nullptr;
    }
    m_material = Array<ref<V3dMaterial>>();
    m_materialn = 0;
}

// ---- reading ----

ref<String> V3dLibrary::readString(ByteReader& in)
{
    const int32_t n = in.u16be();
    if (n == 0 || in.ranOut())
        return nullptr;
    // A length the file cannot hold runs out without making room for it.
    if (n > in.remaining()) {
        in.skip(n);
        return nullptr;
    }
    Array<int8_t> text(n);
    if (text.empty() || !in.read(text.a, n))
        return nullptr;
    return String::copyOf(reinterpret_cast<const char*>(text.a), n);
}

bool V3dLibrary::readMaterial(ByteReader& in, V3dMaterial& m)
{
    m.m_name = readString(in);
    ref<String> texture = readString(in);
    if (!texture) {
        m.m_color = in.i32be();
    } else {
        m.m_texture = new V3dTexture;
        m.m_texture->m_name = texture;
        m.m_flat = in.u8() == 1;
        m.m_texture->m_coordShift = in.u8();
    }
    return !in.ranOut();
}

const char* V3dLibrary::readMesh(ByteReader& in, V3dModel& m)
{
    static const char* const kCut = "is cut short by the end of the file";
    m.m_size = in.i32be();
    m.m_wx = in.i32be();
    m.m_wy = in.i32be();
    m.m_wz = in.i32be();
    // Each count is checked against the bytes left before its arrays are made.
    const int32_t n = in.u16be();
    if (static_cast<int64_t>(n) * kVertexBytes > in.remaining())
        return kCut;
    if (n > kMaxSlots + 8)
        return "has more vertices than its faces can name; reading stops there";
    m.allocVertices(n);
    for (const Array<int16_t>* a : {&m.m_vx, &m.m_vy, &m.m_vz, &m.m_vu, &m.m_vv})
        in.readShorts(a->a, std::min(n, a->length));
    const int32_t aliases = in.u16be();
    if (static_cast<int64_t>(aliases) * kAliasBytes > in.remaining())
        return kCut;
    if (std::max(n - 8, 0) + aliases > kMaxSlots)
        return "has more vertex slots than its faces can name; reading stops there";
    m.m_alias = Array<int16_t>(aliases);
    in.readShorts(m.m_alias.a, m.m_alias.length);
    const int32_t f = in.u16be();
    if (static_cast<int64_t>(f) * kFaceBytes > in.remaining())
        return kCut;
    m.allocFaces(f);
    for (const Array<int16_t>* a : {&m.m_faceA, &m.m_faceB, &m.m_faceC})
        in.readShorts(a->a, std::min(f, a->length));
    in.read(m.m_faceMaterial.a, std::min(f, m.m_faceMaterial.length));
    return in.ranOut() ? kCut : nullptr;
}

void V3dLibrary::open(const ref<String>& name, const ref<Vilib>&)
{
    init();
    ref<String> path = name ? "/"_s + name + ".bin"_s : ref<String>();
    ref<InputStream> file = path ? Class_::getResourceAsStream(path) : nullptr;
    if (!file) {
        std::fprintf(stderr, "V3dModel open error\n");
        return;
    }
    ref<ByteReader> in = new ByteReader;
    in->open(file);
    readAll(*in, path->c_str());
    in->close();
}

void V3dLibrary::readAll(ByteReader& in, const char* path)
{
    const int32_t count = in.u8();
    if (static_cast<int64_t>(count) * kMaterialBytes > in.remaining()) {
        std::fprintf(stderr, "V3dModel: %s is too short for its %d materials\n", path, count);
        return;
    }
    m_material = Array<ref<V3dMaterial>>(count + 1);
    for (int32_t i = 0; i < count; i++) {
        ref<V3dMaterial> mat = new V3dMaterial;
        if (!readMaterial(in, *mat)) {
            std::fprintf(stderr, "V3dModel: %s ends inside material %d\n", path, i);
            return;
        }
        m_material.a[i] = mat;
        m_materialn = i + 1;
    }
    for (;;) {
        ref<String> meshName = readString(in);
        if (!meshName) {
            if (in.ranOut())
                std::fprintf(stderr, "V3dModel: %s ends before its end mark\n", path);
            return;
        }
        ref<V3dModel> m = new V3dModel;
        m->m_name = meshName;
        m->m_materials = m_material;
        if (const char* why = readMesh(in, *m)) {
            std::fprintf(stderr, "V3dModel: mesh %s of %s %s\n", meshName->c_str(), path, why);
            return;
        }
        if (const char* why = m->fault()) {
            std::fprintf(stderr, "V3dModel: mesh %s %s; it is left out\n", meshName->c_str(), why);
            continue;
        }
        m->m_next = m_all;
        m_all = m;
    }
}
