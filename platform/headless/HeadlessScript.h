#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The input script of the headless host: one command per line, "#" starts a
// comment.
//   at <ms> key <code>        press and release
//   at <ms> down <code>       hold
//   at <ms> up <code>         let go
//   at <ms> touch <x> <y>     a touch begins
//   at <ms> move <x> <y>      the touch moves (drag)
//   at <ms> release           the touch ends
//   at <ms> hover <x> <y>     the mouse pointer rests there (no button)
//   at <ms> wheel <notches>   the mouse wheel turns (positive: up)
//   at <ms> size <w> <h>      the window changes its logical size
//   at <ms> shot <file.png>   write the frame on screen
// Times are virtual ms from the start of the run. A code is a decimal number,
// a quoted character ('0', 'N') or a key's name (Key::parse).
class HeadlessScript {
public:
    enum Kind { Press, Down, Up, Touch, Move, Release, Hover, Wheel, Size, Shot };
    struct Event {
        int32_t at = 0;
        Kind kind = Press;
        int32_t code = 0; // key, down, up; the notches of wheel
        int32_t x = 0;    // touch, move, hover; the width of size
        int32_t y = 0;
        std::string file; // shot
        int32_t line = 0;
    };

    // Reads the script file. False, with "file:line: message" in error, for
    // the first bad line (or "file: message" for a file that is no script).
    bool load(const std::string& path, std::string& error);
    // The same for a text already read; name stands for the file in errors.
    bool parse(const std::string& text, const std::string& name, std::string& error);

    // One command's words (at least one) read into e; the reason when they
    // are no command.
    static std::string command(const std::vector<std::string>& w, Event& e);

    // The longest script file read: some 40000 commands.
    static constexpr std::size_t kMaxBytes = 1 << 20;

    // In time order; commands of the same time in the order of the file.
    std::vector<Event> m_events;
};
