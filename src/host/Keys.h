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
// first letter), the other keys are small numbers a keyboard cannot type. A
// gamepad's buttons have codes of their own (kPadA ..), so that a player can
// give an action a key and a button apart.
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
    // The function keys F1 .. F12 (F11 stays the window's full-screen switch).
    static constexpr int32_t kF1 = 18;
    static constexpr int32_t kF12 = kF1 + 11;
    static constexpr int32_t function(int32_t n) { return kF1 + n - 1; }

    // Gamepad buttons. The left stick presses the d-pad's directions, and a
    // trigger pulled past half way is a button.
    static constexpr int32_t kPadA = 100;
    static constexpr int32_t kPadB = 101;
    static constexpr int32_t kPadX = 102;
    static constexpr int32_t kPadY = 103;
    static constexpr int32_t kPadBack = 104;
    static constexpr int32_t kPadStart = 105;
    static constexpr int32_t kPadLeftStick = 106;
    static constexpr int32_t kPadRightStick = 107;
    static constexpr int32_t kPadLeftShoulder = 108;
    static constexpr int32_t kPadRightShoulder = 109;
    static constexpr int32_t kPadUp = 110;
    static constexpr int32_t kPadDown = 111;
    static constexpr int32_t kPadLeft = 112;
    static constexpr int32_t kPadRight = 113;
    static constexpr int32_t kPadLeftTrigger = 114;
    static constexpr int32_t kPadRightTrigger = 115;
    static constexpr bool isPad(int32_t code) { return code >= kPadA && code <= kPadRightTrigger; }

    // The keypad's digits, '0' .. '9'.
    static constexpr int32_t digit(int32_t n) { return '0' + n; }
    // A letter key, 'A' .. 'Z' (the code of its capital).
    static constexpr int32_t letter(char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }
    static constexpr bool isDigit(int32_t code) { return code >= '0' && code <= '9'; }
    static constexpr bool isLetter(int32_t code) { return code >= 'A' && code <= 'Z'; }

    // Codes run from 1 to kCount - 1.
    static constexpr int32_t kCount = 128;

    // The name a player reads for a key ("Enter", "Left", "W", "9", "F12",
    // "Pad A"), or an empty string for a code that is no key.
    static std::string name(int32_t code);
    // The key of a word of a script: a name in lower case (enter, esc, space,
    // tab, left, right, up, down, pageup, pagedown, home, end, f1 .. f12, and
    // the gamepad's pad-a, pad-b, pad-x, pad-y, pad-back, pad-start, pad-ls,
    // pad-rs, pad-lb, pad-rb, pad-up, pad-down, pad-left, pad-right, pad-lt,
    // pad-rt), a quoted character ('N') or a decimal code 0 .. 127. False when
    // it is none.
    static bool parse(const std::string& word, int32_t& code);
};
