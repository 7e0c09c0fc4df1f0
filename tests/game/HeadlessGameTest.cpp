#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "GameTest.h"

#include "support/Pixels.h"

namespace {

bool whiteish(uint32_t c) { return channel(c, 16) > 200 && channel(c, 8) > 200 && channel(c, 0) > 200; }

// Count of the pixels in the box [x0, x1) x [y0, y1) that pass test.
int32_t countIn(const Frame& f, int32_t x0, int32_t y0, int32_t x1, int32_t y1, bool (*test)(uint32_t) = whiteish)
{
    int32_t n = 0;
    for (int32_t y = y0; y < y1; y++)
        for (int32_t x = x0; x < x1; x++)
            n += test(f.at(x, y));
    return n;
}

// The same picture as the game draws it: the library's pictures at (x, y),
// at one scale, over black.
Frame reference(std::initializer_list<int32_t> pictures, int32_t x, int32_t y)
{
    ref<Vilib> lib = new Vilib(new Vdisplay, "app"_s);
    Array<int32_t> pixels(480 * 320);
    for (int32_t i : pictures)
        lib->drawPicture(i, pixels, 480, 320, 0, 0, 480, 320, x << 15, y << 15, 32768, 0, 32768);
    return {480, 320, words(pixels)};
}

} // namespace

// Runs korvath-headless with the script in the test's preferences folder.
class HeadlessGameTest : public GameTest {
protected:
    // In the folder dir (the preferences folder too), after the shell
    // commands of wrap; shots and the sound log (sounds.log) land in the folder.
    int32_t korvath(const std::string& args, std::string dir = "", const std::string& wrap = "")
    {
        dir = dir.empty() ? m_dir.str() : dir;
        std::filesystem::create_directories(dir);
        return runCommand("cd " + dir + " && " + wrap + " " KORVATH_RUN KORVATH_BIN_DIR "/korvath-headless " + args +
                              " --prefs " + dir + " --sound-log sounds.log",
                          m_out);
    }
    std::string script(const std::string& text) const
    {
        writeFile(m_dir.file("script.txt"), text);
        return m_dir.file("script.txt");
    }
    Frame shot(const std::string& name) const { return Frame::read(m_dir.file(name)); }
    std::string m_out; // what the program printed
};

// The screenshot script of the assets on a fresh start: the splash, the map
// of a new Allied campaign with its orders running in, the menu over it, the
// other pages, and the screens again at other sizes; the same in a second
// run, to the byte.
TEST_F(HeadlessGameTest, TheScreenshotScriptShowsTheShellTheSameEveryTime)
{
    const std::string script = std::string(KORVATH_SOURCE_DIR) + "/assets/screenshots.script";
    ASSERT_EQ(korvath("--script " + script + " --until 24000"), 0) << m_out;
    ASSERT_EQ(korvath("--script " + script + " --until 24000", m_dir.file("again")), 0) << m_out;
    for (std::string name : {"splash.png", "sides.png", "map.png", "menu.png", "confirm.png", "help.png",
                             "menu-320x240.png", "help-320x240.png", "map-320x240.png", "map-800x600.png",
                             "menu-800x600.png", "menu-1920x1080.png", "help-1920x1080.png",
                             "map-1920x1080.png", "battle.png", "firing.png", "aim.png", "overhead.png",
                             "explosion.png", "sight.png", "paused.png", "sounds.log"}) {
        ASSERT_FALSE(readFile(m_dir.file(name)).empty()) << name;
        EXPECT_EQ(readFile(m_dir.file(name)), readFile(m_dir.file("again/" + name))) << name;
    }
    // The splash music, then the map's once it is up; a click for each choice.
    const std::string sounds = readFile(m_dir.file("sounds.log"));
    EXPECT_EQ(sounds.substr(0, 9), "0 music3\n");
    EXPECT_NE(sounds.find(" music2\n"), std::string::npos);
    EXPECT_NE(sounds.find(" click\n"), std::string::npos);

    Frame splash = shot("splash.png"), map = shot("map.png"), menu = shot("menu.png");
    ASSERT_EQ(splash.w, 480);
    ASSERT_EQ(splash.h, 320);
    EXPECT_EQ(splash.differences(reference({49}, 0, 0)), 0);

    // The map's grid at (80, 40), its picture reaching 8 pixels beyond it.
    Frame bare = reference({41}, 80 - 8, 40 - 8);
    // Where the map stands and what is on it are MapTest's; its pixels show
    // the capitals' flags cover their cells: London, Moscow.
    auto covered = [&](int32_t c, int32_t r) {
        int32_t n = 0;
        for (int32_t y = 40 + r * 20 + 2; y < 40 + r * 20 + 18; y++)
            for (int32_t x = 80 + c * 20 + 2; x < 80 + c * 20 + 18; x++)
                n += map.at(x, y) != bare.at(x, y);
        return n;
    };
    EXPECT_GT(covered(0, 4), 60);
    EXPECT_GT(covered(15, 1), 60);
    EXPECT_EQ(covered(8, 10), 0); // an empty cell: only its grid lines changed
    // "Resume" is selected and white, "Sound: On" dimmed.
    EXPECT_GT(countIn(menu, 160, 56, 320, 86), 80);
    EXPECT_EQ(countIn(menu, 160, 103, 320, 133), 0);

    // The battle (its sky and ground are the golden frames' to check): the
    // first enemy tank ahead, the numbers on the panel and the enemy on the radar.
    Frame battle = shot("battle.png"), firing = shot("firing.png");
    ASSERT_EQ(battle.w, 480);
    // The enemy's tan hull, though faded toward the haze; the panel's lines 3
    // pixels inside it, the panel and the radar (an enemy's red cross) 13 from the corners.
    EXPECT_GT(countIn(battle, 120, 0, 420, 120, [](uint32_t c) { return channel(c, 16) > channel(c, 8) && channel(c, 8) > channel(c, 0) + 8; }), 80);
    EXPECT_GT(countIn(battle, 13, 13, 120, 85), 200);
    EXPECT_GE(countIn(battle, 403, 13, 467, 77, [](uint32_t c) { return channel(c, 16) > 240 && channel(c, 8) < 120 && channel(c, 0) < 120; }), 4);
    // A shot fired: the rounds' number changed.
    EXPECT_NE(countIn(battle, 74, 32, 115, 48), countIn(firing, 74, 32, 115, 48));
    EXPECT_NE(sounds.find(" shoot\n"), std::string::npos);
}

