#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sstream>

#include "HeadlessHost.h"
#include "HeadlessScript.h"
#include "TestRoot.h"

namespace {

// Runs the test root on the headless host with the script text.
int32_t runHeadless(const TempDir& dir, const std::string& script, RootLog& log, HostOptions o)
{
    o.m_headless = true;
    o.m_script = dir.file("script.txt");
    writeFile(o.m_script, script);
    return HeadlessHost().run(o, [&] { return ref<V3dView>(new TestRoot(&log)); });
}

int32_t korvathHeadless(const std::string& args, std::string& out)
{
    return runCommand(std::string(KORVATH_BIN_DIR) + "/korvath-headless " + args, out);
}

} // namespace

TEST(HeadlessScript, RejectsBadLinesWithTheirNumber)
{
    const std::pair<const char*, const char*> cases[] = {
        {"at 10 key 5\nat x key 5\n", "s.txt:2: "},
        {"\n# nothing\nat 10 jump\n", "s.txt:3: unknown command \"jump\""},
        {"press 5\n", "s.txt:1: "},
        {"at 10 key\n", "s.txt:1: "},
        {"at 10 key 5 6\n", "s.txt:1: "},
        {"at 10 touch 5\n", "s.txt:1: "},
        {"at -5 key 1\n", "s.txt:1: "},
        {"at 10 shot\n", "s.txt:1: "},
        {"at 10 key 1\nat 5 move 1 1\n", "s.txt:2: move without a touch"},
        {"at 10 touch 1 1\nat 20 touch 2 2\n", "s.txt:2: touch while"},
        {"at 10 release\n", "s.txt:1: release without a touch"},
        {"at 10 size 15 200\n", "s.txt:1: the size must be"},
        {"at 10 size 640\n", "s.txt:1: expected \"at <ms> size <width> <height>\""},
        {"at 10 wheel 1001\n", "s.txt:1: the notches must be"},
        {"at 10 hover 5\n", "s.txt:1: "},
    };
    for (const auto& [text, where] : cases) {
        HeadlessScript s;
        std::string error;
        EXPECT_FALSE(s.parse(text, "s.txt", error)) << text;
        EXPECT_EQ(error.rfind(where, 0), 0u) << text << " -> " << error;
        EXPECT_TRUE(s.m_events.empty());
    }
    HeadlessScript s;
    std::string error;
    EXPECT_FALSE(s.load("/nonexistent/script.txt", error));
    EXPECT_NE(error.find("/nonexistent/script.txt"), std::string::npos);

    // A file too long for a script, and one without end, are refused unread.
    TempDir dir("script-size");
    std::string line = "at 1 key 5\n";
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

TEST(HeadlessHost, ScriptInputArrivesInTimeOrderAtItsVirtualTime)
{
    TempDir dir("headless-input");
    HostOptions o;
    o.m_untilMs = 1200;
    o.m_seed = 5000;
    o.m_width = 160;
    o.m_height = 100;
    RootLog a;
    ASSERT_EQ(runHeadless(dir,
                          "# a whole-line comment\n"
                          "at 1000 key enter   # after a command\n"
                          "at 100 key 'N'\n"
                          "\n"
                          "\tat 300 down left\r\n"
                          "at 500 up left\n"
                          "at 700 touch 30 40\n"
                          "at 750 move 50 45\n"
                          "at 800 release\n"
                          "at 900 key '#'\n"
                          "at 900 key space\n"
                          "at 950 hover 7 9\n"
                          "at 960 wheel -3\n"
                          "at 970 wheel 1\n"
                          "at 980 size 200 120\n"
                          "at 1100 key esc\n",
                          a, o),
              0);
    // The clock starts at the seed and advances only by what the game sleeps.
    EXPECT_EQ(a.startMs, 5000);
    int32_t want[][2] = {{100, 'N'}, {300, 1}, {700, 5}, {900, '#'}, {900, ' '}, {1000, 10}, {1100, 6}};
    ASSERT_EQ(a.keys.size(), std::size(want));
    for (std::size_t i = 0; i < a.keys.size(); i++) {
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
    // The pointer where it rests, the wheel's notches, the window's new size.
    EXPECT_EQ(a.pointerX, 7);
    EXPECT_EQ(a.pointerY, 9);
    EXPECT_EQ(a.wheel, -2);
    EXPECT_EQ(a.width.load(), 200);
    EXPECT_EQ(a.height.load(), 120);
    // Stopped at the end time.
    EXPECT_GE(a.lastMs - 5000, 1200);
    EXPECT_LT(a.lastMs - 5000, 1200 + 64);
}

TEST(KorvathProgram, BadScriptsOptionsAndDataFoldersAreRejected)
{
    TempDir dir("korvath-bad");
    std::string script = dir.file("script.txt"), out;
    writeFile(script, "at 10 key 'N'\n# fine so far\nat 20 bogus 1\n");
    EXPECT_EQ(korvathHeadless("--prefs " + dir.file("prefs") + " --script " + script, out), 2);
    EXPECT_NE(out.find(script + ":3: unknown command \"bogus\""), std::string::npos) << out;
    EXPECT_EQ(korvathHeadless("--until soon", out), 2);
    EXPECT_NE(out.find("--until"), std::string::npos) << out;
    EXPECT_NE(out.find("Usage:"), std::string::npos) << out;
    // The program without a window takes no window options.
    EXPECT_EQ(korvathHeadless("--scale 3", out), 2);
    EXPECT_EQ(korvathHeadless("--help", out), 0);
    EXPECT_NE(out.find("--script"), std::string::npos);

    // A data folder that is empty, or lacks one file or one page of the
    // image library: one line naming the folder and the file, status 1.
    std::filesystem::create_directory(dir.file("empty"));
    EXPECT_EQ(korvathHeadless("--data " + dir.file("empty"), out), 1);
    EXPECT_EQ(out, "korvath: the game data in " + dir.file("empty") + " is incomplete: app0.bin is missing (build "
                   "the game, or give the data folder with --data DIR)\n");
    std::filesystem::copy(KORVATH_DATA_DIR, dir.file("data"));
    for (const char* file : {"f16.bin", "app2.bin"}) {
        std::filesystem::rename(dir.file("data/") + file, dir.file(file));
        EXPECT_EQ(korvathHeadless("--data " + dir.file("data") + " --until 100", out), 1) << file;
        EXPECT_NE(out.find(dir.file("data") + " is incomplete: " + file + " is missing"), std::string::npos) << out;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
        std::filesystem::rename(dir.file(file), dir.file("data/") + file);
    }
    EXPECT_EQ(korvathHeadless("--data " + dir.file("data") + " --until 100", out), 0) << out;

    // A folder given as the script is no script either.
    EXPECT_EQ(korvathHeadless("--script " + dir.path.string(), out), 2);
    EXPECT_EQ(out, dir.path.string() + ": a folder, not a script\n");

    // Errors go to stderr, nothing to stdout.
    EXPECT_EQ(runCommand("(" + std::string(KORVATH_BIN_DIR) + "/korvath-headless --until soon 2>/dev/null)", out), 2);
    EXPECT_EQ(out, "");

    // The program without a window is built without the window system.
    EXPECT_EQ(runCommand("ldd " + std::string(KORVATH_BIN_DIR) + "/korvath-headless", out), 0);
    EXPECT_EQ(out.find("SDL"), std::string::npos) << out;
}

// Each data file must be a plain file of its format and a plausible size:
// a folder, a pipe (which would hang the start), a page cut to one byte, a
// sound without its signature or a layout cut short is one line naming the
// file and what is wrong, and status 1, before anything runs.
TEST(KorvathProgram, DamagedDataFilesStopTheStartWithOneLine)
{
    TempDir dir("korvath-data");
    const std::string data = dir.file("data");
    std::filesystem::copy(KORVATH_DATA_DIR, data);
    auto damaged = [&](const std::string& file, const std::string& what) {
        std::string out;
        EXPECT_EQ(korvathHeadless("--data " + data + " --until 100", out), 1) << file;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
        EXPECT_NE(out.find("korvath: the game data in " + data + " is damaged: " + file + " " + what), std::string::npos)
            << out;
    };
    auto replaced = [&](const std::string& file, const std::function<void(const std::string&)>& make,
                        const std::string& what) {
        const std::string path = data + "/" + file;
        std::filesystem::rename(path, dir.file("kept"));
        make(path);
        damaged(file, what);
        std::filesystem::remove_all(path);
        std::filesystem::rename(dir.file("kept"), path);
    };
    replaced("help.txt", [](const std::string& p) { std::filesystem::create_directory(p); }, "is a folder, not a file");
    replaced("f16.bin", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, "is not a plain file");
    replaced("app2.bin", [](const std::string& p) { writeFile(p, "x"); },
             "holds 1 byte, but a page before the last holds 32768");
    replaced("app0.bin", [](const std::string& p) { writeFile(p, "x"); }, "holds 1 byte");
    replaced("shoot.wav", [](const std::string& p) { writeFile(p, std::string(100, 'x')); },
             "is not a WAVE sound (no \"WAVE\" signature)");
    const std::string layout = readFile(data + "/layout");
    replaced("layout", [&](const std::string& p) { writeFile(p, layout.substr(0, layout.size() / 2)); },
             "holds " + std::to_string(layout.size() / 2) + " bytes, but its header says " +
                 std::to_string(layout.size()));
    replaced("p3d.bin", [](const std::string& p) { writeFile(p, ""); }, "holds 0 bytes: too few");

    std::string out;
    EXPECT_EQ(korvathHeadless("--data " + data + " --until 100", out), 0) << out;
}

// A log that cannot be written (a full disc) fails the run with one line:
// a soak whose memory curve was lost proved nothing.
// Another user who knows the program's pid makes its folder beforehand, with
// links to files of the victim's in it: the run keeps its preferences in a
// folder of its own, follows neither, and leaves nothing behind; nor does a
// run ended by a signal.
TEST(KorvathProgram, AHeadlessRunsScratchFolderCannotBeRedirected)
{
    TempDir tmp("planted");
    const std::string victim = tmp.file("victim");
    std::filesystem::create_directory(victim);
    const std::string script = tmp.file("script.txt");
    writeFile(script, "at 2500 key 'N'\nat 3000 key 'A'\n");
    // exec keeps the shell's pid, so the folder is planted under the name
    // the program's pid would give it.
    const std::string bin = std::string(KORVATH_BIN_DIR) + "/korvath-headless";
    const std::string scratch = tmp.file("scratch");
    std::filesystem::create_directory(scratch);
    std::string out;
    const int32_t status = runCommand(
        "TMPDIR=" + scratch + " sh -c 'd=$TMPDIR/korvath-headless-$$; mkdir $d && ln -s " + victim + "/record $d/korvath && ln -s " +
            victim + "/battle $d/korvath-battle && exec " + bin + " --script " + script + " --until 9000'",
        out);
    EXPECT_EQ(status, 0) << out;
    EXPECT_TRUE(std::filesystem::is_empty(victim));
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(scratch))
        left.push_back(e.path().filename().string());
    ASSERT_EQ(left.size(), 1u) << "the run left its folder behind";
    std::vector<std::string> planted;
    for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(scratch) / left[0]))
        planted.push_back(e.path().filename().string());
    std::sort(planted.begin(), planted.end());
    EXPECT_EQ(planted, (std::vector<std::string>{"korvath", "korvath-battle"}));
    std::filesystem::remove_all(std::filesystem::path(scratch) / left[0]);

    // Stopped from outside once its folder exists: the folder goes too.
    EXPECT_EQ(runCommand("TMPDIR=" + scratch + " " + bin + " --until 3600000 & p=$!; " +
                             "while [ -z \"$(ls " + scratch + ")\" ]; do sleep 0.05; done; kill -TERM $p; wait $p",
                         out),
              128 + SIGTERM)
        << out;
    EXPECT_TRUE(std::filesystem::is_empty(scratch));
}

