#pragma once
#include <cstdint>
#include <map>

#include <SDL.h>

#include "PadState.h"
#include "WindowGeometry.h"

class Input;

// Turns keyboard, mouse and gamepad events into the game's input (Input):
// keys pressed and held, the touch (the left mouse button) with its drag, the
// pointer's resting place, the wheel and the tilt stick. Main thread only.
//
// Keys: the arrows, and the keypad's 4, 6, 8 and 2 as printed on it; the
// digits and the other keypad digits; Enter, Space, Tab, Escape, Page Up, Page
// Down, Home and End; the letters (as capitals), '+', '-' and '*' (also the
// keypad's); F1 to F12. Gamepad: each button its own code (Key::kPadA ..),
// the left stick presses the d-pad's directions, each trigger is a button
// past half way; the right stick is the tilt. What they do is the game's
// action table's business.
class SdlInput {
public:
    SdlInput();
    ~SdlInput();

    // The game's key of a keyboard key, or Key::kNone.
    static int32_t keyCode(SDL_Keycode key);
    // The same, for a key pressed at scancode: a layout whose letter or
    // digit keys type other scripts or signs (Russian, the digit row of a
    // French one) gives the Latin letter or digit printed beside them.
    static int32_t keyCode(SDL_Keycode key, SDL_Scancode scancode);
    // The game's key of a gamepad button, or Key::kNone.
    static int32_t padCode(int32_t button);
    // Where the logical screen of width x height lies in the window: shown,
    // in the real pixels of the window's geometry (mouse positions come in
    // its coordinates).
    void setScreen(const WindowGeometry& window, const WindowGeometry::Rect& shown, int32_t width, int32_t height);
    // Handles one event; false when it is not an input event. Without the
    // game's input (the game has not started yet) only gamepads are tracked.
    bool handle(const SDL_Event& e, Input* in);
    // Lets go of everything held (focus lost, before the window closes).
    void releaseAll(Input& in);
    // Closes the gamepads.
    void closePads();

private:
    struct Pad {
        SDL_GameController* controller = nullptr;
        PadState state;
    };

    bool handleKey(const SDL_Event& e, Input& in);
    bool handleMouse(const SDL_Event& e, Input& in);
    bool handlePad(const SDL_Event& e, Input& in);
    void logical(int32_t wx, int32_t wy, int32_t& x, int32_t& y) const;

    // Key given to each pressed key, by scancode (0 when not pressed).
    int16_t m_keyDown[SDL_NUM_SCANCODES] = {};
    std::map<SDL_JoystickID, Pad> m_pads;
    WindowGeometry m_window;
    WindowGeometry::Rect m_shown;
    int32_t m_width = 1;
    int32_t m_height = 1;
};
