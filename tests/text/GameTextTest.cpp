#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "Png.h"
#include "runtime/InputStream.h"
#include "scene/Vmenu.h"
#include "support/FakeHost.h"

namespace {

constexpr int32_t W = 480;
constexpr int32_t H = 320;

// The game's fonts, read from the data folder, and the defaults the start-up
// sets for texts and menus (the large font's tab widened by 4).
class GameText : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = InputStream::resourceDir();
        InputStream::setResourceDir(KORVATH_DATA_DIR);
        ASSERT_TRUE(m_small->open("f10.bin"_s)) << KORVATH_DATA_DIR;
        ASSERT_TRUE(m_large->open("f16.bin"_s));
        m_large->m_tab += 4;
        Vtext::m_textcolorDefault = static_cast<int32_t>(0xFFFFFFFFu);
        Vmenu::m_colorDefault = static_cast<int32_t>(0x80606080u);
        Vsprite::m_inset = 2;
    }
    void TearDown() override
    {
        InputStream::setResourceDir(m_saved);
        Vtext::m_fontDefault = nullptr;
        Vtext::m_textcolorDefault = 0;
        Vmenu::m_colorDefault = 0;
        Vsprite::m_inset = 0;
    }
    std::string m_saved;
    ref<Vfont> m_small = new Vfont;
    ref<Vfont> m_large = new Vfont;
};

} // namespace

// Both fonts' main menus over a sky gradient and a striped ground; the frame
// is written to menu-sample.png next to the test program.
TEST_F(GameText, MainMenuReadsInBothFonts)
{
    FakeHost host;
    ref<Viewport> vp = new Viewport;
    vp->setWidthHeight(W, H);
    ref<Vsprite> sky = box(0, 0, W, H * 2 / 3, 0);
    sky->setColorGradient(static_cast<int32_t>(0xFFB0D8FFu));
    vp->add(sky);
    for (int32_t i = 0; i < 8; i++)
        vp->add(box(i * W / 8, H * 2 / 3, W / 8, H / 3, i % 2 ? 0xFF3C6E28u : 0xFFC8B478u));
    vp->render();
    std::vector<int32_t> background(vp->m_pixels.a, vp->m_pixels.a + vp->m_pixels.length);

    std::vector<ref<Vmenu>> menus;
    for (const ref<Vfont>& f : {m_small, m_large}) {
        Vtext::m_fontDefault = f;
        ref<Vmenu> m = new Vmenu;
        for (const char* s : {"New Game", "Resume", "Sound: On", "Help", "About"})
            m->add(String::intern(s));
        m->select();
        m->setXyi(f == m_small ? 40 : 240, 130);
        vp->add(m);
        menus.push_back(m);
    }
    vp->render();
    std::filesystem::path out = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "menu-sample.png";
    EXPECT_TRUE(Png::write(out.string(), W, H, reinterpret_cast<const uint32_t*>(vp->m_pixels.a), false));

    for (const ref<Vmenu>& m : menus) {
        int32_t line = ref_cast<Vtext>(m->getChild())->m_font->getHeight();
        EXPECT_EQ(m->getHeight(), 5 * (line + 6));
        int32_t n = 0;
        for (ref<Vsprite> c = m->getChild(); c; c = c->m_sibling, n++) {
            // Full white ink only on the selected item; the others are dimmed
            // to half but still light.
            int32_t white = 0, light = 0;
            for (int32_t y = c->m_y0; y < c->m_y1; y++) {
                for (int32_t x = c->m_x0; x < c->m_x1; x++) {
                    int32_t p = vp->m_pixels[x + y * W] & 0xFFFFFF;
                    white += p == 0xFFFFFF;
                    light += ((p >> 16) & 255) > 0xB0 && ((p >> 8) & 255) > 0xB0 && (p & 255) > 0xB0;
                }
            }
            EXPECT_EQ(white > 20, n == 0) << n;
            EXPECT_GT(light, 20) << n;
        }
    }
    for (int32_t y = 0; y < H; y++) {
        for (int32_t x = 0; x < W; x++) {
            bool inside = false;
            for (const ref<Vmenu>& m : menus)
                inside |= x >= m->m_x0 && x < m->m_x1 && y >= m->m_y0 && y < m->m_y1;
            if (!inside) {
                ASSERT_EQ(vp->m_pixels[x + y * W], background[x + y * W]) << x << "," << y;
            }
        }
    }
    vp->removeAllStar();
}
