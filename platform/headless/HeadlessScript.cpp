#include "HeadlessScript.h"

#include "HostOptions.h"
#include "host/Keys.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// Splits a line into words; a word that starts with "#" ends the line, but a
// quoted character such as '#' is a word of its own.
std::vector<std::string> words(const std::string& line)
{
    std::vector<std::string> out;
    std::size_t i = 0, n = line.size();
    while (i < n) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
            i++;
            continue;
        }
        if (line[i] == '\'' && i + 2 < n && line[i + 2] == '\'') {
            out.push_back(line.substr(i, 3));
            i += 3;
            continue;
        }
        if (line[i] == '#')
            break;
        std::size_t j = i;
        while (j < n && line[j] != ' ' && line[j] != '\t' && line[j] != '\r')
            j++;
        out.push_back(line.substr(i, j - i));
        i = j;
    }
    return out;
}

} // namespace

bool HeadlessScript::load(const std::string& path, std::string& error)
{
    // A folder opens, and reads as an empty script: it is no script.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = path + ": a folder, not a script";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot read the script";
        return false;
    }
    // Read no more than a script can sensibly hold, so that a huge file or an
    // endless one (a device, a pipe) cannot fill the memory.
    std::string text;
    char block[4096];
    while (in.read(block, sizeof block) || in.gcount() > 0) {
        text.append(block, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxBytes) {
            error = path + ": longer than " + std::to_string(kMaxBytes) + " bytes; not a script";
            m_events.clear();
            return false;
        }
    }
    return parse(text, path, error);
}

std::string HeadlessScript::command(const std::vector<std::string>& w, Event& e)
{
    if (w[0] != "at")
        return "a command starts with \"at <ms>\", not \"" + w[0] + "\"";
    if (w.size() < 3)
        return "\"at <ms>\" needs a command after it";
    if (!HostOptions::parseInt(w[1], 0, 0x7FFFFFFF, e.at))
        return "\"" + w[1] + "\" is not a time in ms";
    const std::string& cmd = w[2];
    const std::size_t args = w.size() - 3;
    auto form = [&](std::size_t n, const std::string& f) {
        return args == n ? std::string() : "expected \"at <ms> " + f + "\"";
    };
    std::string why;
    if (cmd == "key" || cmd == "down" || cmd == "up") {
        if (!(why = form(1, cmd + " <code>")).empty())
            return why;
        if (!Key::parse(w[3], e.code))
            return "\"" + w[3] + "\" is not a key code (a number 0..127, a quoted character, or enter, esc, "
                   "space, tab, left, right, up, down, pageup, pagedown, home, end)";
        e.kind = cmd == "key" ? Press : cmd == "down" ? Down : Up;
    } else if (cmd == "touch" || cmd == "move" || cmd == "hover") {
        if (!(why = form(2, cmd + " <x> <y>")).empty())
            return why;
        if (!HostOptions::parseInt(w[3], 0, 65535, e.x) || !HostOptions::parseInt(w[4], 0, 65535, e.y))
            return "the position must be two whole numbers from 0 to 65535";
        e.kind = cmd == "touch" ? Touch : cmd == "move" ? Move : Hover;
    } else if (cmd == "wheel") {
        if (!(why = form(1, "wheel <notches>")).empty())
            return why;
        if (!HostOptions::parseInt(w[3], -1000, 1000, e.code))
            return "the notches must be a whole number from -1000 to 1000";
        e.kind = Wheel;
    } else if (cmd == "size") {
        if (!(why = form(2, "size <width> <height>")).empty())
            return why;
        if (!HostOptions::parseInt(w[3], 16, 4096, e.x) || !HostOptions::parseInt(w[4], 16, 4096, e.y))
            return "the size must be two whole numbers from 16 to 4096";
        e.kind = Size;
    } else if (cmd == "release") {
        if (!(why = form(0, "release")).empty())
            return why;
        e.kind = Release;
    } else if (cmd == "shot") {
        if (!(why = form(1, "shot <file.png>")).empty())
            return why;
        e.kind = Shot;
        e.file = w[3];
    } else {
        return "unknown command \"" + cmd + "\" (key, down, up, touch, move, release, hover, wheel, size or shot)";
    }
    return {};
}

bool HeadlessScript::parse(const std::string& text, const std::string& name, std::string& error)
{
    m_events.clear();
    auto fail = [&](int32_t at, const std::string& why) {
        error = name + ":" + std::to_string(at) + ": " + why;
        m_events.clear();
        return false;
    };
    std::istringstream in(text);
    std::string line;
    for (int32_t lineNo = 1; std::getline(in, line); lineNo++) {
        const std::vector<std::string> w = words(line);
        if (w.empty())
            continue;
        Event e;
        e.line = lineNo;
        if (std::string why = command(w, e); !why.empty())
            return fail(lineNo, why);
        m_events.push_back(e);
    }
    std::stable_sort(m_events.begin(), m_events.end(),
                     [](const Event& a, const Event& b) { return a.at < b.at; });
    // A move or release needs a touch that is down, and a touch one that is not.
    bool touching = false;
    for (const Event& e : m_events) {
        if (e.kind == Touch && touching)
            return fail(e.line, "touch while the previous touch is still down (release it first)");
        if ((e.kind == Move || e.kind == Release) && !touching)
            return fail(e.line, std::string(e.kind == Move ? "move" : "release") +
                                    " without a touch before it");
        if (e.kind == Touch || e.kind == Release)
            touching = e.kind == Touch;
    }
    return true;
}
