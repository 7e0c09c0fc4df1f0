// Text resources such as help.txt: the input is the resource, loaded and
// word-wrapped the way the help page does it (the game's own font, the page's
// width and a narrow one); a wrapped line may stand wider than the page only
// when it is one word. One input in a hundred is also shown on a screen,
// scrolled to its start and to its end: drawing costs far more than reading.
#include <cstdint>

#include "scene/Vfont.h"
#include "scene/Viewport.h"
#include "scene/Vtext.h"
#include "scene/Vtheme.h"
#include "support/FuzzCheck.h"
#include "support/FuzzFolder.h"
#include "support/FuzzSample.h"

namespace {

// Lines are measured as the wrap measures them: a pixel of margin and the
// width of every character, tabs and all.
void checkWrapped(Vtext& t, int32_t width)
{
    int32_t x = 1;
    bool space = false;
    for (const char* p = t.toString()->c_str();; p++) {
        if (*p == '\n' || *p == 0) {
            fuzzCheck(x <= width || !space, "a line wider than the page is a single word");
            if (*p == 0)
                return;
            x = 1;
            space = false;
            continue;
        }
        x += t.m_font->charWidth(*p);
        space = space || *p == ' ';
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzFolder& folder = FuzzFolder::instance();
    static ref<Viewport> screen;
    static ref<Vtheme> theme;
    if (!screen) {
        fuzzCheck(folder.copyData("f16.bin"), "the game's font is there");
        theme = new Vtheme;
        theme->m_font = new Vfont;
        fuzzCheck(theme->m_font->open("f16.bin"_s), "the game's font opens");
        theme->m_textColor = static_cast<int32_t>(0xFFFFFFFF);
        screen = new Viewport;
        screen->setWidthHeight(240, 160);
    }
    folder.write("fz.txt", data, size);
    const bool draw = fuzzDraws(data, size);
    for (int32_t w : {228, 20}) {
        ref<Vtext> t = new Vtext(theme);
        t->setColor(static_cast<int32_t>(0x80606080));
        t->setWidthHeight(w, 0);
        t->setFile("fz.txt"_s);
        fuzzCheck(t->toString() != nullptr, "a readable text resource is shown");
        checkWrapped(*t, w);
        if (!draw)
            continue;
        t->setWidthHeight(w + 12, t->getHeight());
        screen->add(t);
        screen->render();
        t->setXyi(0, 160 - t->getHeight());
        screen->render();
        screen->remove(t);
    }
    if (draw)
        screen->render();
    return 0;
}
