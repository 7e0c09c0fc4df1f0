#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <filesystem>
#include <functional>
#include <sstream>

#include "HeadlessHost.h"
#include "HeadlessScript.h"
#include "HostOptions.h"
#include "TestRoot.h"
#include "support/Pixels.h"

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
const std::string kHeadless = KORVATH_RUN KORVATH_BIN_DIR "/korvath-headless";

int32_t korvathHeadless(const std::string& args, std::string& out) { return runCommand(kHeadless + " " + args, out); }

int32_t lines(const std::string& s) { return static_cast<int32_t>(std::count(s.begin(), s.end(), '\n')); }

Strings filesIn(const fs::path& dir)
{
    Strings out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        out.push_back(e.path().filename().string());
    // In the order taken: by time, and "-2" after the first of its second.
    std::sort(out.begin(), out.end(), [](const auto& x, const auto& y) {
        return x.size() != y.size() ? x.size() < y.size() : x < y;
    });
    return out;
}

} // namespace

// Beside the program first, so a build tree never plays an installed game's
// data; then the install tree the program sits in, wherever it was moved (the
// install test moves one), in either layout; then the prefix it was built
// for, unless that is the same folder. This test program lives in the build
// tree's bin folder.
TEST(DataFolder, TheBuildTreeComesBeforeTheInstallTreeAndTheBuiltInPrefix)
{
    EXPECT_EQ(HostOptions::dataDirSearch("/usr/bin/korvath", "../share/korvath", "/usr//share/./korvath"),
              (Strings{"/usr/bin/data", "/usr/share/korvath"}));
    EXPECT_EQ(HostOptions::dataDirSearch("/home/p/build/bin/korvath", "../share/korvath", ""),
              (Strings{"/home/p/build/bin/data", "/home/p/build/share/korvath"}));
    EXPECT_EQ(HostOptions::dataDirSearch("/opt/k/games/korvath", "../share/games/korvath", "/usr/share/games/korvath"),
              (Strings{"/opt/k/games/data", "/opt/k/share/games/korvath", "/usr/share/games/korvath"}));
    Strings tried;
    const std::string found = HostOptions::defaultDataDir(tried);
    EXPECT_TRUE(fs::equivalent(found, KORVATH_DATA_DIR)) << found;
    ASSERT_FALSE(tried.empty());
    EXPECT_EQ(tried.front(), found);
}

TEST(HeadlessScript, RejectsBadLinesWithTheirNumber)
{
    const std::pair<const char*, const char*> cases[] = {
        {"at 10 key 5\nat x key 5\n", "s.txt:2: "},   {"\n# nothing\nat 10 jump\n", "s.txt:3: unknown command \"jump\""},
        {"press 5\n", "s.txt:1: "},                   {"at 10 key 5 6\n", "s.txt:1: "},
        {"at -5 key 1\n", "s.txt:1: "},               {"at 10 shot\n", "s.txt:1: "},
        {"at 10 key 1\nat 5 move 1 1\n", "s.txt:2: move without a touch"},
        {"at 10 touch 1 1\nat 20 touch 2 2\n", "s.txt:2: touch while"},
        {"at 10 size 15 200\n", "s.txt:1: the size must be"},
        {"at 10 size 640\n", "s.txt:1: expected \"at <ms> size <width> <height>\""},
        {"at 10 wheel 1001\n", "s.txt:1: the notches must be"},
    };
    std::string error;
    for (const auto& [text, where] : cases) {
        SCOPED_TRACE(text);
        HeadlessScript fresh;
        EXPECT_FALSE(fresh.parse(text, "s.txt", error));
        EXPECT_EQ(error.rfind(where, 0), 0u) << error;
        EXPECT_TRUE(fresh.m_events.empty());
    }
    HeadlessScript s;
    EXPECT_FALSE(s.load("/nonexistent/script.txt", error));
    EXPECT_NE(error.find("/nonexistent/script.txt"), std::string::npos);
    // A file too long for a script, and one without end, are refused unread.
    TempDir dir("script-size");
    const std::string line = "at 1 key 5\n";
    std::string text;
    while (text.size() <= HeadlessScript::kMaxBytes)
        text += line;
    writeFile(dir.file("long.txt"), text);
    for (const std::string& path : {dir.file("long.txt"), std::string("/dev/zero")}) {
        EXPECT_FALSE(s.load(path, error)) << path;
        EXPECT_NE(error.find(path + ": longer than"), std::string::npos) << error;
    }
    text.resize(HeadlessScript::kMaxBytes - HeadlessScript::kMaxBytes % line.size());
    writeFile(dir.file("long.txt"), text);
    EXPECT_TRUE(s.load(dir.file("long.txt"), error)) << error;
}

