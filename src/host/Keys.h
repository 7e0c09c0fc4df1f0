#pragma once
#include <cstdint>
#include <string>

// Every key the game understands, by name. The hosts turn the keyboard, the
// mouse and the gamepads into these codes and hand them to the Input; the
// game reads them back, compares them with these names, and in battle turns
// them into the player's actions (game/ActionMap).
//
// Codes are below 128, so each can be held and queued: the phone keypad's
// digits and the letters are their own characters (a menu item is keyed by its
// first letter), the other keys are small numbers a keyboard cannot type.
struct Key {
    static constexpr int32_t kNone = 0;
    static constexpr int32_t kLeft = 1;
    static constexpr int32_t kRight = 2;
    static constexpr int32_t kUp = 3;
    static constexpr int32_t kDown = 4;
    // A finger on the screen: the left mouse button. Held while it is down.
    static constexpr int32_t kTouch = 5;
    // The menu keys: Escape, and the second one some platforms have.
    static constexpr int32_t kEscape = 6;
    static constexpr int32_t kMenu = 7;
    static constexpr int32_t kTab = 9;
    static constexpr int32_t kEnter = 10;
    static constexpr int32_t kPageUp = 14;
    static constexpr int32_t kPageDown = 15;
    static constexpr int32_t kHome = 16;
    static constexpr int32_t kEnd = 17;
    static constexpr int32_t kSpace = ' ';
    static constexpr int32_t kStar = '*';
    static constexpr int32_t kPlus = '+';
    static constexpr int32_t kMinus = '-';

    // The keypad's digits, '0' .. '9'.
    static constexpr int32_t digit(int32_t n) { return '0' + n; }
    // A letter key, 'A' .. 'Z' (the code of its capital).
    static constexpr int32_t letter(char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }
    static constexpr bool isDigit(int32_t code) { return code >= '0' && code <= '9'; }
    static constexpr bool isLetter(int32_t code) { return code >= 'A' && code <= 'Z'; }

    // Codes run from 1 to kCount - 1.
    static constexpr int32_t kCount = 128;

    // The name a player reads for a key ("Enter", "Left", "W", "9"), or an
    // empty string for a code that is no key.
    static std::string name(int32_t code);
    // The key of a word of a script: a name in lower case (enter, esc, space,
    // tab, left, right, up, down, pageup, pagedown, home, end), a quoted
    // character ('N') or a decimal code 0 .. 127. False when it is none.
    static bool parse(const std::string& word, int32_t& code);
};
