#pragma once
#include <cstdint>
#include <map>

#include <SDL.h>

class Viewport;

// Turns keyboard, mouse and gamepad events into the game's input: key codes
// held and queued on the root viewport, the touch position and drag, and the
// tilt reading. Main thread only.
//
// Keys: arrows 1..4 (left, right, up, down), and so are the keypad's 4, 6, 8
// and 2, as printed on it; digits and the other keypad digits '0'..'9', Enter
// 10, Space ' ', Escape 6, Page Up, Page Down, Home and End the paging codes
// of Viewport, U and D 'u' and 'd', other letters their upper-case codes, '+'
// and '-', Tab '\t', '*' (also the keypad's). W, A, S and D are their
// letters and, while held, hold the arrows' bits too (the tank drives by
// them). The left mouse button is the touch (key 5); the pointer's resting
// place and the wheel are kept for the menus. Gamepad: d-pad and left stick
// are the arrows, A 10, B '3', X '9', Y and Start 6, left shoulder '1', right
// shoulder '7'; the right stick is the tilt.
class SdlInput {
public:
    SdlInput();
    ~SdlInput();

    // The game code of a key, or -1 when the key means nothing to the game.
    static int32_t keyCode(SDL_Keycode key);
    // The arrow whose bit a held letter holds as well (W, A, S, D), or 0.
    static int32_t heldArrow(int32_t code);
    // Where the logical screen of width x height lies in the window: its
    // top-left corner and its size there, in window pixels.
    void setScreen(int32_t originX, int32_t originY, int32_t shownWidth, int32_t shownHeight, int32_t width,
                   int32_t height);
    // Handles one event; false when it is not an input event. Without a
    // viewport (the game has not started yet) only gamepads are tracked.
    bool handle(const SDL_Event& e, Viewport* vp);
    // Lets go of everything held (focus lost, before the window closes).
    void releaseAll(Viewport& vp);
    // The pointer left the window.
    static void pointerLeft(Viewport& vp);
    // Closes the gamepads.
    void closePads();

    // The stick has to pass the first value to press its arrow and fall back
    // below the second to let it go, so a stick resting near the edge does not
    // chatter.
    static constexpr int32_t kStickPress = 16384;
    static constexpr int32_t kStickRelease = 8192;
    // Right stick readings closer to the centre than this read as level.
    static constexpr int32_t kTiltDeadZone = 3000;

private:
    struct Pad {
        SDL_GameController* controller = nullptr;
        bool button[SDL_CONTROLLER_BUTTON_MAX] = {};
        bool stick[4] = {}; // left, right, up, down
    };

    void hold(Viewport& vp, int32_t code);
    void unhold(Viewport& vp, int32_t code);
    void unholdArrow(Viewport& vp, int32_t code);
    void logical(int32_t wx, int32_t wy, int32_t& x, int32_t& y) const;
    void padButton(Viewport& vp, Pad& pad, int32_t button, bool down);
    void padAxis(Viewport& vp, Pad& pad, int32_t axis, int32_t value);
    void releasePad(Viewport& vp, Pad& pad);

    // How many sources hold each held-key code; its bit goes when none does.
    int32_t m_holders[58] = {};
    // Code given to each pressed key, by scancode (0 when not pressed).
    int16_t m_keyDown[SDL_NUM_SCANCODES] = {};
    std::map<SDL_JoystickID, Pad> m_pads;
    bool m_touching = false;
    int32_t m_touchX = 0; // logical position of the touch
    int32_t m_touchY = 0;
    int32_t m_originX = 0;
    int32_t m_originY = 0;
    int32_t m_shownWidth = 1;
    int32_t m_shownHeight = 1;
    int32_t m_width = 1;
    int32_t m_height = 1;
};
