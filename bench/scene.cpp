#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "ImageLibraryWriter.h"
#include "ScratchFolder.h"
#include "host/Host.h"
#include "host/Vdisplay.h"
#include "runtime/InputStream.h"
#include "scene/Viewport.h"
#include "scene/Vilib.h"

// Frames of a 480 x 320 screen on which one 64 x 64 picture moves over a
// full-screen background picture: only the rectangles the sprite left and
// entered are redrawn and shown.

namespace {

constexpr int32_t kWidth = 480, kHeight = 320, kSide = 64;

// Counts what each frame asks the screen to show.
class CountingHost : public Host {
public:
    void redrawAll(Viewport& vp) override
    {
        m_frames++;
        for (int32_t i = 0; i < vp.m_dirtyCount; i += 4) {
            m_rects++;
            m_pixels += static_cast<int64_t>(vp.m_dirty[i + 2] - vp.m_dirty[i]) *
                        (vp.m_dirty[i + 3] - vp.m_dirty[i + 1]);
        }
    }
    void redraw(Viewport&, int32_t, int32_t, int32_t, int32_t) override {}
    int32_t nowMs() override { return 0; }
    void sleepMs(int32_t) override {}
    int32_t loadSound(const char*) override { return -1; }
    void playSound(int32_t) override {}

    int64_t m_frames = 0, m_rects = 0, m_pixels = 0;
};

// An opaque picture of w x h pixels in a pattern of 15-bit colours.
SourcePicture pattern(const char* name, int32_t w, int32_t h, int32_t seed)
{
    SourcePicture p;
    p.name = name;
    p.width = w;
    p.height = h;
    for (int32_t y = 0; y < h; y++)
        for (int32_t x = 0; x < w; x++)
            p.argb.push_back(0xFF000000u | (((x + seed) >> 4) & 31) << 19 | ((y >> 3) & 31) << 11 |
                             ((x ^ y) & 31) << 3);
    return p;
}

// Library "bench": a small picture 0, the background, the sprite.
std::string writeLibrary()
{
    static ScratchFolder folder("bench-scene");
    const std::filesystem::path& dir = folder.path();
    ImageLibraryWriter writer;
    writer.add(pattern("first", 1, 1, 0), PictureEncoding::RleOpaque);
    writer.add(pattern("background", kWidth, kHeight, 0), PictureEncoding::RleOpaque);
    writer.add(pattern("sprite", kSide, kSide, 7), PictureEncoding::RleOpaque);
    std::string error;
    if (!writer.write(dir.string(), "bench", &error))
        std::printf("bench library: %s\n", error.c_str());
    return dir.string();
}

struct Scene {
    Scene()
    {
        Host::install(&host);
        dir = writeLibrary();
        InputStream::setResourceDir(dir);
        ref<Vdisplay> display(new Vdisplay());
        lib = ref<Vilib>(new Vilib(display, "bench"_s));
        vp = ref<Viewport>(new Viewport());
        vp->init(display);
        vp->setWidthHeight(kWidth, kHeight);
        ref<Vsprite> bg(new Vsprite());
        bg->setImage(lib, 1);
        vp->add(bg);
        sprite = ref<Vsprite>(new Vsprite());
        sprite->setImage(lib, 2);
        vp->add(sprite);
        vp->render(); // the first frame draws everything
        host.m_frames = host.m_rects = host.m_pixels = 0;
    }
    ~Scene()
    {
        vp->removeAllStar();
        Host::install(nullptr);
        std::filesystem::remove_all(dir);
    }
    void report(benchmark::State& state) const
    {
        double frames = static_cast<double>(host.m_frames);
        state.counters["rects/frame"] = static_cast<double>(host.m_rects) / frames;
        state.counters["pixels/frame"] = static_cast<double>(host.m_pixels) / frames;
    }

    CountingHost host;
    std::string dir;
    ref<Vilib> lib;
    ref<Viewport> vp;
    ref<Vsprite> sprite;
};

// The sprite jumps between two places far apart: two 64 x 64 rectangles.
void BM_SpriteJumps(benchmark::State& state)
{
    Scene s;
    int32_t frame = 0;
    for (auto _ : state) {
        frame++;
        s.sprite->setXyi((frame & 1) ? 300 : 100, 120);
        s.vp->render();
    }
    s.report(state);
}
BENCHMARK(BM_SpriteJumps);

// The sprite glides 4 pixels a frame: old and new rectangles merge into one.
void BM_SpriteGlides(benchmark::State& state)
{
    Scene s;
    int32_t x = 0;
    for (auto _ : state) {
        x = x + 4 > kWidth - kSide ? 0 : x + 4;
        s.sprite->setXyi(x, 120);
        s.vp->render();
    }
    s.report(state);
}
BENCHMARK(BM_SpriteGlides);

// For comparison: the whole screen redrawn every frame.
void BM_FullScreen(benchmark::State& state)
{
    Scene s;
    for (auto _ : state) {
        s.vp->redraw();
        s.vp->render();
    }
    s.report(state);
}
BENCHMARK(BM_FullScreen);

// A frame in which nothing changed: change detection only, no paint.
void BM_NothingChanged(benchmark::State& state)
{
    Scene s;
    for (auto _ : state)
        s.vp->render();
    state.counters["paints"] = static_cast<double>(s.host.m_frames);
}
BENCHMARK(BM_NothingChanged);

} // namespace
