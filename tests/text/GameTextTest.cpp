#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Png.h"
#include "runtime/InputStream.h"
#include "scene/Vmenu.h"
#include "support/FakeHost.h"

namespace {

constexpr int32_t W = 480;
constexpr int32_t H = 320;

ref<Vfont> gameFont(const char* name)
{
    ref<Vfont> f = new Vfont;
    EXPECT_TRUE(f->open(String::intern(name))) << name << " in " << KORVATH_DATA_DIR;
    return f;
}

// The main menu as the game builds it, in font f.
ref<Vmenu> mainMenu(const ref<Vfont>& f)
{
    Vtext::m_fontDefault = f;
    ref<Vmenu> m = new Vmenu;
    for (const char* s : {"New Game", "Resume", "Sound: On", "Help", "About"})
        m->add(String::intern(s));
    m->select();
    return m;
}

} // namespace

// Both fonts' main menus over a sky gradient and a striped ground, the way the
// start-up configures texts and menus; written to menu-sample.png.
TEST(MenuPicture, MainMenuReadsInBothFonts)
{
    FakeHost host;
    std::string savedDir = InputStream::resourceDir();
    InputStream::setResourceDir(KORVATH_DATA_DIR);
    ref<Vfont> small = gameFont("f10.bin");
    ref<Vfont> large = gameFont("f16.bin");
    InputStream::setResourceDir(savedDir);
    ASSERT_GT(small->getHeight(), 0);
    ASSERT_GT(large->getHeight(), 0);
    large->m_tab += 4;

    ref<Vfont> savedFont = Vtext::m_fontDefault;
    int32_t savedColor = Vtext::m_textcolorDefault;
    int32_t savedMenuColor = Vmenu::m_colorDefault;
    int32_t savedInset = Vsprite::m_inset;
    Vtext::m_textcolorDefault = static_cast<int32_t>(0xFFFFFFFFu);
    Vmenu::m_colorDefault = static_cast<int32_t>(0x80606080u);
    Vsprite::m_inset = 2;

    ref<Viewport> vp = new Viewport;
    vp->setWidthHeight(W, H);
    ref<Vsprite> sky = box(0, 0, W, H * 2 / 3, 0);
    sky->setColorGradient(static_cast<int32_t>(0xFFB0D8FFu));
    vp->add(sky);
    for (int32_t i = 0; i < 8; i++)
        vp->add(box(i * W / 8, H * 2 / 3, W / 8, H / 3, i % 2 ? 0xFF3C6E28u : 0xFFC8B478u));
    vp->render();
    std::vector<int32_t> background(vp->m_pixels.a, vp->m_pixels.a + vp->m_pixels.length);

    ref<Vmenu> menus[2] = {mainMenu(small), mainMenu(large)};
    menus[0]->setXyi(40, 150);
    menus[1]->setXyi(240, 130);
    for (const ref<Vmenu>& m : menus)
        vp->add(m);
    vp->render();

    std::filesystem::path out = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "menu-sample.png";
    std::string error;
    EXPECT_TRUE(Png::write(out.string(), W, H, reinterpret_cast<const uint32_t*>(vp->m_pixels.a), false, &error))
        << error;

    for (const ref<Vmenu>& m : menus) {
        // Each item is one line of its font with 3 pixels above and below.
        int32_t line = ref_cast<Vtext>(m->getChild())->m_font->getHeight();
        EXPECT_EQ(m->getHeight(), 5 * (line + 6));
        int32_t n = 0;
        for (ref<Vsprite> c = m->getChild(); c; c = c->m_sibling, n++) {
            // Full white ink only on the selected item; the others are dimmed
            // to half but still well lit.
            int32_t white = 0, light = 0;
            for (int32_t y = c->m_y0; y < c->m_y1; y++) {
                for (int32_t x = c->m_x0; x < c->m_x1; x++) {
                    int32_t p = vp->m_pixels[x + y * W] & 0xFFFFFF;
                    white += p == 0xFFFFFF;
                    light += ((p >> 16) & 255) > 0xB0 && ((p >> 8) & 255) > 0xB0 && (p & 255) > 0xB0;
                }
            }
            if (n == 0) {
                EXPECT_GT(white, 20) << n;
            } else {
                EXPECT_EQ(white, 0) << n;
            }
            EXPECT_GT(light, 20) << n;
        }
    }
    // Nothing is drawn outside the menus.
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
    Vtext::m_fontDefault = savedFont;
    Vtext::m_textcolorDefault = savedColor;
    Vmenu::m_colorDefault = savedMenuColor;
    Vsprite::m_inset = savedInset;
}

// The help page: the game's help text in the large font, wrapped to the
// page's 228 pixels by breaking lines at spaces only.
TEST(HelpPage, HelpTextWrapsToThePageWidth)
{
    std::string savedDir = InputStream::resourceDir();
    InputStream::setResourceDir(KORVATH_DATA_DIR);
    ref<Vfont> large = gameFont("f16.bin");
    large->m_tab += 4;
    ref<Vtext> page = new Vtext(large, nullptr);
    page->setWidthHeight(228, 0);
    page->setFile("help.txt"_s);
    std::ifstream in(std::string(KORVATH_DATA_DIR) + "/help.txt", std::ios::binary);
    std::string original((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    InputStream::setResourceDir(savedDir);

    ASSERT_TRUE(page->toString());
    std::string text = page->toString()->c_str();
    ASSERT_EQ(text.size(), original.size());
    int32_t breaks = 0, lines = 1;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] != original[i]) {
            EXPECT_EQ(original[i], ' ') << i;
            EXPECT_EQ(text[i], '\n') << i;
            breaks++;
        }
        lines += text[i] == '\n';
    }
    EXPECT_GT(breaks, 10);
    EXPECT_EQ(page->getHeight(), lines * 16);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        // A line may end in the space that a later word did not fit behind.
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        EXPECT_LE(large->stringWidth(String::copyOf(line.c_str())) + 1, 228) << line;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
}
