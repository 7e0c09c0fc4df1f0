#include "HostOptions.h"

#include <charconv>
#include <cstring>
#include <filesystem>

#include "terrain/Vterrain.h"

namespace {

bool parseSize(const std::string& s, int32_t& w, int32_t& h)
{
    std::size_t x = s.find('x');
    if (x == std::string::npos)
        return false;
    return HostOptions::parseInt(s.substr(0, x), 16, 4096, w) &&
           HostOptions::parseInt(s.substr(x + 1), 16, 4096, h);
}

} // namespace

bool HostOptions::parseInt(const std::string& s, int32_t lo, int32_t hi, int32_t& out)
{
    int32_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

const char* HostOptions::usage()
{
    return "Usage: korvath [options]\n"
           "       korvath-headless [--script FILE] [--until MS] [options]\n"
           "       (or korvath --headless ...)\n"
           "\n"
           "Options (a value may also be joined to its option: --scale=2):\n"
           "  --help          show this text\n"
           "  --version       print the version and stop\n"
           "  --scale N       show each pixel as N x N screen pixels (1..16; by default\n"
           "                  the largest that fits the desktop, or the last one used)\n"
           "  --size WxH      logical screen size in pixels (default 480x320, or the\n"
           "                  last one used)\n"
           "  --fullscreen    start in full screen (F11 toggles it; the last state is kept)\n"
           "  --data DIR      game data folder (default: data next to the program, else\n"
           "                  " KORVATH_INSTALL_DATA_RELATIVE " from its folder, else the\n"
           "                  installed one)\n"
           "  --prefs DIR     one folder for all the player's files (with --headless by\n"
           "                  default a fresh temporary folder, removed afterwards);\n"
           "                  else the options and keys in $XDG_CONFIG_HOME/korvath,\n"
           "                  the campaign and replays in $XDG_DATA_HOME/korvath, the\n"
           "                  window and the battle in progress in $XDG_STATE_HOME/korvath\n"
           "  --mute          open no audio device\n"
           "  --lang LANG     the language of the texts (de, en, fr, ru; by default the\n"
           "                  one chosen in Options, else the locale's; headless en)\n"
           "  --viewer NAME   inspect the mesh NAME of the model file instead of playing\n"
           "                  (arrows turn it, + and - zoom, U and D move, Escape leaves)\n"
           "  --demo          the game plays itself, campaign and battles (any key takes\n"
           "                  over the tank)\n"
           "  --fps N         frames a second at most (default: the display's rate, at\n"
           "                  most 240; headless 60); 0: as fast as it can\n"
           "  --frame-stats   at the end, print the frames drawn and their work time:\n"
           "                  frames: N, game time: T ms, median frame: A ms,\n"
           "                  99th percentile: P ms, slowest: B ms\n"
           "  --threads N     threads that draw the landscape (1..8; by default 2 where\n"
           "                  there are two cores or more)\n"
           "  --half-terrain  draw the landscape at half resolution and scale it up (for\n"
           "                  large windows or slow machines); tanks and panel stay sharp\n"
           "  --replay FILE   play the recorded battle FILE instead of the game (every\n"
           "                  battle is recorded into $XDG_DATA_HOME/korvath/replays,\n"
           "                  the last 20 kept); Space or P pauses, 1, 2 and 4\n"
           "                  set the speed, Escape or Q quits\n"
           "\n"
           "Headless (no window; a virtual clock that advances by what the game sleeps):\n"
           "  --headless      run without a window\n"
           "  --script FILE   scripted input, one command per line:\n"
           "                    at MS key CODE      press and release a key\n"
           "                    at MS down CODE     hold a key\n"
           "                    at MS up CODE       release a held key\n"
           "                    at MS touch X Y     touch begins at (X, Y)\n"
           "                    at MS move X Y      drag the touch to (X, Y)\n"
           "                    at MS release       touch ends\n"
           "                    at MS hover X Y     the mouse pointer rests at (X, Y)\n"
           "                    at MS wheel N       the mouse wheel turns N notches (+ up)\n"
           "                    at MS size W H      the window's logical size changes\n"
           "                    at MS shot FILE.png write the frame on screen\n"
           "                  CODE: a number, a quoted character like '0' or 'N', or\n"
           "                  enter, esc, space, tab, left, right, up, down, pageup,\n"
           "                  pagedown, home, end, f1 .. f12, pad-a, pad-b, pad-x, pad-y,\n"
           "                  pad-back, pad-start, pad-ls, pad-rs, pad-lb, pad-rb, pad-up,\n"
           "                  pad-down, pad-left, pad-right, pad-lt, pad-rt\n"
           "  --until MS      stop the game at this virtual time (default 600000)\n"
           "  --seed N        start value of the virtual clock, which seeds the game's\n"
           "                  random numbers (default 1)\n"
           "  --sound-log F   write one line per played sound: MS NAME; a loop as it\n"
           "                  starts, changes its volume and ends: MS loop:NAME:VOLUME,\n"
           "                  MS volume:NAME:VOLUME, MS stop:NAME\n"
           "  --memory-log F  write the resident memory once a minute of game time:\n"
           "                  MS RESIDENT_KIB PEAK_KIB (and HEAP_KIB, the live heap,\n"
           "                  in a build with sanitizers)\n"
           "  --record FILE   record the run's battles into the replay FILE (the last\n"
           "                  one stays)\n"
           "  --shots-every MS  write the frame on screen every MS ms of game time into\n"
           "                  the current folder as frame-MS.png (MS in 7 digits), and\n"
           "                  the last frame as frame-end.png (with --replay: the\n"
           "                  battle's last)\n";
}

std::vector<std::string> HostOptions::dataDirSearch(const std::filesystem::path& exe, const std::string& relative,
                                                    const std::string& installed)
{
    const std::filesystem::path dir = exe.parent_path();
    std::vector<std::string> dirs = {(dir / "data").string(), (dir / relative).lexically_normal().string()};
    const std::string prefix = std::filesystem::path(installed).lexically_normal().string();
    if (!installed.empty() && prefix != dirs[1])
        dirs.push_back(prefix);
    return dirs;
}

std::string HostOptions::defaultDataDir(std::vector<std::string>& tried)
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) // without /proc the working folder stands in for the program's
        exe = std::filesystem::current_path(ec) / "korvath";
    tried = dataDirSearch(exe, KORVATH_INSTALL_DATA_RELATIVE, KORVATH_INSTALLED_DATA_DIR);
    for (const std::string& dir : tried)
        if (std::filesystem::is_directory(dir, ec))
            return dir;
    return "";
}

