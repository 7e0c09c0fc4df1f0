#include "host/Keys.h"

#include <charconv>

#include "runtime/Catalog.h"

namespace {

struct Named {
    int32_t code = Key::kNone;
    const char* word = nullptr; // in scripts
    const char* name = nullptr; // for players, in English (the game translates it)
};

constexpr Named kNamed[] = {
    {Key::kLeft, "left", trMarkIn("key", "Left")},
    {Key::kRight, "right", trMarkIn("key", "Right")},
    {Key::kUp, "up", trMarkIn("key", "Up")},
    {Key::kDown, "down", trMarkIn("key", "Down")},
    {Key::kTouch, "touch", trMarkIn("key", "Click")},
    {Key::kEscape, "esc", trMarkIn("key", "Escape")},
    {Key::kMenu, "menu", trMarkIn("key", "Menu")},
    {Key::kTab, "tab", trMarkIn("key", "Tab")},
    {Key::kEnter, "enter", trMarkIn("key", "Enter")},
    {Key::kPageUp, "pageup", trMarkIn("key", "Page Up")},
    {Key::kPageDown, "pagedown", trMarkIn("key", "Page Down")},
    {Key::kHome, "home", trMarkIn("key", "Home")},
    {Key::kEnd, "end", trMarkIn("key", "End")},
    {Key::kSpace, "space", trMarkIn("key", "Space")},
    {Key::function(1), "f1", "F1"},
    {Key::function(2), "f2", "F2"},
    {Key::function(3), "f3", "F3"},
    {Key::function(4), "f4", "F4"},
    {Key::function(5), "f5", "F5"},
    {Key::function(6), "f6", "F6"},
    {Key::function(7), "f7", "F7"},
    {Key::function(8), "f8", "F8"},
    {Key::function(9), "f9", "F9"},
    {Key::function(10), "f10", "F10"},
    {Key::function(11), "f11", "F11"},
    {Key::kF12, "f12", "F12"},
    {Key::kPadA, "pad-a", trMarkIn("key", "Pad A")},
    {Key::kPadB, "pad-b", trMarkIn("key", "Pad B")},
    {Key::kPadX, "pad-x", trMarkIn("key", "Pad X")},
    {Key::kPadY, "pad-y", trMarkIn("key", "Pad Y")},
    {Key::kPadBack, "pad-back", trMarkIn("key", "Pad Back")},
    {Key::kPadStart, "pad-start", trMarkIn("key", "Pad Start")},
    {Key::kPadLeftStick, "pad-ls", trMarkIn("key", "Pad L3")},
    {Key::kPadRightStick, "pad-rs", trMarkIn("key", "Pad R3")},
    {Key::kPadLeftShoulder, "pad-lb", trMarkIn("key", "Pad LB")},
    {Key::kPadRightShoulder, "pad-rb", trMarkIn("key", "Pad RB")},
    {Key::kPadUp, "pad-up", trMarkIn("key", "Pad Up")},
    {Key::kPadDown, "pad-down", trMarkIn("key", "Pad Down")},
    {Key::kPadLeft, "pad-left", trMarkIn("key", "Pad Left")},
    {Key::kPadRight, "pad-right", trMarkIn("key", "Pad Right")},
    {Key::kPadLeftTrigger, "pad-lt", trMarkIn("key", "Pad LT")},
    {Key::kPadRightTrigger, "pad-rt", trMarkIn("key", "Pad RT")},
};

} // namespace

std::string Key::name(int32_t code)
{
    for (const Named& n : kNamed)
        if (n.code == code)
            return n.name;
    // The other printable codes are their characters; the pads' range is
    // named above, and a code there without a name is no key.
    if (code > ' ' && code < kPadA)
        return std::string(1, static_cast<char>(code));
    return {};
}

bool Key::parse(const std::string& word, int32_t& code)
{
    for (const Named& n : kNamed) {
        if (word == n.word) {
            code = n.code;
            return true;
        }
    }
    if (word.size() == 3 && word[0] == '\'' && word[2] == '\'' && word[1] >= ' ' && word[1] < kCount - 1) {
        code = word[1];
        return true;
    }
    int32_t value = 0;
    const char* end = word.data() + word.size();
    auto [p, ec] = std::from_chars(word.data(), end, value);
    if (word.empty() || word[0] == '-' || word[0] == '+' || ec != std::errc() || p != end || value >= kCount)
        return false;
    code = value;
    return true;
}
