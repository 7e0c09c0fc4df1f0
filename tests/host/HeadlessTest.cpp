#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include <sys/wait.h>

#include "HeadlessHost.h"
#include "HeadlessScript.h"
#include "Png.h"
#include "TestRoot.h"
#include "runtime/InputStream.h"

namespace {

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs the test root on the headless host with the script text.
int32_t runHeadless(const TempDir& dir, const std::string& script, RootLog& log, HostOptions o,
                    HeadlessHost* host = nullptr)
{
    o.m_headless = true;
    o.m_script = dir.file("script.txt");
    writeFile(o.m_script, script);
    HeadlessHost own;
    HeadlessHost& h = host ? *host : own;
    return h.run(o, [&] { return ref<V3dView>(new TestRoot(&log)); });
}

// Runs the korvath program; its exit status, with its output in out.
int32_t korvath(const std::string& args, std::string& out)
{
    std::string cmd = std::string(KORVATH_BIN_DIR) + "/korvath " + args + " 2>&1";
    std::FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return -1;
    char buf[4096];
    out.clear();
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    int status = ::pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(HeadlessScript, ParsesCommandsCommentsAndCodesInTimeOrder)
{
    HeadlessScript s;
    std::string error;
    ASSERT_TRUE(s.parse("# a whole-line comment\n"
                        "at 300 shot out.png   # after a command\n"
                        "at 100 key '#'\n"
                        "\n"
                        "\tat 100 down left\r\n"
                        "at 200 touch 10 20\n"
                        "at 250 move 15 18\n"
                        "at 260 release\n"
                        "at 100 up 65\n"
                        "at 50 key enter\n",
                        "s.txt", error))
        << error;
    using K = HeadlessScript::Kind;
    struct Want {
        int32_t at = 0;
        K kind = K::Key;
        int32_t code = 0, line = 0;
    };
    std::vector<Want> want = {{50, K::Key, 10, 10},  {100, K::Key, '#', 3}, {100, K::Down, 1, 5},
                              {100, K::Up, 65, 9},   {200, K::Touch, 0, 6}, {250, K::Move, 0, 7},
                              {260, K::Release, 0, 8}, {300, K::Shot, 0, 2}};
    ASSERT_EQ(s.m_events.size(), want.size());
    for (std::size_t i = 0; i < want.size(); i++) {
        EXPECT_EQ(s.m_events[i].at, want[i].at) << i;
        EXPECT_EQ(s.m_events[i].kind, want[i].kind) << i;
        EXPECT_EQ(s.m_events[i].code, want[i].code) << i;
        EXPECT_EQ(s.m_events[i].line, want[i].line) << i;
    }
    EXPECT_EQ(s.m_events[4].x, 10);
    EXPECT_EQ(s.m_events[5].y, 18);
    EXPECT_EQ(s.m_events[7].file, "out.png");

    int32_t code = 0;
    EXPECT_TRUE(HeadlessScript::parseCode("'N'", code) && code == 'N');
    EXPECT_TRUE(HeadlessScript::parseCode("'0'", code) && code == '0');
    EXPECT_TRUE(HeadlessScript::parseCode("0", code) && code == 0);
    EXPECT_TRUE(HeadlessScript::parseCode("esc", code) && code == 6);
    EXPECT_TRUE(HeadlessScript::parseCode("space", code) && code == ' ');
    EXPECT_TRUE(HeadlessScript::parseCode("down", code) && code == 4);
    for (const char* bad : {"128", "-1", "'ab'", "x", "5x", "ESC", ""})
        EXPECT_FALSE(HeadlessScript::parseCode(bad, code)) << bad;
}

TEST(HeadlessScript, RejectsBadLinesWithTheirNumber)
{
    struct Case {
        const char* text = nullptr;
        const char* where = nullptr;
    } cases[] = {
        {"at 10 key 5\nat x key 5\n", "s.txt:2: "},
        {"\n# nothing\nat 10 jump\n", "s.txt:3: unknown command \"jump\""},
        {"press 5\n", "s.txt:1: "},
        {"at 10 key\n", "s.txt:1: "},
        {"at 10 key 999\n", "s.txt:1: "},
        {"at 10 key 5 6\n", "s.txt:1: "},
        {"at 10 touch 5\n", "s.txt:1: "},
        {"at -5 key 1\n", "s.txt:1: "},
        {"at 10 shot\n", "s.txt:1: "},
        {"at 10 key 1\nat 5 move 1 1\n", "s.txt:2: move without a touch"},
        {"at 10 touch 1 1\nat 20 touch 2 2\n", "s.txt:2: touch while"},
        {"at 10 release\n", "s.txt:1: release without a touch"},
    };
    for (const Case& c : cases) {
        HeadlessScript s;
        std::string error;
        EXPECT_FALSE(s.parse(c.text, "s.txt", error)) << c.text;
        EXPECT_EQ(error.rfind(c.where, 0), 0u) << c.text << " -> " << error;
        EXPECT_TRUE(s.m_events.empty());
    }
    HeadlessScript s;
    std::string error;
    EXPECT_FALSE(s.load("/nonexistent/script.txt", error));
    EXPECT_NE(error.find("/nonexistent/script.txt"), std::string::npos);
}

TEST(HeadlessHost, ScriptInputArrivesAtItsVirtualTimeAndRunsRepeat)
{
    TempDir dir("headless-input");
    const std::string script = "at 100 key 'N'\n"
                               "at 300 down left\n"
                               "at 500 up left\n"
                               "at 700 touch 30 40\n"
                               "at 750 move 50 45\n"
                               "at 800 release\n"
                               "at 1000 key enter\n";
    HostOptions o;
    o.m_untilMs = 1200;
    o.m_seed = 5000;
    o.m_width = 160;
    o.m_height = 100;
    RootLog a;
    ASSERT_EQ(runHeadless(dir, script, a, o), 0);
    // The clock starts at the seed and advances only by what the game sleeps.
    EXPECT_EQ(a.startMs, 5000);
    ASSERT_EQ(a.keys.size(), 4u);
    int32_t want[][2] = {{100, 'N'}, {300, 1}, {700, 5}, {1000, 10}};
    for (std::size_t i = 0; i < 4; i++) {
        int32_t at = a.keys[i].ms - 5000;
        EXPECT_EQ(a.keys[i].code, want[i][1]);
        // Taken at the first frame after the command's time; frames are 64 ms.
        EXPECT_GE(at, want[i][0]) << i;
        EXPECT_LT(at, want[i][0] + 64 + 10) << i;
    }
    EXPECT_TRUE(a.heldAtEnd.empty());
    EXPECT_EQ(a.mouseX, 50);
    EXPECT_EQ(a.mouseY, 45);
    EXPECT_EQ(a.dragX, 20);
    EXPECT_EQ(a.dragY, 5);
    // Stopped at the end time.
    EXPECT_GE(a.lastMs - 5000, 1200);
    EXPECT_LT(a.lastMs - 5000, 1200 + 64);

    RootLog b;
    ASSERT_EQ(runHeadless(dir, script, b, o), 0);
    ASSERT_EQ(b.keys.size(), a.keys.size());
    for (std::size_t i = 0; i < a.keys.size(); i++)
        EXPECT_EQ(b.keys[i].ms, a.keys[i].ms);
    EXPECT_EQ(b.lastMs, a.lastMs);
    EXPECT_EQ(b.frames.load(), a.frames.load());
}

TEST(HeadlessHost, ShotsWriteTheFrameOnScreenAndSoundsAreLogged)
{
    TempDir dir("headless-shot");
    writeFile(dir.file("beep.wav"), "RIFF");
    InputStream::setResourceDir(dir.path.string());
    HostOptions o;
    o.m_width = 160;
    o.m_height = 100;
    o.m_untilMs = 400;
    o.m_soundLog = dir.file("sounds.log");
    RootLog log;
    HeadlessHost host;
    ASSERT_EQ(runHeadless(dir, "at 0 shot " + dir.file("first.png") + "\nat 150 key 'S'\nat 256 shot " +
                                   dir.file("later.png") + "\n",
                          log, o, &host),
              0);
    InputStream::setResourceDir(".");
    for (const char* name : {"first.png", "later.png"}) {
        int32_t w = 0, h = 0;
        std::vector<uint32_t> px;
        ASSERT_TRUE(Png::read(dir.file(name), w, h, px)) << name;
        ASSERT_EQ(w, 160);
        ASSERT_EQ(h, 100);
        // The grey screen with the 20 x 10 red box, all of it shown.
        int32_t red = 0, grey = 0;
        for (uint32_t p : px) {
            red += (p & 0xFFFFFF) == 0xFF0000;
            grey += (p & 0xFFFFFF) == 0x404040;
        }
        EXPECT_EQ(red, 200) << name;
        EXPECT_EQ(grey, 160 * 100 - 200) << name;
    }
    // The later shot is the host's copy at the end of the run: the box has moved.
    EXPECT_NE(readFile(dir.file("first.png")), readFile(dir.file("later.png")));
    EXPECT_EQ(host.frameWidth(), 160);
    // Each played sound is one line: virtual ms and name.
    std::istringstream lines(readFile(dir.file("sounds.log")));
    int32_t ms = 0;
    std::string name;
    ASSERT_TRUE(lines >> ms >> name);
    EXPECT_EQ(name, "beep");
    EXPECT_GE(ms, 150);
    EXPECT_LT(ms, 150 + 74);
    EXPECT_FALSE(lines >> ms);

    // A shot that cannot be written is reported and fails the run.
    RootLog again;
    o.m_soundLog.clear();
    EXPECT_EQ(runHeadless(dir, "at 10 shot " + dir.file("missing/folder/x.png") + "\n", again, o), 1);
}

TEST(KorvathProgram, HeadlessShotsShowTheGameAndAreDeterministic)
{
    if (!std::filesystem::exists(std::string(KORVATH_BIN_DIR) + "/korvath"))
        GTEST_SKIP() << "korvath is not built";
    TempDir dir("korvath-shots");
    std::string out;
    for (int32_t run = 0; run < 2; run++) {
        std::string tag = std::to_string(run);
        writeFile(dir.file("script" + tag + ".txt"), "at 100 shot " + dir.file("a" + tag + ".png") +
                                                        "\nat 1500 key 'N'\nat 2000 shot " +
                                                        dir.file("b" + tag + ".png") + "\n");
        ASSERT_EQ(korvath("--headless --until 2500 --data " + std::string(KORVATH_DATA_DIR) +
                              " --prefs " + dir.file("prefs") + " --script " +
                              dir.file("script" + tag + ".txt"),
                          out),
                  0)
            << out;
    }
    for (const char* name : {"a", "b"}) {
        std::string first = readFile(dir.file(std::string(name) + "0.png"));
        ASSERT_FALSE(first.empty());
        EXPECT_EQ(first, readFile(dir.file(std::string(name) + "1.png"))) << name;
    }
    int32_t w = 0, h = 0;
    std::vector<uint32_t> px;
    ASSERT_TRUE(Png::read(dir.file("a0.png"), w, h, px));
    EXPECT_EQ(w, 480);
    EXPECT_EQ(h, 320);
    // The splash picture: far from one flat colour.
    std::set<uint32_t> colours(px.begin(), px.end());
    EXPECT_GT(colours.size(), 200u);
}

TEST(KorvathProgram, BadScriptsAndOptionsAreRejected)
{
    if (!std::filesystem::exists(std::string(KORVATH_BIN_DIR) + "/korvath"))
        GTEST_SKIP() << "korvath is not built";
    TempDir dir("korvath-bad");
    std::string script = dir.file("script.txt");
    writeFile(script, "at 10 key 'N'\n# fine so far\nat 20 bogus 1\n");
    std::string out;
    EXPECT_EQ(korvath("--headless --prefs " + dir.file("prefs") + " --script " + script, out), 2);
    EXPECT_NE(out.find(script + ":3: unknown command \"bogus\""), std::string::npos) << out;
    EXPECT_EQ(korvath("--headless --until soon", out), 2);
    EXPECT_NE(out.find("--until"), std::string::npos) << out;
    EXPECT_NE(out.find("Usage:"), std::string::npos) << out;
    EXPECT_EQ(korvath("--headless --scale 3", out), 2);
    EXPECT_EQ(korvath("--script " + script, out), 2);
    EXPECT_EQ(korvath("--help", out), 0);
    EXPECT_NE(out.find("--headless"), std::string::npos);
}