namespace {

// Which program an option is for.
enum class For { Both, Window, Headless };

// One option: its name, the program it is for, whether a value follows,
// and what it does with the value (false, with the reason, for a bad one).
struct Option {
    const char* name;
    For use;
    bool takesValue;
    bool (*apply)(HostOptions& o, const std::string& v, std::string& error);
};

bool needName(const char* opt, const std::string& v, std::string& error, std::string& out)
{
    if (v.empty()) {
        error = std::string(opt) + " needs a name";
        return false;
    }
    out = v;
    return true;
}

const Option kOptions[] = {
    {"--help", For::Both, false, [](HostOptions& o, const std::string&, std::string&) { return o.m_help = true; }},
    {"-h", For::Both, false, [](HostOptions& o, const std::string&, std::string&) { return o.m_help = true; }},
    {"--version", For::Both, false, [](HostOptions& o, const std::string&, std::string&) { return o.m_version = true; }},
    {"-v", For::Both, false, [](HostOptions& o, const std::string&, std::string&) { return o.m_version = true; }},
    {"--headless", For::Both, false,
     [](HostOptions& o, const std::string&, std::string&) { return o.m_headless = true; }},
    {"--demo", For::Both, false, [](HostOptions& o, const std::string&, std::string&) { return o.m_demo = true; }},
    {"--frame-stats", For::Both, false,
     [](HostOptions& o, const std::string&, std::string&) { return o.m_frameStats = true; }},
    {"--half-terrain", For::Both, false,
     [](HostOptions& o, const std::string&, std::string&) { return o.m_halfTerrain = true; }},
    {"--threads", For::Both, true,
     [](HostOptions& o, const std::string& v, std::string& error) {
         if (HostOptions::parseInt(v, 1, Vterrain::kMaxThreads, o.m_threads))
             return true;
         error = "--threads wants a whole number from 1 to " + std::to_string(Vterrain::kMaxThreads) + ", not \"" +
                 v + "\"";
         return false;
     }},
    {"--fullscreen", For::Window, false,
     [](HostOptions& o, const std::string&, std::string&) { return o.m_fullscreen = true; }},
    {"--mute", For::Window, false, [](HostOptions& o, const std::string&, std::string&) { return o.m_mute = true; }},
    {"--scale", For::Window, true,
     [](HostOptions& o, const std::string& v, std::string& error) {
         if (HostOptions::parseInt(v, 1, 16, o.m_scale))
             return true;
         error = "--scale wants a whole number from 1 to 16, not \"" + v + "\"";
         return false;
     }},
    {"--size", For::Both, true,
     [](HostOptions& o, const std::string& v, std::string& error) {
         if (parseSize(v, o.m_width, o.m_height))
             return o.m_sizeGiven = true;
         error = "--size wants WIDTHxHEIGHT, each from 16 to 4096, not \"" + v + "\"";
         return false;
     }},
    {"--fps", For::Both, true,
     [](HostOptions& o, const std::string& v, std::string& error) {
         if (HostOptions::parseRate(v, o.m_frameUs))
             return true;
         error = "--fps wants frames a second from 1 to 1000 (15.625 is allowed), or 0 for no limit, not \"" + v +
                 "\"";
         return false;
     }},
    {"--viewer", For::Both, true,
     [](HostOptions& o, const std::string& v, std::string& error) {
         if (!v.empty()) {
             o.m_viewer = v;
             return true;
         }
         error = "--viewer needs a mesh name";
         return false;
     }},
    {"--data", For::Both, true,
     [](HostOptions& o, const std::string& v, std::string& error) { return needName("--data", v, error, o.m_dataDir); }},
    {"--prefs", For::Both, true,
     [](HostOptions& o, const std::string& v, std::string& error) {
         return needName("--prefs", v, error, o.m_prefsDir);
     }},
    {"--lang", For::Both, true,
     [](HostOptions& o, const std::string& v, std::string& error) {
         return needName("--lang", v, error, o.m_language);
     }},
    {"--script", For::Headless, true,
     [](HostOptions& o, const std::string& v, std::string& error) {
         return needName("--script", v, error, o.m_script);
     }},
    {"--sound-log", For::Headless, true,
     [](HostOptions& o, const std::string& v, std::string& error) {
         if (v.empty())
             error = "--sound-log needs a file name";
         o.m_soundLog = v;
         return !v.empty();
     }},
    {"--memory-log", For::Headless, true,
     [](HostOptions& o, const std::string& v, std::string& error) {
         if (v.empty())
             error = "--memory-log needs a file name";
         o.m_memoryLog = v;
         return !v.empty();
     }},
    {"--replay", For::Both, true,
     [](HostOptions& o, const std::string& v, std::string& error) {
         return needName("--replay", v, error, o.m_replay);
     }},
    {"--record", For::Headless, true,
     [](HostOptions& o, const std::string& v, std::string& error) {
         return needName("--record", v, error, o.m_record);
     }},
    {"--shots-every", For::Headless, true,
     [](HostOptions& o, const std::string& v, std::string& error) {
         if (HostOptions::parseInt(v, 1, 0x7FFFFFFF, o.m_shotsEvery))
             return true;
         error = "--shots-every wants a time in ms (1 or more), not \"" + v + "\"";
         return false;
     }},
    {"--until", For::Headless, true,
     [](HostOptions& o, const std::string& v, std::string& error) {
         if (HostOptions::parseInt(v, 0, 0x7FFFFFFF, o.m_untilMs))
             return true;
         error = "--until wants a time in ms (0 or more), not \"" + v + "\"";
         return false;
     }},
    {"--seed", For::Headless, true,
     [](HostOptions& o, const std::string& v, std::string& error) {
         if (HostOptions::parseInt(v, -0x7FFFFFFF - 1, 0x7FFFFFFF, o.m_seed))
             return true;
         error = "--seed wants a whole number, not \"" + v + "\"";
         return false;
     }},
};

// The names of the options for one program, for the message that refuses them.
std::string namesFor(For use)
{
    std::string names;
    for (const Option& o : kOptions)
        if (o.use == use)
            names += (names.empty() ? "" : ", ") + std::string(o.name);
    return names;
}

} // namespace