// The clock starts at the seed and advances only by what the game sleeps;
// each event is taken at the first frame (64 ms) after its time. The soak's
// memory curve has a line at the start, one per game minute and one at the
// end, each with the resident and peak sizes of the process, and under a
// sanitizer the live heap, which lies within the resident memory.
TEST(HeadlessHost, ScriptInputArrivesAtItsVirtualTimeAndTheMemoryLogKeepsUp)
{
    TempDir dir("headless-input");
    HostOptions o;
    o.m_headless = true;
    o.m_untilMs = 150000;
    o.m_seed = 5000;
    o.m_width = 160;
    o.m_height = 100;
    o.m_script = dir.file("script.txt");
    o.m_memoryLog = dir.file("memory.log");
    writeFile(o.m_script, "# a whole-line comment\nat 1000 key enter   # after a command\nat 100 key 'N'\n\n"
                          "\tat 300 down left\r\nat 500 up left\nat 700 touch 30 40\nat 750 move 50 45\n"
                          "at 800 release\nat 900 key '#'\nat 900 key space\nat 950 hover 7 9\nat 960 wheel -3\n"
                          "at 970 wheel 1\nat 980 size 200 120\nat 1100 key esc\n");
    RootLog a;
    ASSERT_EQ(HeadlessHost().run(o, [&] { return ref<V3dView>(new TestRoot(&a)); }), 0);
    EXPECT_EQ(a.startMs, 5000);
    const int32_t want[][2] = {{100, 'N'}, {300, 1}, {700, 5}, {900, '#'}, {900, ' '}, {1000, 10}, {1100, 6}};
    ASSERT_EQ(a.keys.size(), std::size(want));
    for (std::size_t i = 0; i < a.keys.size(); i++) {
        EXPECT_EQ(a.keys[i].code, want[i][1]);
        EXPECT_GE(a.keys[i].ms - 5000, want[i][0]) << i;
        EXPECT_LT(a.keys[i].ms - 5000, want[i][0] + 64 + 10) << i;
    }
    EXPECT_TRUE(a.heldAtEnd.empty());
    // The touch let go where it was dragged to, the pointer where it rests,
    // the wheel's notches, the window's new size.
    EXPECT_EQ(std::vector<int32_t>({a.mouseX, a.mouseY, a.dragX, a.dragY, a.pointerX, a.pointerY, a.wheel}),
              std::vector<int32_t>({50, 45, 20, 5, 7, 9, -2}));
    EXPECT_TRUE(a.width.load() == 200 && a.height.load() == 120);
    EXPECT_GE(a.lastMs - 5000, 150000);
    EXPECT_LT(a.lastMs - 5000, 150000 + 64);

    std::istringstream log(readFile(o.m_memoryLog));
    std::vector<int32_t> minutes;
    for (std::string line; std::getline(log, line);) {
        std::istringstream fields(line);
        int32_t ms = 0;
        int64_t resident = 0, peak = 0, heap = 0;
        ASSERT_TRUE(fields >> ms >> resident >> peak) << line;
        minutes.push_back(ms / 60000);
        EXPECT_TRUE(resident > 0 && peak >= resident) << line;
        EXPECT_TRUE(!(fields >> heap) || (heap > 0 && heap < resident)) << line;
        EXPECT_TRUE(fields.eof()) << line;
    }
    EXPECT_EQ(minutes, (std::vector<int32_t>{0, 1, 2, 2}));
}

