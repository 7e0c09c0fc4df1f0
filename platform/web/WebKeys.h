#pragma once
#include <cstdint>

// The browser's keyboard as the game's key codes: the same table as the
// desktop's, read from a KeyboardEvent. code is the key's place on the
// keyboard ("ArrowLeft", "Numpad4", "F12"), key what it types with the
// player's layout ("a", "+", "Enter"): letters, digits and signs follow the
// layout, as they do on the desktop; the other keys, and letter and digit
// keys that type another script ("н" on KeyY), go by their place.
struct WebKeys {
    // Key::kNone for a key the game does not use.
    static int32_t code(const char* code, const char* key);
    // The Gamepad API's standard layout: button index 0..15 as a pad code
    // (Key::kPadA ..); Key::kNone for the triggers (6, 7: axes here), the
    // home button and anything beyond.
    static int32_t padButton(int32_t index);
};
