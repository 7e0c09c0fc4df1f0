#include <benchmark/benchmark.h>

#include "math/V.h"
#include "scene/Vpicture.h"

namespace {

constexpr int32_t kWidth = 480, kHeight = 320;

ref<Vpicture> picture(int32_t w, int32_t h, bool opaque)
{
    ref<Vpicture> p = new Vpicture;
    p->m_width = static_cast<int16_t>(w);
    p->m_height = static_cast<int16_t>(h);
    p->m_opaque = opaque;
    p->m_pixels = Array<int32_t>(w * h);
    for (int32_t y = 0; y < h; y++)
        for (int32_t x = 0; x < w; x++)
            p->m_pixels[y * w + x] = static_cast<int32_t>(0xFF000000u | static_cast<uint32_t>(((x * 3) & 0xFF) << 16 | ((y * 5) & 0xFF) << 8 | ((x ^ y) & 0xFF)));
    return p;
}

Array<int32_t> screen()
{
    Array<int32_t> px(kWidth * kHeight);
    for (int32_t i = 0; i < px.length; i++)
        px[i] = static_cast<int32_t>(0xFF204060u);
    return px;
}

// Draws p over the whole screen at the given scale and alpha, once per iteration.
void drawFullScreen(benchmark::State& state, const ref<Vpicture>& p, int32_t scale, int32_t alpha)
{
    Array<int32_t> px = screen();
    for (auto _ : state) {
        p->draw(px, kWidth, kHeight, 0, 0, kWidth, kHeight, 0, 0, scale, 0, alpha);
        benchmark::DoNotOptimize(px.a);
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// A full-screen opaque picture copied row by row.
void BM_OpaqueFullScreen(benchmark::State& state)
{
    ref<Vpicture> p = picture(kWidth, kHeight, true);
    drawFullScreen(state, p, 32768, 32768);
}
BENCHMARK(BM_OpaqueFullScreen)->Unit(benchmark::kMillisecond);

// A picture shrunk by 0.75 to cover the screen, blended at half opacity.
void BM_ScaledBlendedFullScreen(benchmark::State& state)
{
    ref<Vpicture> p = picture(640, 427, false);
    drawFullScreen(state, p, 24576, 16384);
}
BENCHMARK(BM_ScaledBlendedFullScreen)->Unit(benchmark::kMillisecond);

// The same with partly transparent pixels and transparent runs at full opacity.
void BM_ScaledMaskedFullScreen(benchmark::State& state)
{
    ref<Vpicture> p = picture(640, 427, false);
    for (int32_t i = 0; i < p->m_pixels.length; i++) {
        int32_t x = i % 640;
        if (x % 64 < 16)
            p->m_pixels[i] = (15 - x % 16) << 24; // transparent runs of 16
        else if (x % 64 < 20)
            p->m_pixels[i] = static_cast<int32_t>(0x80404040u);
    }
    drawFullScreen(state, p, 24576, 32768);
}
BENCHMARK(BM_ScaledMaskedFullScreen)->Unit(benchmark::kMillisecond);

} // namespace
