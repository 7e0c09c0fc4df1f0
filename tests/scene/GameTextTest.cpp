#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "Png.h"
#include "support/Pixels.h"
#include "support/TextFixture.h"

using GameText = TextFixture; // for its theme

// Both game fonts' main menus, with the defaults the start-up sets, over a
// sky gradient and a striped ground; the frame is written to menu-sample.png
// next to the test program.
TEST_F(GameText, MainMenuReadsInBothFonts)
{
    constexpr int32_t W = 480, H = 320;
    InputStream::setResourceDir(KORVATH_DATA_DIR);
    ref<Vfont> small = new Vfont, large = new Vfont;
    ASSERT_TRUE(small->open("f10.bin"_s) && large->open("f16.bin"_s)) << KORVATH_DATA_DIR;
    m_theme->m_textColor = static_cast<int32_t>(0xFFFFFFFFu);
    m_theme->m_menuColor = static_cast<int32_t>(0x80606080u);
    m_theme->m_inset = 2;

    FakeHost host;
    ref<Viewport> vp = new Viewport;
    vp->setWidthHeight(W, H);
    ref<Vsprite> sky = box(0, 0, W, H * 2 / 3, 0);
    sky->setColorGradient(static_cast<int32_t>(0xFFB0D8FFu));
    vp->add(sky);
    for (int32_t i = 0; i < 8; i++)
        vp->add(box(i * W / 8, H * 2 / 3, W / 8, H / 3, i % 2 ? 0xFF3C6E28u : 0xFFC8B478u));
    vp->render();
    std::vector<uint32_t> before = words(vp->m_pixels);
    for (const ref<Vfont>& f : {small, large}) {
        m_theme->m_font = f;
        ref<Vmenu> m = new Vmenu(m_theme);
        for (const char* s : {"New Game", "Resume", "Sound: On", "Help", "About"})
            m->add(String::intern(s));
        m->select();
        m->setXyi(f == small ? 40 : 240, 130);
        vp->add(m);
    }
    vp->render();
    std::filesystem::path out = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "menu-sample.png";
    EXPECT_TRUE(Png::write(out.string(), W, H, reinterpret_cast<const uint32_t*>(vp->m_pixels.a), false));

    std::vector<uint32_t> after = words(vp->m_pixels);
    for (Vsprite* m = vp->m_child.get(); m; m = m->m_sibling.get()) {
        if (!dynamic_cast<Vmenu*>(m))
            continue;
        int32_t n = 0;
        for (Vsprite* c = m->m_child.get(); c; c = c->m_sibling.get(), n++) {
            // Full white ink only on the selected item; the others are dimmed
            // to half but still light.
            int32_t white = 0, light = 0;
            for (int32_t y = c->m_y0; y < c->m_y1; y++)
                for (int32_t x = c->m_x0; x < c->m_x1; x++) {
                    uint32_t p = after[static_cast<std::size_t>(x + y * W)];
                    white += (p & 0xFFFFFF) == 0xFFFFFF;
                    light += channel(p, 16) > 0xB0 && channel(p, 8) > 0xB0 && channel(p, 0) > 0xB0;
                }
            EXPECT_EQ(white > 20, n == 0) << n;
            EXPECT_GT(light, 20) << n;
        }
        // Nothing is drawn outside the menus.
        for (int32_t y = m->m_y0; y < m->m_y1; y++)
            for (int32_t x = m->m_x0; x < m->m_x1; x++)
                after[static_cast<std::size_t>(x + y * W)] = before[static_cast<std::size_t>(x + y * W)];
    }
    EXPECT_EQ(after, before);
    vp->removeAllStar();
}
