#include "PadMappings.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <SDL.h>

#include "host/Vdisplay.h"
#include "runtime/InputStream.h"

namespace {

std::string trimmed(const std::string& s)
{
    std::size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a])))
        a++;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1])))
        b--;
    return s.substr(a, b - a);
}

// The value of the line's platform field, or "" without one.
std::string platformOf(const std::string& line)
{
    const std::size_t at = line.find("platform:");
    if (at == std::string::npos)
        return "";
    const std::size_t from = at + 9, end = line.find(',', from);
    return line.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

} // namespace

bool PadMappings::wellFormed(const std::string& line)
{
    std::vector<std::string> fields;
    std::stringstream in(line);
    for (std::string f; std::getline(in, f, ',');)
        fields.push_back(f);
    if (fields.size() < 3 || fields[0].size() != 32 || fields[1].empty())
        return false;
    for (char c : fields[0])
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    for (std::size_t i = 2; i < fields.size(); i++) {
        const std::size_t colon = fields[i].find(':');
        if (colon == 0 || colon == std::string::npos || colon + 1 == fields[i].size())
            return false;
    }
    return true;
}

PadMappings::Count PadMappings::add(const std::string& text)
{
    Count c;
    std::stringstream in(text);
    int32_t number = 0;
    for (std::string raw; std::getline(in, raw);) {
        number++;
        const std::string line = trimmed(raw);
        if (line.empty() || line[0] == '#')
            continue;
        // The database holds every platform's pads; a line without one is
        // ignored by SDL's own reader too, so it is reported.
        const std::string platform = platformOf(line);
        if (!platform.empty() && SDL_strcasecmp(platform.c_str(), SDL_GetPlatform()) != 0)
            continue;
        if (!platform.empty() && wellFormed(line) && SDL_GameControllerAddMapping(line.c_str()) >= 0) {
            c.added++;
        } else if (c.bad++ == 0) {
            c.firstBad = number;
        }
    }
    return c;
}

std::vector<std::string> PadMappings::files()
{
    std::vector<std::string> out;
    const std::string shipped = InputStream::resourcePath(kFile);
    if (!shipped.empty())
        out.push_back(shipped);
    const std::string prefs = Vdisplay::folder(Vdisplay::Store::Config);
    if (!prefs.empty())
        out.push_back(prefs + "/" + kFile);
    return out;
}

void PadMappings::load(const std::vector<std::string>& paths)
{
    const int32_t pads = SDL_NumJoysticks();
    std::vector<bool> mapped;
    for (int32_t i = 0; i < pads; i++)
        mapped.push_back(SDL_IsGameController(i));
    for (const std::string& path : paths) {
        std::ifstream f(path, std::ios::binary);
        if (!f)
            continue;
        std::stringstream text;
        text << f.rdbuf();
        const Count c = add(text.str());
        if (c.bad > 0)
            std::fprintf(stderr, "korvath: %s: %d line%s not understood as gamepad mappings (the first is line %d); "
                                 "%d mapping%s taken\n",
                         path.c_str(), c.bad, c.bad == 1 ? "" : "s", c.firstBad, c.added, c.added == 1 ? "" : "s");
    }
    // SDL announced the pads it could map when it started; those mapped
    // only now would otherwise wait to be plugged in again.
    for (int32_t i = 0; i < pads; i++) {
        if (mapped[static_cast<std::size_t>(i)] || !SDL_IsGameController(i))
            continue;
        SDL_Event e{};
        e.type = SDL_CONTROLLERDEVICEADDED;
        e.cdevice.which = i;
        SDL_PushEvent(&e);
    }
}