// The demo plays its own campaign and wins the first battle (the last enemy
// destroyed, "Enemy: 0"); the map after it shows the front one ring on. The
// battle moves in ticks of its own, so it is the same battle at any frame
// rate: the last enemy falls at the same time, within two frames of the
// slowest rate (the title and the map each end at a frame), and the frames
// drawn follow the rate asked for. Its replay ends as the battle did, on the
// same frame, with the same loops under it, at any playback speed.
TEST_F(HeadlessGameTest, TheDemoWinsItsFirstBattleTheSameAtAnyFrameRateAndInItsReplay)
{
#ifdef KORVATH_SANITIZED
    GTEST_SKIP() << "whole demo battles: left to the plain build";
#endif
    const std::string played = m_dir.file("played"), again = m_dir.file("again");
    // The time of the last "stinger" (an enemy destroyed) of a run in the folder dir.
    auto lastEnemy = [&](const std::string& args, const std::string& dir, int64_t& frames, int64_t& gameMs) {
        EXPECT_EQ(korvath("--demo --seed 24 " + args + " --frame-stats", dir), 0) << m_out;
        const std::size_t stats = m_out.find("frames: ");
        EXPECT_EQ(std::sscanf(m_out.c_str() + std::min(stats, m_out.size()), "frames: %" SCNd64 ", game time: %" SCNd64,
                              &frames, &gameMs),
                  2)
            << m_out;
        std::istringstream log(readFile(dir + "/sounds.log"));
        int32_t at = 0, last = -1;
        std::string name;
        while (log >> at >> name)
            if (name == "stinger")
                last = at;
        return last;
    };
    int64_t frames = 0, gameMs = 0;
    const int32_t slow = lastEnemy("--fps 15.625 --until 167000", m_dir.file("slow"), frames, gameMs);
    EXPECT_NEAR(static_cast<double>(frames), gameMs / 64.0, 2);
    ASSERT_GT(slow, 160000); // the first battle's last enemy
    for (const char* fps : {"144", "60"}) {
        SCOPED_TRACE(fps);
        const bool recorded = std::string(fps) == "60";
        // At the desktop's rate the demo's screenshots are taken and the battle recorded.
        const std::string more = recorded ? " --script " + std::string(KORVATH_SOURCE_DIR) +
                                                "/assets/demo.script --until 182700 --record " + m_dir.file("demo.replay")
                                          : " --until 167000";
        const int32_t t = lastEnemy(std::string("--fps ") + fps + more, recorded ? played : m_dir.file(fps), frames, gameMs);
        EXPECT_LE(std::abs(t - slow), 2 * 64);
        EXPECT_NEAR(static_cast<double>(frames), gameMs * std::atof(fps) / 1000, gameMs * std::atof(fps) / 1000 / 100);
    }
    // "last frame" and its hash, as the recording and the replay print them.
    auto lastFrame = [&] {
        const std::size_t at = m_out.find("last frame ");
        return at == std::string::npos ? std::string() : m_out.substr(at, 19);
    };
    const std::string recordedFrame = lastFrame();
    EXPECT_FALSE(recordedFrame.empty()) << m_out;

    // The battle won: the front moved on, no battle in progress.
    const std::string record = readFile(played + "/korvath");
    ASSERT_EQ(record.size(), 26u);
    EXPECT_EQ(static_cast<uint8_t>(record[2]), 4);
    EXPECT_EQ(static_cast<uint8_t>(record[20]) + 256 * static_cast<uint8_t>(record[21]), 0);
    const std::string sounds = readFile(played + "/sounds.log");
    EXPECT_NE(sounds.find(" music3\n", 10), std::string::npos); // after the splash's: the battle won
    const Frame victory = Frame::read(played + "/victory.png");
    ASSERT_EQ(victory.w, 480);
    EXPECT_GT(countIn(victory, 74, 16, 115, 32), 10); // "0" enemies, lit
    EXPECT_FALSE(readFile(played + "/front.png").empty());
    // Between them the result page, in white on its panel.
    EXPECT_GT(countIn(Frame::read(played + "/result.png"), 80, 100, 400, 220), 1000);

    ASSERT_EQ(korvath("--replay " + m_dir.file("demo.replay"), again), 0) << m_out;
    EXPECT_NE(m_out.find("the battle ended as recorded"), std::string::npos) << m_out;
    EXPECT_EQ(lastFrame(), recordedFrame);
    // The loops under the battle follow its state: the replay starts, changes
    // and stops them as the battle did.
    auto loops = [](const std::string& log) {
        std::istringstream in(readFile(log));
        std::vector<std::string> found;
        int32_t ms = 0;
        for (std::string word; in >> ms >> word;)
            if (word.find(':') != std::string::npos)
                found.push_back(word);
        return found;
    };
    EXPECT_FALSE(loops(played + "/sounds.log").empty());
    EXPECT_EQ(loops(again + "/sounds.log"), loops(played + "/sounds.log"));

    // The player's keys steer the playback only: cut short by the end of the
    // run it says where it stopped, four times as far on at speed 4, less far
    // for a pause of two seconds; Q ends it there and then.
    auto stoppedAt = [&](const std::string& keys) {
        writeFile(m_dir.file("keys"), keys);
        EXPECT_EQ(korvath("--replay " + m_dir.file("demo.replay") + " --script " + m_dir.file("keys") + " --until 4000",
                          again),
                  0)
            << m_out;
        int32_t frame = -1;
        const std::size_t at = m_out.find("stopped at frame ");
        if (at != std::string::npos)
            std::sscanf(m_out.c_str() + at, "stopped at frame %d", &frame);
        return frame;
    };
    const int32_t plain = stoppedAt("");
    EXPECT_GT(plain, 100) << m_out;
    EXPECT_NEAR(stoppedAt("at 10 key '4'\n"), 4 * plain, plain / 5);
    EXPECT_NEAR(stoppedAt("at 1000 key 'P'\nat 3000 key 'P'\n"), plain / 2, plain / 5);
    EXPECT_EQ(stoppedAt("at 2000 key 'Q'\n"), -1) << m_out;
}