TEST(KorvathProgram, LogsThatCannotBeWrittenFailTheRun)
{
    std::string out;
    for (const char* log : {"--sound-log", "--memory-log"}) {
        EXPECT_EQ(korvathHeadless(std::string(log) + " /dev/full --until 3000", out), 1) << log;
        EXPECT_NE(out.find("No space left on device"), std::string::npos) << out;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    }
}

// The sound log is written as the sounds play, not only when the game ends:
// a soak that is stopped from outside still has its shots on record. A loop
// is there as it starts, changes its volume and stops, in one word each; a
// volume it already has, a handle stopped or never given add nothing.
TEST(HeadlessHost, EachSoundIsInTheLogAsItPlays)
{
    TempDir dir("headless-sounds");
    writeFile(dir.file("shoot.wav"), "");
    writeFile(dir.file("motor.wav"), "");
    struct SoundRoot : V3dView {
        std::string sound, log, seen;
        std::string* out = nullptr;
        void run() override
        {
            Host& host = Host::current();
            host.playSound(host.loadSound(sound.c_str()));
            const int32_t motor = host.loadSound((sound.substr(0, sound.rfind('/')) + "/motor.wav").c_str());
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
            *out = readFile(log);
        }
    };
    HostOptions o;
    o.m_headless = true;
    o.m_untilMs = 1000;
    o.m_soundLog = dir.file("sounds.log");
    std::string seen;
    ASSERT_EQ(HeadlessHost().run(o, [&] {
        auto* root = new SoundRoot;
        root->sound = dir.file("shoot.wav");
        root->log = o.m_soundLog;
        root->out = &seen;
        return ref<V3dView>(root);
    }), 0);
    EXPECT_EQ(seen, "0 shoot\n0 loop:motor:30\n40 volume:motor:75\n50 stop:motor\n");
}

// The soak's memory curve: a line at the start, one per game minute and one
// at the end, each with the resident and peak sizes of the process, and under
// a sanitizer the live heap, which lies within the resident memory.
TEST(HeadlessHost, TheMemoryLogHasALineEveryGameMinute)
{
    TempDir dir("headless-memory");
    HostOptions o;
    o.m_untilMs = 150000;
    o.m_memoryLog = dir.file("memory.log");
    RootLog a;
    ASSERT_EQ(runHeadless(dir, "", a, o), 0);
    std::istringstream lines(readFile(o.m_memoryLog));
    std::vector<int32_t> minutes;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        int32_t ms = 0;
        int64_t resident = 0, peak = 0, heap = 0;
        ASSERT_TRUE(fields >> ms >> resident >> peak) << line;
        minutes.push_back(ms / 60000);
        EXPECT_GT(resident, 0);
        EXPECT_GE(peak, resident);
        if (fields >> heap) {
            EXPECT_GT(heap, 0) << line;
            EXPECT_LT(heap, resident) << line;
        }
        EXPECT_TRUE(fields.eof()) << line;
    }
    EXPECT_EQ(minutes, (std::vector<int32_t>{0, 1, 2, 2}));
}