// The sound log is written as the sounds play, not only when the game ends:
// a soak that is stopped from outside still has its shots on record. A loop
// is there as it starts, changes its volume and stops, in one word each; a
// volume it already has, a handle stopped or never given add nothing.
TEST(HeadlessHost, EachSoundIsInTheLogAsItPlays)
{
    static TempDir dir("headless-sounds");
    static std::string seen;
    writeFile(dir.file("shoot.wav"), "");
    writeFile(dir.file("motor.wav"), "");
    struct SoundRoot : V3dView {
        void run() override
        {
            Host& host = Host::current();
            host.playSound(host.loadSound(dir.file("shoot.wav").c_str()));
            const int32_t motor = host.loadSound(dir.file("motor.wav").c_str());
            const int32_t loop = host.loopSound(motor, 30);
            host.sleepMs(40);
            host.setLoopVolume(loop, 30);
            host.setLoopVolume(loop, 75);
            host.sleepMs(10);
            host.stopLoop(loop);
            host.stopLoop(loop);
            host.setLoopVolume(loop, 10);
            host.stopLoop(loop + 1);
            EXPECT_EQ(host.loopSound(motor + 1, 30), -1);
            seen = readFile(dir.file("sounds.log"));
        }
    };
    HostOptions o;
    o.m_headless = true;
    o.m_untilMs = 1000;
    o.m_soundLog = dir.file("sounds.log");
    ASSERT_EQ(HeadlessHost().run(o, [] { return ref<V3dView>(new SoundRoot); }), 0);
    EXPECT_EQ(seen, "0 shoot\n0 loop:motor:30\n40 volume:motor:75\n50 stop:motor\n");
}

TEST(KorvathProgram, BadScriptsOptionsAndUnwritableLogsAreRejected)
{
    TempDir dir("korvath-bad");
    std::string script = dir.file("script.txt"), out;
    writeFile(script, "at 10 key 'N'\n# fine so far\nat 20 bogus 1\n");
    EXPECT_EQ(korvathHeadless("--prefs " + dir.file("prefs") + " --script " + script, out), 2);
    EXPECT_NE(out.find(script + ":3: unknown command \"bogus\""), std::string::npos) << out;
    // A bad option or value: its line and the way to the help, as GNU programs do.
    for (const char* bad : {"--until soon", "--until=soon", "--demo=yes", "--untill 9", "--until"}) {
        EXPECT_EQ(korvathHeadless(bad, out), 2) << bad;
        EXPECT_EQ(lines(out), 2) << out;
        EXPECT_NE(out.find("Try 'korvath --help'.\n"), std::string::npos) << out;
    }
    EXPECT_NE(out.find("--until needs a value"), std::string::npos) << out;
    // A value joined by '=' is the value given apart; the version from the build.
    EXPECT_EQ(korvathHeadless("--until=0 --seed=-3 --size=320x240", out), 0) << out;
    for (const char* version : {"--version", "-v"}) {
        EXPECT_EQ(runCommand(kHeadless + " " + version, out), 0);
        EXPECT_EQ(out, std::string("korvath ") + KORVATH_VERSION + "\n");
    }
    // The program without a window takes no window options.
    EXPECT_EQ(korvathHeadless("--scale 3", out), 2);
    EXPECT_EQ(korvathHeadless("--script " + dir.str(), out), 2);
    EXPECT_EQ(out, dir.str() + ": a folder, not a script\n");
    // Errors go to stderr, nothing to stdout.
    EXPECT_EQ(runCommand("(" + kHeadless + " --until soon 2>/dev/null)", out), 2);
    EXPECT_EQ(out, "");
    // A memory log that cannot be written (a full disc) fails the run with one
    // line: a soak whose memory curve was lost proved nothing.
    EXPECT_EQ(korvathHeadless("--memory-log /dev/full --until 3000", out), 1);
    EXPECT_NE(out.find("No space left on device"), std::string::npos) << out;
    EXPECT_EQ(lines(out), 1) << out;
    // The program without a window is built without the window system.
    // (readelf reads the program of any architecture, ldd only the machine's own.)
    EXPECT_EQ(runCommand("readelf -d " KORVATH_BIN_DIR "/korvath-headless", out), 0);
    EXPECT_EQ(out.find("SDL"), std::string::npos) << out;
}

