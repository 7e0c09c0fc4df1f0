#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

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

void varint(std::vector<uint8_t>& out, uint32_t v)
{
    uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<uint8_t>(v & 127);
        v >>= 7;
    } while (v);
    while (n > 1)
        out.push_back(groups[--n] | 0x80);
    out.push_back(groups[0]);
}

// An opaque run-length picture: every pixel a 15-bit colour, then the end code.
std::vector<uint8_t> opaquePicture(int32_t w, int32_t h, int32_t seed)
{
    std::vector<uint8_t> r;
    for (uint32_t v : {uint32_t('o'), uint32_t(w), uint32_t(h), 0u, 0u})
        varint(r, v);
    for (int32_t y = 0; y < h; y++)
        for (int32_t x = 0; x < w; x++) {
            uint32_t c = (((x + seed) >> 4) & 31) << 10 | ((y >> 3) & 31) << 5 | ((x ^ y) & 31);
            r.push_back(static_cast<uint8_t>(c >> 8));
            r.push_back(static_cast<uint8_t>(c));
        }
    r.push_back(134);
    return r;
}

// Library "bench": the shared header record, the background, the sprite.
std::string writeLibrary()
{
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("korvath-bench-scene-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::vector<std::vector<uint8_t>> records(3);
    for (uint32_t v : {uint32_t('h'), 1u, 1u, 0u, 0u})
        varint(records[0], v);
    records[0].resize(records[0].size() + 623);
    records[1] = opaquePicture(kWidth, kHeight, 0);
    records[2] = opaquePicture(kSide, kSide, 7);
    std::vector<uint8_t> lib;
    varint(lib, 3);
    varint(lib, static_cast<uint32_t>(623 + records[1].size()));
    for (size_t k = 0; k < records.size(); k++) {
        varint(lib, static_cast<uint32_t>(records[k].size()));
        lib.push_back(1);
        lib.push_back(static_cast<uint8_t>('a' + k));
    }
    for (const auto& r : records)
        lib.insert(lib.end(), r.begin(), r.end());
    for (size_t at = 0, page = 0; at < lib.size(); at += 32768, page++) {
        std::string name = (dir / ("bench" + std::to_string(page) + ".bin")).string();
        std::FILE* f = std::fopen(name.c_str(), "wb");
        if (!f)
            break;
        std::fwrite(lib.data() + at, 1, std::min<size_t>(32768, lib.size() - at), f);
        std::fclose(f);
    }
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
