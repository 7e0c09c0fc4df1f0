// Font files: the input is a font resource, opened as the game opens f10.bin
// and f16.bin, then measured: a line of every character, alone and in a text
// sprite. One input in a hundred is also drawn: the line through the sprite
// on a screen (opaque, with the drop shadow) and every glyph alone,
// translucent and cut by the edges of the buffer.
#include <cstdint>

#include "scene/Vfont.h"
#include "scene/Viewport.h"
#include "scene/Vtext.h"
#include "support/FuzzCheck.h"
#include "support/FuzzFolder.h"
#include "support/FuzzSample.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzFolder::instance().write("fz.bin", data, size);
    ref<Vfont> font = new Vfont;
    const int32_t avail = V::m_avail;
    bool opened = font->open("fz.bin"_s);
    // No more glyph data than the file holds; the tables of the first at most
    // 256 codes (twice: they grow when glyphs follow) and 10 bytes for each
    // glyph past them, which takes at least 4 bytes of the file.
    fuzzCheck(static_cast<int64_t>(avail) - V::m_avail <= static_cast<int64_t>(size) * 7 / 2 + 4096,
              "the font allocates no more than its bytes");
    if (!opened)
        fuzzCheck(font->charWidth('a') == 0 && font->charWidth(' ') == 0, "a font that failed to open is empty");

    char line[260];
    int32_t n = 0;
    for (int32_t c = 1; c < 256; c++)
        line[n++] = static_cast<char>(c == '\n' ? '\t' : c);
    line[n] = 0;
    ref<String> text = String::copyOf(line, n);
    font->stringWidth(text);

    static ref<Viewport> screen;
    if (!screen) {
        screen = new Viewport;
        screen->setWidthHeight(96, 40);
    }
    ref<Vtext> t = new Vtext(nullptr, font, text);
    ref<Vtext> two = new Vtext(nullptr, font, "Enemy:\t12\nFuel:\t7"_s);
    if (!fuzzDraws(data, size))
        return 0;
    t->setTextColor(0xE0C080);
    t->setXyi(-3, 2);
    two->setAlpha(12000);
    two->setXyi(50, 20);
    screen->add(t);
    screen->add(two);
    screen->render();
    screen->remove(t);
    screen->remove(two);
    screen->render();

    const Array<int32_t>& px = screen->m_pixels;
    for (int32_t c = -1; c < 257; c++) {
        font->draw(c, px, 96, 40, 0, 0, 96, 40, (c % 97 - 5) * 32768 + 77, (c % 41 - 4) * 32768, 0x102030, 32768);
        font->draw(c, px, 96, 40, 10, 10, 30, 20, 12 * 32768, 9 * 32768, 0xFFFFFF, 20000);
    }
    return 0;
}