std::string HostOptions::versionLine()
{
    return std::string("korvath ") + KORVATH_VERSION;
}

bool HostOptions::parseRate(const std::string& s, int32_t& frameUs)
{
    // Digits with an optional fraction, read by hand: no locale's decimal
    // comma, and C++ libraries without a floating-point from_chars.
    if (s.empty() || s.size() > 12 || s == ".")
        return false;
    int64_t digits = 0, divisor = 1;
    bool point = false;
    for (char c : s) {
        if (c == '.' && !point) {
            point = true;
        } else if (c < '0' || c > '9') {
            return false;
        } else {
            digits = digits * 10 + (c - '0');
            divisor *= point ? 10 : 1;
        }
    }
    const double fps = static_cast<double>(digits) / static_cast<double>(divisor);
    if (!(fps == 0 || (fps >= 1 && fps <= 1000)))
        return false;
    frameUs = fps == 0 ? 0 : static_cast<int32_t>(1e6 / fps + 0.5);
    return true;
}

bool HostOptions::parse(int argc, const char* const* argv, std::string& error)
{
    bool windowOption = false, headlessOption = false;
    for (int i = 1; i < argc; i++) {
        std::string opt = argv[i];
        // A long option's value may follow it after '=' in the same word.
        const size_t equals = opt.rfind("--", 0) == 0 ? opt.find('=') : std::string::npos;
        const bool joined = equals != std::string::npos;
        std::string v = joined ? opt.substr(equals + 1) : "";
        opt.resize(joined ? equals : opt.size());
        const Option* found = nullptr;
        for (const Option& o : kOptions)
            if (opt == o.name)
                found = &o;
        if (!found) {
            error = "unknown option \"" + opt + "\"";
            return false;
        }
        if (joined && !found->takesValue) {
            error = opt + " takes no value";
            return false;
        }
        if (found->takesValue && !joined) {
            if (i + 1 >= argc) {
                error = opt + " needs a value";
                return false;
            }
            v = argv[++i];
        }
        if (!found->apply(*this, v, error))
            return false;
        windowOption = windowOption || found->use == For::Window;
        headlessOption = headlessOption || found->use == For::Headless;
    }
    if (m_headless && windowOption) {
        error = namesFor(For::Window) + " are for the window, not for --headless";
        return false;
    }
    if (!m_headless && headlessOption) {
        error = namesFor(For::Headless) + " need --headless";
        return false;
    }
    return true;
}
