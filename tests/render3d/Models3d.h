#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "MeshBuilder.h"
#include "ModelFile.h"
#include "Shapes.h"
#include "host/Vdisplay.h"
#include "math/V.h"
#include "render3d/V3dLibrary.h"
#include "render3d/V3dMaterial.h"
#include "render3d/V3dModel.h"
#include "render3d/V3dTexture.h"
#include "render3d/V3dView.h"
#include "runtime/InputStream.h"
#include "scene/Vilib.h"
#include "support/Files.h"

// Model files written by the generator's writer into a folder of their own
// and read back through the engine's loader.
class ModelFiles {
public:
    ModelFiles() : m_dir("models3d")
    {
        if (V::m_fsin.empty())
            V::fsinInit();
        InputStream::setResourceDir(m_dir.str());
    }
    ~ModelFiles() { InputStream::setResourceDir("."); }

    // Writes bytes as name.bin and opens it; returns what the loader printed.
    std::string open(const std::vector<uint8_t>& bytes, const std::string& name = "m")
    {
        writeFile(m_dir.file(name + ".bin"), std::string(bytes.begin(), bytes.end()));
        testing::internal::CaptureStderr();
        m_models->open(String::copyOf(name.c_str()), nullptr);
        return testing::internal::GetCapturedStderr();
    }
    std::string open(const ModelFile& f) { return open(f.bytes()); }

    int32_t meshCount() const
    {
        int32_t n = 0;
        for (V3dModel* m = m_models->m_all.get(); m; m = m->m_next.get())
            n++;
        return n;
    }
    ref<V3dModel> lookup(const char* name) const { return m_models->lookupModel(String::copyOf(name)); }

    TempDir m_dir;
    ref<V3dLibrary> m_models = new V3dLibrary;
};

// The game's model file from the data folder, read by the engine's loader,
// with the textures of the named picture library when one is given.
class GameModels : public testing::Test {
protected:
    void open(const char* library = nullptr)
    {
        if (V::m_fsin.empty())
            V::fsinInit();
        InputStream::setResourceDir(KORVATH_DATA_DIR);
        if (library)
            m_lib = new Vilib(new Vdisplay, String::copyOf(library));
        m_models->open("p3d"_s, m_lib);
        if (m_lib)
            m_models->textureLoad(m_lib, nullptr);
    }
    void TearDown() override { InputStream::setResourceDir("."); }
    ref<Vilib> m_lib;
    ref<V3dLibrary> m_models = new V3dLibrary;
};

// A plain-coloured material (index 0) and a textured one (index 1).
inline ModelFile oneMaterialFile()
{
    ModelFile f;
    f.materials.push_back({"grey", "", 0x808080, false, 0});
    f.materials.push_back({"chequer", "chequer", 0, false, 0});
    return f;
}

// A box of half sizes (hx, hy, hz) whole units around the origin in one
// material, every face flat, at no offset, for a game scale of one. Its
// corners lie exactly at the half sizes.
inline ModelMesh boxMesh(const std::string& name, int32_t hx, int32_t hy, int32_t hz, int32_t material = 0)
{
    MeshBuilder b;
    Shapes::box(b, {-1.0f * hx, -1.0f * hy, -1.0f * hz}, {1.0f * hx, 1.0f * hy, 1.0f * hz}, Paint{material, Uv::tile(16)});
    ModelMesh m = b.build(name, {0, 0, 0}, 32768);
    // Positions of one quarter of the size: hx is then exactly 8192 / 32768
    // of a size of 4 hx.
    const int32_t big = std::max({hx, hy, hz});
    m.size = 4 * big << 15;
    auto exact = [&](std::vector<int16_t>& a, int32_t h) {
        for (int16_t& v : a)
            v = static_cast<int16_t>(v > 0 ? 8192 * h / big : -8192 * h / big);
    };
    exact(m.x, hx);
    exact(m.y, hy);
    exact(m.z, hz);
    return m;
}

// The two materials and a 2 x 2 x 2 box named "box".
inline ModelFile withBox()
{
    ModelFile f = oneMaterialFile();
    f.meshes.push_back(boxMesh("box", 1, 1, 1));
    return f;
}

// A view of w x h pixels whose background is far (depth code 255) and
// nothing else, the camera at the origin looking along -z, showing the
// meshes of models.
inline ref<V3dView> emptyView(int32_t w, int32_t h, uint32_t background = 0xFF102030,
                              const ref<V3dLibrary>& models = nullptr)
{
    ref<V3dView> v = new V3dView;
    v->m_models = models;
    v->setWidthHeight(w, h);
    v->setColor(static_cast<int32_t>(background));
    return v;
}

// A sprite showing the view's mesh name at world position (x, y, z)
// (whole units), added to the view.
inline ref<Vsprite> place(const ref<V3dView>& view, const char* name, float x, float y, float z)
{
    ref<Vsprite> s = view->loadModel(String::copyOf(name));
    s->setWxyz(static_cast<int32_t>(x * 32768), static_cast<int32_t>(y * 32768), static_cast<int32_t>(z * 32768));
    view->add(s);
    return s;
}

// The rectangle subeye and subedge fill within, as drawModel sets it.
inline void setClip(const ref<V3dView>& view, int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    view->m_clipX0 = x0;
    view->m_clipY0 = y0;
    view->m_clipX1 = x1;
    view->m_clipY1 = y1;
}

// A value in lo .. hi - 1.
inline int32_t inRange(std::mt19937& rng, int32_t lo, int32_t hi)
{
    return lo + static_cast<int32_t>(rng() % static_cast<uint32_t>(hi - lo));
}

// A value as a broken mesh might give: anything, far off, or an extreme.
inline int32_t wildValue(std::mt19937& rng)
{
    switch (rng() % 4) {
    case 0: return static_cast<int32_t>(rng());
    case 1: return static_cast<int32_t>(rng() % 200000) - 50000;
    case 2: return static_cast<int32_t>(rng() % 0x1000000);
    default: return static_cast<int32_t>(rng() % 3 == 0 ? 0x7FFFFFFF : -0x7FFFFFFF - 1);
    }
}
