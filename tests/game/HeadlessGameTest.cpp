#include "GameTest.h"

#include <sys/wait.h>

#include <cstdio>

#include "Png.h"
#include "scene/Vilib.h"

namespace {

struct Frame {
    int32_t w = 0, h = 0;
    std::vector<uint32_t> px;
    uint32_t at(int32_t x, int32_t y) const { return px[static_cast<std::size_t>(y * w + x)] & 0xFFFFFF; }
};

int32_t channel(uint32_t c, int32_t shift) { return static_cast<int32_t>((c >> shift) & 255); }
bool whiteish(uint32_t c) { return channel(c, 16) > 200 && channel(c, 8) > 200 && channel(c, 0) > 200; }

// Count of white text pixels in the box [x0, x1) x [y0, y1).
int32_t whiteIn(const Frame& f, int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    int32_t n = 0;
    for (int32_t y = y0; y < y1; y++)
        for (int32_t x = x0; x < x1; x++)
            n += whiteish(f.at(x, y));
    return n;
}

// The same picture as the game draws it: the library's picture i at (x, y),
// at one scale, over black.
Frame reference(std::initializer_list<int32_t> pictures, int32_t x, int32_t y, int32_t w = 480, int32_t h = 320)
{
    ref<Vilib> lib = new Vilib(new Vdisplay, "app"_s);
    Array<int32_t> pixels(w * h);
    for (int32_t i : pictures)
        lib->drawPicture(i, pixels, w, h, 0, 0, w, h, x << 15, y << 15, 32768, 0, 32768);
    Frame f{w, h, {}};
    for (int32_t k = 0; k < w * h; k++)
        f.px.push_back(static_cast<uint32_t>(pixels[k]));
    return f;
}

} // namespace

