// The model file: the input is p3d.bin, read as the game reads it, then
// every mesh that loaded is hung on a sprite of its own. For one input in a
// hundred the textures are attached from the game's own image library app as
// at the game's start, one vehicle family's released again as at a battle's,
// and each mesh is scaled as a vehicle part and drawn by the rasterizer in a
// 3D view: framed by the camera, turned, and from so near that its front
// passes the near plane. Drawing builds the normals and shades.
#include <algorithm>
#include <cstdint>

#include "host/Vdisplay.h"
#include "render3d/V3dLibrary.h"
#include "render3d/V3dModel.h"
#include "render3d/V3dView.h"
#include "scene/Vilib.h"
#include "support/AllocationWatch.h"
#include "support/FuzzCheck.h"
#include "support/FuzzFolder.h"
#include "support/FuzzSample.h"

namespace {

constexpr int32_t kW = 160, kH = 120;
constexpr int32_t kScale = 650;

ref<Vilib> appLibrary()
{
    FuzzFolder::instance().copyPages("app");
    return new Vilib(new Vdisplay, "app"_s);
}

// The largest allocation of opening a file with nothing in it: the stream's
// own buffer and the like, which any file costs.
std::size_t baseline(V3dLibrary& models)
{
    FuzzFolder::instance().write("p3d.bin", nullptr, 0);
    AllocationWatch::start();
    models.open("p3d"_s, nullptr);
    return AllocationWatch::stop();
}

void render(V3dView& view)
{
    view.redraw(0, 0, kW, kH);
    view.render();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    static ref<Vilib> lib = appLibrary();
    static ref<V3dLibrary> models = new V3dLibrary;
    static std::size_t opening = baseline(*models);
    static ref<V3dView> view;
    if (!view) {
        view = new V3dView;
        view->m_models = models;
        view->setWidthHeight(kW, kH);
        view->setColor(static_cast<int32_t>(0xFF3A4450));
    }
    FuzzFolder::instance().write("p3d.bin", data, size);

    AllocationWatch::start();
    models->open("p3d"_s, lib);
    std::size_t largest = AllocationWatch::stop();
    // Every array is checked against the bytes left before it is made: none
    // is larger than twice the file (shorts from as many bytes, and a few
    // more for the material table), unless opening any file costs more.
    if (AllocationWatch::available())
        fuzzCheck(largest <= std::max(opening, 2 * size + 64), "the loader allocates no more than its bytes can fill");
    // Looking every texture up by name in app cost half the time of an input.
    const bool draw = fuzzDraws(data, size);
    if (draw) {
        models->textureLoad(lib, nullptr);
        models->textureLoad(lib, "t34"_s);
    }
    for (V3dModel* m = models->m_all.get(); m; m = m->m_next.get()) {
        fuzzCheck(m->m_vx.length >= 8, "a loaded mesh has its box corners");
        ref<Vsprite> s = view->loadModel(m->m_name);
        fuzzCheck(s && s->m_model, "a loaded mesh is found by its name");
        // An earlier mesh of the same name is drawn all the same, at a
        // vehicle's scale as the game applies it.
        s->m_model = m;
        if (!draw)
            continue;
        if (!m->m_scaled)
            m->scale(kScale);
        view->identity();
        view->m_pitch = 0;
        view->m_heading = 0;
        view->add(s);
        view->lookAt(32768);
        render(*view);
        fuzzCheck(m->m_nx.empty() || m->m_nx.length == m->m_vertices + m->m_alias.length,
                  "the normals cover every slot");
        s->rotateY(5000);
        s->rotateX(-3000);
        view->lookAt(32768);
        render(*view);
        // Near enough that the front of the mesh passes the near plane,
        // looking down a little.
        view->m_pitch = -1000;
        view->setWxyz(0, 0, view->m_wz / 4);
        render(*view);
        view->remove(s);
    }
    models->destroy();
    return 0;
}
