// Every generated data file read by the engine's own readers, the decoded
// result reduced to one digest per file. The digests were taken from the
// readers as they decoded these files before the readers were rewritten: a
// change in how any file reads back, however small, shows here. A change to a
// generator changes its file and so its digest; update the number with it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "DataFiles.h"
#include "host/Vdisplay.h"
#include "math/V.h"
#include "render3d/V3dLibrary.h"
#include "render3d/V3dMaterial.h"
#include "render3d/V3dModel.h"
#include "render3d/V3dTexture.h"
#include "runtime/InputStream.h"
#include "scene/Vfont.h"
#include "scene/Vilib.h"
#include "scene/Vpicture.h"
#include "terrain/VpolyTerrain.h"
#include "terrain/Vswf.h"

namespace {

// FNV-1a over everything fed to it, numbers as their 4 little-endian bytes.
class Digest {
public:
    Digest& bytes(const void* p, std::size_t n)
    {
        for (std::size_t i = 0; i < n; i++) {
            m_h ^= static_cast<const uint8_t*>(p)[i];
            m_h *= 0x100000001B3ull;
        }
        return *this;
    }
    Digest& num(int64_t v)
    {
        const uint32_t w = static_cast<uint32_t>(v);
        const uint8_t b[4] = {uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), uint8_t(w >> 24)};
        return bytes(b, 4);
    }
    Digest& text(const ref<String>& s)
    {
        if (!s)
            return num(-1);
        const std::string t = s->c_str();
        return num(static_cast<int64_t>(t.size())).bytes(t.data(), t.size());
    }
    template <class T>
    Digest& array(const Array<T>& a)
    {
        num(a.length);
        return a.empty() ? *this : bytes(a.a, sizeof(T) * static_cast<std::size_t>(a.length));
    }
    std::string hex() const
    {
        char s[17];
        return std::snprintf(s, sizeof s, "%016llx", static_cast<unsigned long long>(m_h)), s;
    }

private:
    uint64_t m_h = 0xCBF29CE484222325ull;
};

class ReadBack : public testing::Test {
protected:
    void SetUp() override
    {
        if (V::m_fsin.empty())
            V::fsinInit();
        InputStream::setResourceDir(dataDir());
    }
    void TearDown() override { InputStream::setResourceDir("."); }
};

} // namespace

TEST_F(ReadBack, ImageLibraryPictures)
{
    ref<Vilib> lib = new Vilib(new Vdisplay, "app"_s);
    ASSERT_GT(lib->m_count, 0);
    Digest d;
    d.num(lib->m_count).array(lib->m_offsets);
    for (int32_t k = 0; k < lib->m_count; k++) {
        d.text(lib->m_names[k]);
        ref<Vpicture> p = lib->loadPicture(k);
        ASSERT_TRUE(p) << "picture " << k;
        d.num(p->m_type).num(p->m_width).num(p->m_height).num(p->m_cx).num(p->m_cy).num(p->m_opaque);
        d.array(p->m_pixels);
        // Decoded pictures are dropped as the game's eviction would drop them.
        lib->deletePicture(k);
    }
    // The shared JPEG header that record 0 leaves in the work buffer.
    d.bytes(lib->m_scratch.a, 623);
    EXPECT_EQ(d.hex(), "9b0b9a8cc9ed5262");
}

TEST_F(ReadBack, Fonts)
{
    for (auto [file, digest] : {std::pair{"f10.bin", "cb692b58d4a7cf3d"}, std::pair{"f16.bin", "c48484119d5dace9"}}) {
        ref<Vfont> f = new Vfont;
        EXPECT_TRUE(f->open(String::copyOf(file))) << file;
        Digest d;
        d.num(f->m_space).num(f->m_height).num(f->m_extra).num(f->m_first).num(f->m_last).num(f->m_tab);
        EXPECT_EQ(d.array(f->m_widths).array(f->m_offsets).array(f->m_data).hex(), digest) << file;
    }
}

TEST_F(ReadBack, ModelFileMeshesMaterialsAndTextures)
{
    ref<Vilib> lib = new Vilib(new Vdisplay, "app"_s);
    ref<V3dLibrary> models = new V3dLibrary;
    models->open("p3d"_s, lib);
    models->textureLoad(lib, nullptr);
    Digest d;
    d.num(models->m_materialn).num(models->m_material.length);
    for (int32_t i = 0; i < models->m_materialn; i++) {
        const V3dMaterial& m = *models->m_material[i];
        d.text(m.m_name).num(m.m_color).num(m.m_flat);
        if (const V3dTexture* t = m.m_texture.get())
            d.text(t->m_name).num(t->m_coordShift).num(t->m_shift).num(t->m_width).num(t->m_height)
                .num(t->m_transparent).array(t->m_pixels);
    }
    int32_t meshes = 0;
    for (V3dModel* m = models->m_all.get(); m; m = m->m_next.get(), meshes++) {
        d.text(m->m_name).num(m->m_size).num(m->m_wx).num(m->m_wy).num(m->m_wz).num(m->m_vertices);
        for (const Array<int16_t>* a : {&m->m_vx, &m->m_vy, &m->m_vz, &m->m_vu, &m->m_vv, &m->m_alias, &m->m_faceA,
                                        &m->m_faceB, &m->m_faceC})
            d.array(*a);
        d.array(m->m_faceMaterial);
    }
    EXPECT_GT(meshes, 10);
    EXPECT_EQ(d.hex(), "1b07b48ae9cd8e77");
}

TEST_F(ReadBack, LayoutPolygonAndHeightMap)
{
    ref<VpolyTerrain> ground = new VpolyTerrain;
    ref<Vswf> swf = new Vswf;
    swf->make(ground, "layout"_s, 512, 512, 13007, 64, 0);
    ASSERT_GT(ground->edgeCount(), 0);
    Digest d;
    d.num(ground->m_ncolors).array(ground->m_colors).num(ground->edgeCount());
    for (int32_t r = 0; r + 1 < ground->m_rowStart.length; r++) {
        d.num(r);
        for (int32_t k = ground->m_rowStart[r]; k < ground->rowEnd(r); k++)
            d.num(ground->m_edges[k]);
    }
    ground->makeHeight();
    d.array(ground->m_heightMap);
    EXPECT_EQ(d.hex(), "734d589b78e02b87");
}
