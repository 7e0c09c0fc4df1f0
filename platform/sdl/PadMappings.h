#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Gamepads SDL does not know by itself, mapped in the SDL community
// database's text format (gamecontrollerdb.txt): one mapping a line,
// "GUID,name,a:b0,b:b1,...,leftx:a0,...,platform:Linux,", '#' starting a
// comment. The files are read in order, a later mapping of the same pad
// winning; SDL's own SDL_GAMECONTROLLERCONFIG wins over them all (SDL keeps
// its mappings over those added later). Main thread, with SDL's game
// controller subsystem started.
class PadMappings {
public:
    // What came of a file's lines: mappings taken, lines not understood
    // (the first of them). Lines for other platforms, comments and blank
    // lines count as neither.
    struct Count {
        int32_t added = 0;
        int32_t bad = 0;
        int32_t firstBad = 0; // line number
    };

    // Adds the mappings of text, one a line.
    static Count add(const std::string& text);
    // The data folder's database (if the game is shipped with one), then the
    // player's in the preferences folder.
    static std::vector<std::string> files();
    // Adds each file that is there; a file with lines not understood is
    // reported in one line on stderr. Pads already plugged in that are now
    // mapped are announced (SDL_CONTROLLERDEVICEADDED), as if plugged in.
    static void load(const std::vector<std::string>& paths);

    static constexpr const char* kFile = "gamecontrollerdb.txt";

private:
    // Whether line has the database's shape: a GUID of 32 hex digits, a
    // name and name:value fields.
    static bool wellFormed(const std::string& line);
};
