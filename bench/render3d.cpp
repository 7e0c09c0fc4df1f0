#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "MeshBuilder.h"
#include "ModelFile.h"
#include "Shapes.h"
#include "VehicleRig.h"
#include "host/Vdisplay.h"
#include "math/V.h"
#include "render3d/V3dLibrary.h"
#include "render3d/V3dMaterial.h"
#include "render3d/V3dModel.h"
#include "render3d/V3dTexture.h"
#include "render3d/V3dView.h"
#include "runtime/InputStream.h"
#include "scene/Vilib.h"

// The 3D path on the game's own models and textures (the data folder next
// to this program): fill rate, one tank up close, four tanks in the middle
// distance, and a still scene.

namespace {

constexpr int32_t kWidth = 480, kHeight = 320;

// The game's models and textures, loaded once.
const ref<V3dLibrary>& gameModels()
{
    static ref<V3dLibrary> models;
    if (!models) {
        V::fsinInit();
        std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
        InputStream::setResourceDir((exe.parent_path() / "data").string());
        ref<Vilib> lib = new Vilib(new Vdisplay, "app"_s);
        models = new V3dLibrary;
        models->open("p3d"_s, lib);
        models->textureLoad(lib, nullptr);
    }
    return models;
}

// A view of the game's models.
ref<V3dView> view()
{
    ref<V3dView> v = new V3dView;
    v->m_models = gameModels();
    v->setWidthHeight(kWidth, kHeight);
    v->setColor(static_cast<int32_t>(0xFF5E6B73));
    return v;
}

// Sky over everything, far (depth code 255), and every mesh to be relit.
void reset(const ref<V3dView>& v, const std::vector<ref<Vsprite>>& meshes)
{
    int32_t* p = v->m_pixels.a;
    for (int32_t i = 0; i < v->m_pixels.length; i++)
        p[i] = static_cast<int32_t>(0xFF5E6B73);
    for (const ref<Vsprite>& s : meshes)
        s->m_model->m_lightX = 0x40000000;
}

int32_t covered(const ref<V3dView>& v)
{
    int32_t n = 0;
    for (int32_t i = 0; i < v->m_pixels.length; i++)
        n += (static_cast<uint32_t>(v->m_pixels[i]) >> 24) != 255;
    return n;
}

// Transform, light and fill of every mesh, as a frame's repaint does it.
void drawAll(const ref<V3dView>& v, const std::vector<ref<Vsprite>>& meshes)
{
    for (const ref<Vsprite>& s : meshes)
        v->drawModel(s, 0, 0, kWidth, kHeight);
}

// The timed frames alone, out of line: valgrind --tool=callgrind
// --toggle-collect='*timedFrame*' counts their instructions without the
// set-up's (divide by the calls it reports).
[[gnu::noinline]] void timedFrame(const ref<V3dView>& v, const std::vector<ref<Vsprite>>& meshes)
{
    drawAll(v, meshes);
    // Also keeps the compiler from folding it into drawAll.
    benchmark::DoNotOptimize(v->m_pixels.a);
}

std::vector<ref<Vsprite>> meshesOf(const VehicleRig& rig)
{
    std::vector<ref<Vsprite>> out;
    for (const ref<Vsprite>& s : {rig.m_turret, rig.m_gun, rig.m_hull, rig.m_tracks})
        if (s && s->m_model)
            out.push_back(s);
    return out;
}

// A textured, lit wall facing the camera and covering most of the view,
// drawn as two large triangles.
void BM_TexturedFill(benchmark::State& state)
{
    const ref<V3dLibrary>& models = gameModels();
    int32_t paint = -1;
    for (int32_t i = 0; i < models->m_materialn; i++)
        if (models->m_material[i]->m_texture && models->m_material[i]->m_texture->usable())
            paint = i;
    MeshBuilder b;
    Shapes::box(b, {-2, -1.4f, -0.1f}, {2, 1.4f, 0.1f}, Paint{paint, Uv::tile(10)});
    ModelMesh mesh = b.build("wall", {0, 0, 0}, 32768);
    ref<V3dModel> wall = new V3dModel;
    wall->m_materials = models->m_material;
    wall->m_size = mesh.size;
    wall->allocVertices(static_cast<int32_t>(mesh.x.size()));
    for (int32_t i = 0; i < wall->m_vx.length; i++) {
        wall->m_vx[i] = mesh.x[static_cast<std::size_t>(i)];
        wall->m_vy[i] = mesh.y[static_cast<std::size_t>(i)];
        wall->m_vz[i] = mesh.z[static_cast<std::size_t>(i)];
        wall->m_vu[i] = mesh.u[static_cast<std::size_t>(i)];
        wall->m_vv[i] = mesh.v[static_cast<std::size_t>(i)];
    }
    wall->m_alias = Array<int16_t>(static_cast<int32_t>(mesh.alias.size()));
    for (int32_t i = 0; i < wall->m_alias.length; i++)
        wall->m_alias[i] = mesh.alias[static_cast<std::size_t>(i)];
    wall->allocFaces(static_cast<int32_t>(mesh.a.size()));
    for (int32_t j = 0; j < wall->faceCount(); j++) {
        wall->m_faceA[j] = mesh.a[static_cast<std::size_t>(j)];
        wall->m_faceB[j] = mesh.b[static_cast<std::size_t>(j)];
        wall->m_faceC[j] = mesh.c[static_cast<std::size_t>(j)];
        wall->m_faceMaterial[j] = static_cast<int8_t>(mesh.material[static_cast<std::size_t>(j)]);
    }
    ref<V3dView> v = view();
    ref<Vsprite> s = new Vsprite;
    s->m_model = wall;
    s->setWxyz(0, 0, -(6 << 15));
    v->add(s);
    v->renderChangeDetect(0, 0, 32768);
    const std::vector<ref<Vsprite>> meshes{s};
    reset(v, meshes);
    drawAll(v, meshes);
    const int32_t pixels = covered(v);
    for (auto _ : state) {
        state.PauseTiming();
        reset(v, meshes);
        state.ResumeTiming();
        timedFrame(v, meshes);
    }
    state.SetItemsProcessed(state.iterations() * pixels);
    state.counters["pixels"] = pixels;
    state.counters["ns_per_pixel"] =
        benchmark::Counter(static_cast<double>(pixels) * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    v->destroy();
}
BENCHMARK(BM_TexturedFill)->Unit(benchmark::kMicrosecond);

// The camera 15 degrees above the ground, looking at a point 1.2 above it
// from distance d (units).
void aim(const ref<V3dView>& v, double d)
{
    v->m_pitch = -1365;
    v->m_heading = 0;
    int32_t dist = static_cast<int32_t>(d * 32768);
    v->setWxyz(0, (1 << 15) * 6 / 5 - V::fmul(V::fsin(-1365), dist), V::fmul(V::fcos(-1365), dist));
}

// One Sherman filling about 40 % of the view: transform, light and fill.
void BM_OneTankClose(benchmark::State& state)
{
    ref<V3dView> v = view();
    VehicleRig rig(v, kSherman);
    rig.pose(5000, -1500, -400);
    v->add(rig.m_body);
    std::vector<ref<Vsprite>> meshes = meshesOf(rig);
    // Nearer until the tank covers 40 % of the view.
    double d = 20;
    int32_t pixels = 0;
    while (d > 4) {
        aim(v, d);
        v->renderChangeDetect(0, 0, 32768);
        reset(v, meshes);
        drawAll(v, meshes);
        pixels = covered(v);
        if (pixels >= kWidth * kHeight * 2 / 5)
            break;
        d *= 0.98;
    }
    for (auto _ : state) {
        state.PauseTiming();
        reset(v, meshes);
        state.ResumeTiming();
        timedFrame(v, meshes);
    }
    state.counters["coverage_percent"] = 100.0 * pixels / (kWidth * kHeight);
    state.counters["distance"] = d;
    v->destroy();
}
BENCHMARK(BM_OneTankClose)->Unit(benchmark::kMicrosecond);

// Four tanks 20, 33, 46 and 60 units away, spread across the view.
struct Column {
    ref<V3dView> view;
    std::vector<std::unique_ptr<VehicleRig>> rigs;
    std::vector<ref<Vsprite>> meshes;
};

void fourTanks(Column& c)
{
    c.view = view();
    aim(c.view, 0);
    const VehicleBuild* vehicles[] = {&kSherman, &kTiger, &kT34, &kSherman};
    const double depth[] = {20, 33, 46, 60}, side[] = {-4, 6, -9, 10};
    for (int32_t i = 0; i < 4; i++) {
        c.rigs.push_back(std::make_unique<VehicleRig>(c.view, *vehicles[i]));
        VehicleRig& r = *c.rigs.back();
        r.pose(i * 7000, i * 2000 - 3000, 0);
        r.m_body->setWxyz(static_cast<int32_t>(side[i] * 32768), 0, -static_cast<int32_t>(depth[i] * 32768));
        c.view->add(r.m_body);
        for (const ref<Vsprite>& s : meshesOf(r))
            c.meshes.push_back(s);
    }
    c.view->renderChangeDetect(0, 0, 32768);
}

void tearDown(Column& c)
{
    c.rigs.clear();
    c.view->destroy();
}

void BM_FourTanksMiddleDistance(benchmark::State& state)
{
    Column c;
    fourTanks(c);
    reset(c.view, c.meshes);
    drawAll(c.view, c.meshes);
    const int32_t pixels = covered(c.view);
    for (auto _ : state) {
        state.PauseTiming();
        reset(c.view, c.meshes);
        state.ResumeTiming();
        timedFrame(c.view, c.meshes);
    }
    state.counters["pixels"] = pixels;
    tearDown(c);
}
BENCHMARK(BM_FourTanksMiddleDistance)->Unit(benchmark::kMicrosecond);

// Frames of the same four tanks with nothing moving: change detection only.
void BM_StillScene(benchmark::State& state)
{
    Column c;
    fourTanks(c);
    c.view->render();
    const int64_t before = V3dView::m_transforms;
    for (auto _ : state) {
        c.view->render();
        benchmark::DoNotOptimize(c.view->m_dirtyCount);
    }
    state.counters["transforms_per_frame"] =
        static_cast<double>(V3dView::m_transforms - before) / static_cast<double>(state.iterations());
    tearDown(c);
}
BENCHMARK(BM_StillScene)->Unit(benchmark::kMicrosecond);

} // namespace
