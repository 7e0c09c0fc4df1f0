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
           "Options:\n"
           "  --help          show this text\n"
           "  --scale N       show each pixel as N x N screen pixels (1..16; by default\n"
           "                  the largest that fits the desktop, or the last one used)\n"
           "  --size WxH      logical screen size in pixels (default 480x320, or the\n"
           "                  last one used)\n"
           "  --fullscreen    start in full screen (F11 toggles it; the last state is kept)\n"
           "  --data DIR      game data folder (default: data next to the program, else\n"
           "                  ../share/korvath from its folder, else the installed one)\n"
           "  --prefs DIR     preferences folder (default: $XDG_CONFIG_HOME/korvath; with\n"
           "                  --headless a fresh temporary folder, removed afterwards)\n"
           "  --mute          open no audio device\n"
           "  --viewer NAME   inspect the mesh NAME of the model file instead of playing\n"
           "  --demo          the game plays itself, campaign and battles (any key takes\n"
           "                  over the tank)\n"
           "                  (arrows turn it, + and - zoom, u and d move, Escape leaves)\n"
           "  --threads N     threads that draw the landscape (1..8; by default 2 where\n"
           "                  there are two cores or more)\n"
           "  --half-terrain  draw the landscape at half resolution and scale it up (for\n"
           "                  large windows or slow machines); tanks and panel stay sharp\n"
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
           "                  enter, esc, space, left, right, up, down, pageup,\n"
           "                  pagedown, home, end\n"
           "  --until MS      stop the game at this virtual time (default 600000)\n"
           "  --seed N        start value of the virtual clock, which seeds the game's\n"
           "                  random numbers (default 1)\n"
           "  --sound-log F   write one line per played sound: MS NAME\n"
           "  --memory-log F  write the resident memory once a minute of game time:\n"
           "                  MS RESIDENT_KIB PEAK_KIB\n";
}

std::vector<std::string> HostOptions::dataDirSearch(const std::filesystem::path& exe, const std::string& installed)
{
    const std::filesystem::path dir = exe.parent_path();
    std::vector<std::string> dirs = {(dir / "data").string(),
                                     (dir.parent_path() / "share" / "korvath").lexically_normal().string()};
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
    tried = dataDirSearch(exe, KORVATH_INSTALLED_DATA_DIR);
    for (const std::string& dir : tried)
        if (std::filesystem::is_directory(dir, ec))
            return dir;
    return "";
}

bool HostOptions::parse(int argc, const char* const* argv, std::string& error)
{
    bool windowOption = false;
    bool headlessOption = false;
    for (int i = 1; i < argc; i++) {
        std::string opt = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = opt + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string v;
        if (opt == "--help" || opt == "-h") {
            m_help = true;
        } else if (opt == "--headless") {
            m_headless = true;
        } else if (opt == "--fullscreen") {
            m_fullscreen = windowOption = true;
        } else if (opt == "--demo") {
            m_demo = true;
        } else if (opt == "--half-terrain") {
            m_halfTerrain = true;
        } else if (opt == "--threads") {
            if (!value(v))
                return false;
            if (!parseInt(v, 1, Vterrain::kMaxThreads, m_threads)) {
                error = "--threads wants a whole number from 1 to " + std::to_string(Vterrain::kMaxThreads) +
                        ", not \"" + v + "\"";
                return false;
            }
        } else if (opt == "--mute") {
            m_mute = windowOption = true;
        } else if (opt == "--scale") {
            if (!value(v))
                return false;
            if (!parseInt(v, 1, 16, m_scale)) {
                error = "--scale wants a whole number from 1 to 16, not \"" + v + "\"";
                return false;
            }
            windowOption = true;
        } else if (opt == "--size") {
            if (!value(v))
                return false;
            if (!parseSize(v, m_width, m_height)) {
                error = "--size wants WIDTHxHEIGHT, each from 16 to 4096, not \"" + v + "\"";
                return false;
            }
            m_sizeGiven = true;
        } else if (opt == "--viewer") {
            if (!value(m_viewer) || m_viewer.empty()) {
                error = "--viewer needs a mesh name";
                return false;
            }
        } else if (opt == "--data" || opt == "--prefs" || opt == "--script") {
            if (!value(v))
                return false;
            if (v.empty()) {
                error = opt + " needs a name";
                return false;
            }
            (opt == "--data" ? m_dataDir : opt == "--prefs" ? m_prefsDir : m_script) = v;
            headlessOption = headlessOption || opt == "--script";
        } else if (opt == "--sound-log" || opt == "--memory-log") {
            std::string& file = opt == "--sound-log" ? m_soundLog : m_memoryLog;
            if (!value(file) || file.empty()) {
                error = opt + " needs a file name";
                return false;
            }
            headlessOption = true;
        } else if (opt == "--until") {
            if (!value(v))
                return false;
            if (!parseInt(v, 0, 0x7FFFFFFF, m_untilMs)) {
                error = "--until wants a time in ms (0 or more), not \"" + v + "\"";
                return false;
            }
            headlessOption = true;
        } else if (opt == "--seed") {
            if (!value(v))
                return false;
            if (!parseInt(v, -0x7FFFFFFF - 1, 0x7FFFFFFF, m_seed)) {
                error = "--seed wants a whole number, not \"" + v + "\"";
                return false;
            }
            headlessOption = true;
        } else {
            error = "unknown option \"" + opt + "\"";
            return false;
        }
    }
    if (m_headless && windowOption) {
        error = "--scale, --fullscreen and --mute are for the window, not for --headless";
        return false;
    }
    if (!m_headless && headlessOption) {
        error = "--script, --until, --seed, --sound-log and --memory-log need --headless";
        return false;
    }
    return true;
}