TEST_F(HeadlessGameTest, FailedSavesKeepTheOldRecordAndFailedShotsFailTheRun)
{
    // No file may grow: the sound switch and the stop both fail to save.
    campaign(3, 6, 2);
    const std::string before = readFile(recordPath());
    // The sound log cannot be written either, which fails the run.
    EXPECT_EQ(korvath("--script " + script("at 2300 key 'S'\n") + " --until 3000", "", "trap '' XFSZ; ulimit -f 0;"), 1)
        << m_out;
    EXPECT_NE(m_out.find("Preferences: cannot write"), std::string::npos) << m_out;
    EXPECT_NE(m_out.find("cannot write the sound log sounds.log"), std::string::npos) << m_out;
    EXPECT_EQ(readFile(recordPath()), before);

    EXPECT_EQ(korvath("--script " + script("at 10 shot missing/folder/x.png\n") + " --until 100"), 1);
    EXPECT_NE(m_out.find("cannot write the shot missing/folder/x.png"), std::string::npos) << m_out;
}

// A replay that cannot be read, or is not one, is refused in one line with
// status 1 (the reader's every reason is ReplayTest's).
TEST_F(HeadlessGameTest, ABadReplayIsRefusedInOneLine)
{
    writeFile(m_dir.file("bad.replay"), "PK\3\4 not a replay");
    for (const auto& [file, says] : {std::pair{"bad.replay", "bad.replay is not a Korvath replay"},
                                     {"missing.replay", "cannot read the replay missing.replay"}}) {
        EXPECT_EQ(korvath(std::string("--replay ") + file), 1) << file;
        EXPECT_NE(m_out.find(says), std::string::npos) << file << ": " << m_out;
        EXPECT_EQ(std::count(m_out.begin(), m_out.end(), '\n'), 1) << m_out;
    }
}
