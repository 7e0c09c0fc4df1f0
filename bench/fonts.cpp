#include <benchmark/benchmark.h>

#include <filesystem>

#include "runtime/Array.h"
#include "runtime/InputStream.h"
#include "scene/Vfont.h"

namespace {

// The game's default font, from the data folder beside the program.
ref<Vfont> defaultFont()
{
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
    InputStream::setResourceDir((exe.parent_path() / "data").string());
    ref<Vfont> f = new Vfont;
    f->open("f16.bin"_s);
    return f;
}

// 40 lines of 40 characters into a 480 x 320 buffer, as text sprites draw
// them (spaces advance without drawing). Lines wrap back to the top so that
// every glyph lands fully inside the buffer.
void drawPage(benchmark::State& state, int32_t alpha)
{
    ref<Vfont> font = defaultFont();
    if (font->getHeight() == 0) {
        state.SkipWithError("f16.bin not found next to the program");
        return;
    }
    constexpr int32_t W = 480, H = 320;
    Array<int32_t> px(W * H);
    for (int32_t i = 0; i < W * H; i++)
        px[i] = (i * 2654435761u) >> 8; // a busy background
    const char* text = "The quick brown fox jumps over the lazy dog. Enemy: 5 Rounds: 20 0123456789";
    int32_t glyphs = 0;
    for (auto _ : state) {
        const char* p = text;
        for (int32_t line = 0; line < 40; line++) {
            int32_t y = (line * font->getHeight()) % (H - font->getHeight());
            int32_t x = 2;
            for (int32_t i = 0; i < 40; i++) {
                char c = *p ? *p++ : *(p = text);
                if (c != ' ')
                    font->draw(c, px, W, H, 0, 0, W, H, x << 15, y << 15, 0xFFFFFF, alpha);
                x += font->charWidth(c);
                glyphs++;
            }
        }
        benchmark::DoNotOptimize(px.a[W * H / 2]);
    }
    state.counters["chars"] = benchmark::Counter(glyphs, benchmark::Counter::kIsRate);
}

void BM_FontPage(benchmark::State& state)
{
    drawPage(state, 32768);
}
BENCHMARK(BM_FontPage)->Unit(benchmark::kMicrosecond);

// Dimmed menu items: half opacity, no shadow.
void BM_FontPageHalfOpacity(benchmark::State& state)
{
    drawPage(state, 16384);
}
BENCHMARK(BM_FontPageHalfOpacity)->Unit(benchmark::kMicrosecond);

} // namespace