// A data folder that is empty or lacks a file or one page of the image
// library, or a data file that is not a plain file of its format and a
// plausible size (a pipe would hang the start): one line naming the folder
// and the file, and status 1, before anything runs.
TEST(KorvathProgram, MissingOrDamagedDataStopsTheStartWithOneLine)
{
    TempDir dir("korvath-data");
    const std::string data = dir.file("data");
    std::string out;
    fs::create_directory(dir.file("empty"));
    EXPECT_EQ(korvathHeadless("--data " + dir.file("empty"), out), 1);
    EXPECT_EQ(out, "korvath: the game data in " + dir.file("empty") + " is incomplete: app0.bin is missing (build "
                   "the game, or give the data folder with --data DIR)\n");
    fs::copy(KORVATH_DATA_DIR, data);
    const std::string layout = readFile(data + "/layout");
    using Make = std::function<void(const std::string&)>;
    const Make none = [](const std::string&) {};
    const Make oneByte = [](const std::string& p) { writeFile(p, "x"); };
    const struct {
        const char* file;
        Make make;
        std::string what;
    } cases[] = {
        {"app2.bin", none, "is incomplete: app2.bin is missing"},
        {"help.txt", [](const std::string& p) { fs::create_directory(p); }, "is damaged: help.txt is a folder, not a file"},
        {"f16.bin", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
         "is damaged: f16.bin is not a plain file"},
        {"app2.bin", oneByte, "is damaged: app2.bin holds 1 byte, but a page before the last holds 32768"},
        {"shoot.wav", [](const std::string& p) { writeFile(p, std::string(100, 'x')); },
         "is damaged: shoot.wav is not a WAVE sound (no \"WAVE\" signature)"},
        {"layout", [&](const std::string& p) { writeFile(p, layout.substr(0, layout.size() / 2)); },
         "is damaged: layout holds " + std::to_string(layout.size() / 2) + " bytes, but its header says " +
             std::to_string(layout.size())},
        {"p3d.bin", [](const std::string& p) { writeFile(p, ""); }, "is damaged: p3d.bin holds 0 bytes: too few"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = data + "/" + c.file;
        fs::rename(path, dir.file("kept"));
        c.make(path);
        EXPECT_EQ(korvathHeadless("--data " + data + " --until 100", out), 1);
        EXPECT_EQ(lines(out), 1) << out;
        EXPECT_NE(out.find("korvath: the game data in " + data + " " + c.what), std::string::npos) << out;
        fs::remove_all(path);
        fs::rename(dir.file("kept"), path);
    }
    EXPECT_EQ(korvathHeadless("--data " + data + " --until 100", out), 0) << out;
}

// Another user who knows the program's pid makes its folder beforehand, with
// links to files of the victim's in it: the run keeps its preferences in a
// folder of its own, follows neither, and leaves nothing behind; nor does a
// run ended by a signal. F12 in that run saves the frame on screen, as the
// script's shot writes it, in the pictures folder; a second one in the same
// second gets a name of its own and shows the note of the first. The
// pictures folder is the one user-dirs.dirs names, a relative
// XDG_PICTURES_DIR being no folder.
TEST(KorvathProgram, AHeadlessRunsScratchFolderCannotBeRedirectedAndF12SavesTheScreen)
{
    TempDir tmp("planted");
    const std::string victim = tmp.file("victim"), scratch = tmp.file("scratch"), script = tmp.file("script.txt");
    fs::create_directory(victim);
    fs::create_directory(scratch);
    writeFile(script, "at 2500 key 'N'\nat 3000 key 'A'\nat 4500 key f12\nat 4500 shot " + tmp.file("shot.png") +
                          "\nat 4600 key f12\n");
    fs::create_directory(tmp.file(".config"));
    writeFile(tmp.file(".config/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    // exec keeps the shell's pid, so the folder is planted under the name
    // the program's pid would give it.
    std::string out;
    EXPECT_EQ(runCommand("env -u XDG_CONFIG_HOME HOME=" + tmp.str() + " TMPDIR=" + scratch +
                             " XDG_PICTURES_DIR=relative sh -c 'd=$TMPDIR/korvath-headless-$$; mkdir $d && ln -s " + victim +
                             "/record $d/korvath && ln -s " + victim + "/battle $d/korvath-battle && exec " +
                             kHeadless + " --script " + script + " --until 9000'",
                         out),
              0)
        << out;
    EXPECT_TRUE(fs::is_empty(victim));
    const Strings left = filesIn(scratch);
    ASSERT_EQ(left.size(), 1u) << "the run left its folder behind";
    EXPECT_EQ(filesIn(fs::path(scratch) / left[0]), (Strings{"korvath", "korvath-battle"}));
    fs::remove_all(fs::path(scratch) / left[0]);

    const Strings shots = filesIn(tmp.file("Bilder/Korvath"));
    ASSERT_EQ(shots.size(), 2u) << out;
    // '#' stands for a digit: the date and time, and a second shot's "-2".
    const auto shaped = [](const std::string& name, const std::string& shape) {
        return name.size() == shape.size() && std::equal(name.begin(), name.end(), shape.begin(), [](char c, char s) {
                   return s == '#' ? std::isdigit(static_cast<unsigned char>(c)) != 0 : c == s;
               });
    };
    for (const std::string& name : shots)
        EXPECT_TRUE(shaped(name, "korvath-####-##-##-##-##-##.png") || shaped(name, "korvath-####-##-##-##-##-##-2.png"))
            << name;
    const Frame first = Frame::read(tmp.file("Bilder/Korvath/" + shots[0]));
    EXPECT_TRUE(first.w == 480 && first.h == 320);
    EXPECT_EQ(first.px, Frame::read(tmp.file("shot.png")).px);
    EXPECT_NE(Frame::read(tmp.file("Bilder/Korvath/" + shots[1])).px, first.px); // "Screenshot saved" is on it

    // Stopped from outside once its folder exists: the folder goes too.
    EXPECT_EQ(runCommand("TMPDIR=" + scratch + " " + kHeadless + " --until 3600000 & p=$!; " + "while [ -z \"$(ls " +
                             scratch + ")\" ]; do sleep 0.05; done; kill -TERM $p; wait $p",
                         out),
              128 + SIGTERM)
        << out;
    EXPECT_TRUE(fs::is_empty(scratch));
}

// Frame rates: decimals with a point whatever the locale, 0 for as fast as it
// can, 1 to 1000 otherwise; anything else is refused and leaves the rate.
TEST(HostOptions, FrameRatesAreDecimalsWithAPoint)
{
    for (auto [text, us] : {std::pair{"60", 16667}, {"15.625", 64000}, {"144", 6944}, {"0", 0}, {"1000", 1000},
                            {"1.", 1000000}, {"0007.50", 133333}}) {
        int32_t frameUs = -1;
        EXPECT_TRUE(HostOptions::parseRate(text, frameUs)) << text;
        EXPECT_EQ(frameUs, us) << text;
    }
    for (const char* bad : {"", ".", "-5", "0.5", "1000.5", "1e3", "60,5", "1.2.3", " 60", "9999999999999"}) {
        int32_t frameUs = -1;
        EXPECT_FALSE(HostOptions::parseRate(bad, frameUs)) << bad;
        EXPECT_EQ(frameUs, -1) << bad;
    }
}
