#include "host/Keys.h"

#include <charconv>

namespace {

struct Named {
    int32_t code = Key::kNone;
    const char* word = nullptr; // in scripts
    const char* name = nullptr; // for players
};

constexpr Named kNamed[] = {
    {Key::kLeft, "left", "Left"},        {Key::kRight, "right", "Right"},
    {Key::kUp, "up", "Up"},              {Key::kDown, "down", "Down"},
    {Key::kTouch, "touch", "Click"},     {Key::kEscape, "esc", "Escape"},
    {Key::kMenu, "menu", "Menu"},        {Key::kTab, "tab", "Tab"},
    {Key::kEnter, "enter", "Enter"},     {Key::kPageUp, "pageup", "Page Up"},
    {Key::kPageDown, "pagedown", "Page Down"}, {Key::kHome, "home", "Home"},
    {Key::kEnd, "end", "End"},           {Key::kSpace, "space", "Space"},
};

} // namespace

std::string Key::name(int32_t code)
{
    for (const Named& n : kNamed)
        if (n.code == code)
            return n.name;
    if (code > ' ' && code < kCount - 1)
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