// Runs korvath --headless with the script in the test's preferences folder.
class HeadlessGameTest : public GameTest {
protected:
    int32_t korvath(const std::string& script, int32_t untilMs, const std::string& extra = "",
                    const std::string& wrap = "")
    {
        std::ofstream(file("script.txt")) << script;
        std::string cmd = std::string(KORVATH_BIN_DIR) + "/korvath --headless --script " + file("script.txt") +
                          " --until " + std::to_string(untilMs) + " --prefs " + m_dir.string() + " " + extra;
        if (!wrap.empty())
            cmd = "sh -c \"" + wrap + " exec " + cmd + "\"";
        std::FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
        if (!p)
            return -1;
        char buf[4096];
        m_out.clear();
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
            m_out.append(buf, n);
        int status = ::pclose(p);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::string file(const std::string& name) const { return (m_dir / name).string(); }
    Frame shot(const std::string& name) const
    {
        Frame f;
        std::string error;
        EXPECT_TRUE(Png::read(file(name), f.w, f.h, f.px, &error)) << name << ": " << error;
        return f;
    }
    std::string m_out; // what the program printed
};

TEST_F(HeadlessGameTest, TheSplashIsTheFirstFrame)
{
    ASSERT_EQ(korvath("at 100 shot " + file("splash.png") + "\n", 300), 0) << m_out;
    Frame f = shot("splash.png");
    ASSERT_EQ(f.w, 480);
    ASSERT_EQ(f.h, 320);
    Frame want = reference({49}, 0, 0);
    int32_t differ = 0;
    for (int32_t y = 0; y < 320; y++)
        for (int32_t x = 0; x < 480; x++)
            differ += f.at(x, y) != want.at(x, y);
    EXPECT_EQ(differ, 0);
}

TEST_F(HeadlessGameTest, TheMapShowsGridFlagsNamesAndTheBriefing)
{
    campaign(1, 5);
    ASSERT_EQ(korvath("at 700 key 'R'\nat 2500 shot " + file("map.png") + "\n", 2600), 0) << m_out;
    Frame f = shot("map.png");
    Frame bare = reference({41}, 80, 40);
    // Black around the map, the map itself where nothing covers it.
    EXPECT_EQ(f.at(40, 20), 0u);
    EXPECT_EQ(f.at(440, 300), 0u);
    EXPECT_EQ(f.at(85, 245), bare.at(85, 245));
    EXPECT_EQ(f.at(395, 275), bare.at(395, 275));
    // Grid lines: white at a quarter over the map.
    for (auto [x, y] : {std::pair{180, 245}, std::pair{185, 240}, std::pair{300, 262}}) {
        uint32_t p = bare.at(x, y), g = f.at(x, y);
        for (int32_t s : {16, 8, 0})
            EXPECT_EQ(channel(g, s), 63 + ((191 * channel(p, s)) >> 8)) << x << "," << y;
    }
    // The capitals' flags cover their cells: London, Moscow.
    auto covered = [&](int32_t c, int32_t r) {
        int32_t n = 0;
        for (int32_t y = 40 + r * 20 + 2; y < 40 + r * 20 + 18; y++)
            for (int32_t x = 80 + c * 20 + 2; x < 80 + c * 20 + 18; x++)
                n += f.at(x, y) != bare.at(x, y);
        return n;
    };
    EXPECT_GT(covered(0, 4), 60);
    EXPECT_GT(covered(15, 1), 60);
    EXPECT_EQ(covered(8, 10), 0); // an empty cell: only its grid lines changed
    // City names in white above their flags.
    EXPECT_GT(whiteIn(f, 80 + 110, 40 + 68, 80 + 150, 40 + 80), 10);   // Berlin
    EXPECT_GT(whiteIn(f, 80 + 260, 40 + 8, 80 + 320, 40 + 20), 10);    // Moscow
    // The briefing runs in along the bottom, under the map.
    EXPECT_GT(whiteIn(f, 240, 286, 480, 302), 100);
    EXPECT_EQ(whiteIn(f, 0, 286, 100, 302), 0);
    EXPECT_EQ(whiteIn(f, 0, 0, 480, 40), 0);
}

TEST_F(HeadlessGameTest, TheMenuIsCentredOnItsButtons)
{
    ASSERT_EQ(korvath("at 1000 shot " + file("menu.png") + "\n", 1100), 0) << m_out;
    Frame f = shot("menu.png");
    // Four buttons of 200 x 34 spread over the height: the first at
    // x = (480 - 200) / 2, y = (320 - 241) / 2 + 9.
    Frame button = reference({7}, 140, 48);
    for (auto [x, y] : {std::pair{150, 52}, std::pair{330, 78}, std::pair{145, 65}})
        EXPECT_EQ(f.at(x, y), button.at(x, y)) << x << "," << y;
    // "New Game" is selected and white; "Sound: On" is dimmed.
    EXPECT_GT(whiteIn(f, 160, 52, 320, 78), 80);
    EXPECT_EQ(whiteIn(f, 160, 118, 320, 144), 0);
    EXPECT_EQ(whiteIn(f, 0, 0, 130, 320), 0);
}

TEST_F(HeadlessGameTest, TheCampaignsEndIsVictoryOrDefeatBySideAndLastSite)
{
    Frame over = reference({42}, 0, 0), victory = reference({42, 43}, 0, 0);
    struct Case {
        int32_t side, front;
        bool won;
    };
    for (Case c : {Case{2, 11, true}, Case{1, 10, false}, Case{2, 1, false}}) {
        campaign(c.side, c.front);
        ASSERT_EQ(korvath("at 700 key 'R'\nat 1000 key space\nat 2000 shot " + file("end.png") + "\n", 2100), 0)
            << m_out;
        Frame f = shot("end.png");
        const Frame& want = c.won ? victory : over;
        int32_t differ = 0;
        for (int32_t y = 0; y < 320; y++)
            for (int32_t x = 0; x < 480; x++)
                differ += f.at(x, y) != want.at(x, y);
        EXPECT_EQ(differ, 0) << c.side;
        // The campaign is over: the record no longer holds one.
        EXPECT_EQ(storedSlot(1), 0);
    }
}

TEST_F(HeadlessGameTest, DamagedRecordsStartSafelyAndFailedSavesKeepTheOldOne)
{
    writeBytes(std::string("\x09\x00\x05", 3));
    ASSERT_EQ(korvath("", 1500), 0) << m_out;
    EXPECT_NE(m_out.find("Preferences: side 9"), std::string::npos) << m_out;
    EXPECT_EQ(readBytes().size(), 24u);
    EXPECT_EQ(storedSlot(0), 1);
    EXPECT_EQ(storedSlot(1), 0);

    // No file may grow: the sound switch and the stop both fail to save.
    campaign(3, 6, 2);
    const std::string before = readBytes();
    EXPECT_EQ(korvath("at 800 key 'S'\n", 1500, "", "trap '' XFSZ; ulimit -f 0;"), 0) << m_out;
    EXPECT_NE(m_out.find("Preferences: cannot write"), std::string::npos) << m_out;
    EXPECT_EQ(readBytes(), before);
}

TEST_F(HeadlessGameTest, TheScreenshotScriptWritesItsThreePictures)
{
    std::string script = std::string(KORVATH_SOURCE_DIR) + "/assets/screenshots.script";
    std::string cmd = "cd " + m_dir.string() + " && " + KORVATH_BIN_DIR + "/korvath --headless --script " + script +
                      " --until 9500 --prefs " + file("prefs") + " 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    Frame splash = shot("splash.png"), map = shot("map.png"), menu = shot("menu.png");
    EXPECT_EQ(splash.at(240, 60), reference({49}, 0, 0).at(240, 60));
    EXPECT_GT(whiteIn(map, 0, 286, 480, 302), 100); // the briefing
    EXPECT_GT(whiteIn(menu, 160, 30, 320, 300), 200);
}
