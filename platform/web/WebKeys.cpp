#include "WebKeys.h"

#include <cstring>

#include "host/Keys.h"

namespace {

struct Named {
    const char* name;
    int32_t code;
};

// Keys that type nothing, by their place; the keypad's arrows as printed on it.
constexpr Named kPlaces[] = {
    {"ArrowLeft", Key::kLeft},     {"Numpad4", Key::kLeft},          {"ArrowRight", Key::kRight},
    {"Numpad6", Key::kRight},      {"ArrowUp", Key::kUp},            {"Numpad8", Key::kUp},
    {"ArrowDown", Key::kDown},     {"Numpad2", Key::kDown},          {"Enter", Key::kEnter},
    {"NumpadEnter", Key::kEnter},  {"Space", Key::kSpace},           {"Tab", Key::kTab},
    {"Escape", Key::kEscape},      {"NumpadMultiply", Key::kStar},   {"NumpadAdd", Key::kPlus},
    {"NumpadSubtract", Key::kMinus}, {"Numpad0", Key::digit(0)},     {"PageUp", Key::kPageUp},
    {"PageDown", Key::kPageDown},  {"Home", Key::kHome},             {"End", Key::kEnd},
};

} // namespace

int32_t WebKeys::code(const char* code, const char* key)
{
    code = code ? code : "";
    key = key ? key : "";
    for (const Named& n : kPlaces)
        if (std::strcmp(code, n.name) == 0)
            return n.code;
    if (std::strncmp(code, "Numpad", 6) == 0 && code[6] >= '1' && code[6] <= '9' && code[7] == '\0')
        return Key::digit(code[6] - '0');
    if (code[0] == 'F' && code[1] >= '1' && code[1] <= '9') {
        const int32_t n = code[2] == '\0' ? code[1] - '0' : code[3] == '\0' ? (code[1] - '0') * 10 + code[2] - '0' : 0;
        if (n >= 1 && n <= 12)
            return Key::function(n);
    }
    // A character outside ASCII (a Russian letter, a French é on the digit
    // row): the Latin letter or digit printed at that place.
    if ((static_cast<unsigned char>(key[0]) & 0x80) != 0) {
        if (std::strncmp(code, "Key", 3) == 0 && code[3] >= 'A' && code[3] <= 'Z' && code[4] == '\0')
            return Key::letter(code[3]);
        if (std::strncmp(code, "Digit", 5) == 0 && code[5] >= '0' && code[5] <= '9' && code[6] == '\0')
            return Key::digit(code[5] - '0');
        return Key::kNone;
    }
    // One character typed: what the layout puts on the key.
    if (key[0] == '\0' || key[1] != '\0')
        return Key::kNone;
    const char c = key[0];
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
        return Key::letter(c);
    if (c >= '0' && c <= '9')
        return Key::digit(c - '0');
    switch (c) {
    case '+':
    case '=': // '+' without the shift key on most layouts
        return Key::kPlus;
    case '-':
        return Key::kMinus;
    case '*':
        return Key::kStar;
    default:
        return Key::kNone;
    }
}

int32_t WebKeys::padButton(int32_t index)
{
    constexpr int32_t kStandard[16] = {
        Key::kPadA,         Key::kPadB,         Key::kPadX,           Key::kPadY,
        Key::kPadLeftShoulder, Key::kPadRightShoulder, Key::kNone,    Key::kNone,
        Key::kPadBack,      Key::kPadStart,     Key::kPadLeftStick,   Key::kPadRightStick,
        Key::kPadUp,        Key::kPadDown,      Key::kPadLeft,        Key::kPadRight,
    };
    return index >= 0 && index < 16 ? kStandard[index] : Key::kNone;
}
