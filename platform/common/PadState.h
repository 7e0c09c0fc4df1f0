#pragma once
#include <cstdint>

#include "host/Keys.h"

class Input;

// One gamepad as the game sees it, whoever reports it: its buttons are keys
// of their own (Key::kPadA ..), its left stick presses the d-pad's
// directions, a trigger pulled past half way is a button, and its right stick
// stands in for the phone's tilt. Axis values are those of a 16-bit axis:
// sticks -32768..32767 with y growing downwards, triggers 0..32767. The host's
// input thread only.
class PadState {
public:
    enum Axis : int32_t { LeftX, LeftY, RightX, RightY, LeftTrigger, RightTrigger };

    // Button code (Key::kPadA .. Key::kPadRight) is now down or up; a state
    // that did not change presses nothing.
    void button(Input& in, int32_t code, bool down);
    // The axis reads value now.
    void axis(Input& in, Axis a, int32_t value);
    // Lets go of everything held (the pad went away).
    void release(Input& in);
    // Forgets what is held without telling the input (it let go itself).
    void forget();

    // A stick or trigger presses past half way and lets go below a quarter,
    // so that a hand resting near the threshold does not flicker.
    static constexpr int32_t kStickPress = 16384;
    static constexpr int32_t kStickRelease = 8192;
    // The right stick rests within this of its centre.
    static constexpr int32_t kTiltDeadZone = 3000;

private:
    static constexpr int32_t kButtons = Key::kPadRightTrigger - Key::kPadA + 1;

    void press(Input& in, bool& held, bool on, int32_t code);

    bool m_button[kButtons] = {};
    bool m_stick[4] = {};   // left, right, up, down
    bool m_trigger[2] = {}; // left, right
    int32_t m_tiltX = 0;
    int32_t m_tiltY = 0;
};
